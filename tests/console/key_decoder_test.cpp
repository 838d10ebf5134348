#include "console/key_decoder.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "base/cp852.h"
#include "console/keys.h"
#include "console/terminfo_keys.h"

namespace hurt::console {
namespace {

using namespace hurt::literals;

// All keys the bytes give, the escape delay passing at the end.
std::vector<int> Decode(std::string_view bytes, const KeyTable& table = {}) {
  KeyDecoder d(table);
  d.Feed(bytes);
  d.Timeout();
  std::vector<int> out;
  while (auto k = d.Next()) out.push_back(*k);
  return out;
}

std::vector<int> V(std::initializer_list<int> keys) { return keys; }

TEST(KeyDecoder, PlainCharactersAndControlKeys) {
  EXPECT_EQ(Decode("aZ9 "), V({'a', 'Z', '9', ' '}));
  EXPECT_EQ(Decode("\r"), V({key::kEnter}));
  EXPECT_EQ(Decode("\x7f"), V({key::kBackspace}));
  EXPECT_EQ(Decode("\x08"), V({key::kBackspace}));
  EXPECT_EQ(Decode("\t"), V({key::kTab}));
  EXPECT_EQ(Decode("\x13"), V({key::kLeft}));  // Ctrl+S is Left, as it always was
  EXPECT_EQ(Decode("\x1c\x1d\x1e\x1f"), V({}));  // would otherwise read as F1, Ctrl+Home …
}

TEST(KeyDecoder, Utf8BecomesCodePage852) {
  EXPECT_EQ(Decode("ł"), V({static_cast<unsigned char>("ł"_pl[0])}));
  EXPECT_EQ(Decode("ŻÓŁW"), V({static_cast<unsigned char>("Ż"_pl[0]), static_cast<unsigned char>("Ó"_pl[0]),
                               static_cast<unsigned char>("Ł"_pl[0]), 'W'}));
  EXPECT_EQ(Decode("a€b"), V({'a', 'b'}));  // no code page 852 byte: dropped
  EXPECT_EQ(Decode("\xc5"), V({}));          // half a character at the end
  EXPECT_EQ(Decode("\x82x"), V({'x'}));      // stray continuation byte

  KeyDecoder d;
  d.Feed('\xc5');
  EXPECT_FALSE(d.HasKey());
  d.Feed('\x82');
  EXPECT_EQ(d.Next(), static_cast<unsigned char>("ł"_pl[0]));
}

TEST(KeyDecoder, XtermSequences) {
  EXPECT_EQ(Decode("\x1bOP\x1bOQ\x1bOR\x1bOS"), V({key::kF1, -1, -2, -3}));
  EXPECT_EQ(Decode("\x1b[15~\x1b[17~\x1b[21~"), V({-4, -5, -9}));
  EXPECT_EQ(Decode("\x1b[1;2P\x1b[15;2~\x1b[21;2~"), V({-10, -14, -19}));
  EXPECT_EQ(Decode("\x1b[1;5P\x1b[21;5~"), V({-20, -29}));
  EXPECT_EQ(Decode("\x1b[1;3P\x1b[21;3~"), V({-30, -39}));
  EXPECT_EQ(Decode("\x1b[1;6Q"), V({key::CtrlF(2)}));  // Ctrl+Shift counts as Ctrl
  EXPECT_EQ(Decode("\x1b[23~\x1b[24~"), V({key::kF11, key::kF12}));
  EXPECT_EQ(Decode("\x1b[A\x1b[B\x1b[D\x1b[C"), V({key::kUp, key::kDown, key::kLeft, key::kRight}));
  EXPECT_EQ(Decode("\x1bOA\x1bOB\x1bOH\x1bOF"), V({key::kUp, key::kDown, key::kHome, key::kEnd}));
  EXPECT_EQ(Decode("\x1b[1;5D\x1b[1;5C\x1b[1;5H\x1b[1;5F"),
            V({key::kCtrlLeft, key::kCtrlRight, key::kCtrlHome, key::kCtrlEnd}));
  EXPECT_EQ(Decode("\x1b[5~\x1b[6~\x1b[5;5~\x1b[6;5~"), V({key::kPgUp, key::kPgDn, key::kCtrlPgUp, key::kCtrlPgDn}));
  EXPECT_EQ(Decode("\x1b[2~\x1b[3~\x1b[Z"), V({key::kIns, key::kDel, key::kShiftTab}));
  EXPECT_EQ(Decode("\x1b[1;2A"), V({key::kUp}));  // Shift+Up is Up
  EXPECT_EQ(Decode("\x1bOM"), V({key::kEnter}));
  EXPECT_EQ(Decode("\x1b[27;5;107~"), V({11}));             // modifyOtherKeys Ctrl+k
  EXPECT_EQ(Decode("\x1b[107;3u"), V({key::kAltK}));        // CSI u Alt+k
  EXPECT_EQ(Decode("\x1b[<0;10;5M"), V({}));                // a mouse report is no key
}

TEST(KeyDecoder, AltLettersAndDigits) {
  EXPECT_EQ(Decode("\x1bk"), V({key::kAltK}));
  EXPECT_EQ(Decode("\x1bK"), V({293}));
  EXPECT_EQ(Decode("\x1bw\x1b" "b\x1bp\x1b" "e"), V({273, 304, 281, 274}));
  EXPECT_EQ(Decode("\x1b" "1\x1b" "0"), V({376, 385}));
  EXPECT_EQ(Decode("\x1b\x7f"), V({key::kAltBackspace}));
  EXPECT_EQ(Decode("\x1b" "a"), V({key::Alt('A')}));
  EXPECT_EQ(key::Alt('A'), 286);
  EXPECT_EQ(key::Alt('z'), 300);
  EXPECT_EQ(key::Alt('q'), 272);
}

TEST(KeyDecoder, LoneEscIsDecidedByTheTimeOut) {
  KeyDecoder d;
  d.Feed('\x1b');
  EXPECT_FALSE(d.HasKey());
  EXPECT_TRUE(d.Waiting());
  d.Timeout();
  EXPECT_EQ(d.Next(), key::kEsc);
  EXPECT_FALSE(d.Waiting());

  // The same byte followed in time by the rest of a sequence is one key.
  d.Feed('\x1b');
  d.Feed("[1;");
  EXPECT_FALSE(d.HasKey());
  d.Feed("5D");
  EXPECT_EQ(d.Next(), key::kCtrlLeft);
  EXPECT_FALSE(d.Next());

  // Esc, a pause, then "[A": Esc and two characters, not Up.
  d.Feed('\x1b');
  d.Timeout();
  d.Feed("[A");
  EXPECT_EQ(d.Next(), key::kEsc);
  EXPECT_EQ(d.Next(), '[');
  EXPECT_EQ(d.Next(), 'A');
}

TEST(KeyDecoder, EscapeCornerCases) {
  EXPECT_EQ(Decode("\x1b\x1b"), V({key::kEsc, key::kEsc}));
  EXPECT_EQ(Decode("\x1b\x1bOP"), V({key::kEsc, key::kF1}));
  EXPECT_EQ(Decode("\x1bO"), V({key::Alt('O')}));  // ESC O alone is Alt+O
  EXPECT_EQ(Decode("\x1b["), V({key::kEsc, '['}));
  EXPECT_EQ(Decode("\x1b[1;"), V({}));  // a sequence cut short is noise
  EXPECT_EQ(Decode("\x1b[1\r"), V({key::kEnter}));  // a control byte breaks the sequence
  auto noise = Decode(std::string("\x1b[") + std::string(100, '1') + "x");  // no end: bounded, no hang
  ASSERT_FALSE(noise.empty());
  EXPECT_EQ(noise.back(), 'x');
}

TEST(KeyDecoder, LinuxConsoleSequences) {
  EXPECT_EQ(Decode("\x1b[[A\x1b[[B\x1b[[C\x1b[[D\x1b[[E"), V({key::kF1, -1, -2, -3, -4}));
  EXPECT_EQ(Decode("\x1b[1~\x1b[4~"), V({key::kHome, key::kEnd}));
  EXPECT_EQ(Decode("\x1b[25~\x1b[34~"), V({key::ShiftF(3), key::ShiftF(10)}));
}

TEST(KeyDecoder, RxvtSequences) {
  EXPECT_EQ(Decode("\x1b[11^"), V({key::CtrlF(1)}));
  EXPECT_EQ(Decode("\x1b[23$"), V({key::ShiftF(11)}));
  EXPECT_EQ(Decode("\x1bOd\x1bOc"), V({key::kCtrlLeft, key::kCtrlRight}));
  EXPECT_EQ(Decode("\x1b[7~\x1b[8~\x1b[5^"), V({key::kHome, key::kEnd, key::kCtrlPgUp}));
}

TEST(KeyDecoder, TableEntriesWin) {
  KeyTable t;
  t.Add("\x1b[23~", key::ShiftF(1));
  t.Add("\x1bXY", key::kF12);  // a made-up sequence the parser would read as Alt+X, Y
  EXPECT_EQ(Decode("\x1b[23~", t), V({key::ShiftF(1)}));
  EXPECT_EQ(Decode("\x1bXY", t), V({key::kF12}));
  EXPECT_EQ(Decode("\x1bXZ", t), V({key::Alt('X'), 'Z'}));
  EXPECT_EQ(Decode("\x1bOP", t), V({key::kF1}));  // the parser still covers the rest
}

TEST(KeyTableFromCapabilities, XtermBlocksAndLinuxShiftedKeys) {
  std::map<std::string, std::string, std::less<>> xterm = {
      {"kf1", "\x1bOP"}, {"kf13", "\x1b[1;2P"}, {"kf25", "\x1b[1;5P"}, {"kf49", "\x1b[1;3P"},
      {"kf12", "\x1b[24~"}, {"kLFT5", "\x1b[1;5D"}, {"kPRV5", "\x1b[5;5~"}, {"kcuu1", "\x1bOA"}};
  KeyTable t = KeyTableFromCapabilities([&](std::string_view n) -> std::optional<std::string> {
    auto it = xterm.find(n);
    if (it == xterm.end()) return std::nullopt;
    return it->second;
  });
  int k = 0;
  EXPECT_EQ(t.Find("\x1b[1;2P", &k), KeyTable::Match::kExact);
  EXPECT_EQ(k, key::ShiftF(1));
  t.Find("\x1b[1;5P", &k);
  EXPECT_EQ(k, key::CtrlF(1));
  t.Find("\x1b[1;3P", &k);
  EXPECT_EQ(k, key::AltF(1));
  t.Find("\x1b[24~", &k);
  EXPECT_EQ(k, key::kF12);
  t.Find("\x1b[5;5~", &k);
  EXPECT_EQ(k, key::kCtrlPgUp);

  std::map<std::string, std::string, std::less<>> linux_caps = {
      {"kf11", "\x1b[23~"}, {"kf12", "\x1b[24~"}, {"kf13", "\x1b[25~"}, {"kcbt", "\x1b\t"}};
  KeyTable lt = KeyTableFromCapabilities([&](std::string_view n) -> std::optional<std::string> {
    auto it = linux_caps.find(n);
    if (it == linux_caps.end()) return std::nullopt;
    return it->second;
  });
  EXPECT_EQ(Decode("\x1b[23~\x1b[24~\x1b[25~\x1b\t", lt),
            V({key::ShiftF(1), key::ShiftF(2), key::ShiftF(3), key::kShiftTab}));
}

// The terminfo entries installed on the machine, read as the terminal back-end reads them.
TEST(KeyTableForTerminal, RealTerminfoEntries) {
  struct Case {
    const char* term;
    std::string bytes;
    std::vector<int> keys;
  };
  const Case cases[] = {
      {"xterm-256color", "\x1bOP\x1b[1;2P\x1b[1;5P\x1b[1;3P\x1bOH\x1b[1;5D\x1b[6;5~",
       {key::kF1, -10, -20, -30, key::kHome, key::kCtrlLeft, key::kCtrlPgDn}},
      {"tmux-256color", "\x1b[1~\x1b[4~\x1b[15;2~\x1b[1;5A", {key::kHome, key::kEnd, -14, key::kCtrlUp}},
      {"screen", "\x1bOP\x1b[1~\x1b[4~\x1b[Z", {key::kF1, key::kHome, key::kEnd, key::kShiftTab}},
      {"linux", "\x1b[[A\x1b[23~\x1b[24~\x1b[34~\x1b\t", {key::kF1, -10, -11, -19, key::kShiftTab}},
  };
  int tried = 0;
  for (const Case& c : cases) {
    KeyTable t = KeyTableForTerminal(c.term);
    if (t.empty()) continue;  // not installed here
    ++tried;
    EXPECT_EQ(Decode(c.bytes, t), c.keys) << c.term;
  }
  if (tried == 0) GTEST_SKIP() << "no terminfo entries installed";
  EXPECT_TRUE(KeyTableForTerminal("no-such-terminal-xyz").empty());
}

TEST(KeyName, ReadableNames) {
  EXPECT_EQ(KeyName(-1), "F2");
  EXPECT_EQ(KeyName(28), "F1");
  EXPECT_EQ(KeyName(-10), "Shift+F1");
  EXPECT_EQ(KeyName(-29), "Ctrl+F10");
  EXPECT_EQ(KeyName(-39), "Alt+F10");
  EXPECT_EQ(KeyName(293), "Alt+K");
  EXPECT_EQ(KeyName(19), "Left");
  EXPECT_EQ(KeyName('a'), "'a'");
}

}  // namespace
}  // namespace hurt::console
