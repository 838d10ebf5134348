#include "orders/order_rules.h"

#include <cmath>
#include <cstdio>

#include "base/text.h"

namespace hurt::orders {

double ProposedQuantity(double sprzedano, double stan) {
  const double x = std::floor(1.2 * (sprzedano - stan) + 0.5);
  return x > 0 ? x : 0;
}

bool UsesDailySales(JulianDay today, bool open_month_is_current, JulianDay data_sd, double ilosc_sd) {
  if (!open_month_is_current || ilosc_sd <= 0 || data_sd == kEmptyDate) return false;
  if (YmdFromJulian(today).day > 9) return false;
  return data_sd <= today && today - data_sd <= 30;
}

std::string GroupIndex(std::string_view indeks, int base) {
  if (base < 1) base = 1;
  if (base > 8) base = 8;
  return PadR(Left(indeks, static_cast<size_t>(base)), 8);
}

int NextOrderSequence(int last) { return last >= 999 || last < 0 ? 1 : last + 1; }

std::string OrderNumber(int month, int sequence) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "NR_%02d%03d", month % 100, sequence % 1000);
  return buf;
}

int SequenceOfOrderFile(std::string_view file_name, int month) {
  const std::string name = Upper(file_name);
  char prefix[8];
  std::snprintf(prefix, sizeof prefix, "NR_%02d", month % 100);
  if (name.size() != 12 || name.rfind(prefix, 0) != 0 || name.substr(8) != ".DBF") return 0;
  int seq = 0;
  for (size_t i = 5; i < 8; ++i) {
    if (name[i] < '0' || name[i] > '9') return 0;
    seq = seq * 10 + (name[i] - '0');
  }
  return seq;
}

}  // namespace hurt::orders
