// A station on a data directory in memory with every table built, and helpers that write
// documents, kinds, articles and customers straight into its tables.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/clock.h"
#include "base/date.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/console.h"
#include "console/headless.h"
#include "invoicing/invoice_tables.h"
#include "session/init_tables.h"
#include "session/session.h"
#include "store/net_ui.h"
#include "store/schema.h"
#include "xbase/fault_env.h"
#include "xbase/file_util.h"
#include "xbase/memory_env.h"
#include "xbase/work_area.h"

namespace hurt::invoicing::testing {

using Fields = std::vector<std::pair<std::string, xbase::Value>>;

inline xbase::Value D(int y, int m, int d) { return xbase::Value(xbase::Date{JulianFromYmd(y, m, d)}); }

class InvoiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session::SessionOptions options;
    options.data_dir = ".";
    session_ = std::make_unique<session::Session>(faults_, con_, options);
    session_->set_stacja(1);
    ASSERT_TRUE(session::InitNtx(*session_, ui_, ""));
    ASSERT_EQ(session_->hh(), "26/12");
  }

  session::Session& s() { return *session_; }
  xbase::WorkArea& Area(store::TableId id) {
    xbase::WorkArea* a = SessionAreaOf(s(), id);
    EXPECT_NE(a, nullptr);
    return *a;
  }

  // Appends a record (locked, written, released) and returns its number.
  static uint32_t Add(xbase::WorkArea& a, const Fields& values) {
    EXPECT_TRUE(a.Append().ok());
    for (const auto& [field, value] : values) {
      Status st = a.Replace(field, value);
      EXPECT_TRUE(st.ok()) << field << ": " << st.ToString();
    }
    uint32_t recno = a.recno();
    EXPECT_TRUE(a.Unlock().ok());
    EXPECT_TRUE(a.Commit().ok());
    return recno;
  }

  void AddKind(xbase::WorkArea& slow, const std::string& rd, const std::string& opis, const std::string& r_p,
               const std::string& s_z, const std::string& nb, double nrd = 0) {
    Add(slow, {{"RD", rd}, {"OPIS", opis}, {"R_P", r_p}, {"S_Z", s_z}, {"CUV", "U"}, {"KTO", "O"},
               {"MAG", "1"}, {"NB", nb}, {"NRD", nrd}});
  }

  uint32_t AddHeader(xbase::WorkArea& dowod, const std::string& rd, int nrd, const xbase::Value& data,
                     const Fields& more = {}) {
    Fields f = {{"R_P", "R"}, {"S_Z", "S"}, {"RD", rd}, {"NRD", PadL(std::to_string(nrd), 8)},
                {"DATA", data}, {"MAG", "1"}, {"KTO", "O"}, {"ODB", "KOWAL"}, {"NODB", "KOWALSKI SP. Z O.O."},
                {"MODB", "KRAKOW"}, {"REGON", "6770000000"}, {"SPZ", "G"}, {"TEZ", 0.0}};
    for (const auto& m : more) {
      bool replaced = false;
      for (auto& x : f) {
        if (x.first == m.first) x.second = m.second, replaced = true;
      }
      if (!replaced) f.push_back(m);
    }
    return Add(dowod, f);
  }

  // A posted line: the money as posting leaves it (net: WARTOSC = round2(q × p), VAT on
  // it; gross: WARTOSC = BRUTTO = round2(q × p), VAT taken out of it).
  uint32_t AddLine(xbase::WorkArea& dow, const std::string& rd, int nrd, int lp, const std::string& indeks,
                   double ilosc, double cena, const std::string& podatek0, char nb = 'N',
                   const xbase::Value& data = D(2026, 12, 7)) {
    double rate = IsBlank(podatek0) || podatek0 == "ZW" || podatek0 == "NP" ? 0 : Val(podatek0);
    double value = NewRound(ilosc * cena, 2);
    double vat = nb == 'B' ? NewRound(value * rate / (rate + 100), 2) : NewRound(value * rate / 100, 2);
    return Add(dow, {{"R_P", "R"}, {"S_Z", "S"}, {"RD", rd}, {"NRD", PadL(std::to_string(nrd), 8)},
                     {"DATA", data}, {"MAG", "1"}, {"LP", PadL(std::to_string(lp), 3)}, {"KTO", "O"},
                     {"ODB", "KOWAL"}, {"INDEKS", indeks}, {"NAZWA", "TOWAR " + indeks}, {"JM", "szt"},
                     {"CENA", cena}, {"CENA0", NewRound(cena * 0.8, 2)}, {"NB", std::string(1, nb)},
                     {"ILOSC", ilosc}, {"WARTOSC", value}, {"PODATEK0", podatek0}, {"PODATEK", vat}});
  }

  void AddArticle(const std::string& indeks, double cena, double cena2, const std::string& podatek0) {
    Add(Area(store::TableId::kAs), {{"MAG", "1"}, {"INDEKS", indeks}, {"NAZWA", "TOWAR " + indeks},
                                    {"JM", "szt"}, {"CENA", cena}, {"CENA2", cena2}, {"PODATEK0", podatek0}});
  }

  // The field of the record `recno` of an area, read afresh.
  xbase::Value FieldAt(xbase::WorkArea& a, uint32_t recno, const std::string& field) {
    EXPECT_TRUE(a.GoTo(recno).ok());
    auto v = a.Get(field);
    EXPECT_TRUE(v.ok()) << field;
    return v.ok() ? *v : xbase::Value();
  }

  std::string ReadFile(const std::string& path) {
    auto text = xbase::ReadWholeFile(mem_, path);
    EXPECT_TRUE(text.ok()) << path;
    return text.ok() ? *text : std::string();
  }

  FakeClock clock_{2026, 12, 7, 9, 0, 0};
  xbase::MemoryEnv mem_{clock_};
  xbase::FaultEnv faults_{mem_};  // the station's files; no fault unless a test arms one
  console::HeadlessBackend backend_{clock_};
  console::Console con_{backend_, clock_};
  store::NoScreenUi ui_{clock_};
  std::unique_ptr<session::Session> session_;
};

}  // namespace hurt::invoicing::testing
