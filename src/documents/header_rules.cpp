#include "documents/header_rules.h"

#include <cstdio>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "session/helpers.h"

namespace hurt::documents {

using namespace hurt::literals;

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool OneOf(std::string_view letters, std::string_view s) {
  return s.size() == 1 && letters.find(s[0]) != std::string_view::npos;
}
std::string TwoDigits(int n) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", n % 100);
  return buf;
}
int Clamp999(int tez) { return tez < 0 ? 0 : (tez > 999 ? 999 : tez); }

}  // namespace

// ---- tax numbers ----

std::string DigitsOf(std::string_view text) {
  std::string out;
  for (char c : text)
    if (IsDigit(c)) out += c;
  return out;
}

NipCheck CheckNip(std::string_view nip, bool pesel_marker) {
  std::string t = AllTrim(nip);
  if (Upper(Left(t, 2)) == "PL") t = AllTrim(t.substr(2));
  if (t.empty() || t[0] < '1' || t[0] > '9') return NipCheck::kUntested;
  const std::string d = DigitsOf(t);
  if (d.size() == 11 && pesel_marker) return NipCheck::kUntested;
  if (d.size() != 10) return NipCheck::kWrong;
  static constexpr int kWeights[9] = {6, 5, 7, 2, 3, 4, 5, 6, 7};
  int sum = 0;
  for (size_t i = 0; i < 9; ++i) sum += (d[i] - '0') * kWeights[i];
  const int rest = sum % 11;
  if (rest == 10) return NipCheck::kWrong;
  return rest == d[9] - '0' ? NipCheck::kRight : NipCheck::kWrong;
}

// ---- numbers ----

std::string FormatNrd(long long number) { return PadL(std::to_string(number), 8); }

std::string ProposeNumber(long long last, const std::function<bool(const std::string&)>& taken) {
  long long n = last + 1;
  std::string nrd = FormatNrd(n);
  for (int step = 0; step < 30000 && taken(nrd); ++step) nrd = FormatNrd(++n);
  return nrd;
}

std::string NormalizeTypedNrd(std::string_view typed) {
  std::string t(typed);
  if (size_t slash = t.find('/'); slash != std::string::npos) t.resize(slash);
  t = AllTrim(t);
  if (t.empty()) return "";
  return PadL(Right(t, 8), 8);
}

// ---- the working period ----

JulianDay Period::First() const {
  if (month < 1) return kEmptyDate;
  return JulianFromYmd(year, month > 12 ? 12 : month, 1);
}

JulianDay Period::Last() const {
  if (month < 1) return kEmptyDate;
  const int m = month > 12 ? 12 : month;
  return JulianFromYmd(year, m, DaysInMonth(year, m));
}

Period PeriodOfHh(std::string_view hh) {
  Period p;
  std::string t = AllTrim(hh);
  if (t.size() < 5 || !IsDigit(t[0]) || !IsDigit(t[1]) || !IsDigit(t[3]) || !IsDigit(t[4])) return p;
  const int yy = (t[0] - '0') * 10 + (t[1] - '0');
  const int mm = (t[3] - '0') * 10 + (t[4] - '0');
  if (mm < 1 || mm > 13) return p;
  p.year = t[0] == '9' ? 1900 + yy : 2000 + yy;
  p.month = mm;
  return p;
}

JulianDay PeriodDefaultDate(const Period& period, JulianDay today) {
  if (period.month < 1) return today;
  if (today > period.Last()) return period.Last();
  if (today < period.First()) return period.First();
  return today;
}

std::string PeriodMonthName(const Period& period) {
  return AllTrim(session::Miesiac(TwoDigits(period.month), TwoDigits(period.year)));
}

// ---- the document date ----

DateVerdict CheckDate(const DateCheckInput& in) {
  DateVerdict v;
  v.data = in.data;
  const JulianDay fallback = PeriodDefaultDate(in.period, in.today);
  if (in.data == kEmptyDate) {
    v.data = fallback;
    return v;
  }
  if (in.period.month >= 1 && !in.period.Contains(in.data)) {
    v.messages.push_back({"BIEZACYM MIESIACEM JEST " + PeriodMonthName(in.period), 0});
    const Ymd d = YmdFromJulian(in.data);
    const Ymd t = YmdFromJulian(in.today);
    if (d.year == t.year && d.month == t.month && in.data > in.period.Last())
      v.messages.push_back({"Zamknij okres obrachunkowy", 0});
    v.data = fallback;
    return v;
  }
  if (in.entry_mode && in.data != in.today) {
    v.messages.push_back({"POMYLONO DATE ! Dzisiaj jest " + Dtoc(in.today), 5});
    const Ymd d = YmdFromJulian(in.data);
    const Ymd t = YmdFromJulian(in.today);
    if (d.year == t.year && d.month == t.month && !in.right14) {
      // DayOfWeek: 1 Sunday, 2 Monday.
      const int back = DayOfWeek(in.today) == 2 ? 2 : 1;
      if (in.poprawa_marker && in.data >= in.today - back && in.data <= in.today + 2) {
        v.messages.push_back({"POMYLONO DATE !!!", 0});
      } else {
        v.messages.push_back({"NIE MASZ PRAWA !!!!", 0});
        return v;
      }
    }
  }
  v.accepted = true;
  return v;
}

DateVerdict CheckDateOrder(const DateConflictInput& in) {
  DateVerdict v;
  v.data = in.data;
  v.accepted = true;
  if (in.prev_data == kEmptyDate || in.prev_data <= in.data) return v;
  const std::string doc = AllTrim(in.rd) + "-" + AllTrim(in.prev_nrd);
  v.messages.push_back({"1. KONFLIKT DAT z: " + doc, 0});
  if (in.prev_in_other_period) {
    v.messages.push_back({"2. Puszczam bo uszkodzona baza", 0});
  } else if (in.data == in.today || in.right1) {
    v.messages.push_back({"3. Puszczam wyjatkowo", 0});
  } else {
    v.messages.push_back({"2. Popraw date na: " + doc, 0});
    v.accepted = false;
  }
  return v;
}

// ---- payment ----

Payment NewDocumentPayment(std::string_view j_spz, int j_tez, const DocKind& kind) {
  if (kind.IsPurchase()) return {"P", Clamp999(j_tez)};
  const std::string spz = Left(AllTrim(j_spz), 1);
  if (OneOf("PTFKCH", spz)) return {spz, Clamp999(j_tez)};
  if (OneOf("GBN", spz)) return {spz, 0};
  return {"T", 15};
}

Payment PaymentFromTags(const DocKind& kind, Payment current) {
  if (size_t at = kind.opis.find("SPZ="); at != std::string::npos && at + 4 < kind.opis.size()) {
    const std::string spz(1, kind.opis[at + 4]);
    if (OneOf("PGBCTFKHN", spz)) current.spz = spz;
  }
  if (size_t at = kind.opis.find("TEZ="); at != std::string::npos) {
    std::string digits;
    for (size_t i = at + 4; i < kind.opis.size() && digits.size() < 3 && IsDigit(kind.opis[i]); ++i)
      digits += kind.opis[i];
    if (!digits.empty()) current.tez = std::stoi(digits);
  }
  return current;
}

Payment KindPayment(const DocKind& kind, std::string_view j_spz, Payment current) {
  if (kind.IsTransfer()) return {"B", 0};
  if (kind.RdIs("WZ") || (kind.IsWarehouse() && kind.InPurchasePrices())) return {"B", 0};
  if (kind.s_z == 'S' || kind.s_z == 'Z') {
    std::string spz = Left(AllTrim(j_spz), 1);
    if (!spz.empty()) current.spz = spz;
    if (kind.IsSale() && current.spz == "B") current = {"G", 0};
    return current;
  }
  current.tez = 0;  // combined and other warehouse kinds
  return current;
}

PaymentVerdict CheckPayment(const PaymentCheckInput& in) {
  PaymentVerdict v;
  v.payment = in.payment;
  Payment& p = v.payment;
  const DocKind& k = in.kind;
  p.spz = Left(AllTrim(p.spz), 1);
  if (p.spz.empty()) {
    v.messages.push_back({std::string("JAKI JEST SPOSOB ZAPŁATY ?"_pl), 0});
    p.spz = (k.s_z == 'S' || k.s_z == 'Z') ? "T" : "B";
    return v;
  }
  if (!OneOf("PGBCTFKHND", p.spz)) {
    v.messages.push_back({"ZALECANE SYMBOLE : P,G,B,C,T,F,K,H,N,D", 0});
    return v;
  }
  if (p.tez < 0) p.tez = 0;
  if (k.RdIs("WZ")) {
    p = {"B", 0};
  } else if (k.IsWarehouse()) {
    // Warehouse documents are either without payment or on a one-day term.
    if (p.spz == "T") {
      p.tez = 1;
    } else {
      p = {"B", 0};
    }
  } else if (OneOf("PFT", p.spz)) {
    if (p.tez == 0) p.tez = in.j_tez;
  } else if (p.spz == "H") {
    p.tez = 90;
  } else if (OneOf("GBN", p.spz)) {
    p.tez = 0;
  }
  if (k.r_p == 'K' && p.spz == "B") p.tez = 0;
  p.tez = Clamp999(p.tez);
  v.accepted = true;
  return v;
}

DueDateVerdict CheckDueDate(JulianDay termin, JulianDay data, const DocKind& kind, std::string_view spz) {
  DueDateVerdict v;
  if (termin == kEmptyDate || data == kEmptyDate) return v;
  const long long days = static_cast<long long>(termin) - static_cast<long long>(data);
  if (kind.IsPurchase() && (spz == "P" || spz == "T") && days < 0) return v;
  if (days < 0 || days > 999) return v;
  v.accepted = true;
  v.tez = static_cast<int>(days);
  return v;
}

CustomerPayment CustomerPaymentOf(const Payment& document, std::string_view customer_spz, int customer_tez) {
  CustomerPayment c;
  c.payment = document;
  const std::string spz = Left(AllTrim(customer_spz), 1);
  const bool own_method = OneOf("PTFHG", spz);
  if (!own_method && customer_tez <= 0) return c;
  if (spz == document.spz && customer_tez == document.tez) return c;
  if (spz.empty() && customer_tez == document.tez) return c;
  c.messages.push_back({"Odbiorca ma spz." + spz + ", termin " + std::to_string(customer_tez) + " dni", 0});
  if (OneOf("GTHFBPC", spz)) {
    c.payment = {spz, Clamp999(customer_tez)};
  } else {
    c.payment = {"G", 0};
  }
  if (OneOf("GBN", c.payment.spz)) c.payment.tez = 0;
  c.changed = true;
  c.messages.push_back({"Zmieniam termin zaplaty " + c.payment.spz + std::to_string(c.payment.tez), 0});
  return c;
}

Payment UstalSpz(const UstalSpzInput& in) {
  if (in.kind.RdIs("WZ")) return {"B", 0};  // an issue note is never paid: its invoice is
  Payment p;
  if (!AllTrim(in.line_spz).empty()) {
    p = {Left(AllTrim(in.line_spz), 1), in.line_tez};
  } else if (in.kind.s_z == 'S') {
    const std::string spz = Left(AllTrim(in.customer_spz), 1);
    if (in.has_customer && !spz.empty()) {
      p = {spz, in.customer_tez};
    } else {
      p = {"G", 0};
    }
  } else if (in.kind.s_z == 'Z') {
    p = {in.supplier_known ? "P" : "G", 0};
  } else {
    p = {"B", 0};
  }
  if (p.spz == "P" && p.tez == 0) p.tez = 15;
  p.tez = Clamp999(p.tez);
  return p;
}

std::optional<CorrectedDocument> CorrectedDocumentOf(std::string_view text) {
  const std::string t = Upper(AllTrim(text));
  size_t i = 0;
  std::string letters;
  while (i < t.size() && letters.size() < 3 && t[i] >= 'A' && t[i] <= 'Z') letters += t[i++];
  if (letters.empty()) return std::nullopt;
  while (i < t.size() && (t[i] == ' ' || t[i] == '-' || t[i] == '/')) ++i;
  std::string digits;
  while (i < t.size() && digits.size() < 8 && IsDigit(t[i])) digits += t[i++];
  if (digits.empty() || Val(digits) <= 0) return std::nullopt;
  return CorrectedDocument{PadR(letters, 3), PadL(std::to_string(static_cast<long long>(Val(digits))), 8)};
}

}  // namespace hurt::documents

