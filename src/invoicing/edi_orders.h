// A supplier order as an EDIFACT ORDERS message (EANCOM ORDERS D.96A, EAN008): the model
// the order grid fills and the writer of the interchange. Pure: no table, file or clock is
// touched here (the message number comes from PobierzNumerZamowienia, edi_tables.h).
//
// The interchange, one segment a line (each ending with "'"):
//   UNA:+.? '   (the service string: the separators this message uses)
//   UNB+UNOC:2+<sender>:14+<recipient>:14+<YYMMDD>:<HHMM>+<reference>
//   UNH+<number>+ORDERS:D:96A:UN:EAN008
//   BGM+220:::1+<order number>+9
//   DTM+137:<order date>:102, DTM+2:<delivery date>:102
//   FTX+DIN+++<text 1>:<text 2>:<text 3>:<text 4>:<text 5>   when any text is set
//   RFF+PD:<promotion>                                       when set
//   NAD+SU+<GLN>::9, FII+RB+<account>, RFF+VA:<tax number>
//   NAD+SF+<GLN>::9
//   NAD+BY+<GLN>::9, FII+PB+<account>, RFF+VA:<tax number>, CTA+OC+:<contact>,
//     COM+<phone>:TE
//   NAD+DP+<GLN>::9, NAD+IV+<GLN>::9
//   CUX+2:<currency>:9
//   per line n: LIN+<n>++<EAN>:EN, PIA+1+<number>:BP::92, IMD+B++:::<name>:<name 2>,
//     QTY+21:<quantity>:<unit>, PRI+AAA:<price>
//   UNS+S, CNT+1:<total quantity>, CNT+2:<lines>
//   UNT+<segments from UNH to UNT inclusive>+<number>, UNZ+1+<reference>
// Unset optional values are not written; a party without a GLN is left out. The contact's
// phone goes into its own COM segment: the contact composite of D.96A has room for the
// department and the name only.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "invoicing/edi_syntax.h"

namespace hurt::invoicing {

struct EdiPozycjaZamowienia {
  std::string ean;
  std::string nr_nabywcy;  // our article number at the supplier's
  std::string nazwa, nazwa2;
  edi::Ilosc ilosc;
  std::string jm;          // unit of measure
  edi::CenaJedn cena;      // 0: no price
};

struct EdiZamowienie {
  std::string nadawca;      // ORD_ODB: the sender of the interchange
  std::string odbiorca;     // ORD_NAD: its recipient
  std::string referencja;   // the interchange reference ("" = the message number)
  std::string nr_komunikatu;
  std::string nr_zamowienia;
  edi::EdiDate data;
  edi::EdiDate data_dostawy;
  std::array<std::string, 5> teksty;  // the free texts
  std::string promocja;
  std::string gln_dostawcy, konto_dostawcy, nip_dostawcy;       // NAD_SU
  std::string gln_wysylki;                                      // NAD_SF
  std::string gln_nabywcy, konto_nabywcy, nip_nabywcy;          // NAD_BY
  std::string kontakt, telefon;
  std::string gln_dostawy;                                      // NAD_DP
  std::string gln_faktury;                                      // NAD_IV
  std::string waluta = "PLN";                                   // CUX_2
  std::vector<EdiPozycjaZamowienia> pozycje;
};

// The segments of the interchange (UNB … UNZ), written at `teraz` (date and time,
// CCYYMMDDHHMM).
edi::SegmentList OrdersSegments(const EdiZamowienie& z, const edi::EdiDate& teraz);
// The interchange: the service string on its own line (it carries its own "'"), then the
// segments one a line.
std::string OrdersText(const EdiZamowienie& z, const edi::EdiDate& teraz);

}  // namespace hurt::invoicing
