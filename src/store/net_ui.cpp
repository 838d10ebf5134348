#include "store/net_ui.h"

#include <cmath>

#include "base/cp852.h"
#include "base/text.h"

namespace hurt::store {

using namespace hurt::literals;

std::string ProgressTitle(std::string_view alias) {
  const std::string text = " Odtwarzanie zbioru " + Upper(alias) + ".DBF ";
  return PadC(text, kProgressTitleWidth, "═"_pl[0]);
}

std::string ProgressPercent(uint32_t done, uint32_t total) {
  const double fraction = total == 0 ? 1.0 : static_cast<double>(done) / total;
  const long percent = std::lround(fraction * 100.0);
  return std::to_string(percent) + "% ";
}

std::string ProgressBar(uint32_t done, uint32_t total) {
  const double fraction = total == 0 ? 1.0 : static_cast<double>(done) / total;
  long filled = static_cast<long>(std::floor(fraction * kProgressBarWidth));
  if (filled < 0) filled = 0;
  if (filled > kProgressBarWidth) filled = kProgressBarWidth;
  std::string bar(kProgressBarWidth, "▒"_pl[0]);
  for (long i = 0; i < filled; ++i) bar[static_cast<size_t>(i)] = "█"_pl[0];
  return bar;
}

}  // namespace hurt::store
