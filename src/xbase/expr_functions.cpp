// The functions an expression may call, with their argument types and evaluation.
//
// Text functions work in place on the end of the evaluation buffer: UPPER(x) appends x
// and upper-cases what it appended, SUBSTR(x, …) appends x and cuts it down, and so on.
//
// Function            Arguments             Result
// STR(n [,w [,d]])    N N N                 C  as STR(): right-aligned, asterisks when too wide;
//                                              without w: a numeric field's own width and
//                                              decimals, else 10 wide (13 with 2 decimals when
//                                              the value has a fraction)
// STRZERO(n [,w [,d]]) N N N                C  STR() with leading zeros ("-005")
// DTOS(d) / DTOC(d)   D                     C  "YYYYMMDD" / "dd.mm.yyyy" (blanks when empty)
// CTOD(c) / STOD(c)   C                     D  "dd.mm.yyyy" / "YYYYMMDD"; invalid: empty date
// IIF(l, a, b), IF()  L * *                 *  only the chosen branch is evaluated
// UPPER(c), LOWER(c)  C                     C  ASCII letters only, as index keys need
// DESCEND(x)          C N D L               C: each byte b -> (256-b) mod 256; N: -n;
//                                              D: the number 5231808 - Julian day; L: .NOT.
// SUBSTR(c, s [,n])   C N N                 C  s counts from 1; s < 0 counts from the end
// LEFT(c,n) RIGHT(c,n) C N                  C
// TRIM RTRIM LTRIM ALLTRIM (c)              C  blanks removed
// LEN(c)              C                     N
// VAL(c)              C                     N  leading number, 0 when none
// EMPTY(x)            *                     L  blank text, 0, empty date, .F., NIL
// RECNO() DELETED() DATE()                  N L D  of the current area / today
// YEAR MONTH DAY DOW (d)  D                 N  0 for the empty date
// PADR PADL PADC(x, n [,fill])  CND N C     C  dates as DTOC(), numbers as STR() trimmed
// SPACE(n), REPLICATE(c, n)                 C  at most 65535 characters
// AT(needle, c)       C C                   N  1-based, 0 when absent or needle empty
// INT ABS (n), ROUND(n, d)                  N  ROUND halves away from zero; d < 0 rounds
//                                              to tens, hundreds, …
// MAX MIN (a, b)      N N or D D            same type
// CHR(n), ASC(c)      N / C                 C / N  byte n mod 256 / first byte (0 if empty)
// TRANSFORM(x, pic)   * C                   C  simple pictures, see expr_transform.h
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "base/date.h"
#include "base/numeric.h"
#include "base/text.h"
#include "xbase/expr_ast.h"
#include "xbase/expr_transform.h"

namespace hurt::xbase::expr_internal {

namespace {

constexpr ValueType C = ValueType::kCharacter;
constexpr ValueType N = ValueType::kNumeric;
constexpr ValueType D = ValueType::kDate;
constexpr ValueType L = ValueType::kLogical;

constexpr double kDescendDateBase = 5231808.0;

std::string Name(const CallNode& c) { return std::string(c.def().name) + "()"; }

bool SetString(Slot* out) {
  out->type = C;
  return true;
}
bool SetNumber(Slot* out, double x) {
  out->type = N;
  out->number = x;
  return true;
}
bool SetLogical(Slot* out, bool b) {
  out->type = L;
  out->logical = b;
  return true;
}
bool SetDate(Slot* out, JulianDay d) {
  out->type = D;
  out->date = d;
  return true;
}

bool TooLong(EvalEnv& env, const CallNode& c) {
  return env.Fail(c.pos(), Name(c) + ": result longer than " + std::to_string(kMaxStringLength) + " characters");
}

// The default STR() shape of a number: a numeric field's own, else 10 wide without
// decimals, or with 2 decimals when the value has a fraction.
void DefaultShape(const Node& arg, double x, int* width, int* dec) {
  const FieldInfo* f = arg.AsField();
  if (f != nullptr && (f->type == 'N' || f->type == 'F') && f->width > 0) {
    *width = f->width;
    *dec = f->decimals;
  } else if (x == std::trunc(x)) {
    *width = 10;
    *dec = 0;
  } else {
    *width = 13;
    *dec = 2;
  }
}

// Reads STR()'s width and decimals (arguments 2 and 3).
bool StrShape(EvalEnv& env, const CallNode& c, double x, int* width, int* dec) {
  if (c.arg_count() < 2) {
    DefaultShape(c.arg(0), x, width, dec);
    return true;
  }
  double w = 0, d = 0;
  if (!c.NumberArg(env, 1, &w)) return false;
  if (c.arg_count() == 3 && !c.NumberArg(env, 2, &d)) return false;
  long wl = ToCount(w), dl = ToCount(d);
  if (wl < 1 || wl > 255) return env.Fail(c.pos(), Name(c) + ": width must be 1 to 255");
  *width = static_cast<int>(wl);
  *dec = static_cast<int>(std::clamp(dl, 0L, 15L));
  return true;
}

bool FnStr(EvalEnv& env, const CallNode& c, Slot* out) {
  double x = 0;
  int width = 10, dec = 0;
  if (!c.NumberArg(env, 0, &x) || !StrShape(env, c, x, &width, &dec)) return false;
  AppendStr(x, width, dec, env.buf);
  return SetString(out);
}

bool FnStrZero(EvalEnv& env, const CallNode& c, Slot* out) {
  double x = 0;
  int width = 10, dec = 0;
  if (!c.NumberArg(env, 0, &x) || !StrShape(env, c, x, &width, &dec)) return false;
  std::string& buf = *env.buf;
  const size_t p = buf.size();
  AppendStr(x, width, dec, &buf);
  size_t minus = buf.find('-', p);
  for (size_t i = p; i < buf.size() && (buf[i] == ' ' || buf[i] == '-'); ++i) buf[i] = '0';
  if (minus != std::string::npos) buf[p] = '-';  // "  -5" -> "-005"
  return SetString(out);
}

bool FnDtos(EvalEnv& env, const CallNode& c, Slot* out) {
  JulianDay d = kEmptyDate;
  if (!c.DateArg(env, 0, &d)) return false;
  AppendDtos(d, env.buf);
  return SetString(out);
}

bool FnDtoc(EvalEnv& env, const CallNode& c, Slot* out) {
  JulianDay d = kEmptyDate;
  if (!c.DateArg(env, 0, &d)) return false;
  env.buf->append(Dtoc(d));
  return SetString(out);
}

template <std::optional<JulianDay> (*Parse)(std::string_view)>
bool FnToDate(EvalEnv& env, const CallNode& c, Slot* out) {
  std::string& buf = *env.buf;
  const size_t p = buf.size();
  if (!c.StringArg(env, 0)) return false;
  std::optional<JulianDay> d = Parse(std::string_view(buf).substr(p));
  buf.resize(p);
  return SetDate(out, d.value_or(kEmptyDate));
}

template <char (*Convert)(char)>
bool FnCase(EvalEnv& env, const CallNode& c, Slot* out) {
  std::string& buf = *env.buf;
  const size_t p = buf.size();
  if (!c.StringArg(env, 0)) return false;
  for (size_t i = p; i < buf.size(); ++i) buf[i] = Convert(buf[i]);
  return SetString(out);
}

char AsciiUpper(char ch) { return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch; }
char AsciiLower(char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch; }

bool FnDescend(EvalEnv& env, const CallNode& c, Slot* out) {
  std::string& buf = *env.buf;
  const size_t p = buf.size();
  Slot a;
  if (!c.EvalArg(env, 0, &a)) return false;
  switch (a.type) {
    case ValueType::kCharacter:
      for (size_t i = p; i < buf.size(); ++i)
        buf[i] = static_cast<char>((256 - static_cast<unsigned char>(buf[i])) & 0xFF);
      return SetString(out);
    case ValueType::kNumeric: return SetNumber(out, -a.number);
    case ValueType::kDate: return SetNumber(out, kDescendDateBase - a.date);
    case ValueType::kLogical: return SetLogical(out, !a.logical);
    case ValueType::kNil: break;
  }
  return c.WrongType(env, 0, a.type);
}

// Keeps `count` bytes starting `from` bytes into the text that begins at p.
void KeepPart(std::string& buf, size_t p, size_t from, size_t count) {
  if (from > 0 && count > 0) std::memmove(&buf[p], &buf[p + from], count);
  buf.resize(p + count);
}

bool FnSubstr(EvalEnv& env, const CallNode& c, Slot* out) {
  std::string& buf = *env.buf;
  const size_t p = buf.size();
  if (!c.StringArg(env, 0)) return false;
  const long n = static_cast<long>(buf.size() - p);
  double s = 0, l = 0;
  if (!c.NumberArg(env, 1, &s)) return false;
  long len = n;
  if (c.arg_count() == 3) {
    if (!c.NumberArg(env, 2, &l)) return false;
    len = ToCount(l);
  }
  long from = ToCount(s);
  if (from > 0) {
    --from;
  } else if (from < 0) {
    from = std::max(0L, from + n);
  }
  if (from >= n || len <= 0) {
    buf.resize(p);
  } else {
    KeepPart(buf, p, static_cast<size_t>(from), static_cast<size_t>(std::min(len, n - from)));
  }
  return SetString(out);
}

template <bool kLeft>
bool FnLeftRight(EvalEnv& env, const CallNode& c, Slot* out) {
  std::string& buf = *env.buf;
  const size_t p = buf.size();
  if (!c.StringArg(env, 0)) return false;
  const long n = static_cast<long>(buf.size() - p);
  double k = 0;
  if (!c.NumberArg(env, 1, &k)) return false;
  long keep = std::clamp(ToCount(k), 0L, n);
  KeepPart(buf, p, kLeft ? 0 : static_cast<size_t>(n - keep), static_cast<size_t>(keep));
  return SetString(out);
}

template <bool kLeading, bool kTrailing>
bool FnTrim(EvalEnv& env, const CallNode& c, Slot* out) {
  std::string& buf = *env.buf;
  const size_t p = buf.size();
  if (!c.StringArg(env, 0)) return false;
  size_t end = buf.size();
  if (kTrailing)
    while (end > p && buf[end - 1] == ' ') --end;
  size_t begin = p;
  if (kLeading)
    while (begin < end && buf[begin] == ' ') ++begin;
  KeepPart(buf, p, begin - p, end - begin);
  return SetString(out);
}

bool FnLen(EvalEnv& env, const CallNode& c, Slot* out) {
  std::string& buf = *env.buf;
  const size_t p = buf.size();
  if (!c.StringArg(env, 0)) return false;
  double n = static_cast<double>(buf.size() - p);
  buf.resize(p);
  return SetNumber(out, n);
}

bool FnVal(EvalEnv& env, const CallNode& c, Slot* out) {
  std::string& buf = *env.buf;
  const size_t p = buf.size();
  if (!c.StringArg(env, 0)) return false;
  double x = ParseNumber(std::string_view(buf).substr(p));
  buf.resize(p);
  return SetNumber(out, x);
}

bool FnEmpty(EvalEnv& env, const CallNode& c, Slot* out) {
  std::string& buf = *env.buf;
  const size_t p = buf.size();
  Slot a;
  if (!c.EvalArg(env, 0, &a)) return false;
  bool empty = true;
  switch (a.type) {
    case ValueType::kCharacter:
      empty = IsBlank(std::string_view(buf).substr(p));
      buf.resize(p);
      break;
    case ValueType::kNumeric: empty = a.number == 0.0; break;
    case ValueType::kDate: empty = a.date == kEmptyDate; break;
    case ValueType::kLogical: empty = !a.logical; break;
    case ValueType::kNil: empty = true; break;
  }
  return SetLogical(out, empty);
}

bool FnRecno(EvalEnv& env, const CallNode& c, Slot* out) {
  return SetNumber(out, static_cast<double>(env.ctx->RecNo(c.area())));
}
bool FnDeleted(EvalEnv& env, const CallNode& c, Slot* out) { return SetLogical(out, env.ctx->Deleted(c.area())); }
bool FnDate(EvalEnv& env, const CallNode&, Slot* out) { return SetDate(out, env.ctx->Today()); }

enum class DatePart { kYear, kMonth, kDay, kDow };

template <DatePart kPart>
bool FnDatePart(EvalEnv& env, const CallNode& c, Slot* out) {
  JulianDay d = kEmptyDate;
  if (!c.DateArg(env, 0, &d)) return false;
  if (d < kFirstDay || d > kLastDay) return SetNumber(out, 0);
  if (kPart == DatePart::kDow) return SetNumber(out, DayOfWeek(d));
  Ymd ymd = YmdFromJulian(d);
  int v = kPart == DatePart::kYear ? ymd.year : kPart == DatePart::kMonth ? ymd.month : ymd.day;
  return SetNumber(out, v);
}

// Appends the first argument as text: texts as they are, dates as DTOC(), numbers as
// STR() without the leading blanks.
bool PadSource(EvalEnv& env, const CallNode& c) {
  std::string& buf = *env.buf;
  Slot a;
  if (!c.EvalArg(env, 0, &a)) return false;
  switch (a.type) {
    case ValueType::kCharacter: return true;
    case ValueType::kDate: buf.append(Dtoc(a.date)); return true;
    case ValueType::kNumeric: {
      int width = 10, dec = 0;
      DefaultShape(c.arg(0), a.number, &width, &dec);
      buf.append(LTrim(Str(a.number, width, dec)));
      return true;
    }
    default: return c.WrongType(env, 0, a.type);
  }
}

enum class PadSide { kRight, kLeft, kCenter };

template <PadSide kSide>
bool FnPad(EvalEnv& env, const CallNode& c, Slot* out) {
  std::string& buf = *env.buf;
  const size_t p = buf.size();
  if (!PadSource(env, c)) return false;
  const size_t len = buf.size() - p;
  double nd = 0;
  if (!c.NumberArg(env, 1, &nd)) return false;
  long n = std::max(0L, ToCount(nd));
  if (static_cast<size_t>(n) > kMaxStringLength) return TooLong(env, c);
  char fill = ' ';
  if (c.arg_count() == 3) {
    const size_t f = buf.size();
    if (!c.StringArg(env, 2)) return false;
    if (buf.size() > f) fill = buf[f];
    buf.resize(f);
  }
  const size_t want = static_cast<size_t>(n);
  if (len >= want) {
    buf.resize(p + want);
  } else if (kSide == PadSide::kRight) {
    buf.append(want - len, fill);
  } else if (kSide == PadSide::kLeft) {
    buf.insert(p, want - len, fill);
  } else {
    const size_t left = (want - len) / 2;
    buf.insert(p, left, fill);
    buf.append(want - len - left, fill);
  }
  return SetString(out);
}

bool FnSpace(EvalEnv& env, const CallNode& c, Slot* out) {
  double nd = 0;
  if (!c.NumberArg(env, 0, &nd)) return false;
  long n = std::max(0L, ToCount(nd));
  if (static_cast<size_t>(n) > kMaxStringLength) return TooLong(env, c);
  env.buf->append(static_cast<size_t>(n), ' ');
  return SetString(out);
}

bool FnReplicate(EvalEnv& env, const CallNode& c, Slot* out) {
  std::string& buf = *env.buf;
  const size_t p = buf.size();
  if (!c.StringArg(env, 0)) return false;
  const size_t len = buf.size() - p;
  double nd = 0;
  if (!c.NumberArg(env, 1, &nd)) return false;
  long n = ToCount(nd);
  if (n <= 0 || len == 0) {
    buf.resize(p);
    return SetString(out);
  }
  if (len * static_cast<size_t>(n) > kMaxStringLength) return TooLong(env, c);
  buf.reserve(p + len * static_cast<size_t>(n));  // no reallocation while copying from itself
  for (long i = 1; i < n; ++i) buf.append(buf.data() + p, len);
  return SetString(out);
}

bool FnAt(EvalEnv& env, const CallNode& c, Slot* out) {
  std::string& buf = *env.buf;
  const size_t p = buf.size();
  if (!c.StringArg(env, 0)) return false;
  const size_t m = buf.size();
  if (!c.StringArg(env, 1)) return false;
  std::string_view all(buf);
  size_t at = At(all.substr(p, m - p), all.substr(m));
  buf.resize(p);
  return SetNumber(out, static_cast<double>(at));
}

bool FnInt(EvalEnv& env, const CallNode& c, Slot* out) {
  double x = 0;
  if (!c.NumberArg(env, 0, &x)) return false;
  return SetNumber(out, std::trunc(x));
}

bool FnAbs(EvalEnv& env, const CallNode& c, Slot* out) {
  double x = 0;
  if (!c.NumberArg(env, 0, &x)) return false;
  return SetNumber(out, std::fabs(x));
}

bool FnRound(EvalEnv& env, const CallNode& c, Slot* out) {
  double x = 0, d = 0;
  if (!c.NumberArg(env, 0, &x) || !c.NumberArg(env, 1, &d)) return false;
  long dec = std::clamp(ToCount(d), -15L, 15L);
  if (dec >= 0) return SetNumber(out, RoundHalfAway(x, static_cast<int>(dec)));
  double scale = std::pow(10.0, static_cast<double>(-dec));
  return SetNumber(out, RoundHalfAway(x / scale, 0) * scale);
}

template <bool kMax>
bool FnMaxMin(EvalEnv& env, const CallNode& c, Slot* out) {
  Slot a, b;
  if (!c.EvalArg(env, 0, &a) || !c.EvalArg(env, 1, &b)) return false;
  if (a.type != N && a.type != D) return c.WrongType(env, 0, a.type);
  if (b.type != a.type) return c.WrongType(env, 1, b.type);
  bool first = a.type == N ? (kMax ? a.number >= b.number : a.number <= b.number)
                           : (kMax ? a.date >= b.date : a.date <= b.date);
  *out = first ? a : b;
  return true;
}

bool FnChr(EvalEnv& env, const CallNode& c, Slot* out) {
  double x = 0;
  if (!c.NumberArg(env, 0, &x)) return false;
  long v = ToCount(x) % 256;
  if (v < 0) v += 256;
  env.buf->push_back(static_cast<char>(v));
  return SetString(out);
}

bool FnAsc(EvalEnv& env, const CallNode& c, Slot* out) {
  std::string& buf = *env.buf;
  const size_t p = buf.size();
  if (!c.StringArg(env, 0)) return false;
  double v = buf.size() > p ? static_cast<unsigned char>(buf[p]) : 0;
  buf.resize(p);
  return SetNumber(out, v);
}

bool FnTransform(EvalEnv& env, const CallNode& c, Slot* out) {
  std::string& buf = *env.buf;
  const size_t p = buf.size();
  Slot a;
  if (!c.EvalArg(env, 0, &a)) return false;
  Value v;
  switch (a.type) {
    case ValueType::kCharacter: v = Value(buf.substr(p)); break;
    case ValueType::kNumeric: v = Value(a.number); break;
    case ValueType::kDate: v = Value(Date{a.date}); break;
    case ValueType::kLogical: v = Value(a.logical); break;
    case ValueType::kNil: break;
  }
  buf.resize(p);
  if (!c.StringArg(env, 1)) return false;
  std::string picture = buf.substr(p);
  buf.resize(p);
  buf.append(Transform(v, picture));
  return SetString(out);
}

// ---- static types and widths ----

ValueType InferDescend(const std::vector<NodePtr>& args) {
  ValueType t = args[0]->type();
  return t == D ? N : t;
}

std::optional<int> ConstCount(const Node& n) {
  if (!n.IsConstant() || n.type() != N) return std::nullopt;
  return static_cast<int>(ToCount(static_cast<const ConstNode&>(n).value().AsNumber()));
}

std::optional<int> WidthOfArg(const CallNode& c) { return c.arg(0).Width(); }

std::optional<int> WidthStr(const CallNode& c) {
  if (c.arg_count() >= 2) {
    auto w = ConstCount(c.arg(1));
    if (w && *w >= 1 && *w <= 255) return w;
    return std::nullopt;
  }
  const FieldInfo* f = c.arg(0).AsField();
  if (f != nullptr && (f->type == 'N' || f->type == 'F') && f->width > 0) return f->width;
  return std::nullopt;
}

std::optional<int> Width8(const CallNode&) { return 8; }
std::optional<int> Width10(const CallNode&) { return 10; }
std::optional<int> Width1(const CallNode&) { return 1; }

std::optional<int> WidthDescend(const CallNode& c) {
  return c.arg(0).type() == C ? c.arg(0).Width() : std::nullopt;
}

std::optional<int> WidthSubstr(const CallNode& c) {
  auto w = c.arg(0).Width();
  auto s = ConstCount(c.arg(1));
  if (!w || !s) return std::nullopt;
  long n = *w, from = *s, len = n;
  if (c.arg_count() == 3) {
    auto l = ConstCount(c.arg(2));
    if (!l) return std::nullopt;
    len = *l;
  }
  if (from > 0) {
    --from;
  } else if (from < 0) {
    from = std::max(0L, from + n);
  }
  if (from >= n || len <= 0) return 0;
  return static_cast<int>(std::min(len, n - from));
}

std::optional<int> WidthLeftRight(const CallNode& c) {
  auto w = c.arg(0).Width();
  auto k = ConstCount(c.arg(1));
  if (!w || !k) return std::nullopt;
  return std::clamp(*k, 0, *w);
}

std::optional<int> WidthPad(const CallNode& c) {
  auto k = ConstCount(c.arg(1));
  if (!k || *k > static_cast<int>(kMaxStringLength)) return std::nullopt;
  return std::max(0, *k);
}

std::optional<int> WidthSpace(const CallNode& c) {
  auto k = ConstCount(c.arg(0));
  if (!k || *k > static_cast<int>(kMaxStringLength)) return std::nullopt;
  return std::max(0, *k);
}

std::optional<int> WidthReplicate(const CallNode& c) {
  auto w = c.arg(0).Width();
  auto k = ConstCount(c.arg(1));
  if (!w || !k) return std::nullopt;
  long total = static_cast<long>(*w) * std::max(0, *k);
  if (total > static_cast<long>(kMaxStringLength)) return std::nullopt;
  return static_cast<int>(total);
}

// name, min, max, argument types, result, pure, eval, infer, width
const FunctionDef kFunctions[] = {
    {"STR", 1, 3, {"N", "N", "N"}, 'C', true, FnStr, nullptr, WidthStr},
    {"STRZERO", 1, 3, {"N", "N", "N"}, 'C', true, FnStrZero, nullptr, WidthStr},
    {"DTOS", 1, 1, {"D"}, 'C', true, FnDtos, nullptr, Width8},
    {"DTOC", 1, 1, {"D"}, 'C', true, FnDtoc, nullptr, Width10},
    {"CTOD", 1, 1, {"C"}, 'D', true, FnToDate<Ctod>, nullptr, nullptr},
    {"STOD", 1, 1, {"C"}, 'D', true, FnToDate<Stod>, nullptr, nullptr},
    {"UPPER", 1, 1, {"C"}, 'C', true, FnCase<AsciiUpper>, nullptr, WidthOfArg},
    {"LOWER", 1, 1, {"C"}, 'C', true, FnCase<AsciiLower>, nullptr, WidthOfArg},
    {"DESCEND", 1, 1, {"CNDL"}, 'X', true, FnDescend, InferDescend, WidthDescend},
    {"SUBSTR", 2, 3, {"C", "N", "N"}, 'C', true, FnSubstr, nullptr, WidthSubstr},
    {"LEFT", 2, 2, {"C", "N"}, 'C', true, FnLeftRight<true>, nullptr, WidthLeftRight},
    {"RIGHT", 2, 2, {"C", "N"}, 'C', true, FnLeftRight<false>, nullptr, WidthLeftRight},
    {"TRIM", 1, 1, {"C"}, 'C', true, FnTrim<false, true>, nullptr, nullptr},
    {"RTRIM", 1, 1, {"C"}, 'C', true, FnTrim<false, true>, nullptr, nullptr},
    {"LTRIM", 1, 1, {"C"}, 'C', true, FnTrim<true, false>, nullptr, nullptr},
    {"ALLTRIM", 1, 1, {"C"}, 'C', true, FnTrim<true, true>, nullptr, nullptr},
    {"LEN", 1, 1, {"C"}, 'N', true, FnLen, nullptr, nullptr},
    {"VAL", 1, 1, {"C"}, 'N', true, FnVal, nullptr, nullptr},
    {"EMPTY", 1, 1, {"*"}, 'L', true, FnEmpty, nullptr, nullptr},
    {"RECNO", 0, 0, {}, 'N', false, FnRecno, nullptr, nullptr},
    {"DELETED", 0, 0, {}, 'L', false, FnDeleted, nullptr, nullptr},
    {"DATE", 0, 0, {}, 'D', false, FnDate, nullptr, nullptr},
    {"YEAR", 1, 1, {"D"}, 'N', true, FnDatePart<DatePart::kYear>, nullptr, nullptr},
    {"MONTH", 1, 1, {"D"}, 'N', true, FnDatePart<DatePart::kMonth>, nullptr, nullptr},
    {"DAY", 1, 1, {"D"}, 'N', true, FnDatePart<DatePart::kDay>, nullptr, nullptr},
    {"DOW", 1, 1, {"D"}, 'N', true, FnDatePart<DatePart::kDow>, nullptr, nullptr},
    {"PADR", 2, 3, {"CND", "N", "C"}, 'C', true, FnPad<PadSide::kRight>, nullptr, WidthPad},
    {"PADL", 2, 3, {"CND", "N", "C"}, 'C', true, FnPad<PadSide::kLeft>, nullptr, WidthPad},
    {"PADC", 2, 3, {"CND", "N", "C"}, 'C', true, FnPad<PadSide::kCenter>, nullptr, WidthPad},
    {"SPACE", 1, 1, {"N"}, 'C', true, FnSpace, nullptr, WidthSpace},
    {"REPLICATE", 2, 2, {"C", "N"}, 'C', true, FnReplicate, nullptr, WidthReplicate},
    {"AT", 2, 2, {"C", "C"}, 'N', true, FnAt, nullptr, nullptr},
    {"INT", 1, 1, {"N"}, 'N', true, FnInt, nullptr, nullptr},
    {"ABS", 1, 1, {"N"}, 'N', true, FnAbs, nullptr, nullptr},
    {"ROUND", 2, 2, {"N", "N"}, 'N', true, FnRound, nullptr, nullptr},
    {"MAX", 2, 2, {"ND", "ND"}, '1', true, FnMaxMin<true>, nullptr, nullptr},
    {"MIN", 2, 2, {"ND", "ND"}, '1', true, FnMaxMin<false>, nullptr, nullptr},
    {"CHR", 1, 1, {"N"}, 'C', true, FnChr, nullptr, Width1},
    {"ASC", 1, 1, {"C"}, 'N', true, FnAsc, nullptr, nullptr},
    {"TRANSFORM", 2, 2, {"*", "C"}, 'C', true, FnTransform, nullptr, nullptr},
};

}  // namespace

const FunctionDef* FindFunction(std::string_view upper_name) {
  for (const FunctionDef& f : kFunctions)
    if (upper_name == f.name) return &f;
  return nullptr;
}

// ---- CallNode ----

CallNode::CallNode(uint32_t pos, const FunctionDef* def, std::vector<NodePtr> args, int area, ValueType type)
    : Node(pos, type), def_(def), area_(area) {
  for (NodePtr& a : args) AddKid(std::move(a));
}

std::optional<int> CallNode::Width() const {
  if (type() == D) return 8;
  if (type() == L) return 1;
  if (type() != C || def_->width == nullptr) return std::nullopt;
  return def_->width(*this);
}

void CallNode::AddDependencies(ExprDependencies* deps) const {
  std::string_view name = def_->name;
  if (name == "RECNO") deps->record_number = true;
  if (name == "DELETED") deps->deleted_flag = true;
  if (name == "DATE") deps->today = true;
}

std::string ExpectedTypes(const char* letters) {
  if (letters == nullptr || std::string_view(letters) == "*") return "a value";
  std::string out;
  for (const char* l = letters; *l != '\0'; ++l) {
    if (!out.empty()) out += l[1] == '\0' ? " or " : ", ";
    out += TypeName(static_cast<ValueType>(*l));
  }
  return out;
}

bool CallNode::WrongType(EvalEnv& env, size_t i, ValueType got) const {
  const char* letters = i < 3 ? def_->arg_types[i] : nullptr;
  return env.Fail(kids_[i]->pos(), std::string(def_->name) + "(): argument " + std::to_string(i + 1) + " must be " +
                                       ExpectedTypes(letters) + ", not " + TypeName(got));
}

bool CallNode::NumberArg(EvalEnv& env, size_t i, double* out) const {
  Slot s;
  if (!kids_[i]->Eval(env, &s)) return false;
  if (s.type != N) return WrongType(env, i, s.type);
  *out = s.number;
  return true;
}

bool CallNode::DateArg(EvalEnv& env, size_t i, JulianDay* out) const {
  Slot s;
  if (!kids_[i]->Eval(env, &s)) return false;
  if (s.type != D) return WrongType(env, i, s.type);
  *out = s.date;
  return true;
}

bool CallNode::LogicalArg(EvalEnv& env, size_t i, bool* out) const {
  Slot s;
  if (!kids_[i]->Eval(env, &s)) return false;
  if (s.type != L) return WrongType(env, i, s.type);
  *out = s.logical;
  return true;
}

bool CallNode::StringArg(EvalEnv& env, size_t i) const {
  Slot s;
  if (!kids_[i]->Eval(env, &s)) return false;
  if (s.type != C) return WrongType(env, i, s.type);
  return true;
}

}  // namespace hurt::xbase::expr_internal
