// The station register: field ST of the single company record (firma), one character per
// workstation slot. The slot number is the station number STACJA.
//
//   " " or "0"   free ("0" once a station has signed off there)
//   "?"          a running program whose operator has not logged in yet
//   a character  the number of the operator working there; operator "0" is written "▒"
//                so that the slot does not read as free
//
// The first station of the day (the one that gets firma exclusively) clears the register
// to "?" followed by "0"s. A later station takes the lowest slot holding "0", or when there
// is none the lowest holding a blank. Sign-off writes "0".
#pragma once

#include <string>
#include <string_view>

#include "store/schema.h"

namespace hurt::shell {

// "▒" in code page 852: operator 0 in the register.
inline constexpr char kOperatorZeroMark = static_cast<char>(0xB1);
inline constexpr char kSlotRunning = '?';
inline constexpr char kSlotSignedOff = '0';

inline constexpr int kDefaultStationSlots = 30;

// The width ST must have: 99 with the marker ST99.TXT, else 2 with ST2.TXT, else 30.
int WantedStationSlots(const store::Markers& markers);

// The slots left taken, as listed to the operator: every character of ST other than " "
// and "0", in slot order, "▒" shown as "0".
std::string TakenSlots(std::string_view st);

// The slot a later station takes (1-based): the first "0", else the first " ", else 0.
int FreeSlot(std::string_view st);

// The register a first station writes: "?" and "0" up to the width.
std::string FirstStationRegister(size_t width);

// The register with slot n (1-based) set to c; unchanged when n is outside it.
std::string WithSlot(std::string_view st, int n, char c);

// The character a logged-in operator leaves in the register: "▒" for operator "0".
char SlotCharForOperator(char nr);

}  // namespace hurt::shell
