#include "documents/big_total.h"

#include <gtest/gtest.h>

#include <set>

namespace hurt::documents {
namespace {

// Each glyph is three columns and a blank; a decimal point two columns. Columns are
// checked through the block characters so that a glyph drawn wrong shows at once.
TEST(BigDigits, DrawsDigitsPointAndMinusInThreeRows) {
  auto rows = BigDigits("-10.5");
  ASSERT_EQ(rows[0].size(), 4u + 4 + 4 + 2 + 4);
  for (const auto& row : rows) EXPECT_EQ(row.size(), rows[0].size());
  const std::string full(1, '\xDB'), upper(1, '\xDF'), lower(1, '\xDC');
  EXPECT_EQ(rows[1].substr(0, 4), upper + upper + upper + " ");        // minus in the middle row
  EXPECT_EQ(rows[2].substr(4, 4), "  " + full + " ");                  // "1" stands on its right column
  EXPECT_EQ(rows[2].substr(8, 4), full + lower + full + " ");          // "0" closed at the bottom
  EXPECT_EQ(rows[2].substr(12, 2), lower + " ");                       // the point sits low
  EXPECT_EQ(rows[0].substr(14, 4), full + upper + upper + " ");        // "5" opens to the right
  // Ten different glyphs.
  std::set<std::string> glyphs;
  for (char c : std::string("0123456789")) {
    auto one = BigDigits(std::string(1, c));
    glyphs.insert(one[0] + one[1] + one[2]);
  }
  EXPECT_EQ(glyphs.size(), 10u);
}

}  // namespace
}  // namespace hurt::documents
