#include <gtest/gtest.h>

#include "store/init_tables_fixture.h"

namespace hurt::store::init_test {
namespace {

TEST_F(InitTablesTest, SmokeBuildsEverythingFromNothing) {
  ASSERT_TRUE(Build());
  for (auto& c : ui_.calls) std::cerr << c << "\n";
  EXPECT_EQ(s().hh(), "26/03");
  ExpectAllOrdersMatch();
}

}  // namespace
}  // namespace hurt::store::init_test
