#include "store/schema_field_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hurt::store {
namespace {

Field C(std::string name, int width) { return {std::move(name), FieldType::kCharacter, width, 0}; }
Field N(std::string name, int width, int dec) { return {std::move(name), FieldType::kNumeric, width, dec}; }

TEST(FieldList, ItemsArePaddedAndRightAligned) {
  EXPECT_EQ(FieldListItem(C("NRD", 8)), "NRD       ,C,  8,  0");
  EXPECT_EQ(FieldListItem(N("KURS", 12, 6)), "KURS      ,N, 12,  6");
  EXPECT_EQ(FieldListItem(C("ODBIORCA", 254)), "ODBIORCA  ,C,254,  0");
  EXPECT_EQ(FieldListItem({"DATA_KURSU", FieldType::kDate, 8, 0}), "DATA_KURSU,D,  8,  0");
  EXPECT_EQ(FieldListItem({"UWAGI", FieldType::kMemo, 10, 0}), "UWAGI     ,M, 10,  0");
}

TEST(FieldList, TextHasNoCommaAfterTheLastField) {
  const std::vector<Field> fields = {C("RD", 3), C("NRD", 8), N("NETTO", 18, 4)};
  auto text = FieldListText("24/03/dowod", fields);
  ASSERT_TRUE(text.ok());
  EXPECT_EQ(*text,
            "24/03/dowod,RD        ,C,  3,  0,NRD       ,C,  8,  0,NETTO     ,N, 18,  4");
  auto parsed = ParseFieldList(*text);
  ASSERT_TRUE(parsed.ok()) << parsed.status().ToString();
  EXPECT_EQ(*parsed, (FieldList{"24/03/dowod", fields}));
}

TEST(FieldList, LastFieldEndingWithoutCommaKeepsItsDecimals) {
  auto parsed = ParseFieldList("t,A,N,10,  2");
  ASSERT_TRUE(parsed.ok()) << parsed.status().ToString();
  ASSERT_EQ(parsed->fields.size(), 1u);
  EXPECT_EQ(parsed->fields[0], N("A", 10, 2));
}

TEST(FieldList, ParserTakesBlanksAndLowerCase) {
  auto parsed = ParseFieldList(" rob/d01 , mag , c , 1 , 0 ,cena,n,16,6,data,d,8,0,ok,l,1,0");
  ASSERT_TRUE(parsed.ok()) << parsed.status().ToString();
  EXPECT_EQ(parsed->path, "rob/d01");
  EXPECT_EQ(parsed->fields,
            (std::vector<Field>{C("MAG", 1), N("CENA", 16, 6), {"DATA", FieldType::kDate, 8, 0},
                                {"OK", FieldType::kLogical, 1, 0}}));
}

TEST(FieldList, MalformedTextsAreRefusedWithTheReason) {
  struct Case {
    const char* text;
    const char* says;
  };
  const Case cases[] = {
      {"", "empty file path"},
      {",A,C,1,0", "empty file path"},
      {"t", "no fields"},
      {"t,", "no fields"},
      {"t,A,C,1,0,", "comma after the last field"},
      {"t,A,C,1", "3 items"},
      {"t,A,C,1,0,B,C", "6 items"},
      {"t,  ,C,1,0", "empty name"},
      {"t,A,X,1,0", "type \"X\""},
      {"t,A,CN,1,0", "type \"CN\""},
      {"t,A,,1,0", "type \"\""},
      {"t,A,C,x,0", "width \"x\""},
      {"t,A,C,,0", "width \"\""},
      {"t,A,C,-1,0", "width \"-1\""},
      {"t,A,C,8x,0", "width \"8x\""},
      {"t,A,N,10,two", "decimals \"two\""},
      {"t,A,C,0,0", "width 1 to 254"},
      {"t,A,C,255,0", "width 1 to 254"},
      {"t,A,C,10,2", "no decimals"},
      {"t,A,N,20,0", "width 1 to 19"},
      {"t,A,N,4,3", "3 decimals do not fit width 4"},
      {"t,A,D,6,0", "width 8"},
      {"t,A,L,2,0", "width 1"},
      {"t,A,M,8,0", "width 10"},
      {"t,NAME_LONGER,C,1,0", "1 to 10 characters"},
      {"t,1A,C,1,0", "does not start with a digit"},
      {"t,NR D,C,1,0", "only A-Z, 0-9 and _"},
      {"t,NRD,C,8,0,nrd,C,8,0", "field 2 (NRD): given twice"},
      {"t,A,C,99999999999999999999,0", "width"},
  };
  for (const Case& c : cases) {
    auto parsed = ParseFieldList(c.text);
    ASSERT_FALSE(parsed.ok()) << c.text;
    EXPECT_TRUE(parsed.status().IsInvalid()) << c.text;
    EXPECT_NE(parsed.status().message().find(c.says), std::string::npos)
        << c.text << " -> " << parsed.status().message();
  }
}

TEST(FieldList, TextOfInvalidFieldsIsRefused) {
  EXPECT_TRUE(FieldListText("", std::vector<Field>{C("A", 1)}).status().IsInvalid());
  EXPECT_TRUE(FieldListText("a,b", std::vector<Field>{C("A", 1)}).status().IsInvalid());
  EXPECT_TRUE(FieldListText("t", std::vector<Field>{}).status().IsInvalid());
  EXPECT_TRUE(FieldListText("t", std::vector<Field>{C("A", 1000)}).status().IsInvalid());
  EXPECT_TRUE(FieldListText("t", std::vector<Field>{C("TOO_LONG_NAME", 1)}).status().IsInvalid());
  EXPECT_TRUE(FieldListText("t", std::vector<Field>{C("A", 1), C("A", 2)}).status().IsInvalid());
  EXPECT_TRUE(
      FieldListText("t", std::vector<Field>{{"A", static_cast<FieldType>('Q'), 1, 0}}).status().IsInvalid());
  // Names that start with "_" exist in the work tables.
  EXPECT_TRUE(FieldListText("t", std::vector<Field>{C("_X_", 1)}).ok());
}

}  // namespace
}  // namespace hurt::store
