// The road of a sale walked through the real screens: `hurt` processes in the scripted
// headless mode on a demo company, typing what an operator types, including the ways out
// (answering no, SIGTERM, SIGHUP, kill -9) and a second station at the same time. Every
// scenario ends with `hurt-dbf verify` finding nothing.
#include <gtest/gtest.h>
#include <signal.h>

#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/cp852.h"
#include "base/text.h"
#include "support/child_process.h"
#include "support/hurt_data.h"
#include "support/hurt_station.h"
#include "support/station_road.h"
#include "support/temp_dir.h"
#include "xbase/env.h"
#include "xbase/work_area.h"

namespace hurt::testing {
namespace {

constexpr std::string_view kEntry = "E D Y C J A   D O W O D O W";
constexpr std::string_view kCorrection = "P O P R A W A    D O W O D O W";
constexpr std::string_view kDisplay = "WYSWIETLANIE   DOWODOW";
constexpr std::string_view kFinished = "CZY SKONCZYŁES EDYCJE DOWODU ?";
constexpr std::string_view kSubmenu = "Zestawienie       WZ";
// The header of the next correction: no number yet.
constexpr std::string_view kNextCorrection = "│ Nr:         │";



class SaleRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    period = MakeDemoCompany(data.str());
    ASSERT_FALSE(period.empty());
  }

  std::string Table(const std::string& name) const { return data / (period + "/" + name + ".dbf"); }
  std::vector<std::map<std::string, std::string>> Headers() { return Records(Table("dowod")); }
  std::vector<std::map<std::string, std::string>> Lines() { return Records(Table("dow")); }
  std::map<std::string, std::string> Article(const std::string& indeks, const std::string& mag = "1") {
    for (auto& r : Records(Table("as"))) {
      if (r["MAG"] == mag && r["INDEKS"] == indeks) return r;
    }
    ADD_FAILURE() << "no article " << mag << "-" << indeks;
    return {};
  }

  // Item `item` of the Dowody menu (Home = the first, End = the last, "End","Up" the one
  // before it ...), run.
  static void Dowody(HurtStation& s, std::initializer_list<std::string_view> to_item, std::string_view expect) {
    for (std::string_view k : to_item) s.Send(k);
    Step(s, {"Enter"}, expect);
  }
  // The header of a new document: kind, the date/payment/term/warehouse proposed, the
  // counterparty, its name and the two remark rows as proposed.
  static void NewHeader(HurtStation& s, const std::string& rd, const std::string& odb) {
    Step(s, {"text:" + rd, "Enter"}, "Rd:" + rd);
    for (int field = 0; field < 4; ++field) s.Send("Enter");  // date, payment, term, warehouse
    Step(s, {"text:" + odb, "Enter"}, "Kod:  " + odb);
    Step(s, {"Enter", "Enter", "Enter"}, "F2-Rabat");
  }
  // A line of a sale or issue: code, quantity, then the price and percent as proposed.
  static void SaleLine(HurtStation& s, const std::string& indeks, const std::string& ilosc) {
    Step(s, {"text:" + indeks, "Enter"}, "Dostepne:");
    s.Send("text:" + ilosc);
    s.Send("Enter");
    s.Send("Enter");
    s.Send("Enter");
  }
  // Esc out of the grid of a sale: the delivery address as proposed, then `answer` to the
  // question whether the document is finished.
  static void Finish(HurtStation& s, std::string_view answer, bool address = true) {
    if (address) Step(s, {"Esc"}, "Adres dostawy");
    Step(s, {address ? "Enter" : "Esc"}, kFinished);
    s.Send(std::string("text:") + std::string(answer));
  }

  // A cash sale to PODLIPAM of 4 × 10001 and 2 × 10009, posted; back on the main menu.
  void PostSale(HurtStation& s) {
    Dowody(s, {"Home"}, kEntry);
    NewHeader(s, "FV", "PODLIPAM");
    SaleLine(s, "10001", "4");
    SaleLine(s, "10009", "2");
    Finish(s, "T");
    Step(s, {}, "Rd:FV");
    Step(s, {"Esc"}, kSubmenu);
  }
  // Correction of FV 1 opened from the main menu: its first line raised to 6, then Esc up
  // to the question whether the correction is finished.
  static void CorrectFirstLineTo6(HurtStation& s) {
    Dowody(s, {"Home", "Down", "Down"}, kCorrection);
    Step(s, {"text:FV", "Enter", "text:1", "Enter"}, "Kod:  PODLIPAM");
    for (int field = 0; field < 8; ++field) s.Send("Enter");  // the rest of the header as it is
    ASSERT_TRUE(s.WaitForScreen("  2│10009")) << s.Screen();
    Step(s, {"Enter", "Enter", "text:6", "Enter", "Enter", "Enter"}, "     6.00│");
    Finish(s, "", /*address=*/false);  // the invoice's own delivery address is kept
  }
  // What a correction may touch, as text: headers, lines, the two articles' counters.
  std::string Snapshot() {
    std::string out;
    for (auto& h : Headers()) out += h["RD"] + h["NRD"] + " " + h["NETTO"] + " " + h["VAT"] + " " + h["ZAP"] + "\n";
    for (auto& l : Lines()) out += l["RD"] + l["NRD"] + "/" + l["LP"] + " " + l["INDEKS"] + " " + l["ILOSC"] + "\n";
    for (const char* indeks : {"10001", "10009"}) {
      auto a = Article(indeks);
      out += std::string(indeks) + " " + a["ILOSC"] + " " + a["B_R_I"] + " " + a["REZERWA0"] + "\n";
    }
    return out;
  }


  // A station logged in as the supervisor, in the Dowody menu.
  std::unique_ptr<HurtStation> Start(const std::string& name, StationOptions options = {}) {
    return StartInDowody(data.str(), work.str(), name, std::move(options));
  }

  TempDir data;
  TempDir work;
  std::string period;
};

// Two issue notes for a customer who buys on credit: the notes are never paid (B, term 0)
// and move the goods; the invoice made of them links them, moves nothing, and a second
// run finds nothing left to invoice.
TEST_F(SaleRoad, IssueNotesBecomeOneInvoiceOnceAndMoveTheGoodsOnce) {
  auto a = Start("a");
  const double before = std::stod(Article("10001")["ILOSC"]);
  Dowody(*a, {"Home"}, kEntry);
  NewHeader(*a, "WZ", "JAS");
  EXPECT_NE(a->Screen().find("Płatnosc: B   0"), std::string::npos) << a->Screen();
  SaleLine(*a, "10001", "3");
  Finish(*a, "T");
  ASSERT_TRUE(a->WaitForScreen("Rd:FV"));  // the next document
  NewHeader(*a, "WZ", "JAS");
  SaleLine(*a, "10001", "2");
  SaleLine(*a, "10009", "1");
  Finish(*a, "T");
  Step(*a, {"Esc"}, kSubmenu);
  // Both marked in the list of notes, then the invoice.
  Step(*a, {"End", "Enter"}, "ZESTAWIENIE WZ");
  Step(*a, {"text: ", "Down", "text: "}, " * ");
  Step(*a, {"Esc"}, kSubmenu);
  Step(*a, {"End", "Up", "Enter"}, "FV");  // the kind proposed
  Step(*a, {"Enter"}, "WZ 1, 2");
  // The quantities are the notes': a changed one is put back at once.
  StepSeen(*a, {"Up", "Up", "Enter", "Enter", "text:9", "Enter"}, "towar i ilo");
  Step(*a, {}, "F2-Rabat", "towar i ilo");
  Step(*a, {"Enter", "Enter"}, "     5.00│");
  Finish(*a, "T", /*address=*/false);  // the notes' delivery address is taken over
  Step(*a, {}, "Zmienic sposob zaplaty na P7");
  Step(*a, {"text:T"}, kSubmenu);
  // Again: nothing left.
  Step(*a, {"End", "Up", "Enter"}, "FV");
  StepSeen(*a, {"Enter"}, "Nic nie zrobilem");
  ASSERT_TRUE(a->WaitForScreen(kSubmenu));
  Leave(*a);

  std::map<std::string, int> kinds;
  for (auto& h : Headers()) {
    ++kinds[h["RD"]];
    if (h["RD"] == "WZ") {
      EXPECT_EQ(h["SPZ"], "B");
      EXPECT_EQ(h["TEZ"], "0");
      EXPECT_EQ(h["R_RD"] + "-" + h["R_NRD"], "FV-1");
    }
    if (h["RD"] == "FV") {
      EXPECT_EQ(h["ODBIORCA"], "WZ 1, 2");
    }
  }
  EXPECT_EQ(kinds["WZ"], 2);
  EXPECT_EQ(kinds["FV"], 1);
  EXPECT_DOUBLE_EQ(std::stod(Article("10001")["ILOSC"]), before - 5) << "the goods went out once";
  EXPECT_EQ(Records(Table("fa_n")).size(), 1u) << "only the invoice is owed";
  ExpectVerifyFindsNothing(data.str());

  // The invoice owed, closed to balance from the customer's ledger (Rozrachunki ›
  // odbiorcy, F2, F3): "N" and kill -9 at the question change nothing; "T" moves the
  // invoice to the history with its mirror and leaves one "SAL" item of the same balance.
  const std::map<std::string, std::string> invoice = Records(Table("fa_n"))[0];
  auto jas = [&] {
    for (auto& r : Records(Table("zo"))) {
      if (r["ODB"] == "JAS") return r["OBWN"] + "/" + r["OBMA"];
    }
    return std::string("?");
  };
  EXPECT_EQ(jas(), invoice.at("OBWN") + "/" + invoice.at("OBMA"));
  auto ledger = [&](HurtStation& s) {
    Step(s, {"Left"}, "Rozrachunki z odbiorcami");
    Step(s, {"Home", "Enter"}, "ROZRACHUNKI Z ODBIORCAMI");
    Step(s, {"text:JAS"}, "Osiedlowy");
    Step(s, {"F2"}, "Spacja-Zaznaczenie");
    Step(s, {"F3"}, "Rozliczenie saldem do dnia");
    Step(s, {"Down", "Enter"}, "ROZLICZENIE SALDEM DO");
    StepSeen(s, {"Enter"}, "CZY NA PEWNO ROZLICZYC DO");
  };
  auto b = Start("b");
  ledger(*b);
  StepSeen(*b, {"text:N"}, "NIE ROZLICZAM");
  Step(*b, {"F3"}, "Rozliczenie saldem do dnia");
  Step(*b, {"Down", "Enter"}, "ROZLICZENIE SALDEM DO");
  StepSeen(*b, {"Enter"}, "CZY NA PEWNO ROZLICZYC DO");
  b->Kill(SIGKILL);
  EXPECT_EQ(b->WaitExit(), 128 + SIGKILL);
  EXPECT_EQ(Records(Table("fa_n")).size(), 1u);
  EXPECT_EQ(Records(Table("fa_nx")).size(), 0u);
  auto c = Start("c");
  ledger(*c);
  Step(*c, {"text:T"}, "SAL-");
  Step(*c, {"Esc"}, "ROZRACHUNKI Z ODBIORCAMI");
  Step(*c, {"Esc"}, "Rozrachunki z odbiorcami");
  Leave(*c);
  const std::vector<std::map<std::string, std::string>> open = Records(Table("fa_n"));
  ASSERT_EQ(open.size(), 1u);
  EXPECT_EQ(open[0].at("RD"), "SAL");
  EXPECT_EQ(open[0].at("OBWN"), invoice.at("OBWN"));
  EXPECT_EQ(jas(), invoice.at("OBWN") + "/" + invoice.at("OBMA"));
  EXPECT_EQ(Records(Table("fa_nx")).size(), 2u);
  ExpectVerifyFindsNothing(data.str());
}

// A correction left by every way out: the posted invoice stays exactly as it was, and
// what the correction reserved meanwhile is let go (at once, or by the next station to
// start when the program was killed).
TEST_F(SaleRoad, AnAbandonedCorrectionLeavesThePostedInvoiceAsItWas) {
  auto a = Start("a");
  PostSale(*a);
  const std::string posted = Snapshot();
  // "N" to the question.
  CorrectFirstLineTo6(*a);
  StepSeen(*a, {"text:N"}, "Poprawa porzucona");
  Step(*a, {}, kNextCorrection);
  EXPECT_EQ(Snapshot(), posted);
  EXPECT_FALSE(data.Exists("rob/rez01.txt"));
  Step(*a, {"Esc"}, kSubmenu);
  // SIGTERM and SIGHUP at the question: the program ends cleanly.
  for (int sig : {SIGTERM, SIGHUP}) {
    CorrectFirstLineTo6(*a);
    EXPECT_NE(Snapshot(), posted) << "the correction's own 2 are reserved while it lasts";
    a->Kill(sig);
    EXPECT_EQ(a->WaitExit(), 128 + sig);
    EXPECT_EQ(Snapshot(), posted) << "signal " << sig;
    EXPECT_FALSE(data.Exists("rob/rez01.txt"));
    ExpectVerifyFindsNothing(data.str());
    a = Start("a");
  }
  // kill -9 at the question: the reservation stays until the next station starts.
  CorrectFirstLineTo6(*a);
  a->Kill(SIGKILL);
  EXPECT_EQ(a->WaitExit(), 128 + SIGKILL);
  EXPECT_TRUE(data.Exists("rob/rez01.txt"));
  const ProcessResult found = RunProcess({BuiltProgram("hurt-dbf"), "verify", data.str()});
  EXPECT_EQ(found.exit_code, 1) << "the dead station's reservation is found: " << found.out;
  auto b = Start("b");
  EXPECT_EQ(Snapshot(), posted);
  Leave(*b);
  ExpectVerifyFindsNothing(data.str());
}

// A correction answered "T" replaces the posted invoice under its own number.
TEST_F(SaleRoad, APostedCorrectionReplacesTheInvoice) {
  auto a = Start("a");
  PostSale(*a);
  const double stock = std::stod(Article("10001")["ILOSC"]);
  CorrectFirstLineTo6(*a);
  a->Send("text:T");
  Step(*a, {}, kNextCorrection);
  Step(*a, {"Esc"}, kSubmenu);
  Leave(*a);
  auto headers = Headers();
  ASSERT_EQ(headers.size(), 1u);
  EXPECT_EQ(headers[0]["NRD"], "1");
  EXPECT_EQ(headers[0]["ZAP"], "2");
  EXPECT_DOUBLE_EQ(std::stod(headers[0]["NETTO"]), 40.14);  // 6 × 2.77 + 2 × 11.76
  auto lines = Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0]["ILOSC"], "6.000");
  EXPECT_DOUBLE_EQ(std::stod(Article("10001")["ILOSC"]), stock - 2);
  ExpectVerifyFindsNothing(data.str());
}

// Two stations: the second cannot correct the invoice the first is correcting, and cannot
// take the issue notes the first is invoicing.
TEST_F(SaleRoad, WhatOneStationWorksOnTheOtherIsToldOf) {
  auto a = Start("a");
  PostSale(*a);
  auto b = Start("b");
  CorrectFirstLineTo6(*a);
  Dowody(*b, {"Home", "Down", "Down"}, kCorrection);
  StepSeen(*b, {"text:FV", "Enter", "text:1", "Enter"}, "poprawiany na innym stanowisku");
  Step(*b, {"Esc", "Esc"}, kSubmenu);  // the message, then the header
  a->Send("text:N");
  Step(*a, {}, kNextCorrection);
  Step(*a, {"Esc"}, kSubmenu);
  // A note, marked, being invoiced at a: b finds it taken.
  Dowody(*a, {"Home"}, kEntry);
  NewHeader(*a, "WZ", "JAS");
  SaleLine(*a, "10001", "1");
  Finish(*a, "T");
  Step(*a, {"Esc"}, kSubmenu);
  Step(*a, {"End", "Enter"}, "ZESTAWIENIE WZ");
  Step(*a, {"text: "}, " * ");
  Step(*a, {"Esc"}, kSubmenu);
  Step(*a, {"End", "Up", "Enter"}, "FV");
  Step(*a, {"Enter"}, "WZ 1");
  Dowody(*b, {"End", "Up"}, "FV");
  StepSeen(*b, {"Enter"}, "zajety na innej stacji");
  Finish(*a, "T", /*address=*/false);
  Step(*a, {}, "Zmienic sposob zaplaty na P7");
  Step(*a, {"text:T"}, kSubmenu);
  Step(*b, {"Esc"}, kSubmenu);  // the message stands until a key
  Leave(*a);
  Leave(*b);
  ExpectVerifyFindsNothing(data.str());
}

// A receipt of two lines typed through the article card; then a display of the sale
// shows its values and its total.
TEST_F(SaleRoad, AReceiptOfSeveralLinesAndTheDisplayOfASale) {
  auto a = Start("a");
  PostSale(*a);
  Dowody(*a, {"Home"}, kEntry);
  Step(*a, {"text:PZ", "Enter"}, "Rd:PZ");
  for (int field = 0; field < 5; ++field) a->Send("Enter");  // date, payment, due date, term, warehouse
  Step(*a, {"text:MLYN", "Enter"}, "Kod:  MLYN");
  Step(*a, {"Enter", "text:FA/123", "Enter", "Enter", "Enter"}, "F3-Druk KW");
  Step(*a, {"text:10001", "Enter"}, "Karta towaru");
  // Prices below the last ones: no price-rise warning stands in the way of the keys.
  Step(*a, {"text:10", "Enter", "text:2.3", "Enter", "PgDn"}, "  1│10001");
  Step(*a, {"text:10009", "Enter"}, "Karta towaru");
  Step(*a, {"text:5", "Enter", "text:9.5", "Enter", "PgDn"}, "  2│10009");
  Finish(*a, "T", /*address=*/false);
  Step(*a, {}, "Zmienic sposob zaplaty na P30");
  Step(*a, {"text:T"}, "Rd:FV");
  Step(*a, {"Esc"}, kSubmenu);
  // The sale displayed.
  Step(*a, {"Home", "Down", "Enter"}, kDisplay);
  Step(*a, {"text:FV", "Enter", "text:1", "Enter"}, "  2│10009");
  EXPECT_NE(a->Screen().find("11.63"), std::string::npos) << a->Screen();
  EXPECT_NE(a->Screen().find("40.56"), std::string::npos) << a->Screen();
  Step(*a, {"Esc"}, kDisplay);
  Step(*a, {"Esc"}, kSubmenu);
  Leave(*a);
  std::map<std::string, std::string> pz;
  for (auto& l : Lines()) {
    if (l["RD"] == "PZ") pz[l["INDEKS"]] = l["ILOSC"] + " " + l["CENA"];
  }
  EXPECT_EQ(pz, (std::map<std::string, std::string>{{"10001", "10.000 2.300000"}, {"10009", "5.000 9.500000"}}));
  EXPECT_EQ(Article("10001")["B_P_I"], "10.000");
  ExpectVerifyFindsNothing(data.str());
}

// A station killed in the middle of posting while another one works: the other one takes
// the half-done posting back before it numbers its own invoice, so no number is skipped
// or given twice.
TEST_F(SaleRoad, AStationKilledWhilePostingIsTakenBackBeforeTheNextNumber) {
  auto b = Start("b");
  StationOptions crash;
  crash.env["HURT_CRASH_IN_POSTING"] = "3";
  auto a = Start("a", crash);
  Dowody(*a, {"Home"}, kEntry);
  NewHeader(*a, "FV", "PODLIPAM");
  SaleLine(*a, "10001", "4");
  Finish(*a, "T");
  EXPECT_EQ(a->WaitExit(), 128 + SIGKILL) << a->Screen();
  ASSERT_TRUE(data.Exists("rob/post02.jnl") || data.Exists("rob/post01.jnl"));
  PostSale(*b);
  Leave(*b);
  auto headers = Headers();
  ASSERT_EQ(headers.size(), 1u);
  EXPECT_EQ(headers[0]["NRD"], "1") << "the dead station's FV 1 is taken back, then given again";
  EXPECT_FALSE(data.Exists("rob/post01.jnl"));
  EXPECT_FALSE(data.Exists("rob/post02.jnl"));
  ExpectVerifyFindsNothing(data.str());
}

}  // namespace
}  // namespace hurt::testing
