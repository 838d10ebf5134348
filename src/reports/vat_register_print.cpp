#include "reports/vat_register_print.h"

#include "base/cp852.h"
#include "base/date.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"
#include "session/output/report_file.h"

namespace hurt::reports {

using namespace hurt::literals;

namespace {

constexpr size_t kWidth = 161;
constexpr size_t kLeft = 51;  // the columns before the rate columns
constexpr std::string_view kEmptyCell = "     ---   ";

std::string Amount(double v) { return TransformNumber(NewRound(v, 2), "999999999.99"); }

std::string Cut(std::string text, size_t width) {
  if (text.size() > width) text.resize(width);
  return text;
}

std::string NetCells(const RateBuckets& b) {
  std::string out;
  for (double n : b.net) out += BucketCell(n);
  return out;
}

std::string VatCells(const RateBuckets& b) {
  std::string out;
  for (int i = 0; i < kRateColumns; ++i) {
    out += HasVat(static_cast<RateColumn>(i)) ? BucketCell(b.vat[static_cast<size_t>(i)]) : std::string(11, ' ');
  }
  return out;
}

std::string Underline(size_t n) { return std::string(n, '-'); }

std::string Flags(std::string_view flags) {
  std::string out(flags);
  for (char& c : out) {
    if (c == ' ') c = '.';
  }
  return out;
}

}  // namespace

std::string BucketCell(double amount) {
  const double v = NewRound(amount, 2);
  if (v == 0) return std::string(kEmptyCell);
  return TransformNumber(v, "99999999.99");
}

std::string RegisterTitle(const documents::DocKind& kind, PurchaseBasis basis, JulianDay from) {
  if (basis == PurchaseBasis::kFiftyFifty) return "REJESTR PRZESUNIEC 50/50 ";
  const std::string rd = AllTrim(kind.rd);
  if (kind.HasTag("NA SKLEP")) return "REJESTR PRZESUNIEC NA SKLEPY";
  if (kind.IsClass("RS")) {
    if (rd == "RU") return "REJESTR SPRZEDAZY NA RACHUNKI UPROSZCZONE ";
    if (!rd.empty() && rd[0] == 'F') {
      return kind.HasTag("MARZA") ? "REJESTR SPRZEDAZY NA FAKTURY VAT MARZA " : "REJESTR SPRZEDAZY NA FAKTURY VAT ";
    }
    return "REJESTR SPRZEDAZY BEZ RACHUNKOW ";
  }
  if (kind.IsClass("KS")) {
    if (rd == "RK") return "REJESTR RACHUNKOW KORYGUJACYCH ";
    if (!rd.empty() && rd[0] == 'F') return "REJESTR FAKTUR VAT KORYGUJACYCH ";
    return "REJESTR ZWROTOW BEZ RACHUNKOW ";
  }
  if (kind.IsClass("KZ")) return "REJESTR KOREKT ZAKUPOW ";
  if (basis == PurchaseBasis::kInternal || kind.HasTag("WEWN")) return "REJESTR FAKTUR WEWNETRZNYCH ";
  if (basis == PurchaseBasis::kReverseCharge || (kind.HasTag("ODWROTNE") && from >= JulianFromYmd(2019, 11, 1))) {
    return std::string("REJESTR ZAKUPÓW Z ODWROTNYM OBCIAZENIEM "_pl);
  }
  if (basis == PurchaseBasis::kWz) return "REJESTR ZAKUPOW  NA PODSTAWIE DOWODOW WZ ";
  if (basis == PurchaseBasis::kInvoices) return "REJESTR ZAKUPOW  NA PODSTAWIE FAKTUR ";
  return "REJESTR ZAKUPOW ";
}

RegisterPrinter::RegisterPrinter(session::ReportWriter& out, RegisterHeading heading, const RegisterRequest& request,
                                 char side, bool summary_only)
    : out_(out), heading_(std::move(heading)), request_(request), side_(side), summary_only_(summary_only) {}

void RegisterPrinter::Line(const std::string& text) { out_.Line(Cut(RTrim(text), kWidth)); }

std::vector<std::string> FirmLines(const RegisterHeading& heading) {
  std::vector<std::string> out;
  if (!IsBlank(heading.symbol)) out.push_back("ODDz. : " + AllTrim(heading.symbol));
  for (const std::string& l : heading.firm) {
    if (!IsBlank(l)) out.push_back(AllTrim(l));
  }
  if (!IsBlank(heading.branch)) out.push_back("ODDZIAL\b/: " + AllTrim(heading.branch));  // Ł by overstrike
  out.emplace_back();
  return out;
}

void RegisterPrinter::Begin() {
  for (const std::string& l : FirmLines(heading_)) Line(l);
  const std::string when = request_.from == request_.to ? "W DNIU " + Dtoc(request_.from) + "r"
                                                        : "W OKRESIE " + Dtoc(request_.from) + "-" + Dtoc(request_.to) + "r";
  const std::string title = heading_.title + when;
  Line(title);
  Line(Underline(title.size()));
  for (const std::string& c : heading_.choices) {
    Line(c);
    Line(Underline(c.size()));
  }
  Line("");
  if (summary_only_) return;
  const bool sales = side_ != 'Z';
  Line(std::string(kWidth, '='));
  std::string h1 = PadR(sales ? " Lp.| Nr faktury |odbiorcy|  identyfi-  | sprzedazy|" : " Lp.| Nr faktury |dostawcy|  identyfi-  |  zakupow |",
                        kLeft)
                       .substr(0, kLeft);
  std::string h2 = PadR("    |    kod     |        |  kator NIP  |  brutto  |", kLeft).substr(0, kLeft);
  std::string h3 = PadR("    | data       |        |             |   VAT    |", kLeft).substr(0, kLeft);
  for (int i = 0; i < kRateColumns; ++i) {
    const RateColumn c = static_cast<RateColumn>(i);
    h2 += PadR("netto " + ColumnName(c), 11);
    h3 += PadR(HasVat(c) ? "vat " + ColumnName(c) : std::string(), 11);
  }
  Line(sales ? h1 : h1 + PadL("Zakupy opodatkowane wg stawek", 40));
  Line(h2);
  Line(h3);
  Line(std::string(kWidth, '='));
}

void RegisterPrinter::Document(const RegisterDocument& d) {
  if (summary_only_) return;
  const std::string lp = PadL(std::to_string(d.lp), 4);
  std::string text = d.odbiorca;
  if (d.data_fa != kEmptyDate && d.data_fa != d.data) text = "Data fa " + Dtoc(d.data_fa);
  std::string who = AllTrim(AllTrim(d.nodb) + " " + AllTrim(d.nodb1));
  if (heading_.addresses && !IsBlank(d.modb + d.uodb)) who += ", " + AllTrim(AllTrim(d.modb) + " " + AllTrim(d.uodb));
  Line(lp + " " + PadR(Cut(text, 21), 21) + " " + PadR(AllTrim(d.nip_kraj) + AllTrim(d.nip), 15) + " " + who);
  std::string number = d.rd + "-" + PadL(AllTrim(d.nrd), 8);
  if (!IsBlank(heading_.symbol)) number += "/" + AllTrim(heading_.symbol);
  std::string currency;
  if (!d.waluta.empty() && d.kurs > 0) currency = d.waluta + " " + TransformNumber(d.kurs, "99.999999");
  const std::string left2 = PadR(number + " " + PadR(d.odb, 8) + " " + currency, kLeft - 12).substr(0, kLeft - 12);
  Line(left2 + Amount(d.b.gross) + NetCells(d.b));
  const std::string left3 = PadR("z dnia " + Dtoc(d.data), kLeft - 12);
  Line(left3 + Amount(d.b.Vat()) + VatCells(d.b));
  if (!IsBlank(d.gtu) || !IsBlank(d.jpk_xx) || !IsBlank(d.typ_dok)) {
    Line("     " + Flags(d.jpk_xx) + " GTU: " + Flags(d.gtu) + " TYP: " + d.typ_dok);
  }
  if (!d.waluta.empty() && d.kurs > 0) Line("     Wartosc w " + d.waluta + ": " + AllTrim(Amount(d.currency_value)));
  Line(std::string(kWidth, '-'));
}

void RegisterPrinter::TotalLines(const std::string& left, const RateBuckets& b) {
  Line(PadR(left, kLeft - 12) + Amount(b.gross));
  Line(PadL("NETTO:", kLeft - 12) + Amount(b.Net()) + NetCells(b));
  Line(PadL("  VAT:", kLeft - 12) + Amount(b.Vat()) + VatCells(b));
}

void RegisterPrinter::KindTotals(const KindTotal& k) { TotalLines(k.rd + " RAZEM  BRUTTO:", k.b); }

void RegisterPrinter::End(const RegisterResult& result) {
  if (!summary_only_) {
    for (const KindTotal& k : result.kinds) KindTotals(k);
    Line(std::string(kWidth, '='));
  }
  Line("");
  const bool fifty = request_.basis == PurchaseBasis::kFiftyFifty;
  Line(fifty ? "     ZESTAWIENIE ZBIORCZE 50/50 "
             : side_ == 'Z' ? "     ZESTAWIENIE ZBIORCZE ZAKUPOW " : "     ZESTAWIENIE ZBIORCZE SPRZEDAZY ");
  Line(std::string(kWidth, '-'));
  int n = 0;
  for (const KindTotal& k : result.kinds) {
    ++n;
    const std::string left = PadL(std::to_string(n), 3) + ". " + k.rd + " (" + AllTrim(k.first_nrd) + " - " +
                             AllTrim(k.last_nrd) + ")";
    Line(PadR(left, kLeft - 12).substr(0, kLeft - 12) + Amount(k.b.gross) + NetCells(k.b));
    Line(PadL("  VAT:", kLeft - 12) + Amount(k.b.Vat()) + VatCells(k.b));
  }
  Line(std::string(kWidth, '='));
  TotalLines("RAZEM  BRUTTO:", result.total);
  Line(std::string(kWidth, '='));
}

}  // namespace hurt::reports
