#include "devices/fiscal_printer.h"

#include "base/numeric.h"
#include "base/text.h"

namespace hurt::devices {

namespace {
constexpr int kStartAttempts = 4;
constexpr int kMessageSeconds = 3;
}  // namespace

bool SerialFiscalChannel::Start(FiscalUi& ui) {
  for (int failures = 0;;) {
    (void)ports_.ComClose(port_);  // closed already is no failure
    const char* refused = nullptr;
    if (!ports_.ComOpen(port_)) {
      refused = "1. Wlacz fiskalna COM OPEN";
    } else if (!ports_.ComInit(port_, 9600, "N", 8, 1)) {
      refused = "2. Wlacz fiskalna COM INIT";
    } else if (!ports_.ComFlush(port_)) {
      refused = "3. Wlacz fiskalna COM FLUSH";
    }
    if (refused == nullptr) return true;
    ui.Tell(refused, kMessageSeconds);
    if (++failures >= kStartAttempts) {
      ui.Tell("1. Masz problem z fiskalna", kMessageSeconds);
      return false;
    }
    ui.Tell("Wlacz fiskalna...i spacja", kMessageSeconds);
  }
}

bool SerialFiscalChannel::Send(std::string_view bytes) {
  for (char c : bytes) {
    if (!ports_.OutByte(port_, static_cast<unsigned char>(c))) return false;
  }
  return true;
}

std::string TcpFiscalChannel::Endpoint() const {
  const std::string address = AllTrim(address_);
  const int port = static_cast<int>(Val(port_text_));
  if (address.empty() || port <= 0) return "127.0.0.1:" + std::to_string(kDefaultFiscalTcpPort);
  return address + ":" + std::to_string(port);
}

bool TcpFiscalChannel::Start(FiscalUi& ui) {
  if (port_object_) {
    // What the printer said and nobody read (its answer to the enquiry) is taken first: a
    // socket closed with unread bytes is reset, and the printer could lose the last frames.
    auto waiting = port_object_->Count();
    if (waiting.ok() && *waiting > 0) (void)port_object_->Read(*waiting);
    port_object_.reset();
  }
  std::string address = AllTrim(address_);
  int port = static_cast<int>(Val(port_text_));
  if (address.empty() || AllTrim(port_text_).empty()) {
    ui.Tell("Sprawdz DF_IPADDR, DF_IPPORT", kMessageSeconds);
    address = "127.0.0.1";
    port = kDefaultFiscalTcpPort;
  }
  SerialOpenResult connected = opener_.Connect(address, port, kFiscalConnectMs);
  if (!connected.link) {
    ui.TellLines({"Brak komunikacji z DF", "Sprawdz DF_IPADDR, DF_IPPORT w vat.ini"}, kMessageSeconds);
    return false;
  }
  port_object_ = std::make_unique<CommPort>(clock_, address + ":" + std::to_string(port), LineSettings{});
  port_object_->Adopt(std::move(connected.link));
  return true;
}

bool TcpFiscalChannel::Send(std::string_view bytes) {
  if (!port_object_) return false;
  if (port_object_->Write(bytes).ok()) return true;
  port_object_.reset();  // a broken connection is started again by the next RS_INIT
  return false;
}

int TcpFiscalChannel::ReadByte() {
  if (!port_object_) return 0;
  auto got = port_object_->Read(1);
  if (!got.ok() || got->empty()) return 0;
  return static_cast<unsigned char>((*got)[0]);
}

bool FiscalPrinter::Send(const Frames& frames) {
  for (const Frame& f : frames) {
    ui_.Trace(f.bytes);
    if (!channel_.Send(f.bytes)) return false;
    if (f.pause_ms > 0) clock_.Sleep(f.pause_ms);
  }
  return true;
}

std::string FiscalPrinter::DfEnq() {
  if (!Send(frames_.Enquiry())) return "0";
  if (channel_.tcp() || dialect() != Dialect::kEscape) return "0";
  clock_.Sleep(1000);
  const int byte = channel_.ReadByte();
  std::string bits;
  for (int bit = 7; bit >= 0; --bit) bits.push_back((byte >> bit) & 1 ? '1' : '0');
  return bits;
}

}  // namespace hurt::devices
