#include "catalogues/price_offer.h"

#include "base/cp852.h"
#include "base/date.h"
#include "base/picture.h"
#include "base/text.h"
#include "catalogues/common.h"
#include "console/form.h"
#include "console/message_window.h"
#include "session/helpers.h"
#include "session/output/report_file.h"
#include "session/session.h"
#include "session/settings.h"

namespace hurt::catalogues {

using namespace hurt::literals;

namespace {

constexpr int kAsArea = 2;

// The order on the article name: "nazwa" is order 2, or 3 when the bar-code order comes first.
int NameOrder(const xbase::WorkArea& as) {
  const int n = HasField(as, "KOD13") ? 3 : 2;
  return as.order_count() >= n ? n : 1;
}

}  // namespace

long WriteOffer(session::Session& s, xbase::WorkArea& as, const std::string& mag, const std::string& group,
                session::ReportWriter& out) {
  (void)as.SetFilter("");
  (void)as.SetOrder(NameOrder(as));
  const bool by_group = !IsBlank(group) && HasField(as, "T_W_O_K");
  auto firma = s.areas().Area(1);
  const std::string company = firma != nullptr ? AllTrim(FieldText(*firma, "NODB")) : std::string();
  if (!company.empty()) out.Line(company);
  out.Line(session::Centruj("OFERTA HANDLOWA"));
  std::string sub = "magazyn " + AllTrim(mag);
  if (by_group) sub += ", grupa " + AllTrim(group);
  sub += ", stan na dzien " + Dtoc(s.Today());
  out.Line(session::Centruj(sub));
  out.Line("");
  out.Line("Indeks   Nazwa                              Jm    VAT     Cena netto  Cena brutto");
  out.Line(std::string(82, '-'));
  long count = 0;
  for (Status st = as.GoTop(); st.ok() && !as.eof(); st = as.Skip(1)) {
    if (FieldText(as, "MAG") != mag) continue;
    if (by_group && AllTrim(FieldText(as, "T_W_O_K")) != AllTrim(group)) continue;
    out.Line(PadR(FieldText(as, "INDEKS"), 8) + " " + PadR(Left(FieldText(as, "NAZWA"), 34), 34) + " " +
             PadR(Left(FieldText(as, "JM"), 4), 4) + " " + PadL(AllTrim(FieldText(as, "PODATEK0")), 4) + " " +
             TransformNumber(FieldNumber(as, "CENA"), "9999999999.99") +
             TransformNumber(FieldNumber(as, "CENA2"), "9999999999.99"));
    ++count;
  }
  out.Line(std::string(82, '-'));
  out.Line("Pozycji: " + std::to_string(count));
  return count;
}

void OfertaHandlowa(session::Session& s) {
  console::Console& con = s.con();
  xbase::WorkArea* as = s.areas().Area(kAsArea);
  if (as == nullptr) {
    console::Okno_(con, "Plik as niedostepny", 3);
    return;
  }
  const bool groups = HasField(*as, "T_W_O_K");
  std::string mag = PadR(Left(s.settings().MagGlow(), 1), 1);
  std::string group(groups ? 8 : 0, ' ');
  const int bottom = groups ? 13 : 12;
  const console::SavedRegion saved = con.Save(9, 20, bottom, 60);
  con.Box(9, 20, bottom, 60, console::DoubleFrame(), con.colours().standard, ' ');
  con.Say(9, 31, " OFERTA HANDLOWA ", con.colours().standard);
  console::Form form(con);
  form.Say(10, 22, "Magazyn :");
  form.GetText(10, 32, mag, "!").Valid([&] {
    if (!IsBlank(mag)) return true;
    console::Okno_(con, "Podaj magazyn", 2);
    return false;
  });
  if (groups) {
    form.Say(11, 22, "Grupa   :");
    form.GetText(11, 32, group, "@!");
    form.Say(11, 42, "puste - wszystkie");
  }
  form.Say(bottom - 1, 22, "Esc - rezygnacja");
  const bool typed = !form.Read().escaped;
  con.Restore(saved);
  if (!typed) return;
  ViewReportOver(s, *as, [&](session::ReportWriter& out) { (void)WriteOffer(s, *as, mag, group, out); });
}

}  // namespace hurt::catalogues
