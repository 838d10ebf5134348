// TCommPort: the port object that owns one serial device (or, in proxy mode, the one TCP
// connection to the serial-port proxy), and keeps the time-outs of the port layer.
//
// Time-outs, measured on the session's clock (waits go through Clock::Sleep, so a fake
// clock makes them instant in tests):
//   read   at most 250 ms + 1 ms per requested byte in all; once a byte has come, the read
//          ends when 15 ms pass without the next one;
//   write  at most 250 ms + 1 ms per byte.
//
// Failures are not thrown: each operation returns a Status and keeps the error of the
// failed step (ECommError) in last_error():
//
//   Code  Failed step                  Code  Failed step
//    1    set baud rate                 12   clear the output buffer
//    7    operation on a closed port    14   read the device state
//    8    open the device               15   write the device state
//    9    write                         16   set queue sizes
//   10    read                          17   set time-outs
//   11    close                         18   read the queue counts
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "base/result.h"
#include "devices/byte_link.h"

namespace hurt::devices {

// ECommError: the code of the failed step and the operating system's error number.
struct CommError {
  int code = 0;
  int os_error = 0;
  std::string text;
  // "ECommError 8 (2): /dev/ttyS0: No such file or directory"
  std::string Message() const;
};

inline constexpr int kInterByteMs = 15;
inline constexpr int kReadBaseMs = 250;
inline constexpr int kWriteBaseMs = 250;
// The buffer value the port object stores; nothing else uses it.
inline constexpr int kCommBufferSize = 8000;
// How long one wait of a read or write is at most: fine enough for the 15 ms between bytes.
inline constexpr int kWaitSliceMs = 5;

class CommPort {
 public:
  CommPort(Clock& clock, std::string device, const LineSettings& line)
      : clock_(clock), device_(std::move(device)), line_(line) {}

  // Opens the device and sets its line (steps 2 to 5 of the initialisation); a failure
  // leaves the port closed and not working.
  Status Open(LinkOpener& opener);
  // A port on a link already open (the proxy's socket).
  void Adopt(std::unique_ptr<ByteLink> link);

  bool is_open() const { return link_ != nullptr; }
  const std::string& device() const { return device_; }
  const LineSettings& line() const { return line_; }
  int buffer_size() const { return kCommBufferSize; }
  const CommError& last_error() const { return error_; }

  // All bytes, within the write time-out (9 on failure or time-out).
  Status Write(std::string_view bytes);
  // Up to `count` bytes received within the read time-out (fewer when the time ran out).
  Result<std::string> Read(size_t count);
  // Bytes waiting in the input queue (18).
  Result<size_t> Count();
  // Clears the output queue (12).
  Status FlushOutput();
  // Closes the device (11 when it was not open).
  Status Close();

 private:
  Status Fail(int code, int os_error, std::string text);

  Clock& clock_;
  std::string device_;
  LineSettings line_;
  std::unique_ptr<ByteLink> link_;
  CommError error_;
};

}  // namespace hurt::devices
