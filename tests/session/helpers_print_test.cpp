#include "session/helpers_print.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace hurt::session {
namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s += static_cast<char>(static_cast<unsigned char>(v));
  return s;
}

TEST(Druk, WithoutArgumentsPrintsLineSpacingAndReturnsTheMode) {
  PrinterControl p = Druk();
  EXPECT_EQ(p.printed, Bytes({27, '3', 28}));
  EXPECT_EQ(p.returned, Bytes({27, '!', 1}));
}

TEST(Druk, WithTwoNumbersPrintsBothAndReturnsTheMode) {
  PrinterControl p = Druk(36, 4);
  EXPECT_EQ(p.printed, Bytes({27, '3', 36, 27, '!', 4}));
  EXPECT_EQ(p.returned, Bytes({27, '!', 4}));

  PrinterControl zero = Druk(0, 0);  // a zero byte is a byte like any other
  EXPECT_EQ(zero.printed.size(), 6u);
  EXPECT_EQ(zero.printed, Bytes({27, '3', 0, 27, '!', 0}));

  PrinterControl high = Druk(255, 200);
  EXPECT_EQ(high.printed, Bytes({27, '3', 255, 27, '!', 200}));
}

TEST(Druk, ValuesOutsideAByteWrapAsChrDoes) {
  EXPECT_EQ(Druk(256 + 30, 512 + 8).printed, Bytes({27, '3', 30, 27, '!', 8}));
  EXPECT_EQ(Druk(-1, -256).printed, Bytes({27, '3', 255, 27, '!', 0}));
}

TEST(PrinterPorts, NamesAndDevices) {
  EXPECT_EQ(LptPortName(1), "LPT1");
  EXPECT_EQ(LptPortName(2), "LPT2");
  EXPECT_EQ(LptPortName(0), "LPT1");
  EXPECT_EQ(LptPortName(7), "LPT1");

  LptDevices d;
  EXPECT_EQ(d.lpt1, "/dev/lp0");
  EXPECT_EQ(d.lpt2, "/dev/lp1");
  EXPECT_EQ(PrinterDevicePath("LPT1", d), "/dev/lp0");
  EXPECT_EQ(PrinterDevicePath("lpt2:", d), "/dev/lp1");
  EXPECT_EQ(PrinterDevicePath(" PRN ", d), "/dev/lp0");
  EXPECT_EQ(PrinterDevicePath("", d), "/dev/lp0");
  EXPECT_EQ(PrinterDevicePath("/tmp/drukarka.prn ", d), "/tmp/drukarka.prn");
  EXPECT_EQ(PrinterDevicePath("LPT3", d), "LPT3");  // not a port we know: given back
}

TEST(PrinterPorts, EnvironmentOverridesTheDefaults) {
  std::map<std::string, std::string> env{{"HURT_LPT2", "/var/spool/lpt2.fifo"}, {"HURT_LPT1", ""}};
  auto lookup = [&](const char* name) -> const char* {
    auto it = env.find(name);
    return it == env.end() ? nullptr : it->second.c_str();
  };
  LptDevices d = LptDevices::FromEnvironment(lookup);
  EXPECT_EQ(d.lpt1, "/dev/lp0");  // empty: the default stays
  EXPECT_EQ(d.lpt2, "/var/spool/lpt2.fifo");
  EXPECT_EQ(LptDevices::FromEnvironment(nullptr).lpt2, "/dev/lp1");
}

TEST(MojsetLpt, OnlyWithTheMarkerChoosesThePortOfMLpt) {
  LptDevices d{"/dev/usb/lp0", "/dev/usb/lp1"};
  EXPECT_EQ(MojsetLpt(store::Markers(), 2, d), std::nullopt);
  EXPECT_EQ(MojsetLpt(store::Markers::Of({"INNY.TXT"}), 2, d), std::nullopt);
  store::Markers lpt = store::Markers::Of({"lpt.txt"});
  EXPECT_EQ(MojsetLpt(lpt, 1, d), "/dev/usb/lp0");
  EXPECT_EQ(MojsetLpt(lpt, 2, d), "/dev/usb/lp1");
  EXPECT_EQ(MojsetLpt(lpt, 0, d), "/dev/usb/lp0");
}

}  // namespace
}  // namespace hurt::session
