// Golden bytes of the card terminals' frames, written out by hand from the frame rules
// (head: fields' length LE, 00 02 00, command; field: tag LE, type LE, length LE, value).
#include <gtest/gtest.h>

#include "devices/card_frames.h"

namespace hurt::devices {
namespace {

std::string B(std::initializer_list<int> bytes) {
  std::string out;
  for (int b : bytes) out.push_back(static_cast<char>(b));
  return out;
}

// tag, type 2, length, value
std::string Text(int tag, std::string_view value) {
  return B({tag & 0xFF, tag >> 8, 2, 0, static_cast<int>(value.size()), 0, 0, 0}) + std::string(value);
}

TEST(CardFrames, TheElavonSaleFrameIs61Bytes) {
  const std::string frame = elavon::Transaction(CardTxnType::kSale, 12.34);
  const std::string expected = B({53, 0, 0, 0, 0, 2, 0, 2}) + Text(0, "01") + Text(1, "000000001234") +
                               Text(5, "Kwota:") + Text(9, "0");
  EXPECT_EQ(frame.size(), 61u);
  EXPECT_EQ(frame, expected);
  // A refund differs in the type only; an amount not positive is all zeros.
  EXPECT_EQ(elavon::Transaction(CardTxnType::kRefund, 12.34).substr(52), Text(9, "1"));
  EXPECT_NE(elavon::Transaction(CardTxnType::kSale, -5).find("000000000000"), std::string::npos);
}

TEST(CardFrames, TheElavonCancellationFrameIs103BytesWithTheReceiptPadded) {
  const std::string frame = elavon::Transaction(CardTxnType::kCancel, 0, "12");
  const std::string expected = B({95, 0, 0, 0, 0, 2, 0, 2}) + Text(0, "01") + Text(1, "000000000000") +
                               Text(5, "Kwota:") + Text(9, "2") + Text(10, "000012") + Text(12, "  ") +
                               Text(91, std::string(1, '\0')) + Text(125, "\x01");
  EXPECT_EQ(frame.size(), 103u);
  EXPECT_EQ(frame, expected);
}

TEST(CardFrames, AmountsAreRoundedToTheGrosz) {
  EXPECT_EQ(GroszeText(12.34), "000000001234");
  // Values whose hundredfold lies just under a whole number in binary.
  EXPECT_EQ(GroszeText(0.29), "000000000029");
  EXPECT_EQ(GroszeText(1.15), "000000000115");
  EXPECT_EQ(GroszeText(4.35), "000000000435");
  EXPECT_EQ(GroszeText(9999999.99), "000999999999");
  EXPECT_EQ(GroszeText(0), "000000000000");
  for (int g = 1; g < 100000; g += 7) {
    char want[16];
    std::snprintf(want, sizeof want, "%012d", g);
    ASSERT_EQ(GroszeText(g / 100.0), want) << g;
  }
  EXPECT_EQ(ReceiptText("12"), "000012");
  EXPECT_EQ(ReceiptText(" 12   "), "000012");
  EXPECT_EQ(ReceiptText("1234567"), "234567");
}

TEST(CardFrames, TheOtherElavonCommands) {
  EXPECT_EQ(elavon::Status(), B({0, 0, 0, 0, 0, 2, 0, 0x1C}));
  EXPECT_EQ(elavon::CancelKey(), B({0, 0, 0, 0, 0, 2, 0, 0x37}));
  EXPECT_EQ(elavon::LastTransaction(), B({0, 0, 0, 0, 0, 2, 0, 0x42}));
  EXPECT_EQ(elavon::Settlement(), B({10, 0, 0, 0, 0, 2, 0, 0x08}) + Text(0, "01"));
  auto two = [](int tag, std::string_view v) { return B({tag, 0, 8, 0, 2, 0, 0, 0}) + std::string(v); };
  EXPECT_EQ(elavon::SetClock({9, 5, 7, 8, 12, 2026}),
            B({60, 0, 0, 0, 0, 2, 0, 0x1D}) + two(5, "09") + two(6, "05") + two(7, "07") + two(8, "08") +
                two(9, "12") + two(10, "26"));
  EXPECT_EQ(elavon::PrintText("Test"), B({12, 0, 0, 0, 0, 2, 0, 0x1F, 18, 0, 8, 0, 4, 0, 0, 0}) + "Test");
  EXPECT_EQ(elavon::SetEcrAddress("10.0.0.5"),
            B({16, 0, 0, 0, 0, 2, 0, 0x36, 31, 0, 8, 0, 8, 0, 0, 0}) + "10.0.0.5");
  // A text longer than one length byte allows is cut, so that the lengths stay true.
  const std::string long_text = elavon::PrintText(std::string(300, 'x'));
  EXPECT_EQ(long_text.size(), 8u + 8u + elavon::kMaxText);
  EXPECT_EQ(static_cast<unsigned char>(long_text[0]), 255);
}

TEST(CardFrames, FramesDecodeBackAndRepliesAreRead) {
  size_t used = 0;
  const std::string frame = elavon::Transaction(CardTxnType::kCancel, 0, "12");
  auto d = elavon::DecodeFrame(frame + "rest", &used);
  ASSERT_TRUE(d);
  EXPECT_EQ(used, 103u);
  EXPECT_EQ(d->command, elavon::kTransaction);
  ASSERT_NE(d->Find(10), nullptr);
  EXPECT_EQ(d->Find(10)->value, "000012");
  EXPECT_FALSE(elavon::DecodeFrame(frame.substr(0, 60)));
  EXPECT_TRUE(elavon::BadHead(std::string_view("\x05\0\0\0\x01", 5)));

  const std::string status = elavon::EncodeFrame(elavon::kStatus, {{0, 2, std::string(1, '\x28')}});
  ASSERT_EQ(status.size(), 17u);
  EXPECT_EQ(elavon::StatusState(status), 40);
  EXPECT_EQ(ElavonStateText(40), "STATUS NIEZNANY");
  EXPECT_EQ(ElavonStateText(1), "TERMINAL GOTOWY");
  EXPECT_EQ(ElavonStateText(2), "TERMINAL ZAJETY");
  EXPECT_EQ(ElavonStateText(34), "AKCEPTACJA PINU");
  EXPECT_EQ(ElavonStateText(35), "STATUS NIEZNANY");
  EXPECT_FALSE(elavon::StatusState(status.substr(0, 16)));

  auto answer = ElavonAnswer(*elavon::DecodeFrame(elavon::EncodeFrame(
      elavon::kTransaction, {{39, 2, "00"}, {1, 2, "000000001234"}, {9, 2, "0"}, {10, 2, "000007"}})));
  ASSERT_TRUE(answer);
  EXPECT_TRUE(answer->approved);
  EXPECT_EQ(answer->amount, "000000001234");
  EXPECT_EQ(answer->type, 0);
  EXPECT_FALSE(ElavonAnswer(*elavon::DecodeFrame(elavon::LastTransaction())));  // no transaction yet
}

TEST(CardFrames, FiservTextFrames) {
  EXPECT_EQ(fiserv::Sale(12.34), B({0, 34}) + "|2811011|00|000000001234||||||||0|");
  EXPECT_EQ(fiserv::Refund(12.34), B({0, 34}) + "|2811011|20|000000001234||||||||0|");
  const std::string cancel_text = "|2811111|00|0|000000000001||||||||||||1|||||||||||||||||||12|";
  EXPECT_EQ(fiserv::Cancel(" 12 "), B({0, static_cast<int>(cancel_text.size())}) + cancel_text);
  EXPECT_NE(fiserv::Cancel("").find("||0|"), std::string::npos);
  EXPECT_EQ(fiserv::Cutoff(), B({0, 9}) + "|2881111|");
  EXPECT_EQ(fiserv::Hello(), B({0, 15}) + "|2841011|0|||||");
  EXPECT_EQ(fiserv::Unwrap(fiserv::Hello()), "|2841011|0|||||");
  EXPECT_FALSE(fiserv::Unwrap(fiserv::Hello().substr(0, 10)));

  const std::string hello = fiserv::Wrap("|2841011|0|000000|T0012345");
  ASSERT_EQ(hello.size(), 28u);
  EXPECT_EQ(fiserv::HelloTid(hello), "T0012345");
  EXPECT_EQ(fiserv::HelloTid(hello.substr(0, 27)), "");
  auto a = FiservAnswer("|2811011|05|000000001234|000003|");
  ASSERT_TRUE(a);
  EXPECT_FALSE(a->approved);
  EXPECT_EQ(a->result, "05");
}

TEST(CardFrames, AddressFilesKeepDigitsAndDots) {
  EXPECT_EQ(TerminalAddressOf("192.168.1.20\r\n"), "192.168.1.20");
  EXPECT_EQ(TerminalAddressOf(" 10.0.0.7 # kasa\n"), "10.0.0.7");
  EXPECT_EQ(TerminalAddressOf(""), "");
  EXPECT_EQ(TerminalAddressOf("192.168.100.200.1"), "");  // 16 characters or more: this machine
  EXPECT_EQ(TerminalAddressOf("192.168.100.200"), "192.168.100.200");
}

}  // namespace
}  // namespace hurt::devices
