// Provisional reservations of stock on the article cards: which lines reserve, what is
// available, and REZERWA0 changed under the article's record lock.
#include "documents/reservations.h"

#include <gtest/gtest.h>

#include "base/text.h"
#include "documents/line_editor.h"
#include "documents/line_session.h"
#include "session/init_tables.h"
#include "shell/startup_fixture.h"
#include "store/fake_store_ui.h"
#include "support/hurt_data.h"
#include "support/temp_dir.h"

namespace hurt::documents {
namespace {

DocKind Kind(std::string rd, char r_p, char s_z, std::string opis = "") {
  DocKind k;
  k.rd = std::move(rd);
  k.r_p = r_p;
  k.s_z = s_z;
  k.opis = std::move(opis);
  return k;
}

TEST(WhichLinesReserve, IssuesAndTransfersOfKindsThatReserve) {
  EXPECT_TRUE(LineReserves(Kind("FV ", 'R', 'S'), true, 4));
  EXPECT_TRUE(LineReserves(Kind("WZ ", 'R', 'D'), true, 4));
  EXPECT_TRUE(LineReserves(Kind("MM ", 'M', 'D'), true, 0.001));
  // Receipts and corrections take nothing from stock.
  EXPECT_FALSE(LineReserves(Kind("PZ ", 'P', 'Z'), true, 4));
  EXPECT_FALSE(LineReserves(Kind("KS ", 'K', 'S'), true, 4));
  // Nothing for a line without a positive quantity.
  EXPECT_FALSE(LineReserves(Kind("FV ", 'R', 'S'), true, 0));
  EXPECT_FALSE(LineReserves(Kind("FV ", 'R', 'S'), true, -2));
  EXPECT_FALSE(LineReserves(Kind("FV ", 'R', 'S'), true, 0.0000001));
}

TEST(WhichLinesReserve, OrdersOffersAndProFormasNever) {
  EXPECT_FALSE(LineReserves(Kind("ZAM", 'R', 'S', "ZAMOWIENIE"), true, 100));
  EXPECT_FALSE(LineReserves(Kind("OF ", 'R', 'S', "OFERTA HANDLOWA"), true, 1));
  EXPECT_FALSE(LineReserves(Kind("FP ", 'R', 'S', "FAKTURA PROFORMA"), true, 1));
  // Sales reserve only while J_FVZMIENI is not "N"; warehouse issues always.
  EXPECT_FALSE(LineReserves(Kind("FV ", 'R', 'S'), false, 1));
  EXPECT_FALSE(KindReserves(Kind("KS ", 'K', 'S'), false));
  EXPECT_TRUE(LineReserves(Kind("WZ ", 'R', 'D'), false, 1));
}

TEST(AvailableStock, StockLessEveryReservationNeverAboveStock) {
  EXPECT_DOUBLE_EQ(AvailableStock({10, 2, 3, 0}), 5);
  EXPECT_DOUBLE_EQ(AvailableStock({10, 2, 3, 1}), 4);
  EXPECT_DOUBLE_EQ(AvailableStock({10, 0, 0, 0}), 10);
  EXPECT_DOUBLE_EQ(AvailableStock({4, 2, 3, 0}), -1);
  // A negative counter (orders taken back) never makes more than the stock.
  EXPECT_DOUBLE_EQ(AvailableStock({10, -5, 0, 0}), 10);
  EXPECT_DOUBLE_EQ(AvailableStock({0.3, 0.1, 0.2, 0}), 0);
}

TEST(CheckQuantity, CutToWhatIsAvailable) {
  QuantityCheck c = CheckQuantity(7, 5, false);
  EXPECT_TRUE(c.short_stock);
  EXPECT_FALSE(c.refused);
  EXPECT_DOUBLE_EQ(c.ilosc, 5);
  c = CheckQuantity(5, 5, false);
  EXPECT_FALSE(c.short_stock);
  EXPECT_DOUBLE_EQ(c.ilosc, 5);
  // Nothing available: 0 and refused.
  c = CheckQuantity(1, 0, false);
  EXPECT_TRUE(c.refused);
  EXPECT_DOUBLE_EQ(c.ilosc, 0);
  c = CheckQuantity(1, -3, false);
  EXPECT_TRUE(c.refused);
  EXPECT_DOUBLE_EQ(c.ilosc, 0);
  // Negative stock allowed: told, kept.
  c = CheckQuantity(7, 5, true);
  EXPECT_TRUE(c.short_stock);
  EXPECT_FALSE(c.refused);
  EXPECT_DOUBLE_EQ(c.ilosc, 7);
  // Floating noise in the third decimal is no shortage.
  EXPECT_FALSE(CheckQuantity(0.1 + 0.2, 0.3, false).short_stock);
}

// A data directory with the session's tables open, articles and kinds in it.
class ReservationData : public testing::DataDirTest {
 protected:
  void SetUp() override {
    testing::MakeCompany(dir.str());
    ASSERT_TRUE(t.Run([&] { ASSERT_TRUE(session::InitNtx(t.session)); }));
    AddArticle("1", "TOWAR1", 10, 2, 3);
    AddArticle("1", "TOWAR2", 1, 0, 0);
    AddKind("FV ", "FAKTURA VAT", "R", "S");
    AddKind("WZ ", "WYDANIE ZEWNETRZNE", "R", "D");
    AddKind("ZAM", "ZAMOWIENIE", "R", "S");
    AddKind("PZ ", "PRZYJECIE ZEWNETRZNE", "P", "Z");
    Natural();
  }

  xbase::WorkArea& as() { return *t.session.areas().Find("as"); }
  xbase::WorkArea& dd() { return *t.session.areas().Find("dd"); }
  void Natural() { ASSERT_TRUE(dd().SetOrder(0).ok()); }

  void AddArticle(const std::string& mag, const std::string& indeks, double ilosc, double rezerwa, double rezerwa0) {
    xbase::WorkArea& a = as();
    ASSERT_TRUE(a.Append().ok());
    ASSERT_TRUE(a.Replace("MAG", xbase::Value(mag)).ok());
    ASSERT_TRUE(a.Replace("INDEKS", xbase::Value(indeks)).ok());
    ASSERT_TRUE(a.Replace("NAZWA", xbase::Value("ARTYKUL " + indeks)).ok());
    ASSERT_TRUE(a.Replace("ILOSC", xbase::Value(ilosc)).ok());
    ASSERT_TRUE(a.Replace("REZERWA", xbase::Value(rezerwa)).ok());
    ASSERT_TRUE(a.Replace("REZERWA0", xbase::Value(rezerwa0)).ok());
    ASSERT_TRUE(a.Replace("CENA", xbase::Value(10.0)).ok());
    ASSERT_TRUE(a.Replace("CENA2", xbase::Value(12.3)).ok());
    ASSERT_TRUE(a.Replace("PODATEK0", xbase::Value("23")).ok());
    ASSERT_TRUE(a.Unlock().ok());
  }
  void AddKind(const std::string& rd, const std::string& opis, const std::string& r_p, const std::string& s_z) {
    xbase::WorkArea& s = *t.session.areas().Find("slow");
    ASSERT_TRUE(s.Append().ok());
    ASSERT_TRUE(s.Replace("RD", xbase::Value(rd)).ok());
    ASSERT_TRUE(s.Replace("OPIS", xbase::Value(opis)).ok());
    ASSERT_TRUE(s.Replace("R_P", xbase::Value(r_p)).ok());
    ASSERT_TRUE(s.Replace("S_Z", xbase::Value(s_z)).ok());
    ASSERT_TRUE(s.Replace("CUV", xbase::Value("U")).ok());
    ASSERT_TRUE(s.Replace("NB", xbase::Value("N")).ok());
    ASSERT_TRUE(s.Unlock().ok());
  }
  // A line of `dd` for the document kind of M_RD.
  void AddLine(const std::string& indeks, double ilosc) {
    xbase::WorkArea& d = dd();
    ASSERT_TRUE(d.Append().ok());
    ASSERT_TRUE(d.Replace("RD", xbase::Value(t.session.vars().Text("M_RD"))).ok());
    ASSERT_TRUE(d.Replace("MAG", xbase::Value("1")).ok());
    ASSERT_TRUE(d.Replace("INDEKS", xbase::Value(indeks)).ok());
    ASSERT_TRUE(d.Replace("ILOSC", xbase::Value(ilosc)).ok());
    ASSERT_TRUE(d.Unlock().ok());
  }
  double Rezerwa0(const std::string& indeks) {
    xbase::WorkArea& a = as();
    auto f = a.SeekKey("1" + PadR(indeks, 8));
    EXPECT_TRUE(f.ok() && *f) << indeks;
    return a.Get("REZERWA0")->AsNumber();
  }
  Result<ReservationResult> Change(const std::string& indeks, double held, double wanted, bool limit = false) {
    ReservationRequest rq{"1", indeks, held, wanted, limit};
    return ChangeReservation(ui, as(), StationLedgerOf(t.session), rq);
  }

  shell::TestStation t{dir.str()};
  FakeClock clock{2026, 12, 8};
  store::testing::FakeStoreUi ui{clock};
};

TEST_F(ReservationData, ChangeMovesTheCounterByTheDifference) {
  auto r = Change("TOWAR1", 0, 4);
  ASSERT_TRUE(r.ok()) << r.status().ToString();
  EXPECT_DOUBLE_EQ(r->ilosc, 4);
  EXPECT_DOUBLE_EQ(r->rezerwa0, 7);
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR1"), 7);
  // 4 becomes 1: the counter falls by 3.
  r = Change("TOWAR1", 4, 1);
  ASSERT_TRUE(r.ok());
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR1"), 4);
  // Released twice, or more than it holds: only the station's own part goes, never the
  // other stations' 3.
  ASSERT_TRUE(Change("TOWAR1", 9, 0).ok());
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR1"), 3);
  ASSERT_TRUE(Change("TOWAR1", 1, 0).ok());
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR1"), 3);
  EXPECT_EQ(ui.waits, 0);
}

TEST_F(ReservationData, StockTenOrdersTwoOtherStationThreeCutsSevenToFive) {
  auto r = Change("TOWAR1", 0, 7, true);
  ASSERT_TRUE(r.ok());
  EXPECT_TRUE(r->cut);
  EXPECT_DOUBLE_EQ(r->available, 5);
  EXPECT_DOUBLE_EQ(r->ilosc, 5);
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR1"), 8);
  // The line's own 5 count back: it may go on holding them, not more.
  r = Change("TOWAR1", 5, 6, true);
  ASSERT_TRUE(r.ok());
  EXPECT_DOUBLE_EQ(r->available, 5);
  EXPECT_DOUBLE_EQ(r->ilosc, 5);
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR1"), 8);
}

TEST_F(ReservationData, MissingArticleChangesNothing) {
  auto r = Change("BRAK", 0, 1);
  EXPECT_TRUE(r.status().IsNotFound());
}

TEST_F(ReservationData, LowestPriceAboveLevelOneIsClearedUnderTheLock) {
  ASSERT_TRUE(as().SeekKey("1TOWAR1  ").ok());
  ASSERT_TRUE(as().LockRecord().ok());
  ASSERT_TRUE(as().Replace("CENAM", xbase::Value(11.0)).ok());
  ASSERT_TRUE(as().Replace("CENA2M", xbase::Value(13.53)).ok());
  ASSERT_TRUE(as().Unlock().ok());
  ASSERT_TRUE(Change("TOWAR1", 0, 1).ok());
  ASSERT_TRUE(as().SeekKey("1TOWAR1  ").ok());
  EXPECT_DOUBLE_EQ(as().Get("CENAM")->AsNumber(), 0);
  EXPECT_DOUBLE_EQ(as().Get("CENA2M")->AsNumber(), 0);
}

TEST_F(ReservationData, BusyArticleIsTriedTwentyTimesThenLeftAlone) {
  // Another station holds the article card.
  xbase::WorkAreas other(xbase::RealEnv());
  auto a = other.Open(2, t.session.PeriodPath("as.dbf"), "as");
  ASSERT_TRUE(a.ok()) << a.status().ToString();
  ASSERT_TRUE((*a)->GoTop().ok());
  ASSERT_TRUE((*a)->LockRecord().ok());
  auto r = Change("TOWAR1", 0, 4);
  EXPECT_TRUE(r.status().IsBusy());
  EXPECT_EQ(ui.waits, 19);
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR1"), 3);
  // Freed after the fifth pause: the change goes through.
  ui.waits = 0;
  ui.on_wait = [&](int n) {
    if (n == 5) (void)(*a)->Unlock();
  };
  r = Change("TOWAR1", 0, 4);
  ASSERT_TRUE(r.ok());
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR1"), 7);
  EXPECT_EQ(BusyArticleMessage("1", "TOWAR1  "), "Karta towaru 1 TOWAR1 zajeta - rezerwacja bez zmian");
}

TEST_F(ReservationData, LineRoutinesOfTheSession) {
  t.session.vars().Set("M_RD", xbase::Value("WZ "));
  AddLine("TOWAR1", 4);
  ASSERT_TRUE(dd().GoTop().ok());
  ASSERT_TRUE(RezRe(t.session));
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR1"), 7);
  ASSERT_TRUE(RezZw(t.session));
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR1"), 3);
}

TEST_F(ReservationData, DeletingALineReleasesItsQuantity) {
  t.session.vars().Set("M_RD", xbase::Value("FV "));
  AddLine("TOWAR2", 1);
  AddLine("TOWAR1", 4);
  ASSERT_TRUE(dd().GoTop().ok());
  ASSERT_TRUE(RezRe(t.session));
  ASSERT_TRUE(dd().Skip(1).ok());
  ASSERT_TRUE(RezRe(t.session));
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR1"), 7);
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR2"), 1);
  ASSERT_TRUE(t.Run([&] { EXPECT_TRUE(KasujPozycje(t.session)); }));
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR1"), 3);
  EXPECT_EQ(*dd().RecCount(), 2u);
  ASSERT_TRUE(dd().GoTop().ok());
  EXPECT_EQ(RTrim(dd().Get("INDEKS")->AsString()), "TOWAR2");
  ASSERT_TRUE(dd().Skip(1).ok());
  EXPECT_TRUE(dd().eof());  // the deleted line is hidden
}

TEST_F(ReservationData, AbandoningReleasesEveryLine) {
  t.session.vars().Set("M_RD", xbase::Value("WZ "));
  AddLine("TOWAR1", 4);
  AddLine("TOWAR2", 1);
  AddLine("TOWAR1", 2);
  for (Status s = dd().GoTop(); s.ok() && !dd().eof(); s = dd().Skip(1)) ASSERT_TRUE(RezRe(t.session));
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR1"), 9);
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR2"), 1);
  EXPECT_EQ(ReleaseReservations(t.session), 0);
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR1"), 3);
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR2"), 0);
}

TEST_F(ReservationData, OrdersAndReceiptsChangeNoCounter) {
  for (const char* rd : {"ZAM", "PZ "}) {
    ASSERT_TRUE(dd().GoTop().ok());
    t.session.vars().Set("M_RD", xbase::Value(rd));
    AddLine("TOWAR1", 500);
    ASSERT_TRUE(RezRe(t.session));
    EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR1"), 3) << rd;
    EXPECT_EQ(ReleaseReservations(t.session), 0);
    ASSERT_TRUE(t.Run([&] { EXPECT_TRUE(KasujPozycje(t.session)); }));
    EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR1"), 3) << rd;
  }
}

TEST_F(ReservationData, DeletingKeepsTheLineWhenTheArticleIsBusy) {
  t.session.vars().Set("M_RD", xbase::Value("WZ "));
  AddLine("TOWAR1", 4);
  ASSERT_TRUE(dd().GoTop().ok());
  ASSERT_TRUE(RezRe(t.session));
  xbase::WorkAreas other(xbase::RealEnv());
  auto a = other.Open(2, t.session.PeriodPath("as.dbf"), "as");
  ASSERT_TRUE(a.ok());
  ASSERT_TRUE((*a)->GoTop().ok());
  ASSERT_TRUE((*a)->LockRecord().ok());
  ASSERT_TRUE(t.Run([&] { EXPECT_FALSE(KasujPozycje(t.session)); }));
  EXPECT_TRUE(t.recorder.Saw("Karta towaru 1 TOWAR1 zajeta"));
  ASSERT_TRUE((*a)->Unlock().ok());
  EXPECT_DOUBLE_EQ(Rezerwa0("TOWAR1"), 7);
  ASSERT_TRUE(dd().GoTop().ok());
  EXPECT_FALSE(dd().eof());
  EXPECT_FALSE(dd().deleted());
}

TEST(DocumentKindSettings, WarehousesOutsideTheCheck) {
  LineSettings s;
  s.mag_k = "K";
  s.mag_u = "U ";
  EXPECT_TRUE(StockChecked(Kind("WZ ", 'R', 'D'), s, "1"));
  EXPECT_FALSE(StockChecked(Kind("WZ ", 'R', 'D'), s, "K"));
  EXPECT_FALSE(StockChecked(Kind("WZ ", 'R', 'D'), s, "U"));
  EXPECT_FALSE(StockChecked(Kind("PZ ", 'P', 'Z'), s, "1"));
  EXPECT_FALSE(StockChecked(Kind("FP ", 'R', 'S', "PROFORMA"), s, "1"));
  EXPECT_TRUE(StockChecked(Kind("MM ", 'M', 'D'), s, "1"));
  // A blank warehouse is in no list.
  EXPECT_FALSE(MagIn(" ", "U "));
}

}  // namespace
}  // namespace hurt::documents
