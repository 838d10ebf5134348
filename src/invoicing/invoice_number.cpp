#include "invoicing/invoice_number.h"

#include <algorithm>

#include "base/cp852.h"
#include "base/text.h"

namespace hurt::invoicing {

namespace {

using namespace hurt::literals;

constexpr char kKindSymbolMark = '\xB1';
constexpr size_t kKindSymbolMax = 10;

bool Has(std::string_view text, std::string_view tag) { return text.find(tag) != std::string_view::npos; }

std::string TwoDigits(int n) { return PadL(std::to_string(n % 100), 2, '0'); }

std::string MonthOf(JulianDay data) { return data == kEmptyDate ? "  " : TwoDigits(YmdFromJulian(data).month); }
std::string YearOf(JulianDay data) { return data == kEmptyDate ? "  " : TwoDigits(YmdFromJulian(data).year); }

// The kind symbol after the byte 0xB1 of the description ("" when there is none).
std::string KindSymbol(std::string_view opis) {
  size_t at = opis.find(kKindSymbolMark);
  if (at == std::string_view::npos) return {};
  std::string_view rest = opis.substr(at + 1);
  size_t end = rest.find(' ');
  if (end == std::string_view::npos) end = rest.size();
  return std::string(rest.substr(0, std::min(end, kKindSymbolMax)));
}

}  // namespace

JulianDay TitleChangeDay() { return JulianFromYmd(2013, 1, 1); }

std::string DocumentNumberText(std::string_view rd, std::string_view nrd, JulianDay data, std::string_view opis,
                               const NumberingSettings& settings) {
  std::string out = Has(opis, "NUMER") ? AllTrim(nrd) : AllTrim(rd) + "-" + AllTrim(nrd);
  bool year_given = false;
  if (Has(opis, "ZERUJ1.NRD")) {
    out += "/" + MonthOf(data) + "/" + YearOf(data);
    year_given = true;
  } else if (settings.j_zer_nrd) {
    out += "/" + MonthOf(data);
  }
  std::string symbol = AllTrim(settings.j_fv_symbo);
  if (symbol == "??") {
    if (!year_given) out += "/" + YearOf(data);
  } else if (!symbol.empty() && symbol != "WSD") {
    out += "/" + symbol;
  }
  std::string kind_symbol = KindSymbol(opis);
  if (!kind_symbol.empty()) out += "/" + kind_symbol;
  return out;
}

std::string InvoiceTitle(std::string_view rd, std::string_view nrd, JulianDay data, std::string_view opis,
                         const NumberingSettings& settings) {
  std::string title = data >= TitleChangeDay() ? "FAKTURA NR " : "FAKTURA VAT NR ";
  return title + DocumentNumberText(rd, nrd, data, opis, settings);
}

std::string NrFvSymbol(std::string_view number_text, JulianDay data, const NumberingSettings& settings) {
  std::string symbol = AllTrim(settings.j_fv_symbo);
  if (symbol == "WSD") symbol.clear();
  if (symbol == "??") symbol = YearOf(data);
  std::string suffix;
  if (settings.j_zer_nrd && !symbol.empty()) {
    suffix = "/" + MonthOf(data) + "/" + symbol;
  } else if (!symbol.empty()) {
    suffix = "/" + symbol;
  } else if (settings.j_zer_nrd) {
    suffix = "/" + MonthOf(data);
  }
  std::string text = LTrim(number_text);
  size_t blank = text.find(' ');
  if (blank == std::string::npos) return text + suffix;
  text.insert(blank, suffix);
  return text;
}

std::string CorrectionTitle(std::string_view rd, std::string_view corrected_number, JulianDay corrected_data,
                            const NumberingSettings& settings) {
  std::string kind = Left(rd, 2);
  return RTrim("Korekta " + kind + " Nr " + kind + "-" + NrFvSymbol(corrected_number, corrected_data, settings));
}

std::string OryginalMark(char j_oryginal, JulianDay data) {
  if (data < TitleChangeDay()) return {};
  if (j_oryginal == 'O') return std::string("ORYGINAŁ"_pl);
  if (j_oryginal == 'K') return "KOPIA";
  return {};
}

OryginalStep StepOryginal(char j_oryginal, const OryginalContext& context) {
  if (!context.page_printer) return {j_oryginal, j_oryginal};
  if (context.one_copy_kind) return {'X', 'X'};
  OryginalStep step;
  switch (j_oryginal) {
    case 'X':
    case 'T':
      step = {'O', 'O'};
      break;
    case 'O':
    case 'K':
      step = {'K', 'K'};
      break;
    default:
      return {j_oryginal, j_oryginal};
  }
  bool cash = context.spz == 'G' || context.spz == 'C';
  if (step.printed == 'K' && cash && context.druk_1fv_marker) step.stored = 'X';
  return step;
}

}  // namespace hurt::invoicing
