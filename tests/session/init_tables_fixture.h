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
#include "session/init_tables.h"
#include "session/session.h"
#include "store/fake_store_ui.h"
#include "store/init_tables_layout.h"
#include "store/init_tables_rebuild.h"
#include "store/schema.h"
#include "xbase/fault_env.h"
#include "xbase/memory_env.h"
#include "xbase/ntx.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

namespace hurt::store::init_test {

// Order n of an open area: the tree checks out, and it holds exactly one entry per
// record (deleted ones too), each with the key the expression gives for that record.
inline void ExpectOrderMatchesTable(xbase::WorkArea& a, int n) {
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
  ASSERT_TRUE(a.GoTop().ok());
}

// Every order of every open area of a set.
inline void ExpectAllOrdersMatch(xbase::WorkAreas& areas) {
  for (int area = 1; area <= xbase::WorkAreas::kMaxArea; ++area) {
    xbase::WorkArea* a = areas.Area(area);
    if (a == nullptr) continue;
    for (int n = 1; n <= a->order_count(); ++n) ExpectOrderMatchesTable(*a, n);
  }
}

class InitTablesTest : public ::testing::Test {
 protected:
  InitTablesTest() { NewSession(); }

  // A fresh session over the same files (another start of the program).
  void NewSession(int station = 1) {
    session_.reset();
    session::SessionOptions options;
    options.data_dir = ".";
    session_ = std::make_unique<session::Session>(env_, con_, options);
    session_->set_stacja(station);
  }
  session::Session& s() { return *session_; }

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

  void ExpectAllOrdersMatch() { init_test::ExpectAllOrdersMatch(s().areas()); }

  PathArgs Args() { return PathArgs{s().hh(), s().stacja(), {}}; }
  // The .dbf of a catalogue table in the session's period.
  std::string DbfOf(TableId id) { return TablePath(Table(id), Args()) + ".dbf"; }
  xbase::WorkArea& AreaOf(TableId id) {
    xbase::WorkArea* a = s().areas().Area(Table(id).area);
    EXPECT_NE(a, nullptr) << Table(id).alias;
    return *a;
  }

  // firma->BMR of the open session.
  void SetBmr(std::string_view bmr) {
    xbase::WorkArea& firma = AreaOf(TableId::kFirma);
    ASSERT_TRUE(firma.GoTop().ok());
    ASSERT_TRUE(firma.LockRecord().ok());
    ASSERT_TRUE(firma.Replace("BMR", std::string(bmr)).ok());
    ASSERT_TRUE(firma.Unlock().ok());
    ASSERT_TRUE(firma.Commit().ok());
  }
  std::string Bmr() {
    auto t = xbase::Table::Open(mem_, "firma.dbf", xbase::TableMode::SharedReadOnly());
    if (!t.ok()) return "?";
    xbase::Record rec;
    if (!(*t)->Read(1, &rec).ok()) return "?";
    return rec.GetValue((*t)->FieldIndex("BMR")).value_or(xbase::Value()).AsString();
  }

  // An empty table of a catalogue layout at a path, folders made on the way.
  void CreateTableAt(const std::string& dbf, const std::vector<Field>& fields) {
    const size_t slash = dbf.rfind('/');
    if (slash != std::string::npos) {
      ASSERT_TRUE(mem_.CreateDirs(dbf.substr(0, slash)).ok());
    }
    std::vector<xbase::DbfFieldDescriptor> d;
    for (const Field& f : fields) d.push_back(DescriptorOf(f));
    ASSERT_TRUE(xbase::Table::Create(mem_, dbf, d).ok()) << dbf;
  }

  // The messages shown through the helpers' screen, in order.
  std::vector<std::string> Messages() const {
    std::vector<std::string> out;
    for (const std::string& c : ui_.calls) {
      if (c.rfind("message ", 0) == 0) out.push_back(c.substr(8));
    }
    return out;
  }
  bool Shown(const std::string& message) const {
    const std::vector<std::string> all = Messages();
    return std::find(all.begin(), all.end(), message) != all.end();
  }

  // Every index file of every table of the build and of the session, opened by another
  // set of work areas: attached in catalogue order with the catalogue's keys, and each
  // one exactly right for its table.
  void ExpectEveryIndexFileRight() {
    xbase::WorkAreas other(env_);
    std::vector<TableId> ids(RebuildOrder().begin(), RebuildOrder().end());
    for (TableId id : {TableId::kDd, TableId::kZo, TableId::kZd, TableId::kZp, TableId::kZf, TableId::kZn}) {
      ids.push_back(id);
    }
    const Markers markers = s().Markers();
    for (TableId id : ids) {
      const TableDef& t = Table(id);
      const std::string dbf = TablePath(t, Args()) + ".dbf";
      if (!TableEnabled(t, markers) || !mem_.Exists(dbf)) continue;
      SCOPED_TRACE(dbf);
      auto opened = other.Open(200, dbf, t.alias, xbase::AreaOpenOptions{});
      ASSERT_TRUE(opened.ok()) << opened.status().ToString();
      xbase::WorkArea& a = **opened;
      const std::vector<Field> fields = FieldsOf(a.table().fields());
      auto has = [&](std::string_view name) {
        return std::any_of(fields.begin(), fields.end(), [&](const Field& f) { return f.name == name; });
      };
      const std::vector<IndexFile> indexes = ResolveIndexes(t, markers, Args(), has);
      for (const IndexFile& index : indexes) {
        auto n = a.AttachOrder(index.file + ".ntx");
        ASSERT_TRUE(n.ok()) << index.file << ": " << n.status().ToString();
        EXPECT_EQ(a.Order(*n)->key_expression, index.key);
        ExpectOrderMatchesTable(a, *n);
      }
      ASSERT_TRUE(other.Close(200).ok());
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
  std::unique_ptr<session::Session> session_;
};

}  // namespace hurt::store::init_test
