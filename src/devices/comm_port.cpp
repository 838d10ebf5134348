#include "devices/comm_port.h"

#include <algorithm>

namespace hurt::devices {

std::string CommError::Message() const {
  return "ECommError " + std::to_string(code) + " (" + std::to_string(os_error) + "): " + text;
}

Status CommPort::Fail(int code, int os_error, std::string text) {
  error_ = {code, os_error, std::move(text)};
  return Status::IoError(error_.Message());
}

Status CommPort::Open(LinkOpener& opener) {
  if (link_) return Status::Ok();
  SerialOpenResult opened = opener.OpenSerial(device_, line_);
  if (!opened.link) return Fail(opened.failure.step, opened.failure.os_error, opened.failure.text);
  link_ = std::move(opened.link);
  return Status::Ok();
}

void CommPort::Adopt(std::unique_ptr<ByteLink> link) { link_ = std::move(link); }

Status CommPort::Write(std::string_view bytes) {
  if (!link_) return Fail(7, 0, device_ + ": port nie jest otwarty");
  const int64_t deadline = clock_.MonotonicMillis() + kWriteBaseMs + static_cast<int64_t>(bytes.size());
  while (!bytes.empty()) {
    auto n = link_->WriteSome(bytes);
    if (!n.ok()) return Fail(9, 0, n.status().message());
    bytes.remove_prefix(*n);
    if (bytes.empty()) break;
    const int64_t left = deadline - clock_.MonotonicMillis();
    if (left <= 0) return Fail(9, 0, device_ + ": zapis nie zmiescil sie w czasie");
    clock_.Sleep(std::min<int64_t>(left, kWaitSliceMs));
  }
  return Status::Ok();
}

Result<std::string> CommPort::Read(size_t count) {
  if (!link_) return Fail(7, 0, device_ + ": port nie jest otwarty");
  std::string got;
  const int64_t start = clock_.MonotonicMillis();
  const int64_t deadline = start + kReadBaseMs + static_cast<int64_t>(count);
  int64_t last_byte = 0;
  while (got.size() < count) {
    auto piece = link_->ReadSome(count - got.size());
    if (!piece.ok()) return Fail(10, 0, piece.status().message());
    const int64_t now = clock_.MonotonicMillis();
    if (!piece->empty()) {
      got += *piece;
      last_byte = now;
      continue;
    }
    int64_t left = deadline - now;
    if (!got.empty()) left = std::min<int64_t>(left, last_byte + kInterByteMs - now);
    if (left <= 0) break;
    clock_.Sleep(std::min<int64_t>(left, kWaitSliceMs));
  }
  return got;
}

Result<size_t> CommPort::Count() {
  if (!link_) return Fail(7, 0, device_ + ": port nie jest otwarty");
  auto n = link_->Pending();
  if (!n.ok()) return Fail(18, 0, n.status().message());
  return *n;
}

Status CommPort::FlushOutput() {
  if (!link_) return Fail(7, 0, device_ + ": port nie jest otwarty");
  Status st = link_->DropOutput();
  if (!st.ok()) return Fail(12, 0, st.message());
  return Status::Ok();
}

Status CommPort::Close() {
  if (!link_) return Fail(11, 0, device_ + ": port nie jest otwarty");
  link_.reset();
  return Status::Ok();
}

}  // namespace hurt::devices
