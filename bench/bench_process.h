// What the benchmarks that run each phase in a process of their own share: the phase run
// as this program started again, and the figures of a process (wall time, CPU time, peak
// memory).
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace bench {

inline double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// User + system CPU seconds of this process.
inline double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  auto sec = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return sec(u.ru_utime) + sec(u.ru_stime);
}

// The process's peak resident memory.
inline double PeakMiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_maxrss) / 1024.0;
}

// `self --dir dir --phase phase` in a child process; true when it ended with 0.
inline bool RunPhase(const char* self, const std::string& dir, const char* phase) {
  const pid_t pid = fork();
  if (pid == 0) {
    execl(self, self, "--dir", dir.c_str(), "--phase", phase, static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace bench
