// Turns the bytes a terminal sends into key codes (console/keys.h).
//
// The decoder is pure: bytes go in through Feed(), keys come out of Next(), and time
// enters only through Timeout(), which the caller invokes when no byte came within the
// escape delay. That is the one place where a lone ESC (the Esc key) is told from the
// start of an escape sequence, so a test can pin it down without sleeping.
//
// Sequences are recognised in two ways:
//   - a table of the terminal's own sequences, taken from terminfo (kf1..kf63, kcuu1,
//     the extended names kUP5, kLFT5, kHOM5, kPRV5 …), which wins where it has an entry;
//   - a general parser of the ECMA-48 forms every common terminal uses: CSI with
//     parameters and the xterm modifier (ESC [ 1 ; 5 D is Ctrl+Left, ESC [ 15 ; 2 ~ is
//     Shift+F5), SS3 (ESC O P is F1), the Linux console's ESC [ [ A .. E, rxvt's
//     ESC [ 11 ^ and ESC O a, and ESC followed by a character as Alt+character.
// Text arrives as UTF-8 and leaves as code page 852 bytes; characters that code page
// 852 lacks are dropped.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace hurt::console {

// Byte sequences of one terminal and their keys.
class KeyTable {
 public:
  enum class Match { kNone, kPrefix, kExact, kExactAndPrefix };

  // Adds (or replaces) one sequence. Empty and one-byte sequences are ignored: single
  // bytes are decoded directly.
  void Add(std::string_view bytes, int key);
  Match Find(std::string_view bytes, int* key) const;
  size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }

 private:
  std::map<std::string, int, std::less<>> entries_;
};

class KeyDecoder {
 public:
  explicit KeyDecoder(KeyTable table = {}) : table_(std::move(table)) {}

  void Feed(std::string_view bytes);
  void Feed(char byte);
  // No byte came within the escape delay: a lone ESC becomes Esc, a sequence cut short
  // becomes Esc followed by its characters.
  void Timeout();
  // True while bytes are held back waiting for the rest of a sequence: the caller should
  // call Timeout() if nothing more arrives within the escape delay.
  bool Waiting() const { return !pending_.empty(); }

  bool HasKey() const { return !keys_.empty(); }
  std::optional<int> Next();

 private:
  void FeedFresh(unsigned char b);
  void Resolve();
  void Emit(int key) {
    if (key != 0) keys_.push_back(key);
  }
  void FlushAsText();

  KeyTable table_;
  std::string pending_;  // an escape sequence or a UTF-8 character in progress
  std::deque<int> keys_;
};

// Key code of a control byte or a code page 852 character as a terminal sends it, or 0
// for bytes that stand for no key.
int KeyOfByte(unsigned char byte);

}  // namespace hurt::console
