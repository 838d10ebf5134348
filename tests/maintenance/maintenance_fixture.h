// A company in memory for the zeroing, archive and period tests: its tables built by the
// first station's start-up, a few records of every kind the zeroing touches, and helpers
// to read tables back and to compare their bytes.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/clock.h"
#include "base/text.h"
#include "console/console.h"
#include "console/headless.h"
#include "session/init_tables.h"
#include "session/session.h"
#include "store/fake_store_ui.h"
#include "store/schema.h"
#include "xbase/env.h"
#include "xbase/memory_env.h"
#include "xbase/work_area.h"

namespace hurt::maintenance::testing {

using FieldValues = std::vector<std::pair<std::string, xbase::Value>>;

// One record of a table read back: field name to trimmed bytes, and its deleted mark.
struct Row {
  std::map<std::string, std::string> f;
  bool deleted = false;
  const std::string& operator[](const std::string& name) const {
    static const std::string kMissing = "?";
    auto it = f.find(name);
    return it == f.end() ? kMissing : it->second;
  }
  double Num(const std::string& name) const { return std::stod(AllTrim((*this)[name]).empty() ? "0" : (*this)[name]); }
};

// Every record of `dbf`, deleted ones too, in record order; none when it cannot be read.
inline std::vector<Row> ReadRows(xbase::Env& env, const std::string& dbf) {
  std::vector<Row> out;
  xbase::WorkAreas areas(env);
  auto a = areas.Open(1, dbf, "t", xbase::AreaOpenOptions{.exclusive = false, .read_only = true});
  if (!a.ok()) {
    ADD_FAILURE() << dbf << ": " << a.status().ToString();
    return out;
  }
  (*a)->SetDeletedHidden(false);
  for (Status st = (*a)->GoTop(); st.ok() && !(*a)->eof(); st = (*a)->Skip()) {
    Row r;
    r.deleted = (*a)->deleted();
    for (int i = 0; i < (*a)->field_count(); ++i) r.f[(*a)->field(i).name] = AllTrim((*a)->FieldBytes(i));
    out.push_back(std::move(r));
  }
  return out;
}

// Appends a record with the given values through an open area, written at once.
inline void AddRecord(xbase::WorkArea& a, const FieldValues& values, bool deleted = false) {
  ASSERT_TRUE(a.Append().ok());
  for (const auto& [field, value] : values) {
    Status s = a.Replace(field, value);
    ASSERT_TRUE(s.ok()) << field << ": " << s.ToString();
  }
  if (deleted) {
    ASSERT_TRUE(a.Delete().ok());
  }
  ASSERT_TRUE(a.Unlock().ok());
  ASSERT_TRUE(a.Commit().ok());
}

// A data directory "." in `env` with the tables of period `period` ("yy/mm") built and
// the session open on them (station 1).
class Company {
 public:
  Company(xbase::Env& env, console::Console& con, FakeClock& clock) : env_(env), ui_(clock) {
    session::SessionOptions options;
    options.data_dir = ".";
    session_ = std::make_unique<session::Session>(env, con, options);
    session_->set_stacja(1);
    session_->op().nr = "0";
    // A correction password of its own: the supervisor's (from the operators' table,
    // which these tests do not make) is not asked.
    EXPECT_TRUE(session_->settings().SetText("J_BOSS", "TAJNE").ok());
  }

  session::Session& s() { return *session_; }
  store::testing::FakeStoreUi& ui() { return ui_; }

  // The start-up build; firma->BMR set to `bmr` ("mm.yy") first when given (a new
  // company starts in the period of the clock's day).
  bool Build(std::string_view bmr = "") {
    if (!bmr.empty()) SetBmr(bmr);
    return session::InitNtx(s(), ui_, "");
  }

  void SetBmr(std::string_view bmr) {
    xbase::WorkAreas areas(env_);
    auto firma = areas.Open(1, s().Path("firma.dbf"), "firma");
    ASSERT_TRUE(firma.ok()) << firma.status().ToString();
    ASSERT_TRUE((*firma)->GoTop().ok());
    ASSERT_TRUE((*firma)->LockRecord().ok());
    ASSERT_TRUE((*firma)->Replace("BMR", std::string(bmr)).ok());
    ASSERT_TRUE((*firma)->Unlock().ok());
    ASSERT_TRUE((*firma)->Commit().ok());
  }

  xbase::WorkArea& Area(store::TableId id) {
    xbase::WorkArea* a = session_->areas().Area(store::Table(id).area);
    EXPECT_NE(a, nullptr) << store::Table(id).alias;
    return *a;
  }
  // The file of a period table of the session's period.
  std::string Dbf(store::TableId id, std::string_view period = {}) {
    const std::string p = period.empty() ? s().hh() : std::string(period);
    return s().Path(store::TablePath(store::Table(id), store::PathArgs{.period = p, .station = 1})) + ".dbf";
  }
  std::vector<Row> Rows(store::TableId id, std::string_view period = {}) { return ReadRows(env_, Dbf(id, period)); }

  // Records of every kind the zeroing touches, in the open session's period: kind FV
  // numbered up to 5; two live article cards with stock and one deleted; a customer with
  // balances; one posted document with two lines and its open item; a ledger batch; an
  // account of the cash book; the money-document counters.
  void Seed() {
    using store::TableId;
    AddRecord(Area(TableId::kSlow), {{"RD", "FV "}, {"OPIS", "FAKTURA VAT"}, {"R_P", "R"}, {"S_Z", "S"},
                                     {"CUV", "U"}, {"NB", "N"}, {"KTO", "O"}, {"MAG", "1"}, {"NRD", 5.0}});
    AddRecord(Area(TableId::kAs), {{"MAG", "1"}, {"INDEKS", "10001   "}, {"NAZWA", "MAKA"}, {"CENA", 3.5},
                                   {"ILOSC", 10.0}, {"B_BO_I", 4.0}, {"B_P_I", 6.0}, {"REZERWA0", 2.0},
                                   {"N_BO_I", 1.0}, {"ILOSC_PZ", 6.0}, {"RD_PZ", "PZ "}, {"DATA_SD", xbase::Value(xbase::Date{JulianFromYmd(2024, 3, 1)})}});
    AddRecord(Area(TableId::kAs), {{"MAG", "1"}, {"INDEKS", "10002   "}, {"NAZWA", "CUKIER"}, {"CENA", 4.0},
                                   {"ILOSC", 5.0}, {"B_BO_I", 5.0}, {"B_R_I", 0.0}});
    AddRecord(Area(TableId::kAs), {{"MAG", "1"}, {"INDEKS", "10003   "}, {"NAZWA", "SOL"}, {"ILOSC", 7.0},
                                   {"B_BO_I", 7.0}}, true);
    AddRecord(Area(TableId::kZo), {{"ODB", "SMAKOSZ "}, {"NODB", "SMAKOSZ SP. Z O.O."}, {"BOWN", 5.0},
                                   {"OBWN", 100.0}, {"OBMA", 30.0}, {"POWN", 1.0}});
    AddRecord(Area(TableId::kDowod), {{"RD", "FV "}, {"NRD", "       5"}, {"ODB", "SMAKOSZ "}, {"NETTO", 35.0}});
    AddRecord(Area(TableId::kDow), {{"RD", "FV "}, {"NRD", "       5"}, {"LP", "  1"}, {"MAG", "1"}, {"INDEKS", "10001   "}});
    AddRecord(Area(TableId::kDow), {{"RD", "FV "}, {"NRD", "       5"}, {"LP", "  2"}, {"MAG", "1"}, {"INDEKS", "10002   "}});
    AddRecord(Area(TableId::kFaN), {{"KTO", "O"}, {"ODB", "SMAKOSZ "}, {"RD", "FV "}, {"NRD", "       5"}, {"OBWN", 70.0}});
    AddRecord(Area(TableId::kFaNx), {{"KTO", "O"}, {"ODB", "SMAKOSZ "}, {"RD", "FV "}, {"NRD", "       5"}, {"OBWN", 30.0}});
    AddRecord(Area(TableId::kPk), {{"NRKON", "100"}, {"NAZWA", "KASA"}, {"POZIOM", 1.0}, {"KONTYP", 2.0},
                                   {"OBWN", 50.0}, {"BOMA", 20.0}});
    xbase::WorkArea& firma = *session_->areas().Area(1);
    ASSERT_TRUE(firma.GoTop().ok());
    ASSERT_TRUE(firma.LockRecord().ok());
    ASSERT_TRUE(firma.Replace("KP", 7.0).ok());
    ASSERT_TRUE(firma.Replace("KW", 3.0).ok());
    ASSERT_TRUE(firma.Replace("NODB", "HURTOWNIA TESTOWA").ok());
    ASSERT_TRUE(firma.Unlock().ok());
    ASSERT_TRUE(firma.Commit().ok());
  }

  // Every other table closed and firma open exclusively in area 1, as the zeroing holds
  // them.
  void TakeTablesAlone() {
    const int keep[] = {149};
    ASSERT_TRUE(session_->areas().CloseAll(keep).ok());
    auto firma = session_->areas().Open(1, s().Path("firma.dbf"), "firma", xbase::AreaOpenOptions{.exclusive = true});
    ASSERT_TRUE(firma.ok()) << firma.status().ToString();
  }

 private:
  xbase::Env& env_;
  store::testing::FakeStoreUi ui_;
  std::unique_ptr<session::Session> session_;
};

// Copies every file of folder `from` into folder `to` (made when missing).
inline void CopyFolder(xbase::Env& env, const std::string& from, const std::string& to) {
  ASSERT_TRUE(env.CreateDirs(to).ok());
  auto names = env.ListDir(from);
  ASSERT_TRUE(names.ok());
  for (const std::string& name : *names) {
    auto in = env.Open(from + "/" + name, xbase::OpenOptions{.write = false});
    ASSERT_TRUE(in.ok());
    auto size = (*in)->Size();
    ASSERT_TRUE(size.ok());
    std::string bytes(static_cast<size_t>(*size), '\0');
    size_t got = 0;
    if (!bytes.empty()) {
      ASSERT_TRUE((*in)->ReadAt(0, bytes.size(), bytes.data(), &got).ok());
    }
    auto out = env.Open(to + "/" + name, xbase::OpenOptions{.write = true, .create = true, .truncate = true});
    ASSERT_TRUE(out.ok());
    if (!bytes.empty()) {
      ASSERT_TRUE((*out)->WriteAt(0, bytes).ok());
    }
  }
}

// A company of two months: February 2024 with the seeded records (an earlier month, the
// archive), and March 2024, the current period, with its tables built and one document of
// its own (FV 7). The session is open on March. The clock must say March 2024.
inline void MakeTwoMonths(Company& c) {
  using store::TableId;
  ASSERT_TRUE(c.Build());  // 24/03, the clock's month
  ASSERT_EQ(c.s().hh(), "24/03");
  ASSERT_TRUE(c.s().areas().CloseAll().ok());
  CopyFolder(c.s().env(), c.s().Path("24/03"), c.s().Path("24/02"));
  ASSERT_TRUE(c.Build("02.24"));
  ASSERT_EQ(c.s().hh(), "24/02");
  c.Seed();
  ASSERT_TRUE(c.s().areas().CloseAll().ok());
  ASSERT_TRUE(c.Build("03.24"));
  ASSERT_EQ(c.s().hh(), "24/03");
  AddRecord(c.Area(TableId::kDowod), {{"RD", "FV "}, {"NRD", "       7"}, {"ODB", "MARCOWY "}, {"NETTO", 7.0}});
}

// The bytes of every file under `dir` (recursively), by path.
inline std::map<std::string, std::string> FilesUnder(xbase::Env& env, const std::string& dir) {
  std::map<std::string, std::string> out;
  auto names = env.ListDir(dir);
  if (!names.ok()) return out;
  for (const std::string& name : *names) {
    const std::string path = dir + "/" + name;
    if (env.IsDir(path)) {
      for (auto& [p, bytes] : FilesUnder(env, path)) out[p] = std::move(bytes);
      continue;
    }
    auto f = env.Open(path, xbase::OpenOptions{.write = false});
    if (!f.ok()) continue;
    auto size = (*f)->Size();
    std::string bytes(size.ok() ? static_cast<size_t>(*size) : 0, '\0');
    size_t got = 0;
    if (!bytes.empty()) (void)(*f)->ReadAt(0, bytes.size(), bytes.data(), &got);
    bytes.resize(got);
    out[path] = std::move(bytes);
  }
  return out;
}

}  // namespace hurt::maintenance::testing
