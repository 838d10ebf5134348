// The defaults of every setting, set before the settings file is restored.
#include <array>

#include "base/cp852.h"
#include "session/settings.h"

namespace hurt::session {

namespace {

using namespace hurt::literals;

constexpr std::string_view kBlanks =
    "                                                                                ";  // 80

constexpr SettingDef Text(std::string_view name, std::string_view value) {
  return {name, SettingKind::kText, value, 0, 0};
}
constexpr SettingDef Blank(std::string_view name, size_t width) { return Text(name, kBlanks.substr(0, width)); }
constexpr SettingDef No(std::string_view name) { return Text(name, "N"); }
constexpr SettingDef Yes(std::string_view name) { return Text(name, "T"); }
constexpr SettingDef Number(std::string_view name, double value, int decimals = 0) {
  return {name, SettingKind::kNumber, {}, value, decimals};
}

constexpr auto kDefinitions = std::to_array<SettingDef>({
    // "N" switches.
    No("J_1_KOMPUT"), No("J_ATEST_DR"), No("J_ATEST_ZA"), No("J_AUTOMAT"), No("J_AUTO_ZAP"),
    No("J_BEZ_VIEW"), No("J_BLOKOWAC"), No("J_CENA_BRU"), No("J_DATA_WAZ"), No("J_DOP_UJEM"),
    No("J_DRUKARKA"), No("J_DRUK_IND"), No("J_DRU_RABA"), No("J_ED_NIP"), No("J_EJECT"),
    No("J_FA_SORT"), No("J_FILTR"), No("J_FV_SALDO"), No("J_FV_WZ_SC"), No("J_GETNIP"),
    No("J_KANTY"), No("J_KOD13ZN"), No("J_KOPIOWAC"), No("J_KOREKTA_"), No("J_LACH"),
    No("J_MAG1DYSK"), No("J_MAG_DRUK"), No("J_MARZA_PZ"), No("J_MIN_MAX"), No("J_MOD_OPA"),
    No("J_NEC1"), No("J_NEC2"), No("J_NOWE_STA"), No("J_ODCH"), No("J_OPA_DRUK"),
    No("J_PODATEK"), No("J_PZ"), No("J_PZ_METKA"), No("J_RABAT_ZB"), No("J_RAB_POZ"),
    No("J_RAP2SK"), No("J_REJ_NETT"), No("J_RK_CZYST"), No("J_SD_GROSZ"), No("J_SD_SCAL"),
    No("J_SKLEP"), No("J_SREDNIA_"), No("J_SZUFLADA"), No("J_TANGO"), No("J_TEN_SAM"),
    No("J_UPUST"), No("J_WAL_AUTO"), No("J_WIELE_W"), No("J_WZ_PRZEN"), No("J_ZAKUPU"),
    No("J_ZER_NRD"), No("J_ZLE_UZGO"), No("J_ZM_INDEK"), No("J_ZPCHR"),
    // Forced to "N" at every start; declared here so that it is saved like the others.
    No("J_NODB1"),

    // "T" switches.
    Yes("J_ATEST"), Yes("J_BLOKUJ_N"), Yes("J_BOGATY_R"), Yes("J_CENA_SR"), Yes("J_DOW1_MAG"),
    Yes("J_DUPLIKAT"), Yes("J_FVZMIENI"), Yes("J_GET_C_N"), Yes("J_INF_UJEM"), Yes("J_KOLOR"),
    Yes("J_KSEF"), Yes("J_OPA_DF"), Yes("J_OPA_OPA"), Yes("J_ORYGINAL"), Yes("J_PKWIU"),
    Yes("J_RABAT_AS"), Yes("J_SD_POPRA"), Yes("J_SD_RAZEM"), Yes("J_SD_Z1MAG"), Yes("J_SPECYFIK"),
    Yes("J_STRASZYC"), Yes("J_TOCZ_KAS"), Yes("J_UZGADNIA"), Yes("J_WALUTA"), Yes("J_ZAOKRAGL"),

    // Numbers. The loss percentages are edited with one decimal ("9.9").
    Number("J_MIN_MARZ", 0), Number("J_NEC_M1", 0), Number("J_NEC_M2", 0), Number("J_RAB_SD_K", 0),
    Number("J_UBYTEK", 0, 1), Number("J_UBYTEK2", 0, 1), Number("J_WW1", 0), Number("J_WW2", 0),
    Number("J_POZIOM", 1), Number("J_PP", 1), Number("J_SPOWOLNI", 1), Number("J_LEN_P", 4),
    Number("J_KARENCJA", 10), Number("J_METKI_IL", 10), Number("J_PAPIER", 10), Number("J_TEZ", 14),

    // Blank texts of a given width.
    Blank("J_HANDEL", 40), Blank("J_INNE", 40), Blank("J_PRODUKCJ", 40), Blank("J_REKLAMA1", 40),
    Blank("J_REKLAMA2", 40), Blank("J_USLUGI", 40),
    Blank("J_ST_TEKST", 80), Blank("J_ST_TEKS1", 80),
    Blank("J_ARCHIWUM", 60), Blank("J_MAGAZYN", 60), Blank("J_RAPORTY", 60),
    Blank("J_WITEK1", 35), Blank("J_WITEK2", 35), Blank("J_WITEK3", 35),
    Blank("J_PATH", 30), Blank("J_FF2", 29), Blank("J_DF", 25), Blank("J_FOLDER", 12),
    Blank("J_MAG_DOPI", 10), Blank("J_MAG_PRZY", 10), Blank("J_PP_PLIK", 10),
    Blank("J_KATALOG", 8), Blank("J_DRUK", 7), Blank("J_FV_SYMBO", 4), Blank("J_SETZO", 3),
    Blank("J_INDEKS00", 2), Blank("J_GDZIE_VV", 1), Blank("J_MAG00", 1),

    // Other texts.
    Text("J_NAZWA", " OBSŁUGA HURTOWNI "_pl),
    Text("J_VAT", "23"),
    Text("J_PTUA", "--"), Text("J_PTUB", " 8"), Text("J_PTUC", " 5"), Text("J_PTUD", " 0"),
    Text("J_PTUE", "ZW"), Text("J_PTUF", " 0"), Text("J_PTUZ", " 0"),
    Text("J_RD", "FV "), Text("J_SD", "SD "), Text("J_FZ", "FZ "), Text("J_XKP", "KP "),
    Text("J_XKW", "KW "), Text("J_OPA", "OPA"), Text("J_SPZ", "G"), Text("J_SD_RABAT", " 2"),
    Text("J_SD0_LOJA", "1"), Text("J_SD1_LOJA", "2"), Text("J_SD2_LOJA", "3"),
    Text("J_MAG_GLOW", "1"), Text("J_MAG_K", "K"), Text("J_MAG_U", "U "), Text("J_MAG_UU", "U "),
    Text("J_MAG_KOMI", "│"_pl),  // no consignment warehouse
    Text("J_SETMAG", "A"), Text("J_SETNAZWA", "AAAAAAAA"), Text("J_GDZIE", "A"), Text("J_NAPED", "A"),
    Text("J_COM", "1"), Text("J_I3", "2"), Text("J_RABAT29", "3"), Text("J_MARZA29", "20"),
    Text("J_USUN_PL", "0"), Text("J_KOD13W", "28"), Text("J_KOD13_F5", "131313131313 "),
    Text("J_WAL", "EUR"), Text("J_DF_NAZWA", "DF-300  "),
    Text("J_LOGO", "logo.bmp  "),         // picture printed on documents, 10 characters
    Text("J_FAKTORIN", "FAKTORIN.TXT"),   // a file of the data directory, found in either case
    Text("J_JPK", "/jpk_vat            "),   // C:\JPK_VAT + 10 blanks
    Text("J_CDN", "/vat                     "),  // C:\VAT + 19 blanks
    Text("J_KP_R", "/brantel                 "),  // C:\BRANTEL + 15 blanks
    Text("J_DAT_OPE", "01/01/94"), Text("J_TIM_OPE", "07:34:00"),
    Text("J_BOSS", "WREN"),  // supervisor's correction password until changed
    // The address of the KSeF verification codes (KOD I) on invoice PDFs; 40 characters.
    Text("J_KSEF_QR", "https://qr.ksef.mf.gov.pl               "),

    // Session mirrors, never saved.
    Number("JF_KP", 0), Number("JF_KW", 0), Number("JF_NO", 0), Number("JF_WE", 0),
    Number("JF_KP_KW", 0), Number("JF_KP_", 0),
    Text("LJ_DF_NAZWA", ""),
});

static_assert(kDefinitions[0].name == "J_1_KOMPUT");

}  // namespace

std::span<const SettingDef> SettingDefinitions() { return kDefinitions; }

}  // namespace hurt::session
