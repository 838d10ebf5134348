// Printing through the spooler: a stand-in `lp` script records its arguments and the
// bytes it was given.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "session/output/printer.h"
#include "session/output/program_runner.h"
#include "support/temp_dir.h"

namespace hurt::session {
namespace {

using xbase::RealEnv;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
    out.push_back(text.substr(start, nl - start));
  return out;
}

class SpoolerTest : public testing::DataDirTest {
 protected:
  void SetUp() override {
    WriteScript("lp",
                "#!/bin/sh\n"
                "here=$(dirname \"$0\")\n"
                "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$here/lp.args\"\n"
                "cat > \"$here/lp.data\"\n"
                "echo \"request id is kolejka-1 (1 file(s))\"\n");
    WriteScript("lp_brak_kolejki",
                "#!/bin/sh\n"
                "cat > /dev/null\n"
                "echo 'lp: The printer or class does not exist.' >&2\n"
                "exit 1\n");
    WriteScript("lpoptions_raw",
                "#!/bin/sh\n"
                "echo \"copies=1 device-uri=usb://Epson/LX-350 printer-make-and-model='Local Raw Printer' "
                "printer-type=4\"\n");
    WriteScript("lpoptions_pdf",
                "#!/bin/sh\n"
                "echo \"$@\" > \"$(dirname \"$0\")/lpoptions.args\"\n"
                "echo \"copies=1 device-uri=cups-pdf:/ printer-make-and-model='Generic CUPS-PDF Printer (w/ options)' "
                "printer-type=8425668\"\n");
    WriteScript("lp_nie_czyta",
                "#!/bin/sh\n"
                "echo 'lp: Error - scheduler not responding.' >&2\n"
                "exit 1\n");
  }

  void WriteScript(const std::string& name, const std::string& text) {
    dir.Write(name, text);
    chmod((dir / name).c_str(), 0755);
  }

  PrintOptions Options(const std::string& program = "lp") const {
    PrintOptions options;
    options.lp_program = dir / program;
    options.lpoptions_program = dir / "lpoptions_raw";
    return options;
  }

  std::vector<std::string> Args() const { return Lines(dir.Read("lp.args")); }
};

TEST_F(SpoolerTest, RangeOfAHugeReportGoesRawToTheNamedQueue) {
  std::string report;
  report.reserve(200'000 * 64);
  for (int i = 1; i <= 200'000; ++i)
    report += "wiersz " + std::to_string(i) + " \x1b" "E|" + std::string(40, static_cast<char>('a' + i % 26)) + "|\r\n";
  dir.Write("rob/duzy01.txt", report);

  const PrinterTarget target = ResolvePrinter({"magazyn_lx", "RAW"});
  auto printed = FileToPrinter(RealEnv(), dir / "rob/duzy01.txt", LineRange::FromTexts("150000", "150099"), target,
                               Options());
  ASSERT_TRUE(printed.ok()) << printed.status().ToString();
  EXPECT_EQ(*printed, PrintOutcome::kPrinted);
  EXPECT_EQ(Args(), (std::vector<std::string>{"-d", "magazyn_lx", "-o", "raw", "-t", "duzy01.txt"}));

  const std::vector<std::string> got = Lines(dir.Read("lp.data"));
  ASSERT_EQ(got.size(), 100u);
  for (int i = 0; i < 100; ++i) {
    const int n = 150'000 + i;
    ASSERT_EQ(got[static_cast<size_t>(i)],
              "wiersz " + std::to_string(n) + " \x1b" "E|" + std::string(40, static_cast<char>('a' + n % 26)) + "|\r");
  }

  // The whole report streams through as it is.
  ASSERT_TRUE(FileToPrinter(RealEnv(), dir / "rob/duzy01.txt", LineRange::All(), ResolvePrinter({"", "raw"}),
                            Options())
                  .ok());
  EXPECT_EQ(Args(), (std::vector<std::string>{"-o", "raw", "-t", "duzy01.txt"}));  // default queue
  EXPECT_TRUE(dir.Read("lp.data") == report);
}

TEST_F(SpoolerTest, SpoolerTypeSendsAPdf) {
  dir.Write("fv.txt", "\x1b" "3 \x1b!\x05" "FAKTURA\r\nzap\bl/acono\r\n\x0c" "strona 2\r\n");
  PrintOptions options = Options();
  options.title = "Faktura 12";
  auto printed = FileToPrinter(RealEnv(), dir / "fv.txt", LineRange::All(), ResolvePrinter({"biuro", "CUPS"}), options);
  ASSERT_TRUE(printed.ok()) << printed.status().ToString();
  EXPECT_EQ(Args(), (std::vector<std::string>{"-d", "biuro", "-t", "Faktura 12"}));
  const std::string pdf = dir.Read("lp.data");
  EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
  EXPECT_NE(pdf.find("%%EOF"), std::string::npos);

  // The old configuration word works the same.
  ASSERT_TRUE(FileToPrinter(RealEnv(), dir / "fv.txt", LineRange::FromTexts("2", "3"), ResolvePrinter({"", "WIN32"}),
                            Options())
                  .ok());
  EXPECT_EQ(Args(), (std::vector<std::string>{"-t", "fv.txt"}));
  EXPECT_EQ(dir.Read("lp.data").rfind("%PDF-", 0), 0u);
}

// Raw printer bytes sent to a queue that renders documents (a PDF printer) came out as a
// blank page without a word: the operator is told to print through the spooler instead.
TEST_F(SpoolerTest, ARawJobForAQueueThatRendersDocumentsIsRefusedWithTheCure) {
  dir.Write("r.txt", "\x1b" "E" "FAKTURA\r\n");
  PrintOptions options = Options();
  options.lpoptions_program = dir / "lpoptions_pdf";
  auto refused = FileToPrinter(RealEnv(), dir / "r.txt", LineRange::All(), ResolvePrinter({"PDF", "RAW"}), options);
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.status().message().find("Kolejka PDF (Generic CUPS-PDF Printer (w/ options)) nie drukuje surowych"),
            std::string::npos)
      << refused.status().message();
  EXPECT_NE(refused.status().message().find("PRINTERTYPE=CUPS"), std::string::npos);
  EXPECT_EQ(dir.Read("lpoptions.args"), "-p PDF\n");
  EXPECT_FALSE(dir.Exists("lp.data")) << "nothing was sent";
  // The same queue with PRINTERTYPE=CUPS gets a PDF.
  auto printed = FileToPrinter(RealEnv(), dir / "r.txt", LineRange::All(), ResolvePrinter({"PDF", "CUPS"}), options);
  ASSERT_TRUE(printed.ok()) << printed.status().ToString();
  EXPECT_EQ(dir.Read("lp.data").rfind("%PDF-", 0), 0u);
}

TEST_F(SpoolerTest, SpoolerComplaintsReachTheOperator) {
  dir.Write("r.txt", std::string(300'000, 'x') + "\r\n");
  auto no_queue = FileToPrinter(RealEnv(), dir / "r.txt", LineRange::All(), ResolvePrinter({"nie_ma", ""}),
                                Options("lp_brak_kolejki"));
  ASSERT_FALSE(no_queue.ok());
  EXPECT_NE(no_queue.status().message().find("The printer or class does not exist."), std::string::npos)
      << no_queue.status().message();

  // A spooler that quits without reading: no SIGPIPE, its own words come back.
  auto not_reading = FileToPrinter(RealEnv(), dir / "r.txt", LineRange::All(), ResolvePrinter({"x", ""}),
                                   Options("lp_nie_czyta"));
  ASSERT_FALSE(not_reading.ok());
  EXPECT_NE(not_reading.status().message().find("scheduler not responding"), std::string::npos)
      << not_reading.status().message();

  auto no_program = FileToPrinter(RealEnv(), dir / "r.txt", LineRange::All(), ResolvePrinter({"x", ""}),
                                  Options("nie_ma_lp"));
  ASSERT_FALSE(no_program.ok());
  EXPECT_NE(no_program.status().message().find("Brak programu"), std::string::npos) << no_program.status().message();
}

TEST_F(SpoolerTest, ArgumentsAreNeverSeenByAShell) {
  dir.Write("r.txt", "a\r\n");
  const std::string hostile = "q; touch " + (dir / "zlamane") + " $(id)";
  ASSERT_TRUE(FileToPrinter(RealEnv(), dir / "r.txt", LineRange::All(), ResolvePrinter({hostile, ""}), Options()).ok());
  EXPECT_EQ(Args()[1], hostile);
  EXPECT_FALSE(dir.Exists("zlamane"));
}

TEST(ProgramRunnerTest, CollectsOutputAndExitStatus) {
  auto result = RunProgram({"/bin/sh", "-c", "cat; echo koniec >&2; exit 3"}, "dane wejsciowe");
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(result->out, "dane wejsciowe");
  EXPECT_EQ(result->err, "koniec\n");
  EXPECT_EQ(result->exit_code, 3);
  EXPECT_FALSE(result->Succeeded());
}

}  // namespace
}  // namespace hurt::session
