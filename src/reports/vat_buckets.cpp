#include "reports/vat_buckets.h"

#include "base/numeric.h"
#include "base/text.h"

namespace hurt::reports {

namespace {

constexpr std::array<std::string_view, kRateColumns> kCodes = {"22", "23", " 7", " 8", " 3", " 5", " 0", "ZW", "NP", "??"};
constexpr std::array<std::string_view, kRateColumns> kNames = {"22%", "23%", "7%", "8%", "3%", "5%", "0%", "ZW", "NP", "??"};
constexpr std::array<double, kRateColumns> kRates = {22, 23, 7, 8, 3, 5, 0, 0, 0, 99};

size_t Index(RateColumn c) { return static_cast<size_t>(c); }

bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

}  // namespace

RateColumn ColumnOf(std::string_view podatek0) {
  const std::string code = PadL(AllTrim(podatek0), 2);
  for (size_t i = 0; i + 1 < kCodes.size(); ++i) {
    if (code == kCodes[i]) return static_cast<RateColumn>(i);
  }
  if (code == "00") return RateColumn::k0;
  return RateColumn::k99;
}

std::string ColumnName(RateColumn c) { return std::string(kNames[Index(c)]); }
double ColumnRate(RateColumn c) { return kRates[Index(c)]; }
bool HasVat(RateColumn c) { return c != RateColumn::k0 && c != RateColumn::kZw && c != RateColumn::kNp; }

void RateBuckets::Add(RateColumn c, double net_amount, double vat_amount) {
  net[Index(c)] += net_amount;
  if (HasVat(c)) vat[Index(c)] += vat_amount;
  gross += net_amount + (HasVat(c) ? vat_amount : 0);
}

void RateBuckets::Add(const RateBuckets& other) {
  for (size_t i = 0; i < net.size(); ++i) {
    net[i] += other.net[i];
    vat[i] += other.vat[i];
  }
  gross += other.gross;
}

void RateBuckets::RoundDocument() {
  for (size_t i = 0; i < net.size(); ++i) {
    net[i] = NewRound(net[i], 2);
    vat[i] = NewRound(vat[i], 2);
  }
  gross = NewRound(Net() + Vat(), 2);
}

double RateBuckets::Net() const {
  double sum = 0;
  for (double n : net) sum += n;
  return sum;
}

double RateBuckets::Vat() const {
  double sum = 0;
  for (double v : vat) sum += v;
  return sum;
}

bool RateBuckets::Empty() const {
  for (size_t i = 0; i < net.size(); ++i) {
    if (net[i] != 0 || vat[i] != 0) return false;
  }
  return true;
}

bool FiftyFifty(const LineValuationInput& in) {
  // The kind first: a sale never searches the texts (the register asks this of every line).
  const bool purchase_or_rd = in.kind.s_z == 'Z' || in.kind.RdIs("RD");
  if (!purchase_or_rd) return false;
  if (in.no_fifty_marker || Contains(in.header_text, " 100/100 ")) return false;
  for (std::string_view text : {std::string_view(in.kind.opis), std::string_view(in.header_text)}) {
    if (Contains(text, " 50/50 ") || Contains(text, "50\\50")) return true;
  }
  return false;
}

LineValue ValueOfLine(const LineValuationInput& in) { return ValueOfLine(in, FiftyFifty(in)); }

LineValue ValueOfLine(const LineValuationInput& in, bool fifty_fifty) {
  const documents::DocKind& k = in.kind;
  // 1. A warehouse kind at purchase price (the 50/50 transfer "RD" excepted).
  if (k.s_z == 'D' && !fifty_fifty) return {NewRound(in.ilosc * in.cena0, 2), 0};
  // 2. An internal purchase invoice: its net alone.
  if (k.s_z == 'Z' && k.HasTag("WEWN")) return {in.wartosc, 0};
  // 3. 50/50: half of the VAT is not deducted, it goes to the net.
  if (fifty_fifty) {
    const double half = NewRound(in.podatek / 2, 2);
    return {in.wartosc + in.podatek - half, half};
  }
  // 4. A reverse-charge purchase: net from the currency price, VAT at the line's rate.
  if (k.s_z == 'Z' && k.HasTag("ODWROTNE")) {
    double net = in.wartosc;
    if (in.dolar_i != 0 && in.kurs_1 > 0) {
      net = NewRound(in.ilosc * in.dolar_i * in.kurs_1, 6);
    } else if (in.dolar_i != 0 && in.kurs > 0) {
      net = NewRound(in.ilosc * in.dolar_i * in.kurs, 6);
    }
    const RateColumn c = ColumnOf(in.podatek0);
    const double rate = HasVat(c) && c != RateColumn::k99 ? ColumnRate(c) : 0;
    return {net, NewRound(net * rate / 100, 6)};
  }
  // 5. A sale in a currency.
  if (k.s_z == 'S' && in.kurs > 0) return {NewRound(in.wartosc * in.kurs, 6), NewRound(in.podatek * in.kurs, 6)};
  // 6. The line as it is.
  return {in.wartosc, in.podatek};
}

void AddLine(RateBuckets& b, const LineValuationInput& in, const LineValue& v) {
  const RateColumn c = ColumnOf(in.podatek0);
  std::string nb = AllTrim(in.nb);
  if (nb.empty()) nb = in.kind.RdIs("SD") ? "B" : "N";
  const bool gross_sale = nb == "B" && in.kind.s_z == 'S';
  if (gross_sale) {
    b.net[static_cast<size_t>(c)] += v.net - (HasVat(c) ? v.vat : 0);
    if (HasVat(c)) b.vat[static_cast<size_t>(c)] += v.vat;
    b.gross += v.net;
    return;
  }
  b.Add(c, v.net, v.vat);
}

}  // namespace hurt::reports
