#include "session/kalk.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "base/cp852.h"
#include "base/text.h"
#include "console/keys.h"
#include "console/message_window.h"
#include "session/kalk_engine.h"

namespace hurt::session {

using namespace hurt::literals;

namespace {

namespace key = console::key;

constexpr int kInner = Calculator::kRegisterWidth;
constexpr int kBottom = kKalkTop + 6;

constexpr std::string_view kTitleLine = "┌─── Kalkulator ────┐"_pl;
constexpr std::string_view kSeparatorLine = "├───────────────────┤"_pl;
constexpr std::string_view kBottomLine = "└───────────────────┘"_pl;
constexpr std::string_view kVertical = "│"_pl;
constexpr std::string_view kDoesNotFit = "Wynik nie mieści się w polu"_pl;
constexpr int kDoesNotFitSeconds = 3;
// Code 27 and 26 of the screen set are the arrows ← and →.
constexpr std::string_view kKeyHelp = "C M N \x1b\x1a Esc-Koniec";

struct Colours {
  console::Attr body = console::AttrOf("N/W");
  console::Attr display = console::AttrOf("W+/N");
  console::Attr error = console::AttrOf("RG+/N");
};

void Draw(console::Console& con, const Calculator& calc, const KalkState& state) {
  const Colours colours;
  console::ScreenBuffer& s = con.screen();
  const int left = state.lx - 1;
  const int right = state.lx + kInner;
  s.Put(kKalkTop, left, kTitleLine, colours.body);
  for (int row = kKalkTop + 1; row < kBottom; ++row) {
    s.Put(row, left, kVertical, colours.body);
    s.Put(row, right, kVertical, colours.body);
  }
  s.Put(kKalkTop + 1, state.lx, calc.UpperRegister(), colours.display);
  s.Put(kKalkTop + 2, state.lx, calc.LowerRegister(), calc.error() ? colours.error : colours.display);
  s.Put(kKalkTop + 3, left, kSeparatorLine, colours.body);
  std::string memory = state.memory.empty() ? Space(kInner) : "M" + PadL(state.memory, kInner - 1);
  s.Put(kKalkTop + 4, state.lx, memory, colours.body);
  s.Put(kKalkTop + 5, state.lx, PadR(kKeyHelp, kInner), colours.body);
  s.Put(kBottom, left, kBottomLine, colours.body);
}

// "N": Enter and the memory into the keyboard buffer, the memory emptied. Only the
// characters of a number are typed: a memory set from elsewhere cannot type commands.
void TypeMemory(console::Console& con, Calculator& calc, KalkState& state) {
  std::vector<int> keys{key::kEnter};
  for (char c : state.memory)
    if ((c >= '0' && c <= '9') || c == '.' || c == ',') keys.push_back(static_cast<unsigned char>(c));
  if (keys.size() > 1 && state.memory.front() == '-') calc.RecallFollows();
  con.Keyboard(keys);
  state.memory.clear();
}

bool ApplyKey(console::Console& con, Calculator& calc, KalkState& state, int k) {
  switch (k) {
    case key::kBackspace: return calc.Backspace();
    case key::kEnter: case '=': return calc.Equals();
    case '+': case '-': case '*': case '/': return calc.Operator(static_cast<char>(k));
    case 'C': case 'c': calc.Clear(); return true;
    case 'M': case 'm':
      if (calc.error()) return false;
      state.memory = calc.ValueText();
      return true;
    case 'N': case 'n': TypeMemory(con, calc, state); return true;
    case key::kLeft:
      if (state.lx <= kKalkMinColumn) return false;
      --state.lx;
      return true;
    case key::kRight:
      if (state.lx >= kKalkMaxColumn) return false;
      ++state.lx;
      return true;
    default:
      if ((k >= '0' && k <= '9') || k == '.' || k == ',') return calc.Digit(static_cast<char>(k));
      return false;
  }
}

// Gives the field the calculator's value. A field rounds to its own decimals; a value it
// reads back otherwise did not fit its picture, and the field keeps its old value.
void HandOver(console::Console& con, console::ActiveField& field, double before, double value) {
  constexpr double kFieldRounding = 0.5 + 1e-9;  // the most a field of 0 decimals rounds by
  field.SetNumericValue(value);
  if (std::fabs(field.NumericValue() - value) <= kFieldRounding) return;
  field.SetNumericValue(before);
  console::Okno_(con, kDoesNotFit, kDoesNotFitSeconds);
}

}  // namespace

void Kalk(console::Console& con, KalkState& state) {
  const console::SavedScreen saved = con.SaveScreen();
  console::ActiveField* field = con.active_field();
  const bool numeric_field = field != nullptr && field->IsNumeric();
  state.lx = std::clamp(state.lx, kKalkMinColumn, kKalkMaxColumn);

  const double before = numeric_field ? field->NumericValue() : 0;
  Calculator calc;
  if (numeric_field) calc.Load(before);
  con.ShowCursor(false);
  for (;;) {
    con.screen() = saved.cells;
    Draw(con, calc, state);
    int k = con.WaitKey();
    if (k == key::kEsc) break;
    if (!ApplyKey(con, calc, state, k)) con.Beep();
  }
  con.RestoreScreen(saved);
  if (numeric_field && !calc.error()) HandOver(con, *field, before, calc.Value());
}

void InstallKalk(console::Console& con, KalkState& state) {
  con.SetHotKey(key::kAltK, [&state](console::Console& c) { Kalk(c, state); });
}

}  // namespace hurt::session
