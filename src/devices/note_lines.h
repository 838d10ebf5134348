// The workstation's notes of work in flight (a receipt being printed, a card payment) are
// lines "key=value"; a CR before the LF is dropped and a line without "=" is skipped.
#pragma once

#include <string_view>

namespace hurt::devices {

template <typename Each>  // void(std::string_view key, std::string_view value)
void ForEachNoteLine(std::string_view text, Each each) {
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const size_t eq = line.find('=');
    if (eq != std::string_view::npos) each(line.substr(0, eq), line.substr(eq + 1));
  }
}

}  // namespace hurt::devices
