// Our NTX files read by an independent reader (Perl XBase::Index of libdbd-xbase-perl),
// and an NTX laid out by an independent writer (a Perl script packing the format
// description by hand, with a page layout hurt does not write) read and changed by ours.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "support/child_process.h"
#include "support/temp_dir.h"
#include "xbase/key_encoding.h"
#include "xbase/ntx_test_util.h"

namespace hurt::xbase {
namespace {

using namespace ntx_test;
using hurt::testing::ProcessResult;
using hurt::testing::RunProcess;

constexpr const char* kPerl = "/usr/bin/perl";

// Prints "key<TAB>recno" for every entry in index order. Type C keys come back as their
// bytes, type N keys as numbers.
constexpr const char* kDumpScript = R"(
use strict;
use XBase::Index;
my ($file, $type) = @ARGV;
my $index = XBase::Index->new($file, 'type' => $type) or die XBase::Index->errstr;
$index->prepare_select;
while (my ($key, $recno) = $index->fetch) { print "$key\t$recno\n"; }
)";

// Writes a two-level NTX of keys "A000000001".."A<n>" (10 bytes, record n + 1 - i) with
// the old signature, 40 keys a page (below the usual formula) and every page's item
// slots stored in reverse order.
constexpr const char* kWriteScript = R"(
use strict;
my ($file, $n) = @ARGV;
my ($kl, $max) = (10, 40);
my $item = $kl + 8;
my $slots = $max + 1;
sub page {
  my ($items, $right) = @_;
  my $k = scalar @$items;
  my $base = 2 + 2 * $slots;
  my @off = map { $base + ($slots - 1 - $_) * $item } 0 .. $slots - 1;
  my $buf = "\0" x 1024;
  substr($buf, 0, 2) = pack('v', $k);
  substr($buf, 2 + 2 * $_, 2) = pack('v', $off[$_]) for 0 .. $slots - 1;
  substr($buf, $off[$_], $item) = pack('VVa10', @{$items->[$_]}) for 0 .. $k - 1;
  substr($buf, $off[$k], 4) = pack('V', $right);
  return $buf;
}
my @entries = map { [sprintf('A%09d', $_), $n + 1 - $_] } 1 .. $n;
my (@pages, @root);
my $i = 0;
while ($i < @entries) {
  my $last = $i + 19 < $#entries ? $i + 19 : $#entries;
  push @pages, page([map { [0, $_->[1], $_->[0]] } @entries[$i .. $last]], 0);
  $i = $last + 1;
  if ($i < @entries) {
    push @root, [1024 * scalar(@pages), $entries[$i][1], $entries[$i][0]];
    $i++;
  }
}
push @pages, page(\@root, 1024 * scalar(@pages));
my $root = 1024 * scalar(@pages);
my $header = pack('vvVVvvvvv', 3, 7, $root, 0, $item, $kl, 0, $max, $max / 2)
  . pack('a256', 'KOD') . pack('vv', 0, 0) . pack('a256', '') . pack('a12', '');
$header .= "\0" x (1024 - length $header);
open(my $out, '>:raw', $file) or die $!;
print $out $header, @pages;
close $out;
)";

bool PerlHasXbase() {
  if (!std::filesystem::exists(kPerl)) return false;
  return RunProcess({kPerl, "-MXBase::Index", "-e", "1"}).Succeeded();
}

Entries PerlDump(const std::string& path, const std::string& type) {
  ProcessResult r = RunProcess({kPerl, "-e", kDumpScript, path, type});
  EXPECT_TRUE(r.Succeeded()) << r.err;
  Entries out;
  std::istringstream lines(r.out);
  std::string line;
  while (std::getline(lines, line)) {
    size_t tab = line.rfind('\t');
    if (tab == std::string::npos) continue;
    out.emplace_back(line.substr(0, tab), static_cast<uint32_t>(std::stoul(line.substr(tab + 1))));
  }
  return out;
}

class NtxInteropTest : public hurt::testing::DataDirTest {
 protected:
  void SetUp() override {
    if (!PerlHasXbase()) GTEST_SKIP() << "Perl XBase::Index (libdbd-xbase-perl) is not installed";
  }
};

TEST_F(NtxInteropTest, PerlReadsACharacterIndexWeBuiltAndChanged) {
  Entries entries;
  for (uint32_t recno = 1; recno <= 3000; ++recno) {
    entries.emplace_back(Key(static_cast<int>((recno * 7919) % 1000), 12), recno);  // duplicates too
  }
  ASSERT_TRUE(Build(RealEnv(), dir / "c.ntx", Options(12), entries).ok());
  EXPECT_EQ(PerlDump(dir / "c.ntx", "C"), ScanForward(**NtxIndex::Open(RealEnv(), dir / "c.ntx")));

  // Inserts and removals: splits, merges, entries moved into branch pages, free pages.
  auto index = NtxIndex::Open(RealEnv(), dir / "c.ntx");
  ASSERT_TRUE(index.ok());
  for (uint32_t recno = 3001; recno <= 4500; ++recno) {
    ASSERT_TRUE((*index)->Insert(Key(static_cast<int>(recno % 1300), 12), recno).ok());
  }
  for (uint32_t recno = 1; recno <= 2500; recno += 2) {
    ASSERT_TRUE((*index)->Remove(Key(static_cast<int>((recno * 7919) % 1000), 12), recno).ok());
  }
  Entries ours = ScanForward(**index);
  ASSERT_EQ(ours.size(), 4500u - 1250u);
  EXPECT_EQ(PerlDump(dir / "c.ntx", "C"), ours);
}

TEST_F(NtxInteropTest, PerlReadsNumericKeysNegativesFirst) {
  const KeyFormat format{10, 2};
  ASSERT_TRUE(NtxIndex::Create(RealEnv(), dir / "n.ntx", {"CENA", 10, 2, false, ""}).ok());
  auto index = NtxIndex::Open(RealEnv(), dir / "n.ntx");
  ASSERT_TRUE(index.ok());
  std::vector<double> values;
  for (int i = -150; i <= 150; ++i) values.push_back(i * 13.37);
  uint32_t recno = 1;
  for (double v : values) ASSERT_TRUE((*index)->Insert(*EncodeKey(Value(v), format), recno++).ok());

  Entries dumped = PerlDump(dir / "n.ntx", "N");
  ASSERT_EQ(dumped.size(), values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    EXPECT_NEAR(std::stod(dumped[i].first), values[i], 0.005) << i;  // in numeric order
    EXPECT_EQ(dumped[i].second, i + 1);
  }
}

TEST_F(NtxInteropTest, WeReadAndChangeAnIndexLaidOutByAnotherWriter) {
  const int n = 500;
  ProcessResult r = RunProcess({kPerl, "-e", kWriteScript, dir / "f.ntx", std::to_string(n)});
  ASSERT_TRUE(r.Succeeded()) << r.err;
  auto index = NtxIndex::Open(RealEnv(), dir / "f.ntx");
  ASSERT_TRUE(index.ok()) << index.status().ToString();
  EXPECT_EQ((*index)->max_keys(), 40);
  EXPECT_EQ((*index)->key_expression(), "KOD");
  EXPECT_EQ((*index)->for_expression(), "");

  Entries expected;
  char key[16];
  for (int i = 1; i <= n; ++i) {
    std::snprintf(key, sizeof key, "A%09d", i);
    expected.emplace_back(key, static_cast<uint32_t>(n + 1 - i));
  }
  EXPECT_EQ(ScanForward(**index), expected);
  EXPECT_EQ(ScanBackward(**index), expected);
  ExpectValid(**index, /*strict=*/false);  // its last leaf is less than half full: allowed
  NtxCursor c(**index);
  ASSERT_TRUE(*c.Seek("A000000321"));
  EXPECT_EQ(c.recno(), static_cast<uint32_t>(n + 1 - 321));

  // Changed by us (pages rewritten in our layout), still read by both.
  std::set<Entry> model(expected.begin(), expected.end());
  for (int i = n + 1; i <= n + 400; ++i) {
    std::snprintf(key, sizeof key, "A%09d", i);
    ASSERT_TRUE((*index)->Insert(key, static_cast<uint32_t>(i)).ok());
    model.emplace(key, i);
  }
  for (int i = 1; i <= n; i += 3) {
    std::snprintf(key, sizeof key, "A%09d", i);
    ASSERT_TRUE((*index)->Remove(key, static_cast<uint32_t>(n + 1 - i)).ok());
    model.erase({key, n + 1 - i});
  }
  ExpectValid(**index, /*strict=*/false);
  EXPECT_EQ(ScanForward(**index), Sorted(model));
  EXPECT_EQ(PerlDump(dir / "f.ntx", "C"), Sorted(model));
}

}  // namespace
}  // namespace hurt::xbase
