// The work areas of a session: numbers and aliases, selection, closing, expressions
// across areas with session variables, and relations that move child areas.
#include <map>

#include "xbase/work_area_fixture.h"

namespace hurt::xbase::wa_test {
namespace {

class MapVariables final : public Variables {
 public:
  const Value* Find(std::string_view name) const override {
    auto it = values.find(std::string(name));
    return it == values.end() ? nullptr : &it->second;
  }
  std::map<std::string, Value> values;
};

TEST_F(WorkAreaTest, AreasByNumberAndAlias) {
  auto dow = areas_.Open(5, "dow.dbf", "dow");
  ASSERT_TRUE(dow.ok());
  auto as = areas_.Open(2, "as.dbf");  // alias from the file name
  ASSERT_TRUE(as.ok());
  EXPECT_EQ((*as)->alias(), "AS");
  EXPECT_EQ(areas_.Find("DOW"), *dow);
  EXPECT_EQ(areas_.Find("As"), *as);
  EXPECT_EQ(areas_.Find("zo"), nullptr);
  EXPECT_EQ(areas_.Area(5), *dow);
  EXPECT_EQ(areas_.Area(251), nullptr);

  EXPECT_EQ(areas_.current(), 1);
  EXPECT_EQ(areas_.Current(), nullptr) << "area 1 is empty";
  HURT_ASSERT_OK(areas_.Select("DoW"));
  EXPECT_EQ(areas_.current(), 5);
  EXPECT_EQ(areas_.Current(), *dow);
  EXPECT_TRUE(areas_.Select("zo").IsNotFound());
  EXPECT_EQ(areas_.current(), 5);
  HURT_ASSERT_OK(areas_.Select(88));
  EXPECT_EQ(areas_.Select(0).code(), StatusCode::kInvalid);
  EXPECT_EQ(areas_.Select(251).code(), StatusCode::kInvalid);

  // An alias belongs to one area; a file may be open twice under two aliases.
  EXPECT_EQ(areas_.Open(6, "as.dbf", "DOW").status().code(), StatusCode::kInvalid);
  auto again = areas_.Open(6, "as.dbf", "as_copy");
  ASSERT_TRUE(again.ok());
  // Reopening an area closes what it held.
  ASSERT_TRUE(areas_.Open(6, "dow.dbf", "dow_copy").ok());
  EXPECT_EQ(areas_.Find("as_copy"), nullptr);
  EXPECT_TRUE(areas_.Open(7, "missing.dbf").status().IsNotFound());
  EXPECT_EQ(areas_.Area(7), nullptr);
  EXPECT_EQ(areas_.Open(0, "as.dbf", "x").status().code(), StatusCode::kInvalid);

  EXPECT_EQ(areas_.FirstFree(88, 98), 88);
  ASSERT_TRUE(areas_.Open(88, "as.dbf", "strukt").ok());
  EXPECT_EQ(areas_.FirstFree(88, 98), 89);
  EXPECT_EQ(areas_.FirstFree(5, 6), 0);

  ASSERT_TRUE(areas_.Open(149, "as.dbf", "program").ok());
  const int keep[] = {149};
  HURT_ASSERT_OK(areas_.CloseAll(keep));
  EXPECT_NE(areas_.Area(149), nullptr);
  EXPECT_EQ(areas_.Area(5), nullptr);
  EXPECT_EQ(areas_.Area(88), nullptr);
  HURT_ASSERT_OK(areas_.Close(149));
  HURT_ASSERT_OK(areas_.Close(149));
  EXPECT_EQ(areas_.FirstFree(), 1);
}

TEST_F(WorkAreaTest, ExpressionsReadFieldsOfAnyAreaAndSessionVariables) {
  MapVariables vars;
  vars.values["M_KTO"] = Value("O");
  vars.values["M_ODB"] = Value("ABC");
  WorkAreas areas(env_, &vars);
  auto dow = areas.Open(5, "dow.dbf", "dow");
  auto as = areas.Open(2, "as.dbf", "as");
  ASSERT_TRUE(dow.ok() && as.ok());
  HURT_ASSERT_OK(AddLine(**dow, {.nrd = Nrd(1), .indeks = "X1"}));
  HURT_ASSERT_OK((*as)->Append());
  HURT_ASSERT_OK((*as)->Replace("NAZWA", "Śruba"));
  HURT_ASSERT_OK((*as)->Unlock());

  HURT_ASSERT_OK(areas.Select(5));
  auto e = areas.Compile("TRIM(indeks) + \"/\" + TRIM(as->nazwa) + \"/\" + M_KTO + M->m_odb");
  ASSERT_TRUE(e.ok()) << e.status().ToString();
  HURT_ASSERT_OK((*dow)->GoTop());
  auto v = areas.Evaluate(*e);
  ASSERT_TRUE(v.ok());
  EXPECT_EQ(v->AsString(), "X1/Śruba/OABC");
  // Variables are looked up at each evaluation.
  vars.values["M_KTO"] = Value("D");
  EXPECT_EQ(areas.Evaluate(*e)->AsString(), "X1/Śruba/DABC");

  // Names resolve against the area given, RECNO() and DELETED() too.
  auto in_as = areas.Compile(2, "nazwa = \"Śr\" .AND. RECNO() = 1 .AND. dow->(RECNO()) = 1");
  ASSERT_TRUE(in_as.ok()) << in_as.status().ToString();
  auto pass = areas.EvaluateLogical(*in_as);
  ASSERT_TRUE(pass.ok());
  EXPECT_TRUE(*pass);
  auto today = areas.Compile("DTOS(DATE())");
  ASSERT_TRUE(today.ok());
  EXPECT_EQ(areas.Evaluate(*today)->AsString(), "20260314");

  EXPECT_EQ(areas.Compile("nosuch").status().code(), StatusCode::kInvalid);
  EXPECT_EQ(areas.Compile("zo->odb").status().code(), StatusCode::kInvalid);
  // A closed area reads as blank rather than failing.
  HURT_ASSERT_OK(areas.Close(2));
  EXPECT_EQ(areas.Evaluate(*e)->AsString(), "X1//DABC");
}

TEST_F(WorkAreaTest, RelationPositionsTheChildOnEveryMove) {
  auto as = areas_.Open(2, "as.dbf", "as");
  ASSERT_TRUE(as.ok());
  WorkArea& articles = **as;
  for (const char* indeks : {"B", "A", "C"}) {
    HURT_ASSERT_OK(articles.Append());
    HURT_ASSERT_OK(articles.Replace("MAG", "1"));
    HURT_ASSERT_OK(articles.Replace("INDEKS", indeks));
    HURT_ASSERT_OK(articles.Replace("NAZWA", std::string("name ") + indeks));
  }
  HURT_ASSERT_OK(articles.Unlock());
  HURT_ASSERT_OK(articles.LockFile());
  ASSERT_TRUE(articles.CreateOrder("as.ntx", "mag+indeks").ok());
  HURT_ASSERT_OK(articles.Unlock());
  HURT_ASSERT_OK(articles.SetOrder(1));

  HURT_ASSERT_OK(Table::Create(env_, "rob_d01.dbf", DowFields()));
  auto dd = areas_.Open(4, "rob_d01.dbf", "dd");
  ASSERT_TRUE(dd.ok());
  WorkArea& lines = **dd;
  HURT_ASSERT_OK(AddLine(lines, {.nrd = Nrd(1), .indeks = "C"}));
  HURT_ASSERT_OK(AddLine(lines, {.nrd = Nrd(1), .lp = "  2", .indeks = "Q"}));  // no such article
  HURT_ASSERT_OK(AddLine(lines, {.nrd = Nrd(1), .lp = "  3", .indeks = "A"}));
  HURT_ASSERT_OK(lines.SetRelation(2, "MAG+INDEKS"));

  HURT_ASSERT_OK(lines.GoTop());
  EXPECT_EQ(Text(articles.Get("NAZWA")).substr(0, 6), "name C");
  EXPECT_TRUE(articles.found());
  HURT_ASSERT_OK(lines.Skip());
  EXPECT_TRUE(articles.eof()) << "a line whose article is missing puts the child at EOF";
  HURT_ASSERT_OK(lines.Skip());
  EXPECT_EQ(Text(articles.Get("NAZWA")).substr(0, 6), "name A");
  HURT_ASSERT_OK(lines.Skip());
  EXPECT_TRUE(lines.eof());
  EXPECT_TRUE(articles.eof()) << "the parent at EOF puts the child at EOF";
  HURT_ASSERT_OK(lines.GoTo(1));
  EXPECT_EQ(Text(articles.Get("INDEKS")).substr(0, 1), "C");
  // A filter on the parent can read the child's fields.
  HURT_ASSERT_OK(lines.SetFilter("as->nazwa = \"name A\""));
  HURT_ASSERT_OK(lines.GoTop());
  EXPECT_EQ(lines.recno(), 3u);
  HURT_ASSERT_OK(lines.SetFilter(""));

  // Loops and bad relations are refused.
  EXPECT_EQ(articles.SetRelation(4, "RECNO()").code(), StatusCode::kInvalid);
  EXPECT_EQ(lines.SetRelation(4, "RECNO()").code(), StatusCode::kInvalid);
  EXPECT_EQ(lines.SetRelation(9, "RECNO()").code(), StatusCode::kInvalid);
  EXPECT_EQ(lines.SetRelation(2, "nosuch").code(), StatusCode::kInvalid);

  // A child in natural order goes to the record number the key gives.
  HURT_ASSERT_OK(articles.SetOrder(0));
  lines.ClearRelations();
  HURT_ASSERT_OK(lines.SetRelation(2, "RECNO()"));
  HURT_ASSERT_OK(lines.GoTo(2));
  EXPECT_EQ(articles.recno(), 2u);
  // Closing the child removes the relation.
  HURT_ASSERT_OK(areas_.Close(2));
  HURT_ASSERT_OK(lines.GoTop());
}

}  // namespace
}  // namespace hurt::xbase::wa_test
