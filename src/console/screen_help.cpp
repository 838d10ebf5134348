#include "console/screen_help.h"

#include <algorithm>
#include <string_view>

#include "base/cp852.h"
#include "base/text.h"
#include "console/keys.h"

namespace hurt::console {

namespace {

using namespace hurt::literals;

constexpr int kKeyLineRow = kRows - 1;
constexpr int kKeyWidth = 12;
constexpr int kTop = 3;
constexpr int kLeft = 8;
constexpr int kRight = 71;

std::string RowText(const ScreenBuffer& screen, int row) {
  std::string text;
  for (int c = 0; c < kCols; ++c) text += static_cast<char>(screen.at(row, c).ch);
  return RTrim(text);
}

// The entries of a key line: runs of text parted by two blanks or more.
std::vector<std::string> Entries(const std::string& line) {
  std::vector<std::string> out;
  size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && line[at] == ' ') ++at;
    size_t end = line.find("  ", at);
    if (end == std::string::npos) end = line.size();
    if (end > at) out.push_back(line.substr(at, end - at));
    at = end;
  }
  return out;
}

std::string KeyLine(std::string_view key, std::string_view meaning) {
  return PadR(std::string(key), kKeyWidth) + " " + std::string(meaning);
}

}  // namespace

std::vector<std::string> ScreenHelpLines(const ScreenBuffer& screen, bool calculator) {
  std::vector<std::string> lines;
  for (const std::string& entry : Entries(RowText(screen, kKeyLineRow))) {
    // "Enter-Zatwierdzenie": the key up to the first dash after its first character.
    const size_t dash = entry.find('-', 1);
    const std::string key = dash == std::string::npos ? entry : entry.substr(0, dash);
    const std::string meaning = dash == std::string::npos ? std::string() : entry.substr(dash + 1);
    if (AllTrim(key) == "F1") continue;
    lines.push_back(KeyLine(AllTrim(key), AllTrim(meaning)));
  }
  if (!lines.empty()) lines.emplace_back();
  lines.push_back(KeyLine("Enter", "zatwierdza; pole opuszcza się tylko Enterem"_pl));
  lines.push_back(KeyLine("Esc", "rezygnacja, powrót"_pl));
  lines.push_back(KeyLine("Ins", "wstawianie albo zastępowanie w polu"_pl));
  lines.push_back(KeyLine("Ctrl+L", "odświeża ekran"_pl));
  if (calculator) lines.push_back(KeyLine("Alt+K", "kalkulator"));
  return lines;
}

void ShowScreenHelp(Console& con) {
  const SavedScreen saved = con.SaveScreen();
  const std::vector<std::string> lines = ScreenHelpLines(con.screen(), con.HasHotKey(key::kAltK));
  const int inner = kRight - kLeft - 1;
  const int shown = std::min<int>(static_cast<int>(lines.size()), kRows - kTop - 5);
  const int bottom = kTop + shown + 3;
  const Attr frame = con[Role::kMessageFrame];
  con.Box(kTop, kLeft, bottom, kRight, DoubleFrame(), frame, ' ');
  const std::string title = " POMOC - KLAWISZE EKRANU ";
  con.screen().Put(kTop, kLeft + 1 + (inner - static_cast<int>(title.size())) / 2, title, frame);
  for (int i = 0; i < shown; ++i) {
    con.screen().Put(kTop + 2 + i, kLeft + 2, lines[static_cast<size_t>(i)].substr(0, static_cast<size_t>(inner - 2)),
                     frame);
  }
  const std::string foot(" Dowolny klawisz - powrót "_pl);
  con.screen().Put(bottom, kLeft + 1 + (inner - static_cast<int>(foot.size())) / 2, foot, frame);
  con.ShowCursor(false);
  (void)con.WaitKey();
  con.RestoreScreen(saved);
}

void InstallScreenHelp(Console& con) { con.SetHotKey(key::kF1, [](Console& c) { ShowScreenHelp(c); }); }

}  // namespace hurt::console
