#include "invoicing/print_form.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "invoice_samples.h"

namespace hurt::invoicing {
namespace {

using namespace hurt::literals;
using samples::Line;
using samples::OnPaper;

const std::string kRule(149, '-');

// The printout's lines (split at CR LF; a form feed stays at the start of its line).
std::vector<std::string> LinesOf(std::string_view text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string_view::npos) {
      out.emplace_back(text.substr(start));
      break;
    }
    out.emplace_back(text.substr(start, end - start));
    start = end + 2;
  }
  return out;
}

// The pages: the lines between form feeds (a feed that ends the document opens none).
std::vector<std::vector<std::string>> PagesOf(std::string_view text) {
  std::vector<std::vector<std::string>> pages(1);
  std::vector<std::string> lines = LinesOf(text);
  if (!lines.empty() && lines.back() == "\f") lines.pop_back();
  for (std::string line : lines) {
    if (!line.empty() && line[0] == '\f') {
      line.erase(0, 1);
      pages.emplace_back();
    }
    pages.back().push_back(line);
  }
  return pages;
}

bool Contains(const std::vector<std::string>& lines, std::string_view text) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

size_t CountContaining(const std::vector<std::string>& lines, std::string_view text) {
  return static_cast<size_t>(
      std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(text) != std::string::npos; }));
}

// An invoice of n lines at 23 %.
InvoiceData LongInvoice(int n) {
  InvoiceData d = samples::NetInvoice();
  d.lines.clear();
  for (int i = 1; i <= n; ++i) d.lines.push_back(Line("Towar nr " + std::to_string(i), "szt", i, 1.10, "23"));
  return d;
}

TEST(PrintForm, PrintClassFromTheKind) {
  documents::DocKind k;
  k.r_p = 'R';
  k.s_z = 'S';
  EXPECT_EQ(PrintClassOf("XX", k), "FV");
  k.r_p = 'K';
  EXPECT_EQ(PrintClassOf("FV", k), "FK");
  k.r_p = 'P';
  k.s_z = 'Z';
  EXPECT_EQ(PrintClassOf("FV", k), "PZ ");
  k.r_p = 'R';
  EXPECT_EQ(PrintClassOf("FV", k), "PZ-");
  k.r_p = 'M';
  k.s_z = 'D';
  EXPECT_EQ(PrintClassOf("MM", k), "MM");
  EXPECT_EQ(CancelledMarkerName("     125"), "F125.---");
}

TEST(PrintForm, DocumentEndByPrinter) {
  InvoiceData d = samples::NetInvoice();
  d.settings.j_eject = true;
  EXPECT_TRUE(FvFaktura("FV", 'N', d).text.ends_with("faktury VAT\r\n\f"));
  d.settings.m_drukarka = "PACKARD";
  std::string page = FvFaktura("FV", 'N', d).text;
  EXPECT_EQ(page.find(StartSequence(PrinterTypeOf("PACKARD"))), 0u);
  EXPECT_TRUE(page.ends_with("faktury VAT\r\n\f"));
  d.settings.m_drukarka = "PACKARD-CHR(12)";
  EXPECT_TRUE(FvFaktura("FV", 'N', d).text.ends_with("faktury VAT\r\n"));
}

TEST(PrintForm, TitleAndMarks) {
  InvoiceData d = samples::NetInvoice();
  std::vector<std::string> lines = LinesOf(FvFaktura("FV", 'N', d).text);
  EXPECT_EQ(OnPaper(lines[6]), "FAKTURA NR FV-125/12/KR" + Space(21) + "Strona 1" + Space(10) + "ORYGINAŁ");
  d.settings.j_oryginal = 'K';
  EXPECT_TRUE(LinesOf(FvFaktura("FV", 'N', d).text)[6].ends_with("Strona 1          KOPIA"));
  d.settings.j_oryginal = 'X';
  EXPECT_TRUE(LinesOf(FvFaktura("FV", 'N', d).text)[6].ends_with("Strona 1"));
  d.settings.j_oryginal = 'O';
  d.header.data = JulianFromYmd(2012, 12, 28);
  lines = LinesOf(FvFaktura("FV", 'N', d).text);
  EXPECT_EQ(lines[6], "FAKTURA VAT NR FV-125/12/KR" + Space(21) + "Strona 1");
}

TEST(PrintForm, KindWithoutDates) {
  InvoiceData d = samples::NetInvoice();
  d.kind.opis = "FAKTURA BEZ DATY";
  std::vector<std::string> lines = LinesOf(FvFaktura("FV", 'N', d).text);
  EXPECT_EQ(OnPaper(lines[5]), Space(114) + "Kraków");
  EXPECT_FALSE(Contains(lines, "Data sprzeda"));
  d.settings.branch_town = "Tarnow";
  EXPECT_EQ(LinesOf(FvFaktura("FV", 'N', d).text)[5], Space(114) + "Tarnow");
}

TEST(PrintForm, ZeroRateRowWhenItHasAValue) {
  InvoiceData d = samples::NetInvoice();
  d.lines = {Line("Eksport", "szt", 2, 50, " 0"), Line("Kawa", "szt", 1, 10, "23")};
  std::vector<std::string> lines = LinesOf(FvFaktura("FV", 'N', d).text);
  size_t at = 0;
  while (at < lines.size() && lines[at].find("W tym") == std::string::npos) ++at;
  ASSERT_LT(at + 1, lines.size());
  EXPECT_NE(lines[at].find("| 23 |"), std::string::npos) << lines[at];  // the higher rate first
  EXPECT_NE(lines[at + 1].find("|        100.00 |  0 |        0.00 |        100.00 |"), std::string::npos)
      << lines[at + 1];
}

TEST(PrintForm, GrossInvoiceReconcilesTheRateOnItsFirstLine) {
  // Two gross lines at 23 %: line VATs 0.19 + 0.19, but the rate's total 2.06 carries 0.39.
  InvoiceData d = samples::NetInvoice();
  d.kind.nb = 'B';
  d.lines = {Line("Bulka", "szt", 1, 1.02, "23", 'B'), Line("Rogal", "szt", 1, 1.04, "23", 'B')};
  PrintedForm f = FvFaktura("FV", 'B', d);
  EXPECT_EQ(f.form, FormLayout::kGross);
  EXPECT_EQ(f.reconciled_lines, 1);
  EXPECT_DOUBLE_EQ(f.lines[0].podatek, 0.20);
  EXPECT_DOUBLE_EQ(f.lines[1].podatek, 0.19);
  EXPECT_DOUBLE_EQ(f.summary.vat, 0.39);
  EXPECT_DOUBLE_EQ(f.summary.brutto, 2.06);
  EXPECT_DOUBLE_EQ(f.summary.netto, 1.67);

  std::vector<std::string> lines = LinesOf(f.text);
  EXPECT_TRUE(Contains(lines, "|   brutto    |     brutto    |  % |    kwota    |     netto     |     netto   |"));
  // The first line prints the VAT it carries after the reconciliation.
  std::string first = *std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("  1 "); });
  EXPECT_NE(first.find("|        1.02 |          1.02 | 23 |        0.20 |          0.82 |        0.82 |"),
            std::string::npos)
      << first;
  // The VAT row of the rate: gross first on the gross form.
  EXPECT_TRUE(Contains(lines, "W tym    |          2.06 | 23 |        0.39 |          1.67 |"));
  EXPECT_TRUE(Contains(lines, Overstrike("Słownie zł.: dwa zł. i sześć gr."_pl)));
}

TEST(PrintForm, IssueDifferenceGoesToTheFirstPositiveLine) {
  InvoiceData d = samples::NetInvoice();
  d.lines = {Line("Zwrot", "szt", -1, 0.02, "23")};
  for (int i = 0; i < 4; ++i) d.lines.push_back(Line("Drobne", "szt", 1, 0.02, "23"));
  PrintedForm f = FvFaktura("FV", 'N', d);
  EXPECT_EQ(f.reconciled_lines, 1);
  EXPECT_DOUBLE_EQ(f.lines[0].podatek, 0);
  EXPECT_DOUBLE_EQ(f.lines[1].podatek, 0.01);
  EXPECT_DOUBLE_EQ(f.lines[1].brutto, 0.03);
  EXPECT_DOUBLE_EQ(f.summary.vat, 0.01);
}

TEST(PrintForm, DiscountFormWhenLineDiscountsAreShown) {
  InvoiceData d = samples::NetInvoice();
  d.settings.j_rab_poz = true;
  d.lines[0].upust0 = 5;
  d.lines[0].cena_n = 2.47;
  PrintedForm f = FvFaktura("FV", 'N', d);
  EXPECT_EQ(f.form, FormLayout::kNetDiscount);
  std::vector<std::string> lines = LinesOf(f.text);
  EXPECT_TRUE(Contains(lines, "|  rabatem  |   %   |  rabacie  |"));
  for (const std::string& l : lines) {
    if (l.starts_with("  1 ")) {
      EXPECT_NE(l.find("|      2.47 |   5.0 |      2.35 |"), std::string::npos) << l;
    }
  }
}

TEST(PrintForm, MultiPageInvoice) {
  InvoiceData d = LongInvoice(60);
  d.settings.j_ww1 = 40;
  d.settings.j_ww2 = 50;
  PrintedForm f = FvFaktura("FV", 'N', d);
  std::vector<std::vector<std::string>> pages = PagesOf(f.text);
  ASSERT_EQ(f.pages, 3);
  ASSERT_EQ(pages.size(), 3u);

  int next_ordinal = 1;
  for (size_t p = 0; p < pages.size(); ++p) {
    const std::vector<std::string>& page = pages[p];
    int limit = p == 0 ? 40 : 50;
    // The letterhead, the date line and the title with the page number on every page.
    EXPECT_TRUE(page[0].ends_with("HURTOWNIA SPOŻYWCZA"_pl)) << page[0];
    EXPECT_EQ(CountContaining(page, "Strona " + std::to_string(p + 1)), 1u);
    EXPECT_EQ(CountContaining(page, "Kraków,  07.12.2026"_pl), 1u);
    EXPECT_EQ(CountContaining(page, " Lp Nazwa przedmiotu sprzedazy"), 1u);
    // The seller and buyer only on the first.
    EXPECT_EQ(Contains(page, "NIP: 676-000-11-22"), p == 0);
    EXPECT_EQ(Contains(page, "Nabywca:"), p == 0);
    if (p + 1 < pages.size()) {
      EXPECT_LE(static_cast<int>(page.size()), limit) << "page " << p + 1;
      EXPECT_EQ(page.back(), kRule) << "page " << p + 1 << " ends with the closing rule";
    }
    for (const std::string& line : page) {
      if (line.size() > 4 && line.substr(4, 9) == "Towar nr ") {
        EXPECT_EQ(Val(line.substr(0, 3)), next_ordinal);
        ++next_ordinal;
      }
    }
  }
  EXPECT_EQ(next_ordinal, 61);  // every line once, in order
  // Page 1 holds 19 lines and page 2 39 under this letterhead; the totals are on page 3.
  EXPECT_TRUE(Contains(pages[2], "Razem    |"));
  EXPECT_FALSE(Contains(pages[1], "Razem    |"));
}

TEST(PrintForm, TotalsNeverStartAtTheFootOfAPage) {
  for (int n = 10; n <= 19; ++n) {
    InvoiceData d = LongInvoice(n);
    d.settings.j_ww1 = 40;
    d.settings.j_ww2 = 50;
    PrintedForm f = FvFaktura("FV", 'N', d);
    std::vector<std::vector<std::string>> pages = PagesOf(f.text);
    const std::vector<std::string>& last = pages.back();
    auto razem = std::find_if(last.begin(), last.end(), [](const std::string& l) { return l.find("Razem    |") != std::string::npos; });
    ASSERT_NE(razem, last.end());
    // Before the totals (the closing rule above "Razem") at most the limit − 6 lines.
    int before = static_cast<int>(razem - last.begin()) - 1;
    EXPECT_LE(before, (pages.size() == 1 ? 40 : 50) - 6) << n << " lines";
    if (pages.size() == 2) {
      // The totals went over alone: the head's rule is not doubled.
      EXPECT_FALSE(Contains(last, "Towar nr "));
      EXPECT_EQ(*(razem - 1), kRule);
      EXPECT_NE(*(razem - 2), kRule);
    }
  }
  // 14 lines fit with their totals; 17 send the totals over.
  InvoiceData d = LongInvoice(14);
  d.settings.j_ww1 = 40;
  d.settings.j_ww2 = 50;
  EXPECT_EQ(FvFaktura("FV", 'N', d).pages, 1);
  d = LongInvoice(17);
  d.settings.j_ww1 = 40;
  d.settings.j_ww2 = 50;
  EXPECT_EQ(FvFaktura("FV", 'N', d).pages, 2);
}

TEST(PrintForm, TinyPageLimitsStillPrintEveryLineOnce) {
  InvoiceData d = LongInvoice(5);
  d.settings.j_ww1 = 1;
  d.settings.j_ww2 = 1;
  PrintedForm f = FvFaktura("FV", 'N', d);
  // One line a page: the head alone fills a page, yet every page takes one line.
  EXPECT_EQ(f.pages, 6);
  std::vector<std::string> lines = LinesOf(f.text);
  EXPECT_EQ(CountContaining(lines, "Towar nr "), 5u);
  EXPECT_EQ(CountContaining(lines, "Razem    |"), 1u);
}

TEST(PrintForm, ControlBytesInTheDataCannotBreakThePage) {
  InvoiceData clean = samples::NetInvoice();
  InvoiceData d = clean;
  d.lines[0].nazwa = "Kawa\r\nmielona\f";
  d.lines[0].uwagi = "partia\x1b" "E 12";
  d.lines[0].jm = "\fkg";
  d.header.nodb = "Sklep\r\nPod Lipa";
  d.header.odbiorca = "Magazyn\f 2";
  d.header.opis = {"WZ-1\x1b@ z 01.12"};
  d.settings.j_st_tekst = "Tekst\fstopki";
  std::string text = FvFaktura("FV", 'N', d).text;
  EXPECT_EQ(text.find('\f'), std::string::npos);
  EXPECT_EQ(text.find('\x1b', 6), std::string::npos);  // only the set-up at the start
  EXPECT_EQ(LinesOf(text).size(), LinesOf(FvFaktura("FV", 'N', clean).text).size() + 3);  // recipient, description, remark
  EXPECT_TRUE(Contains(LinesOf(text), "  1 Kawa  mielona "));
}

TEST(PrintForm, DocumentWithoutLines) {
  InvoiceData d = samples::NetInvoice();
  d.lines.clear();
  PrintedForm f = FvFaktura("FV", 'N', d);
  std::vector<std::string> lines = LinesOf(f.text);
  EXPECT_TRUE(Contains(lines, "Razem    |          0.00 |    |        0.00 |          0.00 |"));
  EXPECT_FALSE(Contains(lines, "W tym"));
  EXPECT_FALSE(Contains(lines, "Do zap"));
  EXPECT_TRUE(Contains(lines, Overstrike("Słownie zł.:"_pl)));
}

TEST(PrintForm, PagingNeedsBothLimitsAndAPagedClass) {
  InvoiceData d = LongInvoice(60);
  d.settings.j_ww1 = 40;
  d.settings.j_ww2 = 0;
  EXPECT_EQ(FvFaktura("FV", 'N', d).pages, 1);
  d.settings.j_ww2 = 50;
  documents::DocKind transfer;
  transfer.rd = "MM ";
  transfer.r_p = 'M';
  transfer.s_z = 'D';
  d.kind = transfer;
  EXPECT_EQ(FvFaktura("MM", 'N', d).pages, 1);
  d.kind.r_p = 'R';
  EXPECT_EQ(FvFaktura("DU", 'N', d).pages, 3);
}

TEST(PrintForm, Correction) {
  // The whole correction is in the golden file; here what depends on its data.
  InvoiceData d = samples::Correction();
  d.header.odbiorca = "125";
  d.header.data_fa = JulianFromYmd(2026, 11, 30);  // the corrected invoice's month
  std::vector<std::string> lines = LinesOf(FvFaktura("FK", 'N', d).text);
  EXPECT_TRUE(lines[6].starts_with("Korekta FV Nr FV-125/11/KR" + Space(21) + "Strona 1"));
  EXPECT_FALSE(Contains(lines, Overstrike("Słownie"_pl)));

  // A correction of the tax number only has no payment block.
  d.lines = {Line("KOREKTA NIP", "", 0, 0, "23")};
  EXPECT_FALSE(Contains(LinesOf(FvFaktura("FK", 'N', d).text), Overstrike("Sposób zapłaty"_pl)));
}

TEST(PrintForm, OrderHasNoPaymentBlock) {
  InvoiceData d = samples::NetInvoice();
  d.kind.opis = "FAKTURA ZAMOWIENIE";
  std::vector<std::string> lines = LinesOf(FvFaktura("FV", 'N', d).text);
  EXPECT_FALSE(Contains(lines, Overstrike("Sposób zapłaty"_pl)));
  EXPECT_TRUE(Contains(lines, "Podpis osoby uprawnionej"));
}

TEST(PrintForm, CancelledInvoice) {
  InvoiceData d = samples::NetInvoice();
  d.settings.cancelled = true;
  PrintedForm f = FvFaktura("FV", 'N', d);
  std::vector<std::string> lines = LinesOf(f.text);
  EXPECT_TRUE(Contains(lines, "Nabywca:"));
  EXPECT_TRUE(Contains(lines, "Bank: PKO BP S.A."));
  EXPECT_FALSE(Contains(lines, "Lp Nazwa"));
  EXPECT_FALSE(Contains(lines, "Data sprzeda"));
  EXPECT_FALSE(Contains(lines, "Razem"));
  auto at = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.find("ANULOWANA") != std::string::npos; });
  ASSERT_NE(at, lines.end());
  EXPECT_EQ(*at, "\x1b!!" + Space(8) + "--- FAKTURA ANULOWANA ---" + "\x1b" "3 \x1b!\x05");
  EXPECT_EQ(*(at - 1), "");
  EXPECT_EQ(*(at - 10), "");
  EXPECT_EQ(*(at + 10), "");
  EXPECT_EQ(*(at + 11), Space(98) + "Anna Nowak");
  EXPECT_TRUE(f.text.ends_with("faktury VAT\r\n\r\n\r\n\r\n\r\n"));

  InvoiceData k = samples::Correction();
  k.settings.cancelled = true;
  EXPECT_TRUE(Contains(LinesOf(FvFaktura("FK", 'N', k).text), "--- DOWOD ANULOWANY ---"));
}

TEST(PrintForm, ForeignLanguageCurrencyInvoice) {
  InvoiceData d = samples::NetInvoice();
  d.header.jezyk = "A";
  d.header.waluta = "EUR";
  d.header.kurs = 4.25;
  d.header.data_kursu = JulianFromYmd(2026, 12, 4);
  d.lines = {Line("Coffee", "szt", 10, 10, "23"), Line("Service", "szt", 1, 50, "NP")};
  PrintedForm f = FvFaktura("FV", 'N', d);
  std::vector<std::string> lines = LinesOf(f.text);
  EXPECT_TRUE(lines[6].starts_with("FAKTURA NR FV-125/12/KR / INVOICE" + Space(21) + "Strona / Page 1"));
  EXPECT_TRUE(Contains(lines, "Nabywca / Buyer:"));
  EXPECT_TRUE(Contains(lines, "Waluta: EUR   kurs: 4.250000 z dnia 04.12.2026"));
  EXPECT_TRUE(Contains(lines, " No Description                    |"));
  EXPECT_TRUE(Contains(lines, "        STAWKA   |  NETTO [EUR]  |  VAT [EUR]  | BRUTTO [EUR]  |"));
  EXPECT_TRUE(Contains(lines, "              %  |  NET AMOUNT   |      VAT    |  GROSS AMOUNT |"));
  EXPECT_TRUE(Contains(lines, "RAZEM / TOTAL    |        150.00 |       23.00 |        173.00 |"));
  EXPECT_TRUE(Contains(lines, "EUR : sto siedemdziesi"));
  EXPECT_TRUE(Contains(lines, "Podatek VAT w PLN: 97.75 "));
  // The VAT table ends at the table's right edge; its first line carries the amount due.
  auto head = std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.find("STAWKA") != std::string::npos; });
  EXPECT_EQ(PrintedWidth(*head), 149u);
  EXPECT_TRUE(head->starts_with(Overstrike("Do zapłaty: 173.00 EUR"_pl)));
}

TEST(PrintForm, WarehouseDocumentsAndPurchases) {
  InvoiceData d = samples::NetInvoice();
  d.kind.rd = "MM ";
  d.kind.r_p = 'M';
  d.kind.s_z = 'D';
  d.header.rd = "MM ";
  d.header.nrd = "       5";
  std::vector<std::string> lines = LinesOf(FvFaktura("MM", 'N', d).text);
  EXPECT_EQ(lines[6], "DOWOD NR MM-5/12/KR" + Space(21) + "Strona 1");  // no original/copy mark
  EXPECT_FALSE(Contains(lines, Overstrike("Sposób zapłaty"_pl)));
  EXPECT_FALSE(Contains(lines, "Do zap"));
  EXPECT_FALSE(Contains(lines, "Towar nie podlega"));

  d.kind.r_p = 'P';
  d.kind.s_z = 'Z';
  PrintedForm pz = FvFaktura("FV", 'N', d);
  EXPECT_EQ(pz.klasa, "PZ ");
  EXPECT_TRUE(Contains(LinesOf(pz.text), "Dostawca: "));
}

}  // namespace
}  // namespace hurt::invoicing
