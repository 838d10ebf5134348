// The rules of the article catalogue and of the counterparty books that need no screen:
// cost base and margin, the price arithmetic of the card form, the ageing flag, when a
// card or an account may be re-keyed or deleted, the balance columns, the typed search
// prefix and the tax-number test.
//
// Money is rounded only through NewRound, as everywhere in the program. Amounts that
// decide whether an account is balanced are compared as text with two decimals.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/date.h"

namespace hurt::catalogues {

// ---- Cost base and margin ---------------------------------------------------------------

// Which price is the cost base of a margin.
struct CostRule {
  bool marza_pz = false;      // J_MARZA_PZ is "T": the last purchase price first
  bool cena0_marker = false;  // marker CENA0.TXT: the book price first
};

// MOJMAX(cena0, cena_pz): the preferred price when it is above 0, else the larger of two.
double Mojmax(double cena0, double cena_pz, const CostRule& rule);

// The margin percent over a cost: (cena - cost) / (cost + 0.000001) * 100. The tiny
// addend keeps a zero cost from dividing by zero (the margin is then very large).
double RawMargin(double cena, double cost);
// The same rounded with NewRound to one decimal, as the form keeps it.
double Margin(double cena, double cost);
// The margin shown at the price row: "99.9", blank outside -10 .. 100.
std::string MarginRowText(double margin);

// ---- Price arithmetic of the card form ----------------------------------------------------

// The prices the form edits, with the values it shows.
struct PriceSet {
  std::string podatek0 = "23";  // VAT rate code
  double cena0 = 0;    // book purchase price
  double cena_pz = 0;  // last purchase price
  double cena = 0;     // net
  double vat = 0;      // VAT amount of the net price (not stored)
  double cena2 = 0;    // gross
  double cenam = 0;    // second level net
  double vatm = 0;     // second level VAT (not stored)
  double cena2m = 0;   // second level gross
  double marza = 0;    // margin percent, one decimal
};

// The rate of the code in percent ("ZW", "NP" count 0).
double RateOf(std::string_view podatek0);

// V_CENA: the net price was entered; VAT, gross and margin follow.
void VCena(PriceSet& p, const CostRule& rule);
// V_CENA2: the gross price was entered; net, VAT and margin follow.
void VCena2(PriceSet& p, const CostRule& rule);
// V_MARZA: the margin was entered. Only a margin that differs at one decimal from
// `previous` changes the prices (net from cost, then VAT and gross); true when it did.
bool VMarza(PriceSet& p, double previous, const CostRule& rule);
// V_CENA_PZ: the purchase price was entered; the margin follows.
void VCenaPz(PriceSet& p, const CostRule& rule);
// V_PODATEK0: normalises the typed rate code; when the rate changed, VAT and gross of both
// levels follow from the net prices; the margin is recomputed. False for a code that is
// not a rate at all (the field is refused).
bool VPodatek0(PriceSet& p, std::string_view typed, std::string_view previous, bool vat_13_5, bool norwegia,
               const CostRule& rule);
// The VAT amounts of both levels from the current net and gross prices (for showing a
// card: VAT of the main price is not stored).
void ShowVat(PriceSet& p);

// After writing a card: a margin beyond 200 % either way, or a sale below cost.
enum class PriceWarning { kNone, kStrangeDifference, kLoss };
PriceWarning CheckPrices(double cena, double cost, bool prod_site);
std::string_view PriceWarningText(PriceWarning w);

// ---- Article cards ------------------------------------------------------------------------

// The quantities that tie a card to stock movements.
struct StockCounters {
  double b_bo_i = 0;  // opening balance
  double b_p_i = 0;   // received this period
  double b_r_i = 0;   // issued this period
  double ilosc = 0;   // current quantity
};
// Any of them not zero (the card has a history of stock).
bool HasStock(const StockCounters& s);
// The key (warehouse, code) may change only on a card without stock.
inline bool KeyEditable(const StockCounters& s) { return !HasStock(s); }
// F8: a card without stock, or of the warehouse " " or "0", may be deleted.
bool ArticleDeletable(const StockCounters& s, std::string_view mag);

// The ageing flag of the grid: "" (blank) when there is no stock; otherwise by the last
// sale (or, without one, the last receipt; without that too, the oldest class):
// more than 60 days "+" (the plus-minus sign has no code page 852 byte), more than 30
// "M", more than 7 "t", else blank.
std::string AgeingFlag(double ilosc, JulianDay data_sd, JulianDay data_pz, JulianDay today);

// An article code as keys hold it: trimmed, upper case, padded to 8.
std::string NormalIndeks(std::string_view typed);

// ---- The typed search prefix --------------------------------------------------------------

// The prefix an operator types in a browse grid to jump by key. The grid seeks each
// candidate; only a found one becomes the prefix.
class SearchPrefix {
 public:
  explicit SearchPrefix(size_t limit) : limit_(limit) {}
  const std::string& text() const { return text_; }
  bool empty() const { return text_.empty(); }
  // The prefix with one more (upper-cased) character; nothing when the prefix is full.
  std::optional<std::string> Candidate(char typed) const;
  void Accept(std::string candidate) { text_ = std::move(candidate); }
  // Backspace: drops the last character (nothing to drop: false).
  bool Backspace();
  void Clear() { text_.clear(); }
  // Starts the prefix with a fixed text (the main warehouse).
  void Start(std::string_view text) { text_ = std::string(text.substr(0, limit_)); }

 private:
  size_t limit_;
  std::string text_;
};

// True for the characters the incremental search takes: printable code page 852 bytes.
bool IsSearchCharacter(int key);

// ---- Counterparty books -------------------------------------------------------------------

struct BookInfo {
  int number = 1;           // K_KONTRAHENCI
  int area = 3;             // fixed work area
  std::string_view alias;   // "zo"
  std::string_view kto;     // "O", "D", "P", "F", "N"
  std::string_view title;   // code page 852
  std::string_view name_heading;
  std::string_view rights_code;  // "-RO"; empty: never denied
  bool notebook = false;
};
// The book of K_KONTRAHENCI 1..5; nullptr otherwise.
const BookInfo* Book(int number);
// The operator's refusal tokens deny the book: its code, "-R*" or "-R?".
bool BookDenied(const BookInfo& book, std::string_view prawa2);

// The balances of an account.
struct AccountAmounts {
  double bown = 0, boma = 0;      // opening balance of the year
  double obnawn = 0, obnama = 0;  // earlier months
  double obwn = 0, obma = 0;      // this month
  double pown = 0, poma = 0;      // further amounts
};
// d = debits - credits of the opening, earlier and current turnover.
double SaldoDifference(const AccountAmounts& a);
// The two columns: debit balance (d when d >= 0) and credit balance (-d when d < 0).
double SaldoWn(const AccountAmounts& a);
double SaldoMa(const AccountAmounts& a);
// F8: balanced (all eight amounts, compared at two decimals) and no turnover this month.
bool AccountDeletable(const AccountAmounts& a);

// ---- Tax number ----------------------------------------------------------------------------

enum class NipCheck {
  kGood,          // valid, empty, or not a Polish number (begins with no digit 1..9)
  kBadChecksum,   // ten digits whose check digit does not match
  kBadLength,     // not ten digits (eleven are a PESEL with the marker PESEL.TXT: good)
};
NipCheck CheckNip(std::string_view nip, bool pesel_marker);

}  // namespace hurt::catalogues
