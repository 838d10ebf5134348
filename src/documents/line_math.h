// The money of one document line: the values shown while a line is typed, the record
// written from the edit variables (REPLACE_D_WITH_P), net/gross conversion of existing
// lines and the recomputed lines of a sales correction.
//
// Invariant kept by every function here: the money fields of a DocLine (WARTOSC,
// PODATEK, BRUTTO) hold exactly what their 2-decimal fields hold on disk, so that a line
// read back from `dd` gives the same totals as the line in memory.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "base/date.h"
#include "documents/doc_kind.h"
#include "documents/prices.h"
#include "xbase/value.h"

namespace hurt::documents {

// A line of `dd` / `dow` / the order lines: the one model of a line record. It is read
// and written only by line_record.h; the arithmetic here works on it.
struct DocLine {
  // The header fields every line of the document carries.
  char r_p = ' ', s_z = ' ';  // class of the document
  std::string rd, nrd;        // kind and number
  JulianDay data = 0;         // issue date, 0 when blank
  char kto = ' ';             // counterparty class
  std::string odb;            // counterparty
  std::string spz;            // payment method (`dd` only)
  double tez = 0;             // payment term in days (`dd` only)

  std::string lp;        // line number, 3 characters right-aligned
  std::string mag;       // warehouse
  std::string indeks;    // article code
  std::string nazwa;     // article name
  std::string nazwa1;    // the name's continuation (marker NAZWA46.TXT)
  std::string uwagi;     // remarks (marker UWAGI.DOW)
  std::string jm, sww, pkwiu, t_w_o_k, kod13, producent;  // catalogue fields from the article
  std::string dost;      // the article's supplier (as->ODB)
  char nb = ' ';         // price basis: 'N' net, 'B' gross
  double ilosc = 0;      // quantity, 3 decimals
  double cena = 0;       // unit price, 6 decimals (net or gross by NB)
  double cena0 = 0;      // cost price
  double upust0 = 0;     // discount or mark-up percent
  std::string podatek0;  // VAT rate code
  double podatek = 0;    // VAT amount
  double wartosc = 0;    // value (gross on gross lines)
  double brutto = 0;     // gross value
  double cena_n = 0;     // catalogue net price when the line was entered
  double cena_b = 0;     // catalogue gross price when the line was entered
  double waga = 0;       // weight of the line
  // Optional fields carried from another line as they are (name and value), written
  // only where the table has them.
  std::vector<std::pair<std::string, xbase::Value>> extra;
};

// The money of a line whose ILOSC, CENA and PODATEK0 are set, on a net ('N') or gross
// ('B') basis: on a gross basis WARTOSC holds the gross and the VAT is taken out of it.
void LineMoneyOnBasis(DocLine& line, char nb);

// The line under edit, as its entry fields show it (the edit variables P1..P7, M_PP and
// C_PP0 of the line editor): a view of a DocLine made by LineEditOf and written back by
// ReplaceDWithP, never stored by itself.
struct LineEdit {
  std::string lp, indeks, nazwa;  // P1, P2, P3
  double ilosc = 0, cena = 0, procent = 0, brutto = 0;  // P4, P5, P6 (percent), P7 (gross)
  double m_pp = 0;     // the VAT amount shown
  std::string c_pp0;   // the rate code
};

// The edit variables of a line as it stands (P1 number, P2 code, P3 name, P4 quantity, P5
// price, P6 percent, C_PP0 rate code).
LineEdit LineEditOf(const DocLine& line);

// The VAT and gross shown while a line is typed:
//   M_PP = NewRound(NewRound(quantity × price, 2) × rate / 100, 2),
//   P7   = NewRound(quantity × price, 2) + M_PP;
// for kinds of class "Y" the price is gross and the VAT is taken out of it:
//   P7 = NewRound(quantity × price, 2), M_PP = P7 × rate / (rate + 100) (unrounded; the
//   line record rounds it to its 2 decimals).
void LineWhileTyped(LineEdit& edit, const DocKind& kind);

// The article as the line takes it.
struct ArticleForLine {
  std::string jm, sww, pkwiu, t_w_o_k, kod13, producent, odb;
  std::string podatek0;  // the article's rate code
  ArticlePrices ceny;
};

struct ReplaceContext {
  DocKind kind;
  char nb = ' ';       // the document's price basis
  int j_poziom = 1;    // price levels
  int level = 1;       // the document's level
};

// REPLACE_D_WITH_P: writes the edit variables into the line record.
//  - CENA, NB, ILOSC, UPUST0, PODATEK0, PODATEK (= M_PP), BRUTTO (= P7) from the edit;
//  - receipts of combined kinds tagged "(SD)" first turn the price gross:
//    round(price × (1 + rate/100), 2);
//  - sales ("RS") not tagged "[ZW]": gross basis BRUTTO = NewRound(ILOSC × CENA, 2),
//    PODATEK = round(BRUTTO × rate / (rate + 100), 2); net basis WARTOSC =
//    round(ILOSC × CENA, 2), PODATEK = round(WARTOSC × rate / 100, 2), BRUTTO =
//    WARTOSC + PODATEK;
//  - VAT-margin invoices (tag "FAKTURA VAT MARZA", gross, article with CENA3): CENA0 =
//    CENA3, the article's rate, and VAT on the margin only:
//    NewRound(round((CENA − CENA0) / (1 + rate/100) × ILOSC, 2) × rate / 100, 2);
//    a sale at or below the purchase price has no margin and so no VAT;
//  - every kind: WARTOSC = NewRound(ILOSC × CENA, 2) (symmetric for negative lines);
//  - CENA0: receipts and kinds tagged CENA_PZ the typed price, warehouse kinds tagged
//    CENA_PZ the article's CENA_PZ, otherwise the article's CENA0 (the line's own when
//    the article has none);
//  - catalogue fields, DOST, CENA_N (article CENA or the level price) and CENA_B
//    (article CENA2, or NewRound(CENA_N × (1 + rate/100), 2)).
void ReplaceDWithP(DocLine& dd, const LineEdit& edit, const ArticleForLine& as, const ReplaceContext& ctx);

// A line moved from a net to a gross kind: CENA = round(CENA × (1 + rate/100), 2),
// BRUTTO = NewRound(ILOSC × CENA, 2), PODATEK = round(BRUTTO × rate / (rate + 100), 2),
// WARTOSC = BRUTTO; NB becomes 'B'.
void NetToGross(DocLine& dd);

// A line moved from a gross to a net kind: CENA = round(CENA / (1 + rate/100), 2),
// WARTOSC = round(ILOSC × CENA, 2), PODATEK = round(WARTOSC × rate / 100, 2),
// BRUTTO = WARTOSC + PODATEK; NB becomes 'N'.
void GrossToNet(DocLine& dd);

// Lines of a sales correction are recomputed when the text says "KOREKTA" or the line's
// rate differs from the article's.
bool NeedsCorrectionRecompute(bool korekta_text, const DocLine& dd, std::string_view article_podatek0);

// The recomputed line of a sales correction: WARTOSC = NewRound(ILOSC × CENA, 2); net
// basis PODATEK = NewRound(WARTOSC × rate / 100, 2), BRUTTO = WARTOSC + PODATEK; gross
// basis BRUTTO = WARTOSC, PODATEK = BRUTTO − NewRound(BRUTTO / (1 + rate/100), 2).
void RecomputeCorrectionLine(DocLine& dd, char nb);

// The net value of a line: WARTOSC on net lines, BRUTTO − PODATEK on gross lines.
double NetOfLine(const DocLine& dd);

// The gross value of a posted line (`dow` keeps no BRUTTO): a gross-basis line (nb 'B')
// holds the gross in WARTOSC; any other line's gross is WARTOSC + PODATEK, rounded to 2.
double GrossOfPostedLine(char nb, double wartosc, double podatek);

}  // namespace hurt::documents
