#include "documents/vat_rate.h"

#include <cmath>

#include "base/numeric.h"
#include "base/text.h"

namespace hurt::documents {

namespace {

std::string CommaToPoint(std::string s) {
  for (char& c : s)
    if (c == ',') c = '.';
  return s;
}

// Digits with at most one decimal point and at least one digit.
bool IsPlainNumber(std::string_view s) {
  bool digit = false, point = false;
  for (char c : s) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digit;
}

bool IsWhole(double x) { return std::fabs(x - std::round(x)) < 1e-9; }

struct VatTag {
  size_t begin = std::string::npos;  // position of "VAT="
  size_t end = std::string::npos;    // one past the tag
  std::string value;                 // the rate text inside it
};

// Finds "VAT=[nn]" (or "VAT=nn", the value ending at a blank, at most 4 characters).
VatTag FindVatTag(std::string_view opis) {
  VatTag tag;
  size_t p = opis.find("VAT=");
  if (p == std::string_view::npos) return tag;
  size_t start = p + 4;
  if (start < opis.size() && opis[start] == '[') {
    size_t close = opis.find(']', start);
    if (close == std::string_view::npos) return tag;
    tag.value = std::string(opis.substr(start + 1, close - start - 1));
    tag.end = close + 1;
  } else {
    size_t e = start;
    while (e < opis.size() && e - start < 4 && opis[e] != ' ') ++e;
    tag.value = std::string(opis.substr(start, e - start));
    tag.end = e;
  }
  tag.begin = p;
  return tag;
}

}  // namespace

bool IsExemptCode(std::string_view podatek0) {
  std::string code = Upper(AllTrim(podatek0));
  return code == "ZW" || code == "NP";
}

double RateOfCode(std::string_view podatek0) {
  if (IsExemptCode(podatek0)) return 0;
  double rate = Val(CommaToPoint(AllTrim(podatek0)));
  return rate > 0 ? rate : 0;
}

int IntegerRateOf(std::string_view podatek0) {
  double rate = RateOfCode(podatek0);
  if (rate < 1 || rate > 25 || !IsWhole(rate)) return 0;
  return static_cast<int>(std::lround(rate));
}

std::string FormatRateCode(double rate, bool vat_13_5) {
  return vat_13_5 ? Str(rate, 4, 1) : Str(NewRound(rate, 0), 2, 0);
}

RateInput NormalizeRateCode(std::string_view typed, bool vat_13_5, bool norwegia) {
  RateInput out;
  std::string text = CommaToPoint(Upper(AllTrim(typed)));
  if (text == "ZW" || text == "NP") {
    out.accepted = true;
    out.code = text;
    return out;
  }
  if (!IsPlainNumber(text)) return out;
  double rate = Val(text);
  if (rate > 23) rate = (norwegia && IsWhole(rate) && std::lround(rate) == 25) ? 25 : 23;
  // Without the marker the code has no room for a decimal: 7.5 would be stored as 8.
  if (!vat_13_5 && !IsWhole(rate)) return out;
  out.accepted = true;
  out.rate = rate;
  out.code = FormatRateCode(rate, vat_13_5);
  return out;
}

LineVatRate VatRateOfLine(std::string_view article_podatek0, const DocKind& kind, bool get_vat_marker,
                          bool vat_13_5) {
  LineVatRate out;
  out.code = std::string(article_podatek0);
  bool export_kind = kind.RdIs("FE") || (kind.HasTag("EXPORT") && kind.s_z == 'S' && !kind.RdIs("S"));
  if (kind.HasTag("[ZW]")) {
    out.code = "ZW";
  } else if ((export_kind || kind.RdIs("BO ")) && !get_vat_marker) {
    out.code = Upper(AllTrim(article_podatek0)) == "NP" ? std::string("NP") : FormatRateCode(0, vat_13_5);
  }
  VatTag tag = FindVatTag(kind.opis);
  if (tag.begin != std::string::npos) {
    RateInput forced = NormalizeRateCode(tag.value, vat_13_5, /*norwegia=*/true);
    if (forced.accepted) {
      out.code = forced.code;
      out.forced_by_tag = true;
    }
  }
  out.rate = RateOfCode(out.code);
  return out;
}

std::string RemoveVatTag(std::string_view opis) {
  VatTag tag = FindVatTag(opis);
  std::string out(opis);
  if (tag.begin != std::string::npos) out.erase(tag.begin, tag.end - tag.begin);
  return out;
}

std::string DefaultPurchaseRate(const DocKind& kind, std::string_view selling_code, std::string_view j_vat,
                                int year, int month, bool vat_13_5) {
  if (kind.HasTag("ROLNIK")) {
    int period = year * 100 + month;
    double flat = period >= 201101 ? 7 : period >= 200805 ? 6 : 5;
    return FormatRateCode(flat, vat_13_5);
  }
  if (kind.IsPurchase() || kind.IsCombined()) return std::string(selling_code);
  return std::string(j_vat);
}

}  // namespace hurt::documents
