#include "reports/daily_report_print.h"

#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"
#include "session/helpers_print.h"
#include "session/output/report_file.h"

namespace hurt::reports {

namespace {

constexpr std::string_view kAmountPicture = "9999 999 999.99";
constexpr std::string_view kSecondAmountPicture = "999 999.99";
constexpr size_t kNumberWidth = 12;
constexpr size_t kCodeWidth = 8;
constexpr size_t kNameWidth = 50;
constexpr size_t kSubjectWidth = 12;

// Line spacing 32/216 inch and the print modes of DRUK: elite double width for the
// title, condensed elite for the table.
constexpr int kLineSpacing = 32;
constexpr int kTitleMode = 33;
constexpr int kTableMode = 5;

constexpr std::string_view kSalesColumns =
    "  Lp |              | Nr dowodu    | Kod      | Nazwa kontrahenta                                  | Spz | Kwota "
    "zaplacona | Inny sposob zaplaty";
constexpr std::string_view kPurchaseColumns =
    "  Lp |              | Nr faktury   | Kod      | Nazwa kontrahenta                                  | Spz | Kwota "
    "zaplacona | Inny sposob zaplaty";
constexpr std::string_view kMoneyColumns =
    "  Lp | Za co        | Nr dowodu    | Kod      | Nazwa kontrahenta                                  | Spz | Rozl. "
    "gotowkowe | Rozl. nie gotowkowe";

std::string_view TitleOf(DailySection section) {
  switch (section) {
    case DailySection::kSales: return "DZIENNY RAPORT SPRZEDAZY          ";
    case DailySection::kCosts: return "DZIENNY RAPORT KOSZTOW            ";
    case DailySection::kPurchases: return "DZIENNY RAPORT ZAKUPOW            ";
    case DailySection::kMoney: return "INNE OPERACJE ROZLICZENIOWE       ";
    case DailySection::kAgent: return "DZIENNY RAPORT AKWIZYTORA         ";
  }
  return {};
}

std::string_view ColumnsOf(DailySection section) {
  if (section == DailySection::kPurchases) return kPurchaseColumns;
  if (section == DailySection::kMoney) return kMoneyColumns;
  return kSalesColumns;
}

std::string Rule() { return std::string(kDailyWidth, '-'); }

std::string Lp(int n) { return TransformNumber(n, "9999"); }

bool Cash(std::string_view spz) { return !spz.empty() && spz[0] == 'G'; }

// The term: "999" and two blanks; five blanks for methods without one (B, G).
std::string Term(std::string_view spz, double tez) {
  if (!spz.empty() && (spz[0] == 'B' || spz[0] == 'G')) return Space(5);
  return TransformNumber(tez, "999") + "  ";
}

std::string Totals(const DailyTotals& t) { return DailyAmount(t.cash) + "   " + DailyAmount(t.other); }

}  // namespace

DailyPrinter DailyPrinterOf(std::string_view m_drukarka) {
  if (m_drukarka.starts_with("PACKARDL")) return DailyPrinter::kPackardL;
  if (m_drukarka.starts_with("PACKARD")) return DailyPrinter::kPackard;
  return DailyPrinter::kDotMatrix;
}

std::string DailyTitleSetup(DailyPrinter printer) {
  using session::PageOrientation;
  switch (printer) {
    case DailyPrinter::kPackard: return session::PagePrinterSetup(PageOrientation::kLandscape, 6, 14);
    case DailyPrinter::kPackardL: return session::PagePrinterSetup(PageOrientation::kLandscape, 6, 20);
    case DailyPrinter::kDotMatrix: break;
  }
  return session::Druk(kLineSpacing, kTitleMode).printed;
}

std::string DailyTableSetup(DailyPrinter printer) {
  using session::PageOrientation;
  switch (printer) {
    case DailyPrinter::kPackard: return session::PagePrinterSetup(PageOrientation::kLandscape, 20, 10);
    case DailyPrinter::kPackardL: return session::PagePrinterSetup(PageOrientation::kLandscape, 20, 6);
    case DailyPrinter::kDotMatrix: break;
  }
  return session::Druk(kLineSpacing, kTableMode).printed;
}

std::string DailyAmount(double v) { return TransformNumber(NewRound(v, 2), kAmountPicture); }

DailySectionPrinter::DailySectionPrinter(session::ReportWriter& out, const DailyHeading& heading, DailySection section,
                                         bool sd_razem, std::string note)
    : out_(out), heading_(heading), section_(section), sd_razem_(sd_razem), note_(std::move(note)) {}

void DailySectionPrinter::Line(const std::string& text) { out_.Line(RTrim(text)); }

void DailySectionPrinter::Begin() {
  out_.Write(DailyTableSetup(heading_.printer));
  if (!IsBlank(heading_.symbol)) {
    Line("ODDz. : " + AllTrim(heading_.symbol));
    Line(std::string(11, '-'));
  }
  if (!heading_.firm.empty()) Line(heading_.firm);
  for (const std::string& n : heading_.names) Line(n);
  out_.Write(DailyTitleSetup(heading_.printer));
  Line(std::string(TitleOf(section_)) + Dtoc(heading_.day) + "r");
  out_.Write(DailyTableSetup(heading_.printer));
  if (!heading_.operators.empty()) Line("Nr operatorow: " + heading_.operators);
  if (!note_.empty()) Line(note_);
  Line(Rule());
  Line(std::string(ColumnsOf(section_)));
  Line(Rule());
}

bool DailySectionPrinter::OneLinePerKind(std::string_view rd) const {
  return sd_razem_ && (rd == "SD " || rd == "RD ");
}

void DailySectionPrinter::CloseKind() {
  if (kind_.empty()) return;
  if (OneLinePerKind(kind_)) {
    Line(Lp(++lp_) + Space(18) + kind_ + " Razem" + Space(76) + Totals(kind_totals_));
  } else {
    Line(Rule());
    Line(Space(22) + kind_ + " Razem" + Space(76) + Totals(kind_totals_));
    Line(Rule());
  }
  kind_totals_ = {};
}

void DailySectionPrinter::Document(const DailyDocument& d) {
  const std::string rd = PadR(d.rd, 3).substr(0, 3);
  if (rd != kind_) {
    CloseKind();
    kind_ = rd;
    ++kinds_;
  }
  // The amounts and their columns.
  DailyTotals add;
  std::string amounts;
  if (section_ == DailySection::kMoney) {
    if (Cash(d.spz)) {
      add.cash = d.kwota;
      amounts = DailyAmount(d.kwota);
    } else {
      add.other = d.kwota;
      amounts = Space(18) + DailyAmount(d.kwota);
    }
  } else if (Cash(d.spz)) {
    add.cash = d.kwota;
    amounts = DailyAmount(d.kwota);
    if (d.kwota2 > 0) {
      add.other = d.kwota2;
      amounts += PadR(d.spz2, 1).substr(0, 1) + ":" + TransformNumber(NewRound(d.kwota2, 2), kSecondAmountPicture);
    }
  } else {
    add.other = d.gross;
    amounts = Space(18) + DailyAmount(d.gross);
  }
  kind_totals_.cash = NewRound(kind_totals_.cash + add.cash, 2);
  kind_totals_.other = NewRound(kind_totals_.other + add.other, 2);
  day_.cash = NewRound(day_.cash + add.cash, 2);
  day_.other = NewRound(day_.other + add.other, 2);
  if (OneLinePerKind(rd)) return;

  std::string lead = Lp(++lp_);
  if (section_ == DailySection::kMoney) {
    lead += "  " + PadR(Left(d.odbiorca, kSubjectWidth), kSubjectWidth) + "    ";
  } else {
    lead += Space(18);
  }
  const std::string number = PadR(AllTrim(d.rd) + "-" + AllTrim(d.nrd), kNumberWidth);
  std::string line = lead + number + "   " + PadR(d.odb, kCodeWidth).substr(0, kCodeWidth) + "   " +
                     PadR(d.nodb, kNameWidth).substr(0, kNameWidth) + "   " + PadR(d.spz, 1).substr(0, 1) +
                     Term(d.spz, d.tez) + amounts;
  if (d.has_waluta) line += " " + d.waluta;
  Line(line);
}

void DailySectionPrinter::End() {
  CloseKind();
  if (kinds_ > 1) {
    Line(Rule());
    Line(Space(26) + "Lacznie" + Space(74) + Totals(day_));
  }
}

}  // namespace hurt::reports
