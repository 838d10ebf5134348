#include "console/browse.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/cp852.h"
#include "base/text.h"
#include "console/keys.h"
#include "support/screen_driver.h"

namespace hurt::console {
namespace {

using hurt::testing::ScreenDriver;
using namespace hurt::literals;

// Records 1..n computed on demand; counts what the grid asks for.
class NumbersSource final : public BrowseSource {
 public:
  explicit NumbersSource(int64_t n) : n_(n) {}
  void GoTop() override {
    ++moves;
    pos_ = 0;
  }
  void GoBottom() override {
    ++moves;
    pos_ = std::max<int64_t>(n_ - 1, 0);
  }
  int64_t Skip(int64_t k) override {
    ++moves;
    if (n_ == 0) return 0;
    int64_t to = std::clamp<int64_t>(pos_ + k, 0, n_ - 1);
    int64_t moved = to - pos_;
    pos_ = to;
    return moved;
  }
  bool IsEmpty() override { return n_ == 0; }
  int64_t Bookmark() override { return pos_; }
  void GoToBookmark(int64_t mark) override {
    ++moves;
    pos_ = mark;
  }
  bool Seek(std::string_view key, bool) override {
    int64_t v = static_cast<int64_t>(std::stoll(std::string(key)));
    if (v < 1 || v > n_) return false;
    pos_ = v - 1;
    return true;
  }

  int64_t Record() {
    ++cells;
    return pos_ + 1;
  }
  void Append() {
    ++n_;
    pos_ = n_ - 1;
  }

  int64_t moves = 0;
  int64_t cells = 0;

 private:
  int64_t n_;
  int64_t pos_ = 0;
};

// A grid at rows 15..23 like the catalogue's, with the classic separators.
Browse MakeGrid(Console& con, NumbersSource& src) {
  Browse b(con, src, 15, 0, 23, 79);
  b.AddColumn(BrowseColumn::Number("    Numer", [&src] { return static_cast<double>(src.Record()); }, "999999999"));
  b.AddColumn(BrowseColumn::Text("Nazwa", [&src] { return "Towar " + std::to_string(src.Record()); },
                                 "!!!!!!!!!!"));
  b.AddColumn(BrowseColumn::Number("  Cena brutto", [&src] { return static_cast<double>(src.Record()) / 4; },
                                   "9999999999.99"));
  b.Separators("┼─"_pl, "│"_pl, "┴─"_pl);
  return b;
}

TEST(Browse, DrawsHeadingsSeparatorsAndTheCurrentRow) {
  ScreenDriver d;
  ASSERT_TRUE(d.con.SetColour("W/N,N/W").ok());
  NumbersSource src(3);
  Browse b = MakeGrid(d.con, src);
  d.Then([&] {
    EXPECT_TRUE(d.LineIs(15, "    Numer│Nazwa     │  Cena brutto"));
    EXPECT_TRUE(d.LineIs(16, "─────────┼──────────┼─────────────"));
    EXPECT_TRUE(d.LineIs(17, "        1│TOWAR 1   │         0.25"));
    EXPECT_TRUE(d.LineIs(19, "        3│TOWAR 3   │         0.75"));
    EXPECT_TRUE(d.LineIs(20, "         │          │"));  // the lines run on below the data
    EXPECT_TRUE(d.LineIs(23, "─────────┴──────────┴─────────────"));
    EXPECT_TRUE(d.ColourIs(17, 0, "N/W"));
    EXPECT_TRUE(d.ColourIs(17, 9, "N/W"));
    EXPECT_TRUE(d.ColourIs(18, 0, "W/N"));
  });
  d.Key(key::kDown).Then([&] {
    EXPECT_TRUE(d.ColourIs(17, 0, "W/N"));
    EXPECT_TRUE(d.ColourIs(18, 0, "N/W"));
  });
  d.Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](Console&) { b.Run(); }));
  EXPECT_EQ(b.data_rows(), 6);
}

TEST(Browse, HandlerModesAtTopBottomIdleAndForOtherKeys) {
  ScreenDriver d;
  NumbersSource src(3);
  Browse b = MakeGrid(d.con, src);
  std::vector<std::pair<int, int>> calls;  // mode, key
  d.Keys({key::kUp, key::kDown, key::kDown, key::kDown, key::F(4), key::kEsc});
  ASSERT_TRUE(d.Run([&](Console& con) {
    b.Run([&](BrowseMode mode, int) {
      calls.push_back({static_cast<int>(mode), con.LastKey()});
      if (mode == BrowseMode::kException && con.LastKey() == key::kEsc) return BrowseAction::kLeave;
      return BrowseAction::kContinue;
    });
  }));
  // The keys were all waiting, so the first idle call comes once the script is read.
  std::vector<std::pair<int, int>> want = {
      {1, key::kUp}, {2, key::kDown}, {4, key::F(4)}, {4, key::kEsc}};
  std::vector<std::pair<int, int>> got;
  for (auto c : calls)
    if (c.first != 0) got.push_back(c);
  EXPECT_EQ(got, want);
  EXPECT_EQ(b.row_pos(), 2);
}

TEST(Browse, IdleIsCalledOnlyWhenNoKeyWaits) {
  ScreenDriver d;
  NumbersSource src(10);
  Browse b = MakeGrid(d.con, src);
  int idle = 0;
  d.Key(key::kDown).Wait(10).Key(key::kDown).Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](Console& con) {
    b.Run([&](BrowseMode mode, int) {
      if (mode == BrowseMode::kIdle) ++idle;
      return con.LastKey() == key::kEsc && mode == BrowseMode::kException ? BrowseAction::kLeave
                                                                          : BrowseAction::kContinue;
    });
  }));
  EXPECT_EQ(idle, 1);  // only after the first Down, when the next key was still to come
}

TEST(Browse, RepaintAfterTheHandlerMovedTheSource) {
  ScreenDriver d;
  NumbersSource src(100);
  Browse b = MakeGrid(d.con, src);
  d.Key(key::F(7)).Then([&] {
    EXPECT_TRUE(d.LineIs(17, "       50│TOWAR 50  │        12.50"));
    EXPECT_TRUE(d.ColourIs(17, 0, "N/W"));
  });
  d.Key(key::kDown).Key(key::kDown).Key(key::F(7)).Then([&] {
    // The current row stays where it was on the screen.
    EXPECT_TRUE(d.LineIs(19, "       50│TOWAR 50  │        12.50"));
    EXPECT_TRUE(d.LineIs(17, "       48│TOWAR 48  │        12.00"));
  });
  d.Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](Console& con) {
    b.Run([&](BrowseMode mode, int) {
      if (mode != BrowseMode::kException) return BrowseAction::kContinue;
      if (con.LastKey() == key::F(7)) {
        src.Seek("50", false);
        return BrowseAction::kRepaint;
      }
      return con.LastKey() == key::kEsc ? BrowseAction::kLeave : BrowseAction::kContinue;
    });
  }));
}

TEST(Browse, AnEmptySourceEntersAppendModeOnDown) {
  ScreenDriver d;
  ASSERT_TRUE(d.con.SetColour("W/N,N/W").ok());
  NumbersSource src(0);
  Browse b = MakeGrid(d.con, src);
  std::vector<int> modes;
  d.Key(key::kDown).Then([&] {
    EXPECT_TRUE(b.append_mode());
    EXPECT_TRUE(d.ColourIs(17, 0, "N/W"));  // the blank row is the current one
    EXPECT_TRUE(d.LineIs(17, "         │          │"));
  });
  d.Type("A").Then([&] {
    EXPECT_FALSE(b.append_mode());
    EXPECT_TRUE(d.LineIs(17, "        1│TOWAR 1   │         0.25"));
  });
  d.Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](Console& con) {
    b.Run([&](BrowseMode mode, int) {
      modes.push_back(static_cast<int>(mode));
      if (mode == BrowseMode::kEmpty && con.LastKey() == key::kDown) return BrowseAction::kAppend;
      if (mode == BrowseMode::kException && con.LastKey() == 'A') {
        src.Append();
        return BrowseAction::kRepaint;
      }
      if (con.LastKey() == key::kEsc) return BrowseAction::kLeave;
      return BrowseAction::kContinue;
    });
  }));
  EXPECT_EQ(modes.front(), 3);  // Down came while the source was empty
}

TEST(Browse, AppendModeOnAFullGridShowsTheLastRecordsAboveTheBlankRow) {
  ScreenDriver d;
  NumbersSource src(50);
  Browse b = MakeGrid(d.con, src);
  d.Key(key::F(5)).Then([&] {
    EXPECT_TRUE(b.append_mode());
    EXPECT_EQ(b.row_pos(), 5);
    EXPECT_TRUE(d.LineIs(21, "       50│TOWAR 50  │        12.50"));
    EXPECT_TRUE(d.LineIs(22, "         │          │"));
  });
  d.Key(key::kUp).Then([&] {  // Up leaves append mode on the last record
    EXPECT_FALSE(b.append_mode());
    EXPECT_TRUE(d.LineIs(22, "       50│TOWAR 50  │        12.50"));
  });
  d.Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](Console& con) {
    b.Run([&](BrowseMode mode, int) {
      if (mode == BrowseMode::kException && con.LastKey() == key::F(5)) return BrowseAction::kAppend;
      if (con.LastKey() == key::kEsc) return BrowseAction::kLeave;
      return BrowseAction::kContinue;
    });
  }));
}

TEST(Browse, AMillionRowsPageAsCheaplyAsTen) {
  ScreenDriver d;
  NumbersSource src(1'000'000);
  Browse b = MakeGrid(d.con, src);
  for (int i = 0; i < 500; ++i) d.Key(key::kPgDn);
  d.Then([&] { EXPECT_TRUE(d.LineIs(17, "     3001│TOWAR 3001│       750.25")); });
  d.Key(key::kCtrlPgDn).Then([&] {
    EXPECT_TRUE(d.LineIs(22, "  1000000│TOWAR 1000│    250000.00"));
    EXPECT_TRUE(d.LineIs(17, "   999995│TOWAR 9999│    249998.75"));
  });
  d.Key(key::kDown).Key(key::kCtrlPgUp).Then([&] { EXPECT_TRUE(d.LineIs(17, "        1│TOWAR 1   │         0.25")); });
  d.Key(key::kEsc);
  int64_t keys = 504;
  ASSERT_TRUE(d.Run([&](Console&) { b.Run(); }));
  // Each key costs a screenful of rows, whatever the size of the source.
  EXPECT_LE(src.moves, keys * (b.data_rows() + 4));
  EXPECT_LE(src.cells, (keys + 1) * b.data_rows() * 4);
}

TEST(Browse, ColumnsWiderThanTheWindowPanWithTheCurrentColumn) {
  ScreenDriver d;
  NumbersSource src(5);
  Browse b(d.con, src, 0, 0, 10, 29);
  for (int i = 1; i <= 4; ++i)
    b.AddColumn(BrowseColumn::Text("Kolumna " + std::to_string(i), [i] { return "wartosc " + std::to_string(i); }));
  b.Separators("", " ", "");
  int seen_column = 0;
  d.Then([&] { EXPECT_TRUE(d.LineIs(0, "Kolumna 1 Kolumna 2 Kolumna 3")); });
  d.Keys({key::kRight, key::kRight, key::kRight}).Then([&] {
    EXPECT_TRUE(d.LineIs(0, "Kolumna 2 Kolumna 3 Kolumna 4"));
  });
  d.Key(key::kCtrlHome).Then([&] { EXPECT_TRUE(d.LineIs(0, "Kolumna 1 Kolumna 2 Kolumna 3")); });
  d.Key(key::kCtrlEnd).Key(key::kEnter);
  ASSERT_TRUE(d.Run([&](Console& con) {
    b.Run([&](BrowseMode mode, int column) {
      if (mode == BrowseMode::kException && con.LastKey() == key::kEnter) {
        seen_column = column;
        return BrowseAction::kLeave;
      }
      return BrowseAction::kContinue;
    });
  }));
  EXPECT_EQ(seen_column, 4);
}

TEST(Browse, HandlerAnswersAsTheOldNumbers) {
  EXPECT_EQ(BrowseActionOf(0), BrowseAction::kLeave);
  EXPECT_EQ(BrowseActionOf(1), BrowseAction::kContinue);
  EXPECT_EQ(BrowseActionOf(2), BrowseAction::kRepaint);
  EXPECT_EQ(BrowseActionOf(3), BrowseAction::kAppend);
  EXPECT_EQ(BrowseActionOf(7), BrowseAction::kContinue);
  EXPECT_TRUE(key::IsKey(253, key::F(4)));
  EXPECT_TRUE(key::IsKey(-3, key::F(4)));
  EXPECT_TRUE(key::IsKey(222, key::AltF(5)));
}

}  // namespace
}  // namespace hurt::console
