#include "shell/station_register.h"

namespace hurt::shell {

int WantedStationSlots(const store::Markers& markers) {
  if (markers.Has("ST99.TXT")) return 99;
  if (markers.Has("ST2.TXT")) return 2;
  return kDefaultStationSlots;
}

std::string TakenSlots(std::string_view st) {
  std::string list;
  for (char c : st) {
    if (c == ' ' || c == kSlotSignedOff) continue;
    list += c == kOperatorZeroMark ? '0' : c;
  }
  return list;
}

int FreeSlot(std::string_view st) {
  size_t at = st.find(kSlotSignedOff);
  if (at == std::string_view::npos) at = st.find(' ');
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

std::string FirstStationRegister(size_t width) {
  if (width == 0) return "";
  return std::string(1, kSlotRunning) + std::string(width - 1, kSlotSignedOff);
}

std::string WithSlot(std::string_view st, int n, char c) {
  std::string out(st);
  if (n >= 1 && static_cast<size_t>(n) <= out.size()) out[static_cast<size_t>(n - 1)] = c;
  return out;
}

char SlotCharForOperator(char nr) { return nr == '0' ? kOperatorZeroMark : nr; }

}  // namespace hurt::shell
