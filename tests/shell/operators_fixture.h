// A station over an in-memory data directory for the operator tests: a Session on a
// MemoryEnv whose clock is the screen driver's fake clock, and helpers that lay out the
// operator table and the company record as a test needs them.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/text.h"
#include "session/operators_table.h"
#include "session/password_hash.h"
#include "session/session.h"
#include "shell/operators.h"
#include "shell/operators_internal.h"
#include "support/screen_driver.h"
#include "xbase/memory_env.h"
#include "xbase/table.h"

namespace hurt::shell::testing_ops {

class OperatorsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(env.CreateDirs("/d").ok());
    session::SessionOptions options;
    options.data_dir = "/d";
    session = std::make_unique<Session>(env, d.con, options);
  }

  Session& s() { return *session; }

  // Adds an operator to prawa (created by the list's own open when missing) and closes it.
  void AddOperator(std::string nr, std::string name, std::string prawa = std::string(20, 'T'),
                   std::string password = "", std::string prawa1 = std::string(20, 'N')) {
    ASSERT_TRUE(session::operators::OpenPrawa(s()).ok());
    xbase::WorkArea& a = *s().areas().Area(session::operators::kPrawaArea);
    bool found = false;
    ASSERT_TRUE(a.GoTop().ok());
    while (!a.eof()) {
      if (session::operators::ReadOperator(a).nr == nr) {
        found = true;
        break;
      }
      ASSERT_TRUE(a.Skip(1).ok());
    }
    if (found) {
      ASSERT_TRUE(a.LockRecord().ok());
    } else {
      ASSERT_TRUE(a.Append().ok());
    }
    const uint32_t recno = a.recno();
    ASSERT_TRUE(a.Replace("NR", xbase::Value(nr)).ok());
    ASSERT_TRUE(a.Replace("NAZWISKO", xbase::Value(name)).ok());
    ASSERT_TRUE(a.Replace("PRAWA", xbase::Value(prawa)).ok());
    ASSERT_TRUE(a.Replace("PRAWA1", xbase::Value(prawa1)).ok());
    ASSERT_TRUE(a.Unlock().ok());
    if (!password.empty()) {
      // A cheap hash: the cost is in the iterations, which the stored text carries.
      const std::string hash = session::password::HashText(password, "saltsaltsaltsalt", 10);
      ASSERT_TRUE(session::operators::UpdateOperator(s(), a, recno, 1, [&](xbase::WorkArea& w) {
                    return w.Replace("HASH", xbase::Value(hash));
                  }).ok());
    }
    session::operators::ClosePrawa(s());
  }

  // The company record with the station register, open in work area 1 as start-up leaves it.
  void OpenFirma(std::string st = "?" + std::string(29, '0')) {
    ASSERT_TRUE(xbase::Table::Create(env, "/d/firma.dbf", {{"ST", 'C', static_cast<int>(st.size()), 0},
                                                          {"SMTP", 'C', 30, 0}})
                    .ok());
    auto firma = s().areas().Open(1, "/d/firma.dbf", "firma");
    ASSERT_TRUE(firma.ok());
    ASSERT_TRUE((*firma)->Append().ok());
    ASSERT_TRUE((*firma)->Replace("ST", xbase::Value(st)).ok());
    ASSERT_TRUE((*firma)->Replace("SMTP", xbase::Value(std::string("smtp.firma.pl"))).ok());
    ASSERT_TRUE((*firma)->Unlock().ok());
  }

  std::string FirmaSt() {
    xbase::WorkArea* firma = s().areas().Find("firma");
    EXPECT_NE(firma, nullptr);
    if (!firma) return "";
    EXPECT_TRUE(firma->GoTo(1).ok());
    return firma->Get("ST")->AsString();
  }

  // The operator with number `nr` as the table holds it now.
  session::operators::OperatorRecord Operator(std::string_view nr) {
    session::operators::OperatorRecord out;
    EXPECT_TRUE(s().areas().Open(150, "/d/prawa.dbf", "prawa_t", {.read_only = true}).ok());
    xbase::WorkArea& a = *s().areas().Area(150);
    EXPECT_TRUE(a.GoTop().ok());
    while (!a.eof()) {
      if (session::operators::ReadOperator(a).nr == nr) {
        out = session::operators::ReadOperator(a);
        break;
      }
      if (!a.Skip(1).ok()) break;
    }
    EXPECT_TRUE(s().areas().Close(150).ok());
    return out;
  }

  std::string Contents(const std::string& path) {
    auto c = env.Contents(path);
    return c.ok() ? *c : std::string();
  }

  testing::ScreenDriver d;
  xbase::MemoryEnv env{d.clock};
  std::unique_ptr<Session> session;
};

}  // namespace hurt::shell::testing_ops
