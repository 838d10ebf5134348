// hurt-demo DIR: creates a demo data directory, once.
//
// The directory is built by the program's own code: a session of station 1 on a screen
// nobody sees writes the company record, runs the start-up build (which creates every
// table and index of the catalogue in the current month), and then adds the demo
// content through the work areas. A directory that already holds a company table is left
// alone.
//
// Exit codes: 0 done (or already there), 1 the build or a write failed, 2 usage.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <system_error>

#include "base/clock.h"
#include "base/cp852.h"
#include "console/console.h"
#include "console/headless.h"
#include "demo_content.h"
#include "demo_writer.h"
#include "hurt_version.h"
#include "session/init_tables.h"
#include "session/session.h"
#include "store/net_files.h"
#include "xbase/env.h"

namespace {

// The store helpers' screen for a program without one: messages are dropped, failures
// go to standard error, pauses pass on the given clock.
class ConsoleLessUi final : public hurt::store::StoreUi {
 public:
  explicit ConsoleLessUi(hurt::Clock& clock) : clock_(clock) {}
  void SaveArea(int, int, int, int) override {}
  void RestoreArea() override {}
  void Message(std::string_view) override {}
  void Alert(std::string_view text) override {
    std::fprintf(stderr, "hurt-demo: %s\n", hurt::Cp852ToUtf8(text).c_str());
  }
  bool WaitForKeyOrTimeout(int64_t millis) override {
    clock_.Sleep(millis);
    return false;
  }
  void ProgressOpen(std::string_view, hurt::store::ProgressScreen) override {}
  void ProgressUpdate(std::string_view, std::string_view) override {}
  void ProgressClose() override {}

 private:
  hurt::Clock& clock_;
};

// A fake clock showing the real date and time: the hidden screen's waits pass at once.
hurt::FakeClock ClockAtNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return hurt::FakeClock(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                         local.tm_sec);
}

int Run(const std::string& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec || chdir(dir.c_str()) != 0) {
    std::fprintf(stderr, "hurt-demo: %s: cannot use the directory\n", dir.c_str());
    return 1;
  }
  hurt::xbase::Env& env = hurt::xbase::RealEnv();
  if (hurt::store::FileX(env, "firma.dbf")) {
    std::printf("hurt-demo: %s already holds data; nothing changed\n", dir.c_str());
    return 0;
  }

  hurt::FakeClock screen_clock = ClockAtNow();
  hurt::console::HeadlessBackend backend(screen_clock);
  hurt::console::Console con(backend, screen_clock);
  hurt::session::SessionOptions options;
  options.data_dir = ".";
  hurt::session::Session session(env, con, options);
  session.set_stacja(1);
  ConsoleLessUi ui(screen_clock);

  hurt::Status s = hurt::demo::WriteCompany(session, ui);
  if (s.ok() && !hurt::session::InitNtx(session, ui, "")) s = hurt::Status::IoError("the start-up build failed");
  if (s.ok()) s = hurt::demo::WriteContent(session, ui);
  hurt::Status closed = session.areas().CloseAll();
  if (s.ok()) s = closed;
  if (!s.ok()) {
    std::fprintf(stderr, "hurt-demo: %s: %s\n", dir.c_str(), s.ToString().c_str());
    return 1;
  }
  std::printf("hurt-demo: %s: period %s, %zu articles, %zu customers, %zu suppliers, %zu operators\n", dir.c_str(),
              session.hh().c_str(), hurt::demo::Articles().size(), hurt::demo::Customers().size(),
              hurt::demo::Suppliers().size(), hurt::demo::Operators().size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  constexpr const char* kUsage =
      "usage: hurt-demo DIR\n"
      "  creates a demo company in DIR (made when missing); a DIR that already holds one is left alone\n";
  const std::string arg = argc == 2 ? argv[1] : "";
  if (arg == "--help" || arg == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (arg == "--version" || arg == "-V") {
    std::printf("hurt-demo %s\n", HURT_VERSION);
    return 0;
  }
  // A name that looks like an option is one mistyped, never a folder to create.
  if (argc != 2 || arg.empty() || arg[0] == '-') {
    if (argc == 2) std::fprintf(stderr, "hurt-demo: unknown option \"%s\"\n", arg.c_str());
    std::fputs(kUsage, stderr);
    return 2;
  }
  return Run(arg);
}
