// The port layer on a fake device and the test clock: its time-outs, its answers for
// ports that are not there or not initialised, the error codes of the port object, and
// proxy mode.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>

#include "base/clock.h"
#include "devices/com_ports.h"
#include "devices/fiscal_printer.h"
#include "fake_printer.h"

namespace hurt::devices {
namespace {

// A device whose bytes arrive at given times of the test clock.
struct Line {
  FakeClock* clock = nullptr;
  std::deque<std::pair<int64_t, std::string>> arrivals;  // (monotonic ms, bytes)
  std::string written;
  bool takes_nothing = false;
  int opened = 0;
  LineSettings settings;
};

class FakeLink final : public ByteLink {
 public:
  explicit FakeLink(Line& line) : line_(line) {}
  Result<size_t> WriteSome(std::string_view bytes) override {
    if (line_.takes_nothing) return size_t{0};
    line_.written += bytes;
    return bytes.size();
  }
  Result<std::string> ReadSome(size_t max) override {
    std::string out;
    while (!line_.arrivals.empty() && line_.arrivals.front().first <= line_.clock->MonotonicMillis() && out.size() < max) {
      out += line_.arrivals.front().second;
      line_.arrivals.pop_front();
    }
    return out;
  }
  Result<size_t> Pending() override {
    size_t n = 0;
    for (const auto& [at, bytes] : line_.arrivals) {
      if (at <= line_.clock->MonotonicMillis()) n += bytes.size();
    }
    return n;
  }
  Status DropOutput() override { return Status::Ok(); }

 private:
  Line& line_;
};

class FakeOpener final : public LinkOpener {
 public:
  explicit FakeOpener(FakeClock& clock) : clock_(clock) {}
  SerialOpenResult OpenSerial(const std::string& path, const LineSettings& line) override {
    SerialOpenResult r;
    if (!devices.count(path)) {
      r.failure = {8, 2, path + ": No such file or directory"};
      return r;
    }
    Line& l = devices[path];
    l.clock = &clock_;
    l.settings = line;
    ++l.opened;
    r.link = std::make_unique<FakeLink>(l);
    return r;
  }
  SerialOpenResult Connect(const std::string& host, int port, int) override {
    SerialOpenResult r;
    const std::string key = host + ":" + std::to_string(port);
    ++connects;
    if (!servers.count(key)) {
      r.failure = {8, 111, "Connection refused"};
      return r;
    }
    Line& l = servers[key];
    l.clock = &clock_;
    r.link = std::make_unique<FakeLink>(l);
    return r;
  }
  std::map<std::string, Line> devices, servers;
  int connects = 0;

 private:
  FakeClock& clock_;
};

class RecordingPortUi final : public PortUi {
 public:
  void Say(int row, int col, std::string_view text) override { said.push_back(std::to_string(row) + "," + std::to_string(col) + " " + std::string(text)); }
  void WaitKey() override { ++keys; }
  std::vector<std::string> said;
  int keys = 0;
};

class Ports : public ::testing::Test {
 protected:
  Ports() : opener(clock), ports(clock, opener, ui, [this](std::string_view key) { return config[std::string(key)]; }) {
    opener.devices["/dev/ttyS0"];
  }
  Line& com1() { return opener.devices["/dev/ttyS0"]; }
  bool InitCom1() { return ports.ComOpen(1) && ports.ComInit(1, 9600, "N", 8, 1); }

  FakeClock clock{2026, 12, 8, 9, 0, 0};
  FakeOpener opener;
  RecordingPortUi ui;
  std::map<std::string, std::string> config;
  ComPorts ports;
};

TEST_F(Ports, OnlyPortsOneToNineExist) {
  EXPECT_FALSE(ports.ComOpen(10));
  EXPECT_FALSE(ports.ComOpen(0));
  EXPECT_FALSE(ports.ComInit(10, 9600, "N", 8, 1));
  ASSERT_EQ(ui.said.size(), 1u);
  EXPECT_EQ(ui.said[0], "10,10  za duzy port inicjowany   10");
  EXPECT_EQ(ui.keys, 1);
  EXPECT_EQ(ports.ComHandle(10), 0);
}

TEST_F(Ports, APortNeverInitialisedIsSilent) {
  EXPECT_TRUE(ports.ComOpen(1));
  EXPECT_TRUE(ports.ComOpen(1));  // open already
  EXPECT_EQ(ports.ComHandle(1), 0);
  EXPECT_FALSE(ports.ComSend(1, "x"));
  EXPECT_EQ(ports.ComRead(1, 3), "");
  EXPECT_FALSE(ports.ComCount(1).has_value());
  EXPECT_FALSE(ports.ComFlush(1));
  EXPECT_FALSE(ports.ComClose(1));
  EXPECT_EQ(ports.InByte(1), 0);
  EXPECT_TRUE(ports.ComHard(1, true, false));
  EXPECT_EQ(clock.Elapsed(), 0);
}

TEST_F(Ports, ASecondInitKeepsTheFirstSettings) {
  ASSERT_TRUE(InitCom1());
  EXPECT_EQ(ports.ComHandle(1), 1);
  EXPECT_TRUE(ports.ComInit(1, 19200, "E", 7, 2));
  EXPECT_EQ(com1().opened, 1);
  EXPECT_EQ(com1().settings.baud, 9600);
  EXPECT_EQ(com1().settings.parity, 0);
  EXPECT_EQ(com1().settings.byte_size, 8);
}

TEST_F(Ports, HandlesAreARunningNumberAndParityLettersBecomeCodes) {
  opener.devices["/dev/ttyS1"];
  config["COM3_DEVICE"] = "/dev/ttyUSB0";
  opener.devices["/dev/ttyUSB0"];
  ASSERT_TRUE(InitCom1());
  ASSERT_TRUE(ports.ComOpen(2) && ports.ComInit(2, 4800, "M", 8, 1));
  ASSERT_TRUE(ports.ComOpen(3) && ports.ComInit(3, 9600, "O", 8, 2));
  EXPECT_EQ(ports.ComHandle(2), 2);
  EXPECT_EQ(opener.devices["/dev/ttyS1"].settings.parity, 2);
  EXPECT_EQ(opener.devices["/dev/ttyUSB0"].settings.parity, 1);  // COM3 where vat.ini puts it
  EXPECT_TRUE(ports.ComClose(1));
  EXPECT_EQ(ports.ComHandle(1), 0);
  ASSERT_TRUE(InitCom1());
  EXPECT_EQ(ports.ComHandle(1), 4);
}

TEST_F(Ports, InByteOnASilentLineGivesZeroAfterAQuarterSecond) {
  ASSERT_TRUE(InitCom1());
  EXPECT_EQ(ports.InByte(1), 0);
  EXPECT_GE(clock.Elapsed(), 250);
  EXPECT_LE(clock.Elapsed(), 251 + kWaitSliceMs);
  com1().arrivals.push_back({clock.MonotonicMillis() + 40, "\x08"});
  EXPECT_EQ(ports.InByte(1), 8);
}

TEST_F(Ports, ReadOfFiveWhenTwoComeGivesThemAZeroByteAndBlanks) {
  ASSERT_TRUE(InitCom1());
  const int64_t start = clock.MonotonicMillis();
  com1().arrivals.push_back({start + 10, "a"});
  com1().arrivals.push_back({start + 20, "b"});
  EXPECT_EQ(ports.ComRead(1, 5), std::string("ab\0  ", 5));
  // Ended 15 ms after the last byte, well before the 255 ms of the whole read.
  EXPECT_LE(clock.MonotonicMillis() - start, 20 + kInterByteMs + kWaitSliceMs);
  // A whole answer needs no wait at all.
  com1().arrivals.push_back({clock.MonotonicMillis(), "xyz"});
  const int64_t before = clock.MonotonicMillis();
  EXPECT_EQ(ports.ComRead(1, 3), "xyz");
  EXPECT_EQ(clock.MonotonicMillis(), before);
}

TEST_F(Ports, SendCountAndWriteTimeOut) {
  ASSERT_TRUE(InitCom1());
  EXPECT_TRUE(ports.ComSend(1, "\x1bP0#r9E\x1b\\"));
  EXPECT_TRUE(ports.OutByte(1, 5));
  EXPECT_EQ(com1().written, "\x1bP0#r9E\x1b\\\x05");
  com1().arrivals.push_back({0, "12"});
  EXPECT_EQ(ports.ComCount(1), 2u);
  com1().takes_nothing = true;  // a line that takes nothing: the write gives up after 250 ms + 1 ms a byte
  const int64_t before = clock.MonotonicMillis();
  EXPECT_FALSE(ports.ComSend(1, "0123456789"));
  EXPECT_GE(clock.MonotonicMillis() - before, 260);
  EXPECT_EQ(ports.LastError(1).code, 9);
}

TEST_F(Ports, ADeviceThatCannotBeOpenedSaysWhyAndWaitsForAKey) {
  EXPECT_TRUE(ports.ComOpen(2));
  EXPECT_FALSE(ports.ComInit(2, 9600, "N", 8, 1));
  ASSERT_EQ(ui.said.size(), 1u);
  EXPECT_NE(ui.said[0].find("ECommError 8 (2): /dev/ttyS1"), std::string::npos) << ui.said[0];
  EXPECT_EQ(ui.keys, 1);
  EXPECT_EQ(ports.ComHandle(2), 0);
  EXPECT_EQ(ports.LastError(2).code, 8);
}

TEST_F(Ports, ProxyModeCarriesEveryPortOverOneConnection) {
  config["SERPROXY_MODE"] = "YES";
  config["COM1_ADDR"] = "CLIENT";
  config["COM1_PORT"] = "7000";
  config["COM2_ADDR"] = "CLIENT";
  config["COM2_PORT"] = "7000";
  Line& proxy = opener.servers["CLIENT:7000"];
  ASSERT_TRUE(InitCom1());
  ASSERT_TRUE(ports.ComOpen(2) && ports.ComInit(2, 9600, "N", 8, 1));
  EXPECT_TRUE(ports.proxy_mode());
  EXPECT_EQ(opener.connects, 1);
  EXPECT_EQ(ports.ComHandle(1), 1);
  EXPECT_EQ(ports.ComHandle(2), 1);
  EXPECT_TRUE(ports.ComSend(2, "ABC"));
  EXPECT_EQ(proxy.written, "ABC");
  proxy.arrivals.push_back({0, "Z"});
  EXPECT_EQ(ports.ComCount(1), 0u);  // the proxy's queue is not counted
  EXPECT_TRUE(ports.ComFlush(1));
  EXPECT_EQ(ports.InByte(1), 'Z');
  EXPECT_TRUE(ports.ComClose(1));
  EXPECT_TRUE(ports.ComSend(2, "D"));  // the other port still has the connection
  EXPECT_EQ(proxy.written, "ABCD");
}

TEST_F(Ports, ProxyThatDoesNotAnswer) {
  config["SERPROXY_MODE"] = "yes";
  config["COM1_ADDR"] = "10.0.0.9";
  config["COM1_PORT"] = "7000";
  EXPECT_FALSE(InitCom1());
  ASSERT_EQ(ui.said.size(), 2u);
  EXPECT_EQ(ui.said[0], "7,5 Can't connect with 10.0.0.9: Connection refused");
  EXPECT_EQ(ui.said[1], "8,5 Press a key to terminate the program");
  EXPECT_EQ(ui.keys, 1);
  EXPECT_EQ(ports.ComHandle(1), 0);
}

// RS_INIT on a serial port: a printer that is off is asked for four times, then given up.
TEST_F(Ports, SerialPrinterStartsOrIsGivenUpAfterTheFourthTry) {
  testing::RecordingUi fiscal_ui;
  SerialFiscalChannel absent(ports, 2);  // /dev/ttyS1 is not there
  EXPECT_FALSE(absent.Start(fiscal_ui));
  EXPECT_EQ(fiscal_ui.told, (std::vector<std::string>{"2. Wlacz fiskalna COM INIT", "Wlacz fiskalna...i spacja",
                                                      "2. Wlacz fiskalna COM INIT", "Wlacz fiskalna...i spacja",
                                                      "2. Wlacz fiskalna COM INIT", "Wlacz fiskalna...i spacja",
                                                      "2. Wlacz fiskalna COM INIT", "1. Masz problem z fiskalna"}));
  EXPECT_EQ(ui.keys, 4);  // each refused COM_INIT waited for its key
  testing::RecordingUi fine;
  SerialFiscalChannel present(ports, 1);
  ASSERT_TRUE(present.Start(fine));
  EXPECT_TRUE(fine.told.empty());
  EXPECT_TRUE(present.ready());
  ASSERT_TRUE(present.Start(fine));  // started again: closed and opened anew
  EXPECT_EQ(com1().opened, 2);
  EXPECT_EQ(com1().settings.baud, 9600);
  EXPECT_TRUE(present.Send("\x1bP0#r9E\x1b\\"));
  EXPECT_EQ(com1().written, "\x1bP0#r9E\x1b\\");
}

TEST_F(Ports, TcpPrinterStartsWhereVatIniSaysOrOnThisMachine) {
  Line& printer = opener.servers["10.0.0.5:6001"];
  testing::RecordingUi fiscal_ui;
  TcpFiscalChannel configured(clock, opener, "10.0.0.5", "6001");
  ASSERT_TRUE(configured.Start(fiscal_ui));
  EXPECT_TRUE(fiscal_ui.told.empty());
  EXPECT_TRUE(configured.Send("ABC"));
  EXPECT_EQ(printer.written, "ABC");
  TcpFiscalChannel missing(clock, opener, "", "");  // "Sprawdz DF_IPADDR, DF_IPPORT": this machine, 6001
  EXPECT_FALSE(missing.Start(fiscal_ui));
  EXPECT_EQ(fiscal_ui.told, (std::vector<std::string>{"Sprawdz DF_IPADDR, DF_IPPORT", "Brak komunikacji z DF",
                                                      "Sprawdz DF_IPADDR, DF_IPPORT w vat.ini"}));
  EXPECT_EQ(missing.Endpoint(), "127.0.0.1:6001");
  EXPECT_FALSE(missing.Send("x"));
  opener.servers["127.0.0.1:6001"];
  EXPECT_TRUE(missing.Start(fiscal_ui));
}

}  // namespace
}  // namespace hurt::devices
