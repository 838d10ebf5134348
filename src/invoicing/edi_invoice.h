// The invoice as an EDIFACT INVOIC message (EANCOM INVOIC D.96A, EAN008): the model the
// builder operations fill (EISTART … EISTOP) and the writer that turns it into the text of
// one interchange. Pure: no table, file or clock is touched here; texts are code page 852
// and are made safe for the syntax by edi_syntax.h when written.
//
// Calling order, as the invoice routine calls them:
//   EiStart (message number, invoice number, date; empties the model)
//   EiDocZam, EiDocDost, EiDostawca, EiNabywca, EiMsDostawy, EiPlatnik, EiOdbiorca,
//   EiWaluta, EiPlatnosc
//   per line: EiPozycja, EiPozOpis, EiPozCena, and optionally EiPozDocDost, EiPozDocZam,
//             EiPozMsDost
//   EiSuma, EiDoPliku (the text of the interchange), EiStop.
// Unset optional values are not written. A line of quantity 0 is kept in the model but is
// neither written nor counted.
//
// The message, one segment a line (each ending with "'"):
//   1. UNB+UNOC:2+<buyer GLN>:14+<supplier GLN>:14+<YYMMDD>:<HHMM>+1
//        (YYMMDD: the last six digits of the invoice date; HHMM: the time of writing)
//   2. UNH+<message number>+INVOIC:D:96A:UN:EAN008, BGM+380+<invoice number>+9,
//      DTM+137:<invoice date>:102, DTM+35:<delivery date>:102 when set
//   3. RFF+ON:<order> and DTM+171:<order date>:102 when an order is set;
//      RFF+DQ:<delivery note> when a delivery note is set
//   4. NAD+SU+<GLN>::9, FII+RB+<account> when set, RFF+VA:<tax number>;
//      NAD+BY+<GLN>::9, FII+PB+<account> when set, RFF+VA:<tax number>;
//      RFF+API:<identifier at the buyer> when set; NAD+DP+<GLN>::9 when set;
//      with a payer: NAD+PL+<GLN>::9, FII+PL+<account>::9, RFF+VA:<tax number>;
//      with an invoicee: NAD+IV+<GLN>::9, FII+IV+<account>::9, RFF+VA:<tax number>
//   5. CUX+2:<currency>:4; PAT+1++5:3:D:0 and DTM+13:<invoice date + payment days>:102
//   6. per written line n (from 1): LIN+<n>++<EAN>:EN; PIA+1+<buyer's number>:BP,
//      PIA+1+<supplier's number>:SA, PIA+1+<PKWiU>:GN when set; IMD+C++<description
//      type>::9 when set (CU consumer unit, RC returnable container); QTY+47:<quantity>;
//      MOA+66:<net>::4; PRI+AAA:<unit price>; the line's own delivery note and order when
//      the header has none (RFF+DQ, RFF+ON, each with DTM+171); TAX+7+VAT+++:::<rate>+S;
//      MOA+124:<VAT>; NAD+DP+<GLN>::9 for the line's own delivery point
//   7. UNS+S, CNT+2:<written lines>, MOA+77:<gross>, MOA+79:<net>, MOA+124:<VAT>,
//      MOA+125:<taxable>
//   8. per VAT rate, in order of first appearance: TAX+7+VAT+++:::<rate>+S,
//      MOA+79:<net>, MOA+124:<VAT>, TAX+7+VAT+++:::<rate>+S, MOA+125:<taxable>
//   9. UNT+<segments from UNH to UNT inclusive>+<message number>; UNZ+1+1
// Amounts have 2 decimals and no padding; quantities up to 3 decimals, trailing zeros
// cut; unit prices 2 decimals when the third and fourth are "00", else 4; rates as they
// read ("23", "8", "-1" for an exempt rate).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "invoicing/edi_syntax.h"

namespace hurt::invoicing {

// A party of the message: its GLN, tax number, account and the supplier's identifier at
// the buyer (only the supplier has one).
struct EdiStrona {
  std::string gln;
  std::string nip;
  std::string konto;
  std::string id_u_nabywcy;
  bool IsSet() const { return !gln.empty(); }
};

// A referenced document: its number and date.
struct EdiDokument {
  std::string numer;
  edi::EdiDate data;
  bool IsSet() const { return !numer.empty(); }
};

struct EdiPozycjaFaktury {
  std::string ean;           // the article's EAN (KOD13)
  std::string nr_nabywcy;    // the buyer's article number
  std::string nr_dostawcy;   // the supplier's article number
  std::string pkwiu;         // PKWiU classification
  edi::Ilosc opakowanie = edi::Ilosc::Units(1000);  // pack size, at least 1
  std::string opis_typ;      // description type: "CU", "RC", or empty
  std::string nazwa, nazwa2;
  edi::Ilosc ilosc;
  edi::CenaJedn cena;
  edi::Stawka stawka;        // VAT rate; -1 exempt
  edi::Kwota netto;
  edi::Kwota vat;
  EdiDokument wz;            // the line's own delivery note
  EdiDokument zamowienie;    // the line's own order
  std::string ms_dostawy;    // the line's own delivery point GLN
  bool Written() const { return !ilosc.IsZero(); }
};

struct EdiGrupaVat {
  edi::Stawka stawka;
  edi::Kwota netto, vat, podstawa;
};

struct EdiFaktura {
  std::string nr_komunikatu;
  std::string nr_faktury;
  edi::EdiDate data;            // the invoice date
  edi::EdiDate data_dostawy;
  EdiDokument zamowienie;
  EdiDokument wz;               // the delivery note
  EdiStrona dostawca, nabywca, platnik, odbiorca;
  std::string ms_dostawy;       // the delivery point GLN
  std::string waluta;
  int dni_platnosci = 0;
  bool platnosc = false;        // EiPlatnosc was called
  std::vector<EdiPozycjaFaktury> pozycje;
  // EiSuma: the rates in order of first appearance and the totals, over written lines.
  std::vector<EdiGrupaVat> grupy;
  edi::Kwota netto, vat, brutto, podstawa;
};

// The builder: each operation sets its part of the model.
class EdiInvoiceBuilder {
 public:
  // EISTART: empties the model.
  void EiStart(std::string_view nr_komunikatu, std::string_view nr_faktury, edi::EdiDate data);
  // EIDOCZAM: the order.
  void EiDocZam(std::string_view numer, edi::EdiDate data);
  // EIDOCDOST: the delivery note and the delivery date.
  void EiDocDost(std::string_view numer, edi::EdiDate data, edi::EdiDate data_dostawy);
  // EIDOSTAWCA, EINABYWCA, EIPLATNIK, EIODBIORCA: the parties.
  void EiDostawca(std::string_view gln, std::string_view nip, std::string_view konto, std::string_view id_u_nabywcy);
  void EiNabywca(std::string_view gln, std::string_view nip, std::string_view konto);
  void EiPlatnik(std::string_view gln, std::string_view nip, std::string_view konto);
  void EiOdbiorca(std::string_view gln, std::string_view nip, std::string_view konto);
  // EIMSDOSTAWY: the delivery point.
  void EiMsDostawy(std::string_view gln);
  // EIWALUTA, EIPLATNOSC.
  void EiWaluta(std::string_view waluta);
  void EiPlatnosc(int dni);
  // EIPOZYCJA: a new line; a pack size of 1 or less is 1.
  void EiPozycja(std::string_view ean, std::string_view nr_nabywcy, std::string_view nr_dostawcy,
                 std::string_view pkwiu, edi::Ilosc opakowanie);
  // EIPOZOPIS: the line's description type and names.
  void EiPozOpis(std::string_view typ, std::string_view nazwa, std::string_view nazwa2);
  // EIPOZCENA: quantity, unit price and rate; a missing net value is round(quantity ×
  // price, 2), a missing VAT round(net × rate / 100, 2) (0 for a negative rate).
  void EiPozCena(edi::Ilosc ilosc, edi::CenaJedn cena, edi::Stawka stawka, std::optional<edi::Kwota> netto = {},
                 std::optional<edi::Kwota> vat = {});
  // EIPOZDOCDOST, EIPOZDOCZAM, EIPOZMSDOST: the line's own references.
  void EiPozDocDost(std::string_view numer, edi::EdiDate data);
  void EiPozDocZam(std::string_view numer, edi::EdiDate data);
  void EiPozMsDost(std::string_view gln);
  // EISUMA: the VAT groups and the totals of the written lines.
  void EiSuma();
  // EIDOPLIKU: the interchange, written at `hhmm` (the time of day, 4 digits).
  std::string EiDoPliku(std::string_view hhmm) const;
  // EISTOP: the model is done with (emptied).
  void EiStop();

  const EdiFaktura& model() const { return f_; }

 private:
  EdiPozycjaFaktury& Current();
  EdiFaktura f_;
};

// The segments of the message (UNB … UNZ) for a summed model.
edi::SegmentList InvoicSegments(const EdiFaktura& f, std::string_view hhmm);

}  // namespace hurt::invoicing
