#include "catalogues/rules.h"

#include <cmath>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "documents/vat_rate.h"

namespace hurt::catalogues {

using namespace hurt::literals;

// ---- Cost base and margin ---------------------------------------------------------------

double Mojmax(double cena0, double cena_pz, const CostRule& rule) {
  const double larger = std::max(cena0, cena_pz);
  if (rule.marza_pz) return cena_pz > 0 ? cena_pz : larger;
  if (rule.cena0_marker) return cena0 > 0 ? cena0 : larger;
  return larger;
}

double RawMargin(double cena, double cost) { return (cena - cost) / (cost + 0.000001) * 100; }

double Margin(double cena, double cost) { return NewRound(RawMargin(cena, cost), 1); }

std::string MarginRowText(double margin) {
  if (margin < -10 || margin > 100) return "    ";
  return Str(margin, 4, 1);
}

// ---- Price arithmetic ----------------------------------------------------------------------

double RateOf(std::string_view podatek0) { return documents::RateOfCode(podatek0); }

namespace {

double CostOf(const PriceSet& p, const CostRule& rule) { return Mojmax(p.cena0, p.cena_pz, rule); }

// VAT and gross of a net price.
void GrossFromNet(double net, double rate, double& vat, double& gross) {
  vat = NewRound(net * rate / 100, 2);
  gross = NewRound(net + vat, 2);
}

}  // namespace

void VCena(PriceSet& p, const CostRule& rule) {
  GrossFromNet(p.cena, RateOf(p.podatek0), p.vat, p.cena2);
  p.marza = Margin(p.cena, CostOf(p, rule));
}

void VCena2(PriceSet& p, const CostRule& rule) {
  p.cena = NewRound(p.cena2 / (RateOf(p.podatek0) / 100 + 1), 2);
  p.vat = NewRound(p.cena2 - p.cena, 2);
  p.marza = Margin(p.cena, CostOf(p, rule));
}

bool VMarza(PriceSet& p, double previous, const CostRule& rule) {
  if (SameAmount(p.marza, previous, 1)) return false;
  p.cena = NewRound(CostOf(p, rule) * (p.marza / 100 + 1), 2);
  GrossFromNet(p.cena, RateOf(p.podatek0), p.vat, p.cena2);
  return true;
}

void VCenaPz(PriceSet& p, const CostRule& rule) { p.marza = Margin(p.cena, CostOf(p, rule)); }

bool VPodatek0(PriceSet& p, std::string_view typed, std::string_view previous, bool vat_13_5, bool norwegia,
               const CostRule& rule) {
  const documents::RateInput in = documents::NormalizeRateCode(typed, vat_13_5, norwegia);
  if (!in.accepted) return false;
  p.podatek0 = in.code;
  if (in.code != previous) {
    GrossFromNet(p.cena, in.rate, p.vat, p.cena2);
    GrossFromNet(p.cenam, in.rate, p.vatm, p.cena2m);
  }
  p.marza = Margin(p.cena, CostOf(p, rule));
  return true;
}

void ShowVat(PriceSet& p) {
  p.vat = NewRound(p.cena2 - p.cena, 2);
  p.vatm = NewRound(p.cena2m - p.cenam, 2);
}

PriceWarning CheckPrices(double cena, double cost, bool prod_site) {
  if (cost != 0 && std::fabs(cena - cost) / cost * 100 > 200) return PriceWarning::kStrangeDifference;
  if (!prod_site && cena > 0 && cena < cost) return PriceWarning::kLoss;
  return PriceWarning::kNone;
}

std::string_view PriceWarningText(PriceWarning w) {
  switch (w) {
    case PriceWarning::kStrangeDifference: return "DZIWNA ROZNICA CEN";
    case PriceWarning::kLoss: return "TO BEDZIE STRATA";
    case PriceWarning::kNone: break;
  }
  return "";
}

// ---- Article cards ------------------------------------------------------------------------

bool HasStock(const StockCounters& s) {
  // Quantities have three decimals: compare as they read, not as raw doubles.
  return !SameAmount(std::fabs(s.b_bo_i) + std::fabs(s.b_p_i) + std::fabs(s.b_r_i) + std::fabs(s.ilosc), 0, 3);
}

bool ArticleDeletable(const StockCounters& s, std::string_view mag) {
  return !HasStock(s) || mag == " " || mag == "0" || mag.empty();
}

std::string AgeingFlag(double ilosc, JulianDay data_sd, JulianDay data_pz, JulianDay today) {
  if (ilosc <= 0) return " ";
  auto older = [&](int days) {
    if (data_sd != kEmptyDate) return today - data_sd > days;
    if (data_pz != kEmptyDate) return today - data_pz > days;
    return true;
  };
  // The mark of stock lying longest is "+": the plus-minus sign of the classic screens has
  // no code page 852 byte (the byte that was "±" there is "˝" here), and "+" reads the same
  // on every terminal.
  if (older(60)) return "+";
  if (older(30)) return "M";
  if (older(7)) return "t";
  return " ";
}

std::string NormalIndeks(std::string_view typed) { return PadR(UpperPl(AllTrim(typed)), 8).substr(0, 8); }

// ---- Search prefix ------------------------------------------------------------------------

std::optional<std::string> SearchPrefix::Candidate(char typed) const {
  if (text_.size() >= limit_) return std::nullopt;
  return text_ + UpperPlChar(typed);
}

bool SearchPrefix::Backspace() {
  if (text_.empty()) return false;
  text_.pop_back();
  return true;
}

bool IsSearchCharacter(int key) { return key >= 32 && key <= 255 && key != 127; }

// ---- Counterparty books -------------------------------------------------------------------

namespace {

constexpr BookInfo kBooks[] = {
    {1, 3, "zo", "O", "         ROZRACHUNKI Z ODBIORCAMI", "Nazwa odbiorcy", "-RO", false},
    {2, 103, "zd", "D", "         ROZRACHUNKI Z DOSTAWCAMI", "Nazwa dostawcy", "-RD", false},
    {3, 104, "zp", "P", "         ROZRACHUNKI Z PRACOWNIKAMI", "Nazwisko pracownika ", "-RP", false},
    {4, 203, "zf", "F", "         POZOSTAŁE ROZRACHUNKI"_pl, "Nazwa firmy", "-RF", false},
    {5, 204, "zn", "N", "         NOTES", "Nazwa firmy", "", true},
};

}  // namespace

const BookInfo* Book(int number) {
  if (number < 1 || number > 5) return nullptr;
  return &kBooks[number - 1];
}

bool BookDenied(const BookInfo& book, std::string_view prawa2) {
  if (book.rights_code.empty()) return false;
  return prawa2.find(book.rights_code) != std::string_view::npos || prawa2.find("-R*") != std::string_view::npos ||
         prawa2.find("-R?") != std::string_view::npos;
}

double SaldoDifference(const AccountAmounts& a) {
  return NewRound((a.bown + a.obnawn + a.obwn) - (a.boma + a.obnama + a.obma), 2);
}

double SaldoWn(const AccountAmounts& a) {
  const double d = SaldoDifference(a);
  return d >= 0 ? d : 0;
}

double SaldoMa(const AccountAmounts& a) {
  const double d = SaldoDifference(a);
  return d < 0 ? -d : 0;
}

bool AccountDeletable(const AccountAmounts& a) {
  const double wn = a.bown + a.obnawn + a.obwn + a.pown;
  const double ma = a.boma + a.obnama + a.obma + a.poma;
  return SameAmount(wn, ma, 2) && SameAmount(a.obwn, 0, 2) && SameAmount(a.obma, 0, 2);
}

// ---- Tax number ----------------------------------------------------------------------------

NipCheck CheckNip(std::string_view nip, bool pesel_marker) {
  std::string text = AllTrim(nip);
  if (text.size() >= 2 && Upper(text.substr(0, 2)) == "PL") text = AllTrim(text.substr(2));
  if (text.empty() || text[0] < '1' || text[0] > '9') return NipCheck::kGood;
  std::string digits;
  for (char c : text) {
    if (c >= '0' && c <= '9') digits += c;
  }
  if (digits.size() == 11 && pesel_marker) return NipCheck::kGood;
  if (digits.size() != 10) return NipCheck::kBadLength;
  static constexpr int kWeights[9] = {6, 5, 7, 2, 3, 4, 5, 6, 7};
  int sum = 0;
  for (int i = 0; i < 9; ++i) sum += (digits[static_cast<size_t>(i)] - '0') * kWeights[i];
  // A remainder of 10 is two characters and never equals the one check digit.
  const std::string remainder = std::to_string(sum % 11);
  return remainder == digits.substr(9, 1) ? NipCheck::kGood : NipCheck::kBadChecksum;
}

}  // namespace hurt::catalogues
