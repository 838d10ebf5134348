#include "sim_frames.h"

#include <cstdio>
#include <cctype>
#include <cstdlib>

namespace hurt::fiscal_sim {
namespace {

constexpr char kEsc = 27;
constexpr char kStx = 2;
constexpr char kEtx = 3;
constexpr char kTab = 9;
constexpr char kEnq = 5;
constexpr std::string_view kPacketOpen = "<pakiet>";
constexpr std::string_view kPacketClose = "</pakiet>";

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

Frame Bad(Frame f, std::string problem) {
  f.good = false;
  f.problem = std::move(problem);
  return f;
}

Frame ParseEscape(std::string raw) {
  Frame f;
  f.dialect = Dialect::kEscape;
  f.raw = raw;
  std::string content = raw.substr(2, raw.size() - 4);  // between ESC P and ESC backslash
  // The command: the first "$x" or "#x" after parameters of digits and ";".
  size_t at = 0;
  while (at < content.size() && (std::isdigit(static_cast<unsigned char>(content[at])) || content[at] == ';')) ++at;
  if (at + 1 >= content.size() || (content[at] != '$' && content[at] != '#')) return Bad(f, "nie ma rozkazu");
  f.params = content.substr(0, at);
  f.command = content.substr(at, 2);
  std::string data = content.substr(at + 2);
  if (!EscapeFrameWithoutChecksum(f.command)) {
    if (data.size() < 2 || !IsHex(data[data.size() - 2]) || !IsHex(data.back())) return Bad(f, "brak sumy kontrolnej");
    const unsigned sent = static_cast<unsigned>(std::strtoul(data.substr(data.size() - 2).c_str(), nullptr, 16));
    const unsigned computed = XorChecksum(content.substr(0, content.size() - 2));
    data.resize(data.size() - 2);
    if (sent != computed) {
      char text[64];
      std::snprintf(text, sizeof text, "suma kontrolna %02X, powinna byc %02X", sent, computed);
      f.data = data;
      return Bad(f, text);
    }
  }
  f.data = data;
  return f;
}

Frame ParseTab(std::string raw) {
  Frame f;
  f.dialect = Dialect::kTab;
  f.raw = raw;
  const std::string inside = raw.substr(1, raw.size() - 2);  // between STX and ETX
  const size_t hash = inside.rfind('#');
  if (hash == std::string::npos || inside.size() - hash - 1 != 4) return Bad(f, "brak CRC");
  const std::string body = inside.substr(0, hash);
  const std::string crc_text = inside.substr(hash + 1);
  for (char c : crc_text) {
    if (!IsHex(c)) return Bad(f, "zly zapis CRC");
  }
  const unsigned sent = static_cast<unsigned>(std::strtoul(crc_text.c_str(), nullptr, 16));
  const unsigned computed = Crc16(body);
  if (body.empty() || body.back() != kTab) return Bad(f, "ostatnie pole bez TAB");
  size_t start = 0;
  bool first = true;
  while (start < body.size()) {
    const size_t tab = body.find(kTab, start);
    const std::string piece = body.substr(start, tab - start);
    if (first) {
      f.command = piece;
      first = false;
    } else {
      f.fields.push_back({piece.substr(0, 2), piece.size() > 2 ? piece.substr(2) : std::string()});
    }
    start = tab + 1;
  }
  if (sent != computed) {
    char text[64];
    std::snprintf(text, sizeof text, "CRC %04X, powinno byc %04X", sent, computed);
    return Bad(f, text);
  }
  return f;
}

std::string Unescape(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '&') {
      out.push_back(s[i]);
      continue;
    }
    const size_t semi = s.find(';', i);
    if (semi == std::string_view::npos) {
      out.push_back('&');
      continue;
    }
    const std::string_view name = s.substr(i + 1, semi - i - 1);
    if (name == "amp") out.push_back('&');
    else if (name == "lt") out.push_back('<');
    else if (name == "gt") out.push_back('>');
    else if (name == "quot") out.push_back('"');
    else out += std::string(s.substr(i, semi - i + 1));
    i = semi;
  }
  return out;
}

Frame ParseXml(std::string raw) {
  Frame f;
  f.dialect = Dialect::kXml;
  f.raw = raw;
  std::string_view s(raw);
  s = s.substr(kPacketOpen.size(), s.size() - kPacketOpen.size() - kPacketClose.size());
  int depth = 0;
  size_t i = 0;
  while (i < s.size()) {
    if (s[i] != '<') {
      const size_t next = s.find('<', i);
      const std::string_view text = s.substr(i, next - i);
      if (!f.elements.empty()) f.elements.back().text += Unescape(text);
      i = next == std::string_view::npos ? s.size() : next;
      continue;
    }
    const size_t end = s.find('>', i);
    if (end == std::string_view::npos) return Bad(f, "niedokonczony znacznik");
    std::string_view tag = s.substr(i + 1, end - i - 1);
    i = end + 1;
    if (!tag.empty() && tag[0] == '/') {
      --depth;
      continue;
    }
    const bool closed = !tag.empty() && tag.back() == '/';
    if (closed) tag.remove_suffix(1);
    Frame::Element e;
    e.depth = depth;
    size_t p = tag.find(' ');
    e.name = std::string(tag.substr(0, p));
    while (p != std::string_view::npos && p < tag.size()) {
      while (p < tag.size() && tag[p] == ' ') ++p;
      const size_t eq = tag.find('=', p);
      if (eq == std::string_view::npos) break;
      const size_t q1 = tag.find('"', eq);
      const size_t q2 = q1 == std::string_view::npos ? q1 : tag.find('"', q1 + 1);
      if (q2 == std::string_view::npos) return Bad(f, "zly atrybut w " + e.name);
      e.attributes[std::string(tag.substr(p, eq - p))] = Unescape(tag.substr(q1 + 1, q2 - q1 - 1));
      p = q2 + 1;
    }
    f.elements.push_back(std::move(e));
    if (!closed) ++depth;
  }
  if (depth != 0) return Bad(f, "niezamkniety element");
  return f;
}

}  // namespace

std::string Frame::Field(std::string_view name) const {
  for (const auto& [n, v] : fields) {
    if (n == name) return v;
  }
  return "";
}

bool EscapeFrameWithoutChecksum(std::string_view command) { return command == "$d" || command == "#n"; }

unsigned XorChecksum(std::string_view content) {
  unsigned sum = 0xFF;
  for (char c : content) sum ^= static_cast<unsigned char>(c);
  return sum & 0xFF;
}

unsigned Crc16(std::string_view bytes) {
  unsigned crc = 0;
  for (char c : bytes) {
    crc ^= static_cast<unsigned>(static_cast<unsigned char>(c)) << 8;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x8000) != 0 ? ((crc << 1) ^ 0x1021) & 0xFFFF : (crc << 1) & 0xFFFF;
  }
  return crc;
}

std::string Readable(std::string_view bytes) {
  std::string out;
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b == 13) out += "<CR>";
    else if (b == 27) out += "<ESC>";
    else if (b == 9) out += "<TAB>";
    else if (b == 10) out += "<LF>";
    else if (b < 32 || b >= 127) {
      char text[8];
      std::snprintf(text, sizeof text, "<%02X>", b);
      out += text;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

void FrameSplitter::Add(std::string_view bytes) { buffer_ += bytes; }

std::optional<Frame> FrameSplitter::Next() {
  for (;;) {
    if (buffer_.empty()) return std::nullopt;
    const char c = buffer_[0];
    if (c == kEnq) {
      buffer_.erase(0, 1);
      Frame f;
      f.dialect = Dialect::kStatus;
      f.raw = std::string(1, kEnq);
      return f;
    }
    if (c == kEsc) {
      if (buffer_.size() < 2) return std::nullopt;
      if (buffer_[1] != 'P') {
        buffer_.erase(0, 1);
        continue;
      }
      const size_t end = buffer_.find(std::string{kEsc, '\\'}, 2);
      if (end == std::string::npos) return std::nullopt;
      std::string raw = buffer_.substr(0, end + 2);
      buffer_.erase(0, end + 2);
      return ParseEscape(std::move(raw));
    }
    if (c == kStx) {
      const size_t end = buffer_.find(kEtx, 1);
      if (end == std::string::npos) return std::nullopt;
      std::string raw = buffer_.substr(0, end + 1);
      buffer_.erase(0, end + 1);
      return ParseTab(std::move(raw));
    }
    if (c == '<') {
      if (buffer_.size() < kPacketOpen.size()) {
        if (std::string_view(kPacketOpen).substr(0, buffer_.size()) == buffer_) return std::nullopt;
        buffer_.erase(0, 1);
        continue;
      }
      if (buffer_.compare(0, kPacketOpen.size(), kPacketOpen) != 0) {
        buffer_.erase(0, 1);
        continue;
      }
      const size_t end = buffer_.find(kPacketClose);
      if (end == std::string::npos) return std::nullopt;
      std::string raw = buffer_.substr(0, end + kPacketClose.size());
      buffer_.erase(0, end + kPacketClose.size());
      return ParseXml(std::move(raw));
    }
    buffer_.erase(0, 1);  // noise between frames
  }
}

}  // namespace hurt::fiscal_sim
