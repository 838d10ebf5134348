// hurt-dbf verify run as a program, the way scenario tests end: a fresh demo company checks
// clean (exit 0), a damaged one is reported line by line (exit 1), and a directory that is
// no data directory cannot be checked (exit 2).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "store/schema.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "xbase/table.h"

namespace hurt {
namespace {

using testing::ProcessResult;

class HurtDbfVerifyTest : public testing::DataDirTest {
 protected:
  ProcessResult Verify(const std::vector<std::string>& args, const std::string& cwd = "") {
    std::vector<std::string> argv = {testing::BuiltProgram("hurt-dbf"), "verify"};
    argv.insert(argv.end(), args.begin(), args.end());
    testing::ProcessOptions options;
    options.cwd = cwd.empty() ? dir.str() : cwd;
    return testing::RunProcess(argv, options);
  }
  std::string Demo() const { return dir.str() + "/demo"; }

  // The demo's period folder, from its company record.
  std::string Period() {
    auto firma = xbase::Table::Open(xbase::RealEnv(), Demo() + "/firma.dbf", xbase::TableMode::SharedReadOnly());
    EXPECT_TRUE(firma.ok());
    xbase::Record r;
    EXPECT_TRUE((*firma)->Read(1, &r).ok());
    auto period = store::PeriodDirFromBmr(AllTrim(r.GetValue("BMR")->AsString()));
    EXPECT_TRUE(period.ok());
    return *period;
  }
};

TEST_F(HurtDbfVerifyTest, ExitCodesTellCleanDamagedAndUncheckable) {
  ProcessResult demo = testing::RunProcess({testing::BuiltProgram("hurt-demo"), Demo()});
  ASSERT_EQ(demo.exit_code, 0) << demo.err;

  ProcessResult clean = Verify({Demo()});
  EXPECT_EQ(clean.exit_code, 0) << clean.out << clean.err;
  EXPECT_EQ(clean.out, "verify " + Demo() + ": bez uwag\n");
  // The current directory by default.
  EXPECT_EQ(Verify({}, Demo()).exit_code, 0);

  // The first card's stock changed by hand.
  const std::string period = Period();
  {
    auto as = xbase::Table::Open(xbase::RealEnv(), Demo() + "/" + period + "/as.dbf", xbase::TableMode::Shared());
    ASSERT_TRUE(as.ok());
    xbase::Record r;
    ASSERT_TRUE((*as)->LockRecord(1).ok());
    ASSERT_TRUE((*as)->Read(1, &r).ok());
    ASSERT_TRUE(r.SetValue("ILOSC", r.GetValue("ILOSC")->AsNumber() + 1).ok());
    ASSERT_TRUE((*as)->Write(r).ok());
    ASSERT_TRUE((*as)->Close().ok());
  }
  ProcessResult damaged = Verify({Demo()});
  EXPECT_EQ(damaged.exit_code, 1) << damaged.err;
  const std::vector<std::string> lines = [&] {
    std::vector<std::string> out;
    size_t at = 0;
    for (size_t nl = damaged.out.find('\n'); nl != std::string::npos; nl = damaged.out.find('\n', at)) {
      out.push_back(damaged.out.substr(at, nl - at));
      at = nl + 1;
    }
    return out;
  }();
  ASSERT_EQ(lines.size(), 2u) << damaged.out;
  EXPECT_EQ(lines[0].rfind("as ", 0), 0u) << lines[0];
  EXPECT_NE(lines[0].find(": ILOSC "), std::string::npos) << lines[0];
  EXPECT_EQ(lines[1], "verify " + Demo() + ": uwag: 1");

  // No company record: nothing to check.
  ProcessResult nothing = Verify({dir.str()});
  EXPECT_EQ(nothing.exit_code, 2);
  EXPECT_EQ(nothing.out, "");
  EXPECT_NE(nothing.err.find("firma.dbf"), std::string::npos) << nothing.err;
  EXPECT_EQ(Verify({"a", "b"}).exit_code, 2);
}

}  // namespace
}  // namespace hurt
