// Positions of a work area: EOF, BOF and Found as xBase defines them, in natural and index
// order, with deleted records hidden or shown, with a filter, and seeks.
#include "xbase/work_area_fixture.h"

namespace hurt::xbase::wa_test {
namespace {

struct Position {
  uint32_t recno;
  bool eof;
  bool bof;
  bool operator==(const Position&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Position& p) {
  return os << "{recno " << p.recno << (p.eof ? " EOF" : "") << (p.bof ? " BOF" : "") << "}";
}

Position At(const WorkArea& a) { return {a.recno(), a.eof(), a.bof()}; }

// Record numbers visited from the top to EOF.
std::vector<uint32_t> Forward(WorkArea& a) {
  std::vector<uint32_t> out;
  EXPECT_TRUE(a.GoTop().ok());
  while (!a.eof() && out.size() < 1000) {
    out.push_back(a.recno());
    EXPECT_TRUE(a.Skip().ok());
  }
  return out;
}

// Record numbers visited from the bottom to BOF.
std::vector<uint32_t> Backward(WorkArea& a) {
  std::vector<uint32_t> out;
  EXPECT_TRUE(a.GoBottom().ok());
  while (!a.eof() && out.size() < 1000) {
    out.push_back(a.recno());
    EXPECT_TRUE(a.Skip(-1).ok());
    if (a.bof()) break;
  }
  return out;
}

TEST_F(WorkAreaTest, EmptyTableIsAtEofAndBofInEveryOrder) {
  WorkArea& a = OpenDowWithOrders(areas_);
  for (int order : {0, 1, 2}) {
    SCOPED_TRACE("order " + std::to_string(order));
    HURT_ASSERT_OK(a.SetOrder(order));
    HURT_ASSERT_OK(a.GoTop());
    EXPECT_EQ(At(a), (Position{1, true, true}));
    HURT_ASSERT_OK(a.GoBottom());
    EXPECT_EQ(At(a), (Position{1, true, true}));
    HURT_ASSERT_OK(a.Skip(1));
    EXPECT_EQ(At(a), (Position{1, true, false}));
    HURT_ASSERT_OK(a.Skip(-1));
    EXPECT_EQ(At(a), (Position{1, true, true}));
    EXPECT_FALSE(a.found());
    EXPECT_EQ(Text(a.Get("RD")), "   ");  // the phantom record is blank
    EXPECT_FALSE(a.deleted());
  }
  HURT_ASSERT_OK(a.SetOrder(1));
  auto found = a.Seek("FV ");
  ASSERT_TRUE(found.ok());
  EXPECT_FALSE(*found);
  EXPECT_TRUE(a.eof());
  found = a.Seek("FV ", /*soft=*/true);
  ASSERT_TRUE(found.ok());
  EXPECT_FALSE(*found);
  EXPECT_TRUE(a.eof());
}

TEST_F(WorkAreaTest, NaturalOrderEofBofAndGoTo) {
  WorkArea& a = OpenDow(areas_);
  for (int i = 1; i <= 3; ++i) HURT_ASSERT_OK(AddLine(a, {.nrd = Nrd(i), .indeks = "A" + std::to_string(i)}));
  HURT_ASSERT_OK(a.GoTop());
  EXPECT_EQ(At(a), (Position{1, false, false}));
  HURT_ASSERT_OK(a.Skip(-1));
  EXPECT_EQ(At(a), (Position{1, false, true})) << "skipping before the first stays on it with BOF";
  HURT_ASSERT_OK(a.Skip(1));
  EXPECT_EQ(At(a), (Position{2, false, false}));
  HURT_ASSERT_OK(a.Skip(5));
  EXPECT_EQ(At(a), (Position{4, true, false})) << "EOF is record count + 1";
  HURT_ASSERT_OK(a.Skip(1));
  EXPECT_EQ(At(a), (Position{4, true, false}));
  HURT_ASSERT_OK(a.Skip(-1));
  EXPECT_EQ(At(a), (Position{3, false, false})) << "backwards from EOF lands on the last";
  HURT_ASSERT_OK(a.Skip(-10));
  EXPECT_EQ(At(a), (Position{1, false, true}));
  HURT_ASSERT_OK(a.GoTo(2));
  EXPECT_EQ(At(a), (Position{2, false, false}));
  EXPECT_EQ(Text(a.Get("NRD")), Nrd(2));
  HURT_ASSERT_OK(a.GoTo(9));
  EXPECT_EQ(At(a), (Position{4, true, false}));
  EXPECT_EQ(Text(a.Get("NRD")), std::string(8, ' '));
  HURT_ASSERT_OK(a.GoTo(0));
  EXPECT_TRUE(a.eof());
  HURT_ASSERT_OK(a.GoBottom());
  EXPECT_EQ(At(a), (Position{3, false, false}));
  EXPECT_EQ(Forward(a), (std::vector<uint32_t>{1, 2, 3}));
  EXPECT_EQ(Backward(a), (std::vector<uint32_t>{3, 2, 1}));
}

class OrderedTest : public WorkAreaTest {
 protected:
  void SetUp() override {
    WorkAreaTest::SetUp();
    a_ = &OpenDowWithOrders(areas_);
    // Records in an order that differs from every key order.
    HURT_ASSERT_OK(AddLine(*a_, {.rd = "PZ ", .nrd = Nrd(7), .lp = "  1", .data = JulianFromYmd(2026, 3, 2),
                                 .indeks = "K", .r_p = "P", .s_z = "Z"}));                       // 1
    HURT_ASSERT_OK(AddLine(*a_, {.rd = "FV ", .nrd = Nrd(12), .lp = "  2", .indeks = "B"}));       // 2
    HURT_ASSERT_OK(AddLine(*a_, {.rd = "FV ", .nrd = Nrd(12), .lp = "  1", .indeks = "C"}));       // 3
    HURT_ASSERT_OK(AddLine(*a_, {.rd = "FV ", .nrd = Nrd(3), .lp = "  1", .data = JulianFromYmd(2026, 2, 27),
                                 .indeks = "A"}));                                                  // 4
    HURT_ASSERT_OK(AddLine(*a_, {.rd = "WZ ", .nrd = Nrd(1), .lp = "  1", .indeks = "A", .s_z = "D"}));  // 5
  }
  WorkArea* a_ = nullptr;
};

TEST_F(OrderedTest, IndexOrderWalksKeysBothWays) {
  WorkArea& a = *a_;
  HURT_ASSERT_OK(a.SetOrder(1));  // rd+nrd+lp
  EXPECT_EQ(Forward(a), (std::vector<uint32_t>{4, 3, 2, 1, 5}));
  EXPECT_EQ(Backward(a), (std::vector<uint32_t>{5, 1, 2, 3, 4}));
  HURT_ASSERT_OK(a.SetOrder(2));  // date + receipts as "A" first + class + document
  EXPECT_EQ(Forward(a), (std::vector<uint32_t>{4, 5, 3, 2, 1}));
  HURT_ASSERT_OK(a.SetOrder(3));
  EXPECT_EQ(Forward(a), (std::vector<uint32_t>{4, 5, 2, 3, 1}));

  HURT_ASSERT_OK(a.SetOrder(1));
  HURT_ASSERT_OK(a.GoTop());
  HURT_ASSERT_OK(a.Skip(-1));
  EXPECT_EQ(At(a), (Position{4, false, true}));
  HURT_ASSERT_OK(a.Skip(3));
  EXPECT_EQ(At(a), (Position{1, false, false}));
  HURT_ASSERT_OK(a.Skip(2));
  EXPECT_EQ(At(a), (Position{6, true, false}));
  HURT_ASSERT_OK(a.Skip(-2));
  EXPECT_EQ(At(a), (Position{1, false, false})) << "two back from EOF";
  // SET ORDER keeps the record; the next skip moves in the new order.
  HURT_ASSERT_OK(a.SetOrder(3));
  EXPECT_EQ(a.recno(), 1u);
  HURT_ASSERT_OK(a.Skip(-1));
  EXPECT_EQ(a.recno(), 3u);
  // GOTO in an order, then skip from there.
  HURT_ASSERT_OK(a.GoTo(5));
  HURT_ASSERT_OK(a.Skip(1));
  EXPECT_EQ(a.recno(), 2u);
  HURT_ASSERT_OK(a.SetOrder(0));
  HURT_ASSERT_OK(a.Skip(1));
  EXPECT_EQ(a.recno(), 3u);
  EXPECT_EQ(a.SetOrder(4).code(), StatusCode::kInvalid);
}

TEST_F(OrderedTest, SeekExactSoftAndPrefix) {
  WorkArea& a = *a_;
  HURT_ASSERT_OK(a.SetOrder(1));
  auto found = a.Seek("FV " + Nrd(12) + "  2");
  ASSERT_TRUE(found.ok());
  EXPECT_TRUE(*found);
  EXPECT_TRUE(a.found());
  EXPECT_EQ(a.recno(), 2u);

  found = a.Seek("FV " + Nrd(12));  // a prefix: the first line of the document
  ASSERT_TRUE(found.ok());
  EXPECT_TRUE(*found);
  EXPECT_EQ(a.recno(), 3u);

  found = a.Seek("FV " + Nrd(5));  // missing, exact: EOF
  ASSERT_TRUE(found.ok());
  EXPECT_FALSE(*found);
  EXPECT_FALSE(a.found());
  EXPECT_EQ(At(a), (Position{6, true, false}));

  found = a.Seek("FV " + Nrd(5), /*soft=*/true);  // missing, soft: the next key
  ASSERT_TRUE(found.ok());
  EXPECT_FALSE(*found);
  EXPECT_EQ(At(a), (Position{3, false, false}));

  found = a.Seek("ZZ", /*soft=*/true);  // above every key
  ASSERT_TRUE(found.ok());
  EXPECT_FALSE(*found);
  EXPECT_TRUE(a.eof());

  found = a.Seek("", /*soft=*/false);  // the empty prefix matches the first key
  ASSERT_TRUE(found.ok()) << found.status().ToString();
  EXPECT_TRUE(*found);
  EXPECT_EQ(a.recno(), 4u);

  // Any movement clears Found.
  HURT_ASSERT_OK(a.Skip());
  EXPECT_FALSE(a.found());

  // A text key sought by the text of a date; values of other types are refused.
  HURT_ASSERT_OK(a.SetOrder(3));
  found = a.Seek("20260301");
  ASSERT_TRUE(found.ok());
  EXPECT_TRUE(*found);
  EXPECT_EQ(a.recno(), 5u);
  EXPECT_EQ(a.Seek(Date{JulianFromYmd(2026, 3, 1)}).status().code(), StatusCode::kInvalid);
  EXPECT_EQ(a.Seek(12.0).status().code(), StatusCode::kInvalid);

  HURT_ASSERT_OK(a.SetOrder(0));
  EXPECT_EQ(a.Seek("FV").status().code(), StatusCode::kInvalid);
}

TEST_F(OrderedTest, NumericAndDateKeysSeekByValue) {
  WorkArea& a = *a_;
  HURT_ASSERT_OK(a.LockFile());
  auto n = a.CreateOrder("ilosc.ntx", "ilosc");
  ASSERT_TRUE(n.ok()) << n.status().ToString();
  auto by_date = a.CreateOrder("data.ntx", "data");
  ASSERT_TRUE(by_date.ok()) << by_date.status().ToString();
  HURT_ASSERT_OK(a.Unlock());
  HURT_ASSERT_OK(a.SetOrder(*by_date));
  auto on_day = a.Seek(Date{JulianFromYmd(2026, 3, 1)});
  ASSERT_TRUE(on_day.ok());
  EXPECT_TRUE(*on_day);
  EXPECT_EQ(a.recno(), 2u);
  EXPECT_EQ(a.Seek("20260301").status().code(), StatusCode::kInvalid);
  HURT_ASSERT_OK(a.SetOrder(*n));
  HURT_ASSERT_OK(a.GoTo(2));
  HURT_ASSERT_OK(a.LockRecord());
  HURT_ASSERT_OK(a.Replace("ILOSC", -2.5));
  HURT_ASSERT_OK(a.GoTo(4));  // writes record 2
  HURT_ASSERT_OK(a.LockRecord());
  HURT_ASSERT_OK(a.Replace("ILOSC", 10.0));
  HURT_ASSERT_OK(a.Unlock());
  EXPECT_EQ(Forward(a), (std::vector<uint32_t>{2, 1, 3, 5, 4}));
  auto found = a.Seek(-2.5);
  ASSERT_TRUE(found.ok());
  EXPECT_TRUE(*found);
  EXPECT_EQ(a.recno(), 2u);
  found = a.Seek(5.0, /*soft=*/true);
  ASSERT_TRUE(found.ok());
  EXPECT_FALSE(*found);
  EXPECT_EQ(a.recno(), 4u);
  ExpectOrderMatchesTable(env_, a, *n);
}

TEST_F(OrderedTest, DeletedRecordsHiddenByDefaultAndShownOnRequest) {
  WorkArea& a = *a_;
  for (uint32_t r : {3u, 5u}) {
    HURT_ASSERT_OK(a.GoTo(r));
    HURT_ASSERT_OK(a.LockRecord());
    HURT_ASSERT_OK(a.Delete());
    EXPECT_TRUE(a.deleted());
    HURT_ASSERT_OK(a.Unlock());
  }
  EXPECT_TRUE(a.deleted_hidden());
  HURT_ASSERT_OK(a.SetOrder(0));
  EXPECT_EQ(Forward(a), (std::vector<uint32_t>{1, 2, 4}));
  EXPECT_EQ(Backward(a), (std::vector<uint32_t>{4, 2, 1}));
  HURT_ASSERT_OK(a.SetOrder(1));
  EXPECT_EQ(Forward(a), (std::vector<uint32_t>{4, 2, 1}));
  HURT_ASSERT_OK(a.GoBottom());
  EXPECT_EQ(a.recno(), 1u) << "the last key belongs to a deleted record";
  // A seek onto a deleted record goes on to the next visible one when its key still
  // matches the prefix, else it fails.
  auto found = a.Seek("FV " + Nrd(12));
  ASSERT_TRUE(found.ok());
  EXPECT_TRUE(*found);
  EXPECT_EQ(a.recno(), 2u);
  found = a.Seek("WZ ");
  ASSERT_TRUE(found.ok());
  EXPECT_FALSE(*found);
  EXPECT_TRUE(a.eof());
  // GOTO reaches a deleted record.
  HURT_ASSERT_OK(a.GoTo(5));
  EXPECT_FALSE(a.eof());
  EXPECT_TRUE(a.deleted());

  a.SetDeletedHidden(false);
  EXPECT_EQ(Forward(a), (std::vector<uint32_t>{4, 3, 2, 1, 5}));
  HURT_ASSERT_OK(a.SetOrder(0));
  EXPECT_EQ(Forward(a), (std::vector<uint32_t>{1, 2, 3, 4, 5}));

  // Every record deleted and hidden: the table looks empty.
  a.SetDeletedHidden(true);
  for (uint32_t r : {1u, 2u, 4u}) {
    HURT_ASSERT_OK(a.GoTo(r));
    HURT_ASSERT_OK(a.LockRecord());
    HURT_ASSERT_OK(a.Delete());
  }
  HURT_ASSERT_OK(a.Unlock());
  for (int order : {0, 1}) {
    HURT_ASSERT_OK(a.SetOrder(order));
    HURT_ASSERT_OK(a.GoTop());
    EXPECT_EQ(At(a), (Position{6, true, true}));
    HURT_ASSERT_OK(a.GoBottom());
    EXPECT_EQ(At(a), (Position{6, true, true}));
  }
  // Recall brings one back.
  HURT_ASSERT_OK(a.GoTo(4));
  HURT_ASSERT_OK(a.LockRecord());
  HURT_ASSERT_OK(a.Recall());
  HURT_ASSERT_OK(a.Unlock());
  EXPECT_EQ(Forward(a), (std::vector<uint32_t>{4}));
}

TEST_F(OrderedTest, FilterHidesRecordsFromEveryMovement) {
  WorkArea& a = *a_;
  HURT_ASSERT_OK(a.SetFilter("rd = \"FV\""));
  EXPECT_EQ(a.filter(), "rd = \"FV\"");
  HURT_ASSERT_OK(a.SetOrder(0));
  EXPECT_EQ(Forward(a), (std::vector<uint32_t>{2, 3, 4}));
  EXPECT_EQ(Backward(a), (std::vector<uint32_t>{4, 3, 2}));
  HURT_ASSERT_OK(a.GoTop());
  HURT_ASSERT_OK(a.Skip(-1));
  EXPECT_EQ(At(a), (Position{2, false, true}));
  HURT_ASSERT_OK(a.SetOrder(3));
  EXPECT_EQ(Forward(a), (std::vector<uint32_t>{4, 2, 3}));
  // Seeking a key of a filtered-out record goes on while the prefix holds.
  HURT_ASSERT_OK(a.SetOrder(1));
  auto found = a.Seek("PZ ");
  ASSERT_TRUE(found.ok());
  EXPECT_FALSE(*found);
  EXPECT_TRUE(a.eof());
  found = a.Seek("PZ ", /*soft=*/true);
  ASSERT_TRUE(found.ok());
  EXPECT_FALSE(*found);
  EXPECT_TRUE(a.eof()) << "WZ after PZ is filtered out too";
  // Filter with a variable of the session and with DELETED().
  HURT_ASSERT_OK(a.SetFilter("indeks = \"A\" .AND. .NOT. DELETED()"));
  EXPECT_EQ(Forward(a), (std::vector<uint32_t>{4, 5}));
  HURT_ASSERT_OK(a.SetFilter(""));
  EXPECT_EQ(Forward(a).size(), 5u);
  // Bad filters are refused and leave none.
  EXPECT_EQ(a.SetFilter("nosuch = 1").code(), StatusCode::kInvalid);
  EXPECT_EQ(a.SetFilter("rd + nrd").code(), StatusCode::kInvalid);
  EXPECT_EQ(a.filter(), "");
}

TEST_F(OrderedTest, SkipZeroRereadsAndCountsAppendsOfOthers) {
  WorkArea& a = *a_;
  HURT_ASSERT_OK(a.SetOrder(0));
  HURT_ASSERT_OK(a.GoBottom());
  // Another station appends behind our back.
  WorkAreas other(env_);
  auto b = other.Open(5, "dow.dbf", "dow");
  ASSERT_TRUE(b.ok());
  HURT_ASSERT_OK(AddLine(**b, {.nrd = Nrd(99), .indeks = "Z"}));
  HURT_ASSERT_OK(a.Skip(1));
  EXPECT_EQ(At(a), (Position{6, false, false})) << "moving past the last known record recounts";
  HURT_ASSERT_OK(a.Skip(1));
  EXPECT_EQ(At(a), (Position{7, true, false}));
  HURT_ASSERT_OK(AddLine(**b, {.nrd = Nrd(100), .indeks = "Z"}));
  HURT_ASSERT_OK(a.Skip(0));
  EXPECT_EQ(At(a), (Position{8, true, false})) << "SKIP 0 at EOF recounts";
  auto count = a.RecCount();
  ASSERT_TRUE(count.ok());
  EXPECT_EQ(*count, 7u);
}

}  // namespace
}  // namespace hurt::xbase::wa_test
