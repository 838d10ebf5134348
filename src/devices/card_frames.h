// The frames of the two payment card terminal families, and the few replies read back.
// Free of the session: the station's side is card_terminal.h.
//
// Elavon: an 8-byte head, then tagged fields.
//   head   length of the fields (4 bytes, little-endian), 0x00 0x02, 0x00, command code
//   field  tag (2, LE), value type (2, LE: 2 text, 8 two-digit or free text), value
//          length (4, LE), value
// Fiserv: a 2-byte length (0x00, then the text's length as one byte) and a text of fields
// separated by "|".
//
// Amounts go in grosze as 12 digits, rounded to the grosz (12.34 gives "000000001234",
// never the 1233 that cutting 1233.9999... would give).
//
// Replies (the terminals answer in their own frames; only these fields are read):
//   Elavon status          17 bytes; the 17th is the terminal's state
//   Elavon transaction,    a frame of the same command with tag 39 the result ("00"
//   last-transaction copy  approved), tag 1 the amount, tag 9 the type, tag 10 the receipt
//                          number; a copy with no tag 39 means no transaction yet
//   Fiserv hello           28 bytes; characters 20 to 27 are the terminal identifier
//   Fiserv transaction     "|<code>|<result>|<amount>|<receipt>|", result "00" approved
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hurt::devices {

enum class CardFamily { kElavon, kFiserv };
enum class CardTxnType { kSale = 0, kRefund = 1, kCancel = 2 };

// 12 digits of grosze; "000000000000" when the amount is not positive.
std::string GroszeText(double amount);
// The receipt number of a cancellation: its digits right-aligned in 6, zero-padded
// ("12" gives "000012"); more than 6 digits keep the last 6.
std::string ReceiptText(std::string_view receipt);
// The address in an address file: only digits and dots kept; "" (this machine) when
// nothing is left or 16 or more characters are.
std::string TerminalAddressOf(std::string_view file_text);
// The text of an Elavon state byte, Polish letters as plain ones.
std::string_view ElavonStateText(int state);
// A text for the terminal: Polish letters (code page 852) as plain ones, other bytes
// outside printable ASCII dropped.
std::string TerminalText(std::string_view cp852);

namespace elavon {

inline constexpr uint8_t kTransaction = 0x02;
inline constexpr uint8_t kSettlement = 0x08;
inline constexpr uint8_t kStatus = 0x1C;
inline constexpr uint8_t kSetClock = 0x1D;
inline constexpr uint8_t kPrintText = 0x1F;
inline constexpr uint8_t kSetEcrAddress = 0x36;
inline constexpr uint8_t kCancelKey = 0x37;
inline constexpr uint8_t kLastTransaction = 0x42;

inline constexpr int kTransactionPort = 5188;
inline constexpr int kStatusPort = 5189;
inline constexpr int kSettlementPort = 5191;

// The longest text of print text and set address: their lengths fill one byte.
inline constexpr size_t kMaxText = 247;
inline constexpr size_t kStatusReplySize = 17;

struct Field {
  uint16_t tag = 0;
  uint16_t type = 2;
  std::string value;
  friend bool operator==(const Field&, const Field&) = default;
};

std::string EncodeField(const Field& f);
std::string EncodeFrame(uint8_t command, const std::vector<Field>& fields);

std::string Transaction(CardTxnType type, double amount, std::string_view receipt = {});
std::string Settlement();
std::string Status();
struct ClockParts {
  int hour = 0, minute = 0, second = 0, day = 1, month = 1, year = 2000;
};
std::string SetClock(const ClockParts& c);
std::string PrintText(std::string_view text);
std::string SetEcrAddress(std::string_view address);
std::string CancelKey();
std::string LastTransaction();

// A whole frame split: its command and fields. nullopt while `bytes` holds less than a
// frame or when it is no frame; `used` gets the frame's size.
struct Decoded {
  uint8_t command = 0;
  std::vector<Field> fields;
  const Field* Find(uint16_t tag) const;
};
std::optional<Decoded> DecodeFrame(std::string_view bytes, size_t* used = nullptr);
// Bytes that cannot begin a frame (a head whose bytes 4 to 6 are not 0x00 0x02 0x00).
bool BadHead(std::string_view bytes);

// The 17th byte of a status reply; nullopt when fewer came.
std::optional<int> StatusState(std::string_view reply);

}  // namespace elavon

namespace fiserv {

inline constexpr int kPort = 8282;
inline constexpr size_t kHelloReplySize = 28;

std::string Wrap(std::string_view text);
std::string Sale(double amount);
std::string Refund(double amount);
std::string Cancel(std::string_view receipt);
std::string Cutoff();
std::string Hello();

// The text of a whole frame at the start of `bytes`; nullopt while it is not all there.
std::optional<std::string> Unwrap(std::string_view bytes, size_t* used = nullptr);
// The terminal identifier of a hello reply ("" when the reply is short).
std::string HelloTid(std::string_view reply);
// The fields of a text: "|a|b|" gives {"a", "b"}.
std::vector<std::string> Fields(std::string_view text);

}  // namespace fiserv

// A transaction's answer as both families give it.
struct CardAnswer {
  bool approved = false;
  std::string result;   // the terminal's result code
  std::string amount;   // 12 digits
  std::string receipt;  // the terminal's receipt number
  int type = -1;        // CardTxnType, -1 when not said
};
// From an Elavon transaction reply or last-transaction copy; nullopt when the copy names
// no transaction.
std::optional<CardAnswer> ElavonAnswer(const elavon::Decoded& frame);
std::optional<CardAnswer> FiservAnswer(std::string_view text);

}  // namespace hurt::devices
