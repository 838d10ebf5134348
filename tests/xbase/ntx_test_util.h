// Helpers shared by the NTX tests: key makers and whole-index scans.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "xbase/ntx.h"
#include "xbase/ntx_build.h"

namespace hurt::xbase::ntx_test {

using Entry = std::pair<std::string, uint32_t>;
using Entries = std::vector<Entry>;

// "K000042" padded with blanks (or cut) to `length` bytes.
inline std::string Key(int n, int length, const char* prefix = "K") {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%06d", prefix, n);
  std::string s = buf;
  s.resize(static_cast<size_t>(length), ' ');
  return s;
}

inline NtxCreateOptions Options(int key_length, bool unique = false) {
  NtxCreateOptions o;
  o.key_expression = "KOD";
  o.key_length = key_length;
  o.unique = unique;
  return o;
}

// Every entry from the top down with Skip(1).
inline Entries ScanForward(NtxIndex& index) {
  Entries out;
  NtxCursor c(index);
  Status s = c.GoTop();
  EXPECT_TRUE(s.ok()) << s.ToString();
  while (s.ok() && !c.eof()) {
    out.emplace_back(std::string(c.key()), c.recno());
    s = c.Skip(1);
    EXPECT_TRUE(s.ok()) << s.ToString();
  }
  return out;
}

// Every entry from the bottom up with Skip(-1), returned in ascending order.
inline Entries ScanBackward(NtxIndex& index) {
  Entries out;
  NtxCursor c(index);
  Status s = c.GoBottom();
  EXPECT_TRUE(s.ok()) << s.ToString();
  while (s.ok() && !c.eof()) {
    out.emplace_back(std::string(c.key()), c.recno());
    s = c.Skip(-1);
    EXPECT_TRUE(s.ok()) << s.ToString();
    if (c.bof()) break;
  }
  return Entries(out.rbegin(), out.rend());
}

inline Entries Sorted(const std::set<Entry>& model) { return Entries(model.begin(), model.end()); }

inline void ExpectValid(NtxIndex& index, bool strict = true) {
  auto stats = index.Verify(strict);
  ASSERT_TRUE(stats.ok()) << stats.status().ToString();
}

// Builds an index in one pass from the entries.
inline Status Build(Env& env, const std::string& path, const NtxCreateOptions& options, const Entries& entries,
                    size_t memory_limit = size_t{32} << 20) {
  NtxBuildOptions build;
  build.memory_limit = memory_limit;
  build.sync = false;
  auto builder = NtxBuilder::Start(env, path, options, build);
  if (!builder.ok()) return builder.status();
  for (const auto& [key, recno] : entries) HURT_RETURN_IF_ERROR((*builder)->Add(key, recno));
  return (*builder)->Finish();
}

}  // namespace hurt::xbase::ntx_test
