// Ordering without screens: the proposal's arithmetic and grouping, order numbers taken by
// stations at once and wrapping after 999, and order files replaced whole or not at all.
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "orders/order_list.h"
#include "orders/order_number.h"
#include "orders/order_rules.h"
#include "store/init_tables_layout.h"
#include "store/schema.h"
#include "support/temp_dir.h"
#include "xbase/fault_env.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

namespace hurt::orders {
namespace {

using hurt::testing::TempDir;

class QuietUi final : public store::StoreUi {
 public:
  void SaveArea(int, int, int, int) override {}
  void RestoreArea() override {}
  void Message(std::string_view) override {}
  void Alert(std::string_view) override {}
  bool WaitForKeyOrTimeout(int64_t) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return false;
  }
  void ProgressOpen(std::string_view, store::ProgressScreen) override {}
  void ProgressUpdate(std::string_view, std::string_view) override {}
  void ProgressClose() override {}
};

TEST(OrderRules, ProposalDailySalesAndNumbers) {
  EXPECT_EQ(ProposedQuantity(10, 3), 8);  // INT(1.2 x 7 + 0.5)
  EXPECT_EQ(ProposedQuantity(3, 10), 0);
  EXPECT_EQ(ProposedQuantity(5, 5), 0);
  EXPECT_EQ(ProposedQuantity(1, 0), 1);  // 1.7
  EXPECT_EQ(ProposedQuantity(2, 0), 2);  // 2.9

  const JulianDay d9 = JulianFromYmd(2026, 3, 9), d10 = JulianFromYmd(2026, 3, 10);
  EXPECT_TRUE(UsesDailySales(d9, true, d9 - 30, 4));
  EXPECT_FALSE(UsesDailySales(d9, true, d9 - 31, 4));   // too old
  EXPECT_FALSE(UsesDailySales(d10, true, d10 - 1, 4));  // past the ninth day
  EXPECT_FALSE(UsesDailySales(d9, false, d9 - 1, 4));   // an earlier month is open
  EXPECT_FALSE(UsesDailySales(d9, true, d9 - 1, 0));    // no daily quantity
  EXPECT_FALSE(UsesDailySales(d9, true, kEmptyDate, 4));

  EXPECT_EQ(GroupIndex("ABCD0001", 4), "ABCD    ");
  EXPECT_EQ(GroupIndex("AB", 8), "AB      ");
  EXPECT_EQ(OrderNumber(3, 7), "NR_03007");
  EXPECT_EQ(NextOrderSequence(998), 999);
  EXPECT_EQ(NextOrderSequence(999), 1);
  EXPECT_EQ(SequenceOfOrderFile("nr_03042.dbf", 3), 42);
  EXPECT_EQ(SequenceOfOrderFile("NR_03042.DBF", 3), 42);
  EXPECT_EQ(SequenceOfOrderFile("nr_04042.dbf", 3), 0);
  EXPECT_EQ(SequenceOfOrderFile("nr_03.lic", 3), 0);
}

// The article table with the fields the proposal reads, and the station's list.
class Proposal : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(xbase::Table::Create(env, dir / "as.dbf",
                                     {{"MAG", 'C', 1, 0},
                                      {"INDEKS", 'C', 8, 0},
                                      {"NAZWA", 'C', 30, 0},
                                      {"JM", 'C', 3, 0},
                                      {"CENA0", 'N', 14, 2},
                                      {"ODB", 'C', 8, 0},
                                      {"ILOSC", 'N', 19, 3},
                                      {"B_R_I", 'N', 19, 3},
                                      {"KOD13", 'C', 13, 0},
                                      {"DATA_SD", 'D', 8, 0},
                                      {"ILOSC_SD", 'N', 14, 3}})
                    .ok());
    std::vector<xbase::DbfFieldDescriptor> fields;
    for (const store::Field& f : store::ResolveFields(store::Table(store::TableId::kZamow), store::Markers()))
      fields.push_back(store::DescriptorOf(f));
    ASSERT_TRUE(xbase::Table::Create(env, dir / "zamow01.dbf", fields).ok());
    auto a = areas.Open(1, dir / "as.dbf", "as");
    ASSERT_TRUE(a.ok());
    as = *a;
    auto l = areas.Open(2, dir / "zamow01.dbf", "zamow", {.exclusive = true});
    ASSERT_TRUE(l.ok());
    list = *l;
    auto n = list->CreateOrder(dir / "zamow01.ntx", "mag+indeks");
    ASSERT_TRUE(n.ok());
    ASSERT_TRUE(list->SetOrder(*n).ok());
  }

  void Article(const std::string& mag, const std::string& indeks, const std::string& odb, double ilosc, double wydano,
               double cena = 2.5, JulianDay data_sd = kEmptyDate, double ilosc_sd = 0) {
    ASSERT_TRUE(as->Append().ok());
    ASSERT_TRUE(as->Replace("MAG", xbase::Value(mag)).ok());
    ASSERT_TRUE(as->Replace("INDEKS", xbase::Value(indeks)).ok());
    ASSERT_TRUE(as->Replace("NAZWA", xbase::Value("TOWAR " + indeks)).ok());
    ASSERT_TRUE(as->Replace("JM", xbase::Value("szt")).ok());
    ASSERT_TRUE(as->Replace("CENA0", xbase::Value(cena)).ok());
    ASSERT_TRUE(as->Replace("ODB", xbase::Value(odb)).ok());
    ASSERT_TRUE(as->Replace("ILOSC", xbase::Value(ilosc)).ok());
    ASSERT_TRUE(as->Replace("B_R_I", xbase::Value(wydano)).ok());
    ASSERT_TRUE(as->Replace("DATA_SD", xbase::Value(xbase::Date{data_sd})).ok());
    ASSERT_TRUE(as->Replace("ILOSC_SD", xbase::Value(ilosc_sd)).ok());
    ASSERT_TRUE(as->Commit().ok());
    ASSERT_TRUE(as->Unlock().ok());
  }

  // The list's rows in physical order: "LP MAG INDEKS STAN SPRZEDANO ZAMAWIAM WARTOSC0".
  std::vector<std::string> Rows() {
    std::vector<std::string> out;
    (void)list->SetOrder(0);
    for (Status st = list->GoTop(); st.ok() && !list->eof(); st = list->Skip(1)) {
      auto text = [&](const char* f) { return list->Get(f)->AsString(); };
      auto num = [&](const char* f) { return std::to_string(static_cast<long>(list->Get(f)->AsNumber())); };
      out.push_back(text("LP") + " " + text("MAG") + " " + text("INDEKS") + " " + num("STAN") + " " +
                    num("SPRZEDANO") + " " + num("ZAMAWIAM") + " " + num("WARTOSC0"));
    }
    (void)list->SetOrder(1);
    return out;
  }

  TempDir dir;
  xbase::Env& env = xbase::RealEnv();
  xbase::WorkAreas areas{env};
  xbase::WorkArea* as = nullptr;
  xbase::WorkArea* list = nullptr;
};

TEST_F(Proposal, GroupsByTheIndexBaseAndProposesFromIssuesAndStock) {
  Article("1", "ABCD0001", "MLECZARN", 2, 6);
  Article("1", "ABCD0002", "MLECZARN", 1, 4);   // the same group: stock 3, issued 10 -> 8
  Article("2", "ABCD0003", "MLECZARN", 10, 3);  // another warehouse: issued 3, stock 10 -> 0
  Article("1", "ABCD0004", "INNY    ", 0, 50);  // another supplier's
  Article("1", "XY000001", "MLECZARN", 0, 1, 9.99);
  ProposalRequest r{"MLECZARN", 4, false, JulianFromYmd(2026, 3, 20)};
  auto rows = ProposeOrder(*as, *list, r);
  ASSERT_TRUE(rows.ok()) << rows.status().message();
  EXPECT_EQ(*rows, 3);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"  1 1 ABCD     3 10 8 20", "  2 2 ABCD     10 3 0 0",
                                             "  3 1 XY00     0 1 1 9"}));
  EXPECT_EQ(ListValue(*list), 29);
}

TEST_F(Proposal, TheDailySalesStandForIssuesInTheFirstDaysOfTheCurrentMonth) {
  const JulianDay today = JulianFromYmd(2026, 3, 5);
  Article("1", "10014", "MLECZARN", 0, 100, 1, today - 3, 6);
  Article("1", "10015", "MLECZARN", 0, 100, 1, today - 40, 6);  // too old: B_R_I
  auto rows = ProposeOrder(*as, *list, {"MLECZARN", 8, true, today});
  ASSERT_TRUE(rows.ok());
  EXPECT_EQ(Rows(), (std::vector<std::string>{"  1 1 10014    0 6 7 7", "  2 1 10015    0 100 120 120"}));
}

TEST(OrderNumbers, TheThousandthOrderOfAMonthIsOneAgainAndFilesSetTheStart) {
  TempDir dir;
  QuietUi ui;
  xbase::Env& env = xbase::RealEnv();
  // Orders saved before the counter existed: the next follows the highest of the month.
  dir.Write("zamd/nr_03005.dbf", "");
  dir.Write("zamd/nr_04100.dbf", "");
  auto first = TakeOrderNumber(env, dir.str(), OrderSide::kSuppliers, 3, ui);
  ASSERT_TRUE(first.ok()) << first.status().message();
  EXPECT_EQ(*first, "NR_03006");
  // A side and a month of their own.
  EXPECT_EQ(*TakeOrderNumber(env, dir.str(), OrderSide::kCustomers, 3, ui), "NR_03001");
  EXPECT_EQ(*TakeOrderNumber(env, dir.str(), OrderSide::kSuppliers, 4, ui), "NR_04101");

  TempDir fresh;
  std::string last;
  for (int i = 1; i <= 1001; ++i) {
    auto n = TakeOrderNumber(env, fresh.str(), OrderSide::kSuppliers, 12, ui);
    ASSERT_TRUE(n.ok());
    if (i == 999) {
      EXPECT_EQ(*n, "NR_12999");
    }
    last = *n;
    if (i == 1000) {
      EXPECT_EQ(*n, "NR_12001");
    }
  }
  EXPECT_EQ(last, "NR_12002");
}

TEST(OrderNumbers, StationsTakingNumbersAtOnceNeverShareOne) {
  TempDir dir;
  std::vector<std::string> got[2];
  auto station = [&](int k) {
    QuietUi ui;
    for (int i = 0; i < 40; ++i) {
      auto n = TakeOrderNumber(xbase::RealEnv(), dir.str(), OrderSide::kSuppliers, 5, ui, 1000);
      if (n.ok()) got[k].push_back(*n);
    }
  };
  std::thread a(station, 0), b(station, 1);
  a.join();
  b.join();
  std::set<std::string> all(got[0].begin(), got[0].end());
  all.insert(got[1].begin(), got[1].end());
  EXPECT_EQ(got[0].size() + got[1].size(), 80u);
  EXPECT_EQ(all.size(), 80u);
  EXPECT_EQ(*all.rbegin(), "NR_05080");
}

TEST(OrderFiles, AnOrderSavedAgainReplacesTheOldOneWholeAndAFailedSaveKeepsIt) {
  TempDir dir;
  xbase::Env& env = xbase::RealEnv();
  const std::string path = OrderFilePath(dir.str(), OrderSide::kSuppliers, "NR_03001");
  EXPECT_EQ(path, dir / "zamd/nr_03001.dbf");
  ASSERT_TRUE(env.CreateDirs(dir / "zamd").ok());
  OrderFileContent c{"MLECZARN", "0", "pilne", false, {}};
  for (int i = 1; i <= 3; ++i)
    c.rows.push_back({"1", "1001" + std::to_string(i), "TOWAR", "szt", 2.6 * i, 0, "MLECZARN", ""});
  ASSERT_TRUE(SaveOrderFile(env, path, c, 1).ok());

  auto count = [&](const std::string& p) {
    xbase::WorkAreas areas(env);
    auto a = areas.Open(1, p, "Z");
    EXPECT_TRUE(a.ok());
    std::vector<std::string> rows;
    for (Status st = (*a)->GoTop(); st.ok() && !(*a)->eof(); st = (*a)->Skip(1))
      rows.push_back((*a)->Get("INDEKS")->AsString() + "=" + std::to_string((*a)->Get("ZAMAWIAM")->AsNumber()));
    EXPECT_EQ((*a)->FieldIndex("CENA0_AS"), -1);
    return rows;
  };
  EXPECT_EQ(count(path), (std::vector<std::string>{"10011   =3.000000", "10012   =5.000000", "10013   =8.000000"}));

  c.rows.resize(1);
  ASSERT_TRUE(SaveOrderFile(env, path, c, 1).ok());
  EXPECT_EQ(count(path), (std::vector<std::string>{"10011   =3.000000"}));

  // A write that fails half-way: the order saved before stays as it was, no stray file.
  xbase::FaultEnv faulty(env);
  faulty.FailWrite(3);
  c.rows.push_back({"1", "10099", "TOWAR", "szt", 7, 0, "MLECZARN", ""});
  EXPECT_FALSE(SaveOrderFile(faulty, path, c, 1).ok());
  EXPECT_EQ(count(path), (std::vector<std::string>{"10011   =3.000000"}));
  EXPECT_FALSE(dir.Exists("zamd/t01_nr_03001.dbf"));
}

}  // namespace
}  // namespace hurt::orders
