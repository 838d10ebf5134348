// The structure an upgrade gives a table (PlanLayout).
#include <gtest/gtest.h>

#include "store/init_tables_layout.h"

namespace hurt::store {
namespace {

Field C(const char* name, int width) { return Field{name, FieldType::kCharacter, width, 0}; }
Field N(const char* name, int width, int decimals) { return Field{name, FieldType::kNumeric, width, decimals}; }
Field D(const char* name) { return Field{name, FieldType::kDate, 8, 0}; }

LayoutPlan Plan(const std::vector<Field>& on_disk, const std::vector<Field>& definition) {
  return PlanLayout(on_disk, definition);
}

TEST(PlanLayout, ATableLikeItsDefinitionStays) {
  const std::vector<Field> fields{C("MAG", 1), N("CENA", 14, 2), D("DATA")};
  const LayoutPlan plan = PlanLayout(fields, fields);
  EXPECT_FALSE(plan.rebuild);
  EXPECT_EQ(plan.fields, fields);
}

TEST(PlanLayout, AMissingOrWiderDefinedFieldRebuildsInTheDefinitionsOrder) {
  const LayoutPlan plan = Plan({N("CENA", 12, 2), C("MAG", 1)}, {C("MAG", 1), C("NAZWA", 30), N("CENA", 14, 2)});
  EXPECT_TRUE(plan.rebuild);
  EXPECT_EQ(plan.fields, (std::vector<Field>{C("MAG", 1), C("NAZWA", 30), N("CENA", 14, 2)}));
  EXPECT_TRUE(plan.kept_as_stored.empty());

  EXPECT_TRUE(Plan({C("PODATEK0", 2)}, {C("PODATEK0", 4)}).rebuild);
}

TEST(PlanLayout, StoredDataIsNeverNarrowed) {
  // Text: the wider stored width, without a rebuild of its own.
  LayoutPlan plan = Plan({C("PODATEK0", 4)}, {C("PODATEK0", 2)});
  EXPECT_FALSE(plan.rebuild);
  EXPECT_EQ(plan.fields, (std::vector<Field>{C("PODATEK0", 4)}));
  EXPECT_EQ(plan.kept_as_stored, (std::vector<std::string>{"PODATEK0"}));

  // Numbers: the larger integer part with the larger number of decimals.
  plan = Plan({N("UPUST0", 6, 2)}, {N("UPUST0", 5, 1), C("X", 1)});
  EXPECT_EQ(plan.fields[0], N("UPUST0", 6, 2));
  plan = Plan({N("KURS", 12, 2)}, {N("KURS", 12, 6), C("X", 1)});
  EXPECT_EQ(plan.fields[0], N("KURS", 16, 6));  // 9 digits before the point, 6 after
  plan = Plan({N("ILOSC", 4, 0)}, {N("ILOSC", 10, 3)});
  EXPECT_EQ(plan.fields[0], N("ILOSC", 10, 3));
  EXPECT_TRUE(plan.kept_as_stored.empty());

  // When both do not fit 19 characters the stored field stays as it is.
  plan = Plan({N("B_BO_W", 19, 2)}, {N("B_BO_W", 19, 4), C("X", 1)});
  EXPECT_EQ(plan.fields[0], N("B_BO_W", 19, 2));
  EXPECT_EQ(plan.kept_as_stored, (std::vector<std::string>{"B_BO_W"}));
}

TEST(PlanLayout, AFieldOfAnotherTypeIsKeptAsStored) {
  const LayoutPlan plan = Plan({C("NRD", 8)}, {N("NRD", 8, 0), C("X", 1)});
  EXPECT_EQ(plan.fields[0], C("NRD", 8));
  EXPECT_EQ(plan.kept_as_stored, (std::vector<std::string>{"NRD"}));
}

TEST(PlanLayout, FieldsOutsideTheDefinitionFollowAtTheEnd) {
  const LayoutPlan plan = Plan({C("KOLOR", 10), C("MAG", 1), C("PARTIA", 5)}, {C("MAG", 1), C("X", 1)});
  EXPECT_TRUE(plan.rebuild);
  EXPECT_EQ(plan.fields, (std::vector<Field>{C("MAG", 1), C("X", 1), C("KOLOR", 10), C("PARTIA", 5)}));
  EXPECT_EQ(plan.kept_extra, (std::vector<std::string>{"KOLOR", "PARTIA"}));
}

TEST(PlanLayout, PlanningThePlanAgainChangesNothing) {
  const std::vector<Field> stored{C("A", 4), N("B", 12, 2), C("C", 8), N("D", 19, 2), D("E")};
  const std::vector<Field> defined{C("A", 2), N("B", 12, 6), N("C", 8, 0), N("D", 19, 4), D("E"), C("F", 3)};
  const LayoutPlan first = PlanLayout(stored, defined);
  ASSERT_TRUE(first.rebuild);
  const LayoutPlan second = PlanLayout(first.fields, defined);
  EXPECT_FALSE(second.rebuild);
  EXPECT_EQ(second.fields, first.fields);
}

TEST(PlanLayout, DescriptorsConvertBothWays) {
  EXPECT_EQ(FieldOf(xbase::DbfFieldDescriptor{"cena", 'F', 10, 2}), N("CENA", 10, 2));
  EXPECT_EQ(DescriptorOf(C("MAG", 1)), (xbase::DbfFieldDescriptor{"MAG", 'C', 1, 0}));
}

}  // namespace
}  // namespace hurt::store
