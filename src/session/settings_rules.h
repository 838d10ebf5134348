// The rules around the stored settings: the default VAT rate, loading at start-up, the
// text snapshot and the recovery of a lost settings file.
//
// Files (in the data directory):
//   parametr.mem  the settings of the installation, shared by every station;
//   parametr.txt  a snapshot in the same layout, rewritten when a station signs off and after
//                 each settings screen; it rebuilds a lost or damaged parametr.mem.
// Both are written whole or not at all (temporary file, sync, rename), so a crash or two
// stations saving at once never leave a torn or missing file: the later save wins. They
// are created lower case; an upper-case name left by an older installation is read too.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "base/result.h"
#include "session/settings.h"

namespace hurt::session {

inline constexpr std::string_view kSettingsFileName = "parametr.mem";
inline constexpr std::string_view kSnapshotFileName = "parametr.txt";

// True when the marker file of that name exists in the data directory (any case).
using MarkerQuery = std::function<bool(std::string_view name)>;

// Where the settings file and the snapshot are written in data_dir ("" = current folder).
std::string SettingsPath(const std::string& data_dir);
std::string SnapshotPath(const std::string& data_dir);

// What VatDomyslny did, and what the main screen shows.
struct VatNormalisation {
  bool rate_changed = false;  // J_VAT differs from before
  bool changed = false;       // J_VAT or one of J_PTUA..J_PTUD differs
  std::string shown;          // J_VAT, shown in bright white
  int row = 13;
  int column = 78;            // 76 with the one-decimal rates of VAT_13_5.TXT
};

// VAT_DOMYSLNY: makes the default VAT rate J_VAT one of the fiscal printer's rates.
//   1. "ZW" and "NP" stay as they are (nothing else changes).
//   2. J_VAT becomes its number as two characters; J_PTUA becomes "23" when it is "--",
//      else its number as two characters; J_PTUB, J_PTUC, J_PTUD their numbers as two
//      characters.
//   3. When J_VAT is none of the rates J_PTUA..J_PTUF it becomes J_PTUA.
//   4. A rate above 23 becomes 23 unless marker NORWEGIA.TXT exists.
//   5. The rate is written "99.9" with marker VAT_13_5.TXT, else "99".
// Rates are compared as numbers, so " 8" and "8 " are the same rate; letters that hold no
// number ("ZW", "NP") never equal a rate. The fiscal rates are whole numbers, so the marker
// VAT_13_5.TXT changes only how the rate is written (" 8.0", "23.0").
VatNormalisation VatDomyslny(Settings& settings, const MarkerQuery& marker);

// Session values fixed at every start whatever was stored; they are not J_ settings and
// belong to the session object.
struct SessionFlags {
  bool podstawa_cena0 = true;  // PODSTAWA_CENA0
  bool dow_blokuj = false;     // DOW_BLOKUJ
};

struct StartupSettings {
  bool created = false;    // parametr.mem was missing and has been written
  bool ptu_reset = false;  // the fiscal rates were reset to 23/8/5/0
  bool saved = false;      // parametr.mem was written during start-up
  VatNormalisation vat;    // the last normalisation (for the screen)
  SessionFlags flags;
};

// Start-up of the stored settings:
//   1. parametr.mem exists: restore it over the defaults, normalise the VAT rate; with the
//      argument "3" apply ApplyArgument3. Missing: normalise the VAT rate and create the
//      file with every setting.
//   2. When J_PTUA is "--", "22" or blank: the fiscal rates become A "23", B " 8", C " 5",
//      D " 0", E "ZW", F " 0", Z " 0", and the VAT rate is normalised again so that it is
//      one of the new rates.
//   3. The file is saved once when any of the above changed something (or created it).
//   4. Forced for the session, not saved here: J_PKWIU "T", J_RABAT_ZB "N", J_ZAOKRAGL "N",
//      J_NODB1 "N", J_ZAKUPU "T"; the flags PODSTAWA_CENA0 true and DOW_BLOKUJ false.
// A damaged parametr.mem is returned as Corruption naming the file, before anything is
// changed or written (the installer's RestoreOrRecover rebuilds it from the snapshot).
// A failed save is returned as its error; the settings in memory are complete by then.
Result<StartupSettings> LoadSettingsAtStartup(Settings& settings, const std::string& data_dir,
                                              const MarkerQuery& marker, bool argument_3);

// Start argument "3": three decimals of quantities for the fiscal printer (J_I3 "3") unless
// the printer model is "ORHMET". True when J_I3 was set; the caller saves.
bool ApplyArgument3(Settings& settings);

// Writes parametr.mem / the snapshot parametr.txt of data_dir.
Status SaveSettings(const Settings& settings, const std::string& data_dir);
Status SaveSnapshot(const Settings& settings, const std::string& data_dir);

enum class SettingsSource { kDefaults, kSettingsFile, kSnapshot };

// The installer's restore: parametr.mem when it exists and is sound; otherwise, when
// parametr.txt is sound, the snapshot, which is then saved as parametr.mem (replacing a
// damaged one); otherwise the defaults stay. The snapshot is not rewritten here.
// Errors: a failed save of the recovered file; a damaged parametr.mem without a sound
// snapshot (Corruption naming parametr.mem).
Result<SettingsSource> RestoreOrRecover(Settings& settings, const std::string& data_dir);

}  // namespace hurt::session
