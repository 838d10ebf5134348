// The fields of the settings screens: where each setting is edited, under which label,
// with which picture and check, and the line that explains it on row 24.
//
// PARAMETRY_PROGRAMU has three pages of user settings, INST_KORV one page of the
// installer's switches (those that change how the installation itself behaves: electronic
// invoices, the operator audit log, the shop mode, bar codes, the installer's own menu
// items and the path to the accounting data). Every setting listed for the user pages
// appears on exactly one of the three pages. Labels are code page 852, as shown.
//
// The checks that need only the typed value are here; those that look into the tables
// (a document kind in `slow`, the article table's fields) or ask a password are the
// screen's (settings_screen.cpp).
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace hurt::shell {

enum class SettingCheck {
  kFree,              // any value
  kYesNo,             // "T" or "N" (given to every setting whose default is "T" or "N")
  kOneOf,             // the first character is one of `letters`
  kBeginsWith,        // begins with `letters` (J_XKP "KP", J_XKW "KW", J_FZ "F")
  kDocKind,           // a document kind that exists in `slow` (J_RD, J_SD)
  kDrive,             // one letter A-Z (J_NAPED)
  kMainWarehouse,     // not blank and not "0" (J_MAG_GLOW)
  kPriceLevels,       // 1-10, above 1 only when the article table has CENAM (J_POZIOM)
  kMinMargin,         // 0-200, a change needs the correction password (J_MIN_MARZ)
  kNotNegative,       // a number >= 0 (J_TEZ, counters)
  kQuantityDecimals,  // "2" or "3", "3" only when the article quantity has 3 decimals (J_I3)
  kPtu,               // a fiscal rate letter (SPR_PTU)
};

struct SettingField {
  std::string_view name = {};  // J_ setting, or a JF_ counter of firma
  int row = 0;
  int col = 0;               // where the label begins
  std::string_view label = {};    // code page 852; "" for none
  std::string_view picture = {};  // "" = any character
  SettingCheck check = SettingCheck::kFree;
  std::string_view letters = {};  // kOneOf: the letters allowed; kBeginsWith: the beginning
  std::string_view hint = {};     // row 24, code page 852
  int size = 0;              // text: length of the edit buffer (0 = the value's length)
  int width = 0;             // window on a longer buffer (0 = all of it)
  int field_col = -1;        // -1: one column after the label
};

// A fixed text of a page (a label shared by several fields).
struct PageText {
  int row = 0;
  int col = 0;
  std::string_view text = {};
};

struct SettingsPage {
  std::span<const SettingField> fields;
  std::span<const PageText> texts;
};

inline constexpr int kUserPages = 3;
// Page 1..3 of PARAMETRY_PROGRAMU.
SettingsPage UserPage(int number);
// The page of INST_KORV.
SettingsPage InstallerPage();

// The column where a field's value begins.
int FieldColumn(const SettingField& field);
// The label of J_DF by the fiscal printer model: "Co wysyłac do FP-600 ?",
// "Co wysyłac do ORHMETa ", otherwise "Co wysyłac do FISKALNEJ ?".
std::string_view DfLabel(std::string_view model);

// ---- checks of the typed value ----
// Each returns "" when the value passes, otherwise what the operator is told.
std::string CheckYesNo(std::string_view value);
std::string CheckOneOf(std::string_view value, std::string_view letters);
std::string CheckBeginsWith(std::string_view value, std::string_view beginning);
std::string CheckDrive(std::string_view value);
std::string CheckMainWarehouse(std::string_view value);
std::string CheckNotNegative(double value);
// SPR_PTU: a rate of 0-99 written in two characters (" 8", "23"), "ZW", "NP" or "--"; with
// one-decimal rates (VAT_13_5.TXT) the rate may carry a decimal ("13.5").
std::string CheckPtu(std::string_view value, bool fine_rates);

// ---- what happens after the pages ----
// J_MAG_KOMI: blanks and "0" removed; nothing left becomes "│".
std::string NormaliseMagKomi(std::string_view value);
// J_KOD13W: empty becomes "XX".
std::string NormaliseKod13w(std::string_view value);

}  // namespace hurt::shell
