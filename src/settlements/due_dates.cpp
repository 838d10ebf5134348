#include "settlements/due_dates.h"

#include <cstdio>
#include <string>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/short_date.h"
#include "base/text.h"
#include "console/browse.h"
#include "console/keys.h"
#include "console/message_window.h"
#include "documents/open_item.h"
#include "session/area_fields.h"
#include "session/session.h"
#include "settlements/ledger_screen.h"
#include "settlements/ledger_tables.h"
#include "store/schema.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

namespace hurt::settlements {

using namespace hurt::literals;
using session::FieldDate;
using session::FieldNumber;
using session::FieldText;

namespace {

constexpr std::string_view kOrderKey = "DTOS(termin)+kto+odb+STR(fa_rec,9)";
constexpr int kGridBottom = 21;

const std::vector<xbase::DbfFieldDescriptor>& Layout() {
  static const std::vector<xbase::DbfFieldDescriptor> kLayout = {
      {"TERMIN", 'D', 8, 0}, {"KTO", 'C', 1, 0},     {"ODB", 'C', 8, 0},    {"NODB", 'C', 30, 0},
      {"RD", 'C', 3, 0},     {"NRD", 'C', 8, 0},     {"DATA", 'D', 8, 0},   {"KWOTA", 'N', 14, 2},
      {"NARAST", 'N', 15, 2}, {"FA_REC", 'N', 9, 0},
  };
  return kLayout;
}

// Whether the counterparty kto+odb passes the filter, and its name.
struct Counterparty {
  bool passes = false;
  std::string nodb;
};

Counterparty Judge(session::Session& s, std::string_view kto, std::string_view odb, const DueDateFilter& f) {
  Counterparty c;
  auto id = BookOf(kto);
  if (!id.ok()) return c;
  auto book_or = AreaOf(s, *id);
  const bool no_filter = IsBlank(f.opiekun) && IsBlank(f.kier) && IsBlank(f.k_e);
  if (!book_or.ok() || (*book_or)->order_count() < 1) {
    c.passes = no_filter;
    return c;
  }
  xbase::WorkArea& book = **book_or;
  const int order = book.order();
  const uint32_t before = book.recno();
  bool found = false;
  if (book.SetOrder(1).ok()) {
    auto seek = book.SeekKey(PadR(odb, 8));
    found = seek.ok() && *seek;
  }
  if (!found) {
    c.passes = no_filter;
  } else {
    const auto matches = [&book](std::string_view field, const std::string& wanted) {
      if (IsBlank(wanted)) return true;
      if (!session::HasField(book, field)) return false;
      return Upper(AllTrim(FieldText(book, field))) == Upper(AllTrim(wanted));
    };
    // The phone prefix: KIER, or where it is blank the start of the number in TEL.
    const auto prefix_matches = [&book](const std::string& wanted) {
      if (IsBlank(wanted)) return true;
      const std::string kier = AllTrim(FieldText(book, "KIER"));
      if (!kier.empty()) return kier == AllTrim(wanted);
      std::string tel;
      for (char ch : FieldText(book, "TEL")) {
        if (ch != ' ') tel += ch;
      }
      return !tel.empty() && tel.rfind(AllTrim(wanted), 0) == 0;
    };
    c.passes = matches("KOMU", f.opiekun) && prefix_matches(f.kier) && matches("K_E", f.k_e);
    c.nodb = FieldText(book, "NODB");
  }
  (void)book.SetOrder(order);
  if (before != 0) (void)book.GoTo(before);
  return c;
}

// fa_N's order, filter and record, put back whatever happens.
class FaNKeep {
 public:
  explicit FaNKeep(xbase::WorkArea& fa) : fa_(fa), order_(fa.order()), recno_(fa.recno()), filter_(fa.filter()) {}
  ~FaNKeep() {
    (void)fa_.SetOrder(order_);
    if (!filter_.empty()) (void)fa_.SetFilter(filter_);
    if (recno_ != 0) (void)fa_.GoTo(recno_);
  }
  FaNKeep(const FaNKeep&) = delete;
  FaNKeep& operator=(const FaNKeep&) = delete;

 private:
  xbase::WorkArea& fa_;
  int order_;
  uint32_t recno_;
  std::string filter_;
};

// Appends the items of fa_N that pass the filter.
Status Fill(session::Session& s, const DueDateFilter& filter, xbase::WorkArea& fa, xbase::WorkArea& work, long* items) {
  FaNKeep keep(fa);
  HURT_RETURN_IF_ERROR(fa.SetFilter(""));
  HURT_RETURN_IF_ERROR(fa.SetOrder(2));
  std::string current;
  Counterparty party;
  const std::string zero = Str(0.0, 13, 2);
  Status st = fa.GoTop();
  for (; st.ok() && !fa.eof(); st = fa.Skip(1)) {
    if (fa.deleted()) continue;
    const std::string kto = PadR(FieldText(fa, "KTO"), 1);
    const std::string odb = PadR(FieldText(fa, "ODB"), 8);
    if (kto + odb != current) {
      current = kto + odb;
      party = Judge(s, kto, odb, filter);
    }
    if (!party.passes) continue;
    const double kurs = FieldNumber(fa, "KURS");
    const double owed = NewRound(documents::HomeAmount(FieldNumber(fa, "OBWN"), kurs) -
                                     documents::HomeAmount(FieldNumber(fa, "OBMA"), kurs),
                                 2);
    if (Str(owed, 13, 2) == zero) continue;
    const JulianDay data = FieldDate(fa, "DATA");
    const JulianDay termin = FieldDate(fa, "TERMIN") != kEmptyDate ? FieldDate(fa, "TERMIN") : data;
    const std::pair<std::string_view, xbase::Value> fields[] = {
        {"TERMIN", xbase::Value(xbase::Date{termin})},
        {"KTO", xbase::Value(kto)},
        {"ODB", xbase::Value(odb)},
        {"NODB", xbase::Value(Left(party.nodb, 30))},
        {"RD", xbase::Value(PadR(FieldText(fa, "RD"), 3))},
        {"NRD", xbase::Value(PadL(AllTrim(FieldText(fa, "NRD")), 8))},
        {"DATA", xbase::Value(xbase::Date{data})},
        {"KWOTA", xbase::Value(owed)},
        {"FA_REC", xbase::Value(static_cast<double>(fa.recno()))},
    };
    HURT_RETURN_IF_ERROR(work.Append());
    for (const auto& [name, value] : fields) HURT_RETURN_IF_ERROR(work.Replace(name, value));
    ++*items;
  }
  return st;
}

}  // namespace

Result<long> BudujTerminarz(session::Session& s, const DueDateFilter& filter, const std::string& dbf,
                            const std::string& ntx, int area) {
  auto fa_or = AreaOf(s, store::TableId::kFaN);
  if (!fa_or.ok()) return fa_or.status();
  xbase::WorkArea& fa = **fa_or;
  if (fa.order_count() < 2) return Status::NotFound("Plik fa_N niedostepny");
  HURT_RETURN_IF_ERROR(xbase::Table::Create(s.env(), dbf, Layout()));
  xbase::AreaOpenOptions exclusive;
  exclusive.exclusive = true;
  auto opened = s.areas().Open(area, dbf, "TERMINARZ", exclusive);
  if (!opened.ok()) return opened.status();
  xbase::WorkArea& work = **opened;

  long items = 0;
  HURT_RETURN_IF_ERROR(work.BeginAppendBatch());
  const Status filled = Fill(s, filter, fa, work, &items);
  const Status ended = work.EndAppendBatch();
  HURT_RETURN_IF_ERROR(filled);
  HURT_RETURN_IF_ERROR(ended);
  auto order = work.CreateOrder(ntx, kOrderKey);
  if (!order.ok()) return order.status();
  HURT_RETURN_IF_ERROR(work.SetOrder(1));

  // The running total, in due-date order (NARAST is no part of the key).
  double running = 0;
  Status st = work.GoTop();
  for (; st.ok() && !work.eof(); st = work.Skip(1)) {
    running = NewRound(running + FieldNumber(work, "KWOTA"), 2);
    HURT_RETURN_IF_ERROR(work.Replace("NARAST", xbase::Value(running)));
  }
  HURT_RETURN_IF_ERROR(st);
  HURT_RETURN_IF_ERROR(work.Flush());
  HURT_RETURN_IF_ERROR(work.GoTop());
  return items;
}

namespace {

// The browse source over the work table, found again at each call: the table is built
// anew (and its area reopened) after a settlement browse.
class WorkSource final : public console::BrowseSource {
 public:
  WorkSource(session::Session& s, int area) : s_(s), area_(area) {}
  void GoTop() override { Source().GoTop(); }
  void GoBottom() override { Source().GoBottom(); }
  int64_t Skip(int64_t n) override { return Source().Skip(n); }
  bool IsEmpty() override { return Source().IsEmpty(); }
  int64_t Bookmark() override { return Source().Bookmark(); }
  void GoToBookmark(int64_t mark) override { Source().GoToBookmark(mark); }
  std::vector<std::string> Fault() override { return Source().Fault(); }

 private:
  session::AreaSource Source() { return session::AreaSource(*s_.areas().Area(area_)); }
  session::Session& s_;
  int area_;
};

class TermScreen {
 public:
  TermScreen(session::Session& s, const DueDateFilter& filter, int area)
      : s_(s), con_(s.con()), filter_(filter), area_(area),
        dbf_(s.Path("rob/term" + s.StationText() + ".dbf")), ntx_(s.Path("rob/term" + s.StationText() + ".ntx")) {}
  ~TermScreen() {
    (void)s_.areas().Close(area_);
    (void)s_.env().Remove(dbf_);
    (void)s_.env().Remove(ntx_);
  }
  TermScreen(const TermScreen&) = delete;
  TermScreen& operator=(const TermScreen&) = delete;

  // Builds the list again; false (after telling why) when it cannot be made.
  bool Build();
  void Run();

 private:
  xbase::WorkArea& Work() { return *s_.areas().Area(area_); }
  void Totals();
  void KeyLine();
  console::BrowseAction OnKey(int k);

  session::Session& s_;
  console::Console& con_;
  DueDateFilter filter_;
  int area_;
  std::string dbf_, ntx_;
  long items_ = 0;
};

bool TermScreen::Build() {
  (void)s_.areas().Close(area_);
  console::OknoNoWait(con_, "PROSZE CZEKAC ...");
  auto built = BudujTerminarz(s_, filter_, dbf_, ntx_, area_);
  if (!built.ok()) {
    const std::string why = built.status().message();
    console::Okno_(con_, why.rfind("Plik ", 0) == 0 ? why : "Terminarz niedostepny: " + why, 3);
    return false;
  }
  items_ = *built;
  if (items_ == 0) {
    console::Okno_(con_, "Brak rozrachunkow do terminarza", 2);
    return false;
  }
  return true;
}

void TermScreen::Totals() {
  // One pass over the short work table in its natural order.
  double wn = 0, ma = 0;
  xbase::WorkArea& work = Work();
  const uint32_t at = work.recno();
  (void)work.SetOrder(0);
  for (Status st = work.GoTop(); st.ok() && !work.eof(); st = work.Skip(1)) {
    const double kwota = FieldNumber(work, "KWOTA");
    (kwota > 0 ? wn : ma) += kwota > 0 ? kwota : -kwota;
  }
  (void)work.SetOrder(1);
  (void)work.GoTo(at);
  wn = NewRound(wn, 2);
  ma = NewRound(ma, 2);
  con_.ClearRegion(22, 0, 23, 79);
  con_.Say(22, 0, "Naleznosci: " + TransformNumber(wn, "9999999999.99") + "   Zobowiazania: " +
                      TransformNumber(ma, "9999999999.99") + "   Saldo: " + TransformNumber(NewRound(wn - ma, 2), "9999999999.99"));
  std::string filter = "Pozycji: " + std::to_string(items_);
  if (!IsBlank(filter_.opiekun)) filter += "   opiekun: " + AllTrim(filter_.opiekun);
  if (!IsBlank(filter_.kier)) filter += "   tel. kier.: " + AllTrim(filter_.kier);
  if (!IsBlank(filter_.k_e)) filter += "   " + AllTrim(filter_.k_e);
  con_.Say(23, 0, Left(filter, 80));
}

void TermScreen::KeyLine() {
  const console::Attr text = con_[console::Role::kKeyBar];
  con_.ClearRegion(24, 0, 24, 79, text);
  con_.Say(24, 0, "Enter-Rozrachunki kontrahenta                                       Esc-Wyjscie", text);
}

console::BrowseAction TermScreen::OnKey(int k) {
  namespace key = console::key;
  if (k == key::kEsc) return console::BrowseAction::kLeave;
  if (k != key::kEnter) return console::BrowseAction::kContinue;
  xbase::WorkArea& work = Work();
  if (work.eof()) return console::BrowseAction::kContinue;
  const std::string kto = FieldText(work, "KTO");
  const std::string odb = FieldText(work, "ODB");
  const std::string nodb = FieldText(work, "NODB");
  const std::string key_here = Dtos(FieldDate(work, "TERMIN")) + PadR(kto, 1) + PadR(odb, 8);
  FaNRozliczanie(s_, kto, odb, nodb);
  if (!Build()) return console::BrowseAction::kLeave;
  xbase::WorkArea& again = Work();
  (void)again.SeekKey(key_here, true);
  if (again.eof()) (void)again.GoBottom();
  Totals();
  KeyLine();
  return console::BrowseAction::kRepaint;
}

void TermScreen::Run() {
  con_.Clear();
  WorkSource source(s_, area_);
  console::Browse browse(con_, source, 0, 0, kGridBottom, 79);
  browse.Separators("─┼─"_pl, "│"_pl, "");
  using console::BrowseColumn;
  const JulianDay today = s_.Today();
  // The area is looked up at each row: it is opened anew after a settlement browse.
  auto work = [this]() -> xbase::WorkArea& { return Work(); };
  browse.AddColumn(BrowseColumn::Text("Termin", [work] { return ShortDate(FieldDate(work(), "TERMIN")); }));
  browse.AddColumn(BrowseColumn::Number("Dni", [work, today] {
    const JulianDay termin = FieldDate(work(), "TERMIN");
    return termin != kEmptyDate && today > termin ? static_cast<double>(today - termin) : 0.0;
  }, "@Z 9999"));
  browse.AddColumn(BrowseColumn::Text("K", [work] { return PadR(FieldText(work(), "KTO"), 1); }));
  browse.AddColumn(BrowseColumn::Text("Kod     ", [work] { return PadR(FieldText(work(), "ODB"), 8); }));
  browse.AddColumn(session::PaddedColumn("Nazwa", 16, [work] { return FieldText(work(), "NODB"); }));
  browse.AddColumn(BrowseColumn::Text("Rd -   Numer", [work] {
    return PadR(FieldText(work(), "RD"), 3) + "-" + PadL(AllTrim(FieldText(work(), "NRD")), 8);
  }));
  browse.AddColumn(BrowseColumn::Number("Do zaplaty", [work] { return FieldNumber(work(), "KWOTA"); }, "99999999.99"));
  browse.AddColumn(BrowseColumn::Number("Narastajaco", [work] { return FieldNumber(work(), "NARAST"); }, "999999999.99"));
  (void)Work().GoTop();
  Totals();
  KeyLine();
  browse.Run([this](console::BrowseMode mode, int) {
    if (mode == console::BrowseMode::kException || mode == console::BrowseMode::kEmpty) return OnKey(con_.LastKey());
    return console::BrowseAction::kContinue;
  });
}

}  // namespace

void DbuTerm(session::Session& s, const DueDateFilter& filter) {
  const int area = s.areas().FirstFree(kScratchFirst, kScratchLast);
  if (area == 0) {
    console::Okno_(s.con(), "Brak wolnego obszaru roboczego", 3);
    return;
  }
  const console::SavedScreen saved = s.con().SaveScreen();
  {
    TermScreen screen(s, filter, area);
    if (screen.Build()) screen.Run();
  }
  s.con().RestoreScreen(saved);
}

}  // namespace hurt::settlements
