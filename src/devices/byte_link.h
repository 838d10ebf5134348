// The operating system's side of a device: one open serial line (a termios device) or one
// TCP connection, moving bytes without waiting.
//
// Waiting belongs to the layer above (comm_port.h), which measures its time-outs on the
// session's clock, so that tests drive a fake link on a fake clock and never sleep.
// Every call of a link returns at once: a write takes what the device takes now, a read
// gives what has arrived.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "base/result.h"

namespace hurt::devices {

class ByteLink {
 public:
  virtual ~ByteLink() = default;

  // Writes what the device takes now: the count written, 0 when it takes nothing yet.
  virtual Result<size_t> WriteSome(std::string_view bytes) = 0;
  // What has arrived, at most `max` bytes; "" when nothing has.
  virtual Result<std::string> ReadSome(size_t max) = 0;
  // Bytes waiting in the input queue.
  virtual Result<size_t> Pending() = 0;
  // Drops what still waits in the output queue.
  virtual Status DropOutput() = 0;
  // Waits at most `ms` of real time for input (a device that cannot wait returns at
  // once). Only for a reply that comes from outside whatever clock the session runs on.
  virtual void WaitReadable(int ms) { (void)ms; }
};

// The line settings of a serial port.
struct LineSettings {
  int baud = 9600;
  int byte_size = 8;
  int parity = 0;     // 0 none, 1 odd, 2 mark, 3 even
  int stop_bits = 1;  // 1 one, 2 two, anything else one and a half
};

// Where a failure came from, for the port object's error codes (comm_port.h).
struct LinkFailure {
  int step = 0;      // the error code of the failed step
  int os_error = 0;  // errno
  std::string text;  // strerror, or what was wrong
};

// Opens the device at `path` for reading and writing, exclusively, as an existing device,
// and sets its line: 8 (open), 14 (read the state), 1 (baud rate), 15 (write the state).
// Linux has no one and a half stop bits: they become two.
struct SerialOpenResult {
  std::unique_ptr<ByteLink> link;
  LinkFailure failure;  // when link is null
};
SerialOpenResult OpenSerialDevice(const std::string& path, const LineSettings& line);

// Connects to host:port within `timeout_ms`. "CLIENT" and "" stand for this machine.
// On failure the link is null and `failure.text` is the socket error text.
SerialOpenResult ConnectTcp(const std::string& host, int port, int timeout_ms);

// Opens links; tests give their own.
class LinkOpener {
 public:
  virtual ~LinkOpener() = default;
  virtual SerialOpenResult OpenSerial(const std::string& path, const LineSettings& line) = 0;
  virtual SerialOpenResult Connect(const std::string& host, int port, int timeout_ms) = 0;
};

// The real devices and sockets.
class SystemLinks final : public LinkOpener {
 public:
  SerialOpenResult OpenSerial(const std::string& path, const LineSettings& line) override {
    return OpenSerialDevice(path, line);
  }
  SerialOpenResult Connect(const std::string& host, int port, int timeout_ms) override {
    return ConnectTcp(host, port, timeout_ms);
  }
};

}  // namespace hurt::devices
