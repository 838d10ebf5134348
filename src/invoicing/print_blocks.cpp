#include "invoicing/print_blocks.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/slownie.h"
#include "base/text.h"
#include "documents/doc_kind.h"
#include "documents/vat_rate.h"

namespace hurt::invoicing {

namespace {

using namespace hurt::literals;

// --- masks -----------------------------------------------------------------------------

constexpr std::string_view kMaskPrice = "9999 999.99";     // unit prices, 11
constexpr std::string_view kMaskPriceNarrow = "999 999.99"; // prices of the discount forms, 10
constexpr std::string_view kMaskValue = "99 999 999.99";   // line values, 13
constexpr std::string_view kMaskLineVat = "99999999.99";   // line VAT, 11
constexpr std::string_view kMaskWhole = "99999999999";     // whole quantities, 11
constexpr std::string_view kMaskQty3 = "9999999.999";
constexpr std::string_view kMaskQty2 = "99999999.99";
constexpr std::string_view kMaskPercent = "@Z 999.9";      // UPUST0 N 5.1
constexpr std::string_view kMaskOpa = "@Z 9999";
constexpr std::string_view kMaskSumNet = "9999999999.99";  // summary nets and grosses, 13
constexpr std::string_view kMaskSumVat = "99999999.99";    // summary VAT, 11
constexpr std::string_view kMaskAmount = "9999 999.99";    // correction amounts
constexpr std::string_view kNoVat = "    ---    ";          // the VAT of "NP", 11

// --- the columns of the forms ----------------------------------------------------------

constexpr std::array<int, 10> kPlainWidths = {35, 14, 5, 12, 13, 15, 4, 13, 15, 13};
constexpr size_t kPlainValueIndex = 5;
constexpr std::array<int, 11> kDiscountWidths = {35, 10, 5, 12, 11, 7, 11, 15, 4, 13, 15};
constexpr size_t kDiscountValueIndex = 7;
constexpr int kExtraWidth = 5;  // " MAG " and " OPA "

// Caption lines; the third differs between net and gross, a fourth is English. The
// rate and VAT columns share the first two captions ("Podatek VAT" over "------").
constexpr std::string_view kPlainCaption1 =
    " Lp Nazwa przedmiotu sprzedazy     |    Symbol    | J.m.|   Ilosc    |    Cena     |    Wartosc    |   Podatek VAT    |    Wartosc    |    Cena     |";
constexpr std::string_view kPlainCaption2 =
    "                                   |              |     |            | jednostkowa |   sprzedazy   |------------------|   sprzedazy   | jednostkowa |";
constexpr std::string_view kPlainNetCaption3 =
    "                                   |              |     |            |    netto    |     netto     |  % |    kwota    |     brutto    |   brutto    |";
constexpr std::string_view kPlainGrossCaption3 =
    "                                   |              |     |            |   brutto    |     brutto    |  % |    kwota    |     netto     |     netto   |";
constexpr std::string_view kPlainNetEnglish =
    " No Description                    |     Code     | Unit|  Quantity  | Unit price  |  Net amount   |  % |  VAT amount | Gross amount  | Unit gross  |";
constexpr std::string_view kPlainGrossEnglish =
    " No Description                    |     Code     | Unit|  Quantity  | Unit gross  | Gross amount  |  % |  VAT amount |  Net amount   | Unit price  |";

constexpr std::string_view kDiscountNetCaption1 =
    " Lp Nazwa przedmiotu sprzedazy     |  Symbol  | J.m.|   Ilosc    |Cena netto | Rabat |Cena netto |    Wartosc    |   Podatek VAT    |    Wartosc    |";
constexpr std::string_view kDiscountGrossCaption1 =
    " Lp Nazwa przedmiotu sprzedazy     |  Symbol  | J.m.|   Ilosc    |Cena brutto| Rabat |Cena brutto|    Wartosc    |   Podatek VAT    |    Wartosc    |";
constexpr std::string_view kDiscountCaption2 =
    "                                   |          |     |            |   przed   |       |    po     |   sprzedazy   |------------------|   sprzedazy   |";
constexpr std::string_view kDiscountNetCaption3 =
    "                                   |          |     |            |  rabatem  |   %   |  rabacie  |     netto     |  % |    kwota    |     brutto    |";
constexpr std::string_view kDiscountGrossCaption3 =
    "                                   |          |     |            |  rabatem  |   %   |  rabacie  |     brutto    |  % |    kwota    |     netto     |";
constexpr std::string_view kDiscountNetEnglish =
    " No Description                    |   Code   | Unit|  Quantity  |List price | Disc. |Unit price |  Net amount   |  % |  VAT amount | Gross amount  |";
constexpr std::string_view kDiscountGrossEnglish =
    " No Description                    |   Code   | Unit|  Quantity  |List price | Disc. |Unit price | Gross amount  |  % |  VAT amount |  Net amount   |";

// --- cells ------------------------------------------------------------------------------

// A number right-aligned with one blank before the next "|" when it fits.
std::string NumberCell(std::string_view text, int width) {
  auto w = static_cast<size_t>(width);
  if (text.size() + 1 <= w) return PadL(text, w - 1) + " ";
  return PadL(text, w);
}

std::string Money2(double x, std::string_view mask) { return TransformNumber(NewRound(x, 2), mask); }

std::string TextCell(std::string_view text, int width) {
  return " " + PadR(RTrim(Printable(text)), static_cast<size_t>(width - 1));
}

std::string QuantityText(double ilosc, int decimals) {
  double q3 = NewRound(ilosc, 3);
  if (FormatFixed(q3, 3).ends_with(".000")) return TransformNumber(q3, kMaskWhole);
  if (decimals == 2) return TransformNumber(NewRound(ilosc, 2), kMaskQty2);
  return TransformNumber(q3, kMaskQty3);
}

// The name inside the first column, after the ordinal.
constexpr size_t kNameWidth = 31;

// A text cut into lines of at most `width` bytes at blanks (a longer word is cut).
std::vector<std::string> WrapWords(std::string_view text, size_t width) {
  std::vector<std::string> out;
  std::string line;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == ' ') ++i;
    size_t end = text.find(' ', i);
    if (end == std::string_view::npos) end = text.size();
    std::string_view word = text.substr(i, end - i);
    i = end;
    if (word.empty()) break;
    while (word.size() > width) {  // a word longer than the line
      if (!line.empty()) out.push_back(std::move(line));
      line.clear();
      out.emplace_back(word.substr(0, width));
      word.remove_prefix(width);
    }
    if (!line.empty() && line.size() + 1 + word.size() > width) {
      out.push_back(std::move(line));
      line.clear();
    }
    if (!line.empty()) line += ' ';
    line += word;
  }
  if (!line.empty()) out.push_back(std::move(line));
  return out;
}

std::string OrdinalText(int ordinal) {
  if (ordinal <= 999) return TransformNumber(ordinal, "999") + " ";
  return Str(ordinal, 4, 0);
}

// The rate cell of the table and of the VAT block: " 23 ", "  8 ", " zw.", " np ", "13.5".
std::string RateCell(std::string_view podatek0) {
  std::string text = Printable(RateText(podatek0));
  if (text.size() >= 4) return PadR(text, 4);
  return PadR(" " + text, 4);
}

bool IsNp(std::string_view podatek0) { return Upper(AllTrim(podatek0)) == "NP"; }

std::string VatText(double vat, std::string_view podatek0) {
  if (IsNp(podatek0)) return std::string(kNoVat);
  return Money2(vat, kMaskLineVat);
}

// The table's "|" is replaced by the page printer's box characters in the summary table.
constexpr char kBoxBar = '\xB3';
constexpr char kBoxRule = '\xC4';
constexpr char kBoxCross = '\xC5';
constexpr char kBoxRightTee = '\xB4';

std::string Framed(std::string line, bool rule) {
  size_t last_bar = line.rfind('|');
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '|') line[i] = rule ? (i == last_bar ? kBoxRightTee : kBoxCross) : kBoxBar;
    else if (rule && line[i] == '-') line[i] = kBoxRule;
  }
  return line;
}

}  // namespace

// --- form selection and line money -------------------------------------------------------

FormLayout SelectForm(char mode, bool j_rab_poz, double document_rabat, const std::vector<InvoiceLine>& lines) {
  if (mode == 'B') {
    return (j_rab_poz || !SameAmount(document_rabat, 0)) ? FormLayout::kGrossDiscount : FormLayout::kGross;
  }
  bool any_discount = std::any_of(lines.begin(), lines.end(),
                                  [](const InvoiceLine& l) { return !SameAmount(l.upust0, 0, 1); });
  return (j_rab_poz && any_discount) ? FormLayout::kNetDiscount : FormLayout::kNet;
}

LineMoney MoneyOfLine(const InvoiceLine& line, bool gross_basis) {
  LineMoney m;
  double value = NewRound(line.ilosc * line.cena, 2);
  m.vat = line.podatek;
  if (gross_basis) {
    m.brutto = value;
    m.netto = NewRound(value - line.podatek, 2);
    m.cena_brutto = line.cena;
    m.cena_netto = line.ilosc != 0 ? NewRound(m.netto / line.ilosc, 2) : 0;
    m.cena_przed = line.cena_b != 0 ? line.cena_b : line.cena;
  } else {
    m.netto = value;
    m.brutto = NewRound(value + line.podatek, 2);
    m.cena_netto = line.cena;
    m.cena_brutto = line.ilosc != 0 ? NewRound(m.brutto / line.ilosc, 2) : 0;
    m.cena_przed = line.cena_n != 0 ? line.cena_n : line.cena;
  }
  return m;
}

std::string RateText(std::string_view podatek0) {
  std::string code = Upper(AllTrim(podatek0));
  if (code == "ZW") return "zw.";
  if (code == "NP") return "np";
  return std::string(podatek0);
}

// --- the line table --------------------------------------------------------------------

LineTable::LineTable(const TableOptions& options) : options_(options) {
  size_t value_index = 0;
  if (IsDiscountForm(options.form)) {
    widths_.assign(kDiscountWidths.begin(), kDiscountWidths.end());
    value_index = kDiscountValueIndex;
  } else {
    widths_.assign(kPlainWidths.begin(), kPlainWidths.end());
    value_index = kPlainValueIndex;
  }
  if (options.mag_column) widths_.push_back(kExtraWidth);
  if (options.opa_column) widths_.push_back(kExtraWidth);
  for (size_t i = 0; i < widths_.size(); ++i) {
    if (i == value_index) value_column_ = width_;
    width_ += widths_[i] + 1;
  }
}

std::string LineTable::Rule() const { return std::string(static_cast<size_t>(width_), '-'); }

std::vector<std::string> LineTable::Head() const {
  bool gross = IsGrossForm(options_.form);
  std::vector<std::string> captions;
  if (IsDiscountForm(options_.form)) {
    captions = {std::string(gross ? kDiscountGrossCaption1 : kDiscountNetCaption1), std::string(kDiscountCaption2),
                std::string(gross ? kDiscountGrossCaption3 : kDiscountNetCaption3)};
    if (options_.foreign_language) captions.emplace_back(gross ? kDiscountGrossEnglish : kDiscountNetEnglish);
  } else {
    captions = {std::string(kPlainCaption1), std::string(kPlainCaption2),
                std::string(gross ? kPlainGrossCaption3 : kPlainNetCaption3)};
    if (options_.foreign_language) captions.emplace_back(gross ? kPlainGrossEnglish : kPlainNetEnglish);
  }
  if (options_.pkwiu) {
    size_t at = captions[0].find("Symbol");
    captions[0].replace(at, 6, "PKWiU ");
  }
  for (size_t i = 0; i < captions.size(); ++i) {
    if (options_.mag_column) captions[i] += i == 0 ? " MAG |" : "     |";
    if (options_.opa_column) captions[i] += i == 0 ? " OPA |" : "     |";
  }
  std::vector<std::string> out;
  out.push_back(Rule());
  for (std::string& c : captions) out.push_back(std::move(c));
  out.push_back(Rule());
  return out;
}

std::vector<std::string> LineTable::Row(const InvoiceLine& line, int ordinal) const {
  bool gross = IsGrossForm(options_.form);
  LineMoney m = MoneyOfLine(line, gross);
  double price = gross ? m.cena_brutto : m.cena_netto;
  double value = gross ? m.brutto : m.netto;
  double value2 = gross ? m.netto : m.brutto;
  double price2 = gross ? m.cena_netto : m.cena_brutto;

  std::vector<std::string> cells;
  cells.push_back(OrdinalText(ordinal) + PadR(RTrim(Printable(line.nazwa)), kNameWidth));
  cells.push_back(TextCell(options_.pkwiu ? line.pkwiu : line.indeks, widths_[1]));
  cells.push_back(TextCell(line.jm, widths_[2]));
  cells.push_back(NumberCell(QuantityText(line.ilosc, options_.quantity_decimals), widths_[3]));
  size_t next = 4;
  if (IsDiscountForm(options_.form)) {
    cells.push_back(NumberCell(Money2(m.cena_przed, kMaskPriceNarrow), widths_[next++]));
    cells.push_back(NumberCell(TransformNumber(NewRound(line.upust0, 1), kMaskPercent), widths_[next++]));
  }
  bool narrow = IsDiscountForm(options_.form);
  cells.push_back(NumberCell(Money2(price, narrow ? kMaskPriceNarrow : kMaskPrice), widths_[next++]));
  cells.push_back(NumberCell(Money2(value, kMaskValue), widths_[next++]));
  cells.push_back(RateCell(line.podatek0));
  ++next;
  cells.push_back(NumberCell(VatText(m.vat, line.podatek0), widths_[next++]));
  cells.push_back(NumberCell(Money2(value2, kMaskValue), widths_[next++]));
  if (!IsDiscountForm(options_.form)) cells.push_back(NumberCell(Money2(price2, kMaskPrice), widths_[next++]));
  if (options_.mag_column) cells.push_back(TextCell(line.mag, widths_[next++]));
  if (options_.opa_column) {
    cells.push_back(NumberCell(TransformNumber(std::floor(line.opakowania), kMaskOpa), widths_[next++]));
  }

  std::vector<std::string> out;
  std::string row;
  for (size_t i = 0; i < cells.size(); ++i) row += PadR(cells[i], static_cast<size_t>(widths_[i])) + "|";
  out.push_back(std::move(row));

  // Continuation lines: the rest of the name and the remarks, under the name.
  for (const std::string* more : {&line.nazwa1, &line.uwagi}) {
    for (const std::string& part : WrapWords(Printable(*more), kNameWidth)) {
      std::string cont = "    " + PadR(part, kNameWidth) + "|";
      for (size_t i = 1; i < widths_.size(); ++i) cont += Space(static_cast<size_t>(widths_[i])) + "|";
      out.push_back(std::move(cont));
    }
  }
  return out;
}

std::vector<std::string> LineTable::RateBlock(const documents::VatSummary& summary, std::string_view left_text) const {
  bool gross = IsGrossForm(options_.form);
  auto left_width = static_cast<size_t>(value_column_ - 10);
  auto cells = [&](double v1, std::string_view rate_cell, std::string_view vat, double v2) {
    return "| " + Money2(v1, kMaskSumNet) + " |" + std::string(rate_cell) + "| " + std::string(vat) + " | " +
           Money2(v2, kMaskSumNet) + " |";
  };
  std::vector<std::string> out;
  out.push_back(Space(left_width) + "Razem    " +
                cells(gross ? summary.brutto : summary.netto, "    ", Money2(summary.vat, kMaskSumVat),
                      gross ? summary.netto : summary.brutto));
  bool first = true;
  for (const documents::RateTotals& r : summary.rows) {
    std::string vat = IsNp(r.code) ? std::string(kNoVat) : Money2(r.vat, kMaskSumVat);
    std::string row = cells(gross ? r.brutto : r.netto, RateCell(r.code), vat, gross ? r.netto : r.brutto);
    if (first) {
      out.push_back(PadPrinted(left_text, left_width) + "W tym    " + row);
      first = false;
    } else {
      out.push_back(Space(left_width + 9) + row);
    }
  }
  if (first && !IsBlank(left_text)) out.emplace_back(left_text);
  return out;
}

// --- the VAT summary table ---------------------------------------------------------------

std::vector<std::string> VatSummaryTable(const documents::VatSummary& summary, const VatTableOptions& options) {
  std::string cur = Upper(AllTrim(options.waluta));
  bool currency = documents::IsForeignCurrency(cur);
  std::string header = "        STAWKA   |";
  if (currency) {
    header += PadR("  NETTO [" + cur + "]", 15) + "|" + PadR("  VAT [" + cur + "]", 13) + "|" +
              PadR(" BRUTTO [" + cur + "]", 15) + "|";
  } else {
    header += "      NETTO    |      VAT    |     BRUTTO    |";
  }
  const std::string rule = "       ----------|---------------|-------------|---------------|";
  auto row = [](std::string_view label, double net, std::string_view vat, double gross) {
    return std::string(label) + "| " + Money2(net, kMaskSumNet) + " | " + std::string(vat) + " | " +
           Money2(gross, kMaskSumNet) + " |";
  };

  std::vector<std::pair<std::string, bool>> lines;  // text, is a rule line
  lines.emplace_back(header, false);
  if (options.foreign_language) {
    lines.emplace_back("              %  |  NET AMOUNT   |      VAT    |  GROSS AMOUNT |", false);
  }
  lines.emplace_back(rule, true);
  for (const documents::RateTotals& r : summary.rows) {
    std::string code = Upper(AllTrim(r.code));
    std::string label;
    if (code == "ZW") label = "            zw.  ";
    else if (code == "NP") label = "            np   ";
    else if (r.code == " 0") label = "             0%  ";
    else label = PadL(r.code, 14) + "%  ";
    std::string vat = code == "NP" ? std::string(kNoVat) : Money2(r.vat, kMaskSumVat);
    lines.emplace_back(row(label, r.netto, vat, r.brutto), false);
  }
  lines.emplace_back(rule, true);
  lines.emplace_back(row(options.foreign_language ? "RAZEM / TOTAL    " : "        RAZEM    ", summary.netto,
                         Money2(summary.vat, kMaskSumVat), summary.brutto),
                     false);

  std::vector<std::string> out;
  for (auto& [text, is_rule] : lines) out.push_back(options.page_printer ? Framed(text, is_rule) : text);
  return out;
}

// --- amount lines ------------------------------------------------------------------------

std::string AmountInWordsLine(double brutto, std::string_view waluta) {
  std::string cur = Upper(AllTrim(waluta));
  std::string label = documents::IsForeignCurrency(cur) ? cur + " : " : std::string("Słownie zł.: "_pl);
  return Overstrike(label + SlownieKwoty(brutto, cur));
}

std::vector<std::string> CorrectionAmountLines(double netto, double vat, double brutto, std::string_view waluta) {
  std::string cur = Upper(AllTrim(waluta));
  bool foreign = documents::IsForeignCurrency(cur);
  auto line = [&](std::string_view label, double amount) {
    double a = NewRound(std::fabs(amount), 2);
    std::string unit = foreign ? " " + cur : std::string(" zł."_pl);
    return Overstrike(std::string(label) + TransformNumber(a, kMaskAmount) + unit + " ( " +
                      SlownieKwoty(a, cur) + " )");
  };
  std::vector<std::string> out;
  if (NewRound(netto, 2) < 0 && !SameAmount(netto, 0)) out.push_back(line("Kwota zmniejszenia wartosci bez podatku : ", netto));
  if (NewRound(netto, 2) > 0 && !SameAmount(netto, 0)) out.push_back(line("Kwota zwiekszenia wartosci bez podatku  : ", netto));
  if (NewRound(vat, 2) < 0 && !SameAmount(vat, 0)) out.push_back(line("Kwota zmniejszenia podatku naleznego    : ", vat));
  if (NewRound(vat, 2) > 0 && !SameAmount(vat, 0)) out.push_back(line("Kwota zwiekszenia podatku naleznego     : ", vat));
  if (NewRound(brutto, 2) < 0 && !SameAmount(brutto, 0)) out.push_back(line("Kwota do zwrotu                         : ", brutto));
  if (NewRound(brutto, 2) > 0 && !SameAmount(brutto, 0)) {
    out.push_back(line("Kwota do zapłaty                        : "_pl, brutto));
  }
  return out;
}

// --- signature, letterhead, seller, buyer ------------------------------------------------

namespace {
constexpr size_t kSignatureIndent = 98;
// A text field of a table, trimmed and safe to print.
std::string Field(std::string_view text) { return AllTrim(Printable(text)); }
constexpr std::string_view kSignatureText = "Podpis osoby uprawnionej do wystawienia faktury VAT";
constexpr size_t kSellerIndent = 40;
constexpr size_t kRightIndent = 99;

// The street as printed after the postcode and town: "ul. " + street, unless the street
// already names its kind ("ul. Polna 5", "al. Jana Pawła", "pl. Wolności", "os. Tysiąclecia"),
// which would print "ul. ul. Polna 5".
std::string StreetText(std::string_view street) {
  const std::string text = Field(street);
  const std::string lower = Lower(text.substr(0, 3));
  for (std::string_view kind : {"ul.", "al.", "pl.", "os."}) {
    if (lower == kind) return text;
  }
  return "ul. " + text;
}
}  // namespace

std::vector<std::string> SignatureBlock(std::string_view operator_name) {
  return {Space(kSignatureIndent) + Field(operator_name),
          Space(kSignatureIndent) + std::string(kSignatureText.size(), '.'),
          Space(kSignatureIndent) + std::string(kSignatureText)};
}

std::vector<std::string> LetterheadLines(const PrintSettings& settings, const Seller& seller) {
  if (Field(settings.j_folder) == "BAAD") return std::vector<std::string>(7);
  if (!settings.letterhead.empty()) return settings.letterhead;
  std::vector<std::string> out;
  for (const std::string* name : {&seller.nodb, &seller.nodb1, &seller.nodb2}) {
    if (!IsBlank(*name)) out.push_back(Space(kSellerIndent) + Field(*name));
  }
  return out;
}

std::vector<std::string> SellerBlock(const Seller& seller, const documents::DocKind& kind, bool krs_marker) {
  std::vector<std::string> out;
  std::string address = Space(kSellerIndent) + Field(seller.kodb) + " " + Field(seller.modb);
  if (!IsBlank(seller.uodb)) address += ",  " + StreetText(seller.uodb);
  if (!IsBlank(seller.tel)) address += ",  tel. " + Field(seller.tel);
  out.push_back(RTrim(address));

  std::string nip = Field(seller.regon);
  if ((kind.HasTag("EXPORT") || kind.HasTag("[PL]")) && !IsBlank(seller.nip_kraj)) {
    nip = Field(seller.nip_kraj) + " " + nip;
  }
  out.push_back(Space(kRightIndent) + "             NIP: " + nip);
  if (!IsBlank(seller.bdo)) out.push_back(Space(kRightIndent) + "             BDO: " + Field(seller.bdo));
  if (krs_marker) {
    std::string krs = Space(kSellerIndent) + "KRS nr: " + PadR(Field(seller.krs_nr), 13);
    if (!IsBlank(seller.regon0)) krs += Space(38) + "             REGON: " + Field(seller.regon0);
    out.push_back(RTrim(krs));
    if (!IsBlank(seller.krs_sad)) out.push_back(Space(kSellerIndent) + Field(seller.krs_sad));
    if (!SameAmount(seller.kapital, 0)) {
      out.push_back(Space(kSellerIndent) + "Kapital zakladowy: " +
                    Field(TransformNumber(NewRound(seller.kapital, 0), "@Z 999 999 999 999")) +
                    Overstrike(" opłacony w całości"_pl));
    }
  }
  return out;
}

std::string TownDateLine(std::string_view town, JulianDay data, bool bez_daty) {
  std::string line = Space(114) + Field(town);
  if (!bez_daty) line += ",  " + Dtoc(data);
  return line;
}

std::vector<std::string> BuyerBlock(const InvoiceHeader& header, const Buyer& buyer, const BuyerOptions& options) {
  auto pick = [](const std::string& from_header, const std::string& from_book) {
    return Field(IsBlank(from_header) ? from_book : from_header);
  };
  // The name comes whole from the header or whole from the book, never mixed.
  bool header_named = !IsBlank(header.nodb);
  std::string name = header_named ? Field(header.nodb) : Field(buyer.nodb);
  std::string name1 = header_named ? Field(header.nodb1) : Field(buyer.nodb1);
  bool header_addressed = !IsBlank(header.modb) || !IsBlank(header.uodb) || !IsBlank(header.kodb);
  const std::string& kodb = header_addressed ? header.kodb : buyer.kodb;
  const std::string& modb = header_addressed ? header.modb : buyer.modb;
  const std::string& uodb = header_addressed ? header.uodb : buyer.uodb;
  std::string nip = pick(header.regon, buyer.regon);
  std::string nip_kraj = IsBlank(header.regon) ? Field(buyer.nip_kraj) : Field(header.nip_kraj);

  std::string label;
  size_t indent = 10;
  if (options.foreign_language) {
    label = options.purchase ? "Dostawca / Supplier:" : "Nabywca / Buyer:";
    indent = 22;
  } else {
    label = options.purchase ? "Dostawca:" : "Nabywca:";
  }
  std::vector<std::string> out;
  out.push_back(PadR(label, indent) + name);
  if (!name1.empty()) out.push_back(Space(indent) + name1);
  std::string address = Field(Field(kodb) + " " + Field(modb));
  if (!IsBlank(uodb)) address += (address.empty() ? "" : ",  ") + StreetText(uodb);
  if (!address.empty()) out.push_back(Space(indent) + address);
  if (!nip.empty()) out.push_back(Space(indent) + "NIP: " + (nip_kraj.empty() ? "" : nip_kraj + " ") + nip);

  if (!options.correction && !IsBlank(header.odbiorca)) {
    std::string recipient_label = options.foreign_language ? "Odbiorca / Recipient:" : "Odbiorca:";
    bool first = true;
    std::string text = header.odbiorca;
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find_first_of("\r\n", start);
      if (end == std::string::npos) end = text.size();
      std::string part = Field(std::string_view(text).substr(start, end - start));
      if (!part.empty()) {
        out.push_back((first ? PadR(recipient_label, indent) : Space(indent)) + part);
        first = false;
      }
      start = end + 1;
    }
  }
  return out;
}

std::vector<std::string> BankLine(const Seller& seller, int nr_banku) {
  size_t i = (nr_banku >= 0 && nr_banku < static_cast<int>(seller.nrbo.size())) ? static_cast<size_t>(nr_banku) : 0;
  if (IsBlank(seller.nrbo[i])) return {};
  return {RTrim("Bank: " + Field(seller.bodb[i]) + "   Nr konta: " + Field(seller.nrbo[i]))};
}

std::vector<std::string> CancelledBlock(std::string_view klasa, const PrinterType& printer,
                                        std::string_view operator_name) {
  std::vector<std::string> out(10);
  std::string_view text = klasa.starts_with("FV") ? "--- FAKTURA ANULOWANA ---" : "--- DOWOD ANULOWANY ---";
  out.push_back(EnlargedSequence(printer) + Space(8) + std::string(text) + NormalSequence(printer));
  out.resize(out.size() + 10);
  for (std::string& s : SignatureBlock(operator_name)) out.push_back(std::move(s));
  return out;
}

}  // namespace hurt::invoicing
