// Runs a test on both the in-memory and the real file system: the engine must behave the
// same on both, and MemoryEnv must behave like the real thing.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/clock.h"
#include "support/status_assert.h"
#include "support/temp_dir.h"
#include "xbase/env.h"
#include "xbase/memory_env.h"

namespace hurt::xbase::test_env {

enum class EnvKind { kMemory, kReal };

inline std::string EnvKindName(const ::testing::TestParamInfo<EnvKind>& info) {
  return info.param == EnvKind::kMemory ? "Memory" : "Real";
}

class EnvTest : public ::testing::TestWithParam<EnvKind> {
 protected:
  EnvTest() : clock_(2026, 3, 14), memory_(clock_) {}

  Env& env() { return GetParam() == EnvKind::kMemory ? static_cast<Env&>(memory_) : RealEnv(); }
  // A path for a file of the test: inside the temporary folder on the real file system.
  std::string Path(const std::string& name) const {
    return GetParam() == EnvKind::kMemory ? name : dir_ / name;
  }

  FakeClock clock_;
  MemoryEnv memory_;
  hurt::testing::TempDir dir_;
};

}  // namespace hurt::xbase::test_env
