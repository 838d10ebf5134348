// The road of a sale as a property: stations (real processes on one data directory) run
// random sequences of what operators do — new documents with their reservations,
// corrections posted, abandoned or emptied into a removal, invoices made from issue notes,
// documents dropped — and now and then one dies at a random write. After every round a
// first station starts as the program does (indexes rebuilt, what gone stations left taken
// back), and the data checker (`hurt-dbf verify`) must find nothing.
//
// The interleavings depend on timing. To look into a failure: HURT_KEEP_FAILED=<dir>
// copies the data directory the checker refused there, HURT_SAY_WHY=1 prints why each
// refused posting was refused.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "documents/document_hold.h"
#include "documents/header.h"
#include "documents/line_editor.h"
#include "documents/line_session.h"
#include "documents/posting.h"
#include "documents/process_station.h"
#include "documents/reservations.h"
#include "documents/station_recovery.h"
#include "documents/stock_effect.h"
#include "documents/vat_reconcile.h"
#include "invoicing/invoice_from_notes.h"
#include "invoicing/issue_notes_list.h"
#include "session/init_tables.h"
#include "session/session.h"
#include "store/net_use.h"
#include "store/schema.h"
#include "support/child_process.h"
#include "support/hurt_data.h"
#include "support/temp_dir.h"

namespace hurt::documents {
namespace {

using store::TableId;
using xbase::Value;

constexpr int kArticles = 12;  // few articles: the stations meet on them
constexpr double kOpening = 500;

std::string Indeks(int i) { return "R" + std::to_string(100 + i); }

void Put(xbase::WorkArea& a, const char* f, const Value& v) { ASSERT_TRUE(a.Replace(f, v).ok()) << f; }

// Kinds FV (sale), WZ (issue note), PZ (purchase), MM (transfer) and the articles.
void BuildData(const std::string& dir) {
  testing::MakeCompany(dir, testing::CompanySetup().Bmr("03.26"));
  ProcessStation st(dir, 1);
  ASSERT_TRUE(session::InitNtx(*st.session, st.ui, ""));
  xbase::WorkArea& slow = st.Area(TableId::kSlow);
  for (auto [rd, rp, sz, kto] : {std::tuple{"FV ", "R", "S", "O"}, std::tuple{"WZ ", "R", "S", "O"},
                                 std::tuple{"PZ ", "P", "Z", "D"}, std::tuple{"MM ", "M", "D", "O"}}) {
    ASSERT_TRUE(slow.Append().ok());
    Put(slow, "RD", rd);
    Put(slow, "R_P", rp);
    Put(slow, "S_Z", sz);
    Put(slow, "KTO", kto);
    Put(slow, "CUV", "U");
    Put(slow, "NB", "N");
    Put(slow, "MAG", "1");
    ASSERT_TRUE(slow.Unlock().ok());
  }
  xbase::WorkArea& as = st.Area(TableId::kAs);
  for (int i = 0; i < kArticles; ++i) {
    for (const char* mag : {"1", "2"}) {
      ASSERT_TRUE(as.Append().ok());
      Put(as, "MAG", mag);
      Put(as, "INDEKS", Indeks(i));
      Put(as, "NAZWA", "TOWAR " + std::to_string(i));
      Put(as, "JM", "szt");
      Put(as, "ILOSC", kOpening);
      Put(as, "B_BO_I", kOpening);
      Put(as, "CENA0", 5.0);
      Put(as, "CENA", 8.0);
      Put(as, "CENA2", 9.84);
      Put(as, "PODATEK0", "23");
      ASSERT_TRUE(as.Unlock().ok());
    }
  }
  ASSERT_TRUE(DowCommit(*st.session).ok());
}

// An invoice kind chosen without a screen.
class QuietInvoiceUi final : public invoicing::InvoiceUi {
 public:
  explicit QuietInvoiceUi(store::StoreUi& ui) : ui_(ui) {}
  store::StoreUi& store() override { return ui_; }
  void Tell(std::string_view, int) override {}
  std::optional<std::string> AskKind(std::string_view proposed) override { return std::string(proposed); }

 private:
  store::StoreUi& ui_;
};

// One station's operator, acting through the routines the screens call.
class Operator {
 public:
  Operator(ProcessStation& st, std::mt19937& rng) : st_(st), s_(*st.session), rng_(rng) {}

  int Pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }

  void Header(const std::string& rd, int klucz, const std::string& odb, const std::string& spz) {
    session::SessionVariables& v = s_.vars();
    v.Set("KLUCZ", klucz);
    v.Set("M_RD", rd);
    if (klucz == 0) v.Set("M_NRD", std::string(8, ' '));
    v.Set("M_DATA", xbase::Date{JulianFromYmd(2026, 3, 14)});
    v.Set("M_MAG", "1");
    v.Set("M_ODB", odb);
    v.Set("M_SPZ", spz);
    v.Set("M_TEZ", spz == "G" || spz == "B" ? 0 : 14);
    v.Set("M_KWOTA", 0.0);
    v.Set("M_ODBIORCA", std::string());
    v.Set(kNotesVariable, std::string());
    v.Set("JEST_WYDRUK", false);
  }

  // A line typed in the grid: its reservation first, then the line (money of a net line).
  bool TypeLine(const DocKind& kind, const std::string& indeks, double q, double cena) {
    const LineSettings settings = ReadLineSettings(s_);
    if (LineReserves(kind, settings.fvzmieni, q)) {
      ReservationRequest rq{"1", PadR(indeks, 8), 0, q, true};
      auto r = ChangeReservation(st_.ui, st_.Area(TableId::kAs), StationLedgerOf(s_), rq);
      if (!r.ok()) return false;
      q = r->ilosc;
      if (q <= 0) return false;
    }
    xbase::WorkArea& dd = st_.Area(TableId::kDd);
    if (!dd.Append().ok()) return false;
    const double wartosc = NewRound(q * cena, 2);
    const double podatek = NewRound(wartosc * 0.23, 2);
    bool ok = true;
    for (const auto& [f, v] : std::initializer_list<std::pair<const char*, Value>>{
             {"MAG", "1"}, {"INDEKS", PadR(indeks, 8)}, {"NAZWA", "TOWAR"}, {"ILOSC", q}, {"CENA", cena},
             {"NB", "N"}, {"PODATEK0", "23"}, {"PODATEK", podatek}, {"WARTOSC", wartosc},
             {"BRUTTO", wartosc + podatek}}) {
      ok = ok && dd.Replace(f, v).ok();
    }
    return dd.Unlock().ok() && ok;
  }

  // Leaving the grid with "T": the total taken (reconciled), then posting, tried again
  // while something is busy elsewhere.
  bool Post(int klucz) {
    (void)JakaWartoscNaEkranie(s_, kReasonPost);
    for (int attempt = 0; attempt < 30; ++attempt) {
      if (RepDowWithD(s_, st_.ui, klucz)) return true;
      if (std::getenv("HURT_SAY_WHY") != nullptr) {
        std::fprintf(stderr, "station %d: %s\n", s_.stacja(), Cp852ToUtf8(RTrim(st_.con.screen().RowText(17))).c_str());
      }
      usleep(1000 + static_cast<unsigned>(rng_() % 4000));
    }
    return false;
  }

  // Leaving with "N": the reservations go with the lines.
  void Abandon() {
    ZwRezWyjscie(s_);
    ASSERT_TRUE(session::NoweDd(s_, st_.ui));
  }

  void NewDocument() {
    ZwRezWyjscie(s_);
    ASSERT_TRUE(session::NoweDd(s_, st_.ui));
    const char* kinds[] = {"FV ", "WZ ", "WZ ", "PZ ", "MM "};
    const std::string rd = kinds[Pick(5)];
    auto kind = FindKind(s_, rd);
    ASSERT_TRUE(kind.has_value());
    Header(rd, 0, rd == "MM " ? "2" : rd == "PZ " ? "DOST" : "K" + std::to_string(Pick(3)),
           rd == "FV " ? (Pick(2) ? "P" : "G") : rd == "PZ " ? "P" : "B");
    const int lines = 1 + Pick(4);
    int typed = 0;
    for (int i = 0; i < lines; ++i) {
      if (TypeLine(kind->kind, Indeks(Pick(kArticles)), 1 + Pick(6), 6 + Pick(300) / 100.0)) ++typed;
    }
    if (typed == 0 || Pick(8) == 0) return Abandon();
    if (!Post(0)) return Abandon();
  }

  // A posted document of the month, picked at random (nullopt when there is none).
  std::optional<std::pair<std::string, std::string>> SomeDocument() {
    xbase::WorkArea& dowod = st_.Area(TableId::kDowod);
    auto n = dowod.RecCount();
    if (!n.ok() || *n == 0) return std::nullopt;
    for (int tries = 0; tries < 10; ++tries) {
      if (!dowod.GoTo(1 + static_cast<uint32_t>(Pick(static_cast<int>(*n)))).ok() || dowod.deleted()) continue;
      const std::string rd = dowod.Get("RD")->AsString();
      if (rd == "FV " && FromIssueNotes(FindKind(s_, rd)->kind, dowod.Get("ODBIORCA")->AsString()) && Pick(2)) {
        continue;  // invoices from notes are corrected too, but less often
      }
      return std::make_pair(rd, dowod.Get("NRD")->AsString());
    }
    return std::nullopt;
  }

  void Correction() {
    auto doc = SomeDocument();
    if (!doc) return;
    ZwRezWyjscie(s_);
    DocumentHold hold;
    if (!RepDWithDow(s_, st_.ui, doc->first, doc->second, hold)) {
      ASSERT_TRUE(session::NoweDd(s_, st_.ui));
      return;  // held elsewhere, settled, an invoiced note: refused, nothing changed
    }
    xbase::WorkArea& dowod = st_.Area(TableId::kDowod);
    ASSERT_TRUE(dowod.SetOrder(1).ok());
    ASSERT_TRUE(dowod.SeekKey(doc->first + doc->second).value());
    ASSERT_TRUE(PelnyNag(s_));
    s_.vars().Set("KLUCZ", 2);
    s_.vars().Set(kNotesVariable, std::string());
    auto kind = FindKind(s_, doc->first);
    ASSERT_TRUE(kind.has_value());
    s_.vars().Set("M_KWOTA", 0.0);
    s_.vars().Set("JEST_WYDRUK", false);
    xbase::WorkArea& dd = st_.Area(TableId::kDd);
    // Each line kept, requantified or deleted, as an operator might.
    std::vector<uint32_t> recnos;
    for (Status st = dd.GoTop(); st.ok() && !dd.eof(); st = dd.Skip()) recnos.push_back(dd.recno());
    const bool empty_it = Pick(6) == 0;
    // An invoice made from issue notes bills the notes' goods: only its prices change.
    const bool from_notes = FromIssueNotes(kind->kind, s_.vars().Text("M_ODBIORCA"));
    for (uint32_t r : recnos) {
      const int what = empty_it ? 2 : Pick(3);  // 0 kept, 1 changed, 2 deleted
      if (what == 1 && from_notes) {
        Reprice(r, 6 + Pick(300) / 100.0);
      } else if (what != 0 && !(what == 2 && from_notes && !empty_it)) {
        ChangeLine(kind->kind, r, what == 2 ? 0 : 1 + Pick(8));
      }
      if (::testing::Test::HasFailure()) return;
    }
    ASSERT_TRUE(dd.GoTop().ok());
    const int end = Pick(5);
    if (dd.eof()) {
      // Every line gone: the document is removed (or, answering no, left as it was).
      if (end != 0) {
        for (int attempt = 0; attempt < 100 && !UsunDowod(s_, st_.ui); ++attempt) usleep(2000);
      }
      return Abandon();
    }
    if (end == 0) return Abandon();
    if (!Post(2)) return Abandon();
  }

  // A line of the correction gets another quantity (0: deleted); the reservation follows
  // as in the grid, and a quantity cut to the stock is what the line keeps.
  void ChangeLine(const DocKind& kind, uint32_t recno, double wanted) {
    xbase::WorkArea& dd = st_.Area(TableId::kDd);
    ASSERT_TRUE(dd.GoTo(recno).ok());
    const double old = dd.Get("ILOSC")->AsNumber();
    const bool fvzmieni = ReadLineSettings(s_).fvzmieni;
    double q = wanted;
    if (LineReserves(kind, fvzmieni, old) || LineReserves(kind, fvzmieni, wanted)) {
      ReservationRequest rq{dd.Get("MAG")->AsString(), dd.Get("INDEKS")->AsString(),
                            LineReserves(kind, fvzmieni, old) ? old : 0,
                            LineReserves(kind, fvzmieni, wanted) ? wanted : 0, true};
      auto moved = ChangeReservation(st_.ui, st_.Area(TableId::kAs), StationLedgerOf(s_), rq);
      if (!moved.ok()) return;  // the article busy: the line stays as it was
      if (LineReserves(kind, fvzmieni, wanted)) q = moved->ilosc;
    }
    ASSERT_TRUE(dd.GoTo(recno).ok());
    ASSERT_TRUE(dd.LockRecord().ok());
    if (q <= 0) {
      ASSERT_TRUE(dd.Delete().ok());
    } else {
      const double wartosc = NewRound(q * dd.Get("CENA")->AsNumber(), 2);
      ASSERT_TRUE(dd.Replace("ILOSC", Value(q)).ok());
      ASSERT_TRUE(dd.Replace("WARTOSC", Value(wartosc)).ok());
      ASSERT_TRUE(dd.Replace("PODATEK", Value(NewRound(wartosc * 0.23, 2))).ok());
    }
    ASSERT_TRUE(dd.Unlock().ok());
  }

  void Reprice(uint32_t recno, double cena) {
    xbase::WorkArea& dd = st_.Area(TableId::kDd);
    ASSERT_TRUE(dd.GoTo(recno).ok());
    ASSERT_TRUE(dd.LockRecord().ok());
    const double wartosc = NewRound(dd.Get("ILOSC")->AsNumber() * cena, 2);
    ASSERT_TRUE(dd.Replace("CENA", Value(cena)).ok());
    ASSERT_TRUE(dd.Replace("WARTOSC", Value(wartosc)).ok());
    ASSERT_TRUE(dd.Replace("PODATEK", Value(NewRound(wartosc * 0.23, 2))).ok());
    ASSERT_TRUE(dd.Unlock().ok());
  }

  // Some free issue notes marked in the list, then an invoice made of them and posted.
  void InvoiceFromNotes() {
    xbase::WorkArea& dowod = st_.Area(TableId::kDowod);
    ASSERT_TRUE(dowod.SetOrder(1).ok());
    int marked = 0;
    auto found = dowod.SeekKey("WZ ");
    ASSERT_TRUE(found.ok());
    while (*found && !dowod.eof() && dowod.Get("RD")->AsString() == "WZ " && marked < 3) {
      if (IsBlank(dowod.Get("R_RD")->AsString()) && Pick(3) == 0) {
        const uint32_t r = dowod.recno();
        if (dowod.LockRecord().ok()) {
          if (dowod.Replace("ZAP", Value(std::string(1, invoicing::kNoteMark))).ok()) ++marked;
          ASSERT_TRUE(dowod.UnlockRecord(r).ok());
        }
      }
      if (!dowod.Skip().ok()) break;
    }
    if (marked == 0) return;
    ZwRezWyjscie(s_);
    QuietInvoiceUi ui(st_.ui);
    invoicing::FvDoWzOptions options;
    options.editor = [&](session::Session&) {
      if (Pick(6) == 0) {
        Abandon();
        return true;
      }
      if (!Post(0)) Abandon();
      return true;
    };
    (void)invoicing::FvDoWz(s_, ui, options);
    if (::testing::Test::HasFailure()) return;
  }

  void Act() {
    const int what = Pick(10);
    if (what < 5) {
      NewDocument();
    } else if (what < 8) {
      Correction();
    } else {
      InvoiceFromNotes();
    }
  }

 private:
  ProcessStation& st_;
  session::Session& s_;
  std::mt19937& rng_;
};

[[noreturn]] void StationProcess(const std::string& dir, int station, int actions, unsigned seed, int kill_at) {
  ProcessStation st(dir, station);
  if (!session::InitDbf(*st.session, st.ui, "")) _exit(2);
  st.session->op().nr = "0";  // the supervisor: corrections of settled documents too
  // What an earlier program of this slot left is taken back, as at start-up.
  (void)TakeBackGoneStations(*st.session, st.ui, /*own_too=*/true);
  std::mt19937 rng(seed);
  Operator op(st, rng);
  for (int i = 0; i < actions; ++i) {
    if (kill_at > 0 && i == actions / 2) st.env.KillAfter(kill_at);
    op.Act();
    if (::testing::Test::HasFailure()) _exit(3);
  }
  _exit(0);
}

TEST(SaleRoadProperty, StationsThatPostCorrectInvoiceAndDieLeaveDataTheCheckerAccepts) {
  testing::TempDir dir;
  BuildData(dir.str());
  ASSERT_FALSE(::testing::Test::HasFailure());
  std::mt19937 rng(20261210);
  int killed = 0;
  for (int round = 0; round < 24; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const int stations = 2 + static_cast<int>(rng() % 2);
    const bool kill = round % 2 == 1;
    std::vector<pid_t> children;
    for (int n = 0; n < stations; ++n) {
      const int kill_at = kill && n == 0 ? 1 + static_cast<int>(rng() % 120) : 0;
      const unsigned seed = static_cast<unsigned>(round * 10 + n);
      const pid_t pid = fork();
      if (pid == 0) StationProcess(dir.str(), 2 + n, 10, seed, kill_at);
      children.push_back(pid);
    }
    for (pid_t pid : children) {
      const int code = WaitFor(pid);
      if (code == 100 + SIGKILL) {
        ++killed;
      } else {
        EXPECT_EQ(code, 0);
      }
    }
    {
      // The next first station: indexes rebuilt, what the gone stations left taken back.
      ProcessStation st(dir.str(), 1);
      ASSERT_TRUE(session::InitNtx(*st.session, st.ui, ""));
      StartUpRecovery(*st.session, /*first_station=*/true);
      ASSERT_TRUE(st.session->areas().CloseAll().ok());
    }
    testing::ProcessOptions options;
    options.timeout_ms = 60'000;
    const testing::ProcessResult verify =
        testing::RunProcess({testing::BinaryDir() + "/tools/hurt-dbf", "verify", dir.str()}, options);
    if (verify.exit_code != 0 && std::getenv("HURT_KEEP_FAILED") != nullptr) {
      std::filesystem::copy(dir.str(), std::getenv("HURT_KEEP_FAILED"), std::filesystem::copy_options::recursive);
    }
    ASSERT_EQ(verify.exit_code, 0) << verify.out << verify.err;
  }
  EXPECT_GT(killed, 0);
  // The rounds did what they are for: sales, notes invoiced, corrections posted.
  ProcessStation st(dir.str(), 1);
  ASSERT_TRUE(session::InitDbf(*st.session, st.ui, ""));
  xbase::WorkArea& dowod = st.Area(TableId::kDowod);
  int headers = 0, from_notes = 0, corrected = 0, deleted = 0;
  dowod.SetDeletedHidden(false);
  ASSERT_TRUE(dowod.SetOrder(0).ok());
  for (Status at = dowod.GoTop(); at.ok() && !dowod.eof(); at = dowod.Skip()) {
    if (dowod.deleted()) {
      ++deleted;
      continue;
    }
    ++headers;
    if (dowod.Get("ODBIORCA")->AsString().rfind("WZ ", 0) == 0) ++from_notes;
    if (dowod.Get("ZAP")->AsString() == "2") ++corrected;
  }
  RecordProperty("documents", headers);
  EXPECT_GT(headers, 40);
  EXPECT_GT(from_notes, 2);
  EXPECT_GT(corrected, 5);
  EXPECT_GT(deleted, 0) << "no document was removed";
  std::printf("documents %d, invoices of notes %d, corrected %d, removed %d, rounds with a kill %d\n", headers,
              from_notes, corrected, deleted, killed);
}

}  // namespace
}  // namespace hurt::documents
