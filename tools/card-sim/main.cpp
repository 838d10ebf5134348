// card-sim: a payment card terminal of either family for trying out and testing stations
// without one, on loopback.
//
//   card-sim [--ports T,S,R,F] [--log FILE] [--refuse] [--silent] [--late MS]
//            [--decline] [--state N] [--tid TID]
//
//   --ports T,S,R,F  the Elavon transaction, status and settlement ports and the Fiserv
//                    port (default 5188,5189,5191,8282; 0 takes any free port)
//   --log FILE       where every frame is written, decoded (default card-sim.log)
//   --refuse         every connection is refused (the ports are taken, nobody listens)
//   --silent         transactions are never answered (and never approved)
//   --late MS        transactions are approved at once and answered MS ms later
//   --decline        transactions are declined (result "05")
//   --state N        the state byte of the status reply (default 1, "TERMINAL GOTOWY")
//   --tid TID        the terminal identifier of the hello reply (8 characters)
//
// A station points at it with vat.ini's EFT_PORTY=T,S,R,F and an address file
// (elavon.txt or fiserv.txt) holding 127.0.0.1. On start it prints, flushed,
// "porty T,S,R,F" and "ready"; it runs until it is killed (SIGTERM, SIGINT).
//
// The log, one line per frame, then one per decision:
//   ELAVON 02 TRANSAKCJA [0=01] [1=000000001234] [5=Kwota:] [9=0]
//   SPRZEDAZ 000000001234 PRZYJETA 000001
//   FISERV |2811011|00|000000001234||||||||0|
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "devices/card_frames.h"

namespace {

using namespace hurt::devices;

struct Options {
  int ports[4] = {elavon::kTransactionPort, elavon::kStatusPort, elavon::kSettlementPort, fiserv::kPort};
  std::string log = "card-sim.log";
  bool refuse = false;
  bool silent = false;
  int late_ms = 0;
  bool decline = false;
  int state = 1;
  std::string tid = "T0000001";
};

volatile sig_atomic_t g_stop = 0;  // set by the signal handler only
void OnStop(int) { g_stop = 1; }

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

struct Peer {
  int fd = -1;
  bool fiserv = false;
  std::string in;
  std::string reply;      // an answer held back
  int64_t reply_at = 0;   // when it goes (0: none)
};

struct Terminal {
  Options o;
  std::FILE* log = nullptr;
  int receipt = 0;
  std::optional<CardAnswer> last;  // the last transaction, for its copy

  void Log(const std::string& line) {
    std::fprintf(log, "%s\n", line.c_str());
    std::fflush(log);
  }

  static std::string Printable(std::string_view v) {
    std::string out;
    for (char c : v) {
      const auto b = static_cast<unsigned char>(c);
      if (b >= 32 && b < 127) {
        out.push_back(c);
      } else {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", b);
        out += hex;
      }
    }
    return out;
  }

  static const char* CommandName(uint8_t c) {
    switch (c) {
      case elavon::kTransaction: return "TRANSAKCJA";
      case elavon::kSettlement: return "RAPORT";
      case elavon::kStatus: return "STATUS";
      case elavon::kSetClock: return "ZEGAR";
      case elavon::kPrintText: return "WYDRUK";
      case elavon::kSetEcrAddress: return "ADRES";
      case elavon::kCancelKey: return "ANULUJ";
      case elavon::kLastTransaction: return "KOPIA";
      default: return "NIEZNANA";
    }
  }

  // A transaction decided: approved, declined or left unanswered. The answer's fields.
  std::optional<CardAnswer> Decide(const char* what, const std::string& amount, int type) {
    std::string line = std::string(what) + " " + amount;
    if (o.silent) {
      Log(line + " BEZ ODPOWIEDZI");
      return std::nullopt;
    }
    CardAnswer a;
    a.amount = amount;
    a.type = type;
    a.approved = !o.decline;
    a.result = o.decline ? "05" : "00";
    a.receipt = ReceiptText(std::to_string(++receipt));
    last = a;
    Log(line + (a.approved ? " PRZYJETA " : " ODRZUCONA ") + a.receipt + (o.late_ms > 0 ? " PO " + std::to_string(o.late_ms) + " MS" : ""));
    return a;
  }

  static std::vector<elavon::Field> AnswerFields(const CardAnswer& a) {
    return {{39, 2, a.result}, {1, 2, a.amount}, {9, 2, std::to_string(a.type < 0 ? 0 : a.type)}, {10, 2, a.receipt}};
  }

  static void Queue(Peer& p, const std::string& bytes, int delay_ms = 0) {
    p.reply += bytes;
    if (p.reply_at == 0) p.reply_at = NowMs() + delay_ms;
  }

  void Elavon(Peer& p, const elavon::Decoded& d) {
    std::string line = "ELAVON ";
    char code[8];
    std::snprintf(code, sizeof code, "%02X ", d.command);
    line += code;
    line += CommandName(d.command);
    for (const elavon::Field& f : d.fields) line += " [" + std::to_string(f.tag) + "=" + Printable(f.value) + "]";
    Log(line);
    if (d.command == elavon::kStatus) {
      Queue(p, elavon::EncodeFrame(elavon::kStatus, {{0, 2, std::string(1, static_cast<char>(o.state))}}));
    } else if (d.command == elavon::kLastTransaction) {
      Queue(p, elavon::EncodeFrame(elavon::kLastTransaction, last ? AnswerFields(*last) : std::vector<elavon::Field>{}));
    } else if (d.command == elavon::kTransaction) {
      const elavon::Field* type = d.Find(9);
      const elavon::Field* amount = d.Find(1);
      const int t = type != nullptr && !type->value.empty() ? type->value[0] - '0' : 0;
      const char* what = t == 1 ? "ZWROT" : t == 2 ? "ANULOWANIE" : "SPRZEDAZ";
      std::string a = amount != nullptr ? amount->value : "";
      if (t == 2 && d.Find(10) != nullptr) a += " RACHUNEK " + d.Find(10)->value;
      if (auto answer = Decide(what, a, t)) {
        answer->amount = amount != nullptr ? amount->value : "";
        last = *answer;
        Queue(p, elavon::EncodeFrame(elavon::kTransaction, AnswerFields(*answer)), o.late_ms);
      }
    }
  }

  void Fiserv(Peer& p, const std::string& text) {
    Log("FISERV " + Printable(text));
    const std::vector<std::string> f = fiserv::Fields(text);
    if (f.empty()) return;
    if (f[0] == "2841011") {
      // 28 bytes: characters 20 to 27 are the terminal identifier.
      std::string tid = o.tid;
      tid.resize(8, ' ');
      Queue(p, fiserv::Wrap("|2841011|0|000000|" + tid));
      return;
    }
    if (f[0] == "2811011" || f[0] == "2811111") {
      const bool cancel = f[0] == "2811111";
      const bool refund = !cancel && f.size() > 1 && f[1] == "20";
      const std::string amount = cancel ? std::string("000000000000") : f.size() > 2 ? f[2] : "";
      std::string what_amount = amount;
      if (cancel) what_amount += " RACHUNEK " + (f.size() > 1 ? f[f.size() - 2] : std::string());
      if (auto a = Decide(cancel ? "ANULOWANIE" : refund ? "ZWROT" : "SPRZEDAZ", what_amount, cancel ? 2 : refund ? 1 : 0)) {
        Queue(p, fiserv::Wrap("|" + f[0] + "|" + a->result + "|" + amount + "|" + a->receipt + "|"), o.late_ms);
      }
    }
  }

  // Every whole frame that came.
  void Take(Peer& p) {
    for (;;) {
      size_t used = 0;
      if (p.fiserv) {
        auto text = fiserv::Unwrap(p.in, &used);
        if (!text) return;
        p.in.erase(0, used);
        Fiserv(p, *text);
      } else {
        if (elavon::BadHead(p.in)) {
          Log("BLAD " + Printable(p.in));
          p.in.clear();
          return;
        }
        auto d = elavon::DecodeFrame(p.in, &used);
        if (!d) return;
        p.in.erase(0, used);
        Elavon(p, *d);
      }
    }
  }
};

int Bind(int port, bool listen_on, int* bound) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  const int one = 1;
  (void)::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || (listen_on && ::listen(fd, 8) != 0)) {
    ::close(fd);
    return -1;
  }
  socklen_t len = sizeof addr;
  (void)::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  *bound = ntohs(addr.sin_port);
  return fd;
}

int Usage(const std::string& problem) {
  std::fprintf(stderr, "card-sim: %s\n", problem.c_str());
  std::fprintf(stderr,
               "uzycie: card-sim [--ports T,S,R,F] [--log PLIK] [--refuse] [--silent] [--late MS] [--decline] "
               "[--state N] [--tid TID]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Terminal t;
  Options& o = t.o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool has_value = i + 1 < argc;
    if (a == "--ports" && has_value) {
      const std::string v = argv[++i];
      size_t start = 0;
      for (int k = 0; k < 4 && start <= v.size(); ++k) {
        const size_t comma = v.find(',', start);
        o.ports[k] = std::atoi(v.substr(start, comma - start).c_str());
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
    } else if (a == "--log" && has_value) {
      o.log = argv[++i];
    } else if (a == "--refuse") {
      o.refuse = true;
    } else if (a == "--silent") {
      o.silent = true;
    } else if (a == "--late" && has_value) {
      o.late_ms = std::atoi(argv[++i]);
    } else if (a == "--decline") {
      o.decline = true;
    } else if (a == "--state" && has_value) {
      o.state = std::atoi(argv[++i]);
    } else if (a == "--tid" && has_value) {
      o.tid = argv[++i];
    } else {
      return Usage("nieznana opcja " + a);
    }
  }
  t.log = std::fopen(o.log.c_str(), "a");
  if (t.log == nullptr) {
    std::fprintf(stderr, "card-sim: %s: %s\n", o.log.c_str(), std::strerror(errno));
    return 1;
  }
  struct sigaction sa {};
  sa.sa_handler = OnStop;
  ::sigaction(SIGTERM, &sa, nullptr);
  ::sigaction(SIGINT, &sa, nullptr);
  ::signal(SIGPIPE, SIG_IGN);

  int listeners[4];
  int bound[4];
  for (int k = 0; k < 4; ++k) {
    listeners[k] = Bind(o.ports[k], !o.refuse, &bound[k]);
    if (listeners[k] < 0) {
      std::fprintf(stderr, "card-sim: port %d: %s\n", o.ports[k], std::strerror(errno));
      return 1;
    }
  }
  std::printf("porty %d,%d,%d,%d\nready\n", bound[0], bound[1], bound[2], bound[3]);
  std::fflush(stdout);

  std::vector<Peer> peers;
  while (!g_stop) {
    std::vector<pollfd> fds;
    if (!o.refuse) {
      for (int k = 0; k < 4; ++k) fds.push_back({listeners[k], POLLIN, 0});
    }
    const size_t first_peer = fds.size();
    for (const Peer& p : peers) fds.push_back({p.fd, POLLIN, 0});
    if (::poll(fds.data(), fds.size(), 10) < 0 && errno != EINTR) break;
    if (!o.refuse) {
      for (int k = 0; k < 4; ++k) {
        if ((fds[static_cast<size_t>(k)].revents & POLLIN) == 0) continue;
        const int fd = ::accept4(listeners[k], nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) peers.push_back({fd, k == 3, "", "", 0});
      }
    }
    for (size_t i = 0; i < peers.size() && first_peer + i < fds.size(); ++i) {
      Peer& p = peers[i];
      if ((fds[first_peer + i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
      char buf[4096];
      const ssize_t n = ::read(p.fd, buf, sizeof buf);
      if (n <= 0) {
        ::close(p.fd);
        p.fd = -1;
        continue;
      }
      p.in.append(buf, static_cast<size_t>(n));
      t.Take(p);
    }
    const int64_t now = NowMs();
    for (Peer& p : peers) {
      if (p.fd < 0 || p.reply.empty() || p.reply_at == 0 || now < p.reply_at) continue;
      (void)::send(p.fd, p.reply.data(), p.reply.size(), MSG_NOSIGNAL);
      p.reply.clear();
      p.reply_at = 0;
    }
    std::erase_if(peers, [](const Peer& p) { return p.fd < 0; });
  }
  for (Peer& p : peers) ::close(p.fd);
  for (int l : listeners) ::close(l);
  std::fclose(t.log);
  return 0;
}
