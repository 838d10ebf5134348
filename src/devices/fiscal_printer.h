// The fiscal printer of a station: how frames reach it (a serial port of the port layer,
// or a TCP connection), starting it (RS_INIT), sending (SEND_STRING) and the enquiry
// (DF_ENQ).
//
// The printer gives no acknowledgement that the program reads, apart from the enquiry
// byte: frames are sent synchronously, with the pauses of the callers as the only flow
// control. A frame that cannot be written (the connection is gone, the port is dead) is
// known, though: Send says so and the caller stops.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "devices/byte_link.h"
#include "devices/com_ports.h"
#include "devices/fiscal_frames.h"

namespace hurt::devices {

// What the printer's routines show the operator.
class FiscalUi {
 public:
  virtual ~FiscalUi() = default;
  // A message for `seconds` (0: until a key).
  virtual void Tell(std::string_view text, int seconds) = 0;
  virtual void TellLines(const std::vector<std::string>& lines, int seconds) = 0;
  // A yes/no question; true for "T".
  virtual bool Ask(std::string_view question, std::string_view default_answer) = 0;
  // The bell, `count` times.
  virtual void Bell(int count) = 0;
  // DF_ERROR: a frame as it went (for looking at afterwards).
  virtual void Trace(std::string_view /*frame*/) {}
};

// How the frames go.
class FiscalChannel {
 public:
  virtual ~FiscalChannel() = default;
  virtual bool tcp() const = 0;
  // The port is started (RS_INIT has run and nothing broke since).
  virtual bool ready() const = 0;
  // RS_INIT's part: the port closed and started again (with its own messages).
  virtual bool Start(FiscalUi& ui) = 0;
  // SEND_STRING: false when the bytes did not go.
  virtual bool Send(std::string_view bytes) = 0;
  // One byte within the read time-out; 0 when nothing came.
  virtual int ReadByte() = 0;
};

// Serial: port `port` of the port layer at 9600 baud, no parity, 8 data bits, 1 stop bit.
class SerialFiscalChannel final : public FiscalChannel {
 public:
  SerialFiscalChannel(ComPorts& ports, int port) : ports_(ports), port_(port) {}
  bool tcp() const override { return false; }
  bool ready() const override { return ports_.ComHandle(port_) != 0; }
  // Close, open, initialise, flush; a refused step shows "1. Wlacz fiskalna COM OPEN",
  // "2. Wlacz fiskalna COM INIT" or "3. Wlacz fiskalna COM FLUSH" (3 seconds) and counts a
  // failure: fewer than 4 show "Wlacz fiskalna...i spacja" and start again after 3
  // seconds; the 4th shows "1. Masz problem z fiskalna".
  bool Start(FiscalUi& ui) override;
  // Byte by byte.
  bool Send(std::string_view bytes) override;
  int ReadByte() override { return ports_.InByte(port_); }
  int port() const { return port_; }

 private:
  ComPorts& ports_;
  int port_;
};

inline constexpr int kDefaultFiscalTcpPort = 6001;
inline constexpr int kFiscalConnectMs = 3000;

// TCP: DF_IPADDR:DF_IPPORT of vat.ini; a frame goes in one piece.
class TcpFiscalChannel final : public FiscalChannel {
 public:
  TcpFiscalChannel(Clock& clock, LinkOpener& opener, std::string address, std::string port)
      : clock_(clock), opener_(opener), address_(std::move(address)), port_text_(std::move(port)) {}
  bool tcp() const override { return true; }
  bool ready() const override { return port_object_ != nullptr; }
  // Closes and connects again: "Brak komunikacji z DF" / "Sprawdz DF_IPADDR, DF_IPPORT w
  // vat.ini" when it cannot. Either value empty: "Sprawdz DF_IPADDR, DF_IPPORT", and this
  // machine, port 6001.
  bool Start(FiscalUi& ui) override;
  bool Send(std::string_view bytes) override;
  int ReadByte() override;
  bool connected() const { return port_object_ != nullptr; }
  // The address and port in use ("127.0.0.1:6001").
  std::string Endpoint() const;

 private:
  Clock& clock_;
  LinkOpener& opener_;
  std::string address_, port_text_;
  std::unique_ptr<CommPort> port_object_;
};

class FiscalPrinter {
 public:
  FiscalPrinter(Clock& clock, FiscalChannel& channel, FiscalUi& ui, Dialect dialect)
      : clock_(clock), channel_(channel), ui_(ui), frames_(dialect) {}

  const FrameSet& frames() const { return frames_; }
  Dialect dialect() const { return frames_.dialect(); }
  FiscalChannel& channel() { return channel_; }
  FiscalUi& ui() { return ui_; }
  Clock& clock() { return clock_; }

  // RS_INIT.
  bool RsInit() { return channel_.Start(ui_); }
  // Each frame, then its pause. False as soon as one did not go.
  bool Send(const Frames& frames);
  // DF_ENQ: the enquiry frame, a second's wait, one byte read, as 8 binary digits (most
  // significant first); "0" over TCP, where nothing is read.
  std::string DfEnq();
  // The fifth digit of the enquiry's answer: the printer is in fiscal mode.
  static bool FiscalMode(std::string_view enquiry) { return enquiry.size() >= 5 && enquiry[4] == '1'; }

 private:
  Clock& clock_;
  FiscalChannel& channel_;
  FiscalUi& ui_;
  FrameSet frames_;
};

}  // namespace hurt::devices
