// Start-up build tests: a data directory in memory (behind a FaultEnv), a headless
// console and a session of station 1, with helpers to look at what the build made.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/clock.h"
#include "console/console.h"
#include "console/headless.h"
#include "shell/session.h"
#include "store/catalogue.h"
#include "store/fake_store_ui.h"
#include "store/init_tables.h"
#include "store/init_tables_layout.h"
#include "xbase/fault_env.h"
#include "xbase/memory_env.h"
#include "xbase/ntx.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

namespace hurt::store::init_test {

class InitTablesTest : public ::testing::Test {
 protected:
  InitTablesTest() { NewSession(); }

  // A fresh session over the same files (another start of the program).
  void NewSession(int station = 1) {
    session_.reset();
    shell::SessionOptions options;
    options.data_dir = ".";
    session_ = std::make_unique<shell::Session>(env_, con_, options);
    session_->set_stacja(station);
  }
  shell::Session& s() { return *session_; }

  void Marker(const std::string& name) { ASSERT_TRUE(mem_.SetContents(name, "").ok()); }
  void RemoveMarker(const std::string& name) { ASSERT_TRUE(mem_.Remove(name).ok()); }

  bool Build(std::string_view mode = "") { return InitNtx(s(), ui_, mode); }
  bool Open(std::string_view period = "") { return InitDbf(s(), ui_, period); }

  // The fields of a table on disk.
  std::vector<Field> FieldsOnDisk(const std::string& dbf) {
    auto t = xbase::Table::Open(mem_, dbf, xbase::TableMode::SharedReadOnly());
    EXPECT_TRUE(t.ok()) << dbf << ": " << t.status().ToString();
    return t.ok() ? FieldsOf((*t)->fields()) : std::vector<Field>{};
  }
  uint32_t CountOf(const std::string& dbf) {
    auto t = xbase::Table::Open(mem_, dbf, xbase::TableMode::SharedReadOnly());
    EXPECT_TRUE(t.ok()) << dbf << ": " << t.status().ToString();
    return t.ok() ? (*t)->RecordCount() : 0;
  }

  // Order n of an open area: the tree checks out, and it holds exactly one entry per
  // record, each with the key the expression gives for that record.
  void ExpectOrderMatchesTable(xbase::WorkArea& a, int n) {
    SCOPED_TRACE(a.alias() + " order " + std::to_string(n));
    xbase::NtxIndex* index = a.OrderIndex(n);
    ASSERT_NE(index, nullptr);
    auto stats = index->Verify(true);
    ASSERT_TRUE(stats.ok()) << stats.status().ToString();
    auto count = a.RecCount();
    ASSERT_TRUE(count.ok());
    EXPECT_EQ(stats->keys, *count);
    const int saved = a.order();
    a.SetDeletedHidden(false);
    ASSERT_TRUE(a.SetOrder(0).ok());
    xbase::NtxCursor cursor(*index);
    for (uint32_t r = 1; r <= *count; ++r) {
      ASSERT_TRUE(a.GoTo(r).ok());
      auto key = a.KeyOf(n);
      ASSERT_TRUE(key.ok()) << key.status().ToString();
      auto found = cursor.SeekEntry(*key, r);
      ASSERT_TRUE(found.ok()) << found.status().ToString();
      EXPECT_TRUE(*found) << "record " << r << " is missing under its key";
    }
    a.SetDeletedHidden(true);
    ASSERT_TRUE(a.SetOrder(saved).ok());
  }

  // Every order of every open area.
  void ExpectAllOrdersMatch() {
    for (int area = 1; area <= xbase::WorkAreas::kMaxArea; ++area) {
      xbase::WorkArea* a = s().areas().Area(area);
      if (a == nullptr) continue;
      for (int n = 1; n <= a->order_count(); ++n) ExpectOrderMatchesTable(*a, n);
    }
  }

  // Appends a record with the given field values through an area (locks and writes it).
  static void AddRecord(xbase::WorkArea& a, const std::vector<std::pair<std::string, xbase::Value>>& values) {
    ASSERT_TRUE(a.Append().ok());
    for (const auto& [field, value] : values) {
      Status s = a.Replace(field, value);
      ASSERT_TRUE(s.ok()) << field << ": " << s.ToString();
    }
    ASSERT_TRUE(a.Unlock().ok());
  }

  FakeClock clock_{2026, 3, 14, 9, 0, 0};
  xbase::MemoryEnv mem_{clock_};
  xbase::FaultEnv env_{mem_};
  console::HeadlessBackend backend_{clock_};
  console::Console con_{backend_, clock_};
  testing::FakeStoreUi ui_{clock_};
  std::unique_ptr<shell::Session> session_;
};

}  // namespace hurt::store::init_test
