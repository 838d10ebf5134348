// The key sequences of a terminal type, read from terminfo.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "console/key_decoder.h"

namespace hurt::console {

// Looks up a string capability by name ("kf1", "kUP5"); nullopt when absent.
using CapabilityLookup = std::function<std::optional<std::string>(std::string_view name)>;

// Builds the table from a terminal's capabilities: the cursor and editing keys (kcuu1,
// khome, kpp, kich1, kdch1, kcbt …), kf1..kf63 and the extended names with modifiers
// (kUP5 Ctrl+Up, kLFT3 Alt+Left, kHOM5, kPRV5, kNXT5 …).
//
// kf13 and above mean different keys on different terminals: where kf13 carries the
// xterm modifier (";2") they are Shift/Ctrl/Alt with F1..F12 in blocks of twelve;
// otherwise (Linux console, rxvt) kf11..kf20 are what Shift+F1..F10 send, and that is
// how they are read, since the program uses Shift+F keys and has little use for F11/F12.
KeyTable KeyTableFromCapabilities(const CapabilityLookup& lookup);

// The table of a terminal type from the terminfo database ("xterm-256color", "linux",
// "screen", "tmux-256color"); an empty table when the type is unknown. It does not
// disturb a terminal already set up by the caller.
KeyTable KeyTableForTerminal(const std::string& term);

// The table of the terminal ncurses has set up (the current one).
KeyTable KeyTableOfCurrentTerminal();

}  // namespace hurt::console
