#include "session/output/program_runner.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

extern char** environ;

namespace hurt::session {

namespace {

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

void SetNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

}  // namespace

Result<std::unique_ptr<ProgramRun>> ProgramRun::Start(const std::vector<std::string>& argv) {
  if (argv.empty() || argv[0].empty()) return Status::Invalid("Brak nazwy programu");
  // Standard input is a socket so that writing after the program has gone gives an error
  // (MSG_NOSIGNAL) instead of SIGPIPE; the program reads it like a pipe.
  int in_pair[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in_pair) != 0)
    return Status::IoError(std::string("socketpair: ") + std::strerror(errno));
  int out_pipe[2];
  int err_pipe[2];
  if (pipe2(out_pipe, O_CLOEXEC) != 0) {
    close(in_pair[0]);
    close(in_pair[1]);
    return Status::IoError(std::string("pipe: ") + std::strerror(errno));
  }
  if (pipe2(err_pipe, O_CLOEXEC) != 0) {
    close(in_pair[0]);
    close(in_pair[1]);
    close(out_pipe[0]);
    close(out_pipe[1]);
    return Status::IoError(std::string("pipe: ") + std::strerror(errno));
  }

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in_pair[1], 0);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err_pipe[1], 2);

  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  pid_t pid = -1;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(in_pair[1]);
  close(out_pipe[1]);
  close(err_pipe[1]);
  if (rc != 0) {
    close(in_pair[0]);
    close(out_pipe[0]);
    close(err_pipe[0]);
    if (rc == ENOENT) return Status::NotFound("Brak programu " + argv[0]);
    return Status::IoError("Nie moge uruchomic programu " + argv[0] + " (" + std::strerror(rc) + ")");
  }

  auto run = std::unique_ptr<ProgramRun>(new ProgramRun());
  run->name_ = argv[0];
  run->pid_ = pid;
  run->in_fd_ = in_pair[0];
  run->out_fd_ = out_pipe[0];
  run->err_fd_ = err_pipe[0];
  SetNonBlocking(run->in_fd_);
  SetNonBlocking(run->out_fd_);
  SetNonBlocking(run->err_fd_);
  return run;
}

ProgramRun::~ProgramRun() {
  CloseAll();
  if (pid_ > 0 && !finished_) {
    kill(pid_, SIGKILL);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
  }
}

void ProgramRun::CloseAll() {
  CloseFd(in_fd_);
  CloseFd(out_fd_);
  CloseFd(err_fd_);
}

void ProgramRun::ReadSome(int& fd, std::string& into) {
  char buf[4096];
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n > 0) {
      const size_t room = kMaxOutput > into.size() ? kMaxOutput - into.size() : 0;
      into.append(buf, std::min(room, static_cast<size_t>(n)));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    CloseFd(fd);  // end of output or an error
    return;
  }
}

bool ProgramRun::Pump(bool want_write, bool* writable, bool* input_broken) {
  pollfd fds[3];
  nfds_t n = 0;
  int in_index = -1;
  int out_index = -1;
  int err_index = -1;
  if (want_write && in_fd_ >= 0) {
    in_index = static_cast<int>(n);
    fds[n++] = {in_fd_, POLLOUT, 0};
  }
  if (out_fd_ >= 0) {
    out_index = static_cast<int>(n);
    fds[n++] = {out_fd_, POLLIN, 0};
  }
  if (err_fd_ >= 0) {
    err_index = static_cast<int>(n);
    fds[n++] = {err_fd_, POLLIN, 0};
  }
  if (n == 0) return true;
  int rc;
  do {
    rc = poll(fds, n, kStallMillis);
  } while (rc < 0 && errno == EINTR);
  if (rc == 0) return false;
  if (rc < 0) return false;
  if (out_index >= 0 && fds[out_index].revents != 0) ReadSome(out_fd_, result_.out);
  if (err_index >= 0 && fds[err_index].revents != 0) ReadSome(err_fd_, result_.err);
  if (in_index >= 0) {
    const short ev = fds[in_index].revents;
    if (ev & (POLLERR | POLLHUP)) *input_broken = true;
    else if (ev & POLLOUT) *writable = true;
  }
  return true;
}

Status ProgramRun::Write(std::string_view data) {
  if (finished_ || in_fd_ < 0) return Status::IoError("Program " + name_ + " nie przyjmuje danych");
  size_t done = 0;
  while (done < data.size()) {
    bool writable = false;
    bool broken = false;
    if (!Pump(true, &writable, &broken)) return Status::IoError("Program " + name_ + " nie odpowiada");
    if (broken) {
      CloseFd(in_fd_);
      return Status::IoError("Program " + name_ + " przerwal odbieranie danych");
    }
    if (!writable) continue;
    const ssize_t w = send(in_fd_, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (w > 0) {
      done += static_cast<size_t>(w);
    } else if (w < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
      CloseFd(in_fd_);
      return Status::IoError("Program " + name_ + " przerwal odbieranie danych");
    }
  }
  return Status::Ok();
}

Result<ProgramResult> ProgramRun::Finish() {
  if (finished_) return result_;
  CloseFd(in_fd_);
  bool stalled = false;
  while (out_fd_ >= 0 || err_fd_ >= 0) {
    bool writable = false;
    bool broken = false;
    if (!Pump(false, &writable, &broken)) {
      stalled = true;
      break;
    }
  }
  CloseAll();
  if (stalled) kill(pid_, SIGKILL);
  int status = 0;
  pid_t waited;
  do {
    waited = waitpid(pid_, &status, 0);
  } while (waited < 0 && errno == EINTR);
  finished_ = true;
  if (waited < 0) return Status::IoError("waitpid: " + std::string(std::strerror(errno)));
  if (WIFEXITED(status)) result_.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result_.signal = WTERMSIG(status);
  if (stalled) return Status::IoError("Program " + name_ + " nie odpowiada");
  return result_;
}

Result<ProgramResult> RunProgram(const std::vector<std::string>& argv, std::string_view input) {
  auto run = ProgramRun::Start(argv);
  if (!run.ok()) return run.status();
  Status written = (*run)->Write(input);
  auto result = (*run)->Finish();
  if (!result.ok()) return result.status();
  if (!written.ok() && result->Succeeded()) return written;
  return result;
}

}  // namespace hurt::session
