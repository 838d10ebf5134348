// Document totals and the per-rate VAT reconciliation (JAKA_WARTOSC, FUN_SUMA).
//
// The invariant: on a reconciled document the VAT of every whole rate r (1..25) equals
// the VAT of the rate's total — NewRound(net of r × r / 100, 2) on the net basis, or
// NewRound(gross of r, 2) − NewRound(gross of r / (1 + r/100), 2) on the gross basis —
// and the document total is the sum of the rate rows. Line VATs are computed per line,
// so their sum may differ from that by a few grosze; the difference is written onto one
// line of the rate, so the lines still add up to the total and nothing is lost.
//
// Steps (JakaWartosc):
//   1. zero the money of lines with quantity 0; on retail-sale kinds the gross is
//      NewRound(ILOSC × CENA, 2);
//   2. accumulate net, VAT and gross per whole rate; the VAT of every other rate code
//      ("ZW", "NP", " 0", "13.5") goes into one further sum;
//   3. when the document is reconciled, move each rate's difference onto the first line
//      of the rate (on issues: the first with a positive quantity);
//   4. take the total.
#pragma once

#include <string>
#include <vector>

#include "documents/doc_kind.h"
#include "documents/line_math.h"

namespace hurt::documents {

// The totals of one rate.
struct RateTotals {
  std::string code;  // "23", " 8", "ZW", "NP", " 0", "13.5"
  int rate = 0;      // whole rate 1..25, 0 for every other code
  double netto = 0;
  double vat = 0;
  double brutto = 0;
};

// The reason the total is taken: 0 while lines are typed (shown only), any other value
// when it is taken for posting or printing (the VAT is then reconciled); kDeposits also
// adds the deposit amounts.
inline constexpr int kReasonShow = 0;
inline constexpr int kReasonPost = 999;
inline constexpr int kReasonDeposits = 888;

struct JakaWartoscInput {
  DocKind kind;
  char nb = ' ';                   // the document's price basis
  int reason = kReasonShow;
  bool retail_sale = false;        // the retail-sale kind ("SD " or J_SD)
  bool fiscal_document = false;    // kind J_SD or one of J_DF
  bool fiscal_printer = false;     // a fiscal printer is configured
  bool texts_minus_grosz = false;  // a text of the document carries "-GROSZ"
  std::string waluta;              // document currency
  double m_reszta = 0;             // deposit amounts added with kReasonDeposits
  double m_reszta_p = 0;
};

struct JakaWartoscResult {
  double total = 0;       // the document's gross total
  double netto = 0;       // sum of the line nets, rounded to 2
  double other_vat = 0;   // VAT of the codes that are not whole rates 1..25
  std::vector<RateTotals> rates;  // whole rates with lines, ascending, after reconciliation
  bool reconciled = false;
  int changed_lines = 0;  // lines whose VAT the reconciliation changed
};

// Whether the document is reconciled: the reason asks for it, it is not a fiscal
// document with a printer configured, nothing is tagged "-GROSZ", and it is a net sale,
// a net sales correction with only positive quantities, a warehouse issue in selling
// prices with discount ("RDU"), or a sale without a foreign currency.
bool ReconciliationApplies(const std::vector<DocLine>& lines, const JakaWartoscInput& in);

// JAKA_WARTOSC without its screen: totals the lines, reconciles them when it applies
// (changing PODATEK, and on the net basis BRUTTO, of at most one line per rate) and
// returns the total:
//   reconciled net documents: NewRound(Σ net, 2) + NewRound(other VAT, 2)
//                             + Σ NewRound(N(r) × r / 100, 2);
//   purchases:                NewRound(Σ net, 2) + NewRound(other VAT, 2)
//                             + Σ NewRound(V(r), 2);
//   otherwise:                Σ line gross;
// plus M_RESZTA + M_RESZTA_P with kReasonDeposits.
JakaWartoscResult JakaWartosc(std::vector<DocLine>& lines, const JakaWartoscInput& in);

// The VAT summary of an invoice (FUN_SUMA): one row per rate code in printing order —
// "ZW", "NP", the rates from the highest down, " 0" — each only when not all zero, and
// the document totals. Every rate code keeps its own row, so a rate that is not a whole
// number (13.5) is neither dropped nor merged.
struct VatSummary {
  std::vector<RateTotals> rows;
  double netto = 0;   // Σ row nets + M_RESZTA
  double vat = 0;     // Σ row VATs
  double brutto = 0;  // netto + vat
  int changed_lines = 0;
};

// Builds the summary over the lines and reconciles them as above (on issue documents
// the difference goes to the first line of the rate with a positive quantity). Lines
// with quantity 0 are skipped. Net document: net = NewRound(ILOSC × CENA, 2), gross =
// net + PODATEK; gross document: gross = NewRound(ILOSC × CENA, 2), net = gross − PODATEK.
VatSummary FunSuma(std::vector<DocLine>& lines, char nb, bool issue, double m_reszta = 0);

// The payment-term rule of a sale paid "P", "T" or "F" when an article of the document
// has a shorter term (TEZ > 0) than the document.
struct TermAdvice {
  enum class Action { kNone, kSuggest, kChange };
  Action action = Action::kNone;
  int tez = 0;          // the article's term
  std::string message;  // "Daj termin <TEZ> dni" or "Zmieniam termin zaplaty"
};
// An operator with right 7 is only told; otherwise the document takes the article's term.
TermAdvice PaymentTermRule(const DocKind& kind, char spz, int document_tez, const std::vector<int>& article_tez,
                           bool right7);

// Packaging units of a line: the whole number of packages in the quantity (content 0
// or less, or a quantity beyond any field: none).
long long PackagingUnitsOfLine(double ilosc, double content);

// The document's weight: Σ of the lines' WAGA.
double DocumentWeight(const std::vector<DocLine>& lines);

}  // namespace hurt::documents
