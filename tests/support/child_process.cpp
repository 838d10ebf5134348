#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

extern char** environ;

namespace hurt::testing {

namespace {

int64_t NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

std::vector<std::string> BuildEnvironment(const std::map<std::string, std::string>& extra) {
  std::map<std::string, std::string> merged;
  for (char** e = environ; *e; ++e) {
    std::string kv(*e);
    size_t eq = kv.find('=');
    if (eq != std::string::npos) merged[kv.substr(0, eq)] = kv.substr(eq + 1);
  }
  for (const auto& [k, v] : extra) merged[k] = v;
  std::vector<std::string> out;
  for (const auto& [k, v] : merged) out.push_back(k + "=" + v);
  return out;
}

std::vector<char*> CStrings(std::vector<std::string>& v) {
  std::vector<char*> out;
  for (auto& s : v) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const ProcessOptions& options) {
  int out_pipe[2], err_pipe[2], in_pipe[2];
  if (argv.empty() || pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(err_pipe, O_CLOEXEC) != 0 ||
      pipe2(in_pipe, O_CLOEXEC) != 0) {
    result_.err = "cannot create pipes";
    finished_ = true;
    return;
  }
  std::vector<std::string> args = argv;
  std::vector<std::string> env = BuildEnvironment(options.env);
  std::vector<char*> cargs = CStrings(args);
  std::vector<char*> cenv = CStrings(env);
  pid_ = fork();
  if (pid_ == 0) {
    dup2(in_pipe[0], 0);
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    setpgid(0, 0);
    if (!options.cwd.empty() && chdir(options.cwd.c_str()) != 0) _exit(126);
    execve(cargs[0], cargs.data(), cenv.data());
    _exit(127);
  }
  close(in_pipe[0]);
  close(out_pipe[1]);
  close(err_pipe[1]);
  out_fd_ = out_pipe[0];
  err_fd_ = err_pipe[0];
  if (pid_ < 0) {
    finished_ = true;
    result_.err = "fork failed";
  }
  // Standard input is small in tests; write it all and close so the child sees EOF.
  signal(SIGPIPE, SIG_IGN);
  size_t done = 0;
  while (pid_ > 0 && done < options.stdin_text.size()) {
    ssize_t n = write(in_pipe[1], options.stdin_text.data() + done, options.stdin_text.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  close(in_pipe[1]);
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !finished_) {
    Kill(SIGKILL);
    Wait(5000);
  }
  if (out_fd_ >= 0) close(out_fd_);
  if (err_fd_ >= 0) close(err_fd_);
}

void ChildProcess::Kill(int sig) {
  if (pid_ > 0 && !finished_) kill(pid_, sig);
}

void ChildProcess::Drain(int timeout_ms) {
  pollfd fds[2] = {{out_fd_, POLLIN, 0}, {err_fd_, POLLIN, 0}};
  int n = poll(fds, 2, timeout_ms);
  if (n <= 0) return;
  char buf[65536];
  for (int i = 0; i < 2; ++i) {
    if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
    ssize_t r = read(fds[i].fd, buf, sizeof buf);
    if (r > 0) {
      (i == 0 ? result_.out : result_.err).append(buf, static_cast<size_t>(r));
    } else if (r == 0) {
      close(fds[i].fd);
      (i == 0 ? out_fd_ : err_fd_) = -1;
    }
  }
}

const std::string& ChildProcess::OutputSoFar() {
  if (out_fd_ >= 0 || err_fd_ >= 0) Drain(0);
  return result_.out;
}

ProcessResult ChildProcess::Wait(int timeout_ms) {
  if (finished_) return result_;
  int64_t deadline = NowMs() + timeout_ms;
  while (true) {
    if (out_fd_ >= 0 || err_fd_ >= 0) Drain(20);
    int status = 0;
    pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      // Collect whatever is left in the pipes (grandchildren may still hold them; bounded).
      int64_t drain_deadline = NowMs() + 2000;
      while ((out_fd_ >= 0 || err_fd_ >= 0) && NowMs() < drain_deadline) Drain(20);
      if (WIFEXITED(status)) result_.exit_code = WEXITSTATUS(status);
      if (WIFSIGNALED(status)) result_.signal = WTERMSIG(status);
      finished_ = true;
      return result_;
    }
    if (out_fd_ < 0 && err_fd_ < 0) {
      timespec ts{0, 5'000'000};
      nanosleep(&ts, nullptr);
    }
    if (NowMs() > deadline) {
      result_.timed_out = true;
      kill(-pid_, SIGKILL);
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      finished_ = true;
      return result_;
    }
  }
}

ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options) {
  ChildProcess child(argv, options);
  return child.Wait(options.timeout_ms);
}

}  // namespace hurt::testing
