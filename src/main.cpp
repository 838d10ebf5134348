// hurt: the wholesale trade program. The current directory is the data directory.
//
//   hurt [argument]     one optional start-up argument (see shell/startup_args.h)
//   hurt --version      prints the version
//   hurt --help         prints the arguments and options; an unknown option is refused
//
// On a terminal the program draws through ncursesw and runs on the system clock. For
// tests that run stations as real processes there is a scripted headless mode, chosen by
// environment variables (details in shell/headless_run.h and README.md):
//
//   HURT_HEADLESS=<file>     keys from this file or FIFO, one per line ("Enter", "F6",
//                            "text:12.25", "wait:2000"); no terminal is used
//   HURT_SCREEN=<file>       the 25 screen lines (UTF-8), rewritten whole at every wait
//   HURT_SCREEN_LOG=<file>   every such screen appended, after "=== screen <n>"
//   HURT_CLOCK=<date time>   "2026-12-08 08:00:00": a clock that moves only on waits
//   HURT_LOCAL_DIR=<dir>     the station's own folder (single-instance lock), default
//                            $HOME/.hurt
//
// Exit codes: 0 after a normal end, 1 when the station could not start (or the terminal
// cannot be used), 2 for a bad HURT_ variable, 128 + the signal after SIGTERM or SIGHUP
// (the station signs off first and the terminal is put back).
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "base/clock.h"
#include "console/console.h"
#include "console/terminal.h"
#include "console/terminal_size.h"
#include "hurt_version.h"
#include "session/session.h"
#include "shell/headless_run.h"
#include "shell/startup.h"
#include "shell/startup_args.h"
#include "shell/startup_signals.h"
#include "xbase/env.h"

namespace {

// The date of the program file, for the main screen.
hurt::JulianDay ProgramDate() {
  struct stat st {};
  if (::stat("/proc/self/exe", &st) != 0) return hurt::kEmptyDate;
  std::tm tm{};
  time_t t = st.st_mtime;
  if (localtime_r(&t, &tm) == nullptr) return hurt::kEmptyDate;
  return hurt::JulianFromYmd(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

}  // namespace

int main(int argc, char** argv) {
  // Nothing is touched before the command line and the environment are found good.
  const hurt::shell::CommandLine command =
      hurt::shell::ParseCommandLine(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
  switch (command.action) {
    case hurt::shell::CommandLine::Action::kHelp:
      std::fputs(hurt::shell::UsageText().c_str(), stdout);
      return 0;
    case hurt::shell::CommandLine::Action::kVersion:
      std::printf("hurt %s\n", HURT_VERSION);
      return 0;
    case hurt::shell::CommandLine::Action::kRefuse:
      std::fprintf(stderr, "hurt: %s\n%s", command.problem.c_str(), "Opis argumentów: hurt --help\n");
      return 2;
    case hurt::shell::CommandLine::Action::kRun:
      break;
  }
  const std::string& arg = command.argument;
  auto config = hurt::shell::HeadlessConfigFromEnvironment([](const char* name) { return std::getenv(name); });
  if (!config.ok()) {
    std::fprintf(stderr, "hurt: %s\n", config.status().message().c_str());
    return 2;
  }
  if (config->headless() && ::access(config->keys.c_str(), R_OK) != 0) {
    std::fprintf(stderr, "hurt: HURT_HEADLESS: nie ma pliku klawiszy \"%s\" (albo nie można go czytać)\n",
                 config->keys.c_str());
    return 2;
  }

  // Before the terminal library starts, so that it leaves these signals to us.
  hurt::shell::InstallStopSignals();

  std::unique_ptr<hurt::shell::ScriptClock> script_clock;
  hurt::SystemClock system_clock;
  hurt::Clock* clock = &system_clock;
  if (config->clock) {
    script_clock = std::make_unique<hurt::shell::ScriptClock>(*config->clock);
    clock = script_clock.get();
  }
  hurt::shell::ClockedEnv env(hurt::xbase::RealEnv(), *clock);
  if (config->crash_in_posting > 0) env.CrashInPosting(config->crash_in_posting);
  if (config->crash_in_close > 0) env.CrashInClose(config->crash_in_close);

  std::unique_ptr<hurt::console::TerminalBackend> terminal;
  std::unique_ptr<hurt::shell::ScriptBackend> script;
  hurt::console::Backend* backend = nullptr;
  if (config->headless()) {
    script = std::make_unique<hurt::shell::ScriptBackend>(config->keys, *clock, script_clock.get());
    script->set_interrupted([] { return hurt::shell::PendingStopSignal() != 0; });
    backend = script.get();
  } else {
    auto opened = hurt::console::TerminalBackend::Open();
    if (!opened.ok()) {
      std::fputs(opened.status().message().c_str(), stderr);
      return 1;
    }
    terminal = std::move(*opened);
    backend = terminal.get();
  }
  std::unique_ptr<hurt::shell::ScreenFileBackend> screen_file;
  if (!config->screen.empty() || !config->screen_log.empty()) {
    screen_file = std::make_unique<hurt::shell::ScreenFileBackend>(*backend, config->screen, config->screen_log);
    backend = screen_file.get();
  }

  // Filled in below; the stop routine needs the session and the run's state.
  hurt::session::Session* session_ptr = nullptr;
  hurt::shell::StartupState state;
  hurt::shell::StopAwareBackend stop_aware(
      *backend,
      [&](int sig) {
        if (session_ptr != nullptr) hurt::shell::StopNow(*session_ptr, state);
        terminal.reset();  // the terminal as it was before the program
        std::exit(128 + sig);
      },
      config->headless() ? 0 : 250);

  hurt::console::Console con(stop_aware, *clock);
  hurt::session::SessionOptions options;
  options.data_dir = ".";
  options.argument = arg;
  options.local_dir = config->local_dir;
  hurt::session::Session session(env, con, options);
  session_ptr = &session;

  hurt::shell::StartupHooks hooks;
  hooks.program_date = ProgramDate();
  int code = hurt::shell::Main(session, state, hooks);
  terminal.reset();
  return code;
}
