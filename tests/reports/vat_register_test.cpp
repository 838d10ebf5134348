// The VAT register over posted documents: its totals per rate recomputed independently
// from the lines and the headers, the choices of the dialog, the refusals, and the
// printed register against its golden file.
#include "reports/vat_register.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "documents/posting_fixture.h"
#include "reports/register_export.h"
#include "reports/daily_register_print.h"
#include "reports/vat_register_print.h"
#include "session/init_tables.h"
#include "session/output/report_file.h"
#include "support/golden.h"
#include "xbase/file_util.h"

namespace hurt::reports {
namespace {

using documents::testing::AddRecord;
using documents::testing::Num;
using documents::testing::Txt;
using store::TableId;

class VatRegisterTest : public documents::testing::PostingTest {
 protected:
  void SetUp() override {
    Kind("FV", 'R', 'S', "FAKTURA VAT");
    Kind("PA", 'R', 'S', "PARAGON");
    Kind("FK", 'K', 'S', "KOREKTA FAKTURY");
    Kind("PZ", 'P', 'Z', "PRZYJECIE ZEWNETRZNE", 0, 'D');
    Kind("WZ", 'R', 'D', "WYDANIE ZEWNETRZNE");
    Article("1", "A1", 1000000, 2);
    Article("1", "A2", 1000000, 3, 0, "ZALICZKA NA TOWAR");
    Article("2", "B1", 1000000, 4);
  }
  // A working line at rate `podatek0` (net basis).
  void RateLine(const std::string& indeks, double ilosc, double cena, const std::string& podatek0,
                const std::string& mag = "1") {
    const double wartosc = NewRound(ilosc * cena, 2);
    const double rate = podatek0 == "ZW" || podatek0 == "NP" ? 0 : std::stod(podatek0);
    const double podatek = NewRound(wartosc * rate / 100, 2);
    AddRecord(A(TableId::kDd), {{"MAG", mag},
                                {"INDEKS", PadR(indeks, 8)},
                                {"NAZWA", indeks == "A2" ? "ZALICZKA NA TOWAR" : "TOWAR"},
                                {"ILOSC", ilosc},
                                {"CENA", cena},
                                {"NB", "N"},
                                {"PODATEK0", podatek0},
                                {"PODATEK", podatek},
                                {"WARTOSC", wartosc},
                                {"BRUTTO", wartosc + podatek}});
  }
  void Document(const std::string& rd, const std::string& odb,
                const std::vector<std::tuple<std::string, double, double, std::string>>& lines) {
    ASSERT_TRUE(session::NoweDd(s(), st1().ui));  // a new document's empty lines
    Header(rd, odb, "P");
    for (const auto& [indeks, ilosc, cena, rate] : lines) RateLine(indeks, ilosc, cena, rate);
    ASSERT_TRUE(Post()) << rd;
  }
  // The register of `r` printed into a report file by the printer `make` returns for the
  // file's writer, and the file's text; the pass must have met `documents` documents.
  template <typename MakePrinter>
  std::string Printed(const std::string& file, const RegisterRequest& r, MakePrinter make, int documents) {
    auto written = session::RunReport(env_, file, [&](session::ReportWriter& out) {
      auto printer = make(out);
      printer.Begin();
      auto result = ComputeRegister(s(), r, [&](const RegisterDocument& d) { printer.Document(d); });
      ASSERT_TRUE(result.ok());
      EXPECT_EQ(result->documents, documents);
      printer.End(*result);
    });
    EXPECT_TRUE(written.ok()) << written.status().ToString();
    if (!written.ok()) return {};
    auto text = xbase::ReadWholeFile(env_, *written);
    EXPECT_TRUE(text.ok());
    return text.ok() ? *text : std::string();
  }
  RegisterRequest Month(const std::string& rd) {
    RegisterRequest r;
    r.from = JulianFromYmd(2026, 3, 1);
    r.to = JulianFromYmd(2026, 3, 31);
    r.rd = rd;
    return r;
  }
  RegisterResult Run(const RegisterRequest& r, std::vector<RegisterDocument>* docs = nullptr) {
    auto result = ComputeRegister(s(), r, [&](const RegisterDocument& d) {
      if (docs != nullptr) docs->push_back(d);
    });
    EXPECT_TRUE(result.ok()) << result.status().ToString();
    return result.ok() ? *result : RegisterResult{};
  }

  // The register recomputed from the tables directly: per document and rate the lines'
  // net and VAT, rounded per document, summed; documents of the kinds `kinds`.
  RateBuckets FromLines(const std::vector<std::string>& kinds) {
    std::map<std::string, RateBuckets> docs;
    xbase::WorkArea& dow = A(TableId::kDow);
    EXPECT_TRUE(dow.SetOrder(0).ok());
    EXPECT_TRUE(dow.GoTop().ok());
    for (; !dow.eof(); (void)dow.Skip()) {
      const std::string rd = PadR(Txt(dow, "RD"), 3);
      if (std::find(kinds.begin(), kinds.end(), rd) == kinds.end()) continue;
      docs[rd + Txt(dow, "NRD")].Add(ColumnOf(Txt(dow, "PODATEK0")), Num(dow, "WARTOSC"), Num(dow, "PODATEK"));
    }
    RateBuckets total;
    for (auto& [key, b] : docs) {
      b.RoundDocument();
      total.Add(b);
    }
    return total;
  }
  // The posted headers' own totals.
  std::pair<double, double> FromHeaders(const std::vector<std::string>& kinds) {
    double netto = 0, vat = 0;
    xbase::WorkArea& dowod = A(TableId::kDowod);
    EXPECT_TRUE(dowod.SetOrder(0).ok());
    EXPECT_TRUE(dowod.GoTop().ok());
    for (; !dowod.eof(); (void)dowod.Skip()) {
      if (std::find(kinds.begin(), kinds.end(), PadR(Txt(dowod, "RD"), 3)) == kinds.end()) continue;
      netto += Num(dowod, "NETTO");
      vat += Num(dowod, "VAT");
    }
    return {NewRound(netto, 2), NewRound(vat, 2)};
  }
  static void ExpectSameBuckets(const RateBuckets& a, const RateBuckets& b) {
    for (int i = 0; i < kRateColumns; ++i) {
      EXPECT_NEAR(a.net[static_cast<size_t>(i)], b.net[static_cast<size_t>(i)], 0.001) << ColumnName(static_cast<RateColumn>(i));
      EXPECT_NEAR(a.vat[static_cast<size_t>(i)], b.vat[static_cast<size_t>(i)], 0.001) << ColumnName(static_cast<RateColumn>(i));
    }
  }
};

// Random documents of every kind: the sales register (FV takes every sale) and the
// purchase register equal what the lines and the headers say, to the grosz.
TEST_F(VatRegisterTest, TotalsPerRateEqualTheLinesAndTheHeaders) {
  std::mt19937 rng(20261210);
  const std::vector<std::string> rates = {"23", " 8", " 5", " 0", "ZW"};
  const std::vector<std::string> kinds = {"FV", "FV", "PA", "FK", "PZ", "WZ"};
  for (int d = 0; d < 40; ++d) {
    std::vector<std::tuple<std::string, double, double, std::string>> lines;
    const int n = 1 + static_cast<int>(rng() % 4);
    for (int l = 0; l < n; ++l) {
      lines.emplace_back("A1", 1 + rng() % 9, NewRound(0.37 + (rng() % 10000) / 100.0, 2), rates[rng() % rates.size()]);
    }
    Document(kinds[rng() % kinds.size()], "K" + std::to_string(rng() % 3), lines);
  }
  const RegisterResult sales = Run(Month("FV"));
  ASSERT_EQ(sales.refusal, "");
  EXPECT_EQ(sales.side, 'S');
  ExpectSameBuckets(sales.total, FromLines({"FV ", "PA ", "FK "}));
  const auto [netto, vat] = FromHeaders({"FV ", "PA ", "FK "});
  EXPECT_NEAR(sales.total.Net(), netto, 0.001);
  EXPECT_NEAR(sales.total.Vat(), vat, 0.001);
  // One row per kind, the gross the sum of the documents'.
  double gross = 0;
  for (const KindTotal& k : sales.kinds) gross += k.b.gross;
  EXPECT_NEAR(gross, sales.total.gross, 0.001);
  EXPECT_LE(sales.kinds.size(), 3u);

  const RegisterResult purchases = Run(Month("PZ"));
  ExpectSameBuckets(purchases.total, FromLines({"PZ "}));
  // A kind alone.
  const RegisterResult receipts = Run(Month("PA"));
  ExpectSameBuckets(receipts.total, FromLines({"PA "}));
}

TEST_F(VatRegisterTest, TheDialogsChoicesLeaveOutLinesAndDocuments) {
  Document("FV", "K1", {{"A1", 2, 10, "23"}, {"A2", 1, 50, "23"}});
  Document("FV", "K2", {{"A1", 1, 10, " 8"}});
  RegisterRequest r = Month("FV");
  r.skip_word = "ZALICZKA";
  EXPECT_DOUBLE_EQ(Run(r).total.Net(), 30);
  r.skip_word.clear();
  r.skip_indeks = "A1";
  EXPECT_DOUBLE_EQ(Run(r).total.Net(), 50);
  r.skip_indeks.clear();
  r.odb = "K2";
  std::vector<RegisterDocument> docs;
  EXPECT_DOUBLE_EQ(Run(r, &docs).total.Net(), 10);
  ASSERT_EQ(docs.size(), 1u);
  EXPECT_EQ(AllTrim(docs[0].odb), "K2");
  r.odb.clear();
  r.magazyny = "2";
  EXPECT_EQ(Run(r).refusal, "Brak FV w okresie 01.03.2026-31.03.2026");
}

TEST_F(VatRegisterTest, AnUnknownKindOrAKindOutsideTheRegistersIsRefused) {
  EXPECT_EQ(Run(Month("XX")).refusal, "BRAK XX W PARAMETRACH DOWODOW");
  EXPECT_EQ(Run(Month("WZ")).refusal, "WZ NIE DOTYCZY ZAKUPOW - SPRZEDAZY");
}

TEST(VatRegisterGross, TheOneDayDailySalesAreRecomputedFromTheirGross) {
  RateBuckets b;
  b.Add(RateColumn::k23, 99.99, 23.01);  // what the lines said
  RecomputeFromGross(b);
  EXPECT_DOUBLE_EQ(b.vat[static_cast<size_t>(RateColumn::k23)], 23.00);
  EXPECT_DOUBLE_EQ(b.net[static_cast<size_t>(RateColumn::k23)], 100.00);
  EXPECT_DOUBLE_EQ(b.gross, 123.00);
}

TEST_F(VatRegisterTest, ThePrintedRegister) {
  Document("FV", "K1", {{"A1", 2, 10, "23"}, {"A1", 1, 5, " 8"}});
  Document("FV", "K2", {{"A1", 3, 7.5, "ZW"}});
  Document("FK", "K1", {{"A1", 1, 10, "23"}});
  RegisterRequest r = Month("FV");
  RegisterHeading h;
  h.firm = {"HURTOWNIA TESTOWA SP. Z O.O.", "45-001 OPOLE ul. Testowa 1"};
  h.title = "REJESTR SPRZEDAZY NA FAKTURY VAT ";
  h.choices = {"Wybrany magazyn : 1"};
  const std::string text = Printed(
      "rob/rejestr.prn", r, [&](session::ReportWriter& out) { return RegisterPrinter(out, h, r, 'S', false); }, 3);
  for (const std::string& line : {std::string("REJESTR SPRZEDAZY NA FAKTURY VAT W OKRESIE 01.03.2026-31.03.2026r"),
                                  std::string("     ---   "), std::string("FV  RAZEM  BRUTTO:"),
                                  std::string("     ZESTAWIENIE ZBIORCZE SPRZEDAZY")}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  }
  size_t widest = 0;
  for (size_t at = 0, next; at < text.size(); at = next + 2) {
    next = text.find("\r\n", at);
    if (next == std::string::npos) break;
    widest = std::max(widest, next - at);
  }
  EXPECT_LE(widest, 161u);
  testing::ExpectGolden("rejestr_sprzedazy.prn", text);
}

// The older daily layout pairs the rates by period; the 7 % rate changed pair in 2011.
TEST(DailyRegister, RatePairsFollowThePeriod) {
  EXPECT_EQ(RatePairsOf(JulianFromYmd(2008, 4, 30)).high_heading, "22 / 5 %");
  EXPECT_EQ(RatePairsOf(JulianFromYmd(2008, 5, 1)).high_heading, "22 / 6 %");
  EXPECT_EQ(RatePairsOf(JulianFromYmd(2010, 12, 31)).low_heading, "7 / 3 %");
  EXPECT_EQ(RatePairsOf(JulianFromYmd(2011, 1, 1)).high_heading, "23 / 7 %");
  EXPECT_EQ(RatePairsOf(JulianFromYmd(2011, 1, 1)).low_heading, "8 / 5 %");
  RateBuckets b;
  b.Add(RateColumn::k22, 100, 22);
  b.Add(RateColumn::k7, 10, 0.7);
  b.Add(RateColumn::k3, 5, 0.15);
  b.Add(RateColumn::k0, 4, 0);
  b.Add(RateColumn::kZw, 3, 0);
  b.Add(RateColumn::kNp, 2, 0);
  const PairAmounts before = PairsOf(b, RatePairsOf(JulianFromYmd(2010, 6, 1)));
  EXPECT_DOUBLE_EQ(before.high_net, 110);  // 22 and 7
  EXPECT_DOUBLE_EQ(before.high_vat, 22.7);
  EXPECT_DOUBLE_EQ(before.low_net, 5);
  const PairAmounts after = PairsOf(b, RatePairsOf(JulianFromYmd(2011, 6, 1)));
  EXPECT_DOUBLE_EQ(after.high_net, 100);
  EXPECT_DOUBLE_EQ(after.low_net, 15);  // 7 and 3
  EXPECT_DOUBLE_EQ(after.low_vat, 0.85);
  EXPECT_DOUBLE_EQ(after.zero, 4);
  EXPECT_DOUBLE_EQ(after.exempt, 5);
}

TEST_F(VatRegisterTest, ThePrintedDailyRegister) {
  Document("FV", "K1", {{"A1", 2, 10, "23"}, {"A1", 1, 5, " 8"}, {"A1", 1, 4, " 0"}});
  Document("FV", "K2", {{"A1", 3, 7.5, "ZW"}, {"A1", 1, 2.5, " 5"}});
  RegisterRequest r = Month("FV");
  r.from = r.to = JulianFromYmd(2026, 3, 14);
  r.one_day = true;
  RegisterHeading h;
  h.firm = {"HURTOWNIA TESTOWA SP. Z O.O.", "45-001 OPOLE ul. Testowa 1"};
  h.title = "REJESTR SPRZEDAZY ";
  const std::string text = Printed(
      "rob/dzienny.prn", r, [&](session::ReportWriter& out) { return DailyRegisterPrinter(out, h, r, 'S'); }, 2);
  EXPECT_NE(text.find("REJESTR SPRZEDAZY W DNIU 14.03.2026r"), std::string::npos) << text;
  EXPECT_NE(text.find("RAZEM W DNIU 14.03.2026"), std::string::npos) << text;
  testing::ExpectGolden("rejestr_dzienny.prn", text);
}

// The export file: one line per document of both registers, the marks of its lines'
// goods groups and of its header, the type and the KSeF number.
TEST_F(VatRegisterTest, TheExportCarriesEachDocumentsMarksAndKsefNumber) {
  ASSERT_TRUE(AtArticle("1", "A2"));
  ASSERT_TRUE(A(TableId::kAs).LockRecord().ok());
  ASSERT_TRUE(A(TableId::kAs).Replace("GR_TOW", xbase::Value(" 5")).ok());
  ASSERT_TRUE(A(TableId::kAs).Commit().ok());
  Document("FV", "K1", {{"A1", 2, 10, "23"}, {"A2", 1, 50, " 8"}});
  Document("PZ", "D1", {{"A1", 1, 10, "23"}});
  xbase::WorkArea& dowod = A(TableId::kDowod);
  ASSERT_TRUE(dowod.SetOrder(1).ok());
  ASSERT_TRUE(dowod.SeekKey("FV " + PadL("1", 8)).ok());
  ASSERT_FALSE(dowod.eof());
  ASSERT_TRUE(dowod.LockRecord().ok());
  ASSERT_TRUE(dowod.Replace("JPK_XX", xbase::Value("T           1")).ok());  // SW and MPP
  ASSERT_TRUE(dowod.Replace("TYP_DOK", xbase::Value("RO")).ok());
  ASSERT_TRUE(dowod.Replace("KSEF", xbase::Value("5260250274-20261210-0A1B2C3D4E5F-6A")).ok());
  ASSERT_TRUE(dowod.Commit().ok());
  ASSERT_TRUE(env_.CreateDirs("vat").ok());
  auto done = WriteRegisterExport(s(), JulianFromYmd(2026, 3, 1), JulianFromYmd(2026, 3, 31), "vat/vat_r.txt");
  ASSERT_TRUE(done.ok()) << done.status().ToString();
  EXPECT_EQ(done->sales, 1);
  EXPECT_EQ(done->purchases, 1);
  auto file = xbase::ReadWholeFile(env_, "vat/vat_r.txt");
  ASSERT_TRUE(file.ok());
  std::vector<std::string> lines;
  for (size_t at = 0, next; (next = file->find("\r\n", at)) != std::string::npos; at = next + 2) {
    lines.push_back(file->substr(at, next - at));
  }
  ASSERT_EQ(lines.size(), 3u) << *file;
  EXPECT_EQ(lines[0].substr(0, 31), "STRONA\tRD\tNRD\tDATA\tDATA_WYD\tODB");
  EXPECT_NE(lines[0].find("\tN23\tV23\t"), std::string::npos);
  EXPECT_EQ(lines[1].substr(0, 28), "S\tFV\t1\t20260314\t20260314\tK1\t");
  EXPECT_NE(lines[1].find("\t78.60\t70.00\t8.60\t"), std::string::npos) << lines[1];
  EXPECT_NE(lines[1].find("\tGTU_05;WSTO_EE;MPP;\tRO\t5260250274-20261210-0A1B2C3D4E5F-6A"), std::string::npos) << lines[1];
  EXPECT_EQ(lines[2].substr(0, 4), "Z\tPZ");
  EXPECT_FALSE(env_.Exists("vat/vat_r.txt.tmp"));
}

TEST_F(VatRegisterTest, ThePrintedPurchaseRegister) {
  Document("PZ", "D1", {{"A1", 10, 2.5, "23"}, {"A1", 4, 3.1, " 5"}});
  Document("PZ", "D2", {{"A1", 1, 99.99, " 8"}, {"A1", 2, 7, "ZW"}});
  RegisterRequest r = Month("PZ");
  r.basis = PurchaseBasis::kInvoicesAndWz;
  RegisterHeading h;
  h.firm = {"HURTOWNIA TESTOWA SP. Z O.O.", "45-001 OPOLE ul. Testowa 1"};
  h.title = "REJESTR ZAKUPOW ";
  const std::string text = Printed(
      "rob/zakupy.prn", r, [&](session::ReportWriter& out) { return RegisterPrinter(out, h, r, 'Z', false); }, 2);
  EXPECT_NE(text.find("     ZESTAWIENIE ZBIORCZE ZAKUPOW"), std::string::npos) << text;
  EXPECT_NE(text.find("Zakupy opodatkowane wg stawek"), std::string::npos) << text;
  testing::ExpectGolden("rejestr_zakupow.prn", text);
}

}  // namespace
}  // namespace hurt::reports
