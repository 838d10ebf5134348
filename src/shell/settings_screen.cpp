#include "shell/settings_screen.h"

#include <array>
#include <deque>
#include <string>
#include <vector>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/colour.h"
#include "console/form.h"
#include "console/keys.h"
#include "console/message_window.h"
#include "session/area_fields.h"
#include "session/operator_rights.h"
#include "session/session.h"
#include "session/settings_rules.h"
#include "shell/operators_internal.h"
#include "shell/settings_fields.h"
#include "shell/startup.h"
#include "shell/startup_files.h"
#include "shell/startup_util.h"

namespace hurt::shell {

using namespace literals;

namespace {

constexpr std::string_view kTitle = "PARAMETRYZACJA PROGRAMU";
constexpr int kTitleFieldCol = 26;
constexpr int kRefusalRow = 23;
constexpr int kHintRow = 24;
constexpr double kFirmaLockSeconds = 15;
constexpr std::string_view kOperatorLog = "operator.txt";
constexpr std::string_view kFineRatesMarker = "VAT_13_5.TXT";

// The cash counters of firma and the settings that mirror them.
struct Counter {
  std::string_view field;
  std::string_view setting;
};
constexpr std::array<Counter, 5> kCounters = {{
    {"KP", "JF_KP"}, {"KW", "JF_KW"}, {"NO", "JF_NO"}, {"KP_KW", "JF_KP_KW"}, {"KP_", "JF_KP_"},
}};

void SetText(session::Settings& settings, std::string_view name, std::string value) {
  Status s = settings.SetText(name, std::move(value));
  (void)s;  // every name set here is a known text setting
}
void SetNumber(session::Settings& settings, std::string_view name, double value) {
  Status s = settings.SetNumber(name, value);
  (void)s;  // every name set here is a known number setting
}

// Step 1 of PARAMETRY_PROGRAMU: the standard values that a file without them leaves.
void Presets(session::Settings& settings) {
  for (std::string_view n : {"J_UPUST", "J_PODATEK", "J_DRUKARKA", "J_CENA_BRU", "J_DOP_UJEM", "J_FA_SORT",
                             "J_1_KOMPUT", "J_PZ", "J_OPA_DRUK", "J_ATEST_DR", "J_ATEST", "J_REJ_NETT", "J_FILTR",
                             "J_DRU_RABA", "J_ZM_INDEK", "J_WAL_AUTO"})
    SetText(settings, n, "N");
  for (std::string_view n : {"J_TOCZ_KAS", "J_CENA_SR", "J_OPA_OPA", "J_BOGATY_R", "J_SD_RAZEM", "J_SD_Z1MAG",
                             "J_INF_UJEM", "J_ZAKUPU", "J_RABAT_AS", "J_ORYGINAL", "J_PKWIU"})
    SetText(settings, n, "T");
  SetNumber(settings, "J_PAPIER", 10);
  SetNumber(settings, "J_POZIOM", 1);
  SetNumber(settings, "J_PP", 1);
  SetText(settings, "J_OPA", "OPA");
  SetText(settings, "J_MAG_GLOW", "1");
  SetText(settings, "J_MAG_K", "K");
  SetText(settings, "J_MAG_U", "U ");
  SetText(settings, "J_RD", "FV ");
  SetText(settings, "J_SD", "SD ");
  SetText(settings, "J_PATH", Space(30));
}

// A setting whose standard value is a "T"/"N" switch.
bool IsSwitch(const session::SettingDef* def) {
  return def != nullptr && def->kind == session::SettingKind::kText && (def->text == "T" || def->text == "N");
}

// What the article table offers (work area 2, `as`); all false when it is not open.
struct ArticleTable {
  bool open = false;
  bool has_cenam = false;
  bool has_atest = false;
  bool quantity_two_decimals = false;
};

ArticleTable LookAtArticles(Session& session) {
  ArticleTable t;
  const xbase::WorkArea* as = session.areas().Find("as");
  if (as == nullptr) return t;
  t.open = true;
  t.has_cenam = session::HasField(*as, "CENAM");
  t.has_atest = session::HasField(*as, "ATEST");
  const int ilosc = as->FieldIndex("ILOSC");
  t.quantity_two_decimals = ilosc >= 0 && as->field(ilosc).decimals == 2;
  return t;
}

// Puts an area back on its order and record when the check is done.
class KeepPosition {
 public:
  explicit KeepPosition(xbase::WorkArea& area) : area_(area), order_(area.order()), recno_(area.recno()) {}
  ~KeepPosition() {
    (void)area_.SetOrder(order_);
    (void)area_.GoTo(recno_);
  }
  KeepPosition(const KeepPosition&) = delete;
  KeepPosition& operator=(const KeepPosition&) = delete;

 private:
  xbase::WorkArea& area_;
  int order_;
  uint32_t recno_;
};

// One edited setting: its field on the screen and its edit buffer (kept at a fixed
// address for the form).
struct Edited {
  const SettingField* field = nullptr;
  SettingCheck check = SettingCheck::kFree;
  bool number = false;
  std::string text;
  double value = 0;
};

// The pages of both screens: buffers loaded from the settings, checked as they are left,
// and put back into the settings when a page ends.
class SettingsPages {
 public:
  explicit SettingsPages(Session& session)
      : session_(session), settings_(session.settings()), articles_(LookAtArticles(session)) {
    min_margin_before_ = settings_.Number("J_MIN_MARZ");
  }

  // Shows a page and reads it; true when it ended with Esc.
  bool Run(const SettingsPage& page, std::string_view page_label, bool title_field) {
    console::Console& con = session_.con();
    con.Clear();
    con.Say(0, 1, kTitle);
    con.Say(0, 80 - static_cast<int>(page_label.size()) - 1, page_label);
    for (const PageText& t : page.texts) con.Say(t.row, t.col, t.text);

    std::deque<Edited> buffers;
    console::Form form(con);
    if (title_field) {
      nazwa_ = settings_.Nazwa();
      form.GetText(0, kTitleFieldCol, nazwa_).Entered([this] { Hint("Nazwa programu na ekranie glownym"); });
    }
    for (const SettingField& f : page.fields) {
      Edited& e = buffers.emplace_back(Load(f));
      std::string_view label = f.name == "J_DF" ? DfLabel(StoredModel()) : f.label;
      if (!label.empty()) {
        if (f.name == "J_DF") con.Say(f.row, f.col, Space(static_cast<size_t>(FieldColumn(f) - f.col)));
        con.Say(f.row, f.col, label);
      }
      console::GetField& get = e.number ? form.GetNumber(f.row, FieldColumn(f), e.value, f.picture)
                                        : form.GetText(f.row, FieldColumn(f), e.text, f.picture);
      if (f.width > 0) get.Width(f.width);
      get.Entered([this, &e] { Hint(e.field->hint); }).Valid([this, &e] { return Check(e); });
    }
    const console::ReadResult r = form.Read();
    if (title_field) SetText(settings_, "J_NAZWA", nazwa_);
    for (const Edited& e : buffers) Store(e);
    return r.escaped;
  }

 private:
  // J_DF_NAZWA as stored: while an operator's printer overrides the model for the
  // session, the stored one is kept aside and is the one edited.
  std::string StoredModel() const {
    const std::string& aside = settings_.Text("LJ_DF_NAZWA");
    return IsBlank(aside) ? settings_.DfNazwa() : aside;
  }

  Edited Load(const SettingField& f) const {
    Edited e;
    e.field = &f;
    const session::SettingDef* def = settings_.Definition(f.name);
    e.check = f.check == SettingCheck::kFree && IsSwitch(def) ? SettingCheck::kYesNo : f.check;
    e.number = def != nullptr && def->kind == session::SettingKind::kNumber;
    if (e.number) {
      e.value = settings_.Number(f.name);
    } else {
      std::string v = f.name == "J_DF_NAZWA" ? StoredModel() : settings_.Text(f.name);
      if (f.size > static_cast<int>(v.size())) v = PadR(v, static_cast<size_t>(f.size));
      e.text = std::move(v);
    }
    return e;
  }

  void Store(const Edited& e) {
    const std::string_view name = e.field->name;
    if (e.number) {
      SetNumber(settings_, name, e.value);
    } else if (name == "J_DF_NAZWA" && !IsBlank(settings_.Text("LJ_DF_NAZWA"))) {
      SetText(settings_, "LJ_DF_NAZWA", e.text);
    } else {
      SetText(settings_, name, e.text);
    }
  }

  void Hint(std::string_view text) {
    console::Console& con = session_.con();
    con.ClearRegion(kRefusalRow, 0, kRefusalRow, 79);
    con.ClearRegion(kHintRow, 0, kHintRow, 79);
    con.Say(kHintRow, 0, Left(text, 80));
  }

  bool Refuse(const std::string& reason) {
    console::Console& con = session_.con();
    con.Beep();
    con.ClearRegion(kRefusalRow, 0, kRefusalRow, 79);
    con.Say(kRefusalRow, 0, Left(reason, 80), con.theme()[console::Role::kErrorText]);
    return false;
  }

  bool Check(Edited& e) {
    std::string reason;
    switch (e.check) {
      case SettingCheck::kFree: break;
      case SettingCheck::kYesNo: reason = CheckYesNo(e.text); break;
      case SettingCheck::kOneOf: reason = CheckOneOf(e.text, e.field->letters); break;
      case SettingCheck::kBeginsWith: reason = CheckBeginsWith(e.text, e.field->letters); break;
      case SettingCheck::kDrive: reason = CheckDrive(e.text); break;
      case SettingCheck::kMainWarehouse: reason = CheckMainWarehouse(e.text); break;
      case SettingCheck::kNotNegative: reason = CheckNotNegative(e.value); break;
      case SettingCheck::kPtu: reason = CheckPtu(e.text, session_.FileX(kFineRatesMarker)); break;
      case SettingCheck::kDocKind: reason = CheckDocKind(e.text); break;
      case SettingCheck::kPriceLevels: reason = CheckPriceLevels(e.value); break;
      case SettingCheck::kMinMargin: reason = CheckMinMargin(e.value); break;
      case SettingCheck::kQuantityDecimals: reason = CheckQuantityDecimals(e.text); break;
    }
    if (!reason.empty()) return Refuse(reason);
    session_.con().ClearRegion(kRefusalRow, 0, kRefusalRow, 79);
    return true;
  }

  // JEST_RD: the kind is in the document kinds of the period (`slow`, ordered by RD).
  std::string CheckDocKind(const std::string& rd) {
    xbase::WorkArea* slow = session_.areas().Find("slow");
    if (IsBlank(rd)) return "Podaj rodzaj dowodu";
    if (slow == nullptr) return "";  // no dictionary open to look in
    KeepPosition keep(*slow);
    if (!slow->SetOrder(1).ok()) return "";
    auto found = slow->Seek(xbase::Value(PadR(rd, 3)));
    if (!found.ok()) return "Nie moge sprawdzic rodzajow dowodow";
    return *found ? "" : "Nie ma takiego dowodu: " + AllTrim(rd);
  }

  std::string CheckPriceLevels(double& levels) {
    if (levels == 0) levels = 1;
    if (levels < 1 || levels > 10) return "Poziomow cen od 1 do 10";
    if (levels > 1 && !articles_.has_cenam) return "Kartoteka towarow nie ma cen poziomow (CENAM) - tylko 1 poziom";
    return "";
  }

  // HASLO_MIN: a change of the minimum margin needs the installation's correction
  // password, asked once per screen.
  std::string CheckMinMargin(double& margin) {
    if (margin < 0 || margin > 200) return "Minimalna marza od 0 do 200 %";
    if (margin == min_margin_before_ || margin_allowed_) return "";
    if (session::Haslo(session_, session::HasloKind::kMinMargin)) {
      margin_allowed_ = true;
      return "";
    }
    margin = min_margin_before_;
    return "Bez hasla marzy minimalnej nie zmieniam";
  }

  std::string CheckQuantityDecimals(std::string& i3) {
    const std::string v = AllTrim(i3);
    if (v != "2" && v != "3") return "Wpisz 2 lub 3";
    if (v == "3" && articles_.quantity_two_decimals) {
      i3 = "2";
      return "Ilosc w kartotece towarow ma 2 miejsca po przecinku";
    }
    return "";
  }

  Session& session_;
  session::Settings& settings_;
  ArticleTable articles_;
  std::string nazwa_;
  double min_margin_before_ = 0;
  bool margin_allowed_ = false;
};

// What is written to firma after the pages: the counters that changed and the drive.
struct FirmaChanges {
  std::vector<std::pair<int, xbase::Value>> fields;  // field index, new value
};

FirmaChanges FirmaChangesOf(Session& session, xbase::WorkArea& firma,
                            const std::array<double, kCounters.size()>& counters_before) {
  FirmaChanges out;
  const session::Settings& settings = session.settings();
  bool counters_changed = false;
  for (size_t i = 0; i < kCounters.size(); ++i)
    if (settings.Number(kCounters[i].setting) != counters_before[i]) counters_changed = true;
  if (counters_changed) {  // PISZ_KP_KW: the counters the table has
    for (const Counter& c : kCounters) {
      const int i = firma.FieldIndex(c.field);
      if (i >= 0) out.fields.emplace_back(i, xbase::Value(settings.Number(c.setting)));
    }
  }
  const int ab = firma.FieldIndex("AB");
  const std::string naped = Left(settings.Text("J_NAPED"), 1);
  if (ab >= 0 && Left(session::FieldText(firma, "AB"), 1) != naped) out.fields.emplace_back(ab, xbase::Value(naped));
  return out;
}

// Writes the changes into the locked record, all or none.
Status WriteFirma(xbase::WorkArea& firma, const FirmaChanges& changes) {
  for (const auto& [index, value] : changes.fields) {
    Status s = firma.Replace(index, value);
    if (!s.ok()) {
      firma.DiscardChanges();
      return s;
    }
  }
  HURT_RETURN_IF_ERROR(firma.Flush());
  return firma.Commit();
}

// Step 3 of PARAMETRY_PROGRAMU after the checks: save, firma, snapshot. False (and the
// operator told) when nothing could be written.
bool SaveUserSettings(Session& session, const std::array<double, kCounters.size()>& counters_before) {
  console::Console& con = session.con();
  session::Settings& settings = session.settings();
  xbase::WorkArea* firma = session.areas().Area(1);
  FirmaChanges changes;
  if (firma != nullptr && firma->GoTop().ok() && !firma->eof()) changes = FirmaChangesOf(session, *firma, counters_before);

  const bool lock_needed = !changes.fields.empty();
  if (lock_needed && !LockWithWait(session, *firma, kFirmaLockSeconds)) {
    console::Okno_(con, "Dane firmy zajete - parametry nie zapisane", 3);
    return false;
  }
  Status saved = session::SaveSettings(settings, session.root());
  if (!saved.ok()) {
    if (lock_needed) (void)firma->Unlock();
    console::Okno_(con, "Nie moge zapisac pliku parametr.mem - parametry nie zapisane", 3);
    return false;
  }
  if (lock_needed) {
    Status written = WriteFirma(*firma, changes);
    Status unlocked = firma->Unlock();
    if (!written.ok() || !unlocked.ok()) {
      CzytKpKw(session);  // the counters as firma holds them
      console::Okno_(con, "Liczniki i naped nie zapisane w danych firmy", 3);
    }
  }
  SetText(settings, "J_ZAKUPU", "T");
  if (!session::SaveSnapshot(settings, session.root()).ok())
    console::Okno_(con, "Nie moge zapisac kopii parametr.txt", 3);
  return true;
}

session::MarkerQuery Markers(Session& session) {
  return [&session](std::string_view name) { return session.FileX(name); };
}

}  // namespace

bool ParametryProgramu(Session& session) {
  console::Console& con = session.con();
  session::Settings& settings = session.settings();
  const session::Settings before = settings;
  const console::SavedScreen screen = con.SaveScreen();

  // 1. Presets, the counters of firma, then the file over them.
  Presets(settings);
  CzytKpKw(session);
  const std::string path = session::SettingsPath(session.root());
  if (session.env().Exists(path)) {
    Status restored = settings.Restore(path);
    if (!restored.ok()) {
      settings = before;
      console::Okno_(con, "Plik parametr.mem uszkodzony - parametry niedostepne", 3);
      con.RestoreScreen(screen);
      return false;
    }
  }
  std::array<double, kCounters.size()> counters_before{};
  for (size_t i = 0; i < kCounters.size(); ++i) counters_before[i] = settings.Number(kCounters[i].setting);

  // 2. The pages.
  {
    SettingsPages pages(session);
    for (int n = 1; n <= kUserPages; ++n)
      pages.Run(UserPage(n), "Strona " + std::to_string(n) + "/" + std::to_string(kUserPages), n == 1);
  }

  // 3. After the pages.
  const ArticleTable articles = LookAtArticles(session);
  SetText(settings, "J_MAG_KOMI", NormaliseMagKomi(settings.Text("J_MAG_KOMI")));
  SetText(settings, "J_KOD13W", NormaliseKod13w(settings.Text("J_KOD13W")));
  if (AllTrim(settings.Text("J_I3")) == "3" && articles.quantity_two_decimals) SetText(settings, "J_I3", "2");
  session.vars().Set("JEST_DF_300",
                     xbase::Value(operators::IsFiscalPrinter(session.vars().Text("M_DRUKARKA"), settings.Text("J_DF"))));
  SetText(settings, "J_ZM_INDEK", "N");
  if (settings.Number("J_POZIOM") < 1 || (settings.Number("J_POZIOM") > 1 && !articles.has_cenam))
    SetNumber(settings, "J_POZIOM", 1);
  if (settings.Yes("J_ATEST") && !articles.has_atest) SetText(settings, "J_ATEST", "N");
  session::VatDomyslny(settings, Markers(session));

  const bool saved = SaveUserSettings(session, counters_before);
  if (!saved) settings = before;
  con.RestoreScreen(screen);
  return saved;
}

bool InstKorv(Session& session) {
  console::Console& con = session.con();
  session::Settings& settings = session.settings();
  const console::SavedScreen screen = con.SaveScreen();
  con.Clear();

  // 1. The file, or its snapshot.
  auto source = session::RestoreOrRecover(settings, session.root());
  if (!source.ok()) console::Okno_(con, "Plik parametr.mem uszkodzony - wartosci domyslne", 3);
  if (source.ok() && *source == session::SettingsSource::kSettingsFile && Left(session.www(), 1) == "3" &&
      session.stacja() == 1 && session::ApplyArgument3(settings)) {
    if (!session::SaveSettings(settings, session.root()).ok())
      console::Okno_(con, "Nie moge zapisac pliku parametr.mem", 3);
  }
  (void)session::SaveSnapshot(settings, session.root());
  const session::Settings before = settings;

  // 2. The page.
  bool escaped = false;
  {
    SettingsPages pages(session);
    escaped = pages.Run(InstallerPage(), "Parametry administratora", false);
  }
  if (escaped) {
    settings = before;
    con.RestoreScreen(screen);
    return false;
  }

  // 3. The operator log, the VAT rate, save.
  const std::string log = ExistingFile(session, kOperatorLog);
  if (!log.empty()) {
    if (Left(settings.Text("J_KANTY"), 1) == "N") {
      auto emptied = session.env().Open(log, {.write = true, .create = false, .truncate = true});
      if (!emptied.ok()) console::Okno_(con, "Nie moge wyczyscic pliku operator.txt", 3);
    }
    StampOperatorLog(session, log);
  }
  session::VatDomyslny(settings, Markers(session));
  if (!session::SaveSettings(settings, session.root()).ok()) {
    settings = before;
    console::Okno_(con, "Nie moge zapisac pliku parametr.mem - parametry nie zapisane", 3);
    con.RestoreScreen(screen);
    return false;
  }
  if (!session::SaveSnapshot(settings, session.root()).ok())
    console::Okno_(con, "Nie moge zapisac kopii parametr.txt", 3);
  con.RestoreScreen(screen);
  return true;
}

}  // namespace hurt::shell
