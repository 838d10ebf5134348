#include "invoicing/edi_orders.h"

#include "base/text.h"

namespace hurt::invoicing {

using edi::Value;

namespace {

void AddNad(edi::SegmentList& out, std::string_view role, std::string_view gln) {
  if (!AllTrim(gln).empty()) out.Add("NAD+" + std::string(role) + "+" + Value(gln) + "::9");
}

// The free texts as components, the empty ones at the end left out.
std::string FreeTexts(const std::array<std::string, 5>& teksty) {
  size_t last = 0;
  for (size_t i = 0; i < teksty.size(); ++i) {
    if (!AllTrim(teksty[i]).empty()) last = i + 1;
  }
  std::string out;
  for (size_t i = 0; i < last; ++i) {
    if (i > 0) out += ":";
    out += Value(teksty[i], 70);
  }
  return out;
}

}  // namespace

edi::SegmentList OrdersSegments(const EdiZamowienie& z, const edi::EdiDate& teraz) {
  edi::SegmentList out;
  const std::string nr = Value(z.nr_komunikatu);
  const std::string ref = AllTrim(z.referencja).empty() ? nr : Value(z.referencja);
  const std::string stamp = teraz.digits.size() == 12 ? teraz.digits : std::string(12, '0');
  out.Add("UNB+UNOC:2+" + Value(z.nadawca) + ":14+" + Value(z.odbiorca) + ":14+" + stamp.substr(2, 6) + ":" +
          stamp.substr(8, 4) + "+" + ref);
  const size_t unh = out.size();
  out.Add("UNH+" + nr + "+ORDERS:D:96A:UN:EAN008");
  out.Add("BGM+220:::1+" + Value(z.nr_zamowienia) + "+9");
  if (z.data.IsSet()) out.Add(edi::Dtm("137", z.data));
  if (z.data_dostawy.IsSet()) out.Add(edi::Dtm("2", z.data_dostawy));
  const std::string texts = FreeTexts(z.teksty);
  if (!texts.empty()) out.Add("FTX+DIN+++" + texts);
  if (!AllTrim(z.promocja).empty()) out.Add("RFF+PD:" + Value(z.promocja));

  if (!AllTrim(z.gln_dostawcy).empty()) {
    AddNad(out, "SU", z.gln_dostawcy);
    if (!AllTrim(z.konto_dostawcy).empty()) out.Add("FII+RB+" + Value(z.konto_dostawcy));
    if (!AllTrim(z.nip_dostawcy).empty()) out.Add("RFF+VA:" + Value(z.nip_dostawcy));
  }
  AddNad(out, "SF", z.gln_wysylki);
  if (!AllTrim(z.gln_nabywcy).empty()) {
    AddNad(out, "BY", z.gln_nabywcy);
    if (!AllTrim(z.konto_nabywcy).empty()) out.Add("FII+PB+" + Value(z.konto_nabywcy));
    if (!AllTrim(z.nip_nabywcy).empty()) out.Add("RFF+VA:" + Value(z.nip_nabywcy));
    if (!AllTrim(z.kontakt).empty() || !AllTrim(z.telefon).empty()) {
      out.Add("CTA+OC+:" + Value(z.kontakt));
      if (!AllTrim(z.telefon).empty()) out.Add("COM+" + Value(z.telefon) + ":TE");
    }
  }
  AddNad(out, "DP", z.gln_dostawy);
  AddNad(out, "IV", z.gln_faktury);
  if (!AllTrim(z.waluta).empty()) out.Add("CUX+2:" + Value(z.waluta) + ":9");

  edi::Ilosc razem;
  int n = 0;
  for (const EdiPozycjaZamowienia& p : z.pozycje) {
    ++n;
    razem += p.ilosc;
    out.Add("LIN+" + std::to_string(n) + (AllTrim(p.ean).empty() ? std::string() : "++" + Value(p.ean) + ":EN"));
    if (!AllTrim(p.nr_nabywcy).empty()) out.Add("PIA+1+" + Value(p.nr_nabywcy) + ":BP::92");
    if (!AllTrim(p.nazwa).empty() || !AllTrim(p.nazwa2).empty()) {
      std::string imd = "IMD+B++:::" + Value(p.nazwa);
      if (!AllTrim(p.nazwa2).empty()) imd += ":" + Value(p.nazwa2);
      out.Add(imd);
    }
    out.Add("QTY+21:" + p.ilosc.Trimmed() + (AllTrim(p.jm).empty() ? std::string() : ":" + Value(p.jm, 3)));
    if (!p.cena.IsZero()) out.Add("PRI+AAA:" + edi::PriceText(p.cena));
  }
  out.Add("UNS+S");
  out.Add("CNT+1:" + razem.Trimmed());
  out.Add("CNT+2:" + std::to_string(n));
  out.Add("UNT+" + std::to_string(out.size() - unh + 1) + "+" + nr);
  out.Add("UNZ+1+" + ref);
  return out;
}

std::string OrdersText(const EdiZamowienie& z, const edi::EdiDate& teraz) {
  return std::string(edi::kServiceString) + "\r\n" + OrdersSegments(z, teraz).Text();
}

}  // namespace hurt::invoicing
