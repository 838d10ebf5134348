// The JPK marks of a document typed through the real screens: F6 while the header of an
// invoice is edited opens the questions; Esc leaves the marks as they were, Enter through
// them stores the answers with the document, and the VAT register's export carries them.
// A correction of the document keeps them. The data checker finds nothing at the end.
#include <gtest/gtest.h>

#include <string>

#include "support/hurt_station.h"
#include "support/station_road.h"
#include "support/temp_dir.h"

namespace hurt::testing {
namespace {

constexpr std::string_view kEntry = "E D Y C J A   D O W O D O W";
constexpr std::string_view kMarks = "Oznaczenia dokumentu do JPK";

// The header of an invoice for SMAKOSZ up to its name field.
void HeaderForSmakosz(HurtStation& s) {
  Step(s, {"text:FV", "Enter"}, "Rd:FV");
  for (int field = 0; field < 4; ++field) s.Send("Enter");  // date, payment, term, warehouse
  Step(s, {"text:SMAKOSZ", "Enter"}, "Odbiorca ma spz.P, termin 14 dni");
  Step(s, {"Enter"}, "Zmieniam termin zaplaty P14");
  Step(s, {"Enter"}, "Nazwa kontrahenta", "Zmieniam termin zaplaty P14");  // on the name now
}

// The rest of the invoice from the name field: one line of 10001, posted.
void LinesAndPost(HurtStation& s) {
  Step(s, {"Enter", "Enter", "Enter"}, "F2-Rabat");  // the name and two remark rows
  Step(s, {"text:10001", "Enter"}, "Dostepne:");
  s.Send("text:2");
  for (int field = 0; field < 3; ++field) s.Send("Enter");
  Step(s, {"Esc"}, "Adres dostawy");
  Step(s, {"Enter"}, "CZY SKONCZYŁES EDYCJE DOWODU ?");
  Step(s, {"text:T"}, "Rd:FV");
}

std::map<std::string, std::string> Header(const std::string& data_dir, const std::string& period, const std::string& nrd) {
  for (const auto& r : Records(data_dir + "/" + period + "/dowod.dbf")) {
    if (r.at("RD") == "FV" && r.at("NRD") == nrd) return r;
  }
  return {};
}

TEST(JpkMarksRoad, F6InTheHeaderMarksTheDocumentAndEscLeavesItUnmarked) {
  TempDir data, work;
  const std::string period = MakeDemoCompany(data.str());
  auto a = StartInDowody(data.str(), work.str(), "a");
  a->Send("Home");
  Step(*a, {"Enter"}, kEntry);

  // First invoice: the questions opened and left with Esc after an answer: no marks.
  HeaderForSmakosz(*a);
  Step(*a, {"F6"}, kMarks);
  EXPECT_NE(a->Screen().find("WSTO_EE"), std::string::npos) << a->Screen();  // this year's labels
  EXPECT_NE(a->Screen().find("B_MPV_PROWIZJA"), std::string::npos) << a->Screen();
  EXPECT_EQ(a->Screen().find("KorektaPO"), std::string::npos) << a->Screen();  // asked only before 2022
  Step(*a, {"Enter", "Enter", "text:T", "Enter"}, kMarks);
  Step(*a, {"Esc"}, "Nazwa kontrahenta", kMarks);
  LinesAndPost(*a);

  // Second invoice: TP and the document type stored; a wrong answer is refused first.
  HeaderForSmakosz(*a);
  Step(*a, {"F6"}, kMarks);
  StepSeen(*a, {"Enter", "Enter", "text:X", "Enter"}, "Wpisz T, N, 1 albo zostaw puste");
  Step(*a, {"Backspace", "text:T", "Enter"}, kMarks);
  for (int q = 3; q < 12; ++q) a->Send("Enter");
  Step(*a, {"text:FP", "Enter"}, "Nazwa kontrahenta", kMarks);
  LinesAndPost(*a);
  Step(*a, {"Esc"}, "Zestawienie       WZ");
  Leave(*a);

  const auto first = Header(data.str(), period, "1");
  const auto second = Header(data.str(), period, "2");
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(second.empty());
  EXPECT_EQ(first.at("JPK_XX"), "");
  EXPECT_EQ(second.at("JPK_XX"), "T");  // trimmed: blank, blank, T
  EXPECT_EQ(second.at("TYP_DOK"), "FP");
  ExpectVerifyFindsNothing(data.str());
}

}  // namespace
}  // namespace hurt::testing
