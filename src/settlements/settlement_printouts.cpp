#include "settlements/settlement_printouts.h"

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/printed_text.h"
#include "base/slownie.h"
#include "base/text.h"
#include "session/helpers.h"
#include "session/output/report_file.h"
#include "session/session.h"
#include "session/viewer.h"
#include "settlements/firm_and_party.h"

namespace hurt::settlements {

using namespace hurt::literals;

namespace {

std::string Money(double v) { return TransformNumber(NewRound(v, 2), "999999999.99"); }

std::string Rule() { return std::string(78, '-'); }

std::string DateText(JulianDay d) { return d == kEmptyDate ? std::string("  .  .    ") : Dtoc(d); }

}  // namespace

std::vector<std::string> CompensationNoteLines(const FirmLines& firm, std::string_view odb, std::string_view nazwa,
                                               const std::vector<OpenItem>& marked, JulianDay today) {
  std::vector<std::string> out;
  for (const std::string& l : firm.lines) out.push_back(l);
  out.push_back(PadL(std::string("dnia ") + Dtoc(today), 78));
  out.push_back("");
  out.push_back(session::Centruj("NOTA KOMPENSACYJNA"));
  out.push_back("");
  out.push_back("Kontrahent: " + AllTrim(odb) + "  " + AllTrim(nazwa));
  out.push_back("");
  out.push_back("Dowod          Data        Tresc               Naleznosci   Zobowiazania");
  out.push_back(Rule());
  double wn = 0, ma = 0;
  for (const OpenItem& i : marked) {
    wn += i.HomeWn();
    ma += i.HomeMa();
    out.push_back(PadR(AllTrim(i.rd) + "-" + AllTrim(i.nrd), 14) + " " + DateText(i.data) + "  " +
                  PadR(Left(AllTrim(i.tresc), 17), 17) + " " + Money(i.HomeWn()) + "   " + Money(i.HomeMa()));
  }
  out.push_back(Rule());
  out.push_back(PadR("Razem:", 48) + Money(wn) + "   " + Money(ma));
  const double roznica = NewRound(wn - ma, 2);
  out.push_back(PadR("Kompensata:", 48) + Money(std::min(wn, ma)));
  out.push_back(PadR(roznica >= 0 ? "Pozostaje do zaplaty na nasza rzecz (KO):" : "Pozostaje do zaplaty przez nas (KO):", 48) +
                Money(roznica >= 0 ? roznica : -roznica));
  out.push_back("");
  out.push_back(OverstrikeLAndAcute("Słownie: "_pl) + OverstrikeLAndAcute(SlownieKwoty(roznica >= 0 ? roznica : -roznica)));
  out.push_back("");
  out.push_back("");
  out.push_back("      ....................                          ....................");
  out.push_back("         wystawil                                       zatwierdzil");
  return out;
}

std::vector<std::string> TransferOrderLines(const TransferOrder& order, bool deposit_slip) {
  std::vector<std::string> out;
  out.push_back(session::Centruj(deposit_slip ? "BANKOWY DOWOD WPLATY" : "POLECENIE PRZELEWU"));
  out.push_back(PadL("dnia " + DateText(order.data), 78));
  out.push_back(Rule());
  out.push_back("Nazwa odbiorcy       : " + AllTrim(order.o_nodb));
  if (!IsBlank(order.o_nodb1)) out.push_back("                       " + AllTrim(order.o_nodb1));
  out.push_back("Rachunek odbiorcy    : " + AllTrim(order.o_konto));
  out.push_back(Rule());
  out.push_back("Kwota                : " + AllTrim(Money(order.kwota)) + " " +
                (order.waluta.empty() ? std::string("PLN") : order.waluta));
  out.push_back(OverstrikeLAndAcute("Słownie              : "_pl) + OverstrikeLAndAcute(SlownieKwoty(order.kwota, order.waluta)));
  out.push_back(Rule());
  out.push_back((deposit_slip ? "Wplacajacy           : " : "Zleceniodawca        : ") + AllTrim(order.z_nodb));
  if (!IsBlank(order.z_nodb1)) out.push_back("                       " + AllTrim(order.z_nodb1));
  if (!deposit_slip) out.push_back("Rachunek zleceniod.  : " + AllTrim(order.z_konto));
  out.push_back("Tytulem              : " + AllTrim(order.tytul));
  out.push_back(Rule());
  out.push_back("");
  out.push_back("                                                    ....................");
  out.push_back("                                                         podpis");
  return out;
}

FirmLines FirmOf(session::Session& s) {
  const Firm firm = ReadFirm(s);
  FirmLines f;
  for (const std::string& name : {firm.nodb, firm.nodb1}) {
    if (!IsBlank(name)) f.lines.push_back(AllTrim(name));
  }
  const std::string adres = AllTrim(AllTrim(firm.kodb + " " + firm.modb) + " " + AllTrim(firm.uodb));
  if (!adres.empty()) f.lines.push_back(adres);
  if (!IsBlank(firm.regon)) f.lines.push_back("NIP: " + AllTrim(firm.regon));
  return f;
}

void PrintLines(session::Session& s, const std::vector<std::string>& lines) {
  session::ViewDruk(s, [&lines](session::ReportWriter& out) {
    for (const std::string& l : lines) out.Line(l);
  });
}

}  // namespace hurt::settlements
