#include "documents/big_total.h"

#include "base/numeric.h"
#include "base/text.h"
#include "console/console.h"
#include "session/session.h"

namespace hurt::documents {

namespace {

// "█" full block, "▀" upper half, "▄" lower half in code page 852.
constexpr char kFull = '\xDB';
constexpr char kUpper = '\xDF';
constexpr char kLower = '\xDC';

// Glyph rows with F, U and L standing for the three blocks.
constexpr std::array<std::array<const char*, 3>, 10> kDigits = {{
    {"FUF", "F F", "FLF"},  // 0
    {" UF", "  F", "  F"},  // 1
    {"UUF", "FUU", "FLL"},  // 2
    {"UUF", " UF", "LLF"},  // 3
    {"F F", "UUF", "  F"},  // 4
    {"FUU", "UUF", "LLF"},  // 5
    {"FUU", "FUF", "FLF"},  // 6
    {"UUF", "  F", "  F"},  // 7
    {"FUF", "FUF", "FLF"},  // 8
    {"FUF", "UUF", "LLF"},  // 9
}};

std::string Blocks(const char* pattern) {
  std::string out;
  for (const char* p = pattern; *p != '\0'; ++p) {
    out += *p == 'F' ? kFull : *p == 'U' ? kUpper : *p == 'L' ? kLower : ' ';
  }
  return out;
}

}  // namespace

std::array<std::string, 3> BigDigits(std::string_view text) {
  std::array<std::string, 3> rows;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      for (size_t r = 0; r < 3; ++r) rows[r] += Blocks(kDigits[static_cast<size_t>(c - '0')][r]) + " ";
    } else if (c == '.' || c == ',') {
      rows[0] += "  ";
      rows[1] += "  ";
      rows[2] += std::string(1, kLower) + " ";
    } else if (c == '-') {
      rows[0] += "    ";
      rows[1] += Blocks("UUU") + " ";
      rows[2] += "    ";
    } else {
      for (auto& row : rows) row += "  ";
    }
  }
  return rows;
}

void ShowCashSaleTotal(session::Session& session, const DocKind& kind, double total) {
  session::SessionVariables& v = session.vars();
  if (v.Number("KLUCZ") != 0 || !kind.IsSale() || PadR(v.Text("M_SPZ"), 1) != "G") return;
  const std::array<std::string, 3> rows = BigDigits(FormatFixed(total, 2));
  constexpr size_t kWidth = 30;  // columns 50-79: the counterparty's name keeps its first 20
  console::Console& con = session.con();
  // A total too wide for the space is not drawn in large digits (row 23 shows it); the
  // space is cleared so that no earlier, smaller total stays there.
  const bool fits = rows[0].size() <= kWidth;
  for (size_t r = 0; r < rows.size(); ++r) {
    con.Say(4 + static_cast<int>(r), 80 - static_cast<int>(kWidth), fits ? PadL(rows[r], kWidth) : std::string(kWidth, ' '),
            con.colours().standard);
  }
}

}  // namespace hurt::documents
