// Runs a program as a child process with a time-out and collects what it printed.
//
// The program is started with an argument vector (no shell). A child that outlives
// its time-out is killed with SIGKILL and reported as timed out.
#pragma once

#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace hurt::testing {

struct ProcessOptions {
  std::string cwd;                          // "" = the test's current directory
  std::map<std::string, std::string> env;  // added to (or replacing in) the inherited environment
  std::string stdin_text;                  // written to the child's standard input, then closed
  int timeout_ms = 30'000;
};

struct ProcessResult {
  int exit_code = -1;    // exit status when the child exited
  int signal = 0;        // the signal that ended it, 0 when it exited
  bool timed_out = false;
  std::string out;       // standard output
  std::string err;       // standard error
  bool Succeeded() const { return !timed_out && signal == 0 && exit_code == 0; }
};

// Starts argv[0] (a path) with its arguments and waits for it.
ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});

// A child that runs alongside the test: started at construction, waited for or killed.
class ChildProcess {
 public:
  ChildProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});
  ~ChildProcess();  // kills a child still running
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  bool started() const { return pid_ > 0; }
  // Sends a signal (SIGKILL by default).
  void Kill(int sig = 9);
  // Waits for the end (collecting output) up to timeout_ms; kills it after that.
  ProcessResult Wait(int timeout_ms = 30'000);
  // Output gathered so far, without waiting for the end (reads what is available).
  const std::string& OutputSoFar();

 private:
  void Drain(int timeout_ms);
  pid_t pid_ = -1;
  int out_fd_ = -1;
  int err_fd_ = -1;
  bool finished_ = false;
  ProcessResult result_;
};

}  // namespace hurt::testing
