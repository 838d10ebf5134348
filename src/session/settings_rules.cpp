#include "session/settings_rules.h"

#include <array>

#include "base/numeric.h"
#include "base/text.h"

namespace hurt::session {

namespace {

constexpr std::string_view kNorwayMarker = "NORWEGIA.TXT";  // rates above 23 % allowed
constexpr std::string_view kFineRatesMarker = "VAT_13_5.TXT";  // rates with one decimal
constexpr double kHighestRate = 23;
constexpr std::array<char, 6> kRateLetters = {'A', 'B', 'C', 'D', 'E', 'F'};

std::string JoinPath(const std::string& dir, std::string_view name) {
  if (dir.empty()) return std::string(name);
  if (dir.back() == '/') return dir + std::string(name);
  return dir + "/" + std::string(name);
}

// The file as it exists: the lower-case name, else the upper-case one; "" when neither.
std::string ExistingFile(xbase::Env& env, const std::string& dir, std::string_view lower_name) {
  std::string lower = JoinPath(dir, lower_name);
  if (env.Exists(lower)) return lower;
  std::string upper = JoinPath(dir, Upper(lower_name));
  if (env.Exists(upper)) return upper;
  return "";
}

// A rate letter's text holds a number (" 8", "23", "13.5"), not "ZW", "NP", "--" or blanks.
bool HoldsRate(std::string_view text) {
  std::string t = AllTrim(text);
  return !t.empty() && t[0] >= '0' && t[0] <= '9';
}

void Set(Settings& settings, std::string_view name, std::string value) {
  Status s = settings.SetText(name, std::move(value));
  (void)s;  // every name used here is a known text setting
}

std::string RateLetter(char letter) { return std::string("J_PTU") + letter; }

}  // namespace

std::string SettingsPath(const std::string& data_dir) { return JoinPath(data_dir, kSettingsFileName); }
std::string SnapshotPath(const std::string& data_dir) { return JoinPath(data_dir, kSnapshotFileName); }

VatNormalisation VatDomyslny(Settings& settings, const MarkerQuery& marker) {
  const bool fine_rates = marker(kFineRatesMarker);
  const std::string vat_before = settings.Vat();
  std::array<std::string, 4> letters_before;
  for (size_t i = 0; i < 4; ++i) letters_before[i] = settings.Ptu(kRateLetters[i]);

  VatNormalisation result;
  result.column = fine_rates ? 76 : 78;

  if (!XbaseEquals(vat_before, "ZW") && !XbaseEquals(vat_before, "NP")) {
    // 2. Rates as numbers of two characters; "--" is the unset A rate.
    double rate = RoundHalfAway(Val(vat_before), 0);
    const std::string& a = settings.Ptu('A');
    Set(settings, "J_PTUA", XbaseEquals(a, "--") ? "23" : Str(Val(a), 2));
    for (char letter : {'B', 'C', 'D'}) Set(settings, RateLetter(letter), Str(Val(settings.Ptu(letter)), 2));

    // 3. The rate must be one the fiscal printer knows.
    bool known = false;
    for (char letter : kRateLetters) {
      const std::string& text = settings.Ptu(letter);
      if (HoldsRate(text) && RoundHalfAway(Val(text), 0) == rate) known = true;
    }
    if (!known) rate = Val(settings.Ptu('A'));

    // 4. and 5.
    if (rate > kHighestRate && !marker(kNorwayMarker)) rate = kHighestRate;
    Set(settings, "J_VAT", fine_rates ? Str(rate, 4, 1) : Str(rate, 2));
  }

  result.shown = settings.Vat();
  result.rate_changed = settings.Vat() != vat_before;
  result.changed = result.rate_changed;
  for (size_t i = 0; i < 4; ++i)
    if (settings.Ptu(kRateLetters[i]) != letters_before[i]) result.changed = true;
  return result;
}

bool ApplyArgument3(Settings& settings) {
  if (XbaseEquals(settings.DfNazwa(), "ORHMET")) return false;
  Set(settings, "J_I3", "3");
  return true;
}

Result<StartupSettings> LoadSettingsAtStartup(Settings& settings, const std::string& data_dir,
                                              const MarkerQuery& marker, bool argument_3) {
  StartupSettings out;
  bool save = false;

  const std::string existing = ExistingFile(settings.env(), data_dir, kSettingsFileName);
  if (!existing.empty()) {
    HURT_RETURN_IF_ERROR(settings.Restore(existing));
    out.vat = VatDomyslny(settings, marker);
    save = out.vat.changed;
    if (argument_3 && ApplyArgument3(settings)) save = true;
  } else {
    out.vat = VatDomyslny(settings, marker);
    out.created = true;
    save = true;
  }

  // A file from before the 23 % rate, or one never set up: the current rate set.
  const std::string& a = settings.Ptu('A');
  if (XbaseEquals(a, "--") || XbaseEquals(a, "22") || IsBlank(a)) {
    Set(settings, "J_PTUA", "23");
    Set(settings, "J_PTUB", " 8");
    Set(settings, "J_PTUC", " 5");
    Set(settings, "J_PTUD", " 0");
    Set(settings, "J_PTUE", "ZW");
    Set(settings, "J_PTUF", " 0");
    Set(settings, "J_PTUZ", " 0");
    out.ptu_reset = true;
    save = true;
    // The old default rate (often 22) is no longer among the rates.
    VatNormalisation again = VatDomyslny(settings, marker);
    again.rate_changed = again.rate_changed || out.vat.rate_changed;
    again.changed = true;
    out.vat = again;
  }

  // Forced at every start, whatever was stored.
  Set(settings, "J_PKWIU", "T");
  Set(settings, "J_RABAT_ZB", "N");
  Set(settings, "J_ZAOKRAGL", "N");
  Set(settings, "J_NODB1", "N");
  Set(settings, "J_ZAKUPU", "T");
  out.flags = SessionFlags{};

  if (save) {
    HURT_RETURN_IF_ERROR(SaveSettings(settings, data_dir));
    out.saved = true;
  }
  return out;
}

Status SaveSettings(const Settings& settings, const std::string& data_dir) {
  return settings.Save(SettingsPath(data_dir));
}

Status SaveSnapshot(const Settings& settings, const std::string& data_dir) {
  return settings.Save(SnapshotPath(data_dir));
}

Result<SettingsSource> RestoreOrRecover(Settings& settings, const std::string& data_dir) {
  Status file_status = Status::NotFound(SettingsPath(data_dir) + ": no such file");
  const std::string existing = ExistingFile(settings.env(), data_dir, kSettingsFileName);
  if (!existing.empty()) {
    file_status = settings.Restore(existing);
    if (file_status.ok()) return SettingsSource::kSettingsFile;
    // A file that cannot be read now is not replaced; only a lost or damaged one is.
    if (!file_status.IsNotFound() && !file_status.IsCorruption()) return file_status;
  }

  const std::string snapshot = ExistingFile(settings.env(), data_dir, kSnapshotFileName);
  if (!snapshot.empty() && settings.Restore(snapshot).ok()) {
    HURT_RETURN_IF_ERROR(SaveSettings(settings, data_dir));
    return SettingsSource::kSnapshot;
  }
  if (file_status.IsCorruption()) return file_status;
  return SettingsSource::kDefaults;
}

}  // namespace hurt::session
