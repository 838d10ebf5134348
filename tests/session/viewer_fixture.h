// A session on a real data directory with the headless screen and a stand-in spooler,
// for the report viewer tests.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "console/keys.h"
#include "session/session.h"
#include "session/viewer.h"
#include "support/screen_driver.h"
#include "support/temp_dir.h"

namespace hurt::session {

class ViewerTest : public hurt::testing::DataDirTest {
 public:
  void SetUp() override {
    SessionOptions options;
    options.data_dir = dir.str();
    session = std::make_unique<Session>(xbase::RealEnv(), d.con, options);
    session->set_stacja(3);
    // The spooler records its arguments and what it was given.
    dir.Write("bin/lp",
              "#!/bin/sh\n"
              "here=$(dirname \"$0\")\n"
              "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$here/lp.args\"\n"
              "cat > \"$here/lp.data\"\n");
    chmod((dir / "bin/lp").c_str(), 0755);
    setup.print.lp_program = dir / "bin/lp";
    setup.station.computer_name = "KASA3";
    setup.stats = &stats;
    dir.Write("vat.ini", "[KASA3]\r\nPRINTERNAME=magazyn\r\nPRINTERTYPE=RAW\r\n");
  }

  // A report of `lines` lines "wiersz <n>" written by a report routine.
  static ReportProcedure Lines(int lines) {
    return [lines](ReportWriter& out) {
      for (int i = 1; i <= lines; ++i) out.Line("wiersz " + std::to_string(i));
    };
  }

  // Views the station's report file written by `procedure` over the script given.
  void View(const ReportProcedure& procedure, std::string_view file = {}) {
    EXPECT_TRUE(d.Run([&](console::Console&) { ViewDruk(*session, procedure, file, setup); }));
  }

  bool Printed() const { return dir.Exists("bin/lp.args"); }
  std::vector<std::string> LpArgs() const { return Split(dir.Read("bin/lp.args"), "\n"); }
  std::string LpData() const { return dir.Read("bin/lp.data"); }

  static std::vector<std::string> Split(const std::string& text, const std::string& sep) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t at; (at = text.find(sep, start)) != std::string::npos; start = at + sep.size())
      out.push_back(text.substr(start, at - start));
    if (start < text.size()) out.push_back(text.substr(start));
    return out;
  }

  // When the program next waits, the screen shows `utf8`; Space then goes on.
  void ExpectMessage(const std::string& utf8) {
    d.Then([this, utf8] { EXPECT_TRUE(d.Contains(utf8)); }).Key(console::key::kSpace);
  }

  hurt::testing::ScreenDriver d;
  std::unique_ptr<Session> session;
  ViewerStats stats;
  ViewerSetup setup;
};

}  // namespace hurt::session
