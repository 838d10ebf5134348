// A document line in area 1 ("dow"), its article in area 2 ("as") and a few session
// variables, with short helpers to compile and evaluate.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "xbase/expr.h"
#include "xbase/expr_fake.h"

namespace hurt::xbase::testing {

class ExprFixture : public ::testing::Test {
 protected:
  ExprFixture() {
    FakeTable& dow = session_.Add("dow", {{"R_P", 'C', 1},      {"S_Z", 'C', 1},     {"RD", 'C', 3},
                                          {"NRD", 'C', 8},      {"DATA", 'D', 8},    {"MAG", 'C', 1},
                                          {"LP", 'C', 3},       {"KTO", 'C', 1},     {"ODB", 'C', 8},
                                          {"INDEKS", 'C', 8},   {"NAZWA", 'C', 30},  {"CENA", 'N', 16, 6},
                                          {"ILOSC", 'N', 15, 3}, {"WARTOSC", 'N', 18, 2}, {"TEZ", 'N', 4, 0},
                                          {"UWAGI", 'M', 10},   {"FISK", 'L', 1}});
    dow.Set("R_P", "R");
    dow.Set("S_Z", "S");
    dow.Set("RD", "FV");
    dow.Set("NRD", "     123");
    dow.Set("DATA", D(2024, 3, 5));
    dow.Set("MAG", "1");
    dow.Set("LP", "  7");
    dow.Set("KTO", "O");
    dow.Set("ODB", "KOW01");
    dow.Set("INDEKS", "ART-1");
    dow.Set("NAZWA", "Gwozdzie 100mm");
    dow.Set("CENA", 12.5);
    dow.Set("ILOSC", -3.5);
    dow.Set("WARTOSC", 43.75);
    dow.Set("TEZ", 14);
    dow.Set("UWAGI", "pilne");
    dow.Set("FISK", true);
    dow.recno = 42;
    FakeTable& as = session_.Add("as", {{"MAG", 'C', 1}, {"INDEKS", 'C', 8}, {"NAZWA", 'C', 30}, {"CENA", 'N', 14, 2}});
    as.Set("MAG", "1");
    as.Set("INDEKS", "ART-1");
    as.Set("NAZWA", "GWOZDZIE");
    as.Set("CENA", 9.99);
    as.recno = 7;
    session_.SetVar("M_KTO", "O");
    session_.SetVar("M_ODB", "KOW");
    session_.SetVar("M_N", 5);
    session_.SetVar("M_D", D(2024, 1, 31));
    session_.SetVar("M_L", false);
    session_.SetVar("NAZWA", "zmienna");  // hidden by the field of the same name
    session_.Select(1);
  }

  FakeTable& dow() { return session_.table(1); }
  FakeTable& as() { return session_.table(2); }

  // The value of a text that must compile and evaluate.
  Value Eval(const std::string& text) {
    Result<Expression> e = Expression::Compile(text, session_);
    if (!e.ok()) {
      ADD_FAILURE() << text << ": " << e.status().message();
      return Value();
    }
    Value v;
    Status s = e->Eval(session_, &v);
    if (!s.ok()) ADD_FAILURE() << text << ": " << s.message();
    return v;
  }

  // The character value through the allocation-free path.
  std::string Text(const std::string& text) {
    Result<Expression> e = Expression::Compile(text, session_);
    if (!e.ok()) {
      ADD_FAILURE() << text << ": " << e.status().message();
      return "<error>";
    }
    std::string out = "prefix:";
    Status s = e->AppendString(session_, &out);
    if (!s.ok()) {
      ADD_FAILURE() << text << ": " << s.message();
      return "<error>";
    }
    EXPECT_EQ(out.substr(0, 7), "prefix:") << text;
    return out.substr(7);
  }

  bool True(const std::string& text) {
    Result<Expression> e = Expression::Compile(text, session_);
    if (!e.ok()) {
      ADD_FAILURE() << text << ": " << e.status().message();
      return false;
    }
    Result<bool> b = e->EvalLogical(session_);
    if (!b.ok()) {
      ADD_FAILURE() << text << ": " << b.status().message();
      return false;
    }
    return *b;
  }

  double Number(const std::string& text) {
    Result<Expression> e = Expression::Compile(text, session_);
    if (!e.ok()) {
      ADD_FAILURE() << text << ": " << e.status().message();
      return -999999;
    }
    Result<double> n = e->EvalNumber(session_);
    if (!n.ok()) {
      ADD_FAILURE() << text << ": " << n.status().message();
      return -999999;
    }
    return *n;
  }

  // The message of a text that must fail to compile.
  std::string CompileError(const std::string& text) {
    Result<Expression> e = Expression::Compile(text, session_);
    if (e.ok()) {
      ADD_FAILURE() << text << ": compiled";
      return "";
    }
    EXPECT_TRUE(e.status().IsInvalid()) << e.status().ToString();
    return e.status().message();
  }

  // The message of a text that compiles but fails when evaluated.
  std::string RunError(const std::string& text) {
    Result<Expression> e = Expression::Compile(text, session_);
    if (!e.ok()) {
      ADD_FAILURE() << text << ": " << e.status().message();
      return "";
    }
    Value v;
    Status s = e->Eval(session_, &v);
    if (s.ok()) {
      ADD_FAILURE() << text << ": evaluated";
      return "";
    }
    EXPECT_TRUE(s.IsInvalid()) << s.ToString();
    return s.message();
  }

  FakeSession session_;
};

}  // namespace hurt::xbase::testing
