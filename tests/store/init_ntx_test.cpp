// The start-up build (INIT_NTX): every table of the catalogue made with its exact
// structure and its indexes, the period with data, the month reset modes, the warning of
// an unfinished month close, the creation trace, and a table another station holds.
#include <gtest/gtest.h>

#include "base/cp852.h"
#include "base/date.h"
#include "base/text.h"
#include "session/init_tables_fixture.h"

namespace hurt::store::init_test {
namespace {

using namespace hurt::literals;
using xbase::Value;

// ---------------------------------------------------------------------------------------
// Structures, for several sets of marker files.

struct MarkerSet {
  const char* name;
  std::vector<std::string> markers;
};

class StructureTest : public InitTablesTest, public ::testing::WithParamInterface<MarkerSet> {};

TEST_P(StructureTest, EveryTableHasTheCatalogueFieldsAndIndexes) {
  for (const std::string& m : GetParam().markers) Marker(m);
  ASSERT_TRUE(Build());
  EXPECT_EQ(s().hh(), "26/03");
  EXPECT_EQ(Bmr(), "03.26");

  const Markers markers = s().Markers();
  std::vector<TableId> ids(RebuildOrder().begin(), RebuildOrder().end());
  for (TableId id : {TableId::kDd, TableId::kZo, TableId::kZd, TableId::kZp, TableId::kZf, TableId::kZn}) {
    ids.push_back(id);
  }
  int checked = 0;
  for (TableId id : ids) {
    const TableDef& t = Table(id);
    if (!t.layout_known) continue;
    const std::string dbf = DbfOf(id);
    SCOPED_TRACE(dbf);
    if (!TableEnabled(t, markers)) {
      EXPECT_FALSE(mem_.Exists(dbf));
      continue;
    }
    ASSERT_TRUE(mem_.Exists(dbf));
    EXPECT_EQ(FieldsOnDisk(dbf), ResolveFields(t, markers));
    ++checked;
  }
  EXPECT_GE(checked, 17);
  EXPECT_EQ(FieldsOnDisk("firma.dbf"), ResolveFields(Table(TableId::kFirma), markers));
  ExpectEveryIndexFileRight();
}

INSTANTIATE_TEST_SUITE_P(
    Markers, StructureTest,
    ::testing::Values(MarkerSet{"none", {}}, MarkerSet{"vat_13_5", {"VAT_13_5.TXT"}},
                      MarkerSet{"bar_codes", {"KOD13.TXT", "KOD20.TXT", "KOD13DIS.TXT", "AS_ZB.TXT"}},
                      MarkerSet{"batches", {"PARTIA.TXT", "PARTIA10.TXT", "PARTIA20.TXT", "DATA_M.TXT"}},
                      MarkerSet{"options", {"FV_ZAL.TXT", "KOD_QR.TXT", "UODB35.TXT", "ST99.TXT", "AS_CENY.TXT",
                                            "NAZWA46.TXT", "UWAGI.DOW", "RABAT2ZO.TXT", "BUTY.TXT"}}),
    [](const ::testing::TestParamInfo<MarkerSet>& param) { return std::string(param.param.name); });

TEST_F(InitTablesTest, VatRateWidthFollowsTheMarkerInArticlesLinesAndWorkingLines) {
  auto width = [&](TableId id) {
    for (const Field& f : FieldsOnDisk(DbfOf(id))) {
      if (f.name == "PODATEK0") return f.width;
    }
    return 0;
  };
  ASSERT_TRUE(Build());
  EXPECT_EQ(width(TableId::kAs), 2);
  EXPECT_EQ(width(TableId::kDow), 2);
  EXPECT_EQ(width(TableId::kDd), 2);

  Marker("vat_13_5.txt");  // found in either case
  NewSession();
  ASSERT_TRUE(Build());
  EXPECT_EQ(width(TableId::kAs), 4);
  EXPECT_EQ(width(TableId::kDow), 4);
  EXPECT_EQ(width(TableId::kDd), 4);
}

// ---------------------------------------------------------------------------------------
// Indexes over real records.

TEST_F(InitTablesTest, IndexesRebuiltFromTheRecordsMatchThemKeyForKey) {
  ASSERT_TRUE(Build());
  const JulianDay day = JulianFromYmd(2026, 3, 2);
  for (int i = 0; i < 40; ++i) {
    const std::string mag = i % 3 == 0 ? "2" : "1";
    const std::string indeks = std::to_string(9000 - i * 7);
    AddRecord(AreaOf(TableId::kAs), {{"MAG", Value(mag)},
                                     {"INDEKS", Value(indeks)},
                                     {"NAZWA", Value(std::string("ARTYKUŁ "_pl) + std::to_string(i % 9))},
                                     {"T_W_O_K", Value(i % 2 ? "GR1" : "GR2")},
                                     {"CENA2", Value(1.5 * i)}});
    const std::string nrd = PadL(std::to_string(i / 4 + 1), 8);
    const std::string rd = i % 2 ? "FV " : "PZ ";
    AddRecord(AreaOf(TableId::kDow), {{"R_P", Value(i % 2 ? "R" : "P")},
                                      {"S_Z", Value("S")},
                                      {"RD", Value(rd)},
                                      {"NRD", Value(nrd)},
                                      {"LP", Value(PadL(std::to_string(i % 4 + 1), 3))},
                                      {"DATA", Value(xbase::Date{day + i % 5})},
                                      {"MAG", Value(mag)},
                                      {"INDEKS", Value(indeks)}});
    if (i % 4 == 0) {
      AddRecord(AreaOf(TableId::kDowod), {{"R_P", Value("R")},
                                          {"S_Z", Value("S")},
                                          {"RD", Value(rd)},
                                          {"NRD", Value(nrd)},
                                          {"DATA", Value(xbase::Date{day + i % 5})}});
      AddRecord(AreaOf(TableId::kFaN), {{"RD", Value(rd)},
                                        {"NRD", Value(nrd)},
                                        {"MAG", Value(i % 8 == 0 ? "0" : "1")},
                                        {"TRESC", Value(std::string("wpłata gotówką"_pl))},
                                        {"KTO", Value("O")},
                                        {"ODB", Value("KLIENT" + std::to_string(i % 3))},
                                        {"OBWN", Value(100.25 * i)},
                                        {"OBMA", Value(-3.5 * i)}});
      AddRecord(AreaOf(TableId::kFaNx), {{"RD", Value(rd)},
                                         {"ZAP", Value(i % 8 == 0 ? "T" : " ")},
                                         {"R_DATA", Value(xbase::Date{day + i % 3})},
                                         {"R_CZAS", Value("10:0" + std::to_string(i % 10) + ":00")}});
      AddRecord(AreaOf(TableId::kZo), {{"ODB", Value("K" + std::to_string(40 - i))},
                                       {"REGON", Value(std::to_string(1234563218 + i))}});
      AddRecord(AreaOf(TableId::kWal), {{"WALUTA", Value(i % 8 ? "EUR" : "USD")},
                                        {"DATA", Value(xbase::Date{day - i})},
                                        {"KURS", Value(4.25 + i / 100.0)}});
    }
  }
  ASSERT_TRUE(AreaOf(TableId::kDow).GoTo(3).ok());
  ASSERT_TRUE(AreaOf(TableId::kDow).LockRecord().ok());
  ASSERT_TRUE(AreaOf(TableId::kDow).Delete().ok());  // deleted records keep their entries
  ASSERT_TRUE(AreaOf(TableId::kDow).Unlock().ok());

  NewSession();
  ASSERT_TRUE(Build());
  EXPECT_EQ(CountOf(DbfOf(TableId::kAs)), 40u);
  EXPECT_EQ(CountOf(DbfOf(TableId::kDow)), 40u);  // indexing keeps deleted records
  ExpectAllOrdersMatch();
  ExpectEveryIndexFileRight();
}

// ---------------------------------------------------------------------------------------
// The period with data.

class PeriodSearchTest : public InitTablesTest {
 protected:
  // A period folder holding an article table (and nothing else).
  void PeriodWithArticles(const std::string& period) {
    CreateTableAt(period + "/as.dbf", ResolveFields(Table(TableId::kAs), s().Markers()));
  }
  void StartWithBmr(std::string_view bmr) {
    ASSERT_TRUE(Build());
    SetBmr(bmr);
    NewSession();
    ASSERT_TRUE(RemoveTableFiles(mem_, "26/03/as").ok());
    ui_.calls.clear();
  }
};

TEST_F(PeriodSearchTest, AdoptsTheLatestEarlierPeriodWithArticlesAndStoresItInBmr) {
  StartWithBmr("03.26");
  PeriodWithArticles("25/11");
  PeriodWithArticles("25/07");
  ASSERT_TRUE(Build());
  EXPECT_EQ(s().hh(), "25/11");
  EXPECT_EQ(Bmr(), "11.25");
  EXPECT_TRUE(mem_.Exists("25/11/dow.dbf"));  // the adopted period is built
  EXPECT_TRUE(mem_.Exists("25/11/as.ntx"));
  EXPECT_EQ(AreaOf(TableId::kAs).path(), "25/11/as.dbf");

  const std::vector<std::string> shown = Messages();
  const std::vector<std::string> expected = {"szukam danych",        "szukam 26/03/as.dbf", "szukam 26/02/as.dbf",
                                             "szukam 26/01/as.dbf",  "szukam 25/12/as.dbf", "szukam 25/11/as.dbf"};
  auto first = std::find(shown.begin(), shown.end(), "szukam danych");
  ASSERT_NE(first, shown.end());
  EXPECT_EQ(std::vector<std::string>(first, first + static_cast<long>(expected.size())), expected);
  EXPECT_FALSE(Shown("szukam 25/10/as.dbf"));
}

TEST_F(PeriodSearchTest, TodaysPeriodComesBeforeTheSearch) {
  StartWithBmr("01.26");
  PeriodWithArticles("26/03");
  PeriodWithArticles("25/12");
  ASSERT_TRUE(Build());
  EXPECT_EQ(s().hh(), "26/03");
  EXPECT_EQ(Bmr(), "03.26");
  EXPECT_TRUE(Shown("szukam danych"));
  EXPECT_FALSE(Shown("szukam 26/03/as.dbf"));
}

TEST_F(PeriodSearchTest, APeriodWithArticlesIsKeptWithoutSearching) {
  ASSERT_TRUE(Build());
  SetBmr("11.25");
  PeriodWithArticles("25/11");
  NewSession();
  ui_.calls.clear();
  ASSERT_TRUE(Build());
  EXPECT_EQ(s().hh(), "25/11");
  EXPECT_FALSE(Shown("szukam danych"));
}

TEST_F(PeriodSearchTest, WithoutDataAnywhereTheStoredPeriodIsBuiltAfterSearchingToYearOne) {
  StartWithBmr("07.25");
  ASSERT_TRUE(Build());
  EXPECT_EQ(s().hh(), "25/07");
  EXPECT_EQ(Bmr(), "07.25");
  EXPECT_TRUE(mem_.Exists("25/07/as.dbf"));
  EXPECT_TRUE(Shown("szukam 01/01/as.dbf"));
  EXPECT_FALSE(Shown("szukam 00/12/as.dbf"));
}

// ---------------------------------------------------------------------------------------
// The month reset of the month close and of the stock correction.

class MonthResetTest : public InitTablesTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Build());
    AddRecord(AreaOf(TableId::kAs), {{"MAG", Value("1")},      {"INDEKS", Value("A1")},   {"NAZWA", Value(std::string("mąka żytnia"_pl))},
                                     {"B_BO_I", Value(10.0)},  {"CENA_01", Value(2.5)},   {"CENA0", Value(3.0)},
                                     {"ILOSC", Value(7.0)},    {"B_P_I", Value(5.0)},     {"B_P_W", Value(12.5)},
                                     {"B_R_I", Value(8.0)},    {"B_R_W", Value(20.0)},    {"B_R_I_SD", Value(3.0)},
                                     {"CENA_PZ", Value(9.0)}});
    AddRecord(AreaOf(TableId::kAs), {{"MAG", Value("1")},
                                     {"INDEKS", Value("A2")},
                                     {"NAZWA", Value("cukier")},
                                     {"B_BO_I", Value(4.0)},
                                     {"CENA0", Value(4.125)},
                                     {"CENA_PZ", Value(9.0)},
                                     {"ILOSC", Value(1.0)}});
    AddRecord(AreaOf(TableId::kDowod), {{"RD", Value("FV ")},    {"NRD", Value("       1")}, {"WARTOSC0", Value(100.0)},
                                        {"NETTO", Value(200.0)}, {"VAT", Value(46.0)},         {"OPA", Value(5.0)},
                                        {"KWOTA", Value(246.0)}});
    NewSession();
  }

  double Num(TableId id, uint32_t recno, std::string_view field) {
    auto t = xbase::Table::Open(mem_, DbfOf(id), xbase::TableMode::SharedReadOnly());
    xbase::Record rec;
    EXPECT_TRUE((*t)->Read(recno, &rec).ok());
    return rec.GetValue(field).value_or(Value()).AsNumber();
  }
  std::string Text(TableId id, uint32_t recno, std::string_view field) {
    auto t = xbase::Table::Open(mem_, DbfOf(id), xbase::TableMode::SharedReadOnly());
    xbase::Record rec;
    EXPECT_TRUE((*t)->Read(recno, &rec).ok());
    return RTrim(rec.GetValue(field).value_or(Value()).AsString());
  }

  void ExpectReset() {
    EXPECT_TRUE(Shown("BO miesiaca na as"));
    EXPECT_EQ(Num(TableId::kAs, 1, "ILOSC"), 10.0);
    for (const char* f : {"B_P_I", "B_P_W", "B_R_I", "B_R_W", "B_R_I_SD"}) EXPECT_EQ(Num(TableId::kAs, 1, f), 0.0) << f;
    EXPECT_EQ(Num(TableId::kAs, 1, "B_BO_W"), 25.0);       // opening price CENA_01
    EXPECT_EQ(Num(TableId::kAs, 2, "B_BO_W"), 16.5);       // no CENA_01: CENA0
    EXPECT_EQ(Text(TableId::kAs, 1, "NAZWA"), "MĄKA ŻYTNIA"_pl);
    for (const char* f : {"WARTOSC0", "NETTO", "VAT", "OPA"}) EXPECT_EQ(Num(TableId::kDowod, 1, f), 0.0) << f;
    EXPECT_EQ(Num(TableId::kDowod, 1, "KWOTA"), 246.0);    // the amount paid stays
  }
  void ExpectUntouched() {
    EXPECT_FALSE(Shown("BO miesiaca na as"));
    EXPECT_EQ(Num(TableId::kAs, 1, "ILOSC"), 7.0);
    EXPECT_EQ(Num(TableId::kAs, 1, "B_R_I_SD"), 3.0);
    EXPECT_EQ(Text(TableId::kAs, 1, "NAZWA"), "mąka żytnia"_pl);
    EXPECT_EQ(Num(TableId::kDowod, 1, "NETTO"), 200.0);
  }
};

TEST_F(MonthResetTest, MonthCloseModeRecomputesTheOpening) {
  ASSERT_TRUE(Build("BEZ_INIT_DBF"));
  ExpectReset();
  ExpectAllOrdersMatch();  // indexes built after the names changed
}

TEST_F(MonthResetTest, StockCorrectionModeRecomputesTheOpening) {
  ASSERT_TRUE(Build("z korekta As"));
  ExpectReset();
}

TEST_F(MonthResetTest, TheStockCorrectionFlagDoesTheSame) {
  s().vars().Set("KOREKTA__AS", Value(true));
  ASSERT_TRUE(Build());
  ExpectReset();
}

TEST_F(MonthResetTest, PlainStartUpAndMarkerTylkoFanLeaveTheMonthAlone) {
  ASSERT_TRUE(Build());
  ExpectUntouched();
  Marker("TYLKO.FAN");
  NewSession();
  ASSERT_TRUE(Build("BEZ_INIT_DBF"));
  ExpectUntouched();
}

// ---------------------------------------------------------------------------------------
// Other steps.

TEST_F(InitTablesTest, UnfinishedMonthCloseIsShownExceptToTheMonthClose) {
  ASSERT_TRUE(mem_.CreateDirs("zamknij").ok());
  ASSERT_TRUE(mem_.SetContents("zamknij/Z2025_12.TXT", "").ok());
  ASSERT_TRUE(mem_.SetContents("zamknij/Z2026_01.TXT", "").ok());
  std::vector<std::string> seen;
  backend_.Then([&] { seen = backend_.Lines(); });
  ASSERT_TRUE(Build());
  ASSERT_TRUE(backend_.Finished()) << "the warning did not wait";
  std::string screen;
  for (const std::string& line : seen) screen += line + "\n";
  EXPECT_NE(screen.find("MASZ ZLE ZAMKNIETY MIESIAC"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Rok 2025  miesiac 12"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Rok 2026  miesiac 01"), std::string::npos) << screen;
  EXPECT_NE(screen.find("Zmien biezacy okres i jeszcze raz zamknij"), std::string::npos) << screen;
  // The screen is put back.
  EXPECT_EQ(con_.screen().RowText(17).find("MASZ"), std::string::npos);

  NewSession();
  bool waited = false;
  backend_.Then([&] { waited = true; });
  ASSERT_TRUE(Build("BEZ_INIT_DBF"));
  EXPECT_FALSE(waited);
}

TEST_F(InitTablesTest, ErasesTheDriverIndexAndTheEndMarker) {
  ASSERT_TRUE(mem_.SetContents("kierowca.ntx", "x").ok());
  ASSERT_TRUE(mem_.SetContents("KONIEC.TXT", "x").ok());
  ASSERT_TRUE(Build());
  EXPECT_FALSE(mem_.Exists("kierowca.ntx"));
  EXPECT_FALSE(mem_.Exists("KONIEC.TXT"));
  EXPECT_TRUE(Shown("Indeksowanie - prosze czekac"));
  EXPECT_TRUE(Shown("Indeksowanie pliku as.dbf"));
}

TEST_F(InitTablesTest, RecreatedDocumentHeadersPutANewFirstLineInTheCreationLog) {
  ASSERT_TRUE(Build());
  const std::string first = mem_.Contents("dowod.log").value_or("");
  EXPECT_NE(first.find("14.03.26,09:00:00, plik: 26/03/dowod, "), std::string::npos) << first;

  clock_.Advance(3600 * 1000);
  NewSession();
  ASSERT_TRUE(RemoveTableFiles(mem_, "26/03/dowod").ok());
  ASSERT_TRUE(Build());
  const std::string log = mem_.Contents("dowod.log").value_or("");
  EXPECT_EQ(log.rfind("14.03.26,10:00:00, plik: 26/03/dowod, ", 0), 0u) << log;
  EXPECT_NE(log.find("14.03.26,09:00:00, plik: 26/03/dowod, "), std::string::npos) << log;
}

TEST_F(InitTablesTest, DocumentHeadersUpgradedToANewStructureAreInTheCreationLogToo) {
  ASSERT_TRUE(Build());
  // An older dowod: the last field of the current structure missing.
  std::vector<Field> old = ResolveFields(Table(TableId::kDowod), s().Markers());
  old.pop_back();
  clock_.Advance(3600 * 1000);
  NewSession();
  ASSERT_TRUE(RemoveTableFiles(mem_, "26/03/dowod").ok());
  CreateTableAt("26/03/dowod.dbf", old);
  ASSERT_TRUE(mem_.Remove("dowod.log").ok());
  ASSERT_TRUE(Build());
  const std::string log = mem_.Contents("dowod.log").value_or("");
  EXPECT_EQ(log.rfind("14.03.26,10:00:00, plik: 26/03/dowod, RebuildTable(", 0), 0u) << log;
  EXPECT_NE(log.find(", BuildTable("), std::string::npos) << log;
}

TEST_F(InitTablesTest, AdvanceInvoiceOptionAddsItsKindsOnce) {
  Marker("FV_ZAL.TXT");
  ASSERT_TRUE(Build());
  NewSession();
  ASSERT_TRUE(Build());
  xbase::WorkArea& slow = AreaOf(TableId::kSlow);
  ASSERT_TRUE(slow.Seek(Value("FZ ")).ok());
  EXPECT_TRUE(slow.found());
  EXPECT_EQ(RTrim(slow.Get("OPIS")->AsString()), "FAKTURA ZALICZKOWA");
  EXPECT_EQ(slow.Get("NB")->AsString(), "B");
  ASSERT_TRUE(slow.Seek(Value("ZAM")).ok());
  EXPECT_TRUE(slow.found());
  EXPECT_EQ(*slow.RecCount(), 2u);
  EXPECT_TRUE(mem_.Exists("fv_zam/dowod.dbf"));
  EXPECT_TRUE(mem_.Exists("fv_zal/dowod3.ntx"));
}

TEST_F(InitTablesTest, ATableAnotherStationHoldsStopsTheBuildAfterTwentyAttempts) {
  ASSERT_TRUE(Build());
  xbase::WorkAreas other(env_);
  ASSERT_TRUE(other.Open(5, "26/03/dow.dbf", "dow").ok());
  NewSession();
  ui_.calls.clear();
  EXPECT_FALSE(Build());
  EXPECT_TRUE(ui_.Has("alert Plik 26/03/dow niedostepny"));
  EXPECT_EQ(ui_.Count("wait 1000"), 20);  // 20 attempts, each followed by a second
  // Nothing is left open but the company table.
  for (int area = 2; area <= xbase::WorkAreas::kMaxArea; ++area) EXPECT_EQ(s().areas().Area(area), nullptr) << area;

  ASSERT_TRUE(other.Close(5).ok());
  NewSession();
  EXPECT_TRUE(Build());
}

TEST_F(InitTablesTest, ACopyDroppedInNoteReplacesThePeriodsTable) {
  // The folder and the file however their names were written.
  for (const std::string dropped : {"note/as", "NOTE/AS", "Note/As"}) {
    SCOPED_TRACE(dropped);
    NewSession();
    ASSERT_TRUE(Build());
    AddRecord(AreaOf(TableId::kAs), {{"MAG", Value("1")}, {"INDEKS", Value("OLD")}});
    NewSession();

    std::vector<Field> fields = ResolveFields(Table(TableId::kAs), s().Markers());
    fields.push_back(Field{"ZRODLO", FieldType::kCharacter, 12, 0});  // a field of the other system
    const std::string dbf = dropped + (dropped == "NOTE/AS" ? ".DBF" : ".dbf");
    CreateTableAt(dbf, fields);
    {
      xbase::WorkAreas other(env_);
      auto note = other.Open(1, dbf, "note");
      ASSERT_TRUE(note.ok());
      AddRecord(**note, {{"MAG", Value("2")}, {"INDEKS", Value("NEW1")}, {"ZRODLO", Value("kasa 3")}});
      AddRecord(**note, {{"MAG", Value("1")}, {"INDEKS", Value("NEW2")}, {"CENA", Value(12.34)}});
    }
    ASSERT_TRUE(Build()) << [&] { std::string t; for (auto& c : ui_.calls) t += c + "\n"; return t; }();
    EXPECT_FALSE(mem_.Exists(dbf));
    xbase::WorkArea& as = AreaOf(TableId::kAs);
    EXPECT_EQ(*as.RecCount(), 2u);
    ASSERT_TRUE(as.Seek(Value("1NEW2")).ok());
    ASSERT_TRUE(as.found());
    EXPECT_EQ(as.Get("CENA")->AsNumber(), 12.34);
    ASSERT_TRUE(as.Seek(Value("2NEW1")).ok());
    ASSERT_TRUE(as.found());
    EXPECT_EQ(RTrim(as.Get("ZRODLO")->AsString()), "kasa 3");
    ASSERT_TRUE(as.Seek(Value("1OLD")).ok());
    EXPECT_FALSE(as.found());
    ExpectAllOrdersMatch();
    // A second start finds nothing more to take.
    NewSession();
    ASSERT_TRUE(Build());
    EXPECT_EQ(*AreaOf(TableId::kAs).RecCount(), 2u);
  }
}

}  // namespace
}  // namespace hurt::store::init_test
