#include "documents/posting_math.h"

#include <cmath>

#include "base/numeric.h"
#include "base/text.h"

namespace hurt::documents {

std::string NextLineNumber(std::string_view previous) {
  std::string lp(previous);
  if (lp.empty()) return "  1";
  for (size_t i = lp.size(); i-- > 0;) {
    const unsigned code = static_cast<unsigned char>(lp[i]);
    if (code < 255) {
      lp[i] = static_cast<char>(code + 1);
      return lp;
    }
    lp[i] = '0';  // past 255: restart at "0" and carry into the character before
  }
  return lp;
}

std::string LineNumberFor(int n, std::string_view previous) {
  if (n >= 1 && n <= 999) return Str(n, 3);
  return NextLineNumber(previous);
}

bool SameQuantity(double a, double b) { return FormatFixed(a, 3) == FormatFixed(b, 3); }

double WeightedAverageCost(const ReceiptCost& in) {
  const double q = in.quantity;
  const double s = in.stock;
  const double c = in.cost;
  const double p = in.class_x ? in.line_cost : in.price;
  if (q > 0) {
    if (s >= 0) return (s * c + q * p) / (s + q);
    if (s + q >= 0) return in.price;
    return in.zle_uzgo ? in.price : c;
  }
  if (SameQuantity(s + q, 0)) return in.class_x ? c : in.price;
  return c;
}

double ReversedReceiptCost(double stock, double cost, double quantity, double line_cost) {
  const double s = std::fabs(stock);
  const double q = std::fabs(quantity);
  if (SameQuantity(s, q)) return line_cost;
  return std::fabs((s * cost - q * line_cost) / (s - q));
}

std::string BatchField(std::string_view base, int slot) {
  std::string f(base);
  if (slot > 1) f += std::to_string(slot);
  return f;
}

int BatchSlot(const std::array<std::string, kBatchSlots>& numbers, std::string_view partia) {
  const std::string wanted = AllTrim(partia);
  if (wanted.empty()) return 0;
  for (int i = 0; i < kBatchSlots; ++i) {
    if (AllTrim(numbers[static_cast<size_t>(i)]) == wanted) return i + 1;
  }
  return 0;
}

}  // namespace hurt::documents
