// Sample documents for the printout tests: a company, a customer, a net invoice with
// every kind of rate, a correction of it, and line builders.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/cp852.h"
#include "base/date.h"
#include "base/numeric.h"
#include "documents/vat_rate.h"
#include "invoicing/print_data.h"
#include "invoicing/printer_codes.h"

namespace hurt::invoicing::samples {

inline std::string Pl(std::string_view utf8) { return Utf8ToCp852(utf8); }

// A printed text as it reads on paper, in UTF-8: overstruck letters merged back into the
// letter they make. Other bytes are kept.
inline std::string OnPaper(std::string_view printed) {
  static const char* const kLetters[] = {"ą", "ę", "ć", "ś", "ó", "ł", "Ą", "Ę", "Ć", "Ś", "Ó", "Ł"};
  std::string cp852;
  for (size_t i = 0; i < printed.size(); ++i) {
    bool merged = false;
    if (i + 2 < printed.size() && printed[i + 1] == '\b') {
      for (const char* letter : kLetters) {
        std::string one = Pl(letter);
        if (Overstrike(one) == printed.substr(i, 3)) {
          cp852 += one;
          i += 2;
          merged = true;
          break;
        }
      }
    }
    if (!merged) cp852 += printed[i];
  }
  return Cp852ToUtf8(cp852);
}

// A line with its money as the line arithmetic leaves it.
inline InvoiceLine Line(std::string_view nazwa_utf8, std::string_view jm, double ilosc, double cena,
                        std::string_view podatek0, char nb = 'N') {
  InvoiceLine l;
  l.nazwa = Pl(nazwa_utf8);
  l.jm = Pl(jm);
  l.ilosc = ilosc;
  l.cena = cena;
  l.podatek0 = std::string(podatek0);
  double rate = documents::RateOfCode(podatek0);
  double value = NewRound(ilosc * cena, 2);
  if (nb == 'B') {
    l.brutto = value;
    l.podatek = NewRound(value * rate / (rate + 100), 2);
    l.wartosc = value;
  } else {
    l.wartosc = value;
    l.podatek = NewRound(value * rate / 100, 2);
    l.brutto = NewRound(l.wartosc + l.podatek, 2);
  }
  return l;
}

inline Seller SampleSeller() {
  Seller s;
  s.nodb = Pl("HURTOWNIA SPOŻYWCZA");
  s.nodb1 = Pl("ZŁOTY KŁOS Sp. z o.o.");
  s.uodb = Pl("Zbożowa 7");
  s.kodb = "31-123";
  s.modb = Pl("Kraków");
  s.regon = "676-000-11-22";
  s.nip_kraj = "PL";
  s.tel = "12 345 67 89";
  s.bdo = "000012345";
  s.bodb[0] = "PKO BP S.A.";
  s.nrbo[0] = "12 1020 2892 0000 5102 0123 4567";
  return s;
}

inline Buyer SampleBuyer() {
  Buyer b;
  b.odb = "KOWAL   ";
  b.nodb = Pl("Sklep Spożywczy \"Pod Lipą\"");
  b.nodb1 = "Jan Kowalski";
  b.uodb = "Ogrodowa 12";
  b.kodb = "30-001";
  b.modb = Pl("Kraków");
  b.regon = "677-123-45-67";
  return b;
}

inline documents::DocKind InvoiceKind() {
  documents::DocKind k;
  k.rd = "FV ";
  k.opis = "FAKTURA VAT";
  k.r_p = 'R';
  k.s_z = 'S';
  k.nb = 'N';
  return k;
}

inline documents::DocKind CorrectionKind() {
  documents::DocKind k;
  k.rd = "FVK";
  k.opis = "KOREKTA FAKTURY VAT";
  k.r_p = 'K';
  k.s_z = 'S';
  k.nb = 'N';
  return k;
}

inline PrintSettings SampleSettings() {
  PrintSettings s;
  s.j_zer_nrd = true;
  s.j_fv_symbo = "KR  ";
  s.j_oryginal = 'O';
  s.j_pkwiu = true;
  s.j_papier = 4;
  s.m_drukarka = "EPSON";
  s.m_nazwisko = "Anna Nowak";
  s.j_st_tekst = "Towar nie podlega reklamacji po 7 dniach od dostawy";
  return s;
}

// The net invoice of the golden file: every rate kind, a fractional quantity, a name
// continuation and a remark.
inline InvoiceData NetInvoice() {
  InvoiceData d;
  d.kind = InvoiceKind();
  d.seller = SampleSeller();
  d.buyer = SampleBuyer();
  d.settings = SampleSettings();
  InvoiceHeader& h = d.header;
  h.rd = "FV ";
  h.nrd = "     125";
  h.data = JulianFromYmd(2026, 12, 7);
  h.data_wyd = JulianFromYmd(2026, 12, 5);
  h.odb = "KOWAL   ";
  h.nodb = d.buyer.nodb;
  h.nodb1 = d.buyer.nodb1;
  h.uodb = d.buyer.uodb;
  h.kodb = d.buyer.kodb;
  h.modb = d.buyer.modb;
  h.regon = d.buyer.regon;
  h.spz = 'P';
  h.tez = 14;

  auto add = [&](InvoiceLine l, std::string_view pkwiu, std::string_view indeks) {
    l.pkwiu = std::string(pkwiu);
    l.indeks = std::string(indeks);
    l.lp = Str(static_cast<double>(d.lines.size() + 1), 3, 0);
    d.lines.push_back(std::move(l));
  };
  add(Line("Mąka pszenna typ 650 1kg", "szt", 120, 2.35, " 5"), "10.61.21.0", "MAKA650");
  add(Line("Kawa mielona 250g", "szt", 24, 12.49, "23"), "10.83.11.0", "KAWA250");
  InvoiceLine ser = Line("Ser żółty Gouda", "kg", 12.345, 24.90, " 5");
  ser.uwagi = Pl("partia 2611/04, termin 20.01.2027");
  add(ser, "10.51.40.0", "SERGOU");
  InvoiceLine woda = Line("Woda mineralna niegazowana", "szt", 60, 1.29, " 8");
  woda.nazwa1 = "1,5l zgrzewka";
  add(woda, "11.07.11.0", "WODA15");
  add(Line("Usługa transportowa", "usł", 1, 150, "23"), "49.41.19.0", "TRANSP");
  add(Line("Szkolenie BHP", "godz", 4, 50, "ZW"), "85.59.13.0", "SZKOL");
  add(Line("Pośrednictwo handlowe (UE)", "usł", 1, 500, "NP"), "", "POSRED");
  add(Line("Torba papierowa (gratis)", "szt", 10, 0, " 0"), "", "TORBA");
  return d;
}

// The correction of the invoice above: ten bags of flour returned, a price cut on coffee.
inline InvoiceData Correction() {
  InvoiceData d = NetInvoice();
  d.kind = CorrectionKind();
  InvoiceHeader& h = d.header;
  h.rd = "FVK";
  h.nrd = "       7";
  h.data = JulianFromYmd(2026, 12, 15);
  h.data_wyd = 0;
  h.data_fa = JulianFromYmd(2026, 12, 7);
  h.odbiorca = "125 z dnia 07.12.2026";
  d.lines.clear();
  InvoiceLine maka = Line("Mąka pszenna typ 650 1kg", "szt", -10, 2.35, " 5");
  maka.pkwiu = "10.61.21.0";
  maka.uwagi = Pl("zwrot: opakowania uszkodzone");
  d.lines.push_back(maka);
  InvoiceLine kawa = Line("Kawa mielona 250g", "szt", 24, -0.50, "23");
  kawa.pkwiu = "10.83.11.0";
  kawa.uwagi = Pl("obniżka ceny z 12,49 na 11,99");
  d.lines.push_back(kawa);
  return d;
}

}  // namespace hurt::invoicing::samples
