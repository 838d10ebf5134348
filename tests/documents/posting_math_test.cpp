// Line numbers past 999 and the weighted-average cost price.
#include "documents/posting_math.h"

#include <gtest/gtest.h>

#include <string>

namespace hurt::documents {
namespace {

TEST(PostingLineNumbers, FirstLinesAreRightAlignedThenTheOdometerTakesOver) {
  EXPECT_EQ(LineNumberFor(1, ""), "  1");
  EXPECT_EQ(LineNumberFor(42, "  1"), " 42");
  EXPECT_EQ(LineNumberFor(999, " 98"), "999");
  EXPECT_EQ(LineNumberFor(1000, "999"), "99:");
  EXPECT_EQ(LineNumberFor(1001, "99:"), "99;");
  // Past code 255 the last place restarts at "0" and the middle one goes up.
  const std::string top = std::string("99") + static_cast<char>(255);
  EXPECT_EQ(NextLineNumber(top), "9:0");
  const std::string two = std::string("9") + static_cast<char>(255) + static_cast<char>(255);
  EXPECT_EQ(NextLineNumber(two), ":00");
}

TEST(PostingLineNumbers, TheOrderOfNumbersKeepsTheLineOrderWellPast999) {
  std::string previous;
  for (int n = 1; n <= 5000; ++n) {
    const std::string lp = LineNumberFor(n, previous);
    ASSERT_EQ(lp.size(), 3u);
    if (n > 1) {
      // As bytes (the index compares unsigned bytes).
      ASSERT_LT(std::basic_string<unsigned char>(previous.begin(), previous.end()),
                std::basic_string<unsigned char>(lp.begin(), lp.end()))
          << n;
    }
    previous = lp;
  }
}

TEST(PostingCost, WeightedAverageOfAReceipt) {
  ReceiptCost rc;
  rc.quantity = 10;
  rc.stock = 10;
  rc.cost = 5;
  rc.price = 6;
  EXPECT_DOUBLE_EQ(WeightedAverageCost(rc), 5.5);
  // Negative stock is covered at the purchase price.
  rc.stock = -4;
  EXPECT_DOUBLE_EQ(WeightedAverageCost(rc), 6.0);
  // Still negative after the receipt: the old cost stays unless J_ZLE_UZGO.
  rc.stock = -14;
  EXPECT_DOUBLE_EQ(WeightedAverageCost(rc), 5.0);
  rc.zle_uzgo = true;
  EXPECT_DOUBLE_EQ(WeightedAverageCost(rc), 6.0);
  // Class "X" averages with the line's own cost.
  rc = ReceiptCost{};
  rc.quantity = 10;
  rc.stock = 10;
  rc.cost = 5;
  rc.price = 100;
  rc.line_cost = 7;
  rc.class_x = true;
  EXPECT_DOUBLE_EQ(WeightedAverageCost(rc), 6.0);
  // Nothing in stock: the price.
  rc = ReceiptCost{};
  rc.quantity = 3;
  rc.price = 2.5;
  EXPECT_DOUBLE_EQ(WeightedAverageCost(rc), 2.5);
}

TEST(PostingCost, ReceiptCorrections) {
  ReceiptCost rc;
  rc.quantity = -10;
  rc.stock = 10;
  rc.cost = 5;
  rc.price = 6;
  EXPECT_DOUBLE_EQ(WeightedAverageCost(rc), 6.0);  // stock to zero: the price
  rc.class_x = true;
  EXPECT_DOUBLE_EQ(WeightedAverageCost(rc), 5.0);
  rc.class_x = false;
  rc.stock = 15;
  EXPECT_DOUBLE_EQ(WeightedAverageCost(rc), 5.0);  // otherwise the cost stays
}

TEST(PostingCost, TakingAReceiptBackRestoresTheCost) {
  // 10 @ 5 + 10 @ 6 = 20 @ 5.50; taking back the 10 @ 6 gives 5.00.
  EXPECT_DOUBLE_EQ(ReversedReceiptCost(20, 5.5, 10, 6), 5.0);
  EXPECT_DOUBLE_EQ(ReversedReceiptCost(10, 6, 10, 6), 6.0);  // equal quantities: the line cost
  EXPECT_DOUBLE_EQ(ReversedReceiptCost(-20, 5.5, -10, 6), 5.0);
}

}  // namespace
}  // namespace hurt::documents
