#include "console/key_decoder.h"

#include <vector>

#include "base/cp852.h"
#include "console/keys.h"

namespace hurt::console {

namespace {

constexpr unsigned char kEscByte = 0x1B;
// Longest escape sequence kept waiting; anything longer is noise and is dropped.
constexpr size_t kMaxSequence = 40;

struct Mods {
  bool shift = false;
  bool alt = false;
  bool ctrl = false;
};

// The xterm modifier parameter: 1 + (1 Shift, 2 Alt, 4 Ctrl, 8 Meta).
Mods ModsOf(int param) {
  int m = param > 1 ? param - 1 : 0;
  return Mods{(m & 1) != 0, (m & 2) != 0 || (m & 8) != 0, (m & 4) != 0};
}

int FunctionKey(int n, Mods m) {
  if (n < 1 || n > 12) return 0;
  if (m.ctrl) return key::CtrlF(n);
  if (m.alt) return key::AltF(n);
  if (m.shift) return key::ShiftF(n);
  return key::F(n);
}

enum class Nav { kUp, kDown, kLeft, kRight, kHome, kEnd, kPgUp, kPgDn, kIns, kDel };

int NavKey(Nav n, Mods m) {
  using namespace key;
  switch (n) {
    case Nav::kUp: return m.ctrl ? kCtrlUp : m.alt ? kAltUp : kUp;
    case Nav::kDown: return m.ctrl ? kCtrlDown : m.alt ? kAltDown : kDown;
    case Nav::kLeft: return m.ctrl ? kCtrlLeft : m.alt ? kAltLeft : kLeft;
    case Nav::kRight: return m.ctrl ? kCtrlRight : m.alt ? kAltRight : kRight;
    case Nav::kHome: return m.ctrl ? kCtrlHome : m.alt ? kAltHome : kHome;
    case Nav::kEnd: return m.ctrl ? kCtrlEnd : m.alt ? kAltEnd : kEnd;
    case Nav::kPgUp: return m.ctrl ? kCtrlPgUp : m.alt ? kAltPgUp : kPgUp;
    case Nav::kPgDn: return m.ctrl ? kCtrlPgDn : m.alt ? kAltPgDn : kPgDn;
    case Nav::kIns: return m.ctrl ? kCtrlIns : m.alt ? kAltIns : kIns;
    case Nav::kDel: return m.ctrl ? kCtrlDel : m.alt ? kAltDel : kDel;
  }
  return 0;
}

// Alt with a byte that followed ESC, or 0.
int AltOfByte(unsigned char b) {
  if (b == 0x7F || b == 0x08) return key::kAltBackspace;
  if (b == '\r') return key::kAltEnter;
  if (b < 0x80) return key::Alt(static_cast<char>(b));
  return 0;
}

// A character with modifiers as the "other keys" reports give it (CSI 27;m;c ~, CSI c;m u).
int OtherKey(int codepoint, Mods m) {
  if (codepoint <= 0 || codepoint > 0x10FFFF) return 0;
  if (codepoint < 0x80) {
    char c = static_cast<char>(codepoint);
    if (m.alt) {
      if (int k = AltOfByte(static_cast<unsigned char>(c))) return k;
    }
    if (m.ctrl && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return (c & 0x1F);
    if (c == '\t' && m.shift) return key::kShiftTab;
    return KeyOfByte(static_cast<unsigned char>(c));
  }
  return UnicodeToCp852(static_cast<char32_t>(codepoint));
}

std::vector<int> ParseParams(std::string_view params) {
  std::vector<int> out;
  int value = 0;
  bool any = false;
  for (char c : params) {
    if (c >= '0' && c <= '9') {
      if (value < 100000) value = value * 10 + (c - '0');
      any = true;
    } else if (c == ';' || c == ':') {
      out.push_back(any ? value : 1);
      value = 0;
      any = false;
    }
  }
  out.push_back(any ? value : 1);
  return out;
}

int DecodeCsi(std::string_view params, char final) {
  if (!params.empty() && (params[0] == '<' || params[0] == '?' || params[0] == '>' || params[0] == '='))
    return 0;  // private reports (mouse, device attributes): no key
  std::vector<int> p = ParseParams(params);
  Mods m = ModsOf(p.size() > 1 ? p[1] : 1);
  switch (final) {
    case 'A': return NavKey(Nav::kUp, m);
    case 'B': return NavKey(Nav::kDown, m);
    case 'C': return NavKey(Nav::kRight, m);
    case 'D': return NavKey(Nav::kLeft, m);
    case 'H': return NavKey(Nav::kHome, m);
    case 'F': return NavKey(Nav::kEnd, m);
    case 'P': return FunctionKey(1, m);
    case 'Q': return FunctionKey(2, m);
    case 'R': return FunctionKey(3, m);
    case 'S': return FunctionKey(4, m);
    case 'Z': return key::kShiftTab;
    case 'a': return key::kUp;  // rxvt Shift+arrows
    case 'b': return key::kDown;
    case 'c': return key::kRight;
    case 'd': return key::kLeft;
    case 'u': return OtherKey(p[0], m);
    case '~': case '^': case '$': case '@': {
      if (final == '^') m.ctrl = true;  // rxvt: ^ Ctrl, $ Shift, @ Ctrl+Shift
      if (final == '$') m.shift = true;
      if (final == '@') m.ctrl = m.shift = true;
      int code = p[0];
      if (code == 27 && p.size() >= 3) return OtherKey(p[2], ModsOf(p[1]));
      switch (code) {
        case 1: case 7: return NavKey(Nav::kHome, m);
        case 2: return NavKey(Nav::kIns, m);
        case 3: return NavKey(Nav::kDel, m);
        case 4: case 8: return NavKey(Nav::kEnd, m);
        case 5: return NavKey(Nav::kPgUp, m);
        case 6: return NavKey(Nav::kPgDn, m);
        case 11: case 12: case 13: case 14: case 15: return FunctionKey(code - 10, m);
        case 17: case 18: case 19: case 20: case 21: return FunctionKey(code - 11, m);
        case 23: return FunctionKey(11, m);
        case 24: return FunctionKey(12, m);
        // Linux console and rxvt send Shift+F3..F10 as F13..F20.
        case 25: return key::ShiftF(3);
        case 26: return key::ShiftF(4);
        case 28: return key::ShiftF(5);
        case 29: return key::ShiftF(6);
        case 31: return key::ShiftF(7);
        case 32: return key::ShiftF(8);
        case 33: return key::ShiftF(9);
        case 34: return key::ShiftF(10);
        default: return 0;
      }
    }
    default:
      return 0;
  }
}

int DecodeSs3(std::string_view params, char final) {
  Mods m = ModsOf(params.empty() ? 1 : ParseParams(params)[0]);
  switch (final) {
    case 'A': return NavKey(Nav::kUp, m);
    case 'B': return NavKey(Nav::kDown, m);
    case 'C': return NavKey(Nav::kRight, m);
    case 'D': return NavKey(Nav::kLeft, m);
    case 'H': return NavKey(Nav::kHome, m);
    case 'F': return NavKey(Nav::kEnd, m);
    case 'P': return FunctionKey(1, m);
    case 'Q': return FunctionKey(2, m);
    case 'R': return FunctionKey(3, m);
    case 'S': return FunctionKey(4, m);
    case 'M': return key::kEnter;
    case 'a': return key::kCtrlUp;  // rxvt Ctrl+arrows
    case 'b': return key::kCtrlDown;
    case 'c': return key::kCtrlRight;
    case 'd': return key::kCtrlLeft;
    case 'j': return '*';
    case 'k': return '+';
    case 'l': return ',';
    case 'm': return '-';
    case 'n': return '.';
    case 'o': return '/';
    case 'X': return '=';
    default:
      if (final >= 'p' && final <= 'y') return '0' + (final - 'p');  // application keypad digits
      return 0;
  }
}

size_t Utf8Length(unsigned char lead) { return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2; }

}  // namespace

int KeyOfByte(unsigned char b) {
  if (b == 0x7F) return key::kBackspace;
  if (b == kEscByte) return key::kEsc;
  if (b >= 0x1C && b <= 0x1F) return 0;  // Ctrl+\ ] ^ _ : would read as F1 and Ctrl keys
  return b;  // 0 stays "no key"; 1..26 are the Ctrl keys; the rest are characters
}

void KeyTable::Add(std::string_view bytes, int key) {
  if (bytes.size() < 2 || key == 0) return;
  entries_[std::string(bytes)] = key;
}

KeyTable::Match KeyTable::Find(std::string_view bytes, int* key) const {
  auto it = entries_.lower_bound(bytes);
  bool exact = false;
  if (it != entries_.end() && it->first == bytes) {
    exact = true;
    if (key) *key = it->second;
    ++it;
  }
  bool prefix = it != entries_.end() && it->first.size() > bytes.size() && it->first.compare(0, bytes.size(), bytes) == 0;
  if (exact) return prefix ? Match::kExactAndPrefix : Match::kExact;
  return prefix ? Match::kPrefix : Match::kNone;
}

std::optional<int> KeyDecoder::Next() {
  if (keys_.empty()) return std::nullopt;
  int k = keys_.front();
  keys_.pop_front();
  return k;
}

void KeyDecoder::Feed(std::string_view bytes) {
  for (char c : bytes) Feed(c);
}

void KeyDecoder::Feed(char byte) {
  unsigned char b = static_cast<unsigned char>(byte);
  if (pending_.empty()) {
    FeedFresh(b);
    return;
  }
  if (static_cast<unsigned char>(pending_[0]) != kEscByte) {  // a UTF-8 character in progress
    if ((b & 0xC0) != 0x80) {
      pending_.clear();  // broken character: dropped
      FeedFresh(b);
      return;
    }
    pending_ += static_cast<char>(b);
    Resolve();
    return;
  }
  pending_ += static_cast<char>(b);
  Resolve();
}

void KeyDecoder::FeedFresh(unsigned char b) {
  if (b == kEscByte) {
    pending_.assign(1, static_cast<char>(b));
  } else if (b >= 0xC0 && b < 0xF8) {
    pending_.assign(1, static_cast<char>(b));
  } else if (b >= 0x80) {
    // a stray continuation byte: no key
  } else {
    Emit(KeyOfByte(b));
  }
}

void KeyDecoder::Resolve() {
  unsigned char b0 = static_cast<unsigned char>(pending_[0]);
  if (b0 != kEscByte) {
    if (pending_.size() < Utf8Length(b0)) return;
    size_t i = 0;
    char32_t cp = DecodeUtf8(pending_, i);
    pending_.clear();
    if (cp != 0xFFFD) Emit(UnicodeToCp852(cp));
    return;
  }

  int table_key = 0;
  KeyTable::Match match = table_.Find(pending_, &table_key);
  if (match == KeyTable::Match::kExact) {
    Emit(table_key);
    pending_.clear();
    return;
  }
  if (match != KeyTable::Match::kNone) return;  // the table knows longer sequences: wait
  if (pending_.size() == 1) return;

  unsigned char b1 = static_cast<unsigned char>(pending_[1]);
  if (b1 == kEscByte) {  // ESC ESC: the first was the Esc key
    Emit(key::kEsc);
    pending_.erase(0, 1);
    Resolve();
    return;
  }
  if (pending_.size() > kMaxSequence) {
    pending_.clear();
    return;
  }

  if (b1 == '[') {
    if (pending_.size() == 2) return;
    if (pending_[2] == '[') {  // Linux console F1..F5: ESC [ [ A .. E
      if (pending_.size() < 4) return;
      char f = pending_[3];
      if (f >= 'A' && f <= 'E') Emit(key::F(f - 'A' + 1));
      pending_.clear();
      return;
    }
    for (size_t i = 2; i < pending_.size(); ++i) {
      unsigned char c = static_cast<unsigned char>(pending_[i]);
      bool param = c >= 0x30 && c <= 0x3F;
      bool intermediate = c >= 0x20 && c <= 0x2F && c != '$';
      if (param || intermediate) continue;
      if ((c >= 0x40 && c <= 0x7E) || c == '$') {
        Emit(DecodeCsi(std::string_view(pending_).substr(2, i - 2), static_cast<char>(c)));
        pending_.erase(0, i + 1);
        if (!pending_.empty()) Resolve();
        return;
      }
      // A control byte inside the sequence: the sequence is broken; the byte is a key.
      pending_.clear();
      FeedFresh(c);
      return;
    }
    return;  // parameters so far: wait for the final byte
  }

  if (b1 == 'O') {
    if (pending_.size() == 2) return;
    for (size_t i = 2; i < pending_.size(); ++i) {
      unsigned char c = static_cast<unsigned char>(pending_[i]);
      if ((c >= '0' && c <= '9') || c == ';') continue;
      if (c >= 0x40 && c <= 0x7E) {
        Emit(DecodeSs3(std::string_view(pending_).substr(2, i - 2), static_cast<char>(c)));
        pending_.erase(0, i + 1);
        if (!pending_.empty()) Resolve();
        return;
      }
      pending_.clear();
      FeedFresh(c);
      return;
    }
    return;
  }

  // ESC and one more byte: Alt with that key, or Esc followed by it. Bytes held after
  // them (a table sequence that did not complete) are read afresh.
  std::string rest = pending_.substr(2);
  pending_.clear();
  if (int alt = AltOfByte(b1)) {
    Emit(alt);
  } else {
    Emit(key::kEsc);
    FeedFresh(b1);
  }
  for (char c : rest) Feed(c);
}

void KeyDecoder::Timeout() {
  if (pending_.empty()) return;
  unsigned char b0 = static_cast<unsigned char>(pending_[0]);
  if (b0 != kEscByte) {  // half a UTF-8 character
    pending_.clear();
    return;
  }
  int table_key = 0;
  if (table_.Find(pending_, &table_key) == KeyTable::Match::kExactAndPrefix) {
    Emit(table_key);
  } else if (pending_.size() == 1) {
    Emit(key::kEsc);
  } else if (pending_.size() == 2) {
    unsigned char b1 = static_cast<unsigned char>(pending_[1]);
    if (int alt = AltOfByte(b1)) {
      Emit(alt);  // ESC O alone is Alt+O
    } else {
      Emit(key::kEsc);
      Emit(KeyOfByte(b1));
    }
  }
  // A longer sequence cut short is noise: dropped.
  pending_.clear();
}

}  // namespace hurt::console
