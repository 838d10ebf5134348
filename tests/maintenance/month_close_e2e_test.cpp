// The month close walked through the real screens: `hurt` processes in the scripted
// headless mode on a demo company with an invoice on credit and an issue note to carry,
// the close chosen from FUNKCJE SPECJALNE, its questions answered as an operator answers
// them, including no, Esc, a second station at work, and kill -9 at many points of the
// close followed by the close chosen again. Both months end checked by `hurt-dbf verify`.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/date.h"
#include "maintenance/period_keys.h"
#include "support/child_process.h"
#include "support/hurt_data.h"
#include "support/hurt_station.h"
#include "support/station_road.h"
#include "support/temp_dir.h"
#include "xbase/env.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

namespace hurt::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kEntry = "E D Y C J A   D O W O D O W";
constexpr std::string_view kFinished = "CZY SKONCZYŁES EDYCJE DOWODU ?";
constexpr std::string_view kCloseItem = "Zamkniecie okresu";
constexpr std::string_view kQuestion = "CZY ZAMKNAC";
constexpr std::string_view kZeroStock = "Czy usunac kartoteki o stanach 0 ?";
constexpr std::string_view kOpened = "Otwarto miesiac";

using Rows = std::vector<std::map<std::string, std::string>>;

class MonthCloseRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    period = MakeDemoCompany(data.str());
    ASSERT_FALSE(period.empty());
    next = *maintenance::NextPeriod(period);
    clock = LastDayAt9(period);
  }

  static std::string LastDayAt9(const std::string& in_period) {
    const std::string day = Dtos(maintenance::LastDayOf(in_period));  // yyyymmdd
    return day.substr(0, 4) + "-" + day.substr(4, 2) + "-" + day.substr(6, 2) + " 09:00:00";
  }
  // The current period in firma, as Zmiana biezacego okresu leaves it.
  void SetBmr(const std::string& to) {
    xbase::WorkAreas areas(xbase::RealEnv());
    auto firma = areas.Open(1, (data.path() / "firma.dbf").string(), "F", {.exclusive = true});
    ASSERT_TRUE(firma.ok());
    ASSERT_TRUE((*firma)->GoTop().ok());
    ASSERT_TRUE((*firma)->Replace("BMR", xbase::Value(to.substr(3, 2) + "." + to.substr(0, 2))).ok());
    ASSERT_TRUE((*firma)->Commit().ok());
  }

  std::string Table(const fs::path& dir, const std::string& in_period, const std::string& name) const {
    return (dir / (in_period + "/" + name + ".dbf")).string();
  }
  std::map<std::string, std::string> Card(const fs::path& dir, const std::string& in_period, const std::string& indeks) {
    for (auto& r : Records(Table(dir, in_period, "as"))) {
      if (r["MAG"] == "1" && r["INDEKS"] == indeks) return r;
    }
    return {};
  }
  std::string Bmr(const fs::path& dir) { return Records((dir / "firma.dbf").string()).at(0)["BMR"]; }

  // A station on the data directory at the month's last day, past the operator list.
  std::unique_ptr<HurtStation> Station(const fs::path& dir, const std::string& name, const std::string& argument = "",
                                       std::map<std::string, std::string> env = {}) {
    StationOptions o;
    o.clock = clock;
    o.argument = argument;
    o.env = std::move(env);
    auto s = std::make_unique<HurtStation>(dir.string(), work.str(), name, o);
    EXPECT_TRUE(s->WaitForScreen(kOperatorList)) << s->Screen() << s->result().err;
    Step(*s, {"Enter"}, kMainMenu, kOperatorList);
    return s;
  }

  // In the month: an invoice on credit for SMAKOSZ and an issue note of 3 × 10001 for JAS,
  // and the list that has JAS's notes carried into the next month.
  void PostTheMonth(bool carry_the_note = true) {
    auto a = Station(data.path(), "a");
    Step(*a, {"Enter"}, "Zestawienie       WZ");
    Step(*a, {"Home", "Enter"}, kEntry);
    InvoiceForSmakosz(*a, "2");
    Step(*a, {"text:WZ", "Enter"}, "Rd:WZ");
    for (int field = 0; field < 4; ++field) a->Send("Enter");
    Step(*a, {"text:JAS", "Enter"}, "Kod:  JAS");
    Step(*a, {"Enter", "Enter", "Enter"}, "F2-Rabat");
    Step(*a, {"text:10001", "Enter"}, "Dostepne:");
    a->Send("text:3");
    for (int field = 0; field < 3; ++field) a->Send("Enter");
    Step(*a, {"Esc"}, "Adres dostawy");
    Step(*a, {"Enter"}, kFinished);
    Step(*a, {"text:T"}, "Rd:FV");
    Step(*a, {"Esc"}, "Zestawienie       WZ");
    Step(*a, {"Esc"}, kMainMenu);
    SCOPED_TRACE("posting station leaves");
    Leave(*a);
    if (carry_the_note) WriteCarryList(data.path());
  }

  // The demo month moved to December 2009 (the close then opens 10/01 with the January
  // resets); the issue notes' counter at 14 and a cash-receipt counter in firma at 5.
  void MoveToDecember2009() {
    fs::create_directories(data.path() / "09");
    fs::rename(data.path() / period, data.path() / "09/12");
    period = "09/12";
    next = "10/01";
    clock = "2009-12-31 09:00:00";
    xbase::WorkAreas areas(xbase::RealEnv());
    auto firma = areas.Open(1, (data.path() / "firma.dbf").string(), "F", {.exclusive = true});
    ASSERT_TRUE(firma.ok());
    ASSERT_TRUE((*firma)->GoTop().ok());
    ASSERT_TRUE((*firma)->Replace("BMR", xbase::Value(std::string("12.09"))).ok());
    ASSERT_TRUE((*firma)->Replace("KP", xbase::Value(5.0)).ok());
    if ((*firma)->FieldIndex("KP_KW") >= 0) {
      ASSERT_TRUE((*firma)->Replace("KP_KW", xbase::Value(7.0)).ok());
    }
    ASSERT_TRUE((*firma)->Commit().ok());
    auto slow = areas.Open(2, (data.path() / "09/12/slow.dbf").string(), "S", {.exclusive = true});
    ASSERT_TRUE(slow.ok());
    for (Status st = (*slow)->GoTop(); !(*slow)->eof(); st = (*slow)->Skip()) {
      ASSERT_TRUE(st.ok());
      if (std::string((*slow)->FieldBytes((*slow)->FieldIndex("RD"))) == "WZ ") {
        ASSERT_TRUE((*slow)->Replace("NRD", xbase::Value(14.0)).ok());
      }
    }
    ASSERT_TRUE((*slow)->Commit().ok());
  }

  void WriteCarryList(const fs::path& dir) {
    xbase::Env& env = xbase::RealEnv();
    const std::string list = (dir / ("wz_" + period.substr(0, 2) + "_" + period.substr(3, 2) + ".dbf")).string();
    ASSERT_TRUE(xbase::Table::Create(env, list, {{"ODB", 'C', 8, 0}, {"NRD", 'C', 8, 0}}).ok());
    xbase::WorkAreas areas(env);
    auto t = areas.Open(1, list, "WZL", {.exclusive = true});
    ASSERT_TRUE(t.ok());
    ASSERT_TRUE((*t)->Append().ok());
    ASSERT_TRUE((*t)->Replace("ODB", xbase::Value(std::string("JAS"))).ok());
    ASSERT_TRUE((*t)->Commit().ok());
  }

  // The close chosen from FUNKCJE SPECJALNE on a station started there; the questions are
  // answered "T" as they come, until the new month opens. False when the station ended
  // first (killed).
  bool CloseAnsweringYes(HurtStation& s) {
    const bool done = Answer(s);
    if (done) Step(s, {}, kCloseItem, kOpened);
    return done;
  }
  bool Answer(HurtStation& s) {
    Step(s, {"Enter"}, kCloseItem);
    s.Send("Enter");
    bool asked = false, zero = false;
    for (int i = 0; i < 1200; ++i) {
      if (s.LogContains(kOpened)) return true;
      if (!s.running()) return false;
      const std::string screen = s.Screen();
      if (!asked && screen.find(kQuestion) != std::string::npos) {
        asked = true;
        s.Send("text:T");
      }
      if (!zero && screen.find(kZeroStock) != std::string::npos) {
        zero = true;
        s.Send("text:T");
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ADD_FAILURE() << "the close did not end:\n" << s.Screen();
    return false;
  }

  // Every table the close writes, both months, as rows.
  std::map<std::string, Rows> Result(const fs::path& dir) {
    std::map<std::string, Rows> out;
    for (const char* t : {"as", "zo", "zd", "dowod", "dow", "fa_n", "fa_bo", "fa_nx", "slow", "slow_old", "pk"}) {
      if (fs::exists(Table(dir, next, t))) out[next + "/" + t] = Records(Table(dir, next, t));
    }
    for (const char* t : {"as", "zo", "dowod", "dow", "fa_n", "slow"}) out[period + "/" + t] = Records(Table(dir, period, t));
    out["firma"] = Records((dir / "firma.dbf").string());
    return out;
  }

  TempDir data;
  TempDir work;
  std::string period, next, clock;
};

TEST_F(MonthCloseRoad, TheNextMonthOpensWithTheClosingStockTheOpenItemsAndTheCarriedNote) {
  MoveToDecember2009();
  PostTheMonth();
  auto before = Card(data.path(), period, "10001");
  bool note_item_before = false;
  for (auto& i : Records(Table(data.path(), period, "fa_n"))) note_item_before = note_item_before || i["RD"] == "WZ";
  const int cards_before = static_cast<int>(Records(Table(data.path(), period, "as")).size());
  ExpectVerifyFindsNothing(data.str());

  // A second station at work: nobody closes anything.
  auto other = Station(data.path(), "other");
  Step(*other, {"Enter"}, "Zestawienie       WZ");
  auto a = Station(data.path(), "a", "205");
  Step(*a, {"Enter"}, kCloseItem);
  StepSeen(*a, {"Enter"}, kQuestion);
  StepSeen(*a, {"text:T"}, "Wszyscy musza wyjsc z programu");
  Step(*a, {}, kCloseItem);
  EXPECT_EQ(Bmr(data.path()), period.substr(3, 2) + "." + period.substr(0, 2));
  EXPECT_FALSE(fs::exists(data.path() / maintenance::CloseMarkerOf(period)));
  {
    SCOPED_TRACE("other leaves");
    Leave(*other);
  }

  // "N" closes nothing.
  StepSeen(*a, {"Enter"}, kQuestion);
  Step(*a, {"text:N"}, kCloseItem);
  EXPECT_FALSE(fs::exists(data.path() / next / "as.dbf"));

  StepSeen(*a, {"Enter"}, kQuestion);
  StepSeen(*a, {"text:T"}, kZeroStock);
  StepSeen(*a, {"text:T"}, kOpened);
  Step(*a, {}, kCloseItem, kOpened);
  Leave(*a);

  EXPECT_EQ(Bmr(data.path()), next.substr(3, 2) + "." + next.substr(0, 2));
  EXPECT_FALSE(fs::exists(data.path() / maintenance::CloseMarkerOf(period)));
  EXPECT_FALSE(fs::exists(data.path() / next / "zamkniecie"));
  EXPECT_FALSE(fs::exists(data.path() / next / "as_.dbf"));

  // The old month without the note; its card has the note's 3 back.
  for (auto& h : Records(Table(data.path(), period, "dowod"))) EXPECT_NE(h["RD"], "WZ");
  auto old_card = Card(data.path(), period, "10001");
  EXPECT_DOUBLE_EQ(std::stod(old_card["ILOSC"]), std::stod(before["ILOSC"]) + 3);

  // The new month: the opening is the old closing stock, the note moves it again.
  auto card = Card(data.path(), next, "10001");
  ASSERT_FALSE(card.empty());
  EXPECT_DOUBLE_EQ(std::stod(card["B_BO_I"]), std::stod(old_card["ILOSC"]));
  EXPECT_DOUBLE_EQ(std::stod(card["ILOSC"]), std::stod(before["ILOSC"]));
  EXPECT_EQ(card["B_R_I"], "3.000");
  EXPECT_EQ(card["CENA_01"], old_card["CENA0"]);
  // Cards without stock stayed behind.
  const int cards_after = static_cast<int>(Records(Table(data.path(), next, "as")).size());
  EXPECT_LT(cards_after, cards_before);
  for (auto& c : Records(Table(data.path(), next, "as"))) {
    EXPECT_NE(std::stod(c["ILOSC"]) + std::stod(c["B_R_I"]) - std::stod(c["B_P_I"]), 0.0) << c["INDEKS"];
  }

  Rows headers = Records(Table(data.path(), next, "dowod"));
  ASSERT_EQ(headers.size(), 1u);
  EXPECT_EQ(headers[0]["RD"], "WZ");
  EXPECT_EQ(headers[0]["NRD"], "10000015");
  EXPECT_EQ(headers[0]["DATA"], "20100101");
  for (auto& l : Records(Table(data.path(), next, "dow"))) EXPECT_EQ(l["NRD"], "10000015");

  // January: the yearly opening is the closing stock, the counters start again.
  EXPECT_EQ(card["N_BO_I"], card["B_BO_I"]);
  EXPECT_EQ(card["N_R_I"], "0.000");
  for (auto& k : Records(Table(data.path(), next, "slow"))) EXPECT_EQ(k["NRD"], "0") << k["RD"];
  bool kept_counter = false;
  for (auto& k : Records(Table(data.path(), next, "slow_old"))) kept_counter = kept_counter || (k["RD"] == "WZ" && k["NRD"] == "15");
  EXPECT_TRUE(kept_counter);
  auto firma = Records((data.path() / "firma.dbf").string()).at(0);
  EXPECT_EQ(firma["KP"], "0");
  if (firma.count("KP_KW") > 0) {
    EXPECT_EQ(firma["KP_KW"], "0");
  }

  // The invoice's open item came along; the note's item (if it has one) is made again in
  // the new month from its header.
  bool invoice = false, note = false;
  for (auto& i : Records(Table(data.path(), next, "fa_n"))) {
    invoice = invoice || (i["RD"] == "FV" && i["ODB"] == "SMAKOSZ");
    note = note || (i["RD"] == "WZ" && i["NRD"] == "10000015");
  }
  EXPECT_TRUE(invoice);
  EXPECT_EQ(note, note_item_before);
  for (auto& i : Records(Table(data.path(), next, "fa_bo"))) EXPECT_NE(i["RD"], "WZ");

  ExpectVerifyFindsNothing(data.str());
  const ProcessResult old_month = RunProcess({BuiltProgram("hurt-dbf"), "verify", data.str(), period});
  EXPECT_EQ(old_month.exit_code, 0) << old_month.out << old_month.err;
}

// Before the month has ended the warnings come first; left to time out (or Esc at
// "ESC - Wyjscie") they close nothing.
TEST_F(MonthCloseRoad, TheWarningsOfAMonthNotEndedCloseNothing) {
  PostTheMonth();
  clock = Dtos(maintenance::FirstDayOf(period)).substr(0, 4) + "-" + period.substr(3, 2) + "-01 09:00:00";
  auto a = Station(data.path(), "a", "205");
  Step(*a, {"Enter"}, kCloseItem);
  a->Send("Enter");
  ASSERT_TRUE(a->WaitForLog("NAROBISZ JAJ !!!  BAW SIE CZYMŚ INNYM !")) << a->Screen();
  ASSERT_TRUE(a->WaitForLog("ESC - Wyjscie")) << a->Screen();
  Step(*a, {}, kCloseItem);
  EXPECT_FALSE(a->LogContains(kQuestion));
  Leave(*a);
  EXPECT_FALSE(fs::exists(data.path() / next));
  EXPECT_FALSE(fs::exists(data.path() / maintenance::CloseMarkerOf(period)));
  ExpectVerifyFindsNothing(data.str());
}

// The station's print files in the data directory's rob folder, each one's text.
std::map<std::string, std::string> PrintFiles(const fs::path& data_dir) {
  std::map<std::string, std::string> out;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(data_dir / "rob", ec)) {
    const std::string name = e.path().filename().string();
    if (name.rfind("wydruk", 0) == 0) out[name] = Slurp(e.path().string());
  }
  return out;
}

// The text printed since `before`: the print files that are new or changed.
std::string PrintedSince(const std::map<std::string, std::string>& before, const fs::path& data_dir) {
  std::string out;
  for (const auto& [name, text] : PrintFiles(data_dir)) {
    auto was = before.find(name);
    if (was == before.end() || was->second != text) out += text;
  }
  return out;
}

// The day's sales register printed before the close (no note carried out of the month) and printed again from the closed
// month through Raporty z archiwum: the same page.
TEST_F(MonthCloseRoad, TheClosedMonthReportsFromTheArchiveAsBeforeTheClose) {
  PostTheMonth(/*carry_the_note=*/false);
  constexpr std::string_view kVatMenu = "Rejestr odwrotnego opodatkowania";
  constexpr std::string_view kDialog = "REJESTR SPRZEDAZY W DNIU :";
  auto daily_register = [&](HurtStation& s) {
    Step(s, {"Enter"}, kDialog);
    Step(s, {"Enter", "Enter", "Enter", "Enter"}, "REJESTR SPRZEDAZY W DNIU ", kDialog);
  };
  auto a = Station(data.path(), "a");
  Step(*a, {"Enter"}, "Zestawienie       WZ");
  Step(*a, {"Right"}, "Raporty kasowe");
  auto files = PrintFiles(data.path());
  Step(*a, {"Down", "Enter"}, kVatMenu);
  daily_register(*a);
  const std::string before = PrintedSince(files, data.path());
  ASSERT_NE(before.find("SMAKOSZ"), std::string::npos) << before;
  Step(*a, {"Esc"}, "Rejestry VAT");
  Leave(*a);

  auto c = Station(data.path(), "a", "205");
  ASSERT_TRUE(CloseAnsweringYes(*c));
  Leave(*c);

  auto b = Station(data.path(), "a");
  Step(*b, {"Enter"}, "Zestawienie       WZ");
  Step(*b, {"Right"}, "Raporty kasowe");
  b->Send("Home");
  for (int i = 1; i < 8; ++i) b->Send("Down");
  Step(*b, {"Enter"}, "R A P O R T Y   Z   A R C H I W U M");
  b->Send("Home");
  Step(*b, {"Enter"}, "Miesiac :");
  Step(*b, {"text:" + std::to_string(std::stoi(period.substr(3, 2))), "Enter", "text:20" + period.substr(0, 2), "Enter"},
       " arc");
  b->Send("Home");
  b->Send("Down");
  b->Send("Down");
  for (const auto& [name, text] : PrintFiles(data.path())) fs::remove(data.path() / "rob" / name);
  files.clear();
  Step(*b, {"Enter"}, kVatMenu);
  daily_register(*b);
  const std::string after = PrintedSince(files, data.path());
  EXPECT_EQ(after, before);
  Step(*b, {"Esc"}, "R A P O R T Y   Z   A R C H I W U M");
  Step(*b, {"Esc"}, " Raporty z archiwum", " arc ");
  Leave(*b);
  ExpectVerifyFindsNothing(data.str());
}

// "N" to the zero-stock question: every card goes into the new month.
TEST_F(MonthCloseRoad, NoToTheZeroStockQuestionCarriesEveryCard) {
  const size_t cards = Records(Table(data.path(), period, "as")).size();
  auto a = Station(data.path(), "a", "205");
  Step(*a, {"Enter"}, kCloseItem);
  StepSeen(*a, {"Enter"}, kQuestion);
  StepSeen(*a, {"text:T"}, kZeroStock);
  StepSeen(*a, {"text:N"}, kOpened);
  Step(*a, {}, kCloseItem, kOpened);
  Leave(*a);
  EXPECT_EQ(Records(Table(data.path(), next, "as")).size(), cards);
  ExpectVerifyFindsNothing(data.str());
}

// A close killed at its zero-stock question, the old month then restored from a copy taken
// before (its carried note back in it), and the close chosen again: the note is carried
// once, as by a close never interrupted.
TEST_F(MonthCloseRoad, ANoteBackInTheOldMonthAfterAStoppedCloseIsCarriedOnce) {
  PostTheMonth();
  TempDir reference, copy;
  fs::copy(data.path(), reference.path(), fs::copy_options::recursive);
  fs::copy(data.path() / period, copy.path(), fs::copy_options::recursive);
  {
    auto r = Station(reference.path(), "a", "205");
    ASSERT_TRUE(CloseAnsweringYes(*r));
    Leave(*r);
  }
  auto a = Station(data.path(), "a", "205");
  Step(*a, {"Enter"}, kCloseItem);
  StepSeen(*a, {"Enter"}, kQuestion);
  StepSeen(*a, {"text:T"}, kZeroStock);
  a->Kill(SIGKILL);
  a->WaitExit();
  bool note_gone = true;
  for (auto& h : Records(Table(data.path(), period, "dowod"))) note_gone = note_gone && h["RD"] != "WZ";
  EXPECT_TRUE(note_gone);
  fs::copy(copy.path(), data.path() / period, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  {
    auto b = Station(data.path(), "b", "205");
    ASSERT_TRUE(CloseAnsweringYes(*b));
    Leave(*b);
  }
  EXPECT_EQ(Result(data.path()), Result(reference.path()));
  ExpectVerifyFindsNothing(data.str());
}

// kill -9 at points spread over the whole close (counted in writes and renames after its
// marker), then the close chosen again: both months as after a close never interrupted.
TEST_F(MonthCloseRoad, AKilledCloseChosenAgainEndsAsAnUninterruptedOne) {
  PostTheMonth();
  TempDir reference;
  fs::copy(data.path(), reference.path(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  {
    auto a = Station(reference.path(), "a", "205");
    ASSERT_TRUE(CloseAnsweringYes(*a));
    Leave(*a);
  }
  const std::map<std::string, Rows> expected = Result(reference.path());

  for (int n : {1, 2, 3, 5, 8, 12, 17, 23, 30, 40, 55, 70, 90, 110, 130, 160, 200, 250, 300, 350, 400, 500, 700}) {
    SCOPED_TRACE("killed at write " + std::to_string(n));
    TempDir run;
    fs::copy(data.path(), run.path(), fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    bool finished = false;
    {
      auto a = Station(run.path(), "a", "205", {{"HURT_CRASH_IN_CLOSE", std::to_string(n)}});
      finished = CloseAnsweringYes(*a);
      if (finished) {
        Leave(*a);
      } else {
        EXPECT_EQ(a->WaitExit(), 128 + SIGKILL) << a->Screen();
      }
    }
    if (!finished) {
      auto a = Station(run.path(), "again", "205");
      ASSERT_TRUE(CloseAnsweringYes(*a));
      Leave(*a);
    }
    EXPECT_EQ(Result(run.path()), expected);
    EXPECT_FALSE(fs::exists(run.path() / maintenance::CloseMarkerOf(period)));
    ExpectVerifyFindsNothing(run.str());
    std::cerr << "crash point " << n << (finished ? ": the close finished first\n" : ": killed, finished again\n");
    if (finished) break;  // the close needs fewer writes than the next point
  }
}

// Two months closed, the first one made current again and sold from, then closed again:
// the close warns that the month after next was opened from the old stock and, once done,
// offers the month after it for closing again; the last month then opens with the stock
// the first one closed with.
TEST_F(MonthCloseRoad, AMonthClosedAgainOffersTheMonthsAfterIt) {
  const std::string first = period, second = next, third = *maintenance::NextPeriod(next);
  for (const std::string& closed : {first, second}) {
    clock = LastDayAt9(closed);
    auto a = Station(data.path(), "a", "205");
    ASSERT_TRUE(CloseAnsweringYes(*a));
    Leave(*a);
  }
  ASSERT_EQ(Bmr(data.path()), third.substr(3, 2) + "." + third.substr(0, 2));
  SetBmr(first);
  clock = LastDayAt9(first);
  PostTheMonth(false);
  const std::string closing = Card(data.path(), first, "10001")["ILOSC"];
  ASSERT_NE(closing, Card(data.path(), third, "10001")["ILOSC"]);

  auto a = Station(data.path(), "a", "205");
  Step(*a, {"Enter"}, kCloseItem);
  StepSeen(*a, {"Enter"}, "ze starych stanow. Po tym zamknieciu");
  Step(*a, {}, kQuestion);
  Step(*a, {"text:T"}, kZeroStock);
  StepSeen(*a, {"text:T"}, "Kolejny miesiac do ponownego");
  Step(*a, {}, kQuestion);
  Step(*a, {"text:T"}, kZeroStock);
  a->Send("text:T");
  Step(*a, {}, kCloseItem, kOpened);
  Leave(*a);

  EXPECT_EQ(Bmr(data.path()), third.substr(3, 2) + "." + third.substr(0, 2));
  EXPECT_EQ(Card(data.path(), second, "10001")["ILOSC"], closing);
  EXPECT_EQ(Card(data.path(), third, "10001")["ILOSC"], closing);
  for (const std::string& month : {first, second, third}) EXPECT_FALSE(fs::exists(data.path() / maintenance::CloseMarkerOf(month)));
  ExpectVerifyFindsNothing(data.str());
}

// "N" when the next month is offered: it stays as it was, the operator is told to close it
// again, and a close chosen there later rebuilds the month after it.
TEST_F(MonthCloseRoad, NoToTheMonthOfferedLeavesItForLater) {
  const std::string first = period, second = next;
  clock = LastDayAt9(first);
  {
    auto a = Station(data.path(), "a", "205");
    ASSERT_TRUE(CloseAnsweringYes(*a));
    Leave(*a);
  }
  clock = LastDayAt9(second);
  {
    auto a = Station(data.path(), "a", "205");
    ASSERT_TRUE(CloseAnsweringYes(*a));
    Leave(*a);
  }
  SetBmr(first);
  clock = LastDayAt9(first);
  auto a = Station(data.path(), "a", "205");
  Step(*a, {"Enter"}, kCloseItem);
  StepSeen(*a, {"Enter"}, "ze starych stanow. Po tym zamknieciu");
  Step(*a, {}, kQuestion);
  Step(*a, {"text:T"}, kZeroStock);
  StepSeen(*a, {"text:T"}, "Kolejny miesiac do ponownego");
  Step(*a, {}, kQuestion);
  StepSeen(*a, {"text:N"}, "ma stare stany otwarcia:");
  Step(*a, {}, kCloseItem, kQuestion);
  Leave(*a);
  EXPECT_EQ(Bmr(data.path()), second.substr(3, 2) + "." + second.substr(0, 2));
  ExpectVerifyFindsNothing(data.str());
  clock = LastDayAt9(second);
  auto b = Station(data.path(), "b", "205");
  ASSERT_TRUE(CloseAnsweringYes(*b));
  Leave(*b);
  const std::string third = *maintenance::NextPeriod(second);
  EXPECT_EQ(Bmr(data.path()), third.substr(3, 2) + "." + third.substr(0, 2));
  ExpectVerifyFindsNothing(data.str());
}

}  // namespace
}  // namespace hurt::testing
