// Compile errors name the text and the position; compile-time facts (type, width, what is
// read) are right.
#include <gtest/gtest.h>

#include "xbase/expr_fixture.h"

namespace hurt::xbase::testing {
namespace {

using Compile = ExprFixture;

// Checks that compiling `text` fails with `part` in the message at 1-based `position`.
#define EXPECT_COMPILE_ERROR(text, position, part)                                                        \
  do {                                                                                                    \
    std::string m_ = CompileError(text);                                                                  \
    EXPECT_NE(m_.find(std::string("expression \"") + (text) + "\""), std::string::npos) << m_;           \
    EXPECT_NE(m_.find("position " + std::to_string(position) + ":"), std::string::npos) << m_;           \
    EXPECT_NE(m_.find(part), std::string::npos) << m_;                                                    \
  } while (0)

TEST_F(Compile, SyntaxErrorsPointAtTheirPlace) {
  EXPECT_COMPILE_ERROR("", 1, "empty expression");
  EXPECT_COMPILE_ERROR("   ", 1, "empty expression");
  EXPECT_COMPILE_ERROR("(rd+nrd", 8, "missing \")\" for the \"(\" at position 1");
  EXPECT_COMPILE_ERROR("rd+nrd)", 7, "\")\" without \"(\"");
  EXPECT_COMPILE_ERROR("SUBSTR(rd,1", 12, "missing \")\" of SUBSTR() opened at position 1");
  EXPECT_COMPILE_ERROR("rd+", 4, "expression ends too early");
  EXPECT_COMPILE_ERROR("rd nrd", 4, "unexpected name NRD");
  EXPECT_COMPILE_ERROR("rd+'abc", 4, "text not closed with '");
  EXPECT_COMPILE_ERROR("[abc", 1, "text not closed with ]");
  EXPECT_COMPILE_ERROR("rd+*nrd", 4, "unexpected \"*\"");
  EXPECT_COMPILE_ERROR("rd .XOR. nrd", 4, "unknown operator .XOR.");
  EXPECT_COMPILE_ERROR("rd + . + nrd", 6, "unexpected \".\"");
  EXPECT_COMPILE_ERROR("rd & nrd", 4, "unexpected character \"&\"");
  EXPECT_COMPILE_ERROR("rd+\x01", 4, "unexpected character byte 1");
  EXPECT_COMPILE_ERROR("SUBSTR(rd,,1)", 11, "unexpected \",\"");
  EXPECT_COMPILE_ERROR("STR(1 2)", 7, "expected \",\" or \")\" in STR()");
  EXPECT_COMPILE_ERROR("1e5", 2, "unexpected name E5");
  EXPECT_COMPILE_ERROR("1.AND..T.", 2, ".AND. needs logical values, not numeric");
}

TEST_F(Compile, UnknownNamesAreCompileErrors) {
  EXPECT_COMPILE_ERROR("rd+FOO(x)", 4, "unknown function FOO()");
  EXPECT_COMPILE_ERROR("rd+cena2", 4, "unknown name CENA2 (neither a field nor a variable)");
  EXPECT_COMPILE_ERROR("xx->mag", 1, "unknown alias XX");
  EXPECT_COMPILE_ERROR("as->kto", 5, "alias AS has no field KTO");
  EXPECT_COMPILE_ERROR("M->kto", 4, "unknown variable KTO");  // a field, but M-> asks for a variable
  EXPECT_COMPILE_ERROR("FIELD->m_kto", 8, "has no field M_KTO");
  EXPECT_COMPILE_ERROR("as->(rd)", 6, "unknown name RD");     // RD is not a field of "as"
  EXPECT_COMPILE_ERROR("as->", 5, "expected a field name after AS->");
  EXPECT_COMPILE_ERROR("as->(mag", 9, "missing \")\"");
}

TEST_F(Compile, ArgumentCountsAreChecked) {
  EXPECT_COMPILE_ERROR("STR()", 1, "STR() takes 1 to 3 arguments, not 0");
  EXPECT_COMPILE_ERROR("STR(1,2,3,4)", 1, "STR() takes 1 to 3 arguments, not 4");
  EXPECT_COMPILE_ERROR("rd+DTOS(data,1)", 4, "DTOS() takes 1 argument, not 2");
  EXPECT_COMPILE_ERROR("RECNO(1)", 1, "RECNO() takes 0 arguments, not 1");
  EXPECT_COMPILE_ERROR("IIF(.T.,1)", 1, "IIF() takes 3 arguments, not 2");
  EXPECT_COMPILE_ERROR("SUBSTR(rd)", 1, "SUBSTR() takes 2 to 3 arguments, not 1");
}

TEST_F(Compile, TypeMismatchesVisibleAtCompileTime) {
  EXPECT_COMPILE_ERROR("rd+1", 3, "type mismatch: character + numeric");
  EXPECT_COMPILE_ERROR("mag+indeks+cena", 11, "type mismatch: character + numeric");
  EXPECT_COMPILE_ERROR("data+data", 5, "type mismatch: date + date");
  EXPECT_COMPILE_ERROR("rd*2", 3, "type mismatch: character * numeric");
  EXPECT_COMPILE_ERROR("rd = 1", 4, "type mismatch: character = numeric");
  EXPECT_COMPILE_ERROR("1 $ 'abc'", 3, "type mismatch: numeric $ character");
  EXPECT_COMPILE_ERROR("!rd", 1, ".NOT. needs a logical value, not character");
  EXPECT_COMPILE_ERROR("-rd", 1, "unary - needs a numeric value, not character");
  EXPECT_COMPILE_ERROR("fisk .OR. 1", 6, ".OR. needs logical values, not numeric");
  EXPECT_COMPILE_ERROR("IIF(rd, 1, 2)", 5, "IIF() needs a logical condition, not character");
  EXPECT_COMPILE_ERROR("DTOS(rd)", 6, "DTOS(): argument 1 must be date, not character");
  EXPECT_COMPILE_ERROR("SUBSTR(rd,'1')", 11, "SUBSTR(): argument 2 must be numeric, not character");
  EXPECT_COMPILE_ERROR("PADR(fisk,3)", 6, "argument 1 must be character, numeric or date, not logical");
  EXPECT_COMPILE_ERROR("MAX(data,1)", 10, "MAX(): argument 2 must be date like argument 1, not numeric");
  EXPECT_COMPILE_ERROR("M_KTO * rd", 7, "operator * cannot take a character value");
}

TEST_F(Compile, HostileTextsFailCleanly) {
  std::string deep(5000, '(');
  deep += "1";
  deep += std::string(5000, ')');
  EXPECT_NE(CompileError(deep).find("nested too deeply"), std::string::npos);
  EXPECT_NE(CompileError(std::string(5000, '-') + "1").find("nested too deeply"), std::string::npos);
  EXPECT_NE(CompileError(std::string(5000, '!') + ".T.").find("nested too deeply"), std::string::npos);
  std::string chain = "cena";
  for (int i = 0; i < 300; ++i) chain += "+cena";
  EXPECT_NE(CompileError(chain).find("nested too deeply"), std::string::npos);
  EXPECT_NE(CompileError(std::string(70000, ' ') + "1").find("longer than 65535"), std::string::npos);
  EXPECT_NE(CompileError("1" + std::string(400, '0')).find("out of range"), std::string::npos);
  // A long chain of texts is flat, not deep: it compiles.
  std::string texts = "rd";
  for (int i = 0; i < 1000; ++i) texts += "+rd";
  Result<Expression> e = Expression::Compile(texts, session_);
  ASSERT_TRUE(e.ok()) << e.status().message();
  EXPECT_EQ(e->width(), std::optional<int>(3003));
}

TEST_F(Compile, ResultTypeAndWidth) {
  struct Case {
    const char* text;
    ValueType type;
    std::optional<int> width;
  };
  const Case cases[] = {
      {"rd+nrd", ValueType::kCharacter, 11},
      {"DTOS(data)+STR(cena,10,2)", ValueType::kCharacter, 18},
      {"STR(cena)", ValueType::kCharacter, 16},
      {"STR(RECNO())", ValueType::kCharacter, std::nullopt},  // 10 or 13 depending on the value
      {"SUBSTR(nazwa,5,3)+LEFT(rd,2)+RIGHT(nrd,20)", ValueType::kCharacter, 13},
      {"SUBSTR(nazwa,-5)", ValueType::kCharacter, 5},
      {"PADR(TRIM(nazwa),20)+SPACE(2)+REPLICATE(rd,2)", ValueType::kCharacter, 28},
      {"UPPER(nazwa)+DESCEND(mag)+CHR(65)+DTOC(data)", ValueType::kCharacter, 42},
      {"IIF(fisk,rd,'abc')", ValueType::kCharacter, 3},
      {"IIF(fisk,rd,'ab')", ValueType::kCharacter, std::nullopt},
      {"TRIM(nazwa)", ValueType::kCharacter, std::nullopt},
      {"rd-nrd", ValueType::kCharacter, 11},
      {"M_KTO+rd", ValueType::kCharacter, std::nullopt},  // only text + text can succeed
      {"cena*ilosc", ValueType::kNumeric, std::nullopt},
      {"data+30", ValueType::kDate, 8},
      {"data-M_D", ValueType::kNil, std::nullopt},  // date - date or date - number
      {"DESCEND(data)", ValueType::kNumeric, std::nullopt},
      {"kto+odb=M_kto+M_odb", ValueType::kLogical, 1},
      {"M_KTO", ValueType::kNil, std::nullopt},
      {"IIF(fisk,1,'a')", ValueType::kNil, std::nullopt},
      {"MAX(data,M_D)", ValueType::kDate, 8},
  };
  for (const Case& c : cases) {
    Result<Expression> e = Expression::Compile(c.text, session_);
    ASSERT_TRUE(e.ok()) << c.text << ": " << e.status().message();
    EXPECT_EQ(e->type(), c.type) << c.text;
    EXPECT_EQ(e->width(), c.width) << c.text;
  }
}

TEST_F(Compile, NumericShapeOfPlainFields) {
  Result<Expression> f = Expression::Compile("wartosc", session_);
  ASSERT_TRUE(f.ok());
  EXPECT_EQ(f->numeric_shape(), std::make_optional(std::make_pair(18, 2)));
  Result<Expression> d = Expression::Compile("DESCEND(ilosc)", session_);
  ASSERT_TRUE(d.ok());
  EXPECT_EQ(d->numeric_shape(), std::make_optional(std::make_pair(15, 3)));
  Result<Expression> c = Expression::Compile("wartosc*2", session_);
  ASSERT_TRUE(c.ok());
  EXPECT_EQ(c->numeric_shape(), std::nullopt);
}

TEST_F(Compile, DependenciesListWhatIsRead) {
  Result<Expression> e =
      Expression::Compile("rd+nrd+rd+as->mag+STR(RECNO(),6)+M_KTO+IIF(DELETED(),'*',' ')", session_);
  ASSERT_TRUE(e.ok()) << e.status().message();
  const ExprDependencies& d = e->dependencies();
  ASSERT_EQ(d.fields.size(), 3u);
  EXPECT_EQ(d.fields[0], (FieldRef{1, 2}));  // RD, once
  EXPECT_EQ(d.fields[1], (FieldRef{1, 3}));  // NRD
  EXPECT_EQ(d.fields[2], (FieldRef{2, 0}));  // AS->MAG
  EXPECT_EQ(d.variables, std::vector<int>{*session_.FindVariable("M_KTO")});
  EXPECT_TRUE(d.record_number);
  EXPECT_TRUE(d.deleted_flag);
  EXPECT_FALSE(d.today);
  // Fields of a branch that a constant condition removes are not read.
  Result<Expression> folded = Expression::Compile("IIF(.F., nazwa, lp)", session_);
  ASSERT_TRUE(folded.ok());
  ASSERT_EQ(folded->dependencies().fields.size(), 1u);
  EXPECT_EQ(folded->dependencies().fields[0], (FieldRef{1, 6}));  // LP
}

TEST_F(Compile, ScopeSeesUpperCaseNames) {
  // The scope is asked with upper-case names whatever the text's spelling.
  EXPECT_EQ(Text("Rd+NrD"), "FV      123");
  EXPECT_EQ(Text("As->Indeks"), "ART-1   ");
  EXPECT_EQ(Text("m_KtO"), "O");
}

}  // namespace
}  // namespace hurt::xbase::testing
