#include "invoicing/ksef_fa3.h"

#include <array>
#include <cstdio>

#include "base/numeric.h"
#include "base/text.h"

namespace hurt::invoicing {

namespace {

constexpr std::string_view kNamespace = "http://crd.gov.pl/wzor/2025/06/25/13775/";

// The form's rate groups.
enum class Group { k23, k8, k5, k4, k0, kZw, kNp, kNone };

Group GroupOf(std::string_view podatek0) {
  const std::string code = AllTrim(podatek0);
  if (code == "23" || code == "22") return Group::k23;
  if (code == "8" || code == "7") return Group::k8;
  if (code == "5") return Group::k5;
  if (code == "4" || code == "3") return Group::k4;
  if (code == "0" || code == "00") return Group::k0;
  if (code == "ZW" || code == "zw") return Group::kZw;
  if (code == "NP" || code == "np") return Group::kNp;
  return Group::kNone;
}

// P_12 of a line.
std::string RateText(std::string_view podatek0) {
  switch (GroupOf(podatek0)) {
    case Group::k0:
      return "0 KR";
    case Group::kZw:
      return "zw";
    case Group::kNp:
      return "np I";
    case Group::kNone:
      return "";
    default:
      return AllTrim(podatek0);
  }
}

std::string Decimal(double v, int places) {
  v = NewRound(v, places);
  if (v == 0) return "0";
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", places, v);
  std::string s = text;
  if (places > 2) {  // quantities and unit prices: no trailing zeros beyond two places
    while (s.size() > 1 && s.back() == '0' && s.find('.') != std::string::npos && s.size() - s.find('.') > 3) s.pop_back();
  }
  return s;
}

std::string Amount(double v) { return Decimal(v, 2); }

class Xml {
 public:
  void Open(std::string_view tag, std::string_view attributes = {}) {
    Indent();
    out_ += "<" + std::string(tag) + (attributes.empty() ? "" : " " + std::string(attributes)) + ">\n";
    ++depth_;
  }
  void Close(std::string_view tag) {
    --depth_;
    Indent();
    out_ += "</" + std::string(tag) + ">\n";
  }
  void Leaf(std::string_view tag, std::string_view value, std::string_view attributes = {}) {
    Indent();
    out_ += "<" + std::string(tag) + (attributes.empty() ? "" : " " + std::string(attributes)) + ">" + XmlEscape(value) + "</" +
            std::string(tag) + ">\n";
  }
  std::string Take() { return std::move(out_); }

 private:
  void Indent() { out_.append(static_cast<size_t>(depth_) * 2, ' '); }
  std::string out_ = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  int depth_ = 0;
};

std::string Digits(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c >= '0' && c <= '9') out += c;
  }
  return out;
}

void Address(Xml& x, const Fa3Party& p) {
  x.Open("Adres");
  x.Leaf("KodKraju", p.kod_kraju.empty() ? "PL" : p.kod_kraju);
  x.Leaf("AdresL1", p.adres_l1.empty() ? "-" : p.adres_l1);
  if (!p.adres_l2.empty()) x.Leaf("AdresL2", p.adres_l2);
  x.Close("Adres");
}

void RateGroups(Xml& x, const Fa3Invoice& inv) {
  std::array<double, 7> net{}, vat{};
  for (const Fa3Rate& r : inv.rates) {
    const Group g = GroupOf(r.podatek0);
    if (g == Group::kNone) continue;
    net[static_cast<size_t>(g)] += r.netto;
    vat[static_cast<size_t>(g)] += r.vat;
  }
  const auto pair = [&](Group g, std::string_view n, std::string_view v) {
    const size_t i = static_cast<size_t>(g);
    if (NewRound(net[i], 2) == 0 && NewRound(vat[i], 2) == 0) return;
    x.Leaf(n, Amount(net[i]));
    x.Leaf(v, Amount(vat[i]));
  };
  pair(Group::k23, "P_13_1", "P_14_1");
  pair(Group::k8, "P_13_2", "P_14_2");
  pair(Group::k5, "P_13_3", "P_14_3");
  pair(Group::k4, "P_13_4", "P_14_4");
  for (const auto& [g, tag] : {std::pair{Group::k0, "P_13_6_1"}, std::pair{Group::kZw, "P_13_7"}, std::pair{Group::kNp, "P_13_8"}}) {
    const size_t i = static_cast<size_t>(g);
    if (NewRound(net[i], 2) != 0) x.Leaf(tag, Amount(net[i]));
  }
}

bool HasExempt(const Fa3Invoice& inv) {
  for (const Fa3Line& l : inv.lines) {
    if (GroupOf(l.podatek0) == Group::kZw) return true;
  }
  return false;
}

}  // namespace

std::string XmlDate(JulianDay d) {
  const Ymd y = YmdFromJulian(d);
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", y.year, y.month, y.day);
  return text;
}

std::string BuildFa3(const Fa3Invoice& inv) {
  Xml x;
  x.Open("Faktura", "xmlns=\"" + std::string(kNamespace) + "\"");
  x.Open("Naglowek");
  x.Leaf("KodFormularza", "FA", "kodSystemowy=\"FA (3)\" wersjaSchemy=\"1-0E\"");
  x.Leaf("WariantFormularza", "3");
  x.Leaf("DataWytworzeniaFa", inv.wytworzono);
  x.Leaf("SystemInfo", "hurt");
  x.Close("Naglowek");

  x.Open("Podmiot1");
  x.Open("DaneIdentyfikacyjne");
  x.Leaf("NIP", Digits(inv.sprzedawca.nip));
  x.Leaf("Nazwa", inv.sprzedawca.nazwa);
  x.Close("DaneIdentyfikacyjne");
  Address(x, inv.sprzedawca);
  x.Close("Podmiot1");

  x.Open("Podmiot2");
  x.Open("DaneIdentyfikacyjne");
  const std::string buyer_nip = Digits(inv.nabywca.nip);
  if (buyer_nip.size() == 10) {
    x.Leaf("NIP", buyer_nip);
  } else {
    x.Leaf("BrakID", "1");
  }
  if (!inv.nabywca.nazwa.empty()) x.Leaf("Nazwa", inv.nabywca.nazwa);
  x.Close("DaneIdentyfikacyjne");
  if (!inv.nabywca.adres_l1.empty()) Address(x, inv.nabywca);
  x.Leaf("JST", "2");
  x.Leaf("GV", "2");
  x.Close("Podmiot2");

  x.Open("Fa");
  x.Leaf("KodWaluty", inv.waluta.empty() ? "PLN" : inv.waluta);
  x.Leaf("P_1", XmlDate(inv.data));
  if (!inv.miejsce.empty()) x.Leaf("P_1M", inv.miejsce);
  x.Leaf("P_2", inv.numer);
  if (inv.data_sprzedazy != kEmptyDate && inv.data_sprzedazy != inv.data) x.Leaf("P_6", XmlDate(inv.data_sprzedazy));
  RateGroups(x, inv);
  x.Leaf("P_15", Amount(inv.brutto));
  if (inv.waluta != "PLN" && !inv.waluta.empty() && inv.kurs > 0) x.Leaf("KursWalutyZ", Decimal(inv.kurs, 6));
  x.Open("Adnotacje");
  x.Leaf("P_16", "2");
  x.Leaf("P_17", "2");
  x.Leaf("P_18", "2");
  x.Leaf("P_18A", inv.mpp ? "1" : "2");
  x.Open("Zwolnienie");
  if (HasExempt(inv)) {
    x.Leaf("P_19", "1");
    x.Leaf("P_19A", inv.zwolnienie);
  } else {
    x.Leaf("P_19N", "1");
  }
  x.Close("Zwolnienie");
  x.Open("NoweSrodkiTransportu");
  x.Leaf("P_22N", "1");
  x.Close("NoweSrodkiTransportu");
  x.Leaf("P_23", "2");
  x.Open("PMarzy");
  x.Leaf("P_PMarzyN", "1");
  x.Close("PMarzy");
  x.Close("Adnotacje");
  x.Leaf("RodzajFaktury", inv.korekta ? "KOR" : "VAT");
  if (inv.korekta) {
    if (!inv.przyczyna.empty()) x.Leaf("PrzyczynaKorekty", inv.przyczyna);
    x.Open("DaneFaKorygowanej");
    x.Leaf("DataWystFaKorygowanej", XmlDate(inv.data_korygowanej));
    x.Leaf("NrFaKorygowanej", inv.nr_korygowanej);
    if (inv.ksef_korygowanej.empty()) {
      x.Leaf("NrKSeFN", "1");
    } else {
      x.Leaf("NrKSeF", "1");
      x.Leaf("NrKSeFFaKorygowanej", inv.ksef_korygowanej);
    }
    x.Close("DaneFaKorygowanej");
  }
  if (inv.fp) x.Leaf("FP", "1");
  if (inv.tp) x.Leaf("TP", "1");
  int nr = 0;
  for (const Fa3Line& l : inv.lines) {
    x.Open("FaWiersz");
    x.Leaf("NrWierszaFa", std::to_string(++nr));
    if (!l.nazwa.empty()) x.Leaf("P_7", l.nazwa);
    if (!l.indeks.empty()) x.Leaf("Indeks", l.indeks);
    if (!l.jm.empty()) x.Leaf("P_8A", l.jm);
    x.Leaf("P_8B", Decimal(l.ilosc, 6));
    x.Leaf("P_9A", Decimal(l.cena_netto, 6));
    x.Leaf("P_11", Amount(l.wartosc_netto));
    const std::string rate = RateText(l.podatek0);
    if (!rate.empty()) x.Leaf("P_12", rate);
    if (l.gtu >= 1 && l.gtu <= 13) x.Leaf("GTU", std::string("GTU_") + (l.gtu < 10 ? "0" : "") + std::to_string(l.gtu));
    x.Close("FaWiersz");
  }
  const std::string spz = AllTrim(inv.spz);
  const bool cash = spz == "G", card = spz == "C", transfer = spz == "P" || spz == "T";
  if (cash || card || transfer || inv.termin != kEmptyDate) {
    x.Open("Platnosc");
    if (cash || card) {
      x.Leaf("Zaplacono", "1");
      x.Leaf("DataZaplaty", XmlDate(inv.data));
    } else if (inv.termin != kEmptyDate) {
      x.Open("TerminPlatnosci");
      x.Leaf("Termin", XmlDate(inv.termin));
      x.Close("TerminPlatnosci");
    }
    if (cash) x.Leaf("FormaPlatnosci", "1");
    if (card) x.Leaf("FormaPlatnosci", "2");
    if (transfer) x.Leaf("FormaPlatnosci", "6");
    const std::string account = Digits(inv.rachunek);
    if (transfer && account.size() >= 10 && account.size() <= 34) {
      x.Open("RachunekBankowy");
      x.Leaf("NrRB", account);
      x.Close("RachunekBankowy");
    }
    x.Close("Platnosc");
  }
  x.Close("Fa");
  x.Close("Faktura");
  return x.Take();
}

}  // namespace hurt::invoicing
