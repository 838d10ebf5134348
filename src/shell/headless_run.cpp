#include "shell/headless_run.h"

#include <csignal>

#include <errno.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "base/cp852.h"
#include "base/date.h"
#include "base/text.h"
#include "console/keys.h"
#include "console/screen_buffer.h"

namespace hurt::shell {

namespace {

// A wait for ever that gets no line for this long answers Esc, so that a station whose
// test went away ends by itself instead of waiting for good.
constexpr int64_t kOrphanLimitMs = 10 * 60 * 1000;
constexpr int kPollMs = 5;

void RealPause(int64_t millis) {
  if (millis <= 0) return;
  timespec ts{static_cast<time_t>(millis / 1000), static_cast<long>((millis % 1000) * 1'000'000)};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

int64_t RealNowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

bool ReadInt(std::string_view s, long min, long max, int* out) {
  if (s.empty() || s.size() > 9) return false;
  long v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < min || v > max) return false;
  *out = static_cast<int>(v);
  return true;
}

std::optional<int> KeyByName(std::string_view name) {
  std::string wanted = Lower(name);
  for (int code = -60; code <= 512; ++code) {
    if (code == console::key::kNone) continue;
    std::string known = console::KeyName(code);
    if (known.empty() || known.front() == '\'') continue;
    if (Lower(known) == wanted) return code;
  }
  return std::nullopt;
}

}  // namespace

std::optional<ClockStart> ParseClockText(std::string_view text) {
  std::string t = AllTrim(text);
  ClockStart c;
  if (t.size() < 10 || t[4] != '-' || t[7] != '-') return std::nullopt;
  if (!ReadInt(Substr(t, 1, 4), 1900, 2999, &c.year) || !ReadInt(Substr(t, 6, 2), 1, 12, &c.month) ||
      !ReadInt(Substr(t, 9, 2), 1, 31, &c.day))
    return std::nullopt;
  if (!IsValidDate(c.year, c.month, c.day)) return std::nullopt;
  std::string time = AllTrim(Substr(t, 11));
  if (time.empty()) return c;
  if (time.size() != 5 && time.size() != 8) return std::nullopt;
  if (time[2] != ':' || (time.size() == 8 && time[5] != ':')) return std::nullopt;
  if (!ReadInt(Substr(time, 1, 2), 0, 23, &c.hour) || !ReadInt(Substr(time, 4, 2), 0, 59, &c.minute))
    return std::nullopt;
  if (time.size() == 8 && !ReadInt(Substr(time, 7, 2), 0, 59, &c.second)) return std::nullopt;
  return c;
}

Result<HeadlessConfig> HeadlessConfigFromEnvironment(const EnvironmentLookup& get) {
  auto var = [&](const char* name) {
    const char* v = get(name);
    return v ? std::string(v) : std::string();
  };
  HeadlessConfig c;
  c.keys = var("HURT_HEADLESS");
  c.screen = var("HURT_SCREEN");
  c.screen_log = var("HURT_SCREEN_LOG");
  c.local_dir = var("HURT_LOCAL_DIR");
  if (c.local_dir.empty()) {
    std::string home = var("HOME");
    c.local_dir = (home.empty() ? std::string(".") : home) + "/.hurt";
  }
  const std::string crash = var("HURT_CRASH_IN_POSTING");
  if (!crash.empty()) {
    if (!ReadInt(AllTrim(crash), 1, 1'000'000, &c.crash_in_posting)) {
      return Status::Invalid("HURT_CRASH_IN_POSTING: expected a number of writes, got \"" + crash + "\"");
    }
    if (!c.headless()) return Status::Invalid("HURT_CRASH_IN_POSTING needs HURT_HEADLESS");
  }
  const std::string close_crash = var("HURT_CRASH_IN_CLOSE");
  if (!close_crash.empty()) {
    if (!ReadInt(AllTrim(close_crash), 1, 1'000'000, &c.crash_in_close)) {
      return Status::Invalid("HURT_CRASH_IN_CLOSE: expected a number of writes, got \"" + close_crash + "\"");
    }
    if (!c.headless()) return Status::Invalid("HURT_CRASH_IN_CLOSE needs HURT_HEADLESS");
  }
  std::string clock = var("HURT_CLOCK");
  if (!clock.empty()) {
    c.clock = ParseClockText(clock);
    if (!c.clock) return Status::Invalid("HURT_CLOCK: expected \"yyyy-mm-dd hh:mm:ss\", got \"" + clock + "\"");
    if (!c.headless()) return Status::Invalid("HURT_CLOCK needs HURT_HEADLESS (a terminal waits in real time)");
  }
  return c;
}

Result<std::vector<ScriptStep>> ParseScriptLine(std::string_view raw) {
  std::string line(raw);
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  std::vector<ScriptStep> steps;
  std::string trimmed = AllTrim(line);
  if (trimmed.empty() || trimmed.front() == '#') return steps;
  if (Lower(Left(trimmed, 5)) == "text:") {
    // The text as written, blanks included: everything after the first "text:".
    size_t at = line.find(':');
    for (char c : Utf8ToCp852(std::string_view(line).substr(at + 1)))
      steps.push_back({ScriptStep::Kind::kKey, static_cast<unsigned char>(c), 0});
    return steps;
  }
  if (Lower(Left(trimmed, 5)) == "wait:") {
    int ms = 0;
    if (!ReadInt(AllTrim(trimmed.substr(5)), 0, 86'400'000, &ms))
      return Status::Invalid("wait: needs milliseconds: " + trimmed);
    steps.push_back({ScriptStep::Kind::kWait, 0, ms});
    return steps;
  }
  if (Lower(Left(trimmed, 4)) == "key:") {
    std::string n = AllTrim(trimmed.substr(4));
    bool negative = !n.empty() && n.front() == '-';
    int code = 0;
    if (!ReadInt(negative ? n.substr(1) : n, 0, 1023, &code)) return Status::Invalid("key: needs a number: " + trimmed);
    steps.push_back({ScriptStep::Kind::kKey, negative ? -code : code, 0});
    return steps;
  }
  std::optional<int> code = KeyByName(trimmed);
  if (!code) return Status::Invalid("no such key: " + trimmed);
  steps.push_back({ScriptStep::Kind::kKey, *code, 0});
  return steps;
}

// ---- ScriptClock ----

ScriptClock::ScriptClock(const ClockStart& s) : fake_(s.year, s.month, s.day, s.hour, s.minute, s.second) {}

void ScriptClock::Sleep(int64_t millis) {
  fake_.Advance(millis);
  RealPause(std::min<int64_t>(millis, 5));
}

// ---- ScriptBackend ----

ScriptBackend::ScriptBackend(std::string keys_path, Clock& clock, ScriptClock* script_clock)
    : path_(std::move(keys_path)), clock_(clock), script_clock_(script_clock) {}

ScriptBackend::~ScriptBackend() {
  if (fd_ >= 0) close(fd_);
}

void ScriptBackend::Fill() {
  if (fd_ < 0) {
    fd_ = open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return;  // not there yet
  }
  char buf[4096];
  for (;;) {
    ssize_t got = read(fd_, buf, sizeof buf);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;  // nothing more for now (end of the file so far, or an empty FIFO)
    partial_.append(buf, static_cast<size_t>(got));
  }
  size_t nl;
  while ((nl = partial_.find('\n')) != std::string::npos) {
    std::string line = partial_.substr(0, nl);
    partial_.erase(0, nl + 1);
    auto steps = ParseScriptLine(line);
    if (!steps.ok()) {
      bad_lines_.push_back(line);
      std::fprintf(stderr, "hurt: HURT_HEADLESS: %s\n", steps.status().message().c_str());
      continue;
    }
    for (const ScriptStep& s : *steps) steps_.push_back(s);
  }
}

void ScriptBackend::Pass(int64_t millis) {
  if (millis <= 0) return;
  if (script_clock_ != nullptr) {
    script_clock_->Advance(millis);
  } else {
    clock_.Sleep(millis);
  }
}

std::optional<int> ScriptBackend::ReadKey(int64_t timeout_ms) {
  const bool forever = timeout_ms < 0;
  int64_t left = timeout_ms;
  const int64_t idle_since = RealNowMs();
  for (;;) {
    Fill();
    if (!steps_.empty()) {
      ScriptStep& s = steps_.front();
      if (s.kind == ScriptStep::Kind::kKey) {
        int k = s.key;
        steps_.pop_front();
        return k;
      }
      if (forever || s.millis <= left) {
        Pass(s.millis);
        if (!forever) left -= s.millis;
        steps_.pop_front();
        continue;
      }
      Pass(left);
      s.millis -= left;
      return std::nullopt;
    }
    if (!forever && left <= 0) return std::nullopt;
    if (!forever && script_clock_ != nullptr) {
      // Nothing is waiting: on the script's clock the time-out simply passes. A moment of
      // real time goes by as well, so that a retry loop pausing here does not run through
      // all its tries before another station has let go of a lock.
      script_clock_->Advance(left);
      RealPause(std::min<int64_t>(left, 2));
      return std::nullopt;
    }
    if (interrupted_ && interrupted_()) return std::nullopt;
    if (forever && RealNowMs() - idle_since > kOrphanLimitMs) return console::key::kEsc;
    int64_t pause = forever ? kPollMs : std::min<int64_t>(left, kPollMs);
    if (forever || script_clock_ != nullptr) {
      RealPause(pause);
    } else {
      clock_.Sleep(pause);
      left -= pause;
    }
  }
}

// ---- ScreenFileBackend ----

std::string ScreenText(const console::ScreenBuffer& screen) {
  std::string out;
  for (const std::string& line : screen.Lines()) {
    out += line;
    out += '\n';
  }
  return out;
}

ScreenFileBackend::ScreenFileBackend(console::Backend& inner, std::string screen_path, std::string log_path)
    : inner_(inner), screen_path_(std::move(screen_path)), log_path_(std::move(log_path)) {}

void ScreenFileBackend::Present(const console::ScreenBuffer& screen, const console::CursorState& cursor) {
  inner_.Present(screen, cursor);
  std::string text = ScreenText(screen);
  if (text == last_ && written_ > 0) return;
  last_ = text;
  ++written_;
  if (!screen_path_.empty()) {
    std::string tmp = screen_path_ + ".tmp";
    if (FILE* f = std::fopen(tmp.c_str(), "wb")) {
      bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
      ok = std::fclose(f) == 0 && ok;
      if (ok) std::rename(tmp.c_str(), screen_path_.c_str());
    }
  }
  if (!log_path_.empty()) {
    if (FILE* f = std::fopen(log_path_.c_str(), "ab")) {
      std::string entry = "=== screen " + std::to_string(written_) + "\n" + text;
      std::fwrite(entry.data(), 1, entry.size(), f);
      std::fclose(f);
    }
  }
}

// ---- ClockedEnv ----

// A file whose writes the env counts for HURT_CRASH_IN_POSTING.
class ClockedEnv::CountedFile final : public xbase::ForwardingFile {
 public:
  CountedFile(std::unique_ptr<xbase::File> f, ClockedEnv& env) : ForwardingFile(std::move(f)), env_(env) {}
  Status WriteAt(uint64_t offset, std::string_view data) override {
    env_.Wrote(path());
    return base().WriteAt(offset, data);
  }

 private:
  ClockedEnv& env_;
};

Status ClockedEnv::Rename(const std::string& from, const std::string& to) {
  if (crash_after_ > 0) Wrote(to);
  return base().Rename(from, to);
}

Result<std::unique_ptr<xbase::File>> ClockedEnv::Open(const std::string& path, const xbase::OpenOptions& o) {
  auto f = base().Open(path, o);
  if (!f.ok() || crash_after_ == 0) return f;
  return std::unique_ptr<xbase::File>(std::make_unique<CountedFile>(std::move(*f), *this));
}

void ClockedEnv::Wrote(const std::string& path) {
  const std::string name = Lower(path.substr(path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1));
  const bool journal = counting_close_ ? path.find("zamknij/r") != std::string::npos
                                      : name.size() == 10 && name.rfind("post", 0) == 0 && name.substr(6) == ".jnl";
  if (counting_ < 0) {
    if (journal) counting_ = 0;
    return;
  }
  if (++counting_ >= crash_after_) raise(SIGKILL);
}

}  // namespace hurt::shell
