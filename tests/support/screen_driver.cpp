#include "support/screen_driver.h"

#include "base/cp852.h"
#include "base/text.h"
#include "console/colour.h"

namespace hurt::testing {

namespace {
struct ScriptExhausted {};
}  // namespace

ScreenDriver::ScreenDriver(bool colour) : term(clock, colour), con(term, clock) {}

ScreenDriver& ScreenDriver::Keys(std::initializer_list<int> keys) {
  term.Keys(keys);
  return *this;
}

ScreenDriver& ScreenDriver::Key(int key) {
  term.Key(key);
  return *this;
}

ScreenDriver& ScreenDriver::Type(std::string_view utf8) {
  term.Text(Utf8ToCp852(utf8));
  return *this;
}

ScreenDriver& ScreenDriver::Wait(int64_t millis) {
  term.Wait(millis);
  return *this;
}

ScreenDriver& ScreenDriver::Then(std::function<void()> step) {
  term.Then(std::move(step));
  return *this;
}

bool ScreenDriver::Run(const std::function<void(console::Console&)>& screen) {
  term.OnExhausted([this] {
    waiting_dump_ = term.Dump();
    throw ScriptExhausted{};
  });
  try {
    screen(con);
  } catch (const ScriptExhausted&) {
    term.OnExhausted(nullptr);
    ADD_FAILURE() << "the key script ran out while the screen still waited for a key:\n" << waiting_dump_;
    return false;
  }
  term.OnExhausted(nullptr);
  return true;
}

std::string ScreenDriver::ColourAt(int row, int col) const {
  if (!console::ScreenBuffer::Inside(row, col)) return "?";
  return console::AttrName(con.screen().at(row, col).attr);
}

std::string ScreenDriver::Dump() const { return console::DumpScreen(con.screen(), &con.cursor()); }

std::string ScreenDump(const console::ScreenBuffer& screen) { return console::DumpScreen(screen); }

::testing::AssertionResult ScreenDriver::ShowsAt(int row, int col, std::string_view utf8) const {
  std::string want(utf8);
  int length = static_cast<int>(Utf8ToCp852(utf8).size());  // one cell per character
  std::string got = TextAt(row, col, length);
  if (got == want) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "at " << row << "," << col << " expected \"" << want << "\" but the screen shows \""
                                       << got << "\"\n"
                                       << Dump();
}

::testing::AssertionResult ScreenDriver::LineIs(int row, std::string_view utf8) const {
  std::string got = RTrim(Line(row));
  std::string want = RTrim(utf8);
  if (got == want) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "row " << row << " expected \"" << want << "\"\n                but is \"" << got
                                       << "\"\n"
                                       << Dump();
}

namespace {

// The text of the message window (rows 15-19, inside its frame) as one line: a long
// message is wrapped there onto several rows.
std::string MessageWindowText(std::string_view screen) {
  static const std::string kSide = "║";
  std::string text;
  size_t row = 0, at = 0;
  while (at <= screen.size() && row <= 19) {
    size_t end = screen.find('\n', at);
    if (end == std::string_view::npos) end = screen.size();
    const std::string line(screen.substr(at, end - at));
    at = end + 1;
    if (row++ < 15) continue;
    const size_t left = line.find(kSide);
    const size_t right = line.rfind(kSide);
    if (left == std::string::npos || right == left) continue;
    std::string inside = line.substr(left + kSide.size(), right - left - kSide.size());
    while (!inside.empty() && inside.front() == ' ') inside.erase(0, 1);
    while (!inside.empty() && inside.back() == ' ') inside.pop_back();
    if (inside.empty()) continue;
    if (!text.empty()) text += ' ';
    text += inside;
  }
  return text;
}

}  // namespace

bool ScreenShows(std::string_view screen, std::string_view text) {
  return screen.find(text) != std::string_view::npos || MessageWindowText(screen).find(text) != std::string::npos;
}

::testing::AssertionResult ScreenDriver::Contains(std::string_view utf8) const {
  std::string screen;
  for (const std::string& line : Lines()) screen += line + "\n";
  if (ScreenShows(screen, utf8)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the screen does not show \"" << utf8 << "\"\n" << Dump();
}

::testing::AssertionResult ScreenDriver::ColourIs(int row, int col, std::string_view colour) const {
  auto want = console::ParseAttr(colour);
  if (!want.ok()) return ::testing::AssertionFailure() << "bad colour in the test: " << colour;
  if (console::ScreenBuffer::Inside(row, col) && con.screen().at(row, col).attr == *want)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "at " << row << "," << col << " expected colour " << console::AttrName(*want)
                                       << " but it is " << ColourAt(row, col) << "\n"
                                       << Dump();
}

}  // namespace hurt::testing
