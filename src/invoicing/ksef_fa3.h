// The structured invoice FA(3) of the national e-invoice system (KSeF): the XML of one
// sales invoice or correction, built from what the posted document says.
//
// Namespace http://crd.gov.pl/wzor/2025/06/25/13775/, KodFormularza kodSystemowy "FA (3)",
// wersjaSchemy "1-0E". Amounts have two decimals with a point, quantities and unit
// prices up to six; texts are UTF-8 with the XML special characters escaped.
//
// Rates fall into the form's groups: 23/22 % (P_13_1, P_14_1), 8/7 % (P_13_2, P_14_2), 5 %
// (P_13_3, P_14_3), 4/3 % (P_13_4, P_14_4), 0 % at home (P_13_6_1), exempt "ZW"
// (P_13_7) and not subject "NP" (P_13_8); the groups come from the document's reconciled
// rate totals, the lines carry their own net values. A correction (RodzajFaktury KOR)
// names the corrected invoice (its date, number and KSeF number, or NrKSeFN when it had
// none) and carries the difference.
#pragma once

#include <string>
#include <vector>

#include "base/date.h"

namespace hurt::invoicing {

struct Fa3Party {
  std::string nip;      // ten digits; empty for a buyer without one (a consumer)
  std::string nazwa;    // UTF-8
  std::string kod_kraju = "PL";
  std::string adres_l1, adres_l2;
};

struct Fa3Line {
  std::string nazwa, indeks, jm;  // UTF-8
  double ilosc = 0;
  double cena_netto = 0;   // unit net price
  double wartosc_netto = 0;
  std::string podatek0;    // the line's rate code: "23", " 8", " 5", " 0", "ZW", "NP"
  int gtu = 0;             // goods group 1..13, 0 none
};

// Net and VAT of one rate code.
struct Fa3Rate {
  std::string podatek0;
  double netto = 0, vat = 0;
};

struct Fa3Invoice {
  std::string numer;          // P_2: the invoice's number as printed ("FV 12/12/2026")
  JulianDay data = kEmptyDate;       // P_1: date of issue
  JulianDay data_sprzedazy = kEmptyDate;  // P_6: date of the sale, when it differs
  std::string miejsce;        // P_1M: place of issue (may be empty)
  std::string waluta = "PLN";
  double kurs = 0;            // KursWalutyZ for a foreign currency
  Fa3Party sprzedawca, nabywca;
  std::vector<Fa3Line> lines;
  std::vector<Fa3Rate> rates;  // the reconciled totals per rate
  double brutto = 0;           // P_15
  // Marks.
  bool mpp = false;            // split payment (Adnotacje P_18A)
  bool tp = false;             // related parties (TP)
  bool fp = false;             // an invoice for a retail receipt (FP)
  std::string zwolnienie = "art. 43 ust. 1 ustawy";  // the legal basis printed for exempt lines
  // A correction.
  bool korekta = false;
  std::string przyczyna;
  JulianDay data_korygowanej = kEmptyDate;
  std::string nr_korygowanej, ksef_korygowanej;
  // Payment.
  std::string spz;             // G cash, P transfer, C card ...
  JulianDay termin = kEmptyDate;
  std::string rachunek;        // our bank account for a transfer
  std::string wytworzono;      // DataWytworzeniaFa, "yyyy-mm-ddThh:mm:ssZ"
};

// The XML of the invoice.
std::string BuildFa3(const Fa3Invoice& inv);

// "2026-12-10".
std::string XmlDate(JulianDay d);

}  // namespace hurt::invoicing
