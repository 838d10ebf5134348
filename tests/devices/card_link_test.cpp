// The card terminal's connection on a fake network and the test clock: a transaction's
// answer, the time it is waited for, a refused connection, and the last-transaction copy.
#include <gtest/gtest.h>

#include <deque>
#include <map>

#include "base/clock.h"
#include "devices/card_link.h"
#include "devices/card_station.h"

namespace hurt::devices {
namespace {

// One port's terminal: what each connection answers and after how long.
struct Port {
  std::string reply;
  int64_t reply_after_ms = 0;
  std::vector<std::string> received;  // per connection
};

class FakeTerminal final : public LinkOpener {
 public:
  explicit FakeTerminal(FakeClock& clock) : clock_(clock) {}
  std::map<int, Port> ports;

  SerialOpenResult OpenSerial(const std::string&, const LineSettings&) override { return {}; }
  SerialOpenResult Connect(const std::string&, int port, int) override {
    SerialOpenResult r;
    auto it = ports.find(port);
    if (it == ports.end()) {
      r.failure = {8, 111, "Connection refused"};
      return r;
    }
    it->second.received.emplace_back();
    r.link = std::make_unique<Link>(clock_, it->second, clock_.MonotonicMillis());
    return r;
  }

 private:
  class Link final : public ByteLink {
   public:
    Link(FakeClock& clock, Port& port, int64_t opened) : clock_(clock), port_(port), opened_(opened) {}
    Result<size_t> WriteSome(std::string_view bytes) override {
      port_.received.back() += bytes;
      return bytes.size();
    }
    Result<std::string> ReadSome(size_t max) override {
      if (sent_ || port_.reply.empty() || clock_.MonotonicMillis() < opened_ + port_.reply_after_ms) return std::string();
      sent_ = true;
      return port_.reply.substr(0, max);
    }
    Result<size_t> Pending() override { return size_t{0}; }
    Status DropOutput() override { return Status::Ok(); }

   private:
    FakeClock& clock_;
    Port& port_;
    int64_t opened_;
    bool sent_ = false;
  };
  FakeClock& clock_;
};

std::string Approval(uint8_t command, std::string_view amount) {
  return elavon::EncodeFrame(command, {{39, 2, "00"}, {1, 2, std::string(amount)}, {9, 2, "0"}, {10, 2, "000001"}});
}

TEST(CardLink, ATransactionIsWaitedForUntilTheAnswerTimeAndNoLonger) {
  FakeClock clock(2026, 12, 8, 9);
  FakeTerminal net(clock);
  CardLink link(clock, net, CardFamily::kElavon, "10.0.0.9", TerminalPorts{}, 30'000);

  // No one listens: nothing went.
  EXPECT_EQ(link.Transact(CardTxnType::kSale, 12.34).outcome, CardOutcome::kNoConnection);

  // Approved after 20 s of card and PIN.
  net.ports[5188] = {Approval(elavon::kTransaction, "000000001234"), 20'000, {}};
  const int64_t start = clock.MonotonicMillis();
  CardResult r = link.Transact(CardTxnType::kSale, 12.34);
  EXPECT_EQ(r.outcome, CardOutcome::kApproved);
  EXPECT_EQ(r.answer.amount, "000000001234");
  EXPECT_GE(clock.MonotonicMillis() - start, 20'000);
  ASSERT_EQ(net.ports[5188].received.size(), 1u);
  EXPECT_EQ(net.ports[5188].received[0], elavon::Transaction(CardTxnType::kSale, 12.34));

  // An answer later than the answer time is not waited for.
  net.ports[5188].reply_after_ms = 31'000;
  const int64_t before = clock.MonotonicMillis();
  EXPECT_EQ(link.Transact(CardTxnType::kSale, 12.34).outcome, CardOutcome::kNoAnswer);
  EXPECT_LT(clock.MonotonicMillis() - before, 31'000);

  // Declined, and garbage.
  net.ports[5188] = {elavon::EncodeFrame(elavon::kTransaction, {{39, 2, "05"}}), 0, {}};
  r = link.Transact(CardTxnType::kSale, 12.34);
  EXPECT_EQ(r.outcome, CardOutcome::kDeclined);
  EXPECT_EQ(r.answer.result, "05");
  net.ports[5188] = {"\x01\x00\x00\x00\x07\x07\x07\x07x", 0, {}};
  EXPECT_EQ(link.Transact(CardTxnType::kSale, 12.34).outcome, CardOutcome::kBadAnswer);
}

TEST(CardLink, TheLastTransactionCopyAndTheQueries) {
  FakeClock clock(2026, 12, 8, 9);
  FakeTerminal net(clock);
  TerminalPorts ports;
  ports.transaction = 7001;
  ports.status = 7002;
  ports.fiserv = 7004;
  CardLink link(clock, net, CardFamily::kElavon, "", ports, 5'000);
  EXPECT_FALSE(link.LastTransaction());  // no connection: unknown
  net.ports[7001] = {elavon::EncodeFrame(elavon::kLastTransaction, {}), 0, {}};
  auto none = link.LastTransaction();
  ASSERT_TRUE(none);
  EXPECT_FALSE(*none);  // the terminal has none
  net.ports[7001] = {Approval(elavon::kLastTransaction, "000000004500"), 0, {}};
  auto last = link.LastTransaction();
  ASSERT_TRUE(last && *last);
  EXPECT_TRUE((*last)->approved);
  EXPECT_EQ((*last)->amount, "000000004500");

  net.ports[7002] = {elavon::EncodeFrame(elavon::kStatus, {{0, 2, std::string(1, '\x02')}}), 100, {}};
  auto status = link.Query(ports.status, elavon::Status(), elavon::kStatusReplySize, kCardQueryWaitMs);
  ASSERT_TRUE(status);
  EXPECT_EQ(elavon::StatusState(*status), 2);
  EXPECT_EQ(net.ports[7002].received[0], elavon::Status());

  CardLink fiserv_link(clock, net, CardFamily::kFiserv, "", ports, 5'000);
  net.ports[7004] = {fiserv::Wrap("|2811011|00|000000001234|000002|"), 0, {}};
  EXPECT_EQ(fiserv_link.Transact(CardTxnType::kRefund, 12.34).outcome, CardOutcome::kApproved);
  EXPECT_EQ(net.ports[7004].received[0], fiserv::Refund(12.34));
  EXPECT_FALSE(fiserv_link.LastTransaction());  // Fiserv keeps no copy for us: the operator says
}

}  // namespace
}  // namespace hurt::devices

namespace hurt::devices {
namespace {

TEST(CardNote, ItsTextRoundTripsAndABrokenOneIsNoNote) {
  CardNote n;
  n.rd = "SD";
  n.odb = "KARTA";
  n.type = '1';
  n.amount = "000000002892";
  n.stage = CardNote::Stage::kApproved;
  const std::string text = EncodeCardNote(n);
  EXPECT_EQ(text, "rd=SD\nodb=KARTA\ntyp=1\nkwota=000000002892\nstan=przyjeta\n");
  EXPECT_EQ(DecodeCardNote(text), n);
  EXPECT_FALSE(DecodeCardNote("rd=SD\nkwota=12\nstan=przyjeta\n"));      // no type, short amount
  EXPECT_FALSE(DecodeCardNote("rd=SD\ntyp=0\nkwota=000000002892\n"));    // no stage
  EXPECT_FALSE(DecodeCardNote(""));
}

}  // namespace
}  // namespace hurt::devices
