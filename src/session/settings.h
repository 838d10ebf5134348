// The stored settings of an installation: every J_ variable with its type and default.
//
// All stations of an installation share one settings file, parametr.mem in the data
// directory, in the memory-variable file layout (xbase/mem_file.h). A Settings object is
// the session's copy: it starts at the defaults, Restore lays a file over them, Save
// writes the whole set back.
//
// Kinds of entries:
//   - stored settings, names beginning "J_": text (switches "T"/"N", codes, paths, free
//     texts) or numbers; restored and saved;
//   - session mirrors that are never saved: the cash-document counters JF_KP, JF_KW,
//     JF_NO, JF_WE, JF_KP_KW, JF_KP_ (copies of fields of the company record) and
//     LJ_DF_NAZWA (the stored fiscal printer model while an operator's printer overrides
//     J_DF_NAZWA for the session);
//   - foreign variables: J_ variables found in a restored file that this version does not
//     know (written by a newer or older version). They are kept as read and saved back
//     after ours, so a save never loses what another version stored.
//
// A text setting has a width: the length of its default, which is the field width the
// settings screens edit. Values are kept as assigned (xBase variables have no fixed
// length); the width is for the screens.
//
// Defaults that were Windows paths are written here as Linux paths: the drive "C:\" is the
// station's root "/", the rest lower case with forward slashes, padded with blanks to the
// original length ("C:\JPK_VAT" + 10 blanks becomes "/jpk_vat" + 12 blanks, 20 in all).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "xbase/env.h"
#include "xbase/mem_file.h"
#include "xbase/value.h"

namespace hurt::session {

enum class SettingKind { kText, kNumber };

// One known setting and its default.
struct SettingDef {
  std::string_view name;
  SettingKind kind = SettingKind::kText;
  std::string_view text;  // default of a text setting; its length is the width
  double number = 0;      // default of a number setting
  int decimals = 0;       // number settings: decimals kept in the file and on screen

  // Text: the length of the default. Number: the xBase width for its decimals.
  int Width() const;
  // Saved in the settings file: the names beginning "J_".
  bool Stored() const;
};

// Every known setting, stored ones first in a fixed order, then the session mirrors.
std::span<const SettingDef> SettingDefinitions();

class Settings {
 public:
  // Every setting at its default; files are read and written through env.
  explicit Settings(xbase::Env& env);

  // --- access by name (names are upper case; lower case is accepted) ---

  // True for a known setting and for a foreign variable restored from a file.
  bool Has(std::string_view name) const;
  // The definition of a known setting, nullptr otherwise.
  const SettingDef* Definition(std::string_view name) const;
  // The current value; NIL when the name is neither known nor foreign.
  xbase::Value Get(std::string_view name) const;
  // The text of a text setting ("" for a number or an unknown name).
  const std::string& Text(std::string_view name) const;
  // The value of a number setting (0 for a text or an unknown name).
  double Number(std::string_view name) const;
  // A "T"/"N" switch: true when the text begins with "T".
  bool Yes(std::string_view name) const;

  // Setters: NotFound for an unknown name, Invalid for the wrong type or a text too long
  // for the settings file. A foreign variable may be set with its own type.
  Status SetText(std::string_view name, std::string value);
  Status SetNumber(std::string_view name, double value);

  // Back to the defaults; foreign variables are dropped.
  void ResetToDefaults();

  // --- the settings most routines read ---
  const std::string& Vat() const { return Text("J_VAT"); }          // default VAT rate
  const std::string& Ptu(char letter) const;                        // J_PTUA..J_PTUF, J_PTUZ
  const std::string& DfNazwa() const { return Text("J_DF_NAZWA"); }  // fiscal printer model
  const std::string& Nazwa() const { return Text("J_NAZWA"); }       // title on the main screen
  const std::string& Rd() const { return Text("J_RD"); }             // usual document kind
  const std::string& Sd() const { return Text("J_SD"); }             // receipt document kind
  const std::string& MagGlow() const { return Text("J_MAG_GLOW"); }  // main warehouse
  const std::string& Spz() const { return Text("J_SPZ"); }           // default payment form
  int Tez() const { return static_cast<int>(Number("J_TEZ")); }      // default payment days
  int I3() const { return Text("J_I3") == "3" ? 3 : 2; }             // quantity decimals for the printer
  int Poziom() const { return static_cast<int>(Number("J_POZIOM")); }  // price levels

  // --- files ---

  // Lays the file over the current values (additive):
  //   - a J_ variable of the file replaces the current value of a known setting of the
  //     same type; with another type it is ignored (the setting keeps its value);
  //   - an unknown J_ variable becomes (or replaces) a foreign variable;
  //   - variables not beginning "J_" are ignored;
  //   - settings absent from the file keep their values.
  // While a printer override is active (LJ_DF_NAZWA not blank) the file's J_DF_NAZWA goes
  // to LJ_DF_NAZWA and the session model stays in J_DF_NAZWA.
  // The file is decoded whole before anything changes: on NotFound or Corruption (naming
  // the file) the settings are untouched.
  Status Restore(const std::string& path);

  // Writes every stored setting, then the foreign variables, replacing the file whole or
  // not at all (see xbase::WriteMemFile). J_DF_NAZWA is written as the stored model
  // LJ_DF_NAZWA when that is not blank, never as a session override.
  Status Save(const std::string& path) const;
  // What Save writes, in order.
  std::vector<xbase::MemVar> StoredVariables() const;

  // Fiscal printer model of the logged-in operator's printer, for this session only: the
  // stored model moves to LJ_DF_NAZWA (unless an override is already active) and J_DF_NAZWA
  // becomes `model`. EndPrinterOverride puts the stored model back.
  void BeginPrinterOverride(std::string model);
  void EndPrinterOverride();

  const std::vector<xbase::MemVar>& foreign() const { return foreign_; }
  xbase::Env& env() const { return *env_; }

 private:
  const xbase::Value* Find(std::string_view name) const;
  xbase::Value* Find(std::string_view name);

  xbase::Env* env_;
  std::vector<xbase::Value> values_;  // parallel to SettingDefinitions()
  std::vector<xbase::MemVar> foreign_;
};

}  // namespace hurt::session
