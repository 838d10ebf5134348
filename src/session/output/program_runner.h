// Runs an outside program (the print spooler's `lp`) with an argument vector, never
// through a shell, feeding its standard input while collecting what it prints.
//
// Input is written as it is produced, so a report of any size streams through without
// being held in memory; the program's output is read meanwhile, so neither side can
// block the other. A program that neither reads nor prints for kStallMillis is killed.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace hurt::session {

struct ProgramResult {
  int exit_code = -1;  // exit status when the program exited
  int signal = 0;      // the signal that ended it, 0 when it exited
  std::string out;     // standard output (the first kMaxOutput bytes)
  std::string err;     // standard error (the first kMaxOutput bytes)
  bool Succeeded() const { return signal == 0 && exit_code == 0; }
};

class ProgramRun {
 public:
  static constexpr int kStallMillis = 120'000;
  static constexpr size_t kMaxOutput = 64 * 1024;

  // Starts argv[0] (a path, or a name looked up in PATH) with its arguments.
  // "Brak programu <name>" when it cannot be started.
  static Result<std::unique_ptr<ProgramRun>> Start(const std::vector<std::string>& argv);
  ~ProgramRun();  // kills a program still running
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  // Writes to the program's standard input. An error when the program stopped reading
  // (it ended or closed its input): call Finish to learn why.
  Status Write(std::string_view data);
  // Closes the input, waits for the end and collects the output.
  Result<ProgramResult> Finish();

 private:
  ProgramRun() = default;
  // Waits until input can be written (when want_write) or output arrives; reads output.
  // False when nothing happened for kStallMillis.
  bool Pump(bool want_write, bool* writable, bool* input_broken);
  void ReadSome(int& fd, std::string& into);
  void CloseAll();

  std::string name_;
  pid_t pid_ = -1;
  int in_fd_ = -1;
  int out_fd_ = -1;
  int err_fd_ = -1;
  bool finished_ = false;
  ProgramResult result_;
};

// Starts a program, writes all of input to it and waits for its end.
Result<ProgramResult> RunProgram(const std::vector<std::string>& argv, std::string_view input);

}  // namespace hurt::session
