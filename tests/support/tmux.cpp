#include "support/tmux.h"

#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "support/child_process.h"

namespace hurt::testing {

namespace {
int64_t NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

// Quotes one argument for the command line tmux hands to its own shell.
std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    if (c == '\'') out += "'\\''";
    else out += c;
  }
  return out + "'";
}

const char* TmuxPath() { return access("/usr/bin/tmux", X_OK) == 0 ? "/usr/bin/tmux" : "/usr/local/bin/tmux"; }
}  // namespace

bool TmuxSession::Available() { return access(TmuxPath(), X_OK) == 0; }

std::vector<std::string> TmuxSession::Base() const { return {TmuxPath(), "-S", socket_}; }

TmuxSession::TmuxSession(const std::vector<std::string>& command, const std::string& cwd, int cols, int rows,
                         const std::vector<std::string>& env) {
  static std::atomic<int> counter{0};
  socket_ = "/tmp/hurt-tmux-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
  std::string cmdline;
  for (const auto& e : env) cmdline += "export " + ShellQuote(e) + "; ";
  cmdline += "exec";
  for (const auto& a : command) cmdline += " " + ShellQuote(a);
  // The configuration keeps a finished program's pane, so its last screen and exit status
  // can still be read.
  conf_ = socket_ + ".conf";
  if (FILE* f = std::fopen(conf_.c_str(), "w")) {
    std::fputs("set -g remain-on-exit on\nset -g history-limit 1000\n", f);
    std::fclose(f);
  }
  auto args = Base();
  args.insert(args.end(), {"-f", conf_, "new-session", "-d", "-s", "t"});
  args.insert(args.end(), {"-x", std::to_string(cols), "-y", std::to_string(rows), "-c", cwd, cmdline});
  ProcessOptions opt;
  opt.env["TERM"] = "xterm-256color";
  opt.timeout_ms = 10'000;
  ok_ = RunProcess(args, opt).Succeeded();
}

TmuxSession::~TmuxSession() {
  auto args = Base();
  args.push_back("kill-server");
  RunProcess(args);
  unlink(socket_.c_str());
  unlink(conf_.c_str());
}

void TmuxSession::SendKeys(const std::vector<std::string>& keys) {
  auto args = Base();
  args.insert(args.end(), {"send-keys", "-t", "t"});
  args.insert(args.end(), keys.begin(), keys.end());
  RunProcess(args);
}

void TmuxSession::SendText(const std::string& text) {
  auto args = Base();
  args.insert(args.end(), {"send-keys", "-t", "t", "-l", text});
  RunProcess(args);
}

std::string TmuxSession::Capture() {
  auto args = Base();
  args.insert(args.end(), {"capture-pane", "-p", "-S", "-", "-t", "t"});
  return RunProcess(args).out;
}

bool TmuxSession::WaitFor(const std::string& text, int timeout_ms) {
  int64_t deadline = NowMs() + timeout_ms;
  do {
    if (Capture().find(text) != std::string::npos) return true;
    timespec ts{0, 50'000'000};
    nanosleep(&ts, nullptr);
  } while (NowMs() < deadline);
  return false;
}

void TmuxSession::Resize(int cols, int rows) {
  auto args = Base();
  args.insert(args.end(), {"resize-window", "-t", "t", "-x", std::to_string(cols), "-y", std::to_string(rows)});
  RunProcess(args);
}

std::string TmuxSession::PaneTty() {
  auto args = Base();
  args.insert(args.end(), {"display-message", "-p", "-t", "t", "#{pane_tty}"});
  std::string out = RunProcess(args).out;
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

bool TmuxSession::CursorVisible() {
  auto args = Base();
  args.insert(args.end(), {"display-message", "-p", "-t", "t", "#{cursor_flag}"});
  return RunProcess(args).out.rfind("1", 0) == 0;
}

bool TmuxSession::Running() {
  auto args = Base();
  args.insert(args.end(), {"display-message", "-p", "-t", "t", "#{pane_dead}"});
  return RunProcess(args).out.rfind("0", 0) == 0;
}

int TmuxSession::ExitStatus() {
  auto args = Base();
  args.insert(args.end(), {"display-message", "-p", "-t", "t", "#{pane_dead}:#{pane_dead_status}"});
  std::string out = RunProcess(args).out;
  if (out.rfind("1:", 0) != 0) return -1;
  return std::atoi(out.c_str() + 2);
}

}  // namespace hurt::testing
