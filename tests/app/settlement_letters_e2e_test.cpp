// The letters to debtors and the due-date list walked through real `hurt` processes on a
// demo company: debit notes entered in a customer's settlement browse, a reminder of a
// marked item printed to the viewer, and the Terminarz with a filter, in due-date order,
// opening a customer's settlements. Each ends with `hurt-dbf verify` finding nothing.
#include <gtest/gtest.h>

#include <ctime>

#include <memory>
#include <string>

#include "base/cp852.h"
#include "support/child_process.h"
#include "support/hurt_data.h"
#include "support/hurt_station.h"
#include "support/station_road.h"
#include "support/temp_dir.h"

namespace hurt::testing {
namespace {

constexpr std::string_view kLedgerKeys = "Spacja-Zaznaczenie";
constexpr std::string_view kBook = "ROZRACHUNKI Z ODBIORCAMI";
constexpr std::string_view kRozrachunki = "Rozrachunki z odbiorcami";
constexpr std::string_view kTermKeys = "Enter-Rozrachunki kontrahenta";

class SettlementLetters : public ::testing::Test {
 protected:
  void SetUp() override {
    period = MakeDemoCompany(data.str());
    ASSERT_FALSE(period.empty());
  }

  std::unique_ptr<HurtStation> Start(const std::string& name) { return StartInDowody(data.str(), work.str(), name); }

  // From the Dowody menu to the settlement browse of customer `odb`.
  static void OpenLedger(HurtStation& s, const std::string& odb, std::string_view name) {
    Step(s, {"Left"}, kRozrachunki);
    Step(s, {"Home", "Enter"}, kBook);
    Step(s, {"text:" + odb}, name);
    Step(s, {"F2"}, kLedgerKeys);
  }
  // Today + `days` as typed into a date field: "ddmmyyyy".
  static std::string DueDate(int days) {
    std::time_t t = std::time(nullptr) + static_cast<std::time_t>(days) * 24 * 3600;
    std::tm tm{};
    localtime_r(&t, &tm);
    char text[16];
    std::strftime(text, sizeof text, "%d%m%Y", &tm);
    return text;
  }
  // A debit note (NOO) of `kwota` due in `days` days, entered from the settlement browse.
  static void DebitNote(HurtStation& s, const std::string& kwota, const std::string& days) {
    Step(s, {"F3"}, "Dowod kasowy, przelew, nota");
    Step(s, {"Enter"}, "Termin zaplaty (tylko NOO)");
    for (std::string_view k : {"text:NOO", "Enter", "Enter", "Enter"}) s.Send(k);  // kind, number, date
    // The amount, the currency (blank), the text; then the due date, proposed 14 days on.
    for (std::string k : {"text:" + kwota, std::string("Enter"), std::string("Enter"), std::string("Enter")}) s.Send(k);
    Step(s, {}, " + 14 dni :");
    s.Send("text:" + DueDate(std::stoi(days)));
    Step(s, {"Enter"}, "CZY DANE SA POPRAWNE ?");
    Step(s, {"text:T"}, "CZY ZAPAMIETAC DOWOD ?");
    StepSeen(s, {"text:T"}, "Zapisano NOO-");
    Step(s, {}, "NOO-", "Zapisano");  // the message gone, the note in the grid
  }
  // Out of the settlement browse and the book, back in the Rozrachunki menu.
  static void LeaveLedger(HurtStation& s) {
    Step(s, {"Esc"}, kBook);
    Step(s, {"Esc"}, kRozrachunki);
  }

  TempDir data;
  TempDir work;
  std::string period;
};

// A customer's note marked with Space, F3, the reminder: the contact asked, the letter in
// the viewer and in the station's report file, then Esc back to the browse.
TEST_F(SettlementLetters, AReminderOfAMarkedItemGoesToThePreview) {
  auto a = Start("a");
  OpenLedger(*a, "JAS", "Osiedlowy");
  DebitNote(*a, "250", "7");
  Step(*a, {"text: "}, "zaznaczono Wn: 1");
  Step(*a, {"F3"}, "PRZYPOMNIENIE");
  Step(*a, {"Down", "Down", "Down", "Enter"}, "Informacji udziela :");
  Step(*a, {"text:Anna Nowak", "Enter", "text:77 441 20 11", "Enter"}, "rob/wydruk01.prn");
  EXPECT_NE(a->Screen().find("PRZYPOMNIENIE O P"), std::string::npos) << a->Screen();
  const std::string letter = Slurp(data / "rob/wydruk01.prn");
  EXPECT_NE(letter.find("PRZYPOMNIENIE O PL\b/ATNOSCI"), std::string::npos) << letter;
  EXPECT_NE(letter.find(Utf8ToCp852("Market Osiedlowy Jaś")), std::string::npos) << letter;
  EXPECT_NE(letter.find("NOO-1"), std::string::npos) << letter;
  EXPECT_NE(letter.find("250.00"), std::string::npos) << letter;
  // The total in words, its acute letters overstruck.
  EXPECT_NE(letter.find("dwies\b'cie"), std::string::npos) << letter;
  EXPECT_NE(letter.find("Nr telefonu        : 77 441 20 11"), std::string::npos) << letter;
  Step(*a, {"Esc"}, kLedgerKeys);
  LeaveLedger(*a);
  Leave(*a);
  EXPECT_EQ(Records(data / (period + "/fa_n.dbf")).size(), 1u) << "printing changes nothing";
  ExpectVerifyFindsNothing(data.str());
}

// Notes of two customers: SMAKOSZ due in 3 days, DAB in 14. The Terminarz with the phone
// prefix "77" lists SMAKOSZ before DAB (due-date order, not the order of the keys); Enter
// opens SMAKOSZ's settlements.
TEST_F(SettlementLetters, TheTerminarzWithAFilterListsTheItemsInDueDateOrder) {
  auto a = Start("a");
  OpenLedger(*a, "DAB", "Pod");
  DebitNote(*a, "140", "14");
  LeaveLedger(*a);
  Step(*a, {"Home", "Enter"}, kBook);
  Step(*a, {"text:SMAKOSZ"}, "Smakosz");
  Step(*a, {"F2"}, kLedgerKeys);
  DebitNote(*a, "30", "3");
  LeaveLedger(*a);
  // Item 7 of the menu, its filter window: supervisor empty, phone prefix 77, day empty.
  Step(*a, {"Home", "Down", "Down", "Down", "Down", "Down", "Down", "Enter"}, "Kod opiekuna:");
  Step(*a, {"Enter", "text:77", "Enter", "Enter"}, kTermKeys);
  const std::string screen = a->Screen();
  const size_t smakosz = screen.find("SMAKOSZ");
  const size_t dab = screen.find("DAB");
  ASSERT_NE(smakosz, std::string::npos) << screen;
  ASSERT_NE(dab, std::string::npos) << screen;
  EXPECT_LT(smakosz, dab) << screen;
  EXPECT_NE(screen.find("170.00"), std::string::npos) << "the running total: " << screen;
  Step(*a, {"Enter"}, kLedgerKeys);
  EXPECT_NE(a->Screen().find("Smakosz"), std::string::npos) << a->Screen();
  Step(*a, {"Esc"}, kTermKeys);
  Step(*a, {"Esc"}, kRozrachunki);
  // A prefix no customer's phone has: nothing to list.
  Step(*a, {"Home", "Down", "Down", "Down", "Down", "Down", "Down", "Enter"}, "Kod opiekuna:");
  StepSeen(*a, {"Enter", "text:99", "Enter", "Enter"}, "Brak rozrachunkow do terminarza");
  ASSERT_TRUE(a->WaitForScreen(kRozrachunki));
  Leave(*a);
  EXPECT_FALSE(data.Exists("rob/term01.dbf"));
  ExpectVerifyFindsNothing(data.str());
}

}  // namespace
}  // namespace hurt::testing
