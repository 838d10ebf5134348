#include "xbase/mem_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>

#include "base/cp852.h"
#include "base/date.h"
#include "support/temp_dir.h"
#include "xbase/fault_env.h"

namespace hurt::xbase {
namespace {

using namespace hurt::literals;

// One variable built byte by byte from the documented layout.
std::string Header(std::string_view name, unsigned char type, unsigned char b16, unsigned char b17) {
  std::string h(32, '\0');
  h.replace(0, name.size(), name);
  h[11] = static_cast<char>(type);
  h[16] = static_cast<char>(b16);
  h[17] = static_cast<char>(b17);
  return h;
}

std::string DoubleBytes(double d) {
  std::string out(8, '\0');
  uint64_t bits;
  static_assert(sizeof bits == sizeof d);
  std::memcpy(&bits, &d, sizeof d);
  for (int i = 0; i < 8; ++i) out[static_cast<size_t>(i)] = static_cast<char>((bits >> (8 * i)) & 0xFF);
  return out;
}

// J_VAT "23", J_TEZ 14 (width 10), RABAT -12.5 (width 13, 1 decimal), D_EXE 15.03.2024,
// D_PUSTA the empty date, JEST true, NIE false.
std::string HandMadeFile() {
  std::string f;
  f += Header("J_VAT", 0xC3, 3, 0) + std::string("23\0", 3);
  f += Header("J_TEZ", 0xCE, 10, 0) + DoubleBytes(14);
  f += Header("RABAT", 0xCE, 13, 1) + DoubleBytes(-12.5);
  f += Header("D_EXE", 0xC4, 1, 0) + DoubleBytes(JulianFromYmd(2024, 3, 15));
  f += Header("D_PUSTA", 0xC4, 1, 0) + DoubleBytes(0);
  f += Header("JEST", 0xCC, 1, 0) + std::string(1, '\1');
  f += Header("NIE", 0xCC, 1, 0) + std::string(1, '\0');
  f += '\x1A';
  return f;
}

std::vector<MemVar> HandMadeVars() {
  return {
      {"J_VAT", Value("23")},
      {"J_TEZ", Value(14.0), 10, 0},
      {"RABAT", Value(-12.5), 13, 1},
      {"D_EXE", Value(Date{JulianFromYmd(2024, 3, 15)})},
      {"D_PUSTA", Value(Date{kEmptyDate})},
      {"JEST", Value(true)},
      {"NIE", Value(false)},
  };
}

TEST(MemFileLayout, OurBytesAreTheDocumentedLayout) {
  auto bytes = EncodeMemFile(HandMadeVars());
  ASSERT_TRUE(bytes.ok()) << bytes.status().ToString();
  EXPECT_EQ(*bytes, HandMadeFile());
}

TEST(MemFileLayout, ReadsAFileWrittenFromTheLayout) {
  auto vars = DecodeMemFile(HandMadeFile(), "x.mem");
  ASSERT_TRUE(vars.ok()) << vars.status().ToString();
  EXPECT_EQ(*vars, HandMadeVars());
}

TEST(MemFileLayout, ToleratesWhatOtherWritersLeave) {
  // Type letters without the high bit, garbage after the name's zero byte and in the
  // reserved bytes, a lower-case name, and junk after the end mark.
  std::string h = Header("j_vat", 'C', 3, 0);
  h[7] = 'Q';
  h[13] = '\x55';
  h[25] = '\x7F';
  std::string f = h + std::string("22\0", 3) + Header("N1", 'N', 5, 0) + DoubleBytes(3) + "\x1A\x1A garbage";
  auto vars = DecodeMemFile(f, "x.mem");
  ASSERT_TRUE(vars.ok()) << vars.status().ToString();
  ASSERT_EQ(vars->size(), 2u);
  EXPECT_EQ((*vars)[0], (MemVar{"J_VAT", Value("22")}));
  EXPECT_EQ((*vars)[1], (MemVar{"N1", Value(3.0), 5, 0}));
}

TEST(MemFileLayout, EmptyListIsJustTheEndMark) {
  auto bytes = EncodeMemFile({});
  ASSERT_TRUE(bytes.ok());
  EXPECT_EQ(*bytes, "\x1A");
  auto vars = DecodeMemFile(*bytes, "x.mem");
  ASSERT_TRUE(vars.ok());
  EXPECT_TRUE(vars->empty());
}

TEST(MemFileRoundTrip, EveryTypeComesBackAsWritten) {
  std::string long_text(300, 'x');  // 301 with the zero: the high length byte is 1
  long_text[0] = 'A';
  long_text[299] = 'Z';
  std::string max_text(kMemMaxTextLength, 'm');
  constexpr std::string_view polish = " OBSŁUGA HURTOWNI "_pl;
  std::vector<MemVar> vars = {
      {"J_NAZWA", Value(std::string(polish))},
      {"PUSTY", Value("")},
      {"DLUGI", Value(long_text)},
      {"NAJDLUZSZY", Value(max_text)},
      {"Z_ZEREM", Value(std::string("a\0b", 3))},
      {"UJEMNA", Value(-1234567.891), 15, 3},
      {"MALA", Value(-0.000001), 12, 6},
      {"ZERO", Value(0.0), 10, 0},
      {"DUZA", Value(1e15), 20, 2},
      {"DATA", Value(Date{JulianFromYmd(1999, 12, 31)})},
      {"PUSTA_DATA", Value(Date{kEmptyDate})},
      {"OSTATNI", Value(Date{JulianFromYmd(9999, 12, 31)})},
      {"TAK", Value(true)},
      {"NIE", Value(false)},
  };
  auto bytes = EncodeMemFile(vars);
  ASSERT_TRUE(bytes.ok()) << bytes.status().ToString();
  auto back = DecodeMemFile(*bytes, "x.mem");
  ASSERT_TRUE(back.ok()) << back.status().ToString();
  EXPECT_EQ(*back, vars);
  // The 300-byte text really uses both length bytes: 301 = 0x012D.
  size_t at = bytes->find("DLUGI");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(static_cast<unsigned char>((*bytes)[at + 16]), 0x2D);
  EXPECT_EQ(static_cast<unsigned char>((*bytes)[at + 17]), 0x01);
}

TEST(MemFileRoundTrip, NumbersWithoutWidthGetTheXbaseDefault) {
  auto bytes = EncodeMemFile({{"A", Value(5.0)}, {"B", Value(1.25), 0, 2}});
  ASSERT_TRUE(bytes.ok());
  auto back = DecodeMemFile(*bytes, "x.mem");
  ASSERT_TRUE(back.ok());
  EXPECT_EQ((*back)[0].width, 10);
  EXPECT_EQ((*back)[1].width, 13);
  EXPECT_EQ((*back)[1].decimals, 2);
  EXPECT_DOUBLE_EQ((*back)[1].value.AsNumber(), 1.25);
}

TEST(MemFileRoundTrip, LaterDuplicateIsKeptInOrder) {
  auto back = DecodeMemFile(EncodeMemFile({{"A", Value("1")}, {"A", Value("2")}}).value(), "x.mem");
  ASSERT_TRUE(back.ok());
  ASSERT_EQ(back->size(), 2u);
  EXPECT_EQ((*back)[1].value.AsString(), "2");
}

TEST(MemFileEncode, RefusesWhatTheLayoutCannotHold) {
  EXPECT_TRUE(EncodeMemFile({{"ELEVENCHARS", Value("x")}}).status().IsInvalid());
  EXPECT_TRUE(EncodeMemFile({{"", Value("x")}}).status().IsInvalid());
  EXPECT_TRUE(EncodeMemFile({{"BAD NAME", Value("x")}}).status().IsInvalid());
  EXPECT_TRUE(EncodeMemFile({{"1ST", Value("x")}}).status().IsInvalid());
  EXPECT_TRUE(EncodeMemFile({{"NIC", Value()}}).status().IsInvalid());
  EXPECT_TRUE(EncodeMemFile({{"LONG", Value(std::string(kMemMaxTextLength + 1, 'x'))}}).status().IsInvalid());
  EXPECT_TRUE(EncodeMemFile({{"WIDE", Value(1.0), 256, 0}}).status().IsInvalid());
  EXPECT_TRUE(EncodeMemFile({{"DEC", Value(1.0), 10, 16}}).status().IsInvalid());
}

struct Damage {
  const char* what;
  std::string bytes;
};

TEST(MemFileDecode, DamagedFilesAreCorruptionNamingTheFile) {
  const std::string ok_var = Header("A", 0xC3, 2, 0) + std::string("x\0", 2);
  const std::vector<Damage> cases = {
      {"empty file", ""},
      {"no end mark", ok_var},
      {"header cut short", ok_var + Header("B", 0xC3, 2, 0).substr(0, 20)},
      {"text past the end", Header("A", 0xC3, 0xFF, 0xFF) + "abc\x1A"},
      {"text length 0", Header("A", 0xC3, 0, 0) + "\x1A"},
      {"text without its zero", Header("A", 0xC3, 3, 0) + "abc\x1A"},
      {"unknown type", Header("A", 0xD8, 1, 0) + "x\x1A"},
      {"type zero", Header("A", 0x00, 1, 0) + "x\x1A"},
      {"name without zero", std::string(11, 'N') + Header("", 0xCC, 1, 0).substr(11) + "\1\x1A"},
      {"empty name", Header("", 0xCC, 1, 0) + "\1\x1A"},
      {"name with control byte", Header("A\x01", 0xCC, 1, 0) + "\1\x1A"},
      {"number cut short", Header("N", 0xCE, 10, 0) + "\0\0\0\x1A"},
      {"number NaN", Header("N", 0xCE, 10, 0) + DoubleBytes(std::numeric_limits<double>::quiet_NaN()) + "\x1A"},
      {"number infinite", Header("N", 0xCE, 10, 0) + DoubleBytes(HUGE_VAL) + "\x1A"},
      {"number with 16 decimals", Header("N", 0xCE, 20, 16) + DoubleBytes(1) + "\x1A"},
      {"negative date", Header("D", 0xC4, 1, 0) + DoubleBytes(-1) + "\x1A"},
      {"date past 9999", Header("D", 0xC4, 1, 0) + DoubleBytes(1e12) + "\x1A"},
      {"date cut short", Header("D", 0xC4, 1, 0) + "\0\0\x1A"},
      {"logical cut short", Header("L", 0xCC, 1, 0)},
  };
  for (const Damage& d : cases) {
    auto vars = DecodeMemFile(d.bytes, "dane/parametr.mem");
    EXPECT_TRUE(vars.status().IsCorruption()) << d.what << ": " << vars.status().ToString();
    EXPECT_NE(vars.status().message().find("dane/parametr.mem"), std::string::npos) << d.what;
  }
}

TEST(MemFileDecode, EveryCutOfAGoodFileIsCorruptionNeverACrash) {
  std::string file = HandMadeFile();
  for (size_t n = 0; n < file.size(); ++n)
    EXPECT_TRUE(DecodeMemFile(file.substr(0, n), "x.mem").status().IsCorruption()) << "cut at " << n;
}

TEST(MemFileDecode, FlippedBytesNeverCrash) {
  // Each byte replaced by a few values; the result may decode or not, but must not crash
  // (this runs under the sanitizers too), and what decodes can be written again: settings
  // restored from a file are saved back.
  std::string file = HandMadeFile();
  for (size_t i = 0; i < file.size(); ++i) {
    for (unsigned char v : {0x00, 0x1A, 0x7F, 0x80, 0xFF}) {
      std::string damaged = file;
      damaged[i] = static_cast<char>(v);
      auto vars = DecodeMemFile(damaged, "x.mem");
      if (!vars.ok()) {
        EXPECT_TRUE(vars.status().IsCorruption());
      } else {
        EXPECT_TRUE(EncodeMemFile(*vars).ok()) << "byte " << i << " = " << int{v} << ": "
                                               << EncodeMemFile(*vars).status().ToString();
      }
    }
  }
}

class MemFileOnDisk : public testing::DataDirTest {};

TEST_F(MemFileOnDisk, WriteThenReadLeavesNoTemporaryFiles) {
  std::string path = dir / "parametr.mem";
  ASSERT_TRUE(WriteMemFile(RealEnv(), path, HandMadeVars()).ok());
  EXPECT_EQ(dir.Read("parametr.mem"), HandMadeFile());
  auto vars = ReadMemFile(RealEnv(), path);
  ASSERT_TRUE(vars.ok()) << vars.status().ToString();
  EXPECT_EQ(*vars, HandMadeVars());
  auto names = RealEnv().ListDir(dir.str());
  ASSERT_TRUE(names.ok());
  EXPECT_EQ(*names, std::vector<std::string>{"parametr.mem"});
}

TEST_F(MemFileOnDisk, SecondWriteReplacesTheFirstWhole) {
  std::string path = dir / "parametr.mem";
  ASSERT_TRUE(WriteMemFile(RealEnv(), path, HandMadeVars()).ok());
  ASSERT_TRUE(WriteMemFile(RealEnv(), path, {{"B", Value("later")}}).ok());
  auto vars = ReadMemFile(RealEnv(), path);
  ASSERT_TRUE(vars.ok());
  EXPECT_EQ(*vars, (std::vector<MemVar>{{"B", Value("later")}}));
}

TEST_F(MemFileOnDisk, FailedWriteLeavesThePreviousFileIntact) {
  std::string path = dir / "parametr.mem";
  ASSERT_TRUE(WriteMemFile(RealEnv(), path, HandMadeVars()).ok());
  xbase::FaultEnv env(RealEnv());
  env.TearWrite(1, 10);  // the file's first write lands 10 bytes, then fails
  Status s = WriteMemFile(env, path, {{"B", Value(std::string(1000, 'b'))}});
  EXPECT_FALSE(s.ok());
  EXPECT_EQ(dir.Read("parametr.mem"), HandMadeFile());
  auto names = RealEnv().ListDir(dir.str());
  ASSERT_TRUE(names.ok());
  EXPECT_EQ(*names, std::vector<std::string>{"parametr.mem"});  // the torn temporary file is gone
}

TEST_F(MemFileOnDisk, MissingDamagedAndHugeFiles) {
  EXPECT_TRUE(ReadMemFile(RealEnv(), dir / "brak.mem").status().IsNotFound());

  dir.Write("zly.mem", HandMadeFile().substr(0, 40));
  auto bad = ReadMemFile(RealEnv(), dir / "zly.mem");
  EXPECT_TRUE(bad.status().IsCorruption());
  EXPECT_NE(bad.status().message().find("zly.mem"), std::string::npos);

  dir.Write("duzy.mem", "");
  std::filesystem::resize_file(dir / "duzy.mem", kMemMaxFileSize + 1);
  EXPECT_TRUE(ReadMemFile(RealEnv(), dir / "duzy.mem").status().IsCorruption());
}

TEST_F(MemFileOnDisk, WriteIntoAMissingFolderFailsCleanly) {
  EXPECT_FALSE(WriteMemFile(RealEnv(), dir / "brak/parametr.mem", HandMadeVars()).ok());
  EXPECT_FALSE(dir.Exists("brak"));
}

}  // namespace
}  // namespace hurt::xbase
