#include "reports/turnover_report.h"

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"
#include "console/form.h"
#include "console/message_window.h"
#include "reports/report_period.h"
#include "reports/vat_register_screen.h"
#include "session/area_fields.h"
#include "session/area_position.h"
#include "session/output/report_file.h"
#include "session/session.h"
#include "session/viewer.h"
#include "store/schema.h"
#include "xbase/work_area.h"

namespace hurt::reports {

using namespace hurt::literals;

namespace {

constexpr int kByDate = 2;  // dowod2: DTOS(data)+r_p+s_z+rd+nrd
constexpr size_t kWidth = 120;

std::string Amount(double v) { return TransformNumber(NewRound(v, 2), "999999999999.99"); }

void Add(CounterpartyTurnover& t, double netto, double vat) {
  ++t.documents;
  t.netto += netto;
  t.vat += vat;
}

}  // namespace

Result<TurnoverResult> ComputeTurnover(xbase::WorkArea& dowod, const TurnoverRequest& request) {
  if (dowod.order_count() < kByDate) return Status::NotFound("Brak indeksu dowod2");
  session::AreaPosition keep(dowod);
  HURT_RETURN_IF_ERROR(dowod.SetOrder(kByDate));
  const int f_data = dowod.FieldIndex("DATA"), f_s_z = dowod.FieldIndex("S_Z"), f_rd = dowod.FieldIndex("RD");
  const int f_mag = dowod.FieldIndex("MAG"), f_odb = dowod.FieldIndex("ODB"), f_nodb = dowod.FieldIndex("NODB");
  const int f_netto = dowod.FieldIndex("NETTO"), f_vat = dowod.FieldIndex("VAT");
  if (f_data < 0 || f_s_z < 0 || f_rd < 0 || f_odb < 0 || f_netto < 0 || f_vat < 0) {
    return Status::Invalid("Plik dowod bez pol naglowka");
  }
  const std::string last = Dtos(request.to);
  const std::string odb = IsBlank(request.odb) ? std::string() : PadR(Upper(AllTrim(request.odb)), 8);
  TurnoverResult out;
  auto found = dowod.SeekKey(Dtos(request.from), true);
  HURT_RETURN_IF_ERROR(found.status());
  for (bool first = true; !dowod.eof(); first = false) {
    if (!first) {
      HURT_RETURN_IF_ERROR(dowod.Skip(1));
      if (dowod.eof()) break;
    }
    if (std::string(dowod.FieldBytes(f_data)) > last) break;
    if (dowod.deleted()) continue;
    const std::string_view s_z = dowod.FieldBytes(f_s_z);
    if (s_z.empty() || s_z[0] != request.side) continue;
    if (f_mag >= 0 && AllTrim(dowod.FieldBytes(f_mag)) == "0") continue;  // money documents
    if (request.skip_kinds.find("," + AllTrim(dowod.FieldBytes(f_rd)) + ",") != std::string::npos) continue;
    const std::string code(dowod.FieldBytes(f_odb));
    if (!odb.empty() && code != odb) continue;
    const double netto = Val(dowod.FieldBytes(f_netto)), vat = Val(dowod.FieldBytes(f_vat));
    CounterpartyTurnover& t = out.by_odb[code];
    if (t.nazwa.empty() && f_nodb >= 0) t.nazwa = AllTrim(dowod.FieldBytes(f_nodb));
    Add(t, netto, vat);
    Add(out.total, netto, vat);
  }
  return out;
}

void PrintTurnover(session::ReportWriter& out, const std::vector<std::string>& firm, const TurnoverRequest& request,
                   const TurnoverResult& result) {
  const std::string rule(kWidth, '-');
  for (const std::string& f : firm) out.Line(AllTrim(f));
  out.Line("");
  out.Line(std::string(request.side == 'Z' ? "OBROTY Z DOSTAWCAMI" : "OBROTY Z ODBIORCAMI") + " W OKRESIE " +
           Dtoc(request.from) + "-" + Dtoc(request.to) + "r");
  out.Line(rule);
  out.Line("  Lp | Kod      | Nazwa kontrahenta                        | Dowodow |          Netto |            VAT |"
           "         Brutto");
  out.Line(rule);
  int lp = 0;
  for (const auto& [code, t] : result.by_odb) {
    out.Line(RTrim(TransformNumber(++lp, "9999") + " | " + PadR(code, 8) + " | " + PadR(Left(t.nazwa, 40), 40) + " | " +
                   PadL(std::to_string(t.documents), 7) + " |" + Amount(t.netto) + " |" + Amount(t.vat) + " |" +
                   Amount(t.netto + t.vat)));
  }
  out.Line(rule);
  out.Line(RTrim(std::string(7, ' ') + PadR("RAZEM", 53) + " | " + PadL(std::to_string(result.total.documents), 7) + " |" +
                 Amount(result.total.netto) + " |" + Amount(result.total.vat) + " |" +
                 Amount(result.total.netto + result.total.vat)));
}

void ObrotyZKontrahentami(session::Session& s) {
  console::Console& con = s.con();
  const auto [first, last] = OpenPeriod(s);
  TurnoverRequest req;
  req.from = first;
  req.to = last;
  std::string side = "O", odb(8, ' ');
  const console::SavedRegion under = con.Save(7, 10, 14, 70);
  con.Box(7, 10, 14, 70, console::DoubleFrame(), con.colours().standard, ' ');
  con.Say(8, 25, "OBROTY Z KONTRAHENTAMI");
  con.Say(10, 12, "Okres od - do  (dd.mm.rr):");
  con.Say(11, 12, "Odbiorcy (O) / Dostawcy (D):");
  con.Say(12, 12, "Kontrahent (pusty - wszyscy):");
  con.Say(24, 0, PadR("Esc - wyjscie", 80));
  console::Form f(con);
  f.GetDate(10, 39, req.from).Valid([&] { return DateInRange(s, req.from, first, last); });
  f.GetDate(10, 51, req.to).Valid([&] { return DateInRange(s, req.to, first, last, req.from); });
  f.GetText(11, 42, side, "!").Valid([&] { return side == "O" || side == "D"; });
  f.GetText(12, 42, odb, std::string(8, '!'));
  const bool escaped = f.Read().escaped;
  con.Restore(under);
  con.Say(24, 0, std::string(80, ' '));
  if (escaped) return;
  req.side = side == "D" ? 'Z' : 'S';
  req.odb = AllTrim(odb);
  req.skip_kinds = s.vars().Text("M_RD_POMIN");
  xbase::WorkArea* dowod = s.areas().Area(store::Table(store::TableId::kDowod).area);
  if (dowod == nullptr) {
    console::Okno_(con, "Plik dowod niedostepny", 3);
    return;
  }
  console::OknoNoWait(con, "Prosze czekac - licze obroty ...");
  auto result = ComputeTurnover(*dowod, req);
  if (!result.ok()) {
    console::Okno_(con, "Obroty nieudane: " + result.status().message(), 3);
    return;
  }
  if (result->by_odb.empty()) {
    console::Okno_(con, "Brak dowodow w okresie " + Dtoc(req.from) + "-" + Dtoc(req.to), 3);
    return;
  }
  const std::vector<std::string> firm = FirmLines(FirmHeading(s));
  session::ViewDruk(s, [&](session::ReportWriter& out) { PrintTurnover(out, firm, req, *result); });
}

}  // namespace hurt::reports
