// A station over a temporary data directory with every table of a session built and open
// in its fixed work area, for the catalogue screens: the screen driver's console and fake
// clock, and helpers that put article cards and accounts into the tables.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/cp852.h"
#include "catalogues/common.h"
#include "hurt-dbf/verify.h"
#include "session/init_tables.h"
#include "session/session.h"
#include "store/fake_store_ui.h"
#include "store/schema.h"
#include "support/screen_driver.h"
#include "support/temp_dir.h"
#include "xbase/env.h"
#include "xbase/work_area.h"

namespace hurt::catalogues::testing {

using Fields = std::vector<std::pair<std::string, xbase::Value>>;

class CatalogueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(env.CreateDirs(dir / "rob").ok());
    session::SessionOptions options;
    options.data_dir = dir.str();
    session = std::make_unique<session::Session>(env, d.con, options);
    ASSERT_TRUE(session::InitNtx(s(), ui, ""));
    s().op().prawa = std::string(20, 'T');
  }

  session::Session& s() { return *session; }
  xbase::WorkArea& Area(int n) {
    xbase::WorkArea* a = s().areas().Area(n);
    EXPECT_NE(a, nullptr) << "area " << n;
    return *a;
  }
  xbase::WorkArea& As() { return Area(2); }

  // Appends a record with the given values (texts in UTF-8 are converted).
  static void Add(xbase::WorkArea& a, const Fields& values) {
    ASSERT_TRUE(a.Append().ok());
    for (const auto& [field, value] : values) {
      xbase::Value v = value.IsString() ? xbase::Value(Utf8ToCp852(value.AsString())) : value;
      Status st = a.Replace(field, v);
      ASSERT_TRUE(st.ok()) << field << ": " << st.ToString();
    }
    ASSERT_TRUE(a.Unlock().ok());
  }
  void Article(std::string mag, std::string indeks, std::string nazwa, Fields more = {}) {
    Fields f{{"MAG", xbase::Value(mag)}, {"INDEKS", xbase::Value(indeks)}, {"NAZWA", xbase::Value(nazwa)},
             {"JM", xbase::Value("szt")}, {"PODATEK0", xbase::Value("23")}};
    for (auto& m : more) f.push_back(std::move(m));
    Add(As(), f);
  }

  // The records of an area in its controlling order, as "field1|field2" texts (trimmed).
  std::vector<std::string> Rows(xbase::WorkArea& a, std::vector<std::string> fields) {
    std::vector<std::string> out;
    const uint32_t before = a.recno();
    EXPECT_TRUE(a.GoTop().ok());
    while (!a.eof()) {
      std::string row;
      for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) row += "|";
        auto v = a.Get(fields[i]);
        if (!v.ok()) continue;
        if (v->IsString()) row += Cp852ToUtf8(RTrimCopy(v->AsString()));
        else row += std::to_string(v->AsNumber());
      }
      out.push_back(row);
      if (!a.Skip(1).ok()) break;
    }
    (void)a.GoTo(before);
    return out;
  }
  static std::string RTrimCopy(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
  }

  // A marker file in the data directory.
  void Marker(const std::string& name) { dir.Write(name, ""); }

  // The end of a scenario: the data checker (hurt-dbf verify) finds nothing in the data
  // directory - stock, documents and every index as the screens left them.
  void ExpectDataChecksClean() {
    auto findings = dbftool::VerifyData(env, dir.str());
    ASSERT_TRUE(findings.ok()) << findings.status().ToString();
    std::string text;
    for (const dbftool::Finding& f : *findings) text += f.text + "\n";
    EXPECT_TRUE(findings->empty()) << text;
  }

  hurt::testing::ScreenDriver d;
  // The real file system: the report viewer reads the station's report file from disk.
  hurt::testing::TempDir dir;
  xbase::Env& env = xbase::RealEnv();
  store::testing::FakeStoreUi ui{d.clock};
  std::unique_ptr<session::Session> session;
};

}  // namespace hurt::catalogues::testing
