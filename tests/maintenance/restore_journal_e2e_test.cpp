// A restore stopped among the renames of its checked files is finished by the next start:
// the month is never left part old, part restored.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/hurt_station.h"
#include "support/station_road.h"
#include "support/temp_dir.h"
#include "xbase/env.h"
#include "xbase/work_area.h"

namespace hurt::testing {
namespace {

namespace fs = std::filesystem;

TEST(RestoreJournal, TheNextStartFinishesTheRenamesAndRebuildsTheIndexes) {
  TempDir data, work;
  const std::string period = MakeDemoCompany(data.str());
  ASSERT_FALSE(period.empty());
  const fs::path as = data.path() / period / "as.dbf";
  const fs::path zo = data.path() / period / "zo.dbf";
  // as.dbf was put in place before the stop; zo.dbf's restored copy still waits beside it,
  // with another name in its first record.
  const fs::path waiting = zo.string() + ".odtw";
  fs::copy_file(zo, waiting);
  {
    xbase::WorkAreas areas(xbase::RealEnv());
    auto t = areas.Open(1, waiting.string(), "ZW", {.exclusive = true});
    ASSERT_TRUE(t.ok());
    ASSERT_TRUE((*t)->GoTop().ok());
    ASSERT_TRUE((*t)->Replace("NODB", xbase::Value(std::string("PRZYWROCONY"))).ok());
    ASSERT_TRUE((*t)->Commit().ok());
  }
  {
    std::ofstream journal(data.path() / "odtwarzanie.txt");
    journal << (as.string() + ".odtw") << "\t" << as.string() << "\n" << waiting.string() << "\t" << zo.string() << "\n";
  }
  auto a = StartInDowody(data.str(), work.str(), "a");
  EXPECT_TRUE(a->LogContains("Odtwarzanie zbiorow przerwane - dokonczone"));
  Leave(*a);
  EXPECT_FALSE(fs::exists(waiting));
  EXPECT_FALSE(fs::exists(data.path() / "odtwarzanie.txt"));
  EXPECT_EQ(Records(zo.string()).at(0)["NODB"], "PRZYWROCONY");
  ExpectVerifyFindsNothing(data.str());  // the indexes of the restored table agree with it
}

}  // namespace
}  // namespace hurt::testing
