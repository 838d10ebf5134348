#include "console/keys.h"

#include "base/cp852.h"

namespace hurt::console {

namespace {
// PC keyboard scan codes of the letters A..Z.
constexpr int kLetterScan[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                 49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
}  // namespace

int key::Alt(char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return 256 + kLetterScan[c - 'A'];
  if (c >= '1' && c <= '9') return 376 + (c - '1');
  if (c == '0') return 385;
  return 0;
}

std::string KeyName(int code) {
  using namespace key;
  for (int n = 1; n <= 12; ++n) {
    if (code == F(n)) return "F" + std::to_string(n);
    if (code == ShiftF(n)) return "Shift+F" + std::to_string(n);
    if (code == CtrlF(n)) return "Ctrl+F" + std::to_string(n);
    if (code == AltF(n)) return "Alt+F" + std::to_string(n);
  }
  switch (code) {
    case kNone: return "none";
    case kHome: return "Home";
    case kCtrlRight: return "Ctrl+Right";
    case kPgDn: return "PgDn";
    case kRight: return "Right";
    case kUp: return "Up";
    case kEnd: return "End";
    case kDel: return "Del";
    case kBackspace: return "Backspace";
    case kTab: return "Tab";
    case kCtrlEnter: return "Ctrl+Enter";
    case kEnter: return "Enter";
    case kPgUp: return "PgUp";
    case kLeft: return "Left";
    case kIns: return "Ins";
    case kCtrlEnd: return "Ctrl+End";
    case kDown: return "Down";
    case kCtrlLeft: return "Ctrl+Left";
    case kEsc: return "Esc";
    case kCtrlHome: return "Ctrl+Home";
    case kCtrlPgDn: return "Ctrl+PgDn";
    case kCtrlPgUp: return "Ctrl+PgUp";
    case kSpace: return "Space";
    case kCtrlBackspace: return "Ctrl+Backspace";
    case kShiftTab: return "Shift+Tab";
    case kCtrlUp: return "Ctrl+Up";
    case kCtrlDown: return "Ctrl+Down";
    case kCtrlIns: return "Ctrl+Ins";
    case kCtrlDel: return "Ctrl+Del";
    case kAltUp: return "Alt+Up";
    case kAltDown: return "Alt+Down";
    case kAltLeft: return "Alt+Left";
    case kAltRight: return "Alt+Right";
    case kAltHome: return "Alt+Home";
    case kAltEnd: return "Alt+End";
    case kAltPgUp: return "Alt+PgUp";
    case kAltPgDn: return "Alt+PgDn";
    case kAltIns: return "Alt+Ins";
    case kAltDel: return "Alt+Del";
    case kAltEnter: return "Alt+Enter";
    case kAltEsc: return "Alt+Esc";
    case kAltBackspace: return "Alt+Backspace";
    default: break;
  }
  for (char c = 'A'; c <= 'Z'; ++c)
    if (code == Alt(c)) return std::string("Alt+") + c;
  for (char c = '0'; c <= '9'; ++c)
    if (code == Alt(c)) return std::string("Alt+") + c;
  if (code >= 1 && code <= 26) return std::string("Ctrl+") + static_cast<char>('A' + code - 1);
  if (code > 32 && code <= 255) {
    std::string utf8;
    AppendUtf8(utf8, Cp852ToUnicode(static_cast<unsigned char>(code)));
    return "'" + utf8 + "'";
  }
  return "key " + std::to_string(code);
}

}  // namespace hurt::console
