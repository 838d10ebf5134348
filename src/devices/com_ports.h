// The serial port layer: ports 1 to 9 (COM_OPEN, COM_INIT, COM_SEND, COM_READ, COM_COUNT,
// COM_FLUSH, COM_CLOSE, COM_HARD, OUTBYTE, INBYTE, COMHANDLE) for every serial device of
// the station: the fiscal printer, label printers and scales.
//
// Port table: 9 slots. A slot is empty, 0 (opened, not yet initialised), or the handle of
// an initialised port: a running number of the port objects (serial mode), or 1 (proxy
// mode). At most 20 port objects are alive at a time.
//
// Where port n goes, from the station's section of vat.ini (GETCFGVALUE):
//   serial mode   COM<n>_DEVICE, the termios device; default /dev/ttyS<n-1> (COM1 is
//                 /dev/ttyS0, a USB adapter is typically /dev/ttyUSB0)
//   proxy mode    SERPROXY_MODE=YES, read once at the first COM_OPEN: every port goes over
//                 one TCP connection to a serial-port proxy at COM<n>_ADDR:COM<n>_PORT
//                 ("CLIENT" is this machine); the queue count is then always 0 and a flush
//                 does nothing.
//
// A port that never initialised makes every later send and close return false and every
// read an empty text, so a caller sees silence rather than an error.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "devices/byte_link.h"
#include "devices/comm_port.h"

namespace hurt::devices {

inline constexpr int kPortCount = 9;
inline constexpr int kMaxPortObjects = 20;
inline constexpr int kProxyConnectMs = 3000;

// What the layer shows the operator: its two failures that wait for a key.
class PortUi {
 public:
  virtual ~PortUi() = default;
  virtual void Say(int row, int col, std::string_view text) = 0;
  virtual void WaitKey() = 0;
};

class ComPorts {
 public:
  // `config` is GETCFGVALUE of the station's section of vat.ini ("" for a missing key).
  using ConfigLookup = std::function<std::string(std::string_view key)>;
  ComPorts(Clock& clock, LinkOpener& opener, PortUi& ui, ConfigLookup config)
      : clock_(clock), opener_(opener), ui_(ui), config_(std::move(config)) {}

  // COM_OPEN: false above 9 (and below 1); true when open already; else marks the slot 0.
  bool ComOpen(int port);
  // COM_INIT: parity "N", "O", "M", "E"; an initialised port keeps its settings.
  bool ComInit(int port, int baud, std::string_view parity, int data_bits, int stop_bits);
  // COM_SEND: every byte of `text`; false when the port is not initialised or the write
  // failed (proxy mode: not every byte went).
  bool ComSend(int port, std::string_view text);
  // COM_READ: a text of `count` characters: the bytes received within the time-out, then
  // a zero byte after the last one when fewer came, then blanks; "" when not initialised.
  std::string ComRead(int port, size_t count);
  // COM_COUNT: bytes waiting (proxy mode 0); nullopt (false) when not initialised.
  std::optional<size_t> ComCount(int port);
  // COM_FLUSH: clears the output queue (proxy mode: true).
  bool ComFlush(int port);
  // COM_CLOSE: false when not initialised; closes the device and empties the slot.
  bool ComClose(int port);
  // COM_HARD: no effect.
  bool ComHard(int /*port*/, bool /*a*/, bool /*b*/) { return true; }
  // OUTBYTE: one byte.
  bool OutByte(int port, unsigned char byte) { return ComSend(port, std::string(1, static_cast<char>(byte))); }
  // INBYTE: the code of one byte, 0 when nothing came in time.
  int InByte(int port);
  // COMHANDLE: the slot's content; 0 for a number outside 1 to 9 or an empty slot.
  int ComHandle(int port) const;

  bool proxy_mode() const { return proxy_ == Proxy::kYes; }
  // The device path of port n in serial mode.
  std::string DevicePath(int port) const;
  // The last error of port n's object (code 0 when none).
  CommError LastError(int port) const;

 private:
  enum class Proxy { kUnknown, kNo, kYes };
  struct Slot {
    bool opened = false;
    int handle = 0;  // 0: opened but not initialised
  };
  CommPort* PortOf(int port);
  bool InitSerial(int port, const LineSettings& line);
  bool InitProxy(int port, const LineSettings& line);

  Clock& clock_;
  LinkOpener& opener_;
  PortUi& ui_;
  ConfigLookup config_;
  Proxy proxy_ = Proxy::kUnknown;
  std::array<Slot, kPortCount> slots_{};
  std::array<std::unique_ptr<CommPort>, kPortCount> ports_{};
  int next_handle_ = 1;
  // Proxy mode: the one connection every port shares, while some port uses it.
  std::unique_ptr<CommPort> proxy_port_;
  CommError last_error_;
};

}  // namespace hurt::devices
