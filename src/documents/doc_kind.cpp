#include "documents/doc_kind.h"

#include "base/text.h"

namespace hurt::documents {

bool DocKind::RdIs(std::string_view code) const { return XbaseEquals(rd, code); }

bool DocKind::IsCurrencyKind() const {
  return HasTag("EXPORT") || HasTag("WALUT") || HasTag("[EUR]") || HasTag("IMPORT");
}

bool IsForeignCurrency(std::string_view waluta) {
  std::string code = Upper(AllTrim(waluta));
  return !code.empty() && code != "PLN";
}

}  // namespace hurt::documents
