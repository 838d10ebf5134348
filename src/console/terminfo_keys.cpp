#include "console/terminfo_keys.h"

#include <curses.h>
#include <term.h>
#include <unistd.h>

#include "console/keys.h"

namespace hurt::console {

namespace {

struct Named {
  const char* name;
  int key;
};

// Modifier digit of the extended names: 2 Shift, 3 Alt, 4 Shift+Alt, 5 Ctrl, 6 Ctrl+Shift,
// 7 Ctrl+Alt, 8 Ctrl+Shift+Alt.
struct Extended {
  const char* base;  // "UP" → kUP3, kUP5 …
  int plain, ctrl, alt;
};

constexpr Named kBasic[] = {
    {"kcuu1", key::kUp},    {"kcud1", key::kDown},  {"kcub1", key::kLeft},     {"kcuf1", key::kRight},
    {"khome", key::kHome},  {"kend", key::kEnd},    {"kpp", key::kPgUp},       {"knp", key::kPgDn},
    {"kich1", key::kIns},   {"kdch1", key::kDel},   {"kcbt", key::kShiftTab},  {"kent", key::kEnter},
    {"kbs", key::kBackspace},
};

constexpr Extended kExtended[] = {
    {"UP", key::kUp, key::kCtrlUp, key::kAltUp},         {"DN", key::kDown, key::kCtrlDown, key::kAltDown},
    {"LFT", key::kLeft, key::kCtrlLeft, key::kAltLeft},  {"RIT", key::kRight, key::kCtrlRight, key::kAltRight},
    {"HOM", key::kHome, key::kCtrlHome, key::kAltHome},  {"END", key::kEnd, key::kCtrlEnd, key::kAltEnd},
    {"PRV", key::kPgUp, key::kCtrlPgUp, key::kAltPgUp},  {"NXT", key::kPgDn, key::kCtrlPgDn, key::kAltPgDn},
    {"IC", key::kIns, key::kCtrlIns, key::kAltIns},      {"DC", key::kDel, key::kCtrlDel, key::kAltDel},
};

}  // namespace

KeyTable KeyTableFromCapabilities(const CapabilityLookup& lookup) {
  KeyTable table;
  auto add = [&](const std::string& name, int k) {
    if (auto s = lookup(name)) table.Add(*s, k);
  };
  for (const Named& n : kBasic) add(n.name, n.key);
  for (int n = 1; n <= 12; ++n) add("kf" + std::to_string(n), key::F(n));

  auto kf13 = lookup("kf13");
  bool xterm_blocks = kf13 && kf13->find(";2") != std::string::npos;
  if (xterm_blocks) {
    for (int n = 1; n <= 12; ++n) {
      add("kf" + std::to_string(12 + n), key::ShiftF(n));
      add("kf" + std::to_string(24 + n), key::CtrlF(n));
      add("kf" + std::to_string(36 + n), key::CtrlF(n));  // Ctrl+Shift
      add("kf" + std::to_string(48 + n), key::AltF(n));
      if (n <= 3) add("kf" + std::to_string(60 + n), key::AltF(n));  // Alt+Shift
    }
  } else if (kf13) {
    for (int n = 1; n <= 10; ++n) add("kf" + std::to_string(10 + n), key::ShiftF(n));
  }

  for (const Extended& e : kExtended) {
    for (int m = 2; m <= 8; ++m) {
      int mods = m - 1;
      int k = (mods & 4) ? e.ctrl : (mods & 2) ? e.alt : e.plain;
      add(std::string("k") + e.base + std::to_string(m), k);
    }
    add(std::string("k") + e.base, e.plain);  // shifted form without a digit
  }
  return table;
}

KeyTable KeyTableOfCurrentTerminal() {
  if (cur_term == nullptr) return {};
  return KeyTableFromCapabilities([](std::string_view name) -> std::optional<std::string> {
    std::string n(name);
    char* s = tigetstr(n.c_str());
    if (s == nullptr || s == reinterpret_cast<char*>(-1) || *s == '\0') return std::nullopt;
    return std::string(s);
  });
}

KeyTable KeyTableForTerminal(const std::string& term) {
  TERMINAL* saved = cur_term;
  int err = 0;
  if (setupterm(term.c_str(), STDERR_FILENO, &err) != OK) {
    set_curterm(saved);
    return {};
  }
  KeyTable table = KeyTableOfCurrentTerminal();
  TERMINAL* mine = set_curterm(saved);
  if (mine != saved) del_curterm(mine);
  return table;
}

}  // namespace hurt::console
