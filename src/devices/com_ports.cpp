#include "devices/com_ports.h"

#include "base/numeric.h"
#include "base/text.h"

namespace hurt::devices {
namespace {

bool InRange(int port) { return port >= 1 && port <= kPortCount; }

int ParityCode(std::string_view letter) {
  const std::string l = Upper(AllTrim(letter));
  if (l == "O") return 1;
  if (l == "M") return 2;
  if (l == "E") return 3;
  return 0;
}

}  // namespace

bool ComPorts::ComOpen(int port) {
  if (proxy_ == Proxy::kUnknown) proxy_ = Upper(AllTrim(config_("SERPROXY_MODE"))) == "YES" ? Proxy::kYes : Proxy::kNo;
  if (!InRange(port)) return false;
  Slot& slot = slots_[static_cast<size_t>(port - 1)];
  if (!slot.opened) slot = {true, 0};
  return true;
}

std::string ComPorts::DevicePath(int port) const {
  const std::string configured = AllTrim(config_("COM" + std::to_string(port) + "_DEVICE"));
  if (!configured.empty()) return configured;
  return "/dev/ttyS" + std::to_string(port - 1);
}

bool ComPorts::ComInit(int port, int baud, std::string_view parity, int data_bits, int stop_bits) {
  if (port > kPortCount || port < 1) {
    ui_.Say(10, 10, " za duzy port inicjowany   " + std::to_string(port));
    ui_.WaitKey();
    return false;
  }
  Slot& slot = slots_[static_cast<size_t>(port - 1)];
  if (slot.handle != 0) return true;  // initialised: the first settings stay
  slot.opened = true;
  const LineSettings line{baud, data_bits, ParityCode(parity), stop_bits};
  return proxy_mode() ? InitProxy(port, line) : InitSerial(port, line);
}

bool ComPorts::InitSerial(int port, const LineSettings& line) {
  int alive = 0;
  for (const auto& p : ports_) alive += p != nullptr;
  auto object = std::make_unique<CommPort>(clock_, DevicePath(port), line);
  Status opened = alive >= kMaxPortObjects ? Status::Busy("no free port object") : object->Open(opener_);
  if (!opened.ok()) {
    last_error_ = object->last_error();
    ui_.Say(7, 5, "Port COM" + std::to_string(port) + " nie dziala: " + object->last_error().Message());
    ui_.WaitKey();
    return false;
  }
  ports_[static_cast<size_t>(port - 1)] = std::move(object);
  slots_[static_cast<size_t>(port - 1)].handle = next_handle_++;
  return true;
}

bool ComPorts::InitProxy(int port, const LineSettings& line) {
  if (!proxy_port_) {
    const std::string n = std::to_string(port);
    std::string address = AllTrim(config_("COM" + n + "_ADDR"));
    const int tcp_port = static_cast<int>(Val(config_("COM" + n + "_PORT")));
    SerialOpenResult connected = opener_.Connect(address, tcp_port, kProxyConnectMs);
    if (!connected.link) {
      last_error_ = {8, connected.failure.os_error, connected.failure.text};
      ui_.Say(7, 5, "Can't connect with " + address + ": " + connected.failure.text);
      ui_.Say(8, 5, "Press a key to terminate the program");
      ui_.WaitKey();
      return false;
    }
    proxy_port_ = std::make_unique<CommPort>(clock_, address + ":" + std::to_string(tcp_port), line);
    proxy_port_->Adopt(std::move(connected.link));
  }
  slots_[static_cast<size_t>(port - 1)].handle = 1;
  return true;
}

CommPort* ComPorts::PortOf(int port) {
  if (!InRange(port)) return nullptr;
  const Slot& slot = slots_[static_cast<size_t>(port - 1)];
  if (slot.handle == 0) return nullptr;
  if (proxy_mode()) return proxy_port_.get();
  return ports_[static_cast<size_t>(port - 1)].get();
}

bool ComPorts::ComSend(int port, std::string_view text) {
  CommPort* p = PortOf(port);
  if (p == nullptr) return false;
  Status written = p->Write(text);
  if (!written.ok()) last_error_ = p->last_error();
  return written.ok();
}

std::string ComPorts::ComRead(int port, size_t count) {
  CommPort* p = PortOf(port);
  if (p == nullptr) return "";
  auto got = p->Read(count);
  std::string text = got.ok() ? *got : std::string();
  if (!got.ok()) last_error_ = p->last_error();
  if (text.size() < count) {
    text.push_back('\0');
    text.resize(count, ' ');
  }
  return text;
}

std::optional<size_t> ComPorts::ComCount(int port) {
  CommPort* p = PortOf(port);
  if (p == nullptr) return std::nullopt;
  if (proxy_mode()) return size_t{0};
  auto n = p->Count();
  if (!n.ok()) {
    last_error_ = p->last_error();
    return size_t{0};
  }
  return *n;
}

bool ComPorts::ComFlush(int port) {
  CommPort* p = PortOf(port);
  if (p == nullptr) return false;
  if (proxy_mode()) return true;
  Status st = p->FlushOutput();
  if (!st.ok()) last_error_ = p->last_error();
  return st.ok();
}

bool ComPorts::ComClose(int port) {
  CommPort* p = PortOf(port);
  if (p == nullptr) return false;
  const size_t i = static_cast<size_t>(port - 1);
  slots_[i] = {};
  if (proxy_mode()) {
    // The connection is shared: it closes with the last port that uses it.
    bool used = false;
    for (const Slot& s : slots_) used = used || s.handle != 0;
    if (!used) proxy_port_.reset();
    return true;
  }
  Status st = ports_[i]->Close();
  ports_[i].reset();
  return st.ok();
}

int ComPorts::InByte(int port) {
  CommPort* p = PortOf(port);
  if (p == nullptr) return 0;
  auto got = p->Read(1);
  if (!got.ok()) {
    last_error_ = p->last_error();
    return 0;
  }
  return got->empty() ? 0 : static_cast<unsigned char>((*got)[0]);
}

int ComPorts::ComHandle(int port) const {
  if (!InRange(port)) return 0;
  const Slot& slot = slots_[static_cast<size_t>(port - 1)];
  return slot.opened ? slot.handle : 0;
}

CommError ComPorts::LastError(int port) const {
  if (InRange(port) && ports_[static_cast<size_t>(port - 1)]) return ports_[static_cast<size_t>(port - 1)]->last_error();
  return last_error_;
}

}  // namespace hurt::devices
