// A small SMTP server on the loopback interface for tests of the mail path: it takes
// messages (EHLO, AUTH PLAIN, MAIL, RCPT, DATA, QUIT) and keeps what it was told.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace hurt::testing {

inline std::string DecodeBase64(std::string_view text) {
  static const std::string kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  uint32_t acc = 0;
  int bits = 0;
  for (char c : text) {
    const size_t v = kAlphabet.find(c);
    if (v == std::string::npos) continue;
    acc = (acc << 6) | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((acc >> bits) & 0xFF);
    }
  }
  return out;
}

// Just enough SMTP to take a message: EHLO, AUTH PLAIN, MAIL, RCPT, DATA, QUIT.
class TinySmtpServer {
 public:
  struct Session {
    std::vector<std::string> verbs;  // the commands in the order given ("EHLO", "AUTH", ...)
    std::string auth;  // the AUTH PLAIN answer, decoded
    std::string mail_from;
    std::vector<std::string> rcpt;
    std::string data;
  };
  struct Options {
    std::string login;     // AUTH PLAIN is offered when set
    std::string password;
    std::set<std::string> unknown_users;  // RCPT answers 550 for these
  };

  explicit TinySmtpServer(Options options) : options_(std::move(options)) {
    listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    listen(listen_fd_, 4);
    thread_ = std::thread([this] { Serve(); });
  }
  ~TinySmtpServer() { Stop(); }

  int port() const { return port_; }
  void Stop() {
    if (listen_fd_ >= 0) {
      shutdown(listen_fd_, SHUT_RDWR);
      thread_.join();
      close(listen_fd_);
      listen_fd_ = -1;
    }
  }
  std::vector<Session> sessions() {
    std::lock_guard<std::mutex> lock(mutex_);
    return sessions_;
  }

 private:
  void Serve() {
    for (;;) {
      const int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) return;
      Session session = Talk(fd);
      close(fd);
      std::lock_guard<std::mutex> lock(mutex_);
      sessions_.push_back(std::move(session));
    }
  }

  Session Talk(int fd) {
    Session s;
    std::string buffer;
    auto send_text = [fd](const std::string& text) { (void)send(fd, text.data(), text.size(), MSG_NOSIGNAL); };
    auto read_line = [&](std::string& line) {
      for (;;) {
        const size_t nl = buffer.find("\r\n");
        if (nl != std::string::npos) {
          line = buffer.substr(0, nl);
          buffer.erase(0, nl + 2);
          return true;
        }
        char chunk[4096];
        const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) return false;
        buffer.append(chunk, static_cast<size_t>(n));
      }
    };
    send_text("220 tiny ESMTP\r\n");
    std::string line;
    while (read_line(line)) {
      const std::string verb = line.substr(0, 4);
      s.verbs.push_back(verb);
      if (verb == "EHLO") {
        send_text(options_.login.empty() ? "250 tiny\r\n" : "250-tiny\r\n250 AUTH PLAIN\r\n");
      } else if (verb == "HELO" || verb == "RSET" || verb == "NOOP") {
        send_text("250 OK\r\n");
      } else if (verb == "AUTH") {
        std::string answer = line.size() > 11 ? line.substr(11) : "";
        if (answer.empty()) {
          send_text("334 \r\n");
          if (!read_line(answer)) break;
        }
        s.auth = DecodeBase64(answer);
        const std::string expected = std::string(1, '\0') + options_.login + std::string(1, '\0') + options_.password;
        send_text(s.auth == expected ? "235 2.7.0 Authentication successful\r\n"
                                     : "535 5.7.8 Authentication credentials invalid\r\n");
      } else if (verb == "MAIL") {
        s.mail_from = line.substr(line.find(':') + 1);
        send_text("250 OK\r\n");
      } else if (verb == "RCPT") {
        const std::string to = line.substr(line.find(':') + 1);
        if (options_.unknown_users.count(to)) {
          send_text("550 5.1.1 No such user\r\n");
        } else {
          s.rcpt.push_back(to);
          send_text("250 OK\r\n");
        }
      } else if (verb == "DATA") {
        send_text("354 End data with <CR><LF>.<CR><LF>\r\n");
        while (read_line(line) && line != ".") s.data += (line.rfind("..", 0) == 0 ? line.substr(1) : line) + "\r\n";
        send_text("250 OK queued\r\n");
      } else if (verb == "QUIT") {
        send_text("221 Bye\r\n");
        break;
      } else {
        send_text("502 Command not implemented\r\n");
      }
    }
    return s;
  }

  Options options_;
  int listen_fd_ = -1;
  int port_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  std::vector<Session> sessions_;
};

// The base64 content of the MIME part whose headers contain `marker`.
inline std::string PartContent(const std::string& message, const std::string& marker) {
  const size_t at = message.find(marker);
  if (at == std::string::npos) return {};
  const size_t body = message.find("\r\n\r\n", at);
  const size_t end = message.find("\r\n--", body);
  return DecodeBase64(message.substr(body + 4, end - body - 4));
}

}  // namespace hurt::testing
