// fiscal-sim: the bytes a station sends, cut into frames and checked.
//
// The simulator checks what a printer checks, on its own (it does not borrow the
// station's code): the escape frames' XOR checksum and the tab-field frames' CRC-16
// (polynomial 0x1021, start 0, computed bit by bit here).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hurt::fiscal_sim {

enum class Dialect { kEscape, kTab, kXml, kStatus };

// One frame as it came, and what it says.
struct Frame {
  Dialect dialect = Dialect::kEscape;
  std::string raw;
  bool good = true;          // checksum or CRC right, the frame readable
  std::string problem;       // what was wrong when not good
  // Escape frames: parameters, the two-character command ("$h", "#r"), the data.
  std::string params;
  std::string command;
  std::string data;
  // Tab-field frames: the command and its fields by two-letter name (in order).
  std::vector<std::pair<std::string, std::string>> fields;
  // Packets: each element with its attributes, children flattened after their parent.
  struct Element {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::string text;
    int depth = 0;
  };
  std::vector<Element> elements;

  std::string Field(std::string_view name) const;
};

// Cuts a byte stream into frames. Bytes outside any frame are dropped (noise on a line).
class FrameSplitter {
 public:
  void Add(std::string_view bytes);
  // The next complete frame, if one has come.
  std::optional<Frame> Next();

 private:
  std::string buffer_;
};

// The escape frames that carry no checksum: the drawer, the display, the preamble of
// cash operations and the enquiry.
bool EscapeFrameWithoutChecksum(std::string_view command);
unsigned XorChecksum(std::string_view content);
unsigned Crc16(std::string_view bytes);

// A readable form of bytes: control characters as <CR>, <ESC>, <TAB>, <0x05>.
std::string Readable(std::string_view bytes);

}  // namespace hurt::fiscal_sim
