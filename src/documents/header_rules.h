// The rules of the document header that need no screen: the tax-number checksum, the
// number proposal, the working period's dates, the date and payment checks and the
// payment defaults of kinds, documents and customers.
//
// Each check returns a verdict: whether the field is accepted, the values it leaves in the
// header (a check may correct a field) and the messages to show, in order.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "documents/doc_kind.h"

namespace hurt::documents {

// A message for the message window: `seconds` as _OKNO_ takes them (-1: the plain
// one-second message).
struct HeaderMessage {
  std::string text;  // code page 852
  int seconds = -1;
};

// ---- tax numbers ----

enum class NipCheck { kRight, kWrong, kUntested };

// The tax number test: trimmed, a leading "PL" dropped; a number whose first character is
// not a digit 1-9 is foreign and not tested; of the digits, exactly 10 are tested (weights
// 6 5 7 2 3 4 5 6 7, the sum modulo 11 must equal the tenth digit; a remainder of 10 is
// always wrong), 11 digits pass untested with the marker PESEL.TXT, any other count is
// wrong.
NipCheck CheckNip(std::string_view nip, bool pesel_marker);

// ZLY_NIP: true when the number is wrong.
inline bool ZlyNip(std::string_view nip, bool pesel_marker) { return CheckNip(nip, pesel_marker) == NipCheck::kWrong; }

// The digits of a text, in order ("PL 123-45" gives "12345").
std::string DigitsOf(std::string_view text);

// ---- numbers ----

// A document number as stored: the whole number right-aligned in 8 characters.
std::string FormatNrd(long long number);

// The number proposed for a new document: last + 1, then one more while `taken` says the
// number is in dowod already (at most 30,000 steps; after them the last tried number).
std::string ProposeNumber(long long last, const std::function<bool(const std::string& nrd)>& taken);

// The number typed in the number field: cut at a "/", trimmed and right-aligned to 8.
// Empty when nothing is left.
std::string NormalizeTypedNrd(std::string_view typed);

// ---- the working period ----

struct Period {
  int year = 0;   // four digits
  int month = 0;  // 1..12 (13: the closing period, taken as December)
  JulianDay First() const;
  JulianDay Last() const;
  bool Contains(JulianDay d) const { return d >= First() && d <= Last(); }
};

// The period of HH ("yy/mm"); month 0 when HH is not a period.
Period PeriodOfHh(std::string_view hh);

// The date a new document starts with: today inside the period, the period's last day
// when today is later, its first day when today is earlier.
JulianDay PeriodDefaultDate(const Period& period, JulianDay today);

// The month name of the period as the refusal shows it ("Grudzien '2026").
std::string PeriodMonthName(const Period& period);

// ---- the document date ----

struct DateCheckInput {
  JulianDay data = kEmptyDate;
  JulianDay today = kEmptyDate;
  Period period;
  bool entry_mode = false;  // KLUCZ 0: a new document
  bool right14 = false;     // PRAWA(14): may date in the current month freely
  bool poprawa_marker = false;  // POPRAWA.TXT: yesterday (Monday: two days back) up to two days ahead
};

struct DateVerdict {
  bool accepted = false;
  JulianDay data = kEmptyDate;  // the date the field keeps
  std::vector<HeaderMessage> messages;
};

// SPR_DATA without the lookup of the previous number: an empty date becomes the period
// default and is refused once; a date outside the period shows "BIEZACYM MIESIACEM JEST
// <month>" (and "Zamknij okres obrachunkowy" when the date lies in today's month after
// the period), is reset to the default and refused; in entry mode a date other than
// today warns "POMYLONO DATE ! Dzisiaj jest <dd.mm.yyyy>" and one of the current calendar
// month is refused with "NIE MASZ PRAWA !!!!" without right 14 unless POPRAWA.TXT admits
// it ("POMYLONO DATE !!!").
DateVerdict CheckDate(const DateCheckInput& in);

// The date-order rule of sales: the previous number of the kind is dated later than this
// document.
struct DateConflictInput {
  std::string rd, prev_nrd;
  JulianDay prev_data = kEmptyDate;
  bool prev_in_other_period = false;  // the previous document lies outside the period
  JulianDay data = kEmptyDate;
  JulianDay today = kEmptyDate;
  bool right1 = false;
};
DateVerdict CheckDateOrder(const DateConflictInput& in);

// ---- payment ----

struct Payment {
  std::string spz = "G";  // one letter
  int tez = 0;            // days, 0..999
};

// The payment of a new document (PUSTY_NAG): J_SPZ with J_TEZ for "P", "T", "F", "K",
// "C", "H"; term 0 for "G", "B", "N"; anything else "T" with 15 days; purchase kinds
// "P" with J_TEZ.
Payment NewDocumentPayment(std::string_view j_spz, int j_tez, const DocKind& kind);

// The payment preset by the kind's tags "SPZ=x" (one of "PGBCTFKHN") and "TEZ=nnn" on a
// new document; unchanged fields where the tags are missing.
Payment PaymentFromTags(const DocKind& kind, Payment current);

// The payment a chosen kind sets (SPR_RD): sale or purchase J_SPZ (a sale never "B"),
// warehouse kinds in purchase prices and "WZ" "B" with 0, combined and other warehouse
// kinds term 0, transfers "B".
Payment KindPayment(const DocKind& kind, std::string_view j_spz, Payment current);

struct PaymentCheckInput {
  Payment payment;
  DocKind kind;
  int j_tez = 14;
};
struct PaymentVerdict {
  bool accepted = false;
  Payment payment;
  std::vector<HeaderMessage> messages;
};

// SPR_SPZ and SPR_TEZ: blank refused with "JAKI JEST SPOSOB ZAPŁATY ?" (preset "T" on
// sales and purchases, "B" otherwise); a letter outside "PGBCTFKHND" refused with
// "ZALECANE SYMBOLE : P,G,B,C,T,F,K,H,N,D"; "P", "F", "T" with no term take J_TEZ, "H"
// 90 days; "G", "B", "N" term 0; warehouse kinds take only "B" (0) and "T" (1 day), "WZ"
// only "B"; corrections paid "B" term 0; a negative term becomes 0.
PaymentVerdict CheckPayment(const PaymentCheckInput& in);

// SPR_TERMIN: the due date edited. On purchases paid "P" or "T" it may not precede the
// document date; the term is due − date and must lie in 0..999.
struct DueDateVerdict {
  bool accepted = false;
  int tez = 0;
};
DueDateVerdict CheckDueDate(JulianDay termin, JulianDay data, const DocKind& kind, std::string_view spz);

// The customer's own payment on a sale (SPR_ODB): when the customer has a term or a method
// of "PTFHG" that differs from the document's, the document takes it ("G" with 0 days
// when the method is not one of "GTHFBPC"). `changed` false: the document keeps its own.
struct CustomerPayment {
  bool changed = false;
  Payment payment;
  std::vector<HeaderMessage> messages;  // "Odbiorca ma spz.<SPZ>, termin <TEZ> dni", "Zmieniam termin zaplaty <SPZ><TEZ>"
};
CustomerPayment CustomerPaymentOf(const Payment& document, std::string_view customer_spz, int customer_tez);

// USTAL_SPZ: the first line's payment when a line has one; a sale takes the customer's
// method ("G" without a customer or method), a purchase "P" when the supplier is known,
// else "G"; other kinds "B". "P" with no term gets 15 days.
struct UstalSpzInput {
  DocKind kind;
  std::string line_spz;  // the first non-blank SPZ of the lines ("" when none)
  int line_tez = 0;
  bool has_customer = false;
  std::string customer_spz;
  int customer_tez = 0;
  bool supplier_known = false;
};
Payment UstalSpz(const UstalSpzInput& in);

// The document a correction corrects, as the header's text names it ("Nr faktury
// korygowanej"): the kind's letters, then the number, separated or not by blanks, "-" or
// "/" ("FV-125", "FV 125/12/KR", "fv125"). nullopt when the text names no such document.
struct CorrectedDocument {
  std::string rd;   // 3 characters
  std::string nrd;  // 8 characters, right-aligned
};
std::optional<CorrectedDocument> CorrectedDocumentOf(std::string_view text);

}  // namespace hurt::documents
