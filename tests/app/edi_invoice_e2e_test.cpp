// The EDIFACT invoice walked through the real screens: the demo invoice for SMAKOSZ typed
// in Dowody › Edycja and posted, then Dowody › Zestawienie dowodow, F8 on it and Enter
// through the parameter screen: xml/fv1.edi, as the golden file says (with today's dates
// and the time of writing put as placeholders), accepted by both EDIFACT checkers, its
// message number stored in eo_cfg. Esc at the parameter screen and kill -9 at it write
// nothing and leave the number alone. The data checker finds nothing at the end.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <string>

#include "base/date.h"
#include "invoicing/edifact_check.h"
#include "support/golden.h"
#include "support/hurt_station.h"
#include "support/station_road.h"
#include "support/temp_dir.h"
#include "xbase/env.h"
#include "xbase/table.h"
#include "xbase/work_area.h"

namespace hurt::testing {
namespace {

constexpr std::string_view kEntry = "E D Y C J A   D O W O D O W";
constexpr std::string_view kSummary = "ZESTAWIENIE DOWODOW";
constexpr std::string_view kParameters = "PARAMETRY DOKUMENTU EDIFACT";
constexpr int kFields = 11;

JulianDay Today() {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  return JulianFromYmd(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
}

// The file with today's dates as {DZIS}, {DZIS+14} and {RRMMDD}, and the time of writing as
// {GGMM}: the rest must be the same every day.
std::string Normalised(std::string text) {
  const std::string today = Dtos(Today());
  auto replace_all = [&text](const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
      text.replace(at, from.size(), to);
  };
  replace_all(today, "{DZIS}");
  replace_all(Dtos(Today() + 14), "{DZIS+14}");
  const size_t unb = text.find(":14+", text.find(":14+") + 1);
  if (unb != std::string::npos) text.replace(unb + 4, 11, "{RRMMDD}:{GGMM}");
  return text;
}

class EdiInvoiceRoad : public ::testing::Test {
 protected:
  void SetUp() override {
    // Bar codes on the article cards: article 10001 has one.
    data.Write("kod13.txt", "");
    period = MakeDemoCompany(data.str());
    ASSERT_FALSE(period.empty());
    xbase::WorkAreas areas(xbase::RealEnv());
    auto as = areas.Open(1, data / (period + "/as.dbf"), "as");
    ASSERT_TRUE(as.ok()) << as.status().ToString();
    for (Status st = (*as)->GoTop(); st.ok() && !(*as)->eof(); st = (*as)->Skip(1)) {
      if ((*as)->Get("INDEKS")->AsString().substr(0, 5) != "10001") continue;
      ASSERT_TRUE((*as)->LockRecord().ok());
      ASSERT_TRUE((*as)->Replace("KOD13", xbase::Value("5901234123457")).ok());
      ASSERT_TRUE((*as)->Unlock().ok());
    }
    // The installation's EDI settings: some keys, the program adds the others.
    const std::string cfg = data / "eo_cfg.dbf";
    ASSERT_TRUE(xbase::Table::Create(xbase::RealEnv(), cfg, {{"NAME", 'C', 15, 0}, {"VALUE", 'C', 35, 0}}).ok());
    auto t = areas.Open(2, cfg, "cfg");
    ASSERT_TRUE(t.ok());
    for (auto [name, value] : {std::pair{"INV_NR_KOM", "41"}, std::pair{"INV_NAD_SU", "5907543012261"},
                               std::pair{"INV_NAD_BY", "5909918035277"}, std::pair{"INV_NAD_DP", "5909918035284"},
                               std::pair{"INV_RFF_SU_API", "HURT+1"}}) {
      ASSERT_TRUE((*t)->Append().ok());
      ASSERT_TRUE((*t)->Replace("NAME", xbase::Value(name)).ok());
      ASSERT_TRUE((*t)->Replace("VALUE", xbase::Value(value)).ok());
    }
    ASSERT_TRUE(areas.CloseAll().ok());
  }

  std::string Cfg(const std::string& name) {
    for (const auto& r : Records(data / "eo_cfg.dbf")) {
      if (r.at("NAME") == name) return r.at("VALUE");
    }
    return "?";
  }
  // Files left in xml/ besides the interchange (a temporary copy would be one).
  std::vector<std::string> XmlFolder() {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(data / "xml", ec)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  TempDir data;
  TempDir work;
  std::string period;
};

TEST_F(EdiInvoiceRoad, TheDemoInvoiceBecomesAnEdifactFileFromTheDocumentList) {
  auto a = StartInDowody(data.str(), work.str(), "a");
  a->Send("Home");
  Step(*a, {"Enter"}, kEntry);
  InvoiceForSmakosz(*a, "5");
  Step(*a, {"Esc"}, kDowody);
  Step(*a, {"Home", "Down", "Down", "Down", "Enter"}, kSummary);
  Step(*a, {"F6", "text:FV", "Enter", "Enter"}, "rodzaj: FV");

  // Esc on the parameter screen: nothing written, the number as it was.
  Step(*a, {"F8"}, kParameters);
  Step(*a, {"Enter", "Enter", "Esc"}, "rodzaj: FV", kParameters);
  EXPECT_FALSE(data.Exists("xml/fv1.edi"));
  EXPECT_EQ(Cfg("INV_NR_KOM"), "41");

  // Enter through it: the file, and the number it used stored.
  Step(*a, {"F8"}, kParameters);
  for (int i = 0; i < kFields - 1; ++i) a->Send("Enter");
  StepSeen(*a, {"Enter"}, "Powstal plik: xml/fv1.edi");
  ASSERT_TRUE(a->WaitForScreen("rodzaj: FV", kParameters)) << a->Screen();
  const std::string text = data.Read("xml/fv1.edi");
  ExpectGolden("fv_smakosz.edi", Normalised(text));
  EXPECT_EQ(invoicing::testing::EdifactFaults({data / "xml/fv1.edi"}), "");
  EXPECT_EQ(Cfg("INV_NR_KOM"), "42");
  EXPECT_NE(Cfg("INV_RFF_IV_VA"), "?") << "the keys the table lacked are appended";

  // kill -9 on the parameter screen: the file and the number stay as they were.
  Step(*a, {"F8"}, kParameters);
  a->Kill(SIGKILL);
  EXPECT_EQ(a->WaitExit(), 128 + SIGKILL);
  EXPECT_EQ(data.Read("xml/fv1.edi"), text);
  EXPECT_EQ(Cfg("INV_NR_KOM"), "42");
  EXPECT_EQ(XmlFolder(), std::vector<std::string>{"fv1.edi"});

  // The next station finds everything in order.
  auto b = StartInDowody(data.str(), work.str(), "b");
  Leave(*b);
  ExpectVerifyFindsNothing(data.str());
}

}  // namespace
}  // namespace hurt::testing
