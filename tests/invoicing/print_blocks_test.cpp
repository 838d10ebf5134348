#include "invoicing/print_blocks.h"

#include <gtest/gtest.h>

#include "base/cp852.h"
#include "base/text.h"
#include "invoice_samples.h"

namespace hurt::invoicing {
namespace {

using namespace hurt::literals;
using samples::Line;
using samples::OnPaper;

// Positions of the "|" in a line.
std::vector<size_t> Bars(std::string_view line) {
  std::vector<size_t> out;
  for (size_t i = 0; i < line.size(); ++i)
    if (line[i] == '|') out.push_back(i);
  return out;
}

// The cell between the n-th and (n+1)-th "|" (n = 0: before the first), trimmed.
std::string Cell(std::string_view line, size_t n) {
  std::vector<size_t> bars = Bars(line);
  size_t from = n == 0 ? 0 : bars[n - 1] + 1;
  return AllTrim(line.substr(from, bars[n] - from));
}

TEST(LineTable, EveryFormKeepsItsColumnsAligned) {
  for (FormLayout form : {FormLayout::kNet, FormLayout::kGross, FormLayout::kNetDiscount, FormLayout::kGrossDiscount}) {
    for (bool extras : {false, true}) {
      for (bool english : {false, true}) {
        TableOptions o;
        o.form = form;
        o.mag_column = extras;
        o.opa_column = extras;
        o.foreign_language = english;
        LineTable table(o);
        EXPECT_EQ(table.Width(), 149 + (extras ? 12 : 0));
        std::vector<std::string> head = table.Head();
        ASSERT_EQ(head.size(), english ? 6u : 5u);
        EXPECT_EQ(head.front(), std::string(static_cast<size_t>(table.Width()), '-'));
        EXPECT_EQ(head.back(), head.front());
        // The third caption line has a "|" after every column; the first two share one
        // caption over the rate and VAT columns.
        std::vector<size_t> columns = Bars(head[3]);
        for (const std::string& caption : head) EXPECT_EQ(caption.size(), static_cast<size_t>(table.Width()));
        if (english) {
          EXPECT_EQ(Bars(head[4]), columns);
        }
        InvoiceLine line = Line("Kawa", "szt", 3, 12.5, "23");
        line.nazwa1 = "ziarnista";
        line.uwagi = "uwagi do pozycji";
        for (const std::string& row : table.Row(line, 1)) {
          EXPECT_EQ(row.size(), static_cast<size_t>(table.Width())) << row;
          EXPECT_EQ(Bars(row), columns) << row;
        }
      }
    }
  }
}

TEST(LineTable, PlainNetFormColumns) {
  TableOptions o;
  LineTable table(o);
  EXPECT_EQ(table.Width(), 149);
  EXPECT_EQ(table.ValueColumn(), 84);
  std::vector<std::string> head = table.Head();
  EXPECT_EQ(head[1].substr(0, 35), " Lp Nazwa przedmiotu sprzedazy     ");
  EXPECT_NE(head[1].find("|    PKWiU     |"), std::string::npos);
  EXPECT_EQ(Cell(head[2], 6), "------------------");
  EXPECT_EQ(Cell(head[3], 6), "%");
  EXPECT_EQ(Cell(head[3], 7), "kwota");

  InvoiceLine l = Line("Kawa mielona", "szt", 1234, 1234.5, "23");
  l.pkwiu = "10.83.11.0";
  l.indeks = "KAWA";
  std::string row = table.Row(l, 7)[0];
  EXPECT_EQ(row.substr(0, 16), "  7 Kawa mielona");
  EXPECT_EQ(Cell(row, 1), "10.83.11.0");
  EXPECT_EQ(Cell(row, 2), "szt");
  EXPECT_EQ(Cell(row, 3), "1234");
  EXPECT_EQ(Cell(row, 4), "1 234.50");           // "9999 999.99": the blank is a separator
  EXPECT_EQ(Cell(row, 5), "1 523 373.00");       // "99 999 999.99"
  EXPECT_EQ(Cell(row, 6), "23");
  EXPECT_EQ(Cell(row, 7), "350375.79");
  EXPECT_EQ(Cell(row, 8), "1 873 748.79");
  EXPECT_EQ(Cell(row, 9), "1 518.44");           // round2(gross / quantity)
  // Numbers end one blank before the column's "|".
  EXPECT_EQ(row.substr(95, 5), ".00 |");

  o.pkwiu = false;
  EXPECT_EQ(Cell(LineTable(o).Row(l, 1)[0], 1), "KAWA");
  EXPECT_NE(LineTable(o).Head()[1].find("|    Symbol    |"), std::string::npos);
}

TEST(LineTable, ExemptAndNotSubjectRates) {
  LineTable table(TableOptions{});
  std::string zw = table.Row(Line("Szkolenie", "godz", 1, 100, "ZW"), 1)[0];
  EXPECT_EQ(Cell(zw, 6), "zw.");
  EXPECT_EQ(Cell(zw, 7), "0.00");
  std::string np = table.Row(Line("Usluga", "szt", 1, 100, "NP"), 1)[0];
  EXPECT_EQ(Cell(np, 6), "np");
  EXPECT_EQ(Cell(np, 7), "---");
  std::string eight = table.Row(Line("Woda", "szt", 1, 100, " 8"), 1)[0];
  EXPECT_EQ(eight.substr(100, 4), "  8 ");
}

TEST(LineTable, QuantitiesAndEmptyLines) {
  TableOptions o;
  LineTable three(o);
  EXPECT_EQ(Cell(three.Row(Line("Ser", "kg", 12.345, 10, " 5"), 1)[0], 3), "12.345");
  EXPECT_EQ(Cell(three.Row(Line("Ser", "kg", 2.5, 10, " 5"), 1)[0], 3), "2.500");
  EXPECT_EQ(Cell(three.Row(Line("Ser", "kg", -10, 10, " 5"), 1)[0], 3), "-10");
  o.quantity_decimals = 2;
  EXPECT_EQ(Cell(LineTable(o).Row(Line("Ser", "kg", 12.345, 10, " 5"), 1)[0], 3), "12.35");
  // A line of quantity 0 has no unit gross price instead of a division by zero.
  std::string zero = three.Row(Line("Opis", "", 0, 10, "23"), 1)[0];
  EXPECT_EQ(Cell(zero, 9), "0.00");
}

TEST(LineTable, OrdinalsBeyond999) {
  LineTable table(TableOptions{});
  EXPECT_EQ(table.Row(Line("A", "", 1, 1, "23"), 999)[0].substr(0, 5), "999 A");
  EXPECT_EQ(table.Row(Line("A", "", 1, 1, "23"), 1000)[0].substr(0, 5), "1000A");
  EXPECT_EQ(table.Row(Line("A", "", 1, 1, "23"), 1000)[0].size(), 149u);
}

TEST(LineTable, LongRemarksWrapUnderTheName) {
  LineTable table(TableOptions{});
  InvoiceLine l = Line("Ser", "kg", 1, 1, " 5");
  l.uwagi = "partia 2611/04, termin przydatnosci 20.01.2027 r.";
  std::vector<std::string> rows = table.Row(l, 1);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(Cell(rows[1], 0), "partia 2611/04, termin");
  EXPECT_EQ(Cell(rows[2], 0), "przydatnosci 20.01.2027 r.");
  l.uwagi = std::string(40, 'X');  // one word longer than the column is cut
  rows = table.Row(l, 1);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(Cell(rows[1], 0), std::string(31, 'X'));
  EXPECT_EQ(Cell(rows[2], 0), std::string(9, 'X'));
}

TEST(LineTable, DiscountForms) {
  TableOptions o;
  o.form = FormLayout::kNetDiscount;
  LineTable net(o);
  EXPECT_EQ(net.ValueColumn(), 98);
  InvoiceLine l = Line("Kawa", "szt", 2, 9.00, "23");
  l.upust0 = 10;
  l.cena_n = 10;
  std::string row = net.Row(l, 1)[0];
  EXPECT_EQ(Cell(row, 4), "10.00");  // list price
  EXPECT_EQ(Cell(row, 5), "10.0");   // discount
  EXPECT_EQ(Cell(row, 6), "9.00");   // price after it
  EXPECT_EQ(Cell(row, 7), "18.00");
  EXPECT_EQ(Cell(row, 10), "22.14");
  // No list price on the line: the price itself; no discount: blank.
  l.upust0 = 0;
  l.cena_n = 0;
  row = net.Row(l, 1)[0];
  EXPECT_EQ(Cell(row, 4), "9.00");
  EXPECT_EQ(Cell(row, 5), "");

  o.form = FormLayout::kGrossDiscount;
  InvoiceLine g = Line("Kawa", "szt", 2, 11.07, "23", 'B');
  g.upust0 = 10;
  g.cena_b = 12.30;
  row = LineTable(o).Row(g, 1)[0];
  EXPECT_EQ(Cell(row, 4), "12.30");
  EXPECT_EQ(Cell(row, 6), "11.07");
  EXPECT_EQ(Cell(row, 7), "22.14");
  EXPECT_EQ(Cell(row, 9), "4.14");
  EXPECT_EQ(Cell(row, 10), "18.00");
}

TEST(LineTable, WarehouseAndPackageColumns) {
  TableOptions o;
  o.mag_column = true;
  o.opa_column = true;
  LineTable table(o);
  EXPECT_EQ(table.Head()[1].substr(149), " MAG | OPA |");
  InvoiceLine l = Line("Woda", "szt", 60, 1, " 8");
  l.mag = "2";
  l.opakowania = 10;
  std::string row = table.Row(l, 1)[0];
  EXPECT_EQ(Cell(row, 10), "2");
  EXPECT_EQ(Cell(row, 11), "10");
}

TEST(FormSelection, ByBasisAndDiscounts) {
  std::vector<InvoiceLine> plain = {Line("A", "", 1, 1, "23")};
  std::vector<InvoiceLine> discounted = plain;
  discounted[0].upust0 = 5;
  EXPECT_EQ(SelectForm('N', false, 0, plain), FormLayout::kNet);
  EXPECT_EQ(SelectForm('N', false, 0, discounted), FormLayout::kNet);
  EXPECT_EQ(SelectForm('N', true, 0, plain), FormLayout::kNet);
  EXPECT_EQ(SelectForm('N', true, 0, discounted), FormLayout::kNetDiscount);
  EXPECT_EQ(SelectForm('B', false, 0, plain), FormLayout::kGross);
  EXPECT_EQ(SelectForm('B', true, 0, plain), FormLayout::kGrossDiscount);
  EXPECT_EQ(SelectForm('B', false, 3, plain), FormLayout::kGrossDiscount);
}

documents::VatSummary Summary(std::vector<InvoiceLine> lines, char nb = 'N') {
  std::vector<documents::DocLine> doc;
  for (const InvoiceLine& l : lines) {
    documents::DocLine d;
    d.ilosc = l.ilosc;
    d.cena = l.cena;
    d.podatek0 = l.podatek0;
    d.podatek = l.podatek;
    d.wartosc = l.wartosc;
    d.brutto = l.brutto;
    d.nb = nb;
    doc.push_back(d);
  }
  return documents::FunSuma(doc, nb, true);
}

TEST(RateBlock, RowsSitUnderTheirColumns) {
  LineTable table(TableOptions{});
  documents::VatSummary sum = Summary({Line("a", "", 1, 100, "23"), Line("b", "", 1, 50, " 8"),
                                       Line("c", "", 1, 20, "ZW"), Line("d", "", 1, 30, "NP"),
                                       Line("e", "", 1, 10, " 0")});
  std::vector<std::string> block = table.RateBlock(sum, Overstrike("Do zapłaty: 197.00 zł"_pl));
  ASSERT_EQ(block.size(), 6u);
  std::vector<size_t> columns = {83, 99, 104, 118, 134};
  EXPECT_EQ(block[0].substr(0, 85), Space(74) + "Razem    | ");
  EXPECT_EQ(Cell(block[0], 1), "210.00");
  EXPECT_EQ(Cell(block[0], 2), "");
  EXPECT_EQ(Cell(block[0], 3), "27.00");
  EXPECT_EQ(Cell(block[0], 4), "237.00");
  // The first VAT row carries the text at the left, padded to 74 columns on paper.
  EXPECT_EQ(PrintedWidth(block[1].substr(0, block[1].find("W tym"))), 74u);
  EXPECT_TRUE(OnPaper(block[1]).starts_with("Do zapłaty: 197.00 zł   ")) << OnPaper(block[1]);
  EXPECT_EQ(block[2].substr(0, 85), Space(83) + "| ");
  for (size_t i = 0; i < block.size(); ++i) {
    // Overstruck letters take three bytes for one column.
    size_t extra = block[i].size() - PrintedWidth(block[i]);
    std::vector<size_t> bars = Bars(block[i]);
    for (size_t& b : bars) b -= extra;
    EXPECT_EQ(bars, columns) << block[i];
  }
  // Order: zw., np, rates from the highest down, 0 %.
  EXPECT_EQ(Cell(block[1], 2), "zw.");
  EXPECT_EQ(Cell(block[2], 2), "np");
  EXPECT_EQ(Cell(block[2], 3), "---");
  EXPECT_EQ(Cell(block[3], 2), "23");
  EXPECT_EQ(Cell(block[4], 2), "8");
  EXPECT_EQ(Cell(block[5], 2), "0");
  EXPECT_EQ(Cell(block[3], 3), "23.00");
  EXPECT_EQ(Cell(block[3], 4), "123.00");
}

TEST(RateBlock, DiscountFormFollowsItsValueColumn) {
  TableOptions o;
  o.form = FormLayout::kNetDiscount;
  LineTable table(o);
  std::vector<std::string> block = table.RateBlock(Summary({Line("a", "", 1, 100, "23")}), "x");
  std::string row = table.Row(Line("a", "", 1, 100, "23"), 1)[0];
  std::vector<size_t> bars = Bars(row);
  // From the "|" before the value column on, the block's bars are the table's.
  std::vector<size_t> tail(bars.end() - 5, bars.end());
  EXPECT_EQ(Bars(block[1]), tail);
  EXPECT_EQ(block[1].substr(0, 1), "x");
}

TEST(VatSummaryTable, DotMatrixLayout) {
  documents::VatSummary sum = Summary({Line("a", "", 1, 100, "23"), Line("b", "", 1, 50, " 8"),
                                       Line("c", "", 1, 20, "ZW"), Line("d", "", 1, 30, "NP"),
                                       Line("e", "", 1, 10, " 0")});
  std::vector<std::string> t = VatSummaryTable(sum, {});
  std::vector<std::string> expected = {
      "        STAWKA   |      NETTO    |      VAT    |     BRUTTO    |",
      "       ----------|---------------|-------------|---------------|",
      "            zw.  |         20.00 |        0.00 |         20.00 |",
      "            np   |         30.00 |     ---     |         30.00 |",
      "            23%  |        100.00 |       23.00 |        123.00 |",
      "             8%  |         50.00 |        4.00 |         54.00 |",
      "             0%  |         10.00 |        0.00 |         10.00 |",
      "       ----------|---------------|-------------|---------------|",
      "        RAZEM    |        210.00 |       27.00 |        237.00 |",
  };
  EXPECT_EQ(t, expected);
}

TEST(VatSummaryTable, ForeignLanguageCurrencyAndFrame) {
  documents::VatSummary sum = Summary({Line("a", "", 1, 100, "23")});
  VatTableOptions o;
  o.foreign_language = true;
  o.waluta = "EUR";
  std::vector<std::string> t = VatSummaryTable(sum, o);
  EXPECT_EQ(t[0], "        STAWKA   |  NETTO [EUR]  |  VAT [EUR]  | BRUTTO [EUR]  |");
  EXPECT_EQ(t[1], "              %  |  NET AMOUNT   |      VAT    |  GROSS AMOUNT |");
  EXPECT_EQ(t.back().substr(0, 18), "RAZEM / TOTAL    |");
  o.waluta = "PLN";
  o.foreign_language = false;
  EXPECT_EQ(VatSummaryTable(sum, o)[0], "        STAWKA   |      NETTO    |      VAT    |     BRUTTO    |");

  o.page_printer = true;
  t = VatSummaryTable(sum, o);
  EXPECT_EQ(t[0], "        STAWKA   \xB3      NETTO    \xB3      VAT    \xB3     BRUTTO    \xB3");
  EXPECT_EQ(t[1], "       " + std::string(10, '\xC4') + "\xC5" + std::string(15, '\xC4') + "\xC5" +
                      std::string(13, '\xC4') + "\xC5" + std::string(15, '\xC4') + "\xB4");
  EXPECT_EQ(t[2].find('|'), std::string::npos);
}

TEST(AmountLines, InWordsAndCorrectionAmounts) {
  EXPECT_EQ(OnPaper(AmountInWordsLine(0.05, "PLN")), "Słownie zł.: pięć gr.");
  EXPECT_EQ(OnPaper(AmountInWordsLine(10.50, "EUR")), "EUR : dziesięć  50/100");

  std::vector<std::string> lines = CorrectionAmountLines(-35.50, -3.94, -39.44, "");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(OnPaper(lines[0]),
            "Kwota zmniejszenia wartosci bez podatku :       35.50 zł. ( trzydzieści pięć zł. i pięćdziesiąt gr. )");
  EXPECT_EQ(OnPaper(lines[1]).substr(0, 54), "Kwota zmniejszenia podatku naleznego    :        3.94 ");
  EXPECT_EQ(OnPaper(lines[2]).substr(0, 42), "Kwota do zwrotu                         : ");

  lines = CorrectionAmountLines(100, 23, 123, "EUR");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "Kwota zwiekszenia wartosci bez podatku  :      100.00 EUR ( sto  )");
  EXPECT_EQ(lines[1].substr(0, 42), "Kwota zwiekszenia podatku naleznego     : ");
  EXPECT_EQ(OnPaper(lines[2]), "Kwota do zapłaty                        :      123.00 EUR ( sto dwadzieścia trzy  )");

  // A change of rate only: the net stays, the VAT moves; nothing is printed for a zero.
  lines = CorrectionAmountLines(0, 15, 15, "");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(0, 25), "Kwota zwiekszenia podatku");
  EXPECT_TRUE(CorrectionAmountLines(0, 0, 0.001, "").empty());
}

TEST(SellerBlock, AddressTaxNumberAndRegistry) {
  Seller s = samples::SampleSeller();
  documents::DocKind kind = samples::InvoiceKind();
  std::vector<std::string> block = SellerBlock(s, kind, false);
  ASSERT_EQ(block.size(), 3u);
  EXPECT_EQ(OnPaper(block[0]), Space(40) + "31-123 Kraków,  ul. Zbożowa 7,  tel. 12 345 67 89");
  EXPECT_EQ(block[1], Space(99) + "             NIP: 676-000-11-22");
  EXPECT_EQ(block[2], Space(99) + "             BDO: 000012345");

  kind.opis = "FAKTURA EXPORT";
  EXPECT_EQ(SellerBlock(s, kind, false)[1], Space(99) + "             NIP: PL 676-000-11-22");
  kind.opis = "FAKTURA [PL]";
  EXPECT_EQ(SellerBlock(s, kind, false)[1], Space(99) + "             NIP: PL 676-000-11-22");

  s.bdo.clear();
  s.tel.clear();
  s.krs_nr = "0000123456";
  s.regon0 = "356000000";
  s.krs_sad = "Sąd Rejonowy dla Krakowa-Śródmieścia";
  s.kapital = 1000000;
  kind.opis = "FAKTURA";
  block = SellerBlock(s, kind, true);
  ASSERT_EQ(block.size(), 5u);
  EXPECT_EQ(OnPaper(block[0]), Space(40) + "31-123 Kraków,  ul. Zbożowa 7");
  // REGON lines up with NIP: both labels begin in column 99.
  EXPECT_EQ(block[2], Space(40) + "KRS nr: 0000123456   " + Space(38) + "             REGON: 356000000");
  EXPECT_EQ(block[2].find("REGON"), block[1].find("NIP"));
  EXPECT_EQ(OnPaper(block[4]), Space(40) + "Kapital zakladowy: 1 000 000 opłacony w całości");
}

TEST(SellerBlock, AStreetTypedWithItsKindIsNotGivenAnotherUl) {
  Seller s = samples::SampleSeller();
  const documents::DocKind kind = samples::InvoiceKind();
  s.tel.clear();
  for (const char* street : {"ul. Zbozowa 7", "UL. Zbozowa 7", "al. Zbozowa 7", "pl. Zbozowa 7", "os. Zbozowe 7"}) {
    s.uodb = street;
    EXPECT_EQ(OnPaper(SellerBlock(s, kind, false)[0]), Space(40) + "31-123 Kraków,  " + street) << street;
  }
  s.uodb = "Ulanska 3";  // a street whose name only begins like the kind
  EXPECT_EQ(OnPaper(SellerBlock(s, kind, false)[0]), Space(40) + "31-123 Kraków,  ul. Ulanska 3");
  Buyer b = samples::SampleBuyer();
  b.uodb = "ul. Ogrodowa 12";
  EXPECT_EQ(OnPaper(BuyerBlock(InvoiceHeader{}, b, {})[2]), Space(10) + "30-001 Kraków,  ul. Ogrodowa 12");
}

TEST(Letterhead, FileBlankLinesOrCompanyName) {
  PrintSettings s;
  Seller seller = samples::SampleSeller();
  EXPECT_EQ(LetterheadLines(s, seller).size(), 2u);
  EXPECT_EQ(LetterheadLines(s, seller)[0].substr(0, 41), Space(40) + "H");
  s.letterhead = {"HURTOWNIA", "ul. Zbozowa 7"};
  EXPECT_EQ(LetterheadLines(s, seller), s.letterhead);
  s.j_folder = "BAAD        ";
  EXPECT_EQ(LetterheadLines(s, seller), std::vector<std::string>(7));
}

TEST(BuyerBlock, FromTheHeaderOrTheBook) {
  InvoiceHeader h;
  Buyer b = samples::SampleBuyer();
  // An old header without name and address takes them from the customer's record.
  std::vector<std::string> block = BuyerBlock(h, b, {});
  ASSERT_EQ(block.size(), 4u);
  EXPECT_EQ(OnPaper(block[0]), "Nabywca:  Sklep Spożywczy \"Pod Lipą\"");
  EXPECT_EQ(block[1], Space(10) + "Jan Kowalski");
  EXPECT_EQ(OnPaper(block[2]), Space(10) + "30-001 Kraków,  ul. Ogrodowa 12");
  EXPECT_EQ(block[3], Space(10) + "NIP: 677-123-45-67");

  h.nodb = "Firma z dokumentu";
  h.modb = "Tarnow";
  h.regon = "123";
  h.nip_kraj = "DE";
  h.odbiorca = "Magazyn nr 2\r\nul. Portowa 1";
  block = BuyerBlock(h, b, {});
  ASSERT_EQ(block.size(), 5u);
  EXPECT_EQ(block[0], "Nabywca:  Firma z dokumentu");
  EXPECT_EQ(block[1], Space(10) + "Tarnow");
  EXPECT_EQ(block[2], Space(10) + "NIP: DE 123");
  EXPECT_EQ(block[3], "Odbiorca: Magazyn nr 2");
  EXPECT_EQ(block[4], Space(10) + "ul. Portowa 1");

  // A correction's ODBIORCA holds the corrected number: no recipient lines.
  BuyerOptions correction;
  correction.correction = true;
  EXPECT_EQ(BuyerBlock(h, b, correction).size(), 3u);
  BuyerOptions purchase;
  purchase.purchase = true;
  EXPECT_EQ(BuyerBlock(h, b, purchase)[0], "Dostawca: Firma z dokumentu");
}

TEST(Blocks, TownDateBankSignature) {
  JulianDay d = JulianFromYmd(2026, 12, 7);
  EXPECT_EQ(TownDateLine("Kraków  ", d, false), Space(114) + "Kraków,  07.12.2026");
  EXPECT_EQ(TownDateLine("Kraków", d, true), Space(114) + "Kraków");

  Seller s = samples::SampleSeller();
  EXPECT_EQ(BankLine(s, 0), (std::vector<std::string>{"Bank: PKO BP S.A.   Nr konta: 12 1020 2892 0000 5102 0123 4567"}));
  s.bodb[2] = "mBank";
  s.nrbo[2] = "34 1140 0000";
  EXPECT_EQ(BankLine(s, 2)[0], "Bank: mBank   Nr konta: 34 1140 0000");
  EXPECT_TRUE(BankLine(s, 3).empty());
  EXPECT_EQ(BankLine(s, 9), BankLine(s, 0));  // out of range: the main account

  std::vector<std::string> sig = SignatureBlock("  Anna Nowak ");
  ASSERT_EQ(sig.size(), 3u);
  EXPECT_EQ(sig[0], Space(98) + "Anna Nowak");
  EXPECT_EQ(sig[1], Space(98) + std::string(51, '.'));
  EXPECT_EQ(sig[2], Space(98) + "Podpis osoby uprawnionej do wystawienia faktury VAT");
  EXPECT_EQ(sig[2].size(), 149u);
}

}  // namespace
}  // namespace hurt::invoicing
