#include "console/text_viewer.h"

#include <gtest/gtest.h>

#include <fstream>

#include "console/keys.h"
#include "support/screen_driver.h"
#include "support/temp_dir.h"

namespace hurt::console {
namespace {

using hurt::testing::ScreenDriver;
using hurt::testing::TempDir;

std::string NumberedLines(int count, const std::string& prefix = "Linia ") {
  std::string text;
  for (int i = 1; i <= count; ++i) text += prefix + std::to_string(i) + "\r\n";
  return text;
}

std::unique_ptr<TextViewer> OpenViewer(Console& con, const std::string& path, ViewerOptions options = {}) {
  auto v = TextViewer::Open(con, path, std::move(options));
  EXPECT_TRUE(v.ok()) << v.status().ToString();
  return v.ok() ? std::move(v).value() : nullptr;
}

TEST(TextViewer, ShowsTheWindowAndTheKeyLine) {
  TempDir dir;
  dir.Write("druk01.prn", NumberedLines(30));
  ScreenDriver d;
  auto v = OpenViewer(d.con, dir / "druk01.prn", {.top = 0, .bottom = 23, .name = "rob/druk01.prn"});
  ASSERT_TRUE(v);
  d.Then([&] {
    EXPECT_TRUE(d.LineIs(0, "Linia 1"));
    EXPECT_TRUE(d.LineIs(23, "Linia 24"));
    EXPECT_TRUE(d.LineIs(24, "rob/druk01.prn         Keys: ^V<> PgUp PgDn     F5-Druk (Alt_F5)     Esc-Wyjscie"));
    EXPECT_TRUE(d.ColourIs(24, 0, "RG/N"));
    EXPECT_TRUE(d.ColourIs(24, 23, "W/N"));     // "Keys:"
    EXPECT_TRUE(d.ColourIs(24, 29, "W+/N"));    // "^V<>"
    EXPECT_TRUE(d.ColourIs(24, 48, "W+/N"));    // "F5"
    EXPECT_TRUE(d.ColourIs(24, 50, "W/N"));     // "-Druk"
    EXPECT_TRUE(d.ColourIs(24, 57, "W+/N"));    // "Alt_F5"
    EXPECT_TRUE(d.ColourIs(24, 69, "W+/N"));    // "Esc"
  });
  d.Key(key::kEsc);
  int result = -1;
  ASSERT_TRUE(d.Run([&](Console&) { result = v->Run(); }));
  EXPECT_EQ(result, 0);
}

// A printout's preview reads as the paper will: no printer codes, overstruck letters joined.
TEST(TextViewer, APrintoutShowsWithoutItsPrinterCodes) {
  TempDir dir;
  dir.Write("druk01.prn", "\x1b!\x05\x1b" "3\x18" "FAKTURA NR FV-1\r\nDo zapl\b/aty: 10.58 zl\b/\r\n");
  ScreenDriver d;
  auto v = OpenViewer(d.con, dir / "druk01.prn", {.top = 0, .bottom = 23, .name = "rob/druk01.prn"});
  ASSERT_TRUE(v);
  d.Then([&] {
    EXPECT_TRUE(d.LineIs(0, "FAKTURA NR FV-1"));
    EXPECT_TRUE(d.LineIs(1, "Do zapłaty: 10.58 zł"));
  });
  d.Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](Console&) { (void)v->Run(); }));
}

TEST(TextViewer, LinesAndWindowsNeverPastTheEnd) {
  TempDir dir;
  dir.Write("r.txt", NumberedLines(30));
  ScreenDriver d;
  auto v = OpenViewer(d.con, dir / "r.txt");
  ASSERT_TRUE(v);
  d.Key(key::kDown).Then([&] { EXPECT_TRUE(d.LineIs(0, "Linia 2")); });
  d.Key(key::kPgDn).Then([&] {
    EXPECT_TRUE(d.LineIs(0, "Linia 7"));  // the last window: line 30 on the last row
    EXPECT_TRUE(d.LineIs(23, "Linia 30"));
  });
  d.Keys({key::kDown, key::kPgDn}).Then([&] { EXPECT_TRUE(d.LineIs(0, "Linia 7")); });
  d.Key(key::kCtrlPgUp).Then([&] { EXPECT_TRUE(d.LineIs(0, "Linia 1")); });
  d.Key(key::kUp).Then([&] { EXPECT_TRUE(d.LineIs(0, "Linia 1")); });
  d.Key(key::kCtrlPgDn).Key(key::kUp).Then([&] { EXPECT_TRUE(d.LineIs(0, "Linia 6")); });
  d.Key(key::kPgUp).Then([&] { EXPECT_TRUE(d.LineIs(0, "Linia 1")); });
  d.Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](Console&) { v->Run(); }));
}

TEST(TextViewer, HorizontalOffsetStopsAtColumn712) {
  TempDir dir;
  std::string wide;
  for (int i = 0; i < 800; ++i) wide += static_cast<char>('a' + i % 26);
  dir.Write("w.txt", "naglowek\r\n" + wide + "\r\n");
  ScreenDriver d;
  auto v = OpenViewer(d.con, dir / "w.txt");
  ASSERT_TRUE(v);
  auto expect_column = [&](int column) {
    d.Then([&, column] {
      EXPECT_EQ(v->column(), column);
      EXPECT_TRUE(d.LineIs(1, wide.substr(static_cast<size_t>(column - 1), 80)));
    });
  };
  d.Key(key::kRight);
  expect_column(9);
  for (int i = 0; i < 10; ++i) d.Key(key::kCtrlRight);
  expect_column(409);  // +40 each time until the offset reaches 400
  d.Key(key::kCtrlRight);
  expect_column(712);
  d.Keys({key::kRight, key::kCtrlRight});
  expect_column(712);
  d.Key(key::kCtrlLeft);
  expect_column(672);
  d.Key(key::kLeft);
  expect_column(664);
  d.Key(key::kEnter);
  expect_column(1);
  d.Keys({key::kLeft, key::kCtrlLeft});
  expect_column(1);
  d.Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](Console&) { v->Run(); }));
}

TEST(TextViewer, ALargeReportOpensAndPagesWithoutReadingItAll) {
  TempDir dir;
  {
    std::ofstream out(dir / "duzy.prn", std::ios::binary);
    for (int i = 1; i <= 200'000; ++i)
      out << "Wiersz " << i << " ........................................ 1234567,89\r\n";
  }
  const int64_t size = static_cast<int64_t>(std::filesystem::file_size(dir / "duzy.prn"));
  ASSERT_GT(size, 10'000'000);
  ScreenDriver d;
  auto v = OpenViewer(d.con, dir / "duzy.prn");
  ASSERT_TRUE(v);
  d.Then([&] {
    EXPECT_TRUE(d.LineIs(0, "Wiersz 1 ........................................ 1234567,89"));
    EXPECT_LT(v->file().bytes_read(), 200'000);
  });
  d.Key(key::kCtrlPgDn).Then([&] {
    EXPECT_TRUE(d.LineIs(23, "Wiersz 200000 ........................................ 1234567,89"));
    EXPECT_TRUE(d.LineIs(0, "Wiersz 199977 ........................................ 1234567,89"));
  });
  d.Keys({key::kPgUp, key::kUp}).Then([&] { EXPECT_TRUE(d.LineIs(0, "Wiersz 199952 ........................................ 1234567,89")); });
  for (int i = 0; i < 100; ++i) d.Key(key::kPgDn);
  d.Key(key::kCtrlPgUp);
  for (int i = 0; i < 100; ++i) d.Key(key::kPgDn);
  d.Then([&] { EXPECT_TRUE(d.LineIs(0, "Wiersz 2401 ........................................ 1234567,89")); });
  d.Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](Console&) { v->Run(); }));
  EXPECT_LT(v->file().bytes_read(), size / 10);
}

TEST(TextViewer, KeyHookSeesKeysFirst) {
  TempDir dir;
  dir.Write("r.txt", NumberedLines(100));
  ScreenDriver d;
  auto v = OpenViewer(d.con, dir / "r.txt");
  ASSERT_TRUE(v);
  int printed = 0;
  d.Keys({key::kPgDn, key::kPgDn, key::F(5)}).Then([&] {
    EXPECT_EQ(printed, 1);
    EXPECT_TRUE(d.LineIs(0, "Linia 1"));  // after printing the view returns to the top
  });
  d.Keys({key::kDown, key::AltF(5)});
  ASSERT_TRUE(d.Run([&](Console&) {
    v->Run([&](int k, TextViewer& view) {
      if (k == key::F(5)) {
        ++printed;
        view.GoTop();
        return ViewerKey::kRepaint;
      }
      if (k == key::AltF(5)) return ViewerKey::kLeave;
      return ViewerKey::kNotHandled;
    });
  }));
  EXPECT_TRUE(d.term.Finished());
}

TEST(TextViewer, ShortEmptyAndUnterminatedFiles) {
  TempDir dir;
  dir.Write("short.txt", "jeden\r\ndwa\r\ntrzy");  // no line end after the last line
  dir.Write("empty.txt", "");
  ScreenDriver d;
  auto v = OpenViewer(d.con, dir / "short.txt", {.top = 0, .bottom = 22, .name = "POMOC.TXT"});
  ASSERT_TRUE(v);
  d.Keys({key::kDown, key::kPgDn, key::kCtrlPgDn}).Then([&] {
    EXPECT_TRUE(d.LineIs(0, "jeden"));  // nothing below a window shorter than the screen
    EXPECT_TRUE(d.LineIs(2, "trzy"));
    EXPECT_TRUE(d.LineIs(3, ""));
  });
  d.Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](Console&) { v->Run(); }));
  EXPECT_EQ(v->window_rows(), 23);

  auto e = OpenViewer(d.con, dir / "empty.txt");
  ASSERT_TRUE(e);
  d.Keys({key::kDown, key::kCtrlPgDn, key::kUp, key::kEsc});
  ASSERT_TRUE(d.Run([&](Console&) { e->Run(); }));
  EXPECT_TRUE(d.LineIs(0, ""));

  auto missing = TextViewer::Open(d.con, dir / "brak.txt");
  EXPECT_TRUE(missing.status().IsNotFound());
}

TEST(LineFile, FindsLinesBothWays) {
  TempDir dir;
  dir.Write("f.txt", "ab\r\n\r\ncd\nef");
  auto f = LineFile::Open(dir / "f.txt");
  ASSERT_TRUE(f.ok());
  LineFile& lf = **f;
  EXPECT_EQ(lf.NextLine(0), 4);
  EXPECT_EQ(lf.NextLine(4), 6);
  EXPECT_EQ(lf.NextLine(6), 9);
  EXPECT_EQ(lf.NextLine(9), lf.size());
  EXPECT_EQ(lf.PrevLine(9), 6);
  EXPECT_EQ(lf.PrevLine(6), 4);
  EXPECT_EQ(lf.PrevLine(4), 0);
  EXPECT_EQ(lf.PrevLine(0), 0);
  EXPECT_EQ(lf.LastLine(), 9);
  EXPECT_EQ(lf.ReadLine(0, 80), "ab");
  EXPECT_EQ(lf.ReadLine(4, 80), "");
  EXPECT_EQ(lf.ReadLine(9, 80), "ef");
  EXPECT_EQ(lf.ReadLine(0, 1), "a");
}

}  // namespace
}  // namespace hurt::console
