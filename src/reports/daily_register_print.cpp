#include "reports/daily_register_print.h"

#include "base/date.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"
#include "session/output/report_file.h"

namespace hurt::reports {

namespace {

constexpr size_t kWidth = 138;
constexpr size_t kLeft = 42;  // number and counterparty, before the amounts

unsigned Bit(RateColumn c) { return 1u << static_cast<unsigned>(c); }

std::string Amount(double v) { return TransformNumber(NewRound(v, 2), "999999999.99"); }

// The penny difference: 8 characters, blank when there is none.
std::string Pennies(double v) {
  const double r = NewRound(v, 2);
  return r == 0 ? std::string(8, ' ') : TransformNumber(r, "99999.99");
}

std::string Centered(const std::string& text, size_t width) {
  if (text.size() >= width) return text.substr(0, width);
  const size_t left = (width - text.size()) / 2;
  return std::string(left, ' ') + text + std::string(width - text.size() - left, ' ');
}

}  // namespace

RatePairs RatePairsOf(JulianDay day) {
  RatePairs p;
  if (day >= JulianFromYmd(2011, 1, 1)) {
    p.high_heading = "23 / 7 %";
    p.low_heading = "8 / 5 %";
    p.low_columns = Bit(RateColumn::k8) | Bit(RateColumn::k7) | Bit(RateColumn::k5) | Bit(RateColumn::k3);
    return p;
  }
  p.high_heading = day >= JulianFromYmd(2008, 5, 1) ? "22 / 6 %" : "22 / 5 %";
  p.low_heading = "7 / 3 %";
  p.low_columns = Bit(RateColumn::k3);
  return p;
}

PairAmounts PairsOf(const RateBuckets& b, const RatePairs& pairs) {
  PairAmounts a;
  for (int i = 0; i < kRateColumns; ++i) {
    const RateColumn c = static_cast<RateColumn>(i);
    const size_t at = static_cast<size_t>(i);
    if (c == RateColumn::k0) {
      a.zero += b.net[at];
    } else if (!HasVat(c)) {
      a.exempt += b.net[at];
    } else if (pairs.InLow(c)) {
      a.low_net += b.net[at];
      a.low_vat += b.vat[at];
    } else {
      a.high_net += b.net[at];
      a.high_vat += b.vat[at];
    }
  }
  return a;
}

DailyRegisterPrinter::DailyRegisterPrinter(session::ReportWriter& out, RegisterHeading heading,
                                           const RegisterRequest& request, char side)
    : out_(out), heading_(std::move(heading)), request_(request), side_(side), pairs_(RatePairsOf(request.from)) {}

void DailyRegisterPrinter::Line(const std::string& text) { out_.Line(text); }

std::string DailyRegisterPrinter::Cells(const RateBuckets& b) const {
  const PairAmounts a = PairsOf(b, pairs_);
  return BucketCell(a.high_net) + BucketCell(a.high_vat) + BucketCell(a.low_net) + BucketCell(a.low_vat) +
         BucketCell(a.zero) + BucketCell(a.exempt) + BucketCell(b.Vat());
}

void DailyRegisterPrinter::Begin() {
  for (const std::string& l : FirmLines(heading_)) Line(l);
  const std::string title = heading_.title + "W DNIU " + Dtoc(request_.from) + "r";
  Line(title);
  Line(std::string(title.size(), '-'));
  for (const std::string& c : heading_.choices) {
    Line(c);
    Line(std::string(c.size(), '-'));
  }
  Line("");
  const bool sales = side_ != 'Z';
  Line(std::string(kWidth, '='));
  Line(PadR(" Lp.| Dowod        | " + std::string(sales ? "Odbiorca" : "Dostawca"), kLeft) + PadL("Brutto", 12) +
       Centered(pairs_.high_heading, 22) + Centered(pairs_.low_heading, 22) + Centered("0 %", 11) +
       Centered("ZW / NP", 11) + Centered("VAT", 11) + PadL("grosz.", 8) + " Spz");
  Line(PadR("    |              |", kLeft) + std::string(12, ' ') + "   netto      VAT    " + "   netto      VAT    " +
       Centered("netto", 11) + Centered("netto", 11) + Centered(sales ? "nalezny" : "naliczony", 11));
  Line(std::string(kWidth, '='));
}

void DailyRegisterPrinter::Document(const RegisterDocument& d) {
  std::string number = d.rd + "-" + PadL(AllTrim(d.nrd), 8);
  if (!IsBlank(heading_.symbol)) number += "/" + AllTrim(heading_.symbol);
  const std::string who = AllTrim(AllTrim(d.nodb) + " " + AllTrim(d.nodb1));
  std::string left = PadL(std::to_string(d.lp), 4) + " " + PadR(number, 14) + " " + PadR(d.odb, 8) + " " + who;
  left = PadR(left, kLeft).substr(0, kLeft);
  // The header's own gross against the register's: what rounding by rate left over.
  // Only in the home currency, where the header holds the same money.
  const bool home = d.waluta.empty() || d.waluta == "PLN";
  const double pennies = home ? d.currency_value - d.b.gross : 0;
  Line(left + Amount(d.b.gross) + Cells(d.b) + Pennies(pennies) + " " + PadR(AllTrim(d.spz), 3));
  if (!IsBlank(d.gtu) || !IsBlank(d.jpk_xx) || !IsBlank(d.typ_dok)) {
    std::string marks;
    for (size_t i = 0; i < d.gtu.size(); ++i) {
      if (d.gtu[i] == '1') marks += " GTU_" + std::string(i < 9 ? "0" : "") + std::to_string(i + 1);
    }
    if (!IsBlank(d.typ_dok)) marks += " " + AllTrim(d.typ_dok);
    if (!marks.empty()) Line("     " + marks);
  }
  if (!home && d.kurs > 0) {
    Line("     Wartosc w " + d.waluta + ": " + AllTrim(Amount(d.currency_value)) + " kurs " +
         TransformNumber(d.kurs, "99.999999"));
  }
}

void DailyRegisterPrinter::End(const RegisterResult& result) {
  Line(std::string(kWidth, '='));
  for (const KindTotal& k : result.kinds) {
    const std::string left = "Razem " + k.rd + " (" + AllTrim(k.first_nrd) + " - " + AllTrim(k.last_nrd) + ") " +
                             std::to_string(k.documents) + " dow.";
    Line(PadR(left, kLeft).substr(0, kLeft) + Amount(k.b.gross) + Cells(k.b));
  }
  Line(std::string(kWidth, '-'));
  Line(PadR("RAZEM W DNIU " + Dtoc(request_.from), kLeft) + Amount(result.total.gross) + Cells(result.total));
  Line(std::string(kWidth, '='));
}

}  // namespace hurt::reports
