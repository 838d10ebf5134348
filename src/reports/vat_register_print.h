// The printed VAT register, 161 columns: the heading with our firm and the choices made,
// two or three lines per document (the counterparty; kind, number, gross and the net of
// each rate; the date, the VAT and the VAT of each rate), the procedure and goods-group
// marks under a document that has them, the totals of each kind, and the summary per kind
// with the grand total.
//
// The rate columns are 11 characters: an amount "99999999.99", or "     ---   " for a
// column that is 0. The documents are printed as the pass hands them over, so nothing but
// the current document is held.
#pragma once

#include <string>
#include <vector>

#include "reports/vat_register.h"

namespace hurt::session {
class ReportWriter;
}

namespace hurt::reports {

// What the heading says of the firm and the choices.
struct RegisterHeading {
  std::string symbol;                  // J_FV_SYMBO: the branch symbol, printed after the numbers
  std::vector<std::string> firm;       // name, further name lines, town and street
  std::string branch;                  // the branch's name, when the firm has one
  std::string title;                   // "REJESTR SPRZEDAZY NA FAKTURY VAT " ...
  std::vector<std::string> choices;    // "Wybrane magazyny: AB", "Wybrany odbiorca: K1" ...
  bool addresses = true;               // the extended register: the counterparty's town and street
};

// The title of the register of kind `kind` (its class and description) under `basis`.
std::string RegisterTitle(const documents::DocKind& kind, PurchaseBasis basis, JulianDay from);

// The cell of one rate column.
std::string BucketCell(double amount);

// The top of a register's heading: the branch symbol, our firm's lines and the branch.
std::vector<std::string> FirmLines(const RegisterHeading& heading);

class RegisterPrinter {
 public:
  RegisterPrinter(session::ReportWriter& out, RegisterHeading heading, const RegisterRequest& request, char side,
                  bool summary_only);
  void Begin();
  void Document(const RegisterDocument& d);
  void End(const RegisterResult& result);

 private:
  void Line(const std::string& text);
  void KindTotals(const KindTotal& k);
  void TotalLines(const std::string& left, const RateBuckets& b);

  session::ReportWriter& out_;
  RegisterHeading heading_;
  const RegisterRequest& request_;
  char side_;
  bool summary_only_;
};

}  // namespace hurt::reports
