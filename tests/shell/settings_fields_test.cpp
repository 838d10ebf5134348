// The fields of the settings screens: every user setting on exactly one page, nothing
// drawn over anything else, and the checks of typed values.
#include "shell/settings_fields.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "base/clock.h"
#include "base/cp852.h"
#include "base/picture.h"
#include "session/settings.h"
#include "xbase/memory_env.h"

namespace hurt::shell {
namespace {

using namespace literals;

// The settings the user pages edit: the table of telling settings and the list of the
// other switches and codes.
const std::vector<std::string> kUserSettings = {
    "J_VAT", "J_PTUA", "J_PTUB", "J_PTUC", "J_PTUD", "J_PTUE", "J_PTUF", "J_DF_NAZWA", "J_DF", "J_I3", "J_RD",
    "J_SD", "J_XKP", "J_XKW", "JF_KP", "JF_KW", "JF_NO", "JF_KP_KW", "JF_KP_", "J_NAPED", "J_MAG_GLOW", "J_MAG_K",
    "J_MAG_U", "J_MAG_UU", "J_MAG_KOMI", "J_INF_UJEM", "J_DOP_UJEM", "J_CENA_SR", "J_CENA_BRU", "J_POZIOM",
    "J_MIN_MARZ", "J_SPZ", "J_TEZ", "J_SD_RABAT", "J_RAB_SD_K", "J_ORYGINAL", "J_PKWIU", "J_PAPIER", "J_EJECT",
    "J_WW1", "J_WW2", "J_ST_TEKST", "J_ST_TEKS1", "J_REKLAMA1", "J_REKLAMA2", "J_WAL", "J_WAL_AUTO", "J_FZ",
    "J_AUTOMAT", "J_UZGADNIA", "J_FVZMIENI", "J_BLOKOWAC", "J_KARENCJA", "J_KOPIOWAC", "J_GDZIE_VV",
    "J_SD_GROSZ", "J_UBYTEK", "J_UBYTEK2",
    "J_UPUST", "J_NOWE_STA", "J_DRUK_IND", "J_SD_RAZEM", "J_SD_Z1MAG", "J_BOGATY_R", "J_FILTR", "J_REJ_NETT",
    "J_DOW1_MAG", "J_OPA", "J_MOD_OPA", "J_ATEST", "J_ATEST_DR", "J_OPA_DRUK", "J_FV_SYMBO", "J_AUTO_ZAP",
    "J_FOLDER", "J_NEC_M1", "J_NEC_M2", "J_SPECYFIK", "J_FA_SORT", "J_ZLE_UZGO", "J_DRU_RABA", "J_1_KOMPUT",
    "J_TOCZ_KAS", "J_PZ", "J_RAP2SK", "J_RAB_POZ", "J_GETNIP", "J_RK_CZYST", "J_ZER_NRD", "J_WIELE_W",
    "J_MAG_DRUK", "J_STRASZYC", "J_MAG1DYSK", "J_KOD13_F5", "J_LEN_P", "J_SPOWOLNI", "J_OPA_DF", "J_ZPCHR",
    "J_ODCH", "J_GET_C_N", "J_SD_SCAL", "J_MIN_MAX", "J_TEN_SAM", "J_ATEST_ZA", "J_DUPLIKAT", "J_LACH",
    "J_KOD13W", "J_MAG00", "J_INDEKS00", "J_KP_R", "J_FAKTORIN", "J_PP_PLIK", "J_MARZA_PZ", "J_SD_POPRA",
    "J_MAG_DOPI", "J_MAG_PRZY", "J_TANGO", "J_WZ_PRZEN", "J_SZUFLADA", "J_PZ_METKA", "J_PATH", "J_RABAT_AS",
    "J_FV_SALDO", "J_DATA_WAZ", "J_ED_NIP", "J_BLOKUJ_N",
};
const std::vector<std::string> kInstallerSettings = {"J_KSEF", "J_KANTY", "J_RABAT29", "J_MARZA29", "J_SKLEP",
                                                     "J_KOD13ZN", "J_FV_WZ_SC", "J_WITEK1", "J_WITEK2",
                                                     "J_WITEK3", "J_FF2", "J_KSEF_QR"};

std::map<std::string, int> PagesOf(const std::vector<SettingsPage>& pages) {
  std::map<std::string, int> count;
  for (const SettingsPage& p : pages)
    for (const SettingField& f : p.fields) ++count[std::string(f.name)];
  return count;
}

TEST(SettingsPages, EveryUserSettingIsOnExactlyOnePageAndTheInstallersOnItsOwn) {
  const std::map<std::string, int> user = PagesOf({UserPage(1), UserPage(2), UserPage(3)});
  for (const std::string& name : kUserSettings) EXPECT_EQ(user.count(name) ? user.at(name) : 0, 1) << name;
  EXPECT_EQ(user.size(), kUserSettings.size());
  const std::map<std::string, int> installer = PagesOf({InstallerPage()});
  for (const std::string& name : kInstallerSettings) EXPECT_EQ(installer.count(name), 1u) << name;
  EXPECT_EQ(installer.size(), kInstallerSettings.size());
}

// The width a field takes on the screen, as the form shows it.
int ShownWidth(const SettingField& f, const session::Settings& settings) {
  if (f.width > 0) return f.width;
  const session::SettingDef* def = settings.Definition(f.name);
  if (def->kind == session::SettingKind::kNumber) return static_cast<int>(ParsePicture(f.picture).mask.size());
  return std::max<int>(f.size, def->Width());
}

// Each label and field lies inside rows 2-22 and 80 columns, and no two of them share a
// cell (also with the page's fixed texts): what the operator reads is what is there.
TEST(SettingsPages, NothingIsDrawnOverAnythingElse) {
  FakeClock clock{2024, 3, 15};
  xbase::MemoryEnv env(clock);
  session::Settings settings(env);
  for (const SettingsPage& page : {UserPage(1), UserPage(2), UserPage(3), InstallerPage()}) {
    std::map<std::pair<int, int>, std::string> cells;
    auto take = [&](int row, int col, int width, const std::string& what) {
      ASSERT_GE(row, 2) << what;
      ASSERT_LE(row, 22) << what;
      ASSERT_GE(col, 0) << what;
      ASSERT_LE(col + width, 80) << what;
      for (int c = col; c < col + width; ++c) {
        auto [it, fresh] = cells.emplace(std::make_pair(row, c), what);
        ASSERT_TRUE(fresh) << what << " over " << it->second << " at " << row << "," << c;
      }
    };
    for (const PageText& t : page.texts) take(t.row, t.col, static_cast<int>(t.text.size()), "text");
    for (const SettingField& f : page.fields) {
      ASSERT_NE(settings.Definition(f.name), nullptr) << f.name;
      const int label = f.name == "J_DF" ? FieldColumn(f) - f.col : static_cast<int>(f.label.size());
      take(f.row, f.col, label, std::string(f.name) + " label");
      take(f.row, FieldColumn(f), ShownWidth(f, settings), std::string(f.name));
      EXPECT_FALSE(f.hint.empty()) << f.name;
      EXPECT_LE(f.hint.size(), 80u) << f.name;
    }
  }
}

// The third page is a grid of short switches and codes: in each of its columns the values
// begin at one column, so that a label one letter short does not shift its value.
TEST(SettingsPages, TheThirdPageKeepsItsValuesInColumns) {
  std::map<int, std::map<int, std::vector<std::string>>> value_columns;  // label column -> value column -> fields
  for (const SettingField& f : UserPage(3).fields) value_columns[f.col][FieldColumn(f)].push_back(std::string(f.name));
  for (const auto& [label_col, by_value] : value_columns) {
    if (by_value.size() == 1) continue;
    std::string found;
    for (const auto& [value_col, names] : by_value) {
      found += std::to_string(value_col) + ":";
      for (const std::string& n : names) found += " " + n;
      found += "; ";
    }
    ADD_FAILURE() << "labels at column " << label_col << " put their values at " << found;
  }
}

TEST(SettingsChecks, SwitchesAndLetters) {
  EXPECT_EQ(CheckYesNo("T"), "");
  EXPECT_EQ(CheckYesNo("N"), "");
  EXPECT_NE(CheckYesNo("X"), "");
  EXPECT_NE(CheckYesNo(" "), "");
  for (char c : std::string("GTPFKBCH")) EXPECT_EQ(CheckOneOf(std::string(1, c), "GTPFKBCH"), "") << c;
  EXPECT_EQ(CheckOneOf("Z", "GTPFKBCH"), "Dozwolone tylko: G,T,P,F,K,B,C,H");
  EXPECT_NE(CheckOneOf(" ", "TNX"), "");
  EXPECT_EQ(CheckOneOf("-", "TNX-CG"), "");
}

TEST(SettingsChecks, KindsDrivesAndWarehouses) {
  EXPECT_EQ(CheckBeginsWith("KP ", "KP"), "");
  EXPECT_EQ(CheckBeginsWith("KP1", "KP"), "");
  EXPECT_NE(CheckBeginsWith("KW ", "KP"), "");
  EXPECT_NE(CheckBeginsWith(" KP", "KP"), "");
  EXPECT_EQ(CheckBeginsWith("FZZ", "F"), "");
  EXPECT_NE(CheckBeginsWith("ZF ", "F"), "");
  EXPECT_EQ(CheckDrive("C"), "");
  EXPECT_NE(CheckDrive("1"), "");
  EXPECT_NE(CheckDrive(" "), "");
  EXPECT_EQ(CheckMainWarehouse("2"), "");
  EXPECT_NE(CheckMainWarehouse("0"), "");
  EXPECT_NE(CheckMainWarehouse(" "), "");
  EXPECT_EQ(CheckNotNegative(0), "");
  EXPECT_NE(CheckNotNegative(-1), "");
}

TEST(SettingsChecks, FiscalRateLetters) {
  for (const char* ok : {"23", " 8", " 0", "ZW", "NP", "--", "5 "}) EXPECT_EQ(CheckPtu(ok, false), "") << ok;
  for (const char* bad : {"", "  ", "A", "2x", "123", "8.5"}) EXPECT_NE(CheckPtu(bad, false), "") << bad;
  EXPECT_EQ(CheckPtu("13.5", true), "");
  EXPECT_EQ(CheckPtu(" 8.0", true), "");
  EXPECT_NE(CheckPtu("13.55", true), "");
}

TEST(SettingsAfterPages, ConsignmentWarehousesAndTheWeighedCode) {
  EXPECT_EQ(NormaliseMagKomi(" 2 0 3    "), "23");
  EXPECT_EQ(NormaliseMagKomi("0 0       "), std::string("│"_pl));
  EXPECT_EQ(NormaliseKod13w("  "), "XX");
  EXPECT_EQ(NormaliseKod13w("28"), "28");
}

TEST(SettingsPages, TheFiscalTextIsAskedByTheModel) {
  EXPECT_EQ(DfLabel("FP-600    "), "Co wysyłac do FP-600 ?"_pl);
  EXPECT_EQ(DfLabel("ORHMET    "), "Co wysyłac do ORHMETa "_pl);
  EXPECT_EQ(DfLabel("DF-300  "), "Co wysyłac do FISKALNEJ ?"_pl);
}

}  // namespace
}  // namespace hurt::shell
