// The pieces the catalogue screens share, over a real counterparty book.
#include "catalogues/common.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogues/catalogue_fixture.h"
#include "console/keys.h"

namespace hurt::catalogues::testing {
namespace {

using xbase::Value;

class CommonTest : public CatalogueTest {
 protected:
  xbase::WorkArea& Zo() { return Area(3); }
  void Account(std::string odb) { Add(Zo(), {{"ODB", Value(odb)}, {"NODB", Value("N " + odb)}}); }
};

TEST_F(CommonTest, KeyTakenSeesFilteredRecordsAndLeavesTheAreaAsItWas) {
  Account("A1");
  Account("B1");
  Account("C1");
  ASSERT_TRUE(Zo().SetFilter("odb = \"C\"").ok());
  ASSERT_TRUE(Zo().SetOrder(0).ok());
  ASSERT_TRUE(Zo().GoTop().ok());
  const uint32_t at = Zo().recno();
  EXPECT_TRUE(KeyTaken(Zo(), "A1      ", 0)) << "hidden by the filter, taken all the same";
  EXPECT_FALSE(KeyTaken(Zo(), "A1      ", 1)) << "the record itself does not count";
  EXPECT_FALSE(KeyTaken(Zo(), "Z9      ", 0));
  EXPECT_EQ(Zo().filter(), "odb = \"C\"");
  EXPECT_EQ(Zo().order(), 0);
  EXPECT_EQ(Zo().recno(), at);
}

TEST_F(CommonTest, DeletingTheLastRecordLeavesOneBlankRecord) {
  Account("A1");
  StoreAccess store(s());
  ASSERT_TRUE(Zo().GoTop().ok());
  ASSERT_TRUE(Zo().LockRecord().ok());
  DeleteAndMoveOn(store, Zo());
  EXPECT_EQ(Rows(Zo(), {"ODB"}), std::vector<std::string>{""});
  EXPECT_FALSE(Zo().eof());
  // An empty table is seeded once; a table with records is left as it is.
  SeedOrProbe(s(), store, Zo(), 1, 1);
  EXPECT_EQ(Rows(Zo(), {"ODB"}).size(), 1u);
}

TEST_F(CommonTest, TheQueryConditionNamesVariablesNotTypedText) {
  QueryBuilder q(s());
  q.Add("M_Q_A", "   ", "M_Q_A $ odb");
  EXPECT_EQ(q.condition(), "") << "a blank field adds nothing";
  q.Add("M_Q_A", "X\" .OR. .T. .OR. \"", "M_Q_A $ odb");
  q.AddNumber("M_Q_B", 5, "bown >= M_Q_B");
  EXPECT_EQ(q.condition(), "M_Q_A $ odb .AND. bown >= M_Q_B");
  Account("A1");
  ASSERT_TRUE(Zo().SetFilter(q.condition()).ok());
  ASSERT_TRUE(Zo().GoTop().ok());
  EXPECT_TRUE(Zo().eof()) << "the quote in the typed text stays text";
}

TEST(KeyTableTest, AFunctionKeyAnswersInBothCodesAndTheFirstEntryWins) {
  namespace key = console::key;
  using console::BrowseAction;
  std::vector<std::string> ran;
  const KeyTable keys = {
      {key::kEsc, [] { return BrowseAction::kLeave; }},
      {key::F(4), [&] {
         ran.push_back("F4");
         return BrowseAction::kContinue;
       }},
      {key::F(4), AndRepaint([&] { ran.push_back("second F4"); })},
      {key::AltF(5), AndRepaint([&] { ran.push_back("Alt+F5"); })},
  };
  EXPECT_EQ(DispatchKey(keys, key::F(4)), BrowseAction::kContinue);
  EXPECT_EQ(DispatchKey(keys, key::F(4) + 256), BrowseAction::kContinue) << "the alternate code of F4";
  EXPECT_EQ(DispatchKey(keys, key::AltF(5) + 256), BrowseAction::kRepaint);
  EXPECT_EQ(ran, (std::vector<std::string>{"F4", "F4", "Alt+F5"}));
  EXPECT_EQ(DispatchKey(keys, key::kEsc), BrowseAction::kLeave);
  EXPECT_EQ(DispatchKey(keys, key::kEsc + 256), BrowseAction::kContinue) << "only function keys have two codes";
  EXPECT_EQ(DispatchKey(keys, key::F(5)), BrowseAction::kContinue) << "a key the screen does not answer";
  EXPECT_EQ(ran.size(), 3u);
}

}  // namespace
}  // namespace hurt::catalogues::testing
