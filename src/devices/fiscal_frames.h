// The frames the station sends to a fiscal printer, byte for byte, in its three dialects.
//
//   escape-frame  ESC "P" <parameters><command><data> <checksum> ESC "\"
//                 checksum (CHECKSUM): 0xFF XOR every byte after ESC "P" up to the last
//                 data byte, as two upper-case hexadecimal digits ("0#r" gives "9E"). The
//                 drawer, display, preamble ("4$d") and enquiry frames carry none.
//   tab-field     STX <command> TAB { <two-letter name><value> TAB } "#" <crc> ETX
//                 crc (CHECKSUM2): CRC-16/XMODEM (polynomial 0x1021, start 0, no
//                 reflection, no final XOR) of the bytes after STX up to and including the
//                 last TAB, as four upper-case hexadecimal digits, high byte first.
//   XML packets   "<pakiet>" <element .../> "</pakiet>", one message per packet.
//
// Which dialect a frame takes is decided per frame from the settings (fiscal_printer.h).
// Where a dialect has no frame of its own for an operation (the error-handling mode of the
// escape dialect, the enquiry), it sends nothing; a cancel in the tab-field dialect is
// "prcancel", storno lines carry "st1" there and storno="tak" in a packet.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/date.h"

namespace hurt::devices {

enum class Dialect { kEscape, kTab, kXml };

inline constexpr char kEsc = 27;
inline constexpr char kCr = 13;
inline constexpr char kStx = 2;
inline constexpr char kEtx = 3;
inline constexpr char kTab = 9;
inline constexpr char kEnq = 5;
inline constexpr char kFormFeed = 12;

// One frame, and how long the station waits after it.
struct Frame {
  std::string bytes;
  int pause_ms = 0;
  friend bool operator==(const Frame&, const Frame&) = default;
};
using Frames = std::vector<Frame>;

// ---- the three framings ----

// CHECKSUM of the content after ESC "P": two upper-case hex digits.
std::string EscChecksum(std::string_view content);
// ESC "P" content checksum ESC "\".
std::string EscFrame(std::string_view content);
// ESC "P" content ESC "\" (no checksum).
std::string EscFrameBare(std::string_view content);

uint16_t Crc16Xmodem(std::string_view bytes);
using TabFields = std::vector<std::pair<std::string, std::string>>;
// STX command TAB fields... "#" CRC ETX.
std::string TabFrame(std::string_view command, const TabFields& fields);

// An element of a packet: attributes in order, children, and text inside.
struct XmlElement {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;
  std::vector<XmlElement> children;
  std::string text;
};
// "<pakiet>" elements "</pakiet>"; attribute values and texts are escaped.
std::string XmlPacket(const std::vector<XmlElement>& elements);

// ---- what each operation carries ----

struct BeginReceipt {
  std::string till = "1";       // M_NR_KASY
  std::string rd, nrd;          // the document
  int part = 1;                 // the receipt's digit: 2 for the second receipt of a document
  std::string operator_name;    // M_NAZWISKO (code page 852)
  std::string nip;              // the buyer's tax number when it goes on the receipt, else ""
};

struct BeginInvoice {
  std::string rd, nrd;
  std::vector<std::string> buyer;  // the wrapped buyer lines (plain letters)
  std::string nip;
  JulianDay issue_date = 0;
  JulianDay due_date = 0;
  char spz = 'G';
  std::string payment_text;   // "GOTOWKA", "PRZELEW" ...
  std::string bank_account;   // FIRMA->NRBO, for "P" and "T"
  std::string recipient;      // the document's recipient text (at most 44 characters sent)
  std::string operator_name;
};

struct SaleLine {
  int lp = 1;                 // 0: a storno line (negative quantity sent positive)
  std::string name;           // as DF_WIERSZ made it
  double quantity = 0;
  bool three_decimals = false;  // J_I3 "3"
  std::string rate_letter = "A";
  std::string rate_digit = "0";
  std::string unit;
  double price = 0;
  double value = 0;
};

enum class PaymentKind { kCash, kCard, kOther };

struct CloseReceipt {
  std::string till = "1";
  std::string operator_nr;    // M_NR
  std::string rd, nrd;
  double paid = 0;
  double total = 0;
  PaymentKind payment = PaymentKind::kCash;
  char spz = 'G';
  double vouchers = 0;        // BONY.TXT: the vouchers given
  bool thermal = false;       // THERMAL.TXT
  bool sd_nrd = false;        // SD_NRD.TXT: the document's number goes on the receipt
  bool bony = false;          // BONY.TXT
  bool fiscal_invoice = false;
  std::string nip;            // SD_NIP.TXT in the packet dialect
  std::string buyer;          // the buyer's first line, for a fiscal invoice's packet
};

struct Discount {
  int rate_number = 1;
  double rate_total = 0;
  double discount = 0;
  std::string name;
};

// ---- the operations in a dialect ----

class FrameSet {
 public:
  explicit FrameSet(Dialect dialect) : dialect_(dialect) {}
  Dialect dialect() const { return dialect_; }

  Frames Begin(const BeginReceipt& r) const;                 // HEADER
  Frames BeginFiscalInvoice(const BeginInvoice& r) const;
  Frames Line(const SaleLine& l) const;                      // DF_WIERSZ
  Frames RateDiscount(const Discount& d) const;
  Frames Close(const CloseReceipt& c) const;                 // ZATWIERDZ
  Frames Cancel() const;                                     // ANULUJ
  Frames CancelFromMenu(std::string_view till, std::string_view operator_nr) const;  // ANULOWANIE
  Frames ErrorMode(int mode) const;                          // BLEDY
  Frames DailyReport() const;                                // RAP_DOBOWY
  Frames PeriodReport(JulianDay from, JulianDay to) const;   // RAP_OKRESOWY
  Frames ShiftReport() const;
  Frames CashIn(double amount) const;                        // WPLATA_DO_KASY
  Frames CashOut(double amount) const;                       // WYPLATA_Z_KASY
  Frames CashState(int variant = 0) const;                   // STAN_KASY
  Frames SetClock(JulianDay day, int hour, int minute) const;  // SET_ZEGAR
  Frames Denomination() const;                               // DENOMINACJA
  Frames OpenDrawer() const;
  Frames Display(int digit, std::string_view text) const;
  Frames Header(bool second, const std::vector<std::string>& lines) const;  // NAGLOWEK
  Frames Enquiry() const;                                    // DF_ENQ
  Frames Status() const;                                     // STATUS: the byte ENQ

 private:
  Dialect dialect_;
};

// The close's code: kind + number when that is at most 8 characters, else the number.
std::string CloseCode(std::string_view rd, std::string_view nrd);

}  // namespace hurt::devices
