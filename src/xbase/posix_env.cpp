// The real Env: POSIX files with open-file-description (OFD) locks.
//
// Why OFD locks: classic POSIX fcntl locks belong to the process, so closing *any*
// descriptor of a file drops all of the process's locks on it, and two descriptors of
// one process never conflict. OFD locks (F_OFD_SETLK) belong to the open file
// description instead: each File object owns its own locks, they conflict between two
// File objects of the same process exactly as between two processes, they vanish when
// the File closes or the process dies, and they work over NFS.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "xbase/env.h"

namespace hurt::xbase {

namespace {

std::string Errno(const std::string& what, const std::string& path) {
  return path + ": " + what + ": " + std::strerror(errno);
}

class PosixView final : public FileView {
 public:
  PosixView(void* base, size_t mapped, size_t size)
      : FileView(static_cast<const char*>(base), size), base_(base), mapped_(mapped) {}
  ~PosixView() override { munmap(base_, mapped_); }

 private:
  void* base_;
  size_t mapped_;
};

class PosixFile final : public File {
 public:
  PosixFile(std::string path, int fd) : File(std::move(path)), fd_(fd) {}
  ~PosixFile() override { close(fd_); }

  Status ReadAt(uint64_t offset, size_t n, char* buf, size_t* got) override {
    size_t done = 0;
    while (done < n) {
      ssize_t r = pread(fd_, buf + done, n - done, static_cast<off_t>(offset + done));
      if (r < 0) {
        if (errno == EINTR) continue;
        *got = done;
        return Status::IoError(Errno("read", path()));
      }
      if (r == 0) break;
      done += static_cast<size_t>(r);
    }
    *got = done;
    return Status::Ok();
  }

  Status WriteAt(uint64_t offset, std::string_view data) override {
    size_t done = 0;
    while (done < data.size()) {
      ssize_t r = pwrite(fd_, data.data() + done, data.size() - done, static_cast<off_t>(offset + done));
      if (r < 0) {
        if (errno == EINTR) continue;
        return Status::IoError(Errno("write", path()));
      }
      done += static_cast<size_t>(r);
    }
    return Status::Ok();
  }

  Result<uint64_t> Size() override {
    struct stat st{};
    if (fstat(fd_, &st) != 0) return Status::IoError(Errno("stat", path()));
    return static_cast<uint64_t>(st.st_size);
  }

  Status Truncate(uint64_t size) override {
    if (ftruncate(fd_, static_cast<off_t>(size)) != 0) return Status::IoError(Errno("truncate", path()));
    return Status::Ok();
  }

  Status Sync() override {
    if (fdatasync(fd_) != 0) return Status::IoError(Errno("fdatasync", path()));
    return Status::Ok();
  }

  Status Lock(uint64_t offset, uint64_t length, LockKind kind, bool wait) override {
    struct flock fl{};
    fl.l_type = kind == LockKind::kShared ? F_RDLCK : F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    fl.l_pid = 0;  // required by OFD locks
    while (fcntl(fd_, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) != 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EACCES) return Status::Busy(path() + ": locked by another user");
      return Status::IoError(Errno("lock", path()));
    }
    return Status::Ok();
  }

  Result<std::unique_ptr<FileView>> MapPrefix(size_t length) override {
    auto size = Size();
    if (!size.ok()) return size.status();
    if (length == 0 || length > *size) return Status::Invalid(path() + ": cannot map bytes the file does not have");
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t mapped = (length + page - 1) / page * page;
    void* base = mmap(nullptr, mapped, PROT_READ, MAP_SHARED, fd_, 0);
    if (base == MAP_FAILED) return Status::IoError(Errno("mmap", path()));
    return std::unique_ptr<FileView>(new PosixView(base, mapped, length));
  }

  Status Unlock(uint64_t offset, uint64_t length) override {
    struct flock fl{};
    fl.l_type = F_UNLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(offset);
    fl.l_len = static_cast<off_t>(length);
    fl.l_pid = 0;
    while (fcntl(fd_, F_OFD_SETLK, &fl) != 0) {
      if (errno == EINTR) continue;
      return Status::IoError(Errno("unlock", path()));
    }
    return Status::Ok();
  }

 private:
  int fd_;
};

class PosixEnv final : public Env {
 public:
  Result<std::unique_ptr<File>> Open(const std::string& path, const OpenOptions& options) override {
    int flags = O_CLOEXEC | (options.write ? O_RDWR : O_RDONLY);
    if (options.create) flags |= O_CREAT;
    if (options.truncate) flags |= O_TRUNC;
    int fd = open(path.c_str(), flags, 0666);
    if (fd < 0) {
      if (errno == ENOENT) return Status::NotFound(path + ": no such file");
      return Status::IoError(Errno("open", path));
    }
    return std::unique_ptr<File>(new PosixFile(path, fd));
  }

  bool Exists(const std::string& path) override { return access(path.c_str(), F_OK) == 0; }

  Status Remove(const std::string& path) override {
    if (unlink(path.c_str()) != 0) {
      if (errno == ENOENT) return Status::NotFound(path + ": no such file");
      return Status::IoError(Errno("remove", path));
    }
    return Status::Ok();
  }

  Status Rename(const std::string& from, const std::string& to) override {
    if (rename(from.c_str(), to.c_str()) != 0) return Status::IoError(Errno("rename to " + to, from));
    return Status::Ok();
  }

  Status CreateDirs(const std::string& path) override {
    std::string partial;
    size_t pos = 0;
    while (pos != std::string::npos) {
      pos = path.find('/', pos + 1);
      partial = path.substr(0, pos);
      if (partial.empty()) continue;
      if (mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) return Status::IoError(Errno("mkdir", partial));
    }
    return IsDir(path) ? Status::Ok() : Status::IoError(path + ": not a folder");
  }

  Result<std::vector<std::string>> ListDir(const std::string& path) override {
    DIR* d = opendir(path.empty() ? "." : path.c_str());
    if (d == nullptr) return Status::IoError(Errno("list", path));
    std::vector<std::string> names;
    while (dirent* e = readdir(d)) {
      std::string name = e->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(d);
    return names;
  }

  bool IsDir(const std::string& path) override {
    struct stat st{};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  }

  Clock& clock() override { return clock_; }

 private:
  SystemClock clock_;
};

}  // namespace

Env& RealEnv() {
  static PosixEnv env;
  return env;
}

}  // namespace hurt::xbase
