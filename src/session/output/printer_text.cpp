#include "session/output/printer_text.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "base/cp852.h"

namespace hurt::session {

namespace {

constexpr unsigned char kBs = 8;
constexpr unsigned char kHt = 9;
constexpr unsigned char kLf = 10;
constexpr unsigned char kVt = 11;
constexpr unsigned char kFf = 12;
constexpr unsigned char kCr = 13;
constexpr unsigned char kSo = 14;
constexpr unsigned char kSi = 15;
constexpr unsigned char kDc2 = 18;
constexpr unsigned char kDc4 = 20;
constexpr unsigned char kCan = 24;
constexpr unsigned char kEm = 25;
constexpr unsigned char kEsc = 27;
constexpr unsigned char kDel = 127;
// Stands for "ESC ( <letter>" while its length bytes are collected.
constexpr unsigned char kExtendedCommand = 0xFF;

constexpr float kPointsPerInch = 72;
constexpr float kSameCell = 0.05f;  // points: two glyphs this close share a cell
constexpr size_t kMaxTabList = 64;  // ESC D / ESC B lists are short
constexpr size_t kMaxPclValue = 24;

// ESC/P commands and how many argument bytes each takes before it runs.
int EscArgCount(unsigned char c) {
  switch (c) {
    case '!': case '3': case 'A': case '+': case 'J': case '-': case 'W': case 'w':
    case 'x': case 'k': case 't': case 'R': case 'l': case 'Q': case 'N': case 'C':
    case 'p': case 'U': case 'S': case 's': case 'a': case 'j': case 'I': case 'i':
    case 'r': case 'm': case 'q': case '/': case ' ': case kEm: case '%':
    case 'b':
      return 1;
    case '$': case '\\': case 'c': case 'e': case 'f': case '?':
    case 'K': case 'L': case 'Y': case 'Z':
      return 2;
    case 'X': case ':': case '*': case '^':
      return 3;
    default:
      return 0;
  }
}

bool IsLetterOrDigit(char32_t c) {
  if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return true;
  return c >= 0xC0 && c != 0xD7 && c != 0xF7 && !(c >= 0x2500 && c <= 0x25FF);
}

struct Overstrike {
  char32_t base;
  char32_t mark;
  char32_t letter;
};

constexpr Overstrike kPolishOverstrikes[] = {
    {'a', ',', U'ą'}, {'A', ',', U'Ą'}, {'e', ',', U'ę'}, {'E', ',', U'Ę'},
    {'c', '\'', U'ć'}, {'C', '\'', U'Ć'}, {'n', '\'', U'ń'}, {'N', '\'', U'Ń'},
    {'o', '\'', U'ó'}, {'O', '\'', U'Ó'}, {'s', '\'', U'ś'}, {'S', '\'', U'Ś'},
    {'z', '\'', U'ź'}, {'Z', '\'', U'Ź'}, {'l', '/', U'ł'}, {'L', '/', U'Ł'},
    {'z', '.', U'ż'}, {'Z', '.', U'Ż'}, {'z', '-', U'ż'}, {'Z', '-', U'Ż'},
};

}  // namespace

char32_t CombineOverstrike(char32_t existing, char32_t added, bool* bold, bool* underline) {
  for (const Overstrike& o : kPolishOverstrikes) {
    if ((existing == o.base && added == o.mark) || (existing == o.mark && added == o.base)) return o.letter;
  }
  if (existing == added) {
    *bold = true;
    return existing;
  }
  if (added == ' ') return existing;
  if (existing == ' ') return added;
  if (added == '_') {
    *underline = true;
    return existing;
  }
  if (existing == '_') {
    *underline = true;
    return added;
  }
  if (IsLetterOrDigit(existing) && !IsLetterOrDigit(added)) return existing;
  return added;
}

void Utf8Sniffer::Feed(std::string_view bytes) {
  for (char c : bytes) {
    if (!valid_) return;
    const auto b = static_cast<unsigned char>(c);
    if (pending_ > 0) {
      if ((b & 0xC0) != 0x80) {
        valid_ = false;
        return;
      }
      --pending_;
      continue;
    }
    if (b < 0x80) continue;
    pending_ = b >= 0xF0 && b < 0xF5 ? 3 : b >= 0xE0 && b < 0xF0 ? 2 : b >= 0xC2 && b < 0xE0 ? 1 : 0;
    if (pending_ == 0) {
      valid_ = false;
      return;
    }
    multibyte_ = true;
  }
}

bool LooksLikeUtf8(std::string_view bytes) {
  Utf8Sniffer sniffer;
  sniffer.Feed(bytes);
  return sniffer.LooksLikeUtf8();
}

PrinterTextInterpreter::PrinterTextInterpreter(PrintSink& sink, float printable_height, TextEncoding encoding)
    : sink_(&sink), printable_height_(printable_height), encoding_(encoding) {}

void PrinterTextInterpreter::Reset() {
  pitch_ = Pitch::kPica;
  pcl_cpi_ = 0;
  condensed_ = bold_ = double_strike_ = italic_ = underline_ = false;
  double_width_ = line_double_width_ = false;
  spacing_ = 12;
}

float PrinterTextInterpreter::CharsPerInch() const {
  if (pcl_cpi_ > 0) return pcl_cpi_;
  switch (pitch_) {
    case Pitch::kElite:
      return condensed_ ? 20.0f : 12.0f;
    case Pitch::k15:
      return 15.0f;
    case Pitch::kPica:
      break;
  }
  return condensed_ ? 17.14f : 10.0f;
}

float PrinterTextInterpreter::CellWidth() const {
  const float width = kPointsPerInch / CharsPerInch();
  return (double_width_ || line_double_width_) ? 2 * width : width;
}

void PrinterTextInterpreter::MasterSelect(unsigned char n) {
  pitch_ = (n & 1) ? Pitch::kElite : Pitch::kPica;
  pcl_cpi_ = 0;
  condensed_ = (n & 4) != 0;
  bold_ = (n & 8) != 0;
  double_strike_ = (n & 16) != 0;
  double_width_ = (n & 32) != 0;
  italic_ = (n & 64) != 0;
  underline_ = (n & 128) != 0;
}

void PrinterTextInterpreter::Feed(std::string_view bytes) {
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    switch (state_) {
      case State::kText:
        Text(byte);
        break;
      case State::kEscape:
        Escape(byte);
        break;
      case State::kArgs:
        Args(byte);
        break;
      case State::kSkip:
        if (--skip_left_ == 0) state_ = State::kText;
        break;
      case State::kUntilZero:
        if (byte == 0 || --until_zero_left_ == 0) state_ = State::kText;
        break;
      case State::kEscParameter:
        EscParameter(byte);
        break;
      case State::kPcl:
        Pcl(byte);
        break;
    }
  }
}

void PrinterTextInterpreter::Skip(uint64_t count) {
  skip_left_ = count;
  state_ = count > 0 ? State::kSkip : State::kText;
}

void PrinterTextInterpreter::Text(unsigned char byte) {
  if (encoding_ == TextEncoding::kUtf8) {
    if (!utf8_pending_.empty()) {
      if ((byte & 0xC0) == 0x80) {
        utf8_pending_ += static_cast<char>(byte);
        if (utf8_pending_.size() < utf8_needed_) return;
        size_t i = 0;
        const char32_t cp = DecodeUtf8(utf8_pending_, i);
        utf8_pending_.clear();
        Put(cp == 0xFFFD ? U'?' : cp);
        return;
      }
      utf8_pending_.clear();  // a sequence cut short
      Put(U'?');
    }
    if (byte >= 0x80) {
      utf8_needed_ = byte >= 0xF0 && byte < 0xF5 ? 4 : byte >= 0xE0 && byte < 0xF0 ? 3 : byte >= 0xC2 && byte < 0xE0 ? 2 : 0;
      if (utf8_needed_ == 0) {
        Put(U'?');
        return;
      }
      utf8_pending_.assign(1, static_cast<char>(byte));
      return;
    }
  }
  if (byte >= 0x20 && byte != kDel) {
    Put(Cp852ToUnicode(byte));
    return;
  }
  switch (byte) {
    case kLf:
    case kVt:
      EmitLine();
      ++feeds_;
      LineFeed(spacing_);  // a new page counts from 0 again
      x_ = 0;
      line_double_width_ = false;
      break;
    case kCr:
      x_ = 0;
      break;
    case kBs:
      x_ = std::max(0.0f, x_ - CellWidth());
      break;
    case kHt: {
      const float w = CellWidth();
      const float column = std::floor(x_ / w + kSameCell);
      x_ = (std::floor(column / 8) + 1) * 8 * w;
      break;
    }
    case kFf:
      FormFeed();
      break;
    case kCan:
      line_.glyphs.clear();
      x_ = 0;
      break;
    case kSi:
      condensed_ = true;
      break;
    case kDc2:
      condensed_ = false;
      break;
    case kSo:
      line_double_width_ = true;
      break;
    case kDc4:
      line_double_width_ = false;
      break;
    case kEsc:
      state_ = State::kEscape;
      break;
    default:
      break;  // NUL, BEL, DC1, DC3, SUB and the rest print nothing
  }
}

void PrinterTextInterpreter::Escape(unsigned char byte) {
  command_ = byte;
  args_.clear();
  state_ = State::kText;
  // A stray ESC before a line end, a form feed or another ESC: the byte keeps its meaning.
  if (byte < 0x20 && byte != kSi && byte != kSo && byte != kEm) {
    Text(byte);
    return;
  }
  switch (byte) {
    case '(': case ')': case '&': case '*': case '%':
      state_ = State::kEscParameter;
      return;
    case 'D': case 'B':
      until_zero_left_ = kMaxTabList;
      state_ = State::kUntilZero;
      return;
    default:
      break;
  }
  args_needed_ = static_cast<size_t>(EscArgCount(byte));
  if (args_needed_ > 0) {
    state_ = State::kArgs;
    return;
  }
  RunEscCommand();
}

void PrinterTextInterpreter::Args(unsigned char byte) {
  args_ += static_cast<char>(byte);
  // ESC C 0 n: page length in inches takes one more byte.
  if (command_ == 'C' && args_.size() == 1 && byte == 0) {
    args_needed_ = 2;
  }
  if (args_.size() < args_needed_) return;
  state_ = State::kText;
  RunEscCommand();
}

void PrinterTextInterpreter::EscParameter(unsigned char byte) {
  const bool lower = byte >= 0x60 && byte <= 0x7E;
  const bool digit = (byte >= '0' && byte <= '9') || byte == '-' || byte == '+';
  bool pcl = false;
  switch (command_) {
    case ')':
      pcl = true;
      break;
    case '(':
      if (byte >= 'A' && byte <= 'Z') {  // ESC/P extended command: ESC ( X nL nH data
        command_ = kExtendedCommand;
        args_.clear();
        args_needed_ = 2;
        state_ = State::kArgs;
        return;
      }
      pcl = true;
      break;
    case '&':
      pcl = lower;
      break;
    case '*':
      pcl = lower;
      break;
    case '%':
      pcl = byte == '-';  // ESC %-12345X; anything else is ESC/P "ESC % n"
      break;
    default:
      break;
  }
  if (pcl && (lower || digit || byte == '.')) {
    pcl_parameter_ = static_cast<char>(command_);
    pcl_group_ = 0;
    pcl_value_.clear();
    pcl_started_ = false;
    state_ = State::kPcl;
    Pcl(byte);
    return;
  }
  if (pcl) {  // PCL introducer followed by something else: drop it
    state_ = State::kText;
    Text(byte);
    return;
  }
  // ESC/P: ESC * m nL nH data (graphics), ESC % n (character set), ESC & (user characters:
  // only the introducer is dropped).
  state_ = State::kText;
  if (command_ == '*') {
    args_.assign(1, static_cast<char>(byte));
    args_needed_ = 3;
    state_ = State::kArgs;
    return;
  }
  if (command_ == '%') return;  // its one argument was this byte
  Text(byte);
}

void PrinterTextInterpreter::Pcl(unsigned char byte) {
  const char c = static_cast<char>(byte);
  if (!pcl_started_ && pcl_group_ == 0 && byte >= 0x60 && byte <= 0x7E && pcl_value_.empty()) {
    pcl_group_ = c;
    pcl_started_ = true;
    return;
  }
  pcl_started_ = true;
  if ((byte >= '0' && byte <= '9') || byte == '.' || byte == '+' || byte == '-') {
    if (pcl_value_.size() >= kMaxPclValue) {
      state_ = State::kText;
      return;
    }
    pcl_value_ += c;
    return;
  }
  if (byte >= 0x40 && byte <= 0x7E) {
    const bool last = byte <= 0x5E;
    const char param = static_cast<char>(last ? byte : byte - 0x20);
    state_ = State::kText;
    RunPclCommand(param);
    // A command with data leaves the state at kSkip; the rest continue or end.
    if (state_ == State::kSkip) return;
    if (!last) {
      state_ = State::kPcl;
      pcl_value_.clear();
    }
    return;
  }
  // Not PCL after all: take the byte as text.
  state_ = State::kText;
  Text(byte);
}

void PrinterTextInterpreter::RunPclCommand(char param) {
  const double value = pcl_value_.empty() ? 0 : std::atof(pcl_value_.c_str());
  const bool relative = !pcl_value_.empty() && (pcl_value_[0] == '+' || pcl_value_[0] == '-');
  const char p = pcl_parameter_;
  const char g = pcl_group_;
  // Commands followed by binary data: font and raster data, transparent print.
  if (param == 'W' || (p == '&' && g == 'p' && param == 'X')) {
    const double bytes = std::clamp(value, 0.0, 1e9);
    Skip(static_cast<uint64_t>(bytes));
    return;
  }
  if ((p == '(' || p == ')') && g == 's') {
    switch (param) {
      case 'H':
        if (value > 0 && value <= 100) pcl_cpi_ = static_cast<float>(value);
        break;
      case 'B':
        bold_ = value >= 3;
        break;
      case 'S':
        italic_ = static_cast<int>(value) == 1;
        break;
      default:
        break;  // height, spacing, typeface, quality
    }
    return;
  }
  if (p == '&' && g == 'k') {
    if (param == 'S') {
      const int mode = static_cast<int>(value);
      pcl_cpi_ = mode == 2 ? 16.67f : mode == 4 ? 12.0f : 10.0f;
    } else if (param == 'H' && value > 0) {
      pcl_cpi_ = static_cast<float>(120.0 / value);
    }
    return;
  }
  if (p == '&' && g == 'l') {
    if (param == 'D' && value > 0) spacing_ = static_cast<float>(kPointsPerInch / value);
    if (param == 'C' && value > 0) spacing_ = static_cast<float>(value * kPointsPerInch / 48);
    return;
  }
  if (p == '&' && g == 'd') {
    underline_ = param != '@';
    return;
  }
  if (p == '&' && g == 'a') {
    float to = x_;
    if (param == 'C') to = static_cast<float>(value) * CellWidth();
    if (param == 'H') to = static_cast<float>(value / 10);
    if (param == 'C' || param == 'H') x_ = std::max(0.0f, relative ? x_ + to : to);
    return;
  }
}

void PrinterTextInterpreter::RunEscCommand() {
  auto arg = [&](size_t i) { return i < args_.size() ? static_cast<unsigned char>(args_[i]) : 0u; };
  auto on = [&](unsigned n) { return n == 1 || n == '1'; };
  auto off = [&](unsigned n) { return n == 0 || n == '0'; };
  switch (command_) {
    case '@':
      Reset();
      break;
    case 'E':
      bold_ = true;
      break;
    case 'F':
      bold_ = false;
      break;
    case 'G':
      double_strike_ = true;
      break;
    case 'H':
      double_strike_ = false;
      break;
    case '4':
      italic_ = true;
      break;
    case '5':
      italic_ = false;
      break;
    case 'P':
      pitch_ = Pitch::kPica;
      pcl_cpi_ = 0;
      break;
    case 'M':
      pitch_ = Pitch::kElite;
      pcl_cpi_ = 0;
      break;
    case 'g':
      pitch_ = Pitch::k15;
      pcl_cpi_ = 0;
      break;
    case kSi:
      condensed_ = true;
      break;
    case kSo:
      line_double_width_ = true;
      break;
    case '0':
      spacing_ = kPointsPerInch / 8;
      break;
    case '2':
      spacing_ = kPointsPerInch / 6;
      break;
    case '1':
      spacing_ = kPointsPerInch * 7 / 72;
      break;
    case '!':
      MasterSelect(static_cast<unsigned char>(arg(0)));
      break;
    case '3':
      spacing_ = static_cast<float>(arg(0)) * kPointsPerInch / 216;
      break;
    case 'A':
      spacing_ = static_cast<float>(arg(0)) * kPointsPerInch / 72;
      break;
    case '+':
      spacing_ = static_cast<float>(arg(0)) * kPointsPerInch / 360;
      break;
    case 'J':
      LineFeed(static_cast<float>(arg(0)) * kPointsPerInch / 216);
      break;
    case '-':
      if (on(arg(0))) underline_ = true;
      if (off(arg(0))) underline_ = false;
      break;
    case 'W':
      if (on(arg(0))) double_width_ = true;
      if (off(arg(0))) double_width_ = false;
      break;
    case '$':
      x_ = static_cast<float>(arg(0) + 256 * arg(1)) * kPointsPerInch / 60;
      break;
    case '\\': {
      const auto steps = static_cast<int16_t>(static_cast<uint16_t>(arg(0) + 256 * arg(1)));
      x_ = std::max(0.0f, x_ + static_cast<float>(steps) * kPointsPerInch / 120);
      break;
    }
    case 'K': case 'L': case 'Y': case 'Z':
      Skip(arg(0) + 256u * arg(1));
      break;
    case '^':
      Skip(2u * (arg(1) + 256u * arg(2)));
      break;
    case '*': {
      const unsigned m = arg(0);
      const unsigned per_column = (m >= 32 && m <= 40) ? 3 : (m >= 71 && m <= 73) ? 6 : 1;
      Skip(static_cast<uint64_t>(per_column) * (arg(1) + 256u * arg(2)));
      break;
    }
    case kExtendedCommand:  // ESC ( X nL nH data
      Skip(arg(0) + 256u * arg(1));
      break;
    case 'b':  // ESC b n: vertical tabs of channel n, up to a 0 byte
      until_zero_left_ = kMaxTabList;
      state_ = State::kUntilZero;
      break;
    default:
      break;  // read and ignored
  }
}

void PrinterTextInterpreter::Put(char32_t ch) {
  const float width = CellWidth();
  uint8_t style = 0;
  if (bold_ || double_strike_) style |= kStyleBold;
  if (italic_) style |= kStyleItalic;
  if (underline_) style |= kStyleUnderline;
  std::vector<PrintGlyph>& glyphs = line_.glyphs;
  const float x = x_;
  x_ += width;
  // Glyphs are kept in order of position; the usual case appends at the end.
  if (glyphs.empty() || glyphs.back().x + kSameCell < x) {
    if (ch != ' ' || (style & kStyleUnderline)) glyphs.push_back({x, width, ch, style});
    return;
  }
  // Back over printed text (CR, BS, positioning): overstrike the glyph standing there.
  auto at = std::lower_bound(glyphs.begin(), glyphs.end(), x - kSameCell,
                             [](const PrintGlyph& g, float pos) { return g.x < pos; });
  if (at != glyphs.end() && std::fabs(at->x - x) < kSameCell) {
    bool bold = false;
    bool underline = false;
    at->ch = CombineOverstrike(at->ch, ch, &bold, &underline);
    at->style |= style;
    if (bold) at->style |= kStyleBold;
    if (underline) at->style |= kStyleUnderline;
    return;
  }
  if (ch != ' ' || (style & kStyleUnderline)) glyphs.insert(at, {x, width, ch, style});
}

void PrinterTextInterpreter::EmitLine() {
  if (line_.glyphs.empty()) return;
  line_.y = y_;
  line_.spacing = spacing_;
  line_.feeds = feeds_;
  sink_->OnLine(line_);
  line_.glyphs.clear();
  page_has_content_ = true;
  page_after_overflow_ = false;
}

void PrinterTextInterpreter::LineFeed(float advance) {
  EmitLine();
  y_ += advance;
  // No room for another line: the rest goes on the next page.
  if (y_ > 0 && y_ + spacing_ > printable_height_ + kSameCell) {
    EndPage();
    page_after_overflow_ = true;
  }
}

void PrinterTextInterpreter::EndPage() {
  sink_->OnPageEnd();
  ++pages_;
  y_ = 0;
  feeds_ = 0;
  page_has_content_ = false;
  page_after_overflow_ = false;
}

void PrinterTextInterpreter::FormFeed() {
  EmitLine();
  x_ = 0;
  line_double_width_ = false;
  // A form feed right after a page ran full only finishes that page; one before
  // anything was printed only brings the paper to the top of the first page.
  if ((page_after_overflow_ || pages_ == 0) && !page_has_content_ && y_ == 0) {
    page_after_overflow_ = false;
    return;
  }
  EndPage();
}

void PrinterTextInterpreter::Finish() {
  if (!utf8_pending_.empty()) {
    utf8_pending_.clear();
    Put(U'?');
  }
  state_ = State::kText;
  EmitLine();
  if (page_has_content_ || pages_ == 0) EndPage();
}

}  // namespace hurt::session
