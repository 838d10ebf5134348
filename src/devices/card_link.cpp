#include "devices/card_link.h"

#include "devices/comm_port.h"

namespace hurt::devices {

std::unique_ptr<ByteLink> CardLink::Open(int port, std::string_view frame, bool* connected) {
  SerialOpenResult c = opener_.Connect(address_, port, kCardConnectMs);
  *connected = c.link != nullptr;
  if (!c.link) return nullptr;
  // The whole frame within the write time of the port layer.
  const int64_t deadline = clock_.MonotonicMillis() + kWriteBaseMs + static_cast<int64_t>(frame.size());
  while (!frame.empty()) {
    auto n = c.link->WriteSome(frame);
    if (!n.ok()) return nullptr;
    frame.remove_prefix(*n);
    if (frame.empty()) break;
    if (clock_.MonotonicMillis() >= deadline) return nullptr;
    clock_.Sleep(kWaitSliceMs);
  }
  return std::move(c.link);
}

bool CardLink::Send(int port, std::string_view frame) {
  bool connected = false;
  return Open(port, frame, &connected) != nullptr;
}

std::optional<std::string> CardLink::Query(int port, std::string_view frame, size_t size, int wait_ms) {
  bool connected = false;
  std::unique_ptr<ByteLink> link = Open(port, frame, &connected);
  if (!link) return connected ? std::optional<std::string>(std::string()) : std::nullopt;
  clock_.Sleep(wait_ms);
  std::string got;
  // What has come by now, and what is still coming of it without a pause.
  for (int idle = 0; got.size() < size && idle < 3;) {
    auto part = link->ReadSome(size - got.size());
    if (!part.ok()) break;
    if (part->empty()) {
      ++idle;
      link->WaitReadable(idle == 1 && got.empty() ? wait_ms : kInterByteMs);
      clock_.Sleep(kInterByteMs);
      continue;
    }
    idle = 0;
    got += *part;
  }
  return got;
}

std::optional<std::string> CardLink::ReadFrame(ByteLink& link, int wait_ms) {
  const int64_t deadline = clock_.MonotonicMillis() + wait_ms;
  std::string got;
  for (;;) {
    if (family_ == CardFamily::kElavon) {
      if (elavon::BadHead(got)) return got;  // no frame of ours: the caller says so
      size_t used = 0;
      if (elavon::DecodeFrame(got, &used)) return got.substr(0, used);
    } else if (fiserv::Unwrap(got)) {
      return got;
    }
    auto part = link.ReadSome(512);
    if (!part.ok()) return got.empty() ? std::nullopt : std::optional<std::string>(got);  // closed
    if (!part->empty()) {
      got += *part;
      continue;
    }
    if (clock_.MonotonicMillis() >= deadline) return got.empty() ? std::nullopt : std::optional<std::string>(got);
    // The terminal answers in real time, whatever the session's clock.
    link.WaitReadable(kWaitSliceMs);
    clock_.Sleep(kWaitSliceMs);
  }
}

CardResult CardLink::Transact(CardTxnType type, double amount, std::string_view receipt) {
  std::string frame;
  if (family_ == CardFamily::kElavon) {
    frame = elavon::Transaction(type, amount, receipt);
  } else {
    frame = type == CardTxnType::kSale ? fiserv::Sale(amount)
            : type == CardTxnType::kRefund ? fiserv::Refund(amount)
                                            : fiserv::Cancel(receipt);
  }
  CardResult r;
  bool connected = false;
  std::unique_ptr<ByteLink> link = Open(TransactionPort(), frame, &connected);
  if (!link) {
    r.outcome = connected ? CardOutcome::kNoAnswer : CardOutcome::kNoConnection;
    return r;
  }
  const std::optional<std::string> reply = ReadFrame(*link, answer_ms_);
  if (!reply) {
    r.outcome = CardOutcome::kNoAnswer;
    return r;
  }
  std::optional<CardAnswer> answer;
  if (family_ == CardFamily::kElavon) {
    if (auto d = elavon::DecodeFrame(*reply); d && d->command == elavon::kTransaction) answer = ElavonAnswer(*d);
  } else if (auto text = fiserv::Unwrap(*reply)) {
    answer = FiservAnswer(*text);
  }
  if (!answer) {
    r.outcome = CardOutcome::kBadAnswer;
    return r;
  }
  r.answer = *answer;
  r.outcome = answer->approved ? CardOutcome::kApproved : CardOutcome::kDeclined;
  return r;
}

std::optional<std::optional<CardAnswer>> CardLink::LastTransaction() {
  if (family_ != CardFamily::kElavon) return std::nullopt;
  bool connected = false;
  std::unique_ptr<ByteLink> link = Open(ports_.transaction, elavon::LastTransaction(), &connected);
  if (!link) return std::nullopt;
  const std::optional<std::string> reply = ReadFrame(*link, answer_ms_);
  if (!reply) return std::nullopt;
  auto d = elavon::DecodeFrame(*reply);
  if (!d || d->command != elavon::kLastTransaction) return std::nullopt;
  return std::optional<std::optional<CardAnswer>>(ElavonAnswer(*d));
}

}  // namespace hurt::devices
