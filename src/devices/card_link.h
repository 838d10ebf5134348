// One payment card terminal on the network: each operation opens its own connection,
// sends one frame, reads at most one reply and closes. Free of the session: the clock
// and the way links are opened are given, so tests drive it on a fake clock.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/clock.h"
#include "devices/byte_link.h"
#include "devices/card_frames.h"

namespace hurt::devices {

// The terminal's TCP ports (vat.ini may move them: EFT_PORTY).
struct TerminalPorts {
  int transaction = elavon::kTransactionPort;
  int status = elavon::kStatusPort;
  int settlement = elavon::kSettlementPort;
  int fiserv = fiserv::kPort;
};

enum class CardOutcome {
  kApproved,      // the terminal approved it
  kDeclined,      // the terminal said no
  kNoConnection,  // nothing went: the connection was refused
  kNoAnswer,      // it went, and no answer came in time (it may yet be approved)
  kBadAnswer,     // it went, and what came back is no answer
};

struct CardResult {
  CardOutcome outcome = CardOutcome::kNoConnection;
  CardAnswer answer;
};

inline constexpr int kCardConnectMs = 3000;
// Status and hello replies are read this long after the request.
inline constexpr int kCardQueryWaitMs = 400;

class CardLink {
 public:
  CardLink(Clock& clock, LinkOpener& opener, CardFamily family, std::string address, TerminalPorts ports,
           int answer_ms)
      : clock_(clock), opener_(opener), family_(family), address_(std::move(address)), ports_(ports),
        answer_ms_(answer_ms) {}

  CardFamily family() const { return family_; }
  const std::string& address() const { return address_; }

  // A frame with no reply read (settlement, clock, print text, cancel key ...). False when
  // there was no connection or the frame did not go.
  bool Send(int port, std::string_view frame);
  // A frame, then what came within `wait_ms` (at most `size` bytes); nullopt when there
  // was no connection.
  std::optional<std::string> Query(int port, std::string_view frame, size_t size, int wait_ms);
  // A sale, refund or cancellation, and its answer within the answer time.
  CardResult Transact(CardTxnType type, double amount, std::string_view receipt = {});
  // Elavon: the copy of the last transaction. Outer nullopt: no connection or no answer;
  // inner nullopt: the terminal has no transaction.
  std::optional<std::optional<CardAnswer>> LastTransaction();

  int TransactionPort() const { return family_ == CardFamily::kElavon ? ports_.transaction : ports_.fiserv; }
  const TerminalPorts& ports() const { return ports_; }

 private:
  // A connection, the frame sent; null when either failed (*connected says which).
  std::unique_ptr<ByteLink> Open(int port, std::string_view frame, bool* connected);
  // One whole reply frame within `wait_ms`; nullopt when none came whole.
  std::optional<std::string> ReadFrame(ByteLink& link, int wait_ms);

  Clock& clock_;
  LinkOpener& opener_;
  CardFamily family_;
  std::string address_;
  TerminalPorts ports_;
  int answer_ms_;
};

}  // namespace hurt::devices
