// The posting journal: its text round-trips, a cut-short journal is recognised, and
// taking a journal back restores the records three-way.
#include "documents/posting_journal.h"

#include <gtest/gtest.h>

#include "base/clock.h"
#include "xbase/memory_env.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

namespace hurt::documents {
namespace {

PostingJournal Sample() {
  PostingJournal j;
  j.what = "FV      12";
  RecordChange& c = j.ChangeOf("26/03/as.dbf", 7);
  c.fields.push_back({"ILOSC", xbase::Value(10.0), xbase::Value(7.5)});
  c.fields.push_back({"ODB", xbase::Value(std::string("AB\tC\n\xA5")), xbase::Value(std::string("X"))});
  c.fields.push_back({"DATA_PZ", xbase::Value(xbase::Date{2461000}), xbase::Value(xbase::Date{2461001})});
  RecordChange& d = j.ChangeOf("26/03/dowod.dbf", 3);
  d.deleted_before = false;
  d.deleted_after = true;
  j.appended.push_back({"26/03/dow.dbf", 41, {{"RD", "FV "}, {"NRD", "      12"}}});
  return j;
}

TEST(PostingJournal, RoundTripsAndRefusesWhatIsNotWhole) {
  const PostingJournal j = Sample();
  EXPECT_EQ(&j.changes[0], &const_cast<PostingJournal&>(j).ChangeOf("26/03/as.dbf", 7));
  const std::string text = EncodeJournal(j);
  auto back = DecodeJournal(text);
  ASSERT_TRUE(back.ok()) << back.status().ToString();
  EXPECT_EQ(back->what, j.what);
  ASSERT_EQ(back->changes.size(), 2u);
  EXPECT_EQ(back->changes[0].recno, 7u);
  ASSERT_EQ(back->changes[0].fields.size(), 3u);
  EXPECT_EQ(back->changes[0].fields[1].before.AsString(), "AB\tC\n\xA5");
  EXPECT_DOUBLE_EQ(back->changes[0].fields[0].after.AsNumber(), 7.5);
  EXPECT_EQ(back->changes[0].fields[2].after.AsDate().day, 2461001);
  EXPECT_TRUE(back->changes[1].deleted_after.value());
  ASSERT_EQ(back->appended.size(), 1u);
  EXPECT_EQ(back->appended[0].count_before, 41u);
  EXPECT_EQ(back->appended[0].marks[1].second, "      12");

  // Cut anywhere before its last line: not a journal to act on.
  for (size_t cut : {size_t{0}, size_t{10}, text.size() / 2, text.size() - 4}) {
    auto part = DecodeJournal(text.substr(0, cut));
    EXPECT_FALSE(part.ok()) << cut;
  }
  EXPECT_TRUE(DecodeJournal(text.substr(0, text.size() - 4)).status().IsNotFound());
  auto bad = DecodeJournal("HURTJNL\t1\t\nFLD\tX\tQ\tQ\nEND\n");
  EXPECT_EQ(bad.status().code(), StatusCode::kCorruption);
}

TEST(PostingJournal, UndoIsThreeWayAndDeletesOnlyTheAppendedRecordsOfTheDocument) {
  FakeClock clock{2026, 3, 14};
  xbase::MemoryEnv env{clock};
  ASSERT_TRUE(xbase::Table::Create(env, "t.dbf",
                                   {{"RD", 'C', 3, 0}, {"NRD", 'C', 8, 0}, {"ILOSC", 'N', 12, 3}, {"ODB", 'C', 8, 0}})
                  .ok());
  xbase::WorkAreas areas(env);
  auto a = areas.Open(1, "t.dbf", "t");
  ASSERT_TRUE(a.ok());
  xbase::WorkArea& t = **a;
  auto add = [&](const char* rd, const char* nrd, double ilosc, const char* odb) {
    ASSERT_TRUE(t.Append().ok());
    ASSERT_TRUE(t.Replace("RD", xbase::Value(rd)).ok());
    ASSERT_TRUE(t.Replace("NRD", xbase::Value(nrd)).ok());
    ASSERT_TRUE(t.Replace("ILOSC", xbase::Value(ilosc)).ok());
    ASSERT_TRUE(t.Replace("ODB", xbase::Value(odb)).ok());
    ASSERT_TRUE(t.Unlock().ok());
  };
  add("ART", "1", 20, "NEW");  // 1: written by the posting (10 -> 20, ODB OLD -> NEW)
  add("ART", "2", 25, "MINE");  // 2: posting 10 -> 20, then another station added 5
  add("ART", "3", 10, "OLD");  // 3: the posting died before writing it
  add("FV ", "7", 1, "");      // 4: appended by the posting
  add("FV ", "8", 1, "");      // 5: another station's document
  ASSERT_TRUE(t.Append().ok());  // 6: a blank record the crash left
  ASSERT_TRUE(t.Unlock().ok());
  PostingJournal j;
  for (uint32_t r : {1u, 2u, 3u}) {
    RecordChange& c = j.ChangeOf("t.dbf", r);
    c.fields.push_back({"ILOSC", xbase::Value(10.0), xbase::Value(20.0)});
    c.fields.push_back({"ODB", xbase::Value("OLD"), xbase::Value("NEW")});
  }
  j.appended.push_back({"t.dbf", 3, {{"RD", "FV "}, {"NRD", "7"}}});
  ASSERT_TRUE(UndoJournal(areas, ".", j).ok());
  t.SetDeletedHidden(false);
  auto at = [&](uint32_t r) {
    EXPECT_TRUE(t.GoTo(r).ok());
    return t.Get("ILOSC")->AsNumber();
  };
  EXPECT_DOUBLE_EQ(at(1), 10);
  EXPECT_EQ(t.Get("ODB")->AsString(), "OLD     ");
  EXPECT_DOUBLE_EQ(at(2), 15);  // the other station's 5 stays
  EXPECT_EQ(t.Get("ODB")->AsString(), "MINE    ");
  EXPECT_DOUBLE_EQ(at(3), 10);
  at(4);
  EXPECT_TRUE(t.deleted());
  at(5);
  EXPECT_FALSE(t.deleted());
  at(6);
  EXPECT_TRUE(t.deleted());
}

}  // namespace
}  // namespace hurt::documents
