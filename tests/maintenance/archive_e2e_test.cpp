// Raporty › Raporty z archiwum walked through the real screens of `hurt` on a demo company
// whose previous month is a copy of the current one made before a receipt was posted: the
// archive's document list shows its own documents, the changing keys refuse, Esc comes back
// to the current month, and neither month's tables change.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "base/numeric.h"
#include "base/text.h"
#include "session/helpers.h"
#include "support/hurt_data.h"
#include "support/hurt_station.h"
#include "support/station_road.h"
#include "support/temp_dir.h"

namespace hurt::testing {
namespace {

constexpr std::string_view kTitle = "R A P O R T Y   Z   A R C H I W U M";
constexpr std::string_view kRefused = "Praca w archiwum - blokada";

// "yy/mm" of the month before a period.
std::string PreviousPeriod(const std::string& period) {
  int yy = static_cast<int>(Val(period.substr(0, 2)));
  int mm = static_cast<int>(Val(period.substr(3, 2))) - 1;
  if (mm == 0) mm = 12, yy = (yy + 99) % 100;
  auto two = [](int n) { return std::string{static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)}; };
  return two(yy) + "/" + two(mm);
}

size_t Occurrences(const std::string& text, std::string_view part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

// Keys, then a message that must be shown once more than before them (StepSeen would take
// the same message shown earlier for it).
void StepSeenAgain(HurtStation& s, std::initializer_list<std::string_view> keys, std::string_view shown) {
  const size_t before = Occurrences(s.Log(), shown);
  for (std::string_view k : keys) s.Send(k);
  for (int i = 0; i < 1500 && Occurrences(s.Log(), shown) <= before; ++i) ::usleep(20'000);
  EXPECT_GT(Occurrences(s.Log(), shown), before) << s.Screen();
}

class ArchiveRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    period = MakeDemoCompany(data.str());
    ASSERT_FALSE(period.empty());
    previous = PreviousPeriod(period);
  }

  std::map<std::string, std::string> Tables(const std::string& folder) {
    std::map<std::string, std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(data / folder)) {
      if (e.path().extension() == ".dbf") out[e.path().string()] = Slurp(e.path().string());
    }
    return out;
  }
  // Item n of the archive menu (1: the choice of the month).
  static void Item(HurtStation& s, int n) {
    s.Send("Home");
    for (int i = 1; i < n; ++i) s.Send("Down");
  }

  TempDir data;
  TempDir work;
  std::string period, previous;
};

TEST_F(ArchiveRoad, TheArchiveMonthIsShownAndNothingChanges) {
  // The previous month: this month with an invoice, before the receipt posted next.
  auto a = StartInDowody(data.str(), work.str(), "a");
  Step(*a, {"Home", "Enter"}, "E D Y C J A   D O W O D O W");
  InvoiceForSmakosz(*a, "2");
  Step(*a, {"Esc"}, kDowody);
  Leave(*a);
  std::filesystem::copy(data / period, data / previous);
  auto b = StartInDowody(data.str(), work.str(), "b");
  Step(*b, {"Home", "Enter"}, "E D Y C J A   D O W O D O W");
  Step(*b, {"text:PZ", "Enter"}, "Rd:PZ");
  for (int field = 0; field < 5; ++field) b->Send("Enter");
  Step(*b, {"text:MLYN", "Enter"}, "Kod:  MLYN");
  Step(*b, {"Enter", "text:FA/123", "Enter", "Enter", "Enter"}, "F3-Druk KW");
  Step(*b, {"text:10001", "Enter"}, "Karta towaru");
  Step(*b, {"text:10", "Enter", "text:2.3", "Enter", "PgDn"}, "  1│10001");
  Step(*b, {"Esc"}, "CZY SKONCZYŁES EDYCJE DOWODU ?");
  Step(*b, {"text:T"}, "Zmienic sposob zaplaty na P30");
  Step(*b, {"text:T"}, "Rd:FV");
  Step(*b, {"Esc"}, kDowody);

  const auto current_before = Tables(period);
  const auto archive_before = Tables(previous);
  const std::string name = AllTrim(session::Miesiac(previous.substr(3, 2), previous.substr(0, 2)));
  // Raporty › Raporty z archiwum, the previous month chosen.
  Step(*b, {"Right"}, " Raporty z archiwum");
  b->Send("Home");
  for (int i = 1; i < 8; ++i) b->Send("Down");
  Step(*b, {"Enter"}, kTitle);
  Item(*b, 1);
  Step(*b, {"Enter"}, "Miesiac :");
  Step(*b, {"text:" + std::to_string(static_cast<int>(Val(previous.substr(3, 2)))), "Enter",
            "text:" + session::FourDigitYear(previous.substr(0, 2)), "Enter"},
       name + " arc");
  // Its documents: the invoice, not the receipt of this month.
  Item(*b, 6);
  Step(*b, {"Enter"}, "SMAKOSZ");
  EXPECT_EQ(b->Screen().find("MLYN"), std::string::npos) << b->Screen();
  StepSeenAgain(*b, {"Space"}, kRefused);
  Step(*b, {}, "SMAKOSZ", kRefused);  // the message gone: the next key is the list's
  Step(*b, {"Esc"}, kTitle);
  // The cards as the month left them: the price rise refused.
  Item(*b, 11);
  Step(*b, {"Enter"}, "10001");
  StepSeenAgain(*b, {"Shift+F2"}, kRefused);
  Step(*b, {}, "F9-Druk", kRefused);
  Step(*b, {"Esc"}, kTitle);
  // Esc: the current month again, with its receipt.
  Step(*b, {"Esc"}, " Raporty z archiwum", "arc ");
  EXPECT_EQ(Tables(period), current_before);
  EXPECT_EQ(Tables(previous), archive_before);
  Step(*b, {"Left"}, kDowody);
  Step(*b, {"Home", "Down", "Enter"}, "WYSWIETLANIE   DOWODOW");
  Step(*b, {"text:PZ", "Enter", "text:1", "Enter"}, "MLYN");
  Step(*b, {"Esc"}, "WYSWIETLANIE   DOWODOW");
  Step(*b, {"Esc"}, kDowody);
  Leave(*b);
  ExpectVerifyFindsNothing(data.str());
}

}  // namespace
}  // namespace hurt::testing
