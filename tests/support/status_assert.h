// Assertions on a Status that print it when it is not OK.
#pragma once

#include <gtest/gtest.h>

#include "base/result.h"

// Like ASSERT_TRUE(s.ok()) / EXPECT_TRUE(s.ok()), printing the status; accept "<< context".
#define HURT_ASSERT_OK(expr)                                                 \
  switch (0)                                                                 \
  case 0:                                                                    \
  default:                                                                   \
    if (const ::hurt::Status hurt_s_ = (expr); hurt_s_.ok()) {               \
    } else                                                                   \
      GTEST_FAIL() << #expr << ": " << hurt_s_.ToString() << " "

#define HURT_EXPECT_OK(expr)                                                 \
  switch (0)                                                                 \
  case 0:                                                                    \
  default:                                                                   \
    if (const ::hurt::Status hurt_s_ = (expr); hurt_s_.ok()) {               \
    } else                                                                   \
      ADD_FAILURE() << #expr << ": " << hurt_s_.ToString() << " "
