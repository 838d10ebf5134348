// fiscal-sim: a fiscal printer for trying out and testing stations without one.
//
//   fiscal-sim [--tcp PORT] [--pty] [--pty-link PATH] [--journal FILE]
//              [--drop N[,N...]] [--delay MS] [--non-fiscal]
//
//   --tcp PORT        listen on 127.0.0.1:PORT (0: any free port); the default when
//                     neither --tcp nor --pty is given is --tcp 6001
//   --pty             also be a serial printer on a pseudo-terminal; its name is printed
//   --pty-link PATH   a symbolic link to the pseudo-terminal (a stable name for vat.ini's
//                     COM<n>_DEVICE)
//   --journal FILE    where the printed receipts, invoices and reports go (readable
//                     text; default fiscal-sim.journal)
//   --drop N,...      frames number N (counted from 1 over all connections) are lost
//   --delay MS        each frame is taken MS milliseconds after it came
//   --non-fiscal      the enquiry byte says: not in fiscal mode
//
// It understands the three dialects (escape frames with their XOR checksum, tab-field
// frames with CRC-16, XML packets), refuses a frame whose checksum or CRC is wrong ("BLAD"
// in the journal), and answers the enquiry with its status byte (sim_printer.h). On start
// it prints, one per line and flushed, "tcp 127.0.0.1:<port>", "pty <device>" and
// "ready". It runs until it is killed (SIGTERM, SIGINT).
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "sim_frames.h"
#include "sim_printer.h"

namespace {

using hurt::fiscal_sim::FrameSplitter;
using hurt::fiscal_sim::SimPrinter;

struct Options {
  int tcp_port = -1;
  bool pty = false;
  std::string pty_link;
  std::string journal = "fiscal-sim.journal";
  std::set<long> drop;
  int delay_ms = 0;
  bool fiscal = true;
};

volatile sig_atomic_t g_stop = 0;  // set by the signal handler only
void OnStop(int) { g_stop = 1; }

int Usage(const char* problem) {
  std::fprintf(stderr, "fiscal-sim: %s\n", problem);
  std::fprintf(stderr,
               "uzycie: fiscal-sim [--tcp PORT] [--pty] [--pty-link PATH] [--journal PLIK] [--drop N,...] "
               "[--delay MS] [--non-fiscal]\n");
  return 2;
}

bool ParseArgs(int argc, char** argv, Options* o, std::string* problem) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) {
        *problem = a + " bez wartosci";
        return false;
      }
      *out = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--tcp") {
      if (!value(&v)) return false;
      o->tcp_port = std::atoi(v.c_str());
    } else if (a == "--pty") {
      o->pty = true;
    } else if (a == "--pty-link") {
      if (!value(&o->pty_link)) return false;
      o->pty = true;
    } else if (a == "--journal") {
      if (!value(&o->journal)) return false;
    } else if (a == "--drop") {
      if (!value(&v)) return false;
      for (size_t start = 0; start < v.size();) {
        const size_t comma = v.find(',', start);
        o->drop.insert(std::atol(v.substr(start, comma - start).c_str()));
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
    } else if (a == "--delay") {
      if (!value(&v)) return false;
      o->delay_ms = std::atoi(v.c_str());
    } else if (a == "--non-fiscal") {
      o->fiscal = false;
    } else {
      *problem = "nieznana opcja " + a;
      return false;
    }
  }
  if (o->tcp_port < 0 && !o->pty) o->tcp_port = 6001;
  return true;
}

struct Peer {
  int fd = -1;
  bool socket = true;
  FrameSplitter frames;
};

int Listen(int port, int* bound) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const int one = 1;
  (void)::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 8) != 0) {
    ::close(fd);
    return -1;
  }
  socklen_t len = sizeof addr;
  (void)::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  *bound = ntohs(addr.sin_port);
  return fd;
}

// The master side of a new pseudo-terminal, its slave kept open and raw so that the line
// stays up between stations; the slave's name in *name.
int OpenPty(std::string* name, int* slave) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return -1;
  const char* path = ::ptsname(master);
  if (path == nullptr) return -1;
  *name = path;
  *slave = ::open(path, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (*slave >= 0) {
    termios t{};
    if (::tcgetattr(*slave, &t) == 0) {
      ::cfmakeraw(&t);
      (void)::tcsetattr(*slave, TCSANOW, &t);
    }
  }
  return master;
}

void WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  std::string problem;
  if (!ParseArgs(argc, argv, &o, &problem)) return Usage(problem.c_str());
  std::FILE* journal = std::fopen(o.journal.c_str(), "a");
  if (journal == nullptr) {
    std::fprintf(stderr, "fiscal-sim: %s: %s\n", o.journal.c_str(), std::strerror(errno));
    return 1;
  }
  struct sigaction sa {};
  sa.sa_handler = OnStop;
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGINT, &sa, nullptr);
  ::signal(SIGPIPE, SIG_IGN);

  std::vector<Peer> peers;
  int listener = -1;
  if (o.tcp_port >= 0) {
    int bound = 0;
    listener = Listen(o.tcp_port, &bound);
    if (listener < 0) {
      std::fprintf(stderr, "fiscal-sim: port %d: %s\n", o.tcp_port, std::strerror(errno));
      return 1;
    }
    std::printf("tcp 127.0.0.1:%d\n", bound);
  }
  int pty_slave = -1;
  if (o.pty) {
    std::string name;
    const int master = OpenPty(&name, &pty_slave);
    if (master < 0) {
      std::fprintf(stderr, "fiscal-sim: pseudo-terminal: %s\n", std::strerror(errno));
      return 1;
    }
    if (!o.pty_link.empty()) {
      ::unlink(o.pty_link.c_str());
      if (::symlink(name.c_str(), o.pty_link.c_str()) != 0) {
        std::fprintf(stderr, "fiscal-sim: %s: %s\n", o.pty_link.c_str(), std::strerror(errno));
        return 1;
      }
    }
    peers.push_back(Peer{master, false, {}});
    std::printf("pty %s\n", name.c_str());
  }
  std::printf("ready\n");
  std::fflush(stdout);

  SimPrinter printer(journal, o.fiscal);
  long frame_number = 0;
  while (g_stop == 0) {
    // A printer has one line: the connections are served one after another, each to its
    // end, so that a station that connects again (every receipt starts the port anew)
    // never has its frames mixed with what is still on the way from before.
    std::vector<pollfd> wait;
    if (listener >= 0) wait.push_back({listener, POLLIN, 0});
    bool socket_served = false;
    for (const Peer& p : peers) {
      const bool serve = !p.socket || !socket_served;
      socket_served = socket_served || p.socket;
      wait.push_back({p.fd, static_cast<short>(serve ? POLLIN : 0), 0});
    }
    const int ready = ::poll(wait.data(), wait.size(), 200);
    if (ready <= 0) continue;
    size_t at = 0;
    if (listener >= 0) {
      if ((wait[0].revents & POLLIN) != 0) {
        const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) peers.push_back(Peer{fd, true, {}});
      }
      at = 1;
    }
    std::vector<int> gone;
    for (size_t i = at; i < wait.size(); ++i) {
      if (wait[i].revents == 0 || wait[i].events == 0) continue;  // a later connection waits its turn
      Peer& peer = peers[i - at];
      char buf[4096];
      const ssize_t n = ::read(peer.fd, buf, sizeof buf);
      if (n <= 0) {
        if (peer.socket) gone.push_back(peer.fd);
        continue;
      }
      peer.frames.Add(std::string_view(buf, static_cast<size_t>(n)));
      while (auto frame = peer.frames.Next()) {
        ++frame_number;
        if (o.drop.count(frame_number) != 0) {
          std::fprintf(stderr, "fiscal-sim: ramka %ld pominieta: %s\n", frame_number,
                       hurt::fiscal_sim::Readable(frame->raw).c_str());
          continue;
        }
        if (o.delay_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(o.delay_ms));
        const std::string answer = printer.Take(*frame);
        if (!answer.empty()) WriteAll(peer.fd, answer);
      }
    }
    for (int fd : gone) {
      ::close(fd);
      std::erase_if(peers, [fd](const Peer& p) { return p.fd == fd; });
    }
  }
  if (!o.pty_link.empty()) ::unlink(o.pty_link.c_str());
  if (pty_slave >= 0) ::close(pty_slave);
  std::fclose(journal);
  return 0;
}
