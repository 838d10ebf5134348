// The note of a receipt on its way: written whole, read back, and a foreign file refused.
#include <gtest/gtest.h>

#include "base/clock.h"
#include "devices/pending_receipt.h"
#include "xbase/file_util.h"
#include "xbase/memory_env.h"

namespace hurt::devices {
namespace {

TEST(PendingReceipts, NoteRoundTripsThroughItsFile) {
  FakeClock clock(2026, 12, 8);
  xbase::MemoryEnv env(clock);
  ASSERT_TRUE(env.CreateDirs("/local/paragony").ok());
  const std::string path = "/local/paragony/1765180800000_SD_5.txt";
  auto none = ReadPendingReceipt(env, path);
  ASSERT_TRUE(none.ok());
  EXPECT_FALSE(none->has_value());

  PendingReceipt p{"SD ", "       5", 2, PendingReceipt::Stage::kClosing};
  ASSERT_TRUE(WritePendingReceipt(env, path, p).ok());
  EXPECT_EQ(*xbase::ReadWholeFile(env, path), "rd=SD\nnrd=       5\npart=2\nstage=zamkniecie\n");
  auto back = ReadPendingReceipt(env, path);
  ASSERT_TRUE(back.ok() && back->has_value());
  EXPECT_EQ(**back, p);
  EXPECT_FALSE(env.Exists(path + ".new"));

  for (PendingReceipt::Stage stage : {PendingReceipt::Stage::kWaiting, PendingReceipt::Stage::kLines}) {
    p.stage = stage;
    EXPECT_EQ(DecodePendingReceipt(EncodePendingReceipt(p)), p);
  }
  ASSERT_TRUE(RemovePendingReceipt(env, path).ok());
  EXPECT_FALSE(env.Exists(path));
  EXPECT_TRUE(RemovePendingReceipt(env, path).ok());  // gone already
}

TEST(PendingReceipts, ForeignTextIsNoNote) {
  EXPECT_FALSE(DecodePendingReceipt(""));
  EXPECT_FALSE(DecodePendingReceipt("rd=SD\nnrd=5\n"));                // no stage
  EXPECT_FALSE(DecodePendingReceipt("rd=SD\nnrd=5\npart=0\nstage=czeka\n"));
  EXPECT_FALSE(DecodePendingReceipt("rd=SD\nnrd=5\npart=1\nstage=drukuje\n"));
  auto windows = DecodePendingReceipt("rd=FV\r\nnrd=12\r\npart=1\r\nstage=wiersze\r\n");
  ASSERT_TRUE(windows);
  EXPECT_EQ(windows->nrd, "      12");
  FakeClock clock(2026, 12, 8);
  xbase::MemoryEnv env(clock);
  ASSERT_TRUE(xbase::WriteWholeFile(env, "/note.txt", "garbage").ok());
  EXPECT_TRUE(ReadPendingReceipt(env, "/note.txt").status().IsCorruption());
}

}  // namespace
}  // namespace hurt::devices
