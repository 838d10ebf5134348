// Serial lines over termios and TCP connections over sockets, both non-blocking: the
// waiting is the port object's (comm_port.h).
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>

#include "devices/byte_link.h"

namespace hurt::devices {
namespace {

std::string ErrorText(int e) { return std::strerror(e); }

// One file descriptor; closed with the link.
class FdLink final : public ByteLink {
 public:
  FdLink(int fd, bool socket) : fd_(fd), socket_(socket) {}
  ~FdLink() override {
    if (fd_ >= 0) ::close(fd_);
  }

  Result<size_t> WriteSome(std::string_view bytes) override {
    if (bytes.empty()) return size_t{0};
    const ssize_t n = socket_ ? ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL)
                              : ::write(fd_, bytes.data(), bytes.size());
    if (n >= 0) return static_cast<size_t>(n);
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return size_t{0};
    return Status::IoError(ErrorText(errno));
  }

  Result<std::string> ReadSome(size_t max) override {
    std::string out(max, '\0');
    if (max == 0) return std::string();
    const ssize_t n = ::read(fd_, out.data(), max);
    if (n > 0) {
      out.resize(static_cast<size_t>(n));
      return out;
    }
    if (n == 0) {
      // A socket whose other end closed, or a terminal whose other side went away.
      if (socket_) return Status::IoError("polaczenie zamkniete");
      return std::string();
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return std::string();
    if (errno == EIO && !socket_) return std::string();  // a pseudo-terminal with nobody on it
    return Status::IoError(ErrorText(errno));
  }

  Result<size_t> Pending() override {
    int n = 0;
    if (::ioctl(fd_, FIONREAD, &n) != 0) return Status::IoError(ErrorText(errno));
    return static_cast<size_t>(n < 0 ? 0 : n);
  }

  void WaitReadable(int ms) override {
    pollfd p{fd_, POLLIN, 0};
    (void)::poll(&p, 1, ms);
  }

  Status DropOutput() override {
    if (socket_) return Status::Ok();
    if (::tcflush(fd_, TCOFLUSH) != 0) return Status::IoError(ErrorText(errno));
    return Status::Ok();
  }

 private:
  int fd_;
  bool socket_;
};

speed_t SpeedOf(int baud, bool* known) {
  *known = true;
  switch (baud) {
    case 110: return B110;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: *known = false; return B9600;
  }
}

tcflag_t ByteSizeFlag(int bits) {
  switch (bits) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    default: return CS8;
  }
}

SerialOpenResult Failed(int step, int os_error, std::string text) {
  SerialOpenResult r;
  r.failure = {step, os_error, std::move(text)};
  return r;
}

}  // namespace

SerialOpenResult OpenSerialDevice(const std::string& path, const LineSettings& line) {
  // Step 2: the existing device, read and write, nobody else's.
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Failed(8, errno, path + ": " + ErrorText(errno));
  auto fail = [fd](int step) {
    const int e = errno;
    ::close(fd);
    return Failed(step, e, ErrorText(e));
  };
  if (::ioctl(fd, TIOCEXCL) != 0) return fail(8);
  // Step 3: the device state with the line's settings.
  termios t{};
  if (::tcgetattr(fd, &t) != 0) return fail(14);
  ::cfmakeraw(&t);
  bool known = false;
  const speed_t speed = SpeedOf(line.baud, &known);
  if (!known) {
    ::close(fd);
    return Failed(1, EINVAL, "predkosc " + std::to_string(line.baud) + " nieobslugiwana");
  }
  if (::cfsetispeed(&t, speed) != 0 || ::cfsetospeed(&t, speed) != 0) return fail(1);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  t.c_cflag |= ByteSizeFlag(line.byte_size) | CLOCAL | CREAD;
  switch (line.parity) {
    case 1: t.c_cflag |= PARENB | PARODD; break;
    case 2: t.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case 3: t.c_cflag |= PARENB; break;
    default: break;
  }
  if (line.stop_bits != 1) t.c_cflag |= CSTOPB;  // two, and one and a half as two
  t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  // Reads return at once; the port object measures its own time-outs.
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  if (::tcsetattr(fd, TCSANOW, &t) != 0) return fail(15);
  // Steps 4 and 5 (queue sizes and time-outs) have no counterpart in termios: the kernel's
  // queues serve, and the time-outs are kept by the port object.
  SerialOpenResult r;
  r.link = std::make_unique<FdLink>(fd, /*socket=*/false);
  return r;
}

SerialOpenResult ConnectTcp(const std::string& host_in, int port, int timeout_ms) {
  const std::string host = host_in.empty() || host_in == "CLIENT" || host_in == "client" ? "127.0.0.1" : host_in;
  if (port <= 0 || port > 65535) return Failed(8, EINVAL, "zly numer portu " + std::to_string(port));
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  const int gai = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
  if (gai != 0) return Failed(8, 0, ::gai_strerror(gai));
  SerialOpenResult result = Failed(8, ECONNREFUSED, ErrorText(ECONNREFUSED));
  for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
    const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
    if (fd < 0) {
      result = Failed(8, errno, ErrorText(errno));
      continue;
    }
    int e = 0;
    if (::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
      e = errno;
      if (e == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        const int ready = ::poll(&p, 1, timeout_ms);
        if (ready <= 0) {
          e = ready == 0 ? ETIMEDOUT : errno;
        } else {
          socklen_t len = sizeof e;
          if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &e, &len) != 0) e = errno;
        }
      }
    }
    if (e != 0) {
      ::close(fd);
      result = Failed(8, e, ErrorText(e));
      continue;
    }
    const int one = 1;
    (void)::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);  // a frame goes at once; speed only
    result.link = std::make_unique<FdLink>(fd, /*socket=*/true);
    result.failure = {};
    break;
  }
  ::freeaddrinfo(found);
  return result;
}

}  // namespace hurt::devices
