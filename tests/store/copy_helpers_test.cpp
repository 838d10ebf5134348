// The record-copy helpers on work areas of an in-memory data folder: which fields go
// across, which records, in which state the areas are left, and ZAMIEN's replacement of
// the whole target.
#include "store/copy_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "base/cp852.h"
#include "base/date.h"
#include "base/text.h"
#include "store/copy_fields.h"
#include "store/fake_store_ui.h"
#include "store/table_create.h"
#include "support/status_assert.h"
#include "xbase/memory_env.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

namespace hurt::store {
namespace {

using namespace hurt::literals;

using Row = std::map<std::string, xbase::Value>;

class SessionVariables final : public xbase::Variables {
 public:
  const xbase::Value* Find(std::string_view name) const override {
    auto it = values.find(std::string(name));
    return it == values.end() ? nullptr : &it->second;
  }
  std::map<std::string, xbase::Value> values;
};

xbase::Value Day(int y, int m, int d) { return xbase::Date{JulianFromYmd(y, m, d)}; }

// Customers: the target of the update helpers, and the station's copy as their source.
const std::vector<xbase::DbfFieldDescriptor> kZo = {{"ODB", 'C', 8, 0},      {"NODB", 'C', 30, 0},
                                                     {"OBWN", 'N', 15, 2},   {"OBMA", 'N', 15, 2},
                                                     {"TEL", 'C', 20, 0},    {"DATA_KON", 'D', 8, 0},
                                                     {"AKTYWNY", 'L', 1, 0}};
const std::vector<xbase::DbfFieldDescriptor> kZoCopy = {{"ODB", 'C', 8, 0},     {"NODB", 'C', 40, 0},
                                                         {"OBWN", 'N', 12, 2},  {"OBMA", 'N', 15, 2},
                                                         {"TEL", 'N', 10, 0},   {"DATA_KON", 'D', 8, 0},
                                                         {"AKTYWNY", 'L', 1, 0}, {"ZAP", 'C', 1, 0}};
// Settlements: fa_N and a station's work table holding part of its fields.
const std::vector<xbase::DbfFieldDescriptor> kFaN = {{"RD", 'C', 3, 0},     {"NRD", 'C', 8, 0},
                                                      {"KTO", 'C', 1, 0},    {"ODB", 'C', 8, 0},
                                                      {"OBWN", 'N', 14, 2},  {"OBMA", 'N', 14, 2},
                                                      {"WALUTA", 'C', 3, 0}, {"KURS", 'N', 12, 6}};
const std::vector<xbase::DbfFieldDescriptor> kRobFaN = {{"RD", 'C', 3, 0},    {"NRD", 'C', 8, 0},
                                                         {"KTO", 'C', 1, 0},   {"ODB", 'C', 8, 0},
                                                         {"OBWN", 'N', 14, 2}, {"OBMA", 'N', 14, 2},
                                                         {"ZAP", 'C', 1, 0}};

class CopyHelpersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HURT_ASSERT_OK(env_.CreateDirs("rob"));
    HURT_ASSERT_OK(areas_.Select(1));
  }

  // Creates a table holding the rows; `deleted` lists 1-based rows to mark deleted.
  void MakeTable(const std::string& path, const std::vector<xbase::DbfFieldDescriptor>& fields,
                 const std::vector<Row>& rows, const std::vector<int>& deleted = {}) {
    HURT_ASSERT_OK(xbase::Table::Create(env_, path, fields));
    auto t = xbase::Table::Open(env_, path, xbase::TableMode::Exclusive());
    ASSERT_TRUE(t.ok());
    for (size_t i = 0; i < rows.size(); ++i) {
      xbase::Record r = (*t)->NewRecord();
      for (const auto& [name, value] : rows[i]) HURT_ASSERT_OK(r.SetValue(name, value));
      r.SetDeleted(std::find(deleted.begin(), deleted.end(), static_cast<int>(i + 1)) != deleted.end());
      ASSERT_TRUE((*t)->Append(r).ok());
    }
    HURT_ASSERT_OK((*t)->Close());
  }

  xbase::WorkArea& Open(int area, const std::string& path, const std::string& alias, bool exclusive = false) {
    auto a = areas_.Open(area, path, alias, {.exclusive = exclusive});
    EXPECT_TRUE(a.ok()) << a.status().ToString();
    return **a;
  }

  void AddOrder(xbase::WorkArea& a, const std::string& ntx, const std::string& key) {
    HURT_ASSERT_OK(a.LockFile());
    auto n = a.CreateOrder(ntx, key);
    ASSERT_TRUE(n.ok()) << n.status().ToString();
    HURT_ASSERT_OK(a.Unlock());
    HURT_ASSERT_OK(a.SetOrder(*n));
  }

  // Field values of every record in natural order, deleted ones marked with "*".
  std::vector<std::string> Dump(xbase::WorkArea& a, const std::vector<std::string>& fields) {
    std::vector<std::string> out;
    const int order = a.order();
    const bool hidden = a.deleted_hidden();
    EXPECT_TRUE(a.SetOrder(0).ok());
    a.SetDeletedHidden(false);
    EXPECT_TRUE(a.GoTop().ok());
    while (!a.eof()) {
      std::string line = a.deleted() ? "*" : "";
      for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += "|";
        line += AllTrim(a.FieldBytes(a.FieldIndex(fields[i])));
      }
      out.push_back(line);
      EXPECT_TRUE(a.Skip().ok());
    }
    a.SetDeletedHidden(hidden);
    EXPECT_TRUE(a.SetOrder(order).ok());
    return out;
  }

  // The record numbers of the visible records in the controlling order.
  std::vector<uint32_t> Visit(xbase::WorkArea& a) {
    std::vector<uint32_t> out;
    EXPECT_TRUE(a.GoTop().ok());
    while (!a.eof() && out.size() < 100) {
      out.push_back(a.recno());
      EXPECT_TRUE(a.Skip().ok());
    }
    return out;
  }

  // Opens zo (area 3, ordered by "odb") and the station's copy (area 50).
  void OpenCustomers() {
    MakeTable("zo.dbf", kZo,
              {{{"ODB", "K1"}, {"NODB", "Stara nazwa"}, {"OBWN", 100.0}, {"OBMA", 50.0}, {"TEL", "123"},
                {"DATA_KON", Day(2024, 1, 1)}, {"AKTYWNY", true}},
               {{"ODB", "K2"}, {"NODB", "Druga"}, {"OBWN", 1.0}}});
    MakeTable("rob/zo01.dbf", kZoCopy,
              {{{"ODB", "K1"}, {"NODB", ""}, {"OBWN", 0.0}, {"OBMA", 7.5}, {"TEL", 555.0}, {"AKTYWNY", false}},
               {{"ODB", "K3"}, {"NODB", std::string("Nowy klient z bardzo długą nazwą"_pl)}, {"OBWN", 12.34}, {"OBMA", 0.0},
                {"DATA_KON", Day(2026, 3, 1)}, {"AKTYWNY", true}}});
    AddOrder(Open(3, "zo.dbf", "zo"), "zo.ntx", "odb");
    Open(50, "rob/zo01.dbf", "zo01");
  }

  SessionVariables vars_;
  FakeClock clock_{2026, 3, 14};
  xbase::MemoryEnv env_{clock_};
  xbase::WorkAreas areas_{env_, &vars_};
  xbase::WorkAreas other_{env_};
  testing::FakeStoreUi ui_{clock_};
  StoreContext ctx_{areas_, ui_};
};

// --- field pairing ----------------------------------------------------------------------

TEST_F(CopyHelpersTest, FieldsArePairedByNameAndType) {
  const FieldCopier copier = FieldCopier::Match(xbase::TableSchema(kZo), xbase::TableSchema(kZoCopy));
  std::vector<std::string> paired;
  for (const auto& p : copier.pairs()) paired.push_back(kZo[static_cast<size_t>(p.target)].name + (p.same_shape ? "" : "~"));
  // TEL is text here and a number there: left out. NODB and OBWN differ in width.
  EXPECT_EQ(paired, (std::vector<std::string>{"ODB", "NODB~", "OBWN~", "OBMA", "DATA_KON", "AKTYWNY"}));
  EXPECT_EQ(copier.unmatched(), (std::vector<int>{4}));
}

TEST_F(CopyHelpersTest, ANumberTooWideForTheTargetIsRefusedNotCut) {
  MakeTable("duze.dbf", {{"ODB", 'C', 8, 0}, {"OBWN", 'N', 19, 2}}, {{{"ODB", "K9"}, {"OBWN", 123456789012.5}}});
  MakeTable("male.dbf", {{"ODB", 'C', 4, 0}, {"OBWN", 'N', 8, 2}}, {});
  xbase::WorkArea& target = Open(10, "male.dbf", "male");
  xbase::WorkArea& source = Open(11, "duze.dbf", "duze");
  HURT_ASSERT_OK(source.GoTop());
  Status s = AppendXFromYAll(ctx_, 10, 11, "");
  EXPECT_TRUE(s.IsInvalid()) << s.ToString();
  EXPECT_NE(s.message().find("male->OBWN"), std::string::npos) << s.message();
  EXPECT_EQ(areas_.current(), 1);
  (void)target;
}

// --- UPDATE_X_FROM_Y and UPDATE0_X_FROM_Y -----------------------------------------------

TEST_F(CopyHelpersTest, UpdateCopiesNumbersAlwaysAndOtherFieldsWhenNotEmpty) {
  OpenCustomers();
  HURT_ASSERT_OK(UpdateXFromY(ctx_, 3, 50, "odb"));
  xbase::WorkArea& zo = *areas_.Area(3);
  EXPECT_EQ(Dump(zo, {"ODB", "NODB", "OBWN", "OBMA", "TEL", "DATA_KON", "AKTYWNY"}),
            (std::vector<std::string>{
                "K1|Stara nazwa|0.00|7.50|123|20240101|T",  // blank name, empty date, .F. not copied
                "K2|Druga|1.00||||",  // not in the source: untouched
                "K3|" + std::string("Nowy klient z bardzo długą naz"_pl) + "|12.34|0.00||20260301|T"}));
  // The caller's area, the target's order and the locks are as they were.
  EXPECT_EQ(areas_.current(), 1);
  EXPECT_EQ(zo.order(), 1);
  EXPECT_TRUE(zo.table().LockedRecords().empty());
  EXPECT_EQ(Visit(zo), (std::vector<uint32_t>{1, 2, 3}));
  // The progress window over a saved screen.
  EXPECT_EQ(ui_.calls.front(), "progress-open ════ Odtwarzanie zbioru ZO.DBF ════");
  EXPECT_TRUE(ui_.Has("progress 50% "));
  EXPECT_TRUE(ui_.Has("progress 100% "));
  std::string full_bar;
  for (int i = 0; i < 31; ++i) full_bar += "█";
  EXPECT_EQ(ui_.last_bar, full_bar);
  EXPECT_EQ(ui_.calls.back(), "progress-close");
}

TEST_F(CopyHelpersTest, Update0GivesNewRecordsTheirFieldsAndOldOnesOnlyNumbers) {
  OpenCustomers();
  HURT_ASSERT_OK(Update0XFromY(ctx_, 3, 50, "odb"));
  xbase::WorkArea& zo = *areas_.Area(3);
  const std::vector<std::string> rows = Dump(zo, {"ODB", "NODB", "OBWN", "OBMA", "TEL", "DATA_KON", "AKTYWNY"});
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], "K1|Stara nazwa|0.00|7.50|123|20240101|T");
  // The appended record: non-empty fields only; the zero OBMA stays blank.
  EXPECT_EQ(rows[2].substr(rows[2].find("|12.34")), "|12.34|||20260301|T");
  EXPECT_EQ(ui_.calls.front().rfind("progress-open-clear ", 0), 0u);
}

TEST_F(CopyHelpersTest, UpdateStopsWhenATargetRecordStaysLocked) {
  OpenCustomers();
  auto theirs = other_.Open(3, "zo.dbf", "zo");
  ASSERT_TRUE(theirs.ok());
  HURT_ASSERT_OK((*theirs)->GoTo(1));
  HURT_ASSERT_OK((*theirs)->LockRecord());

  Status s = UpdateXFromY(ctx_, 3, 50, "odb");
  EXPECT_TRUE(s.IsBusy()) << s.ToString();
  EXPECT_EQ(ui_.waits, 20);  // REC_LOCK(10)
  EXPECT_EQ(clock_.Elapsed(), 10000);
  EXPECT_EQ(areas_.current(), 1);
  EXPECT_EQ(ui_.calls.back(), "progress-close");
  EXPECT_EQ(Dump(*areas_.Area(3), {"ODB"}).size(), 2u);  // K3 was not reached
}

// --- ZAMIEN_X_FROM_Y --------------------------------------------------------------------

class ZamienTest : public CopyHelpersTest {
 protected:
  void OpenSettlements(int target_rows, const std::vector<int>& target_deleted) {
    std::vector<Row> rows;
    for (int i = 1; i <= target_rows; ++i) {
      rows.push_back({{"RD", "FV "}, {"NRD", "A" + std::to_string(i)}, {"KTO", "O"}, {"ODB", "K1"},
                      {"OBWN", 10.0 * i}, {"WALUTA", "EUR"}, {"KURS", 4.5}});
    }
    MakeTable("fa_n.dbf", kFaN, rows, target_deleted);
    MakeTable("rob/fa_n01.dbf", kRobFaN,
              {{{"RD", "FV "}, {"NRD", "S1"}, {"KTO", "O"}, {"ODB", "K1"}, {"OBWN", 1.0}},
               {{"RD", "FV "}, {"NRD", "S2"}, {"KTO", "O"}, {"ODB", "K1"}, {"OBWN", 2.0}},
               {{"RD", "KP "}, {"NRD", "S3"}, {"KTO", "O"}, {"ODB", "K1"}, {"OBMA", 3.0}},
               {{"RD", "FV "}, {"NRD", "S4"}, {"KTO", "O"}, {"ODB", "K2"}, {"OBWN", 4.0}}},
              {2});
    AddOrder(Open(7, "fa_n.dbf", "fa_N"), "fa_n.ntx", "rd+nrd+STR(RECNO(),6)");
    Open(55, "rob/fa_n01.dbf", "fa_n01");
  }
};

TEST_F(ZamienTest, TheTargetEndsWithExactlyTheSourcesLiveRecords) {
  OpenSettlements(5, {4});
  HURT_ASSERT_OK(ZamienXFromY(ctx_, 7, 55));
  xbase::WorkArea& fa = *areas_.Area(7);
  // The first target record is overwritten like the others; the fields the work table
  // does not have are blanked; what is left over is deleted.
  EXPECT_EQ(Dump(fa, {"RD", "NRD", "ODB", "OBWN", "OBMA", "WALUTA", "KURS"}),
            (std::vector<std::string>{"FV|S1|K1|1.00|||", "KP|S3|K1||3.00||", "FV|S4|K2|4.00|||",
                                      "*FV|A4|K1|40.00||EUR|4.500000", "*FV|A5|K1|50.00||EUR|4.500000"}));
  // Back in order 1 with deleted records hidden; the order holds the new keys.
  EXPECT_EQ(fa.order(), 1);
  EXPECT_TRUE(fa.deleted_hidden());
  EXPECT_EQ(Visit(fa), (std::vector<uint32_t>{1, 3, 2}));
  auto verified = fa.OrderIndex(1)->Verify();
  ASSERT_TRUE(verified.ok()) << verified.status().ToString();
  EXPECT_EQ(verified->keys, 5u);
  EXPECT_TRUE(fa.table().LockedRecords().empty());
  EXPECT_EQ(areas_.current(), 1);
  // The source keeps its deleted record hidden and is not changed.
  EXPECT_TRUE(areas_.Area(55)->deleted_hidden());
  EXPECT_EQ(Dump(*areas_.Area(55), {"NRD"}), (std::vector<std::string>{"S1", "*S2", "S3", "S4"}));
}

TEST_F(ZamienTest, ATargetShorterThanTheSourceGrowsAndItsDeletedRecordsComeBack) {
  OpenSettlements(2, {2});
  HURT_ASSERT_OK(ZamienXFromY(ctx_, 7, 55));
  EXPECT_EQ(Dump(*areas_.Area(7), {"NRD", "OBWN"}), (std::vector<std::string>{"S1|1.00", "S3|", "S4|4.00"}));
  EXPECT_TRUE(ui_.Has("progress 100% "));
}

TEST_F(ZamienTest, AnEmptySourceEmptiesTheTarget) {
  OpenSettlements(3, {});
  MakeTable("rob/pusta.dbf", kRobFaN, {});
  Open(56, "rob/pusta.dbf", "pusta");
  HURT_ASSERT_OK(ZamienXFromY(ctx_, 7, 56));
  EXPECT_EQ(Dump(*areas_.Area(7), {"NRD"}), (std::vector<std::string>{"*A1", "*A2", "*A3"}));
  EXPECT_TRUE(Visit(*areas_.Area(7)).empty());
}

// --- _APPEND_X_FROM_Y, APPEND_X_FROM_Y and APP_X_FROM_Y ------------------------------------

class AppendTest : public CopyHelpersTest {
 protected:
  void SetUp() override {
    CopyHelpersTest::SetUp();
    // In "kto+odb" order: O/K1 10, O/K1 0, O/K2 5, O/K3 7, D/K1 9 (D sorts first).
    MakeTable("fa_n.dbf", kFaN,
              {{{"NRD", "1"}, {"KTO", "O"}, {"ODB", "K1"}, {"OBWN", 10.0}},
               {{"NRD", "2"}, {"KTO", "D"}, {"ODB", "K1"}, {"OBWN", 9.0}},
               {{"NRD", "3"}, {"KTO", "O"}, {"ODB", "K2"}, {"OBWN", 5.0}},
               {{"NRD", "4"}, {"KTO", "O"}, {"ODB", "K1"}, {"OBWN", 0.0}},
               {{"NRD", "5"}, {"KTO", "O"}, {"ODB", "K3"}, {"OBWN", 7.0}},
               {{"NRD", "6"}, {"KTO", "O"}, {"ODB", "K4"}, {"OBWN", 8.0}}},
              {6});
    AddOrder(Open(7, "fa_n.dbf", "fa_N"), "fa_n2.ntx", "kto+odb");
    MakeTable("rob/wyb01.dbf", kRobFaN, {{{"NRD", "stary"}}});
    Open(60, "rob/wyb01.dbf", "wyb", /*exclusive=*/true);
    vars_.values["M_KTO"] = xbase::Value("O");
    vars_.values["M_ODB"] = xbase::Value("K1");
  }
  std::vector<std::string> Target() { return Dump(*areas_.Area(60), {"NRD"}); }
};

TEST_F(AppendTest, AppendAllTakesEveryRecordForWhichTheConditionHolds) {
  HURT_ASSERT_OK(AppendXFromYAll(ctx_, 60, 7, "kto+odb=M_kto+M_odb"));
  EXPECT_EQ(Target(), (std::vector<std::string>{"1", "4"}));
  // With keep the target is not emptied first; "" takes every visible record.
  HURT_ASSERT_OK(AppendXFromYAll(ctx_, 60, 7, "", /*keep=*/true));
  EXPECT_EQ(Target(), (std::vector<std::string>{"1", "4", "2", "1", "4", "3", "5"}));
  EXPECT_EQ(areas_.current(), 1);
}

TEST_F(AppendTest, AppendStopsAtTheFirstRecordFailingTheCondition) {
  HURT_ASSERT_OK(AppendXFromY(ctx_, 60, 7, "M_kto", "obwn > 0"));
  EXPECT_EQ(Target(), (std::vector<std::string>{"1"}));  // O/K1 0 ends the run
  HURT_ASSERT_OK(AppendXFromY(ctx_, 60, 7, "M_kto+M_odb", "kto='O'", /*keep=*/true));
  EXPECT_EQ(Target(), (std::vector<std::string>{"1", "1", "4", "3", "5"}));
  // A key that is not there copies nothing (and still empties the target).
  HURT_ASSERT_OK(AppendXFromY(ctx_, 60, 7, "'X'", ""));
  EXPECT_TRUE(Target().empty());
}

TEST_F(AppendTest, AppSkipsForFailuresAndStopsAtTheWhileFailure) {
  xbase::WorkArea& fa = *areas_.Area(7);
  HURT_ASSERT_OK(fa.GoTo(2));
  HURT_ASSERT_OK(AppXFromY(ctx_, 60, 7, "M_kto", "kto=M_kto", "obwn > 0"));
  EXPECT_EQ(Target(), (std::vector<std::string>{"1", "3", "5"}));  // O/K1 0 skipped, the D ends nothing
  EXPECT_EQ(fa.recno(), 2u);  // the source is back where it stood
  EXPECT_EQ(areas_.current(), 1);

  HURT_ASSERT_OK(AppXFromY(ctx_, 60, 7, "'O'", "odb<'K3'", ""));
  EXPECT_EQ(Target(), (std::vector<std::string>{"1", "4", "3"}));
}

TEST_F(AppendTest, ASharedTargetIsEmptiedByDeletingItsRecords) {
  MakeTable("rob/wsp.dbf", kRobFaN, {{{"NRD", "x"}}, {{"NRD", "y"}}});
  Open(61, "rob/wsp.dbf", "wsp");
  HURT_ASSERT_OK(AppendXFromY(ctx_, 61, 7, "'OK1'", ""));
  EXPECT_EQ(Dump(*areas_.Area(61), {"NRD"}), (std::vector<std::string>{"*x", "*y", "1", "4", "3", "5"}));
  EXPECT_TRUE(areas_.Area(61)->table().LockedRecords().empty());
  EXPECT_FALSE(areas_.Area(61)->table().IsFileLocked());
}

TEST_F(AppendTest, ConditionsThatDoNotCompileChangeNothing) {
  EXPECT_FALSE(AppendXFromYAll(ctx_, 60, 7, "brak_pola = 1").ok());
  EXPECT_FALSE(AppXFromY(ctx_, 60, 7, "M_kto", "kto=", "").ok());
  EXPECT_FALSE(AppendXFromY(ctx_, 60, 60, "M_kto", "").ok());  // one area is not two
  EXPECT_FALSE(AppendXFromY(ctx_, 60, 99, "M_kto", "").ok());  // nothing open in 99
  EXPECT_EQ(Target(), (std::vector<std::string>{"stary"}));
  EXPECT_EQ(areas_.current(), 1);
}

// --- APPEND_FROM --------------------------------------------------------------------------

TEST_F(CopyHelpersTest, AppendFromFillsAnUpgradedTableWithTheLiveRecords) {
  MakeTable("xxx.dbf", {{"ODB", 'C', 8, 0}, {"NODB", 'C', 20, 0}, {"OBWN", 'N', 10, 2}, {"STARE", 'C', 4, 0}},
            {{{"ODB", "K1"}, {"NODB", "Pierwszy"}, {"OBWN", 1.5}, {"STARE", "abc"}},
             {{"ODB", "K2"}, {"NODB", std::string("Usunięty"_pl)}},
             {{"ODB", "K3"}, {"NODB", "Trzeci"}, {"OBWN", -2.25}}},
            {2});
  HURT_ASSERT_OK(Tworz(ctx_, "zo,ODB       ,C,  8,  0,NODB      ,C, 50,  0,OBWN      ,N, 15,  2,NOWE      ,C,  2,  0"));
  HURT_ASSERT_OK(areas_.Select(3));
  xbase::WorkArea& zo = Open(3, "zo.dbf", "zo", true);
  HURT_ASSERT_OK(AppendFrom(ctx_, "XXX"));
  EXPECT_EQ(Dump(zo, {"ODB", "NODB", "OBWN", "NOWE"}),
            (std::vector<std::string>{"K1|Pierwszy|1.50|", "K3|Trzeci|-2.25|"}));

  Status s = AppendFrom(ctx_, "brak");
  EXPECT_TRUE(s.IsNotFound());
  EXPECT_TRUE(ui_.Has("alert ! Brak pliku brak.dbf"));
}

}  // namespace
}  // namespace hurt::store
