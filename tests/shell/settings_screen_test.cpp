// The settings screens as the operator uses them: PARAMETRY_PROGRAMU over a station's
// tables (firma, the document kinds, the articles) and INST_KORV, on an in-memory data
// directory with the headless screen.
#include "shell/settings_screen.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "base/text.h"
#include "console/keys.h"
#include "session/area_fields.h"
#include "session/password_hash.h"
#include "session/session.h"
#include "session/settings_rules.h"
#include "shell/settings_fields.h"
#include "support/screen_driver.h"
#include "xbase/memory_env.h"
#include "xbase/table.h"

namespace hurt::shell {
namespace {

namespace key = console::key;

constexpr const char* kDir = "/d";
constexpr const char* kPeriod = "/d/24/03";

class SettingsScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(env.CreateDirs(kPeriod).ok());
    session::SessionOptions options;
    options.data_dir = kDir;
    session = std::make_unique<Session>(env, d.con, options);
    session->set_hh("24/03");
    session->op().nr = "0";
    MakeFirma();
    MakeSlow();
    MakeArticles(/*cenam=*/false, /*ilosc_decimals=*/3);
  }

  // firma in work area 1 with its counters and drive.
  void MakeFirma() {
    ASSERT_TRUE(xbase::Table::Create(env, "/d/firma.dbf",
                                     {{"ST", 'C', 30, 0}, {"AB", 'C', 1, 0}, {"KP", 'N', 8, 0}, {"KW", 'N', 8, 0},
                                      {"NO", 'N', 8, 0}, {"KP_KW", 'N', 8, 0}, {"KP_", 'N', 8, 0}})
                    .ok());
    auto firma = session->areas().Open(1, "/d/firma.dbf", "firma");
    ASSERT_TRUE(firma.ok());
    xbase::WorkArea& f = **firma;
    ASSERT_TRUE(f.Append().ok());
    ASSERT_TRUE(f.Replace("AB", xbase::Value(std::string("A"))).ok());
    ASSERT_TRUE(f.Replace("KP", xbase::Value(5.0)).ok());
    ASSERT_TRUE(f.Replace("KW", xbase::Value(3.0)).ok());
    ASSERT_TRUE(f.Unlock().ok());
  }

  // The document kinds FV, SD, WZ in work area 9, ordered by RD.
  void MakeSlow() {
    const std::string path = std::string(kPeriod) + "/slow.dbf";
    ASSERT_TRUE(xbase::Table::Create(env, path, {{"RD", 'C', 3, 0}, {"OPIS", 'C', 20, 0}}).ok());
    auto slow = session->areas().Open(9, path, "slow", xbase::AreaOpenOptions{.exclusive = true});
    ASSERT_TRUE(slow.ok());
    for (const char* rd : {"FV ", "SD ", "WZ "}) {
      ASSERT_TRUE((*slow)->Append().ok());
      ASSERT_TRUE((*slow)->Replace("RD", xbase::Value(std::string(rd))).ok());
    }
    ASSERT_TRUE((*slow)->Unlock().ok());
    ASSERT_TRUE((*slow)->CreateOrder(std::string(kPeriod) + "/slow.ntx", "rd").ok());
    ASSERT_TRUE((*slow)->SetOrder(1).ok());
  }

  void MakeArticles(bool cenam, int ilosc_decimals) {
    (void)session->areas().Close(2);
    const std::string path = std::string(kPeriod) + (cenam ? "/as_m.dbf" : "/as.dbf");
    std::vector<xbase::DbfFieldDescriptor> fields = {
        {"MAG", 'C', 1, 0}, {"INDEKS", 'C', 8, 0}, {"ILOSC", 'N', 12, ilosc_decimals}};
    if (cenam) fields.push_back({"CENAM", 'N', 14, 2});
    ASSERT_TRUE(xbase::Table::Create(env, path, fields).ok());
    ASSERT_TRUE(session->areas().Open(2, path, "as").ok());
  }

  // Enter from the first field of a page to the field of `name`.
  static int Position(int page, std::string_view name) {
    int i = page == 1 ? 1 : 0;  // page 1 begins with the title field
    for (const SettingField& f : UserPage(page).fields) {
      if (f.name == name) return i;
      ++i;
    }
    ADD_FAILURE() << name << " is not on page " << page;
    return 0;
  }
  void Enters(int n) {
    for (int i = 0; i < n; ++i) d.Key(key::kEnter);
  }
  // Replaces the value of the field of `name` (the cursor on the page's first field).
  void Type(int page, std::string_view name, const std::string& text) {
    Enters(Position(page, name));
    d.Key(key::kCtrlY).Type(text).Key(key::kEnter);
  }
  // The pages that remain are left with Esc.
  void LeavePages(int from) {
    for (int p = from; p <= kUserPages; ++p) d.Key(key::kEsc);
  }

  bool Run(bool* saved = nullptr) {
    bool result = false;
    const bool ran = d.Run([&](console::Console&) { result = ParametryProgramu(*session); });
    if (saved) *saved = result;
    return ran;
  }

  session::Settings Stored() {
    session::Settings s(env);
    EXPECT_TRUE(s.Restore("/d/parametr.mem").ok());
    return s;
  }
  std::string Firma(const char* field) { return AllTrim(session::FieldText(*session->areas().Area(1), field)); }
  double FirmaNumber(const char* field) { return session::FieldNumber(*session->areas().Area(1), field); }

  hurt::testing::ScreenDriver d;
  xbase::MemoryEnv env{d.clock};
  std::unique_ptr<Session> session;
};

TEST_F(SettingsScreen, TheUsualDocumentKindMustBeOneOfTheDictionary) {
  const int row = 7;  // J_RD
  Type(1, "J_RD", "XX");
  d.Then([&] {
    EXPECT_TRUE(d.Contains("Nie ma takiego dowodu: XX"));
    EXPECT_EQ(d.con.cursor().row, row);  // the cursor stays in the field
  });
  d.Key(key::kCtrlY).Type("WZ").Key(key::kEnter);
  d.Then([&] { EXPECT_FALSE(d.Contains("Nie ma takiego dowodu")); });
  LeavePages(1);
  bool saved = false;
  ASSERT_TRUE(Run(&saved));
  EXPECT_TRUE(saved);
  EXPECT_EQ(Stored().Rd(), "WZ ");
  EXPECT_EQ(session->settings().Rd(), "WZ ");
  EXPECT_TRUE(env.Exists("/d/parametr.txt"));
}

TEST_F(SettingsScreen, ValuesOutsideTheirLettersAreRefusedWhereTheyAreTyped) {
  Enters(Position(1, "J_INF_UJEM"));
  d.Key(key::kCtrlY).Type("X").Key(key::kEnter);
  d.Then([&] {
    EXPECT_TRUE(d.Contains("Wpisz T lub N"));
    EXPECT_EQ(d.con.cursor().row, 16);
  });
  d.Key(key::kCtrlY).Type("N").Key(key::kEsc);  // Esc: the field keeps its old value
  d.Key(key::kCtrlY).Type("Z").Key(key::kEnter);  // page 2, J_ORYGINAL
  d.Then([&] { EXPECT_TRUE(d.Contains("Dozwolone tylko: T,N,X")); });
  d.Key(key::kCtrlY).Type("X").Key(key::kEnter);
  d.Key(key::kEsc);
  LeavePages(3);
  ASSERT_TRUE(Run());
  EXPECT_EQ(Stored().Text("J_INF_UJEM"), "T");
  EXPECT_EQ(Stored().Text("J_ORYGINAL"), "X");
}

TEST_F(SettingsScreen, TheRowBelowExplainsTheFieldBeingEdited) {
  Enters(Position(1, "J_NAPED"));
  d.Then([&] { EXPECT_TRUE(d.ShowsAt(24, 0, "Litera napedu, na ktory F10 zapisuje dowody (A-Z)")); });
  d.Key(key::kCtrlY).Type("1").Key(key::kEnter);
  d.Then([&] { EXPECT_TRUE(d.ShowsAt(23, 0, "Podaj litere napedu A-Z")); });
  d.Key(key::kEsc);
  LeavePages(2);
  ASSERT_TRUE(Run());
}

TEST_F(SettingsScreen, MorePriceLevelsNeedThePriceLevelFieldOfTheArticles) {
  Type(1, "J_POZIOM", "3");
  d.Then([&] { EXPECT_TRUE(d.Contains("tylko 1 poziom")); });
  d.Key(key::kEsc);
  LeavePages(2);
  ASSERT_TRUE(Run());
  EXPECT_EQ(Stored().Poziom(), 1);

  MakeArticles(/*cenam=*/true, 3);
  Type(1, "J_POZIOM", "3");
  d.Key(key::kEsc);
  LeavePages(2);
  ASSERT_TRUE(Run());
  EXPECT_EQ(Stored().Poziom(), 3);
}

TEST_F(SettingsScreen, ThreeDecimalsOfQuantityOnlyWhenTheArticlesKeepThem) {
  MakeArticles(/*cenam=*/false, 2);
  Type(1, "J_I3", "3");
  d.Then([&] {
    EXPECT_TRUE(d.Contains("2 miejsca po przecinku"));
    EXPECT_TRUE(d.ShowsAt(6, 28, "2"));  // put back
  });
  d.Key(key::kEsc);
  LeavePages(2);
  ASSERT_TRUE(Run());
  EXPECT_EQ(Stored().I3(), 2);
}

class MinimumMargin : public SettingsScreen {
 protected:
  void SetUp() override {
    SettingsScreen::SetUp();
    // The installation's correction password, stored as the operator list stores it.
    ASSERT_TRUE(session->settings().SetText("J_BOSS", session::password::HashText("SZEF", "saltsaltsaltsalt", 10)).ok());
    ASSERT_TRUE(session::SaveSettings(session->settings(), kDir).ok());
  }
};

TEST_F(MinimumMargin, AChangeWithoutTheCorrectionPasswordIsUndone) {
  Type(1, "J_MIN_MARZ", "15");
  d.Then([&] { EXPECT_TRUE(d.Contains("PODAJ  HAS")); });
  d.Type("ZLE").Key(key::kEnter).Type("GORSZE").Key(key::kEnter);
  d.Then([&] {
    EXPECT_TRUE(d.Contains("Bez hasla marzy minimalnej nie zmieniam"));
    EXPECT_TRUE(d.ShowsAt(7, 71, "  0"));
  });
  d.Key(key::kEsc);
  LeavePages(2);
  ASSERT_TRUE(Run());
  EXPECT_EQ(Stored().Number("J_MIN_MARZ"), 0);
}

TEST_F(MinimumMargin, TheCorrectionPasswordLetsItChange) {
  Type(1, "J_MIN_MARZ", "15");
  d.Type("szef").Key(key::kEnter);
  d.Key(key::kEsc);
  LeavePages(2);
  ASSERT_TRUE(Run());
  EXPECT_EQ(Stored().Number("J_MIN_MARZ"), 15);
  EXPECT_EQ(Stored().Number("J_MIN_MARZ"), session->settings().Number("J_MIN_MARZ"));
}

TEST_F(SettingsScreen, ChangedCountersAndTheDriveGoToTheCompanyRecord) {
  Type(1, "JF_KP", "77");
  Enters(Position(1, "J_NAPED") - Position(1, "JF_KP") - 1);
  d.Key(key::kCtrlY).Type("C").Key(key::kEnter);
  d.Key(key::kEsc);
  LeavePages(2);
  ASSERT_TRUE(Run());
  EXPECT_EQ(FirmaNumber("KP"), 77);
  EXPECT_EQ(FirmaNumber("KW"), 3);  // untouched
  EXPECT_EQ(Firma("AB"), "C");
  EXPECT_EQ(Stored().Text("J_NAPED"), "C");
  EXPECT_EQ(session->settings().Number("JF_KP"), 77);
}

// Another station holds the company record: nothing is written anywhere, and the session
// keeps what it had.
TEST_F(SettingsScreen, ABusyCompanyRecordWritesNothing) {
  ASSERT_TRUE(session::SaveSettings(session->settings(), kDir).ok());
  xbase::WorkAreas other(env);
  auto held = other.Open(1, "/d/firma.dbf", "firma");
  ASSERT_TRUE(held.ok());
  ASSERT_TRUE((*held)->GoTop().ok());

  Type(1, "J_VAT", "8");
  Enters(Position(1, "J_NAPED") - Position(1, "J_VAT") - 1);
  d.Key(key::kCtrlY).Type("D").Key(key::kEnter);
  d.Key(key::kEsc).Key(key::kEsc);
  // Another station takes the record while the last page is read.
  d.Then([&] { ASSERT_TRUE((*held)->LockRecord().ok()); });
  d.Key(key::kEsc);
  bool saved = true;
  ASSERT_TRUE(Run(&saved));
  EXPECT_FALSE(saved);
  EXPECT_EQ(Stored().Text("J_NAPED"), "A");
  EXPECT_EQ(Stored().Vat(), "23");
  EXPECT_EQ(session->settings().Text("J_NAPED"), "A");
  EXPECT_EQ(session->settings().Vat(), "23");
  EXPECT_EQ(Firma("AB"), "A");
}

// A station whose operator's printer names another fiscal model edits and saves the
// installation's model, and keeps its own for the session.
TEST_F(SettingsScreen, TheStoredPrinterModelIsEditedNotTheOperatorsOne) {
  session->settings().BeginPrinterOverride("FP-600    ");
  Enters(Position(1, "J_DF_NAZWA"));
  d.Then([&] {
    EXPECT_TRUE(d.ShowsAt(4, 43, "DF-300  "));
    EXPECT_TRUE(d.ShowsAt(5, 0, "Co wysyłac do FISKALNEJ ?"));
  });
  d.Key(key::kEsc);
  LeavePages(2);
  ASSERT_TRUE(Run());
  EXPECT_EQ(Stored().DfNazwa(), "DF-300  ");
  EXPECT_EQ(session->settings().DfNazwa(), "FP-600    ");
}

// ---- INST_KORV ----

TEST_F(SettingsScreen, TheInstallerPageSavesItsSwitchesAndEmptiesTheOperatorLog) {
  {
    xbase::OpenOptions create;
    create.create = true;
    auto log = env.Open("/d/operator.txt", create);
    ASSERT_TRUE(log.ok());
    ASSERT_TRUE((*log)->WriteAt(0, "0 zalogowany\r\n").ok());
  }
  d.Then([&] { EXPECT_TRUE(d.Contains("Parametry administratora")); });
  d.Key(key::kCtrlY).Type("N").Key(key::kEnter);  // J_KSEF
  d.Key(key::kCtrlY).Type("N").Key(key::kEnter);  // J_KANTY
  d.Key(key::kPgDn);
  bool saved = false;
  ASSERT_TRUE(d.Run([&](console::Console&) { saved = InstKorv(*session); }));
  EXPECT_TRUE(saved);
  EXPECT_EQ(Stored().Text("J_KSEF"), "N");
  EXPECT_EQ(Stored().Text("J_KANTY"), "N");
  auto log = env.Open("/d/operator.txt", xbase::OpenOptions{.write = false});
  ASSERT_TRUE(log.ok());
  auto size = (*log)->Size();
  ASSERT_TRUE(size.ok());
  EXPECT_EQ(*size, 0u);
  EXPECT_EQ(Stored().Text("J_DAT_OPE"), "15/03/24");
  EXPECT_TRUE(env.Exists("/d/parametr.txt"));
}

TEST_F(SettingsScreen, EscOnTheInstallerPageLeavesTheFileAsItWas) {
  ASSERT_TRUE(session::SaveSettings(session->settings(), kDir).ok());
  d.Key(key::kCtrlY).Type("N").Key(key::kEnter).Key(key::kEsc);
  bool saved = true;
  ASSERT_TRUE(d.Run([&](console::Console&) { saved = InstKorv(*session); }));
  EXPECT_FALSE(saved);
  EXPECT_EQ(Stored().Text("J_KSEF"), "T");
  EXPECT_EQ(session->settings().Text("J_KSEF"), "T");
}

// A lost settings file is rebuilt from the snapshot before the page is shown.
TEST_F(SettingsScreen, TheInstallerRecoversALostFileFromTheSnapshot) {
  ASSERT_TRUE(session->settings().SetText("J_WITEK1", "ZEROWANIE").ok());
  ASSERT_TRUE(session::SaveSnapshot(session->settings(), kDir).ok());
  session->settings().ResetToDefaults();
  d.Then([&] { EXPECT_TRUE(d.Contains("ZEROWANIE")); }).Key(key::kEsc);
  ASSERT_TRUE(d.Run([&](console::Console&) { InstKorv(*session); }));
  EXPECT_EQ(Stored().Text("J_WITEK1"), "ZEROWANIE");
}

}  // namespace
}  // namespace hurt::shell
