#include "session/settings.h"

#include <gtest/gtest.h>

#include <set>

#include "base/cp852.h"
#include "base/text.h"
#include "session/settings_rules.h"
#include "support/temp_dir.h"
#include "xbase/fault_env.h"
#include "xbase/mem_file.h"

namespace hurt::session {
namespace {

using namespace hurt::literals;
using xbase::MemVar;
using xbase::RealEnv;
using xbase::Value;

// Marker files as a set of names.
MarkerQuery Markers(std::set<std::string> names) {
  return [names = std::move(names)](std::string_view name) { return names.count(std::string(name)) > 0; };
}
const MarkerQuery kNoMarkers = Markers({});

std::string Blanks(size_t n) { return std::string(n, ' '); }

// --- defaults -----------------------------------------------------------------------

TEST(SettingDefaults, EveryKindHasItsCount) {
  int no = 0, yes = 0, numbers = 0, blanks = 0, other_texts = 0, mirrors = 0;
  std::set<std::string_view> names;
  for (const SettingDef& def : SettingDefinitions()) {
    EXPECT_TRUE(names.insert(def.name).second) << "twice: " << def.name;
    if (!def.Stored()) {
      ++mirrors;
      continue;
    }
    if (def.kind == SettingKind::kNumber) ++numbers;
    else if (def.text == "N") ++no;
    else if (def.text == "T") ++yes;
    else if (IsBlank(def.text)) ++blanks;
    else ++other_texts;
  }
  EXPECT_EQ(no, 60);  // with J_NODB1, forced to "N" at every start
  EXPECT_EQ(yes, 25);
  EXPECT_EQ(numbers, 16);
  EXPECT_EQ(blanks, 28);
  EXPECT_EQ(other_texts, 47);
  EXPECT_EQ(mirrors, 7);  // JF_KP, JF_KW, JF_NO, JF_WE, JF_KP_KW, JF_KP_, LJ_DF_NAZWA
}

TEST(SettingDefaults, EveryStoredNameFitsTheSettingsFile) {
  std::vector<MemVar> vars = Settings(RealEnv()).StoredVariables();
  EXPECT_EQ(vars.size(), 176u);
  EXPECT_TRUE(xbase::EncodeMemFile(vars).ok()) << xbase::EncodeMemFile(vars).status().ToString();
}

TEST(SettingDefaults, ExactValuesAndWidths) {
  Settings s(RealEnv());
  struct Expected {
    const char* name;
    std::string text;
  };
  constexpr std::string_view nazwa = " OBSŁUGA HURTOWNI "_pl;
  constexpr std::string_view komis = "│"_pl;
  const std::vector<Expected> texts = {
      {"J_NAZWA", std::string(nazwa)},
      {"J_VAT", "23"},
      {"J_PTUA", "--"},
      {"J_PTUB", " 8"},
      {"J_SD_RABAT", " 2"},
      {"J_MAG_KOMI", std::string(komis)},
      {"J_KOD13_F5", "131313131313 "},
      {"J_DF_NAZWA", "DF-300  "},
      {"J_FAKTORIN", "FAKTORIN.TXT"},
      {"J_JPK", "/jpk_vat" + Blanks(12)},
      {"J_CDN", "/vat" + Blanks(21)},
      {"J_KP_R", "/brantel" + Blanks(17)},
      {"J_BOSS", "WREN"},
      {"J_KSEF_QR", "https://qr.ksef.mf.gov.pl" + Blanks(15)},
      {"J_ST_TEKST", Blanks(80)},
      {"LJ_DF_NAZWA", ""},
  };
  for (const Expected& e : texts) EXPECT_EQ(s.Text(e.name), e.text) << e.name;

  EXPECT_EQ(s.Nazwa().size(), 18u);
  EXPECT_EQ(static_cast<unsigned char>(s.Nazwa()[4]), 0x9D);  // "Ł" in code page 852
  EXPECT_EQ(s.Definition("J_JPK")->Width(), 20);
  EXPECT_EQ(s.Definition("J_CDN")->Width(), 25);
  EXPECT_EQ(s.Definition("J_KP_R")->Width(), 25);
  EXPECT_EQ(s.Definition("J_DF_NAZWA")->Width(), 8);

  EXPECT_EQ(s.Tez(), 14);
  EXPECT_EQ(s.Poziom(), 1);
  EXPECT_EQ(s.I3(), 2);
  EXPECT_EQ(s.Number("J_LEN_P"), 4);
  EXPECT_EQ(s.Number("JF_KP_KW"), 0);
  EXPECT_EQ(s.Definition("J_UBYTEK")->decimals, 1);
  EXPECT_FALSE(s.Definition("JF_KP")->Stored());
  EXPECT_FALSE(s.Definition("LJ_DF_NAZWA")->Stored());
}

// --- access ---------------------------------------------------------------------------

TEST(SettingsAccess, TypedGettersAndSetters) {
  Settings s(RealEnv());
  EXPECT_TRUE(s.Yes("J_KOLOR"));
  EXPECT_FALSE(s.Yes("J_KANTY"));
  EXPECT_TRUE(s.Yes("j_kolor"));  // lower-case names are accepted

  EXPECT_TRUE(s.SetText("J_KANTY", "T").ok());
  EXPECT_TRUE(s.Yes("J_KANTY"));
  EXPECT_TRUE(s.SetNumber("J_TEZ", 30).ok());
  EXPECT_EQ(s.Tez(), 30);
  EXPECT_EQ(s.Get("J_TEZ"), Value(30.0));

  EXPECT_TRUE(s.SetText("J_TEZ", "30").IsInvalid());
  EXPECT_TRUE(s.SetNumber("J_VAT", 23).IsInvalid());
  EXPECT_TRUE(s.SetText("J_NIEMA", "x").IsNotFound());
  EXPECT_TRUE(s.SetText("J_VAT", std::string(70000, 'x')).IsInvalid());
  EXPECT_FALSE(s.Has("J_NIEMA"));
  EXPECT_TRUE(s.Get("J_NIEMA").IsNil());
  EXPECT_EQ(s.Text("J_NIEMA"), "");
  EXPECT_EQ(s.Text("J_TEZ"), "");  // a number has no text
}

// --- restore and save -------------------------------------------------------------------

class SettingsFiles : public testing::DataDirTest {
 protected:
  std::string mem() const { return dir / "parametr.mem"; }
  void WriteVars(const std::string& name, const std::vector<MemVar>& vars) const {
    auto bytes = xbase::EncodeMemFile(vars);
    ASSERT_TRUE(bytes.ok());
    dir.Write(name, *bytes);
  }
  std::vector<MemVar> ReadVars(const std::string& name) const {
    auto vars = xbase::ReadMemFile(RealEnv(), dir / name);
    EXPECT_TRUE(vars.ok()) << vars.status().ToString();
    return vars.ok() ? *vars : std::vector<MemVar>{};
  }
  static const MemVar* FindVar(const std::vector<MemVar>& vars, std::string_view name) {
    for (const MemVar& v : vars)
      if (v.name == name) return &v;
    return nullptr;
  }
};

TEST_F(SettingsFiles, SaveThenRestoreGivesBackEveryValue) {
  Settings a(RealEnv());
  constexpr std::string_view nazwa = " HURTOWNIA ŻUK     "_pl;
  ASSERT_TRUE(a.SetText("J_NAZWA", std::string(nazwa)).ok());
  ASSERT_TRUE(a.SetText("J_ST_TEKST", "Towar nie podlega reklamacji").ok());
  ASSERT_TRUE(a.SetNumber("J_UBYTEK", -1.5).ok());
  ASSERT_TRUE(a.SetNumber("J_KARENCJA", 365).ok());
  ASSERT_TRUE(a.Save(mem()).ok());

  Settings b(RealEnv());
  ASSERT_TRUE(b.Restore(mem()).ok());
  EXPECT_EQ(b.StoredVariables(), a.StoredVariables());
  EXPECT_EQ(b.Text("J_ST_TEKST"), "Towar nie podlega reklamacji");
  EXPECT_EQ(b.Number("J_UBYTEK"), -1.5);

  // Numbers carry their width and decimals into the file.
  const std::vector<MemVar> vars = ReadVars("parametr.mem");
  const MemVar* ubytek = FindVar(vars, "J_UBYTEK");
  ASSERT_NE(ubytek, nullptr);
  EXPECT_EQ(ubytek->decimals, 1);
  EXPECT_EQ(ubytek->width, 12);
}

TEST_F(SettingsFiles, SaveWritesOnlyStoredSettings) {
  Settings s(RealEnv());
  ASSERT_TRUE(s.SetNumber("JF_KP", 77).ok());
  ASSERT_TRUE(s.Save(mem()).ok());
  auto vars = ReadVars("parametr.mem");
  EXPECT_EQ(vars.size(), 176u);
  for (const MemVar& v : vars) EXPECT_EQ(v.name.substr(0, 2), "J_") << v.name;
}

TEST_F(SettingsFiles, RestoreIsAdditiveAndKeepsForeignVariables) {
  WriteVars("parametr.mem", {
                                {"J_VAT", Value(" 8")},
                                {"J_POZIOM", Value(3.0), 10, 0},
                                {"J_NOWY", Value("z nowszej wersji")},  // unknown to us
                                {"J_DATA_X", Value(xbase::Date{2460000})},
                                {"M_ODB", Value("ABC")},           // not a stored setting
                                {"J_TEZ", Value("14")},            // wrong type: ignored
                                {"J_KOLOR", Value("N")},
                            });
  Settings s(RealEnv());
  ASSERT_TRUE(s.SetText("J_RD", "FS ").ok());  // a current value absent from the file stays
  ASSERT_TRUE(s.Restore(mem()).ok());
  EXPECT_EQ(s.Vat(), " 8");
  EXPECT_EQ(s.Poziom(), 3);
  EXPECT_FALSE(s.Yes("J_KOLOR"));
  EXPECT_EQ(s.Rd(), "FS ");
  EXPECT_EQ(s.Sd(), "SD ");  // default
  EXPECT_EQ(s.Tez(), 14);    // kept: the file had text
  EXPECT_FALSE(s.Has("M_ODB"));
  EXPECT_EQ(s.Text("J_NOWY"), "z nowszej wersji");
  EXPECT_EQ(s.Get("J_DATA_X"), Value(xbase::Date{2460000}));
  EXPECT_TRUE(s.SetText("J_NOWY", "zmieniony").ok());

  // A second restore replaces the foreign value instead of adding another.
  ASSERT_TRUE(s.Restore(mem()).ok());
  EXPECT_EQ(s.foreign().size(), 2u);

  // Saving keeps what the other version wrote.
  ASSERT_TRUE(s.Save(dir / "nowy.mem").ok());
  auto vars = ReadVars("nowy.mem");
  EXPECT_EQ(vars.size(), 178u);
  ASSERT_NE(FindVar(vars, "J_NOWY"), nullptr);
  EXPECT_EQ(FindVar(vars, "J_NOWY")->value, Value("z nowszej wersji"));
  EXPECT_EQ(FindVar(vars, "J_DATA_X")->value, Value(xbase::Date{2460000}));
  EXPECT_EQ(FindVar(vars, "M_ODB"), nullptr);
}

TEST_F(SettingsFiles, DamagedOrMissingFileLeavesTheSettingsUntouched) {
  Settings base(RealEnv());
  ASSERT_TRUE(base.SetText("J_VAT", "ZW").ok());
  ASSERT_TRUE(base.Save(mem()).ok());
  std::string bytes = dir.Read("parametr.mem");
  dir.Write("parametr.mem", bytes.substr(0, bytes.size() - 40));

  Settings s(RealEnv());
  Status st = s.Restore(mem());
  EXPECT_TRUE(st.IsCorruption());
  EXPECT_NE(st.message().find("parametr.mem"), std::string::npos);
  EXPECT_EQ(s.StoredVariables(), Settings(RealEnv()).StoredVariables());

  EXPECT_TRUE(s.Restore(dir / "brak.mem").IsNotFound());
}

TEST_F(SettingsFiles, SessionPrinterModelIsNeverSaved) {
  Settings s(RealEnv());
  s.BeginPrinterOverride("FP-600    ");
  EXPECT_EQ(s.DfNazwa(), "FP-600    ");
  EXPECT_EQ(s.Text("LJ_DF_NAZWA"), "DF-300  ");
  ASSERT_TRUE(s.Save(mem()).ok());
  EXPECT_EQ(FindVar(ReadVars("parametr.mem"), "J_DF_NAZWA")->value, Value("DF-300  "));
  EXPECT_EQ(s.DfNazwa(), "FP-600    ");  // the session keeps its printer

  // A restore during the session brings the stored model (changed by another station)
  // into LJ_DF_NAZWA and keeps the operator's printer.
  Settings other(RealEnv());
  ASSERT_TRUE(other.SetText("J_DF_NAZWA", "ORHMET  ").ok());
  ASSERT_TRUE(other.Save(mem()).ok());
  ASSERT_TRUE(s.Restore(mem()).ok());
  EXPECT_EQ(s.DfNazwa(), "FP-600    ");
  EXPECT_EQ(s.Text("LJ_DF_NAZWA"), "ORHMET  ");

  // A second override keeps the stored model, not the first override.
  s.BeginPrinterOverride("FP-700  ");
  EXPECT_EQ(s.Text("LJ_DF_NAZWA"), "ORHMET  ");

  s.EndPrinterOverride();
  EXPECT_EQ(s.DfNazwa(), "ORHMET  ");
  EXPECT_EQ(s.Text("LJ_DF_NAZWA"), "");
}

TEST_F(SettingsFiles, FailedSaveLeavesThePreviousFileAndLaterSaveWins) {
  Settings s(RealEnv());
  ASSERT_TRUE(s.Save(mem()).ok());
  const std::string first = dir.Read("parametr.mem");

  xbase::FaultEnv env(RealEnv());
  env.TearWrite(1, 10);  // the file's first write lands 10 bytes, then fails
  Settings failing(env);
  ASSERT_TRUE(failing.SetText("J_VAT", " 8").ok());
  EXPECT_FALSE(failing.Save(mem()).ok());
  EXPECT_EQ(dir.Read("parametr.mem"), first);
  auto names = RealEnv().ListDir(dir.str());
  ASSERT_TRUE(names.ok());
  EXPECT_EQ(names->size(), 1u);

  // Two stations saving one after the other: the later file is the one left.
  Settings one(RealEnv()), two(RealEnv());
  ASSERT_TRUE(one.SetText("J_VAT", " 5").ok());
  ASSERT_TRUE(two.SetText("J_VAT", " 8").ok());
  ASSERT_TRUE(one.Save(mem()).ok());
  ASSERT_TRUE(two.Save(mem()).ok());
  Settings check(RealEnv());
  ASSERT_TRUE(check.Restore(mem()).ok());
  EXPECT_EQ(check.Vat(), " 8");
}

// --- default VAT rate -------------------------------------------------------------------

struct VatCase {
  const char* what;
  std::string vat, a, b, c, d;
  std::set<std::string> markers;
  std::string expected;
};

TEST(VatDomyslny, NormalisesTheDefaultRate) {
  const std::vector<VatCase> cases = {
      {"22 is no longer a rate: the A rate is taken", "22", "23", " 8", " 5", " 0", {}, "23"},
      {"ZW stays", "ZW", "23", " 8", " 5", " 0", {}, "ZW"},
      {"NP stays", "NP", "23", " 8", " 5", " 0", {}, "NP"},
      {"written without the blank", "8", "23", " 8", " 5", " 0", {}, " 8"},
      {"zero is the D rate", "0", "23", " 8", " 5", " 0", {}, " 0"},
      {"rate letters written carelessly", "5", "23", "8 ", "5 ", "0", {}, " 5"},
      {"unset A rate becomes 23", "7", "--", " 8", " 5", " 0", {}, "23"},
      {"above 23 is cut", "25", "25", " 8", " 5", " 0", {}, "23"},
      {"above 23 allowed in Norway", "25", "25", " 8", " 5", " 0", {"NORWEGIA.TXT"}, "25"},
      {"one decimal with VAT_13_5", "23", "23", " 8", " 5", " 0", {"VAT_13_5.TXT"}, "23.0"},
      {"one decimal, small rate", " 8", "23", " 8", " 5", " 0", {"VAT_13_5.TXT"}, " 8.0"},
      {"a rate the printer lacks becomes the A rate", "12", "23", " 8", " 5", " 0", {}, "23"},
      {"garbage reads as 0 %, the F rate", "xx", "23", " 8", " 5", " 7", {}, " 0"},
  };
  for (const VatCase& c : cases) {
    Settings s(RealEnv());
    ASSERT_TRUE(s.SetText("J_VAT", c.vat).ok());
    ASSERT_TRUE(s.SetText("J_PTUA", c.a).ok());
    ASSERT_TRUE(s.SetText("J_PTUB", c.b).ok());
    ASSERT_TRUE(s.SetText("J_PTUC", c.c).ok());
    ASSERT_TRUE(s.SetText("J_PTUD", c.d).ok());
    VatNormalisation r = VatDomyslny(s, Markers(c.markers));
    EXPECT_EQ(s.Vat(), c.expected) << c.what;
    EXPECT_EQ(r.shown, c.expected) << c.what;
    EXPECT_EQ(r.rate_changed, c.vat != c.expected) << c.what;
    EXPECT_EQ(r.column, c.markers.count("VAT_13_5.TXT") ? 76 : 78) << c.what;
    EXPECT_EQ(r.row, 13);
  }
}

TEST(VatDomyslny, NormalisesTheRateLettersToo) {
  Settings s(RealEnv());
  ASSERT_TRUE(s.SetText("J_PTUB", "8").ok());
  VatNormalisation r = VatDomyslny(s, kNoMarkers);
  EXPECT_EQ(s.Ptu('A'), "23");
  EXPECT_EQ(s.Ptu('B'), " 8");
  EXPECT_EQ(s.Ptu('E'), "ZW");  // E and F are left alone
  EXPECT_FALSE(r.rate_changed);
  EXPECT_TRUE(r.changed);

  VatNormalisation again = VatDomyslny(s, kNoMarkers);
  EXPECT_FALSE(again.changed);

  Settings zw(RealEnv());
  ASSERT_TRUE(zw.SetText("J_VAT", "ZW").ok());
  VatDomyslny(zw, kNoMarkers);
  EXPECT_EQ(zw.Ptu('A'), "--");  // with "ZW" nothing is touched
}

// --- start-up -------------------------------------------------------------------------

class SettingsStartup : public SettingsFiles {
 protected:
  Result<StartupSettings> Start(Settings& s, bool argument_3 = false, std::set<std::string> markers = {}) {
    return LoadSettingsAtStartup(s, dir.str(), Markers(std::move(markers)), argument_3);
  }
};

TEST_F(SettingsStartup, MissingFileIsCreatedFromTheNormalisedDefaults) {
  Settings s(RealEnv());
  auto r = Start(s);
  ASSERT_TRUE(r.ok()) << r.status().ToString();
  EXPECT_TRUE(r->created);
  EXPECT_TRUE(r->saved);
  EXPECT_FALSE(r->ptu_reset);  // the normalisation already made A "23"
  EXPECT_EQ(s.Vat(), "23");
  EXPECT_EQ(s.Ptu('A'), "23");
  EXPECT_TRUE(r->flags.podstawa_cena0);
  EXPECT_FALSE(r->flags.dow_blokuj);

  Settings back(RealEnv());
  ASSERT_TRUE(back.Restore(mem()).ok());
  EXPECT_EQ(back.StoredVariables(), s.StoredVariables());
}

TEST_F(SettingsStartup, StoredRate22IsReplacedByTheCurrentRateSet) {
  WriteVars("parametr.mem", {{"J_VAT", Value("22")}, {"J_PTUA", Value("22")}, {"J_PTUB", Value(" 7")},
                             {"J_PTUC", Value(" 3")}, {"J_PTUE", Value("NP")}, {"J_PTUZ", Value("ZW")}});
  Settings s(RealEnv());
  auto r = Start(s);
  ASSERT_TRUE(r.ok()) << r.status().ToString();
  EXPECT_TRUE(r->ptu_reset);
  EXPECT_TRUE(r->saved);
  EXPECT_EQ(s.Ptu('A'), "23");
  EXPECT_EQ(s.Ptu('B'), " 8");
  EXPECT_EQ(s.Ptu('C'), " 5");
  EXPECT_EQ(s.Ptu('D'), " 0");
  EXPECT_EQ(s.Ptu('E'), "ZW");
  EXPECT_EQ(s.Ptu('F'), " 0");
  EXPECT_EQ(s.Ptu('Z'), " 0");
  EXPECT_EQ(s.Vat(), "23");  // normalised again against the new rates
  EXPECT_TRUE(r->vat.rate_changed);

  Settings back(RealEnv());
  ASSERT_TRUE(back.Restore(mem()).ok());
  EXPECT_EQ(back.Ptu('B'), " 8");
  EXPECT_EQ(back.Vat(), "23");
}

TEST_F(SettingsStartup, ForcedValuesWinOverTheFile) {
  WriteVars("parametr.mem", {{"J_PKWIU", Value("N")}, {"J_RABAT_ZB", Value("T")}, {"J_ZAOKRAGL", Value("T")},
                             {"J_NODB1", Value("T")}, {"J_ZAKUPU", Value("N")}, {"J_VAT", Value("23")},
                             {"J_PTUA", Value("23")}});
  Settings s(RealEnv());
  auto r = Start(s);
  ASSERT_TRUE(r.ok()) << r.status().ToString();
  EXPECT_EQ(s.Text("J_PKWIU"), "T");
  EXPECT_EQ(s.Text("J_RABAT_ZB"), "N");
  EXPECT_EQ(s.Text("J_ZAOKRAGL"), "N");
  EXPECT_EQ(s.Text("J_NODB1"), "N");
  EXPECT_EQ(s.Text("J_ZAKUPU"), "T");
}

TEST_F(SettingsStartup, SoundFileIsNotRewritten) {
  Settings first(RealEnv());
  ASSERT_TRUE(Start(first).ok());
  const std::string bytes = dir.Read("parametr.mem");

  Settings second(RealEnv());
  auto r = Start(second);
  ASSERT_TRUE(r.ok());
  EXPECT_FALSE(r->created);
  EXPECT_FALSE(r->saved);
  EXPECT_EQ(dir.Read("parametr.mem"), bytes);
}

TEST_F(SettingsStartup, Argument3AsksThreeDecimalsUnlessOrhmet) {
  Settings first(RealEnv());
  auto r = Start(first, /*argument_3=*/true);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(first.I3(), 2);  // no file yet: the argument does not apply

  Settings s(RealEnv());
  r = Start(s, true);
  ASSERT_TRUE(r.ok());
  EXPECT_TRUE(r->saved);
  EXPECT_EQ(s.I3(), 3);
  Settings back(RealEnv());
  ASSERT_TRUE(back.Restore(mem()).ok());
  EXPECT_EQ(back.Text("J_I3"), "3");

  WriteVars("parametr.mem", {{"J_DF_NAZWA", Value("ORHMET  ")}, {"J_PTUA", Value("23")}});
  Settings orhmet(RealEnv());
  ASSERT_TRUE(Start(orhmet, true).ok());
  EXPECT_EQ(orhmet.I3(), 2);
}

TEST_F(SettingsStartup, DamagedFileStopsBeforeAnythingIsWritten) {
  dir.Write("parametr.mem", std::string("J_VAT\0\0\0\0\0\0\xC3", 12));
  Settings s(RealEnv());
  auto r = Start(s);
  EXPECT_TRUE(r.status().IsCorruption());
  EXPECT_NE(r.status().message().find("parametr.mem"), std::string::npos);
  EXPECT_EQ(dir.Read("parametr.mem").size(), 12u);
}

TEST_F(SettingsStartup, ReadsAnUpperCaseFileOfAnOlderInstallation) {
  WriteVars("PARAMETR.MEM", {{"J_VAT", Value(" 8")}, {"J_PTUA", Value("23")}});
  Settings s(RealEnv());
  auto r = Start(s);
  ASSERT_TRUE(r.ok());
  EXPECT_FALSE(r->created);
  EXPECT_EQ(s.Vat(), " 8");
}

// --- snapshot and recovery ----------------------------------------------------------------

TEST_F(SettingsFiles, SnapshotHasTheSameLayoutAndContent) {
  Settings s(RealEnv());
  ASSERT_TRUE(s.SetText("J_WAL", "USD").ok());
  ASSERT_TRUE(SaveSettings(s, dir.str()).ok());
  ASSERT_TRUE(SaveSnapshot(s, dir.str()).ok());
  EXPECT_EQ(dir.Read("parametr.txt"), dir.Read("parametr.mem"));
  ASSERT_TRUE(SaveSnapshot(s, dir.str()).ok());  // rewritten in place, no leftovers
  auto names = RealEnv().ListDir(dir.str());
  ASSERT_TRUE(names.ok());
  EXPECT_EQ(names->size(), 2u);
}

TEST_F(SettingsFiles, RecoveryFromTheSnapshot) {
  Settings saved(RealEnv());
  ASSERT_TRUE(saved.SetText("J_WAL", "USD").ok());
  ASSERT_TRUE(SaveSnapshot(saved, dir.str()).ok());

  // Lost settings file: the snapshot is restored and saved as the settings file.
  Settings s(RealEnv());
  auto source = RestoreOrRecover(s, dir.str());
  ASSERT_TRUE(source.ok()) << source.status().ToString();
  EXPECT_EQ(*source, SettingsSource::kSnapshot);
  EXPECT_EQ(s.Text("J_WAL"), "USD");
  EXPECT_EQ(dir.Read("parametr.mem"), dir.Read("parametr.txt"));

  // Sound settings file: it is the source.
  Settings t(RealEnv());
  source = RestoreOrRecover(t, dir.str());
  ASSERT_TRUE(source.ok());
  EXPECT_EQ(*source, SettingsSource::kSettingsFile);

  // Damaged settings file: rebuilt from the snapshot.
  dir.Write("parametr.mem", "\xC3garbage");
  Settings u(RealEnv());
  source = RestoreOrRecover(u, dir.str());
  ASSERT_TRUE(source.ok());
  EXPECT_EQ(*source, SettingsSource::kSnapshot);
  EXPECT_EQ(u.Text("J_WAL"), "USD");
  EXPECT_EQ(dir.Read("parametr.mem"), dir.Read("parametr.txt"));
}

TEST_F(SettingsFiles, RecoveryWithoutASnapshot) {
  Settings s(RealEnv());
  auto source = RestoreOrRecover(s, dir.str());
  ASSERT_TRUE(source.ok());
  EXPECT_EQ(*source, SettingsSource::kDefaults);
  EXPECT_FALSE(dir.Exists("parametr.mem"));

  dir.Write("parametr.mem", "zepsuty");
  source = RestoreOrRecover(s, dir.str());
  EXPECT_TRUE(source.status().IsCorruption());
  EXPECT_EQ(dir.Read("parametr.mem"), "zepsuty");  // kept for whoever repairs it
}

}  // namespace
}  // namespace hurt::session
