// The company-data editor: what it writes, and that a write the disk refuses is told.
#include "shell/company.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "console/keys.h"
#include "shell/startup_fixture.h"
#include "support/hurt_data.h"
#include "support/temp_dir.h"
#include "xbase/work_area.h"

namespace hurt::shell {
namespace {

namespace key = console::key;

class CompanyEditor : public testing::DataDirTest {
 protected:
  void SetUp() override {
    testing::MakeCompany(dir.str(), testing::CompanySetup().Nodb(""));
    ASSERT_TRUE(t.session.areas().Open(1, dir / "firma.dbf", "firma").ok());
  }
  // The name typed, both pages accepted.
  bool TypeName(const std::string& name) {
    for (char c : name) t.d.Key(c);
    t.d.Keys({key::kPgDn, key::kPgDn});
    bool written = false;
    EXPECT_TRUE(t.Run([&] { written = EdFirmy(t.session); }));
    return written;
  }
  std::string Nodb() { return RTrim(testing::ReadField(dir / "firma.dbf", "NODB")); }

  TestStation t{dir.str()};
};

TEST_F(CompanyEditor, TheNameIsWrittenAndSaysSo) {
  EXPECT_TRUE(TypeName("NOWA"));
  EXPECT_EQ(Nodb(), "NOWA");
  EXPECT_FALSE(t.recorder.Saw("nie zapisane"));
}

// The disk refuses to make the record durable: the operator is told, not left believing
// the company data is kept.
TEST_F(CompanyEditor, ARefusedCommitIsToldAndNotTakenForWritten) {
  t.faults.FailSync(1, "firma.dbf");
  EXPECT_FALSE(TypeName("NOWA"));
  EXPECT_TRUE(t.recorder.Saw("Dane firmy nie zapisane - blad zapisu na dysk"));
  EXPECT_FALSE(t.recorder.Saw("rekord zajety"));
}

// A record another station holds past the editor's wait: the message names the lock.
TEST_F(CompanyEditor, ABusyRecordIsToldAsBusy) {
  t.faults.MakeLockBusy("firma.dbf", 1'000'000'001, 1);
  EXPECT_FALSE(TypeName("NOWA"));
  EXPECT_TRUE(t.recorder.Saw("Dane firmy nie zapisane - rekord zajety"));
  EXPECT_EQ(Nodb(), "");
}

}  // namespace
}  // namespace hurt::shell
