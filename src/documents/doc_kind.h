// A document kind as the line arithmetic sees it: the fields of its `slow` record.
//
// The two letters R_P + S_Z form the document's class ("RS" sale, "KS" sales
// correction, "PZ" purchase receipt, "RD"/"PD" warehouse issue/receipt, "PX"/"RX"
// combined, "M." transfers). Behaviour tags are substrings of the description OPIS.
#pragma once

#include <string>
#include <string_view>

namespace hurt::documents {

struct DocKind {
  std::string rd;    // kind code, 3 characters blank-padded ("FV ", "WZ ", "BO ")
  std::string opis;  // description carrying the behaviour tags
  char r_p = 'R';    // R issue, P receipt, M transfer, K correction
  char s_z = 'S';    // S sale, Z purchase, D warehouse, X/Y combined
  char cuv = 'U';    // C purchase prices, U selling prices less a discount, V plus a mark-up
  char nb = 'N';     // N line prices net, B gross
  char kto = 'O';    // counterparty catalogue
  int poziom = 0;    // the kind's own selling-price level (0: none)

  // R_P + S_Z, e.g. "RS".
  std::string Klasa() const { return std::string{r_p, s_z}; }
  bool IsClass(std::string_view klasa) const { return Klasa() == klasa; }
  // True when the description contains the tag.
  bool HasTag(std::string_view tag) const { return opis.find(tag) != std::string::npos; }
  // The kind code compared the xBase way: true when RD begins with `code`.
  bool RdIs(std::string_view code) const;

  bool IsSale() const { return IsClass("RS"); }              // sales issue (invoice, receipt, note)
  bool IsSalesCorrection() const { return IsClass("KS"); }
  bool IsPurchase() const { return s_z == 'Z'; }               // purchases and their corrections
  bool IsReceipt() const { return r_p == 'P'; }
  bool IsIssue() const { return r_p == 'R'; }
  bool IsTransfer() const { return r_p == 'M'; }
  bool IsCombined() const { return s_z == 'X' || s_z == 'Y'; }
  bool IsWarehouse() const { return s_z == 'D'; }
  bool InPurchasePrices() const { return cuv == 'C'; }
  bool IsGross() const { return nb == 'B'; }
  // Export, currency and import kinds enter a currency in the header.
  bool IsCurrencyKind() const;
};

// True for a currency that is foreign: set, and not the złoty ("PLN" or blank mean none).
bool IsForeignCurrency(std::string_view waluta);

}  // namespace hurt::documents
