#include "settlements/interest.h"

#include <algorithm>
#include <string>

#include "base/numeric.h"
#include "session/area_fields.h"
#include "session/output/report_paths.h"
#include "session/session.h"
#include "settlements/ledger_tables.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

namespace hurt::settlements {

namespace {

constexpr double kDaysInYear = 365;

// The statutory interest for late payment: the reference rate of the central bank plus
// 5.5 points, from each change of the reference rate.
struct RateChange {
  int year, month, day;
  double stopa;
};
constexpr RateChange kStatutoryRates[] = {
    {2016, 1, 1, 7.00},   {2020, 3, 18, 6.50},
    {2020, 4, 9, 6.00},   {2020, 5, 29, 5.60},
    {2021, 10, 7, 6.00},  {2021, 11, 4, 6.75},
    {2021, 12, 9, 7.25},  {2022, 1, 5, 7.75},
    {2022, 2, 9, 8.25},   {2022, 3, 9, 9.00},
    {2022, 4, 7, 10.00},  {2022, 5, 6, 10.75},
    {2022, 6, 9, 11.50},  {2022, 7, 8, 12.00},
    {2022, 9, 8, 12.25},  {2023, 9, 7, 11.50},
    {2023, 10, 5, 11.25}, {2025, 5, 8, 10.75},
    {2025, 7, 3, 10.50},  {2025, 9, 4, 10.25},
    {2025, 10, 9, 10.00}, {2025, 11, 6, 9.75},
};

const std::vector<xbase::DbfFieldDescriptor>& Layout() {
  static const std::vector<xbase::DbfFieldDescriptor> kLayout = {{"DATA_OD", 'D', 8, 0}, {"STOPA", 'N', 6, 2}};
  return kLayout;
}

}  // namespace

std::vector<InterestRate> StatutoryRates() {
  std::vector<InterestRate> out;
  for (const RateChange& r : kStatutoryRates) out.push_back({JulianFromYmd(r.year, r.month, r.day), r.stopa});
  return out;
}

double InterestForecast(double amount, JulianDay termin, JulianDay today, std::span<const InterestRate> rates) {
  if (amount <= 0 || termin == kEmptyDate || today == kEmptyDate || today <= termin) return 0;
  std::vector<InterestRate> sorted(rates.begin(), rates.end());
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const InterestRate& a, const InterestRate& b) { return a.data_od < b.data_od; });
  // Each rate covers [its DATA_OD, the next one's); the days counted are termin+1 .. today.
  const JulianDay first = termin + 1;
  double interest = 0;
  for (size_t i = 0; i < sorted.size(); ++i) {
    if (sorted[i].data_od == kEmptyDate) continue;
    const JulianDay from = std::max(first, sorted[i].data_od);
    const JulianDay to = i + 1 < sorted.size() ? std::min(today, sorted[i + 1].data_od - 1) : today;
    if (to < from) continue;
    interest += amount * sorted[i].stopa / 100 * static_cast<double>(to - from + 1) / kDaysInYear;
  }
  return NewRound(interest, 2);
}

std::string InterestTablePath(session::Session& s) {
  const std::string found = session::FindFileAnyCase(s.env(), s.root(), "odsetki.dbf");
  return found.empty() ? s.Path("odsetki.dbf") : found;
}

Status EnsureInterestTable(session::Session& s) {
  if (!session::FindFileAnyCase(s.env(), s.root(), "odsetki.dbf").empty()) return Status::Ok();
  const std::string temp = s.Path("rob/ods" + s.StationText() + ".dbf");
  HURT_RETURN_IF_ERROR(xbase::Table::Create(s.env(), temp, Layout()));
  xbase::WorkAreas& areas = s.areas();
  const int area = areas.FirstFree(kScratchFirst, kScratchLast);
  if (area == 0) return Status::Busy("Brak wolnego obszaru roboczego");
  xbase::AreaOpenOptions exclusive;
  exclusive.exclusive = true;
  auto opened = areas.Open(area, temp, "ODS_NEW", exclusive);
  if (!opened.ok()) return opened.status();
  xbase::WorkArea& table = **opened;
  Status st = Status::Ok();
  for (const InterestRate& r : StatutoryRates()) {
    st = table.Append();
    if (st.ok()) st = table.Replace("DATA_OD", xbase::Value(xbase::Date{r.data_od}));
    if (st.ok()) st = table.Replace("STOPA", xbase::Value(r.stopa));
    if (!st.ok()) break;
  }
  if (st.ok()) st = table.Commit();
  const Status closed = areas.Close(area);
  if (st.ok()) st = closed;
  if (st.ok()) st = s.env().Rename(temp, s.Path("odsetki.dbf"));
  if (!st.ok()) (void)s.env().Remove(temp);
  return st;
}

Result<std::vector<InterestRate>> ReadInterestRates(session::Session& s) {
  HURT_RETURN_IF_ERROR(EnsureInterestTable(s));
  xbase::WorkAreas& areas = s.areas();
  const int area = areas.FirstFree(kScratchFirst, kScratchLast);
  if (area == 0) return Status::Busy("Brak wolnego obszaru roboczego");
  auto opened = areas.Open(area, InterestTablePath(s), "ODSETKI");
  if (!opened.ok()) return opened.status();
  xbase::WorkArea& table = **opened;
  std::vector<InterestRate> rates;
  Status st = table.GoTop();
  for (; st.ok() && !table.eof(); st = table.Skip(1)) {
    if (table.deleted()) continue;
    const InterestRate r{session::FieldDate(table, "DATA_OD"), session::FieldNumber(table, "STOPA")};
    if (r.data_od != kEmptyDate) rates.push_back(r);
  }
  (void)areas.Close(area);
  if (!st.ok()) return st;
  return rates;
}

}  // namespace hurt::settlements
