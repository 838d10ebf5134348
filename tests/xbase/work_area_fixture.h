// Work-area tests: a document-line table shaped like `dow` (the fields its three orders
// read and a few more), helpers to fill it, and a check that an order holds exactly the
// keys its expression gives for the table's records, in order.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/clock.h"
#include "base/date.h"
#include "xbase/env_fixture.h"
#include "xbase/memory_env.h"
#include "xbase/ntx.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

namespace hurt::xbase::wa_test {

using test_env::EnvKind;

inline const char* const kDow1 = "rd+nrd+lp";
inline const char* const kDow2 = "DTOS(data)+IIF(r_p=\"P\",\"A\",r_p)+s_z+rd+nrd+lp";
inline const char* const kDow3 = "DTOS(data)+mag+indeks";

inline std::vector<DbfFieldDescriptor> DowFields() {
  return {{"R_P", 'C', 1, 0},    {"S_Z", 'C', 1, 0},   {"RD", 'C', 3, 0},      {"NRD", 'C', 8, 0},
          {"DATA", 'D', 8, 0},   {"MAG", 'C', 1, 0},   {"LP", 'C', 3, 0},      {"INDEKS", 'C', 8, 0},
          {"NAZWA", 'C', 20, 0}, {"ILOSC", 'N', 10, 3}, {"CENA", 'N', 12, 2}};
}

inline std::vector<DbfFieldDescriptor> AsFields() {
  return {{"MAG", 'C', 1, 0}, {"INDEKS", 'C', 8, 0}, {"NAZWA", 'C', 20, 0}, {"STAN", 'N', 10, 3}};
}

struct Line {
  std::string rd = "FV ";
  std::string nrd;
  std::string lp = "  1";
  JulianDay data = JulianFromYmd(2026, 3, 1);
  std::string mag = "1";
  std::string indeks;
  double ilosc = 1;
  std::string r_p = "R";
  std::string s_z = "S";
};

// Appends one line through the work area and writes it (unlocking it).
inline Status AddLine(WorkArea& a, const Line& l) {
  HURT_RETURN_IF_ERROR(a.Append());
  HURT_RETURN_IF_ERROR(a.Replace("R_P", l.r_p));
  HURT_RETURN_IF_ERROR(a.Replace("S_Z", l.s_z));
  HURT_RETURN_IF_ERROR(a.Replace("RD", l.rd));
  HURT_RETURN_IF_ERROR(a.Replace("NRD", l.nrd));
  HURT_RETURN_IF_ERROR(a.Replace("LP", l.lp));
  HURT_RETURN_IF_ERROR(a.Replace("DATA", Date{l.data}));
  HURT_RETURN_IF_ERROR(a.Replace("MAG", l.mag));
  HURT_RETURN_IF_ERROR(a.Replace("INDEKS", l.indeks));
  HURT_RETURN_IF_ERROR(a.Replace("ILOSC", l.ilosc));
  return a.Unlock();
}

// Every (key, record) entry of an index, walked with a cursor from the top.
inline Result<std::vector<std::pair<std::string, uint32_t>>> IndexEntries(NtxIndex& index) {
  std::vector<std::pair<std::string, uint32_t>> out;
  NtxCursor cursor(index);
  HURT_RETURN_IF_ERROR(cursor.GoTop());
  while (!cursor.eof()) {
    out.emplace_back(std::string(cursor.key()), cursor.recno());
    HURT_RETURN_IF_ERROR(cursor.Skip(1));
  }
  return out;
}

// Checks order n of the area: the tree verifies, and its entries are exactly the keys
// that the key expression gives for every record of the table, sorted. The key of each
// record is computed by a second, independent work-area session reading the table.
inline void ExpectOrderMatchesTable(Env& env, WorkArea& area, int n) {
  SCOPED_TRACE("order " + std::to_string(n) + " of " + area.path());
  NtxIndex* index = area.OrderIndex(n);
  ASSERT_NE(index, nullptr);
  auto verified = index->Verify(/*strict=*/false);
  ASSERT_TRUE(verified.ok()) << verified.status().ToString();
  auto entries = IndexEntries(*index);
  ASSERT_TRUE(entries.ok()) << entries.status().ToString();

  WorkAreas other(env);
  auto opened = other.Open(1, area.path(), "CHECK", {.exclusive = false, .read_only = true});
  ASSERT_TRUE(opened.ok()) << opened.status().ToString();
  auto key = other.Compile(1, area.Order(n)->key_expression);
  ASSERT_TRUE(key.ok()) << key.status().ToString();
  auto shape = KeyShape{area.Order(n)->shape};
  std::vector<std::pair<std::string, uint32_t>> expected;
  WorkArea& check = **opened;
  check.SetDeletedHidden(false);
  HURT_ASSERT_OK(check.GoTop());
  while (!check.eof()) {
    std::string k;
    HURT_ASSERT_OK(AppendKey(*key, shape, other, &k));
    expected.emplace_back(k, check.recno());
    HURT_ASSERT_OK(check.Skip());
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(*entries, expected);
  EXPECT_EQ(verified->keys, expected.size());
}

// A data folder on the memory file system with `dow` and `as` tables.
class WorkAreaTest : public ::testing::Test {
 protected:
  WorkAreaTest() : clock_(2026, 3, 14), env_(clock_), areas_(env_) {}

  void SetUp() override {
    HURT_ASSERT_OK(Table::Create(env_, "dow.dbf", DowFields()));
    HURT_ASSERT_OK(Table::Create(env_, "as.dbf", AsFields()));
  }

  WorkArea& OpenDow(WorkAreas& areas, bool exclusive = false) {
    auto a = areas.Open(5, "dow.dbf", "dow", {.exclusive = exclusive});
    EXPECT_TRUE(a.ok()) << a.status().ToString();
    return **a;
  }

  // Opens dow in area 5 and builds its three orders (controlling order stays 0).
  WorkArea& OpenDowWithOrders(WorkAreas& areas) {
    WorkArea& a = OpenDow(areas);
    EXPECT_TRUE(a.LockFile().ok());
    std::vector<OrderDefinition> definitions = {{"dow1.ntx", kDow1, {}}, {"dow2.ntx", kDow2, {}}, {"dow3.ntx", kDow3, {}}};
    auto built = a.CreateOrders(definitions);
    EXPECT_TRUE(built.ok()) << built.status().ToString();
    EXPECT_TRUE(a.Unlock().ok());
    return a;
  }

  FakeClock clock_;
  MemoryEnv env_;
  WorkAreas areas_;
};

inline std::string Nrd(int n) {
  std::string s = std::to_string(n);
  return std::string(8 - std::min<size_t>(8, s.size()), ' ') + s;
}

inline std::string Text(const Result<Value>& v) { return v.ok() ? v->AsString() : "<" + v.status().ToString() + ">"; }

}  // namespace hurt::xbase::wa_test
