#include "support/hurt_station.h"

#include "support/screen_driver.h"

#include <signal.h>
#include <sys/wait.h>
#include <time.h>

#include <fstream>
#include <sstream>

#include "support/temp_dir.h"

namespace hurt::testing {

namespace {

constexpr int kPollMs = 10;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void Pause() {
  timespec ts{0, kPollMs * 1'000'000L};
  nanosleep(&ts, nullptr);
}

int64_t NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

}  // namespace

HurtStation::HurtStation(const std::string& data_dir, const std::string& work_dir, const std::string& name,
                         const StationOptions& options)
    : keys_(work_dir + "/" + name + ".keys"), screen_(work_dir + "/" + name + ".screen"), log_(work_dir + "/" + name + ".log") {
  {
    std::ofstream keys(keys_, std::ios::binary | std::ios::trunc);
    for (const std::string& line : options.keys) keys << line << '\n';
  }
  std::remove(screen_.c_str());
  std::remove(log_.c_str());
  ProcessOptions p;
  p.cwd = data_dir;
  p.timeout_ms = 120'000;
  p.env = {{"HURT_HEADLESS", keys_},
           {"HURT_SCREEN", screen_},
           {"HURT_SCREEN_LOG", log_},
           {"HURT_CLOCK", options.clock},
           {"HURT_LOCAL_DIR", options.local_dir.empty() ? work_dir + "/" + name + ".local" : options.local_dir}};
  for (const auto& [name_of, value] : options.env) p.env[name_of] = value;
  std::vector<std::string> argv = {BuiltProgram("hurt")};
  if (!options.argument.empty()) argv.push_back(options.argument);
  child_ = std::make_unique<ChildProcess>(argv, p);
}

HurtStation::~HurtStation() {
  if (!ended_) {
    child_->Kill(SIGKILL);
    child_->Wait(5'000);
  }
}

void HurtStation::Send(std::string_view line) {
  std::ofstream keys(keys_, std::ios::binary | std::ios::app);
  keys << line << '\n';
}

bool HurtStation::running() {
  if (ended_) return false;
  int status = 0;
  // Looks without reaping: the result is collected by WaitExit.
  siginfo_t info{};
  info.si_pid = 0;
  if (waitid(P_PID, static_cast<id_t>(child_->pid()), &info, WEXITED | WNOHANG | WNOWAIT) != 0) return false;
  (void)status;
  return info.si_pid == 0;
}

bool HurtStation::WaitForScreen(std::string_view text, int timeout_ms) { return WaitForScreen(text, {}, timeout_ms); }

bool HurtStation::WaitForScreen(std::string_view text, std::string_view without, int timeout_ms) {
  auto shows = [&] {
    std::string screen = Screen();
    return ScreenShows(screen, text) && (without.empty() || !ScreenShows(screen, without));
  };
  const int64_t end = NowMs() + timeout_ms;
  for (;;) {
    if (shows()) return true;
    if (NowMs() > end || !running()) return shows();
    Pause();
  }
}

bool HurtStation::WaitForLog(std::string_view text, int timeout_ms) {
  const int64_t end = NowMs() + timeout_ms;
  for (;;) {
    if (LogContains(text)) return true;
    if (NowMs() > end || !running()) return LogContains(text);
    Pause();
  }
}

bool HurtStation::LogContains(std::string_view text) const {
  const std::string log = Log();
  if (log.find(text) != std::string::npos) return true;
  // A long message is wrapped in its window: each logged screen is looked at as a screen.
  const std::string_view all(log);
  const std::string_view marker = "=== screen ";
  size_t at = all.find(marker);
  while (at != std::string_view::npos) {
    const size_t body = all.find('\n', at);
    if (body == std::string_view::npos) break;
    const size_t next = all.find(marker, body);
    if (ScreenShows(all.substr(body + 1, next == std::string_view::npos ? std::string_view::npos : next - body - 1),
                    text)) {
      return true;
    }
    at = next;
  }
  return false;
}
std::string HurtStation::Screen() const { return ReadAll(screen_); }
std::string HurtStation::Log() const { return ReadAll(log_); }

int HurtStation::WaitExit(int timeout_ms) {
  if (!ended_) {
    result_ = child_->Wait(timeout_ms);
    ended_ = true;
  }
  if (result_.timed_out) return -1;
  return result_.signal != 0 ? 128 + result_.signal : result_.exit_code;
}

void HurtStation::Kill(int sig) { child_->Kill(sig); }

}  // namespace hurt::testing
