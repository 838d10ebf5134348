// Index keys from expressions: shapes, byte encodings, sort order.
#include "xbase/expr_key.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "xbase/expr_fixture.h"

namespace hurt::xbase::testing {
namespace {

class Keys : public ExprFixture {
 protected:
  KeyShape Shape(const std::string& text) {
    Result<Expression> e = Expression::Compile(text, session_);
    EXPECT_TRUE(e.ok()) << e.status().message();
    if (!e.ok()) return {};
    Result<KeyShape> shape = KeyShapeOf(*e, BlankView());
    EXPECT_TRUE(shape.ok()) << text << ": " << shape.status().message();
    return shape.ok() ? *shape : KeyShape{};
  }

  // The session with the current records blanked (as at end of file).
  const ExprContext& BlankView() {
    dow().Blank();
    as().Blank();
    return session_;
  }

  std::string Key(const std::string& text, const KeyShape& shape) {
    Result<Expression> e = Expression::Compile(text, session_);
    EXPECT_TRUE(e.ok()) << e.status().message();
    std::string out;
    Status s = AppendKey(*e, shape, session_, &out);
    EXPECT_TRUE(s.ok()) << s.message();
    EXPECT_EQ(out.size(), static_cast<size_t>(shape.length));
    return out;
  }

  std::string NumberKey(double x, int length = 8, int dec = 2) {
    std::string out;
    AppendNumericKey(x, length, dec, &out);
    return out;
  }
};

TEST_F(Keys, ShapeOfTextKeysComesFromTheCompiledWidth) {
  EXPECT_EQ(Shape("rd+nrd+lp"), (KeyShape{ValueType::kCharacter, 14, 0}));
  EXPECT_EQ(Shape("DTOS(data)+IIF(r_p=\"P\",\"A\",r_p)+s_z+rd+nrd+lp"), (KeyShape{ValueType::kCharacter, 24, 0}));
  // Unknown statically: the blank record decides, as xBase does.
  EXPECT_EQ(Shape("TRIM(nazwa)+'x'"), (KeyShape{ValueType::kCharacter, 1, 0}));
  EXPECT_EQ(Shape("STR(RECNO())"), (KeyShape{ValueType::kCharacter, 10, 0}));
}

TEST_F(Keys, ShapeOfOtherTypes) {
  EXPECT_EQ(Shape("data"), (KeyShape{ValueType::kDate, 8, 0}));
  EXPECT_EQ(Shape("fisk"), (KeyShape{ValueType::kLogical, 1, 0}));
  EXPECT_EQ(Shape("wartosc"), (KeyShape{ValueType::kNumeric, 18, 2}));
  EXPECT_EQ(Shape("DESCEND(ilosc)"), (KeyShape{ValueType::kNumeric, 15, 3}));
  EXPECT_EQ(Shape("DESCEND(data)"), (KeyShape{ValueType::kNumeric, 10, 0}));
}

TEST_F(Keys, BadShapesAreRefused) {
  for (const char* text : {"TRIM(nazwa)", "SPACE(251)", "1/VAL(nrd)", "M_NIL"}) {
    session_.SetVar("M_NIL", Value());
    Result<Expression> e = Expression::Compile(text, session_);
    ASSERT_TRUE(e.ok()) << text;
    EXPECT_FALSE(KeyShapeOf(*e, BlankView()).ok()) << text;
  }
}

TEST_F(Keys, TextKeysArePaddedToTheirLength) {
  KeyShape shape{ValueType::kCharacter, 12, 0};
  EXPECT_EQ(Key("TRIM(nazwa)", shape), "Gwozdzie 100");
  EXPECT_EQ(Key("rd", shape), "FV          ");
  std::string out;
  ASSERT_TRUE(AppendKeyOf(Value("1ART"), shape, &out).ok());
  EXPECT_EQ(out, "1ART        ");
}

TEST_F(Keys, DateLogicalAndNumericKeys) {
  EXPECT_EQ(Key("data", {ValueType::kDate, 8, 0}), "20240305");
  EXPECT_EQ(Key("fisk", {ValueType::kLogical, 1, 0}), "T");
  EXPECT_EQ(Key("wartosc", {ValueType::kNumeric, 18, 2}), "000000000000043.75");
  EXPECT_EQ(Key("ilosc", {ValueType::kNumeric, 15, 3}), ",,,,,,,,,,).',,");
  std::string out;
  EXPECT_FALSE(AppendKeyOf(Value(5), {ValueType::kCharacter, 3, 0}, &out).ok());
  EXPECT_FALSE(AppendKeyOf(Value("x"), {ValueType::kCharacter, 0, 0}, &out).ok());
  EXPECT_EQ(out, "");
}

TEST_F(Keys, NumericKeysSortAsTheNumbers) {
  EXPECT_EQ(NumberKey(5), "00005.00");
  EXPECT_EQ(NumberKey(-5), ",,,,'.,,");
  EXPECT_EQ(NumberKey(0), "00000.00");
  std::vector<double> values = {-9999.99, -100, -10.5, -10, -9.99, -1, -0.01, 0, 0.01, 1, 9.99, 10, 10.5, 100, 9999.99};
  std::vector<std::string> keys;
  for (double v : values) keys.push_back(NumberKey(v));
  EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
  EXPECT_EQ(std::adjacent_find(keys.begin(), keys.end()), keys.end());
}

TEST_F(Keys, KeyOfAWrongTypeIsAnError) {
  session_.SetVar("M_X", 5);
  Result<Expression> e = Expression::Compile("M_X", session_);
  ASSERT_TRUE(e.ok());
  std::string out;
  Status s = AppendKey(*e, {ValueType::kCharacter, 3, 0}, session_, &out);
  EXPECT_FALSE(s.ok());
  EXPECT_EQ(out, "");
}

}  // namespace
}  // namespace hurt::xbase::testing
