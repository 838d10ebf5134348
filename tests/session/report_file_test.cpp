#include "session/output/report_file.h"

#include <gtest/gtest.h>

#include <set>

#include "base/cp852.h"
#include "session/output/line_reader.h"
#include "session/output/report_paths.h"
#include "support/temp_dir.h"

namespace hurt::session {
namespace {

using namespace hurt::literals;
using xbase::RealEnv;

// The real file system, except that chosen files cannot be removed (as when another
// program holds them open) and, once armed, every write fails.
class StubbornEnv final : public xbase::Env {
 public:
  std::set<std::string> unremovable;
  bool fail_writes = false;

  Result<std::unique_ptr<xbase::File>> Open(const std::string& path, const xbase::OpenOptions& options) override {
    auto file = RealEnv().Open(path, options);
    if (!file.ok()) return file.status();
    return std::unique_ptr<xbase::File>(new FailingFile(std::move(*file), this));
  }
  bool Exists(const std::string& path) override { return RealEnv().Exists(path); }
  Status Remove(const std::string& path) override {
    if (unremovable.count(path)) return Status::IoError(path + ": remove: permission denied");
    return RealEnv().Remove(path);
  }
  Status Rename(const std::string& from, const std::string& to) override { return RealEnv().Rename(from, to); }
  Status CreateDirs(const std::string& path) override { return RealEnv().CreateDirs(path); }
  Result<std::vector<std::string>> ListDir(const std::string& path) override { return RealEnv().ListDir(path); }
  bool IsDir(const std::string& path) override { return RealEnv().IsDir(path); }
  Clock& clock() override { return RealEnv().clock(); }

 private:
  class FailingFile final : public xbase::File {
   public:
    FailingFile(std::unique_ptr<xbase::File> inner, StubbornEnv* env)
        : File(inner->path()), inner_(std::move(inner)), env_(env) {}
    Status ReadAt(uint64_t offset, size_t n, char* buf, size_t* got) override {
      return inner_->ReadAt(offset, n, buf, got);
    }
    Status WriteAt(uint64_t offset, std::string_view data) override {
      if (env_->fail_writes) return Status::IoError(path() + ": write: no space left on device");
      return inner_->WriteAt(offset, data);
    }
    Result<uint64_t> Size() override { return inner_->Size(); }
    Status Truncate(uint64_t size) override { return inner_->Truncate(size); }
    Status Sync() override { return inner_->Sync(); }
    Status Lock(uint64_t offset, uint64_t length, xbase::LockKind kind, bool wait) override {
      return inner_->Lock(offset, length, kind, wait);
    }
    Status Unlock(uint64_t offset, uint64_t length) override { return inner_->Unlock(offset, length); }

   private:
    std::unique_ptr<xbase::File> inner_;
    StubbornEnv* env_;
  };
};

class ReportFileTest : public testing::DataDirTest {
 protected:
  // Holds a file "in use", as the viewer of another station does.
  std::unique_ptr<xbase::File> Hold(const std::string& name) {
    if (!dir.Exists(name)) dir.Write(name, "old report\r\n");
    auto held = HoldReportFile(RealEnv(), dir / name);
    EXPECT_TRUE(held.ok()) << held.status().ToString();
    return held.ok() ? std::move(*held) : nullptr;
  }
};

TEST_F(ReportFileTest, WriterEndsLinesWithCrLfAndPassesPrinterBytesThrough) {
  dir.Write("raport.txt", std::string(5000, 'x'));  // an older, longer report
  auto writer = ReportWriter::Open(RealEnv(), dir / "raport.txt");
  ASSERT_TRUE(writer.ok()) << writer.status().ToString();
  const std::string controls = "\x1b" "3 \x1b!\x05\x0f" "a\b," "\x12\x0c";
  (*writer)->Line(controls);
  (*writer)->Write("Łódź"_pl);
  (*writer)->NewLine();
  (*writer)->Line("");
  ASSERT_TRUE((*writer)->Close().ok());
  EXPECT_EQ(dir.Read("raport.txt"), controls + "\r\n" + std::string("Łódź"_pl) + "\r\n\r\n");
}

TEST_F(ReportFileTest, WriterStreamsLargeReportsAndReportsTheFirstWriteError) {
  auto writer = ReportWriter::Open(RealEnv(), dir / "duzy.txt");
  ASSERT_TRUE(writer.ok());
  for (int i = 0; i < 20000; ++i) (*writer)->Line("wiersz " + std::to_string(i));
  ASSERT_TRUE((*writer)->Close().ok());
  auto file = OpenForReading(RealEnv(), dir / "duzy.txt");
  ASSERT_TRUE(file.ok());
  LineReader reader(**file);
  std::string line;
  int count = 0;
  while (reader.Next(line)) ASSERT_EQ(line, "wiersz " + std::to_string(count++));
  EXPECT_EQ(count, 20000);

  StubbornEnv env;
  auto failing = ReportWriter::Open(env, dir / "pelny.txt");
  ASSERT_TRUE(failing.ok());
  env.fail_writes = true;
  for (int i = 0; i < 20000; ++i) (*failing)->Line("wiersz");
  Status closed = (*failing)->Close();
  EXPECT_FALSE(closed.ok());
  EXPECT_NE(closed.message().find("pelny.txt"), std::string::npos);
}

TEST_F(ReportFileTest, DrukWritesLineSpacingAndReturnsThePrintMode) {
  auto writer = ReportWriter::Open(RealEnv(), dir / "druk.txt");
  ASSERT_TRUE(writer.ok());
  EXPECT_EQ(Druk(**writer), std::string("\x1b!\x01"));
  EXPECT_EQ(Druk(**writer, 32, 5), std::string("\x1b!\x05"));
  EXPECT_EQ(Druk(**writer, 256 + 24, 33), std::string("\x1b!\x21"));
  ASSERT_TRUE((*writer)->Close().ok());
  EXPECT_EQ(dir.Read("druk.txt"), std::string("\x1b" "3\x1c" "\x1b" "3 \x1b!\x05" "\x1b" "3\x18\x1b!\x21"));
}

TEST_F(ReportFileTest, FreeReportFileIsReplacedUnderItsOwnName) {
  dir.Write("rob/raport01.txt", "old");
  EXPECT_EQ(ChooseReportFile(RealEnv(), dir / "rob/raport01.txt"), dir / "rob/raport01.txt");
  EXPECT_FALSE(dir.Exists("rob/raport01.txt"));  // erased for the new run
  EXPECT_EQ(ChooseReportFile(RealEnv(), dir / "rob/nowy01.txt"), dir / "rob/nowy01.txt");
}

TEST_F(ReportFileTest, FileInUseFallsBackToTheFirstFreeNameFrom51) {
  auto held = Hold("rob/raport01.txt");
  EXPECT_EQ(ChooseReportFile(RealEnv(), dir / "rob/raport01.txt"), dir / "rob/raport51.txt");
  EXPECT_EQ(dir.Read("rob/raport01.txt"), "old report\r\n");  // the held file is left alone

  // 51 also in use, 52 left over but free: 52 is erased and taken.
  auto held51 = Hold("rob/raport51.txt");
  dir.Write("rob/raport52.txt", "stale");
  EXPECT_EQ(ChooseReportFile(RealEnv(), dir / "rob/raport01.txt"), dir / "rob/raport52.txt");
  EXPECT_FALSE(dir.Exists("rob/raport52.txt"));

  // Once the viewer lets go, the first name is free again.
  held.reset();
  EXPECT_EQ(ChooseReportFile(RealEnv(), dir / "rob/raport01.txt"), dir / "rob/raport01.txt");
}

TEST_F(ReportFileTest, FileThatCannotBeRemovedFallsBackToo) {
  StubbornEnv env;
  dir.Write("zest03.prn", "x");
  dir.Write("zest51.prn", "y");
  env.unremovable = {dir / "zest03.prn", dir / "zest51.prn"};
  EXPECT_EQ(ChooseReportFile(env, dir / "zest03.prn"), dir / "zest52.prn");
}

TEST_F(ReportFileTest, WhenEveryAlternativeIsHeldTheLastOneTriedIsUsed) {
  StubbornEnv env;
  dir.Write("lista01.txt", "x");
  env.unremovable.insert(dir / "lista01.txt");
  for (int n = 51; n <= 99; ++n) {
    const std::string name = "lista" + std::to_string(n) + ".txt";
    dir.Write(name, "x");
    env.unremovable.insert(dir / name);
  }
  EXPECT_EQ(ChooseReportFile(env, dir / "lista01.txt"), dir / "lista99.txt");
}

TEST_F(ReportFileTest, NameTooShortForAlternativesKeepsTheFirstName) {
  auto held = Hold("rob/a.txt");
  EXPECT_EQ(ChooseReportFile(RealEnv(), dir / "rob/a.txt"), dir / "rob/a.txt");
  // Only the name part counts: the folder's letters are never replaced.
  auto held_x = Hold("x.prn");
  EXPECT_EQ(ChooseReportFile(RealEnv(), dir / "x.prn"), dir / "x.prn");
  // Exactly two characters before the extension is enough.
  auto held_ab = Hold("ab.txt");
  EXPECT_EQ(ChooseReportFile(RealEnv(), dir / "ab.txt"), dir / "51.txt");
}

TEST_F(ReportFileTest, RunReportWritesTheRoutineIntoTheChosenFile) {
  auto first = RunReport(RealEnv(), dir / "zest01.txt", [](ReportWriter& out) { out.Line("PIERWSZY"); });
  ASSERT_TRUE(first.ok());
  EXPECT_EQ(*first, dir / "zest01.txt");
  EXPECT_EQ(dir.Read("zest01.txt"), "PIERWSZY\r\n");

  auto viewed = HoldReportFile(RealEnv(), *first);
  ASSERT_TRUE(viewed.ok());
  auto second = RunReport(RealEnv(), dir / "zest01.txt", [](ReportWriter& out) { out.Line("DRUGI"); });
  ASSERT_TRUE(second.ok());
  EXPECT_EQ(*second, dir / "zest51.txt");
  EXPECT_EQ(dir.Read("zest01.txt"), "PIERWSZY\r\n");
  EXPECT_EQ(dir.Read("zest51.txt"), "DRUGI\r\n");

  StubbornEnv env;
  auto failed = RunReport(env, dir / "zest02.txt", [&env](ReportWriter& out) {
    env.fail_writes = true;
    out.Line("X");
  });
  EXPECT_FALSE(failed.ok());
  EXPECT_EQ(MissingFileText("rob/druk01.prn"), "Brak pliku rob/druk01.prn");
  EXPECT_FALSE(WorkingOnCopy(RealEnv(), dir.str()));
  dir.Write("kopia.txt", "");
  EXPECT_TRUE(WorkingOnCopy(RealEnv(), dir.str()));
}

TEST_F(ReportFileTest, LineReaderSplitsOnLfAndKeepsALoneCr) {
  std::string text = "jeden\r\ndwa\nab\rXY\r\n";
  text += std::string(70000, 'z') + "\r\n";  // a line across the block boundary
  text += "ostatni bez konca";
  dir.Write("r.txt", text);
  auto file = OpenForReading(RealEnv(), dir / "r.txt");
  ASSERT_TRUE(file.ok());
  LineReader reader(**file);
  std::vector<std::string> lines;
  std::string line;
  while (reader.Next(line)) lines.push_back(line);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "jeden");
  EXPECT_EQ(lines[1], "dwa");
  EXPECT_EQ(lines[2], "ab\rXY");
  EXPECT_EQ(lines[3], std::string(70000, 'z'));
  EXPECT_EQ(lines[4], "ostatni bez konca");
  EXPECT_EQ(reader.line_number(), 5);
  EXPECT_TRUE(reader.status().ok());

  auto missing = OpenForReading(RealEnv(), dir / "brak.txt");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.status().message(), "Brak pliku " + (dir / "brak.txt"));
}

TEST(ReportPathsTest, DerivedNames) {
  EXPECT_EQ(Str2(1), "01");
  EXPECT_EQ(Str2(42), "42");
  EXPECT_EQ(Str2(0), "00");
  EXPECT_EQ(Str2(100), "00");
  EXPECT_EQ(DrukujFileName("", 7), "rob/druk07.prn");
  EXPECT_EQ(PdfCopyFileName("/dane", 12), "/dane/pdf12.txt");
  EXPECT_EQ(RangeCopyName("rob/raport01.txt"), "rob/raport01.tx");
  EXPECT_EQ(RangeCopyName("rob/a"), "");
  EXPECT_EQ(OperatorFileName("  C:\\Kopie\\RAPORT.TXT "), "C:/Kopie/raport.txt");
  EXPECT_EQ(OperatorFileName("Zestaw.Txt"), "zestaw.txt");
}

}  // namespace
}  // namespace hurt::session
