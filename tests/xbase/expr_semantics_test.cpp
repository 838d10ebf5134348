// Operators, precedence, comparisons and name resolution of compiled expressions.
#include <gtest/gtest.h>

#include "xbase/expr_fixture.h"

namespace hurt::xbase::testing {
namespace {

using Semantics = ExprFixture;

TEST_F(Semantics, PrecedenceFollowsXbase) {
  EXPECT_EQ(Number("2+3*4"), 14);
  EXPECT_EQ(Number("(2+3)*4"), 20);
  EXPECT_EQ(Number("10-4-3"), 3);      // left to right
  EXPECT_EQ(Number("100/10/5"), 2);
  EXPECT_EQ(Number("-2**2"), 4);       // unary binds tighter than **
  EXPECT_EQ(Number("2^3*2"), 16);
  EXPECT_EQ(Number("7%4+1"), 4);
  EXPECT_EQ(Number("- -3"), 3);
  EXPECT_TRUE(True("1+1=2"));          // arithmetic before comparison
  EXPECT_TRUE(True(".NOT. 1=2"));      // comparison before .NOT.
  EXPECT_TRUE(True(".T. .OR. .F. .AND. .F."));  // .AND. before .OR.
  EXPECT_FALSE(True("(.T. .OR. .F.) .AND. .F."));
  EXPECT_TRUE(True("!.F. .AND. !.F."));
  EXPECT_TRUE(True("1 = 2 .OR. 3 # 4"));
  EXPECT_TRUE(True("mag = '1' .and. r_p = 'R'"));  // lower-case operators and names
  EXPECT_TRUE(True("fisk = !.F."));                 // .NOT. inside an operand takes what follows
}

TEST_F(Semantics, LiteralsOfEveryKind) {
  EXPECT_EQ(Text("\"ab\"+'cd'+[ef]"), "abcdef");
  EXPECT_EQ(Text("'say \"hi\"'"), "say \"hi\"");
  EXPECT_EQ(Text("[it's]"), "it's");
  EXPECT_EQ(Number(".5+1."), 1.5);
  EXPECT_EQ(Number("1.25*4"), 5);
  EXPECT_TRUE(True(".T.") && True(".y.") && !True(".F.") && !True(".n."));
}

TEST_F(Semantics, TextComparisonIsPrefixWithSingleEquals) {
  EXPECT_TRUE(True("'ABC' = 'AB'"));
  EXPECT_FALSE(True("'AB' = 'ABC'"));
  EXPECT_TRUE(True("'ABC' = ''"));
  EXPECT_TRUE(True("'' = ''"));
  EXPECT_FALSE(True("'' = 'A'"));
  EXPECT_FALSE(True("'ABC' == 'AB'"));
  EXPECT_TRUE(True("'AB' == 'AB'"));
  EXPECT_FALSE(True("'AB ' == 'AB'"));  // == keeps trailing blanks significant
  EXPECT_FALSE(True("'ABC' <> 'AB'"));
  EXPECT_TRUE(True("'AB' <> 'ABC'"));
  EXPECT_TRUE(True("'AB' != 'AC' .AND. 'AB' # 'AC'"));
  // Ordering compares as many bytes as the right side has.
  EXPECT_TRUE(True("'ABC' >= 'AB'"));
  EXPECT_FALSE(True("'ABC' > 'AB'"));
  EXPECT_TRUE(True("'AB' < 'ABC'"));
  EXPECT_TRUE(True("'B' > 'ABC'"));
  // Bytes compare unsigned: code page 852 letters sort after ASCII.
  EXPECT_TRUE(True("CHR(165) > 'z'"));
}

TEST_F(Semantics, ConditionOfTheRecordCopyHelpers) {
  // kto = "O", odb = "KOW01   "; M_KTO + M_ODB = "OKOW" is a prefix of it.
  EXPECT_TRUE(True("kto+odb=M_kto+M_odb"));
  session_.SetVar("M_ODB", "KOW01   ");
  EXPECT_TRUE(True("kto+odb=M_kto+M_odb"));
  session_.SetVar("M_ODB", "KOW02");
  EXPECT_FALSE(True("kto+odb=M_kto+M_odb"));
  session_.SetVar("M_ODB", "");
  EXPECT_TRUE(True("kto+odb=M_kto+M_odb"));
  session_.SetVar("M_KTO", "D");
  EXPECT_FALSE(True("kto+odb=M_kto+M_odb"));
  session_.SetVar("M_ODB", "KOW01    X");  // longer than the field: no match
  session_.SetVar("M_KTO", "O");
  EXPECT_FALSE(True("kto+odb=M_kto+M_odb"));
}

TEST_F(Semantics, ContainsOperator) {
  EXPECT_TRUE(True("'OZ' $ nazwa") == false);  // "Gwozdzie": case matters
  EXPECT_TRUE(True("'wozd' $ nazwa"));
  EXPECT_TRUE(True("r_p $ 'RM'"));
  EXPECT_FALSE(True("'' $ 'abc'"));  // an empty text is in nothing
  EXPECT_FALSE(True("'abcd' $ 'abc'"));
}

TEST_F(Semantics, TextArithmetic) {
  EXPECT_EQ(Text("'ab  '+'cd'"), "ab  cd");
  EXPECT_EQ(Text("'ab  '-'cd'"), "abcd  ");   // trailing blanks of the left move to the end
  EXPECT_EQ(Text("'ab'-'cd '"), "abcd ");
  EXPECT_EQ(Text("'   '-'x'"), "x   ");
  EXPECT_EQ(Text("''-'x'"), "x");
  EXPECT_EQ(Text("rd-nrd"), "FV     123 ");
  EXPECT_EQ(Text("rd-'A'+'B'"), "FVA B");
}

TEST_F(Semantics, DateArithmetic) {
  EXPECT_EQ(Text("DTOS(data+30)"), "20240404");
  EXPECT_EQ(Text("DTOS(30+data)"), "20240404");
  EXPECT_EQ(Text("DTOS(data-5)"), "20240229");  // leap year
  EXPECT_EQ(Number("data-M_D"), 34);
  EXPECT_EQ(Number("M_D-data"), -34);
  EXPECT_EQ(Text("DTOS(data+tez)"), "20240319");
  EXPECT_EQ(Text("DTOS(data+1.9)"), "20240306");  // whole days only
  EXPECT_TRUE(True("data < DATE()"));
  EXPECT_TRUE(True("data+10 = DATE()"));
  // The empty date stays empty when moved.
  dow().Set("DATA", Value(Date{}));
  EXPECT_EQ(Text("DTOS(data+1)"), "        ");
  EXPECT_TRUE(True("EMPTY(data-7)"));
  EXPECT_NE(RunError("CTOD('31.12.9999')+1").find("date out of range"), std::string::npos);
}

TEST_F(Semantics, NumericFieldsReadAsNumbers) {
  EXPECT_DOUBLE_EQ(Number("cena*ilosc"), -43.75);
  EXPECT_DOUBLE_EQ(Number("wartosc+0.25"), 44);
  EXPECT_DOUBLE_EQ(Number("ilosc"), -3.5);
  dow().SetRaw("ILOSC", "               ");  // blank numeric field
  EXPECT_DOUBLE_EQ(Number("ilosc"), 0);
  dow().SetRaw("ILOSC", "  ************");   // overflow marks read as 0, never crash
  EXPECT_DOUBLE_EQ(Number("ilosc"), 0);
  dow().SetRaw("DATA", "20241399");  // impossible date: the empty date
  EXPECT_EQ(Text("DTOS(data)"), "        ");
  EXPECT_TRUE(True("EMPTY(data)"));
  dow().SetRaw("DATA", "2024-3-5");
  EXPECT_EQ(Text("DTOS(data)"), "        ");
}

TEST_F(Semantics, LogicalAndMemoFields) {
  EXPECT_TRUE(True("fisk"));
  EXPECT_TRUE(True("fisk .AND. !deleted()"));
  dow().SetRaw("FISK", "F");
  EXPECT_FALSE(True("fisk"));
  dow().SetRaw("FISK", " ");
  EXPECT_FALSE(True("fisk"));
  dow().SetRaw("FISK", "y");
  EXPECT_TRUE(True("fisk"));
  EXPECT_EQ(Text("uwagi+'!'"), "pilne!");
  EXPECT_TRUE(True("'iln' $ uwagi"));
  // A memo that cannot be read fails the evaluation with the reader's own status.
  session_.memo_fails = true;
  Result<Expression> e = Expression::Compile("rd+uwagi", session_);
  ASSERT_TRUE(e.ok());
  std::string out;
  Status s = e->AppendString(session_, &out);
  EXPECT_EQ(s.code(), StatusCode::kIoError);
  EXPECT_NE(s.message().find("uwagi.dbt: read failed"), std::string::npos) << s.message();
  EXPECT_NE(s.message().find("rd+uwagi"), std::string::npos) << s.message();
  EXPECT_EQ(out, "");
}

TEST_F(Semantics, ShortCircuitSkipsTheOtherSide) {
  // 1/0 would fail; it is never evaluated.
  session_.SetVar("M_ZERO", 0);
  EXPECT_FALSE(True("M_L .AND. 1/M_ZERO > 0"));
  EXPECT_TRUE(True("!M_L .OR. 1/M_ZERO > 0"));
  EXPECT_NE(RunError("!M_L .AND. 1/M_ZERO > 0").find("division by zero"), std::string::npos);
}

TEST_F(Semantics, IifEvaluatesOnlyTheChosenBranch) {
  session_.SetVar("M_ZERO", 0);
  EXPECT_EQ(Number("IIF(M_L, 1/M_ZERO, 2)"), 2);
  EXPECT_EQ(Number("IF(!M_L, 3, 1/M_ZERO)"), 3);
  EXPECT_NE(RunError("IIF(!M_L, 1/M_ZERO, 2)").find("division by zero"), std::string::npos);
  // Branches may differ in type; the condition decides.
  EXPECT_EQ(Eval("IIF(M_L, 'tekst', 5)"), Value(5));
  EXPECT_EQ(Eval("IIF(!M_L, 'tekst', 5)"), Value("tekst"));
  // A constant condition keeps only its branch; a failing constant elsewhere waits for run time.
  EXPECT_EQ(Number("IIF(.T., 1, 1/0)"), 1);
  EXPECT_NE(RunError("IIF(.F., 1, 1/0)").find("division by zero"), std::string::npos);
}

TEST_F(Semantics, NamesResolveFieldFirstThenVariable) {
  // NAZWA is both a field and a variable: the field wins, M-> reaches the variable.
  EXPECT_EQ(Text("TRIM(nazwa)"), "Gwozdzie 100mm");
  EXPECT_EQ(Text("M->nazwa"), "zmienna");
  EXPECT_EQ(Text("MEMVAR->NAZWA"), "zmienna");
  EXPECT_EQ(Text("FIELD->mag"), "1");
  EXPECT_EQ(Text("_FIELD->rd"), "FV ");
  EXPECT_EQ(Number("M_N*2"), 10);
  EXPECT_EQ(Number("m->m_n"), 5);
}

TEST_F(Semantics, AliasReachesOtherAreas) {
  EXPECT_EQ(Text("as->nazwa"), PadR("GWOZDZIE", 30));
  EXPECT_EQ(Text("dow->mag+as->mag"), "11");
  EXPECT_EQ(Text("AS -> INDEKS"), "ART-1   ");
  EXPECT_DOUBLE_EQ(Number("as->cena*2"), 19.98);
  // alias->( ) evaluates inside that area: bare names and RECNO() belong to it.
  EXPECT_EQ(Text("as->(TRIM(nazwa)+STR(RECNO(),3))"), "GWOZDZIE  7");
  EXPECT_EQ(Text("TRIM(nazwa)+STR(RECNO(),3)"), "Gwozdzie 100mm 42");
  EXPECT_EQ(Text("as->(dow->rd+mag)"), "FV 1");
}

TEST_F(Semantics, ReleasedVariableIsARunTimeError) {
  Result<Expression> e = Expression::Compile("M_KTO+'x'", session_);
  ASSERT_TRUE(e.ok()) << e.status().message();
  session_.Release("M_KTO");
  std::string out;
  Status s = e->AppendString(session_, &out);
  EXPECT_TRUE(s.IsInvalid());
  EXPECT_NE(s.message().find("variable M_KTO does not exist"), std::string::npos) << s.message();
  EXPECT_EQ(out, "");
}

TEST_F(Semantics, VariableTypesAreCheckedWhenEvaluated) {
  // Compiles: the type of a variable is only known at run time.
  std::string m = RunError("M_N + 'x'");
  EXPECT_NE(m.find("type mismatch: numeric + character"), std::string::npos) << m;
  EXPECT_NE(m.find("position 5"), std::string::npos) << m;
  EXPECT_NE(RunError("M_KTO * 2").find("type mismatch"), std::string::npos);
  EXPECT_NE(RunError("SUBSTR(M_N, 1, 2)").find("SUBSTR(): argument 1 must be character, not numeric"),
            std::string::npos);
  EXPECT_NE(RunError("!M_L .AND. M_N").find("needs logical values"), std::string::npos);
  EXPECT_NE(RunError("IIF(M_N, 1, 2)").find("logical condition"), std::string::npos);
  EXPECT_NE(RunError("M_N = 'x'").find("type mismatch: numeric = character"), std::string::npos);
  EXPECT_NE(RunError("-M_KTO").find("unary -"), std::string::npos);
  // A failed evaluation leaves the caller's buffer as it was.
  Result<Expression> e = Expression::Compile("rd + M_N", session_);
  ASSERT_TRUE(e.ok());
  std::string out = "keep";
  EXPECT_FALSE(e->AppendString(session_, &out).ok());
  EXPECT_EQ(out, "keep");
}

TEST_F(Semantics, NilVariableComparesOnlyForEquality) {
  session_.SetVar("M_NIL", Value());
  EXPECT_TRUE(True("M_NIL == M_NIL"));
  EXPECT_FALSE(True("M_NIL = 1"));
  EXPECT_TRUE(True("M_NIL <> 'a'"));
  EXPECT_TRUE(True("EMPTY(M_NIL)"));
  EXPECT_NE(RunError("M_NIL < 1").find("type mismatch"), std::string::npos);
}

TEST_F(Semantics, TextsLongerThan64KAreRefused) {
  EXPECT_NE(RunError("SPACE(40000)+SPACE(40000)").find("text longer than 65535"), std::string::npos);
  EXPECT_NE(RunError("SPACE(40000)+rd+SPACE(40000)").find("text longer than 65535"), std::string::npos);
  session_.SetVar("M_BIG", std::string(65535, 'x'));
  EXPECT_NE(RunError("M_BIG+M_KTO").find("text longer than 65535"), std::string::npos);
  EXPECT_EQ(Number("LEN(SPACE(30000)+nazwa+SPACE(35505))"), 65535);
}

TEST_F(Semantics, NumericFailuresAreErrorsNotGarbage) {
  session_.SetVar("M_ZERO", 0);
  EXPECT_NE(RunError("1/M_ZERO").find("division by zero"), std::string::npos);
  EXPECT_NE(RunError("5%M_ZERO").find("division by zero"), std::string::npos);
  session_.SetVar("M_BIG", 1e300);
  EXPECT_NE(RunError("M_BIG*M_BIG").find("numeric overflow"), std::string::npos);
  EXPECT_NE(RunError("(-8)**(M_N/10)").find("invalid numeric result"), std::string::npos);
}

TEST_F(Semantics, ResultTypeMustMatchTheCall) {
  Result<Expression> e = Expression::Compile("cena", session_);
  ASSERT_TRUE(e.ok());
  std::string out;
  Status s = e->AppendString(session_, &out);
  EXPECT_NE(s.message().find("the result is numeric, not character"), std::string::npos) << s.message();
  Result<bool> b = e->EvalLogical(session_);
  EXPECT_FALSE(b.ok());
  Result<Expression> t = Expression::Compile("rd", session_);
  ASSERT_TRUE(t.ok());
  EXPECT_FALSE(t->EvalNumber(session_).ok());
}

TEST_F(Semantics, CompiledExpressionIsReusableAcrossRecords) {
  Result<Expression> e = Expression::Compile("rd+nrd+lp", session_);
  ASSERT_TRUE(e.ok());
  std::string key;
  for (int i = 1; i <= 3; ++i) {
    dow().Set("LP", Str(i, 3));
    key.clear();
    ASSERT_TRUE(e->AppendString(session_, &key).ok());
    EXPECT_EQ(key, "FV      123  " + std::to_string(i));
  }
  Expression moved = std::move(e).value();
  key.clear();
  ASSERT_TRUE(moved.AppendString(session_, &key).ok());
  EXPECT_EQ(key, "FV      123  3");
}

}  // namespace
}  // namespace hurt::xbase::testing
