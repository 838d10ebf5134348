// Posting tests: a data directory built by the first station's start-up, with helpers to
// make kinds, articles and working lines and to read back what posting wrote.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/clock.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/console.h"
#include "console/headless.h"
#include "documents/document_hold.h"
#include "documents/line_session.h"
#include "documents/posting.h"
#include "documents/reservations.h"
#include "session/init_tables.h"
#include "session/session.h"
#include "store/fake_store_ui.h"
#include "store/schema.h"
#include "xbase/fault_env.h"
#include "xbase/memory_env.h"
#include "xbase/ntx.h"
#include "xbase/work_area.h"

namespace hurt::documents::testing {

using FieldValues = std::vector<std::pair<std::string, xbase::Value>>;

// Appends a record with the given values through an area, written at once.
inline void AddRecord(xbase::WorkArea& a, const FieldValues& values) {
  ASSERT_TRUE(a.Append().ok());
  for (const auto& [field, value] : values) {
    Status s = a.Replace(field, value);
    ASSERT_TRUE(s.ok()) << field << ": " << s.ToString();
  }
  ASSERT_TRUE(a.Unlock().ok());
  ASSERT_TRUE(a.Commit().ok());
}

// Seeks `key` in order 1 of an area; true when found.
inline bool SeekIn(xbase::WorkArea& a, const std::string& key) {
  EXPECT_TRUE(a.SetOrder(1).ok());
  auto found = a.SeekKey(key);
  return found.ok() && *found;
}

inline double Num(const xbase::WorkArea& a, std::string_view field) {
  auto v = a.Get(field);
  return v.ok() ? v->AsNumber() : -999999;
}
inline std::string Txt(const xbase::WorkArea& a, std::string_view field) {
  auto v = a.Get(field);
  return v.ok() && v->IsString() ? v->AsString() : "?";
}

// One station over a shared in-memory data directory.
struct Station {
  Station(xbase::Env& env, FakeClock& clock, int number)
      : backend(clock), con(backend, clock), ui(clock) {
    session::SessionOptions options;
    options.data_dir = ".";
    session = std::make_unique<session::Session>(env, con, options);
    session->set_stacja(number);
    EXPECT_TRUE(session->HoldStationLock().ok());
    session->op().nr = "1";
  }
  session::Session& s() { return *session; }
  xbase::WorkArea& Area(store::TableId id) {
    xbase::WorkArea* a = session->areas().Area(store::Table(id).area);
    EXPECT_NE(a, nullptr) << store::Table(id).alias;
    return *a;
  }
  console::HeadlessBackend backend;
  console::Console con;
  store::testing::FakeStoreUi ui;
  std::unique_ptr<session::Session> session;
};

class PostingTest : public ::testing::Test {
 protected:
  PostingTest() : PostingTest(std::initializer_list<const char*>{}) {}
  // With marker files (optional fields) in the data directory before the tables are made.
  explicit PostingTest(std::initializer_list<const char*> markers) : st1_(env_, clock_, 1) {
    for (const char* m : markers) {
      auto f = mem_.Open(st1_.s().Path(m), {.write = true, .create = true});
      EXPECT_TRUE(f.ok()) << m;
    }
    EXPECT_TRUE(session::InitNtx(st1_.s(), st1_.ui, ""));
    EXPECT_TRUE(session::NoweDd(st1_.s(), st1_.ui));
  }

  Station& st1() { return st1_; }
  session::Session& s() { return st1_.s(); }
  xbase::WorkArea& A(store::TableId id, Station* st = nullptr) { return (st ? *st : st1_).Area(id); }

  // A second station on the same files, its tables open.
  std::unique_ptr<Station> OtherStation(int number) {
    auto st = std::make_unique<Station>(env_, clock_, number);
    EXPECT_TRUE(session::InitDbf(st->s(), st->ui, ""));
    EXPECT_TRUE(session::NoweDd(st->s(), st->ui));
    return st;
  }

  void Kind(const std::string& rd, char r_p, char s_z, const std::string& opis = "", double nrd = 0,
            char kto = 'O', Station* st = nullptr) {
    AddRecord(A(store::TableId::kSlow, st), {{"RD", PadR(rd, 3)},
                                              {"OPIS", opis},
                                              {"R_P", std::string(1, r_p)},
                                              {"S_Z", std::string(1, s_z)},
                                              {"CUV", "U"},
                                              {"NB", "N"},
                                              {"KTO", std::string(1, kto)},
                                              {"MAG", "1"},
                                              {"NRD", nrd}});
  }
  void Article(const std::string& mag, const std::string& indeks, double ilosc, double cena0,
               double rezerwa0 = 0, const std::string& nazwa = "TOWAR") {
    AddRecord(A(store::TableId::kAs), {{"MAG", mag},
                                       {"INDEKS", PadR(indeks, 8)},
                                       {"NAZWA", nazwa},
                                       {"JM", "szt"},
                                       {"ILOSC", ilosc},
                                       {"B_BO_I", ilosc},
                                       {"CENA0", cena0},
                                       {"CENA", cena0 * 1.5},
                                       {"REZERWA0", rezerwa0}});
  }
  // A working line (net basis, rate 23).
  void Line(const std::string& indeks, double ilosc, double cena, Station* st = nullptr,
            const std::string& mag = "1") {
    const double wartosc = NewRound(ilosc * cena, 2);
    const double podatek = NewRound(wartosc * 0.23, 2);
    AddRecord(A(store::TableId::kDd, st), {{"MAG", mag},
                                           {"INDEKS", PadR(indeks, 8)},
                                           {"NAZWA", "TOWAR"},
                                           {"ILOSC", ilosc},
                                           {"CENA", cena},
                                           {"NB", "N"},
                                           {"PODATEK0", "23"},
                                           {"PODATEK", podatek},
                                           {"WARTOSC", wartosc},
                                           {"BRUTTO", wartosc + podatek}});
  }
  // What the line editor does for an issue line of `ilosc`: the station reserves it.
  void Reserve(const std::string& indeks, double ilosc, Station* st = nullptr) {
    Station& x = st ? *st : st1_;
    ReservationRequest rq{"1", PadR(indeks, 8), 0, ilosc, false};
    auto r = ChangeReservation(x.ui, x.Area(store::TableId::kAs), StationLedgerOf(x.s()), rq);
    ASSERT_TRUE(r.ok()) << r.status().ToString();
  }
  void Header(const std::string& rd, const std::string& odb, const std::string& spz, Station* st = nullptr,
              int klucz = 0) {
    session::SessionVariables& v = (st ? st->s() : s()).vars();
    v.Set("KLUCZ", klucz);
    v.Set("M_RD", PadR(rd, 3));
    v.Set("M_NRD", std::string(8, ' '));
    v.Set("M_DATA", xbase::Date{JulianFromYmd(2026, 3, 14)});
    v.Set("M_MAG", "1");
    v.Set("M_ODB", PadR(odb, 8));
    v.Set("M_SPZ", spz);
    v.Set("M_TEZ", 14);
    v.Set("M_KWOTA", 0.0);
    v.Set("JEST_WYDRUK", false);
  }
  bool Post(Station* st = nullptr, int klucz = 0) {
    Station& x = st ? *st : st1_;
    return RepDowWithD(x.s(), x.ui, klucz);
  }

  // The article mag+indeks (as positioned on it); false when missing.
  bool AtArticle(const std::string& mag, const std::string& indeks) {
    return SeekIn(A(store::TableId::kAs), PadR(mag, 1) + PadR(indeks, 8));
  }
  double Stock(const std::string& mag, const std::string& indeks, const std::string& field = "ILOSC") {
    if (!AtArticle(mag, indeks)) return -999999;
    return Num(A(store::TableId::kAs), field);
  }
  uint32_t Count(store::TableId id) {
    auto n = A(id).RecCount();
    return n.ok() ? *n : 0;
  }
  double Counter(const std::string& rd) {
    if (!SeekIn(A(store::TableId::kSlow), PadR(rd, 3))) return -1;
    return Num(A(store::TableId::kSlow), "NRD");
  }
  // Every order of the posting tables checks out and has one key per record (with
  // `exact` false: no more keys than records; records a failed write left deleted may
  // lack their keys until the next rebuild).
  void ExpectIndexesVerify(bool exact = true) {
    for (store::TableId id : {store::TableId::kAs, store::TableId::kDow, store::TableId::kDowod,
                              store::TableId::kFaN, store::TableId::kSlow}) {
      xbase::WorkArea& a = A(id);
      for (int n = 1; n <= a.order_count(); ++n) {
        auto stats = a.OrderIndex(n)->Verify(true);
        ASSERT_TRUE(stats.ok()) << a.alias() << " " << n << ": " << stats.status().ToString();
        auto count = a.RecCount();
        ASSERT_TRUE(count.ok());
        if (exact) {
          EXPECT_EQ(stats->keys, *count) << a.alias() << " order " << n;
        } else {
          EXPECT_LE(stats->keys, *count) << a.alias() << " order " << n;
        }
      }
    }
  }

  FakeClock clock_{2026, 3, 14, 9, 0, 0};
  xbase::MemoryEnv mem_{clock_};
  xbase::FaultEnv env_{mem_};
  Station st1_;
};

}  // namespace hurt::documents::testing
