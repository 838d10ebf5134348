// The numeric key codes every screen compares with.
//
// Printable characters are their code page 852 byte (0x20..0xFF). Control keys keep
// the codes of the PC keyboard as the screens have always seen them: Ctrl+letter is
// 1..26 (so Ctrl+S and Left are both 19), function keys are negative, Alt+letter is
// 256 + the letter's scan code (Alt+K 293).
#pragma once

#include <string>

namespace hurt::console {

namespace key {

constexpr int kNone = 0;  // INKEY() time-out

constexpr int kHome = 1;
constexpr int kCtrlRight = 2;
constexpr int kPgDn = 3;
constexpr int kRight = 4;
constexpr int kUp = 5;
constexpr int kEnd = 6;
constexpr int kDel = 7;
constexpr int kBackspace = 8;
constexpr int kTab = 9;
constexpr int kCtrlEnter = 10;
constexpr int kEnter = 13;
constexpr int kLeft = 19;
constexpr int kIns = 22;
constexpr int kCtrlEnd = 23;  // also Ctrl+W
constexpr int kDown = 24;
constexpr int kCtrlY = 25;
constexpr int kCtrlLeft = 26;
constexpr int kEsc = 27;
constexpr int kCtrlHome = 29;
constexpr int kCtrlPgDn = 30;
constexpr int kCtrlPgUp = 31;
constexpr int kPgUp = 18;
constexpr int kSpace = 32;
constexpr int kCtrlBackspace = 127;
constexpr int kShiftTab = 271;
constexpr int kCtrlUp = 397;
constexpr int kCtrlDown = 401;
constexpr int kCtrlIns = 402;
constexpr int kCtrlDel = 403;
constexpr int kAltUp = 408;
constexpr int kAltLeft = 411;
constexpr int kAltRight = 413;
constexpr int kAltDown = 416;
constexpr int kAltHome = 407;
constexpr int kAltPgUp = 409;
constexpr int kAltEnd = 415;
constexpr int kAltPgDn = 417;
constexpr int kAltIns = 418;
constexpr int kAltDel = 419;
constexpr int kAltEnter = 284;
constexpr int kAltEsc = 257;
constexpr int kAltBackspace = 270;

constexpr int kF1 = 28;
constexpr int kF11 = -40;
constexpr int kF12 = -41;

// F1..F12 (n = 1..12).
constexpr int F(int n) { return n == 1 ? kF1 : n == 11 ? kF11 : n == 12 ? kF12 : 1 - n; }
// Shift, Ctrl and Alt with F1..F12.
constexpr int ShiftF(int n) { return n <= 10 ? -9 - n : n == 11 ? -42 : -43; }
constexpr int CtrlF(int n) { return n <= 10 ? -19 - n : n == 11 ? -44 : -45; }
constexpr int AltF(int n) { return n <= 10 ? -29 - n : n == 11 ? -46 : -47; }

// Alt with a letter (either case) or a digit; 0 for other characters.
int Alt(char c);

constexpr int kAltK = 293;
constexpr int kAltW = 273;
constexpr int kAltB = 304;
constexpr int kAltP = 281;
constexpr int kAltE = 274;

// A function key's second code: the screens that compare with "code + 256" (F4 = -3 or 253).
constexpr int Plus256(int code) { return code + 256; }
// True when `key` is the function key `code` in either of its two forms.
constexpr bool IsKey(int key, int code) { return key == code || (code < 0 && key == code + 256); }

}  // namespace key

// A readable name of a key code, for the key tester and test messages: "F2", "Shift+F1",
// "Alt+K", "Up", "'a'", "Ctrl+PgDn".
std::string KeyName(int code);

}  // namespace hurt::console
