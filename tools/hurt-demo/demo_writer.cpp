#include "demo_writer.h"

#include <initializer_list>
#include <utility>

#include "base/cp852.h"
#include "base/date.h"
#include "base/numeric.h"
#include "base/text.h"
#include "demo_content.h"
#include "demo_numbers.h"
#include "session/kind_seeds.h"
#include "session/session.h"
#include "store/init_tables_period.h"
#include "store/net_use.h"
#include "store/schema.h"
#include "store/schema_field_list.h"
#include "store/table_create.h"

namespace hurt::demo {
namespace {

using xbase::Value;
using FieldValues = std::initializer_list<std::pair<std::string_view, Value>>;

constexpr int kFirmaArea = 1;
constexpr int kPrawaArea = 101;

// A text field's value: UTF-8 here, code page 852 in the table.
Value Text(std::string_view utf8) { return Value(Utf8ToCp852(utf8)); }

// ADD_REC, the fields, and the record written and unlocked.
Status AddRecord(store::StoreUi& ui, xbase::WorkArea& area, FieldValues values) {
  HURT_RETURN_IF_ERROR(store::AddRecArea(ui, area, 10));
  for (const auto& [field, value] : values) {
    Status s = area.Replace(field, value);
    if (!s.ok()) return s.Prefixed(area.alias() + "->" + std::string(field));
  }
  return area.Unlock();
}

xbase::WorkArea* AreaOf(session::Session& s, store::TableId id) { return s.areas().Area(store::Table(id).area); }

// A small fixed sequence for the stock quantities: the same numbers on every run.
class Sequence {
 public:
  int Next(int low, int high) {
    state_ = (state_ * 1103515245u + 12345u) & 0x7fffffffu;
    return low + static_cast<int>((state_ >> 8) % static_cast<uint32_t>(high - low + 1));
  }

 private:
  uint32_t state_ = 20260314u;
};

double VatRate(std::string_view code) {
  const std::string trimmed = AllTrim(code);
  if (trimmed == "ZW" || trimmed == "NP") return 0;
  return Val(trimmed);
}

std::string Grouped(const std::string& nrb) {
  std::string out = nrb.substr(0, 2);
  for (size_t i = 2; i < nrb.size(); i += 4) out += " " + nrb.substr(i, 4);
  return out;
}

Status WriteOperators(session::Session& s, store::StoreUi& ui) {
  store::StoreContext ctx{s.areas(), ui};
  const store::TableDef& prawa = store::Table(store::TableId::kPrawa);
  auto definition = store::FieldListText(prawa.file, store::ResolveFields(prawa, s.Markers()));
  if (!definition.ok()) return definition.status();
  HURT_RETURN_IF_ERROR(s.areas().Select(kPrawaArea));
  HURT_RETURN_IF_ERROR(store::Tworz(ctx, *definition));
  HURT_RETURN_IF_ERROR(store::NetUse(ctx, prawa.file, prawa.alias, false, 1));
  xbase::WorkArea& area = *s.areas().Area(kPrawaArea);
  for (const OperatorSeed& op : Operators()) {
    HURT_RETURN_IF_ERROR(AddRecord(ui, area,
                                   {{"NR", Text(op.nr)},
                                    {"NAZWISKO", Text(op.nazwisko)},
                                    {"HASLO", Value(OperatorPasswordField(op.password))},
                                    {"PRAWA", Text(op.prawa)},
                                    {"PRAWA1", Value(std::string(20, 'N'))},
                                    {"NR_MAG", Text(op.nr_mag)},
                                    {"NR_KASY", Value("1")},
                                    {"RD", Value("FV ")},
                                    {"DRUKARKA", Value("EPSON")}}));
  }
  HURT_RETURN_IF_ERROR(area.Commit());
  return s.areas().Close(kPrawaArea);
}

// The demo company's kinds are the starter set of every new company.
Status WriteKinds(session::Session& s, store::StoreUi& ui) {
  return session::AddStarterKindsWhenEmpty(ui, *AreaOf(s, store::TableId::kSlow)).status();
}

Status WriteArticles(session::Session& s, store::StoreUi& ui) {
  xbase::WorkArea& as = *AreaOf(s, store::TableId::kAs);
  const Ymd today = YmdFromJulian(s.Today());
  const xbase::Date month_start{JulianFromYmd(today.year, today.month, 1)};
  Sequence sequence;
  for (const ArticleSeed& a : Articles()) {
    const double rate = VatRate(a.vat);
    // Net selling price from the purchase price and the mark-up; gross from the net
    // price and the rate; the lowest price level five percent under the first.
    const double cena = NewRound(a.cena_pz * (1 + a.marza / 100.0), 2);
    const double cena2 = NewRound(cena * (1 + rate / 100), 2);
    const double cenam = NewRound(cena * 0.95, 2);
    const double cena2m = NewRound(cenam * (1 + rate / 100), 2);
    const bool service = a.jm == "usł";
    const double ilosc = service ? 0 : (a.jm == "kg" ? sequence.Next(20000, 150000) / 1000.0 : sequence.Next(12, 480));
    const double value = NewRound(ilosc * a.cena_pz, 2);
    HURT_RETURN_IF_ERROR(AddRecord(ui, as,
                                   {{"MAG", Text(a.mag)},
                                    {"INDEKS", Text(a.indeks)},
                                    {"NAZWA", Text(a.nazwa)},
                                    {"JM", Text(a.jm)},
                                    {"CENA_01", Value(a.cena_pz)},
                                    {"CENA0", Value(a.cena_pz)},
                                    {"CENA_PZ", Value(a.cena_pz)},
                                    {"PODATEK0", Text(a.vat)},
                                    {"ODB", Text(a.dostawca)},
                                    {"N_BO_I", Value(ilosc)},
                                    {"N_BO_W", Value(value)},
                                    {"B_BO_I", Value(ilosc)},
                                    {"B_BO_W", Value(value)},
                                    {"CENA", Value(cena)},
                                    {"CENA2", Value(cena2)},
                                    {"CENAM", Value(cenam)},
                                    {"CENA2M", Value(cena2m)},
                                    {"ILOSC", Value(ilosc)},
                                    {"T_W_O_K", Text(a.grupa)},
                                    {"PMIN", Value(service ? 0 : 10)},
                                    {"PMAX", Value(service ? 0 : 500)},
                                    {"DATA_BO", Value(month_start)},
                                    {"DATA_INI", Value(month_start)}}));
  }
  return as.Commit();
}

Status WriteParties(session::Session& s, store::StoreUi& ui, store::TableId id, std::span<const PartySeed> parties) {
  xbase::WorkArea& book = *AreaOf(s, id);
  const bool customers = id == store::TableId::kZo;
  for (const PartySeed& p : parties) {
    HURT_RETURN_IF_ERROR(AddRecord(ui, book,
                                   {{"ODB", Text(p.odb)},
                                    {"NODB", Text(p.nodb)},
                                    {"NODB1", Text(p.nodb1)},
                                    {"UODB", Text(p.uodb)},
                                    {"KODB", Text(p.kodb)},
                                    {"MODB", Text(p.modb)},
                                    {"NIP_KRAJ", Value(p.nip9.empty() ? "" : "PL")},
                                    {"REGON", Value(p.nip9.empty() ? std::string() : Nip(p.nip9))},
                                    {"TEL", Text(p.tel)},
                                    {"SPZ", Text(p.spz)},
                                    {"TEZ", Value(p.tez)},
                                    {"KREDYT", Value(p.kredyt)}}));
    if (customers) {
      HURT_RETURN_IF_ERROR(book.LockRecord());
      HURT_RETURN_IF_ERROR(book.Replace("RABAT", p.rabat));
      HURT_RETURN_IF_ERROR(book.Replace("POZIOM", 1));
      HURT_RETURN_IF_ERROR(book.Unlock());
    }
  }
  return book.Commit();
}

Status WriteRates(session::Session& s, store::StoreUi& ui) {
  xbase::WorkArea& wal = *AreaOf(s, store::TableId::kWal);
  const JulianDay today = s.Today();
  for (int back = 2; back >= 0; --back) {
    const xbase::Date day{today - back};
    for (const RateSeed& r : Rates()) {
      // A small fixed movement from day to day.
      const double kurs = NewRound(r.kurs * (1 - 0.0015 * back), 4);
      HURT_RETURN_IF_ERROR(AddRecord(
          ui, wal, {{"WALUTA", Text(r.waluta)}, {"DATA", Value(day)}, {"KURS", Value(kurs)}, {"DATA_KURSU", Value(day)}}));
    }
  }
  return wal.Commit();
}

}  // namespace

std::string OperatorPasswordField(std::string_view password) {
  (void)password;  // the demo operators have no passwords yet
  return std::string();
}

Status WriteCompany(session::Session& s, store::StoreUi& ui) {
  store::StoreContext ctx{s.areas(), ui};
  const store::TableDef& firma = store::Table(store::TableId::kFirma);
  const std::vector<store::Field> fields = store::ResolveFields(firma, s.Markers());
  auto definition = store::FieldListText(firma.file, fields);
  if (!definition.ok()) return definition.status();
  HURT_RETURN_IF_ERROR(s.areas().Select(kFirmaArea));
  HURT_RETURN_IF_ERROR(store::Tworz(ctx, *definition));
  HURT_RETURN_IF_ERROR(store::NetUse(ctx, firma.file, firma.alias, true, 1));
  int station_slots = 0;
  for (const store::Field& f : fields) {
    if (f.name == "ST") station_slots = f.width;
  }
  xbase::WorkArea& area = *s.areas().Area(kFirmaArea);
  const std::string nrb = Nrb("10101111", "0000000012345678");
  HURT_RETURN_IF_ERROR(AddRecord(ui, area,
                                 {{"ODB", Value("ZORZA")},
                                  {"NODB", Text("Hurtownia Spożywcza ZORZA")},
                                  {"NODB1", Text("Sp. z o.o.")},
                                  {"UODB", Text("ul. Magazynowa 12")},
                                  {"KODB", Value("45-215")},
                                  {"MODB", Value("Opole")},
                                  {"BODB", Text("Bank Przykładowy S.A. Oddział w Opolu")},
                                  {"NRBO", Value(Grouped(nrb))},
                                  {"NIP_KRAJ", Value("PL")},
                                  {"REGON", Value(Nip("754301226"))},
                                  {"TEL", Value("77 454 12 30")},
                                  {"E_MAIL", Value("biuro@zorza.example")},
                                  {"BDO", Value("000123456")},
                                  {"REGON0", Value(Regon("53112233"))},
                                  {"KRS_NR", Value("0000123456")},
                                  {"KRS_SAD", Text("Sąd Rejonowy w Opolu, VIII Wydział Gospodarczy KRS")},
                                  {"KAPITAL", Value(50000)},
                                  {"OD_GODZ", Value(7.0)},
                                  {"DO_GODZ", Value(16.0)},
                                  {"SOBOTA_OD", Value(8.0)},
                                  {"SOBOTA_DO", Value(13.0)},
                                  {"BMR", Value(store::BmrOfPeriod(store::PeriodOfDay(s.Today())))},
                                  {"FK", Value("C:\\FF")},
                                  {"ST", Value(std::string(static_cast<size_t>(station_slots), '0'))}}));
  return area.Commit();
}

Status WriteContent(session::Session& s, store::StoreUi& ui) {
  HURT_RETURN_IF_ERROR(WriteOperators(s, ui));
  HURT_RETURN_IF_ERROR(WriteKinds(s, ui));
  HURT_RETURN_IF_ERROR(WriteArticles(s, ui));
  HURT_RETURN_IF_ERROR(WriteParties(s, ui, store::TableId::kZo, Customers()));
  HURT_RETURN_IF_ERROR(WriteParties(s, ui, store::TableId::kZd, Suppliers()));
  return WriteRates(s, ui);
}

}  // namespace hurt::demo
