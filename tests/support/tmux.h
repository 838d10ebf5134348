// Drives a real program inside a private tmux server: start it in a pane of a given
// size, send keys, read the pane as text.
#pragma once

#include <string>
#include <vector>

namespace hurt::testing {

class TmuxSession {
 public:
  // Starts `command` (argument vector, run without a shell) in a detached session of
  // cols × rows in the directory cwd. The server socket is private to this object.
  TmuxSession(const std::vector<std::string>& command, const std::string& cwd, int cols = 80, int rows = 25,
              const std::vector<std::string>& env = {});
  ~TmuxSession();
  TmuxSession(const TmuxSession&) = delete;
  TmuxSession& operator=(const TmuxSession&) = delete;

  static bool Available();  // tmux is installed
  bool ok() const { return ok_; }

  // Keys in tmux's send-keys names ("F5", "S-F2", "M-k", "Enter", "Up") or literal text.
  void SendKeys(const std::vector<std::string>& keys);
  void SendText(const std::string& text);
  // The pane, with what scrolled off its top, as lines.
  std::string Capture();
  // Polls the pane until it contains `text` or timeout_ms passes; true when found.
  bool WaitFor(const std::string& text, int timeout_ms = 10'000);
  // Makes the window cols × rows, as a user's drag of the terminal window does.
  void Resize(int cols, int rows);
  // The pane's terminal device (another program may write to it).
  std::string PaneTty();
  // The pane's cursor is shown (the program's hide and show sequences as tmux took them).
  bool CursorVisible();
  // True while the program in the pane still runs.
  bool Running();
  // Exit status of the pane's program once it has ended (-1 while running).
  int ExitStatus();

 private:
  std::vector<std::string> Base() const;
  std::string socket_;
  std::string conf_;
  bool ok_ = false;
};

}  // namespace hurt::testing
