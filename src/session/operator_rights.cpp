// HASLO: the password window, and every "fixed password" check of the program.
//
// No password is built into the program. A check asks either for the supervisor's
// password (operator "0" of prawa) or for the installation's correction password J_BOSS.
// J_BOSS is kept in parametr.mem as a hash of the upper-cased password; its stock default
// "WREN" means "not set", and then the supervisor's password stands for it. A plain
// J_BOSS written by an old installation is accepted as it is and replaced by its hash at
// the next log-in.
#include "base/cp852.h"
#include "base/text.h"
#include "console/message_window.h"
#include "console/screen_buffer.h"
#include "session/operator_rights.h"
#include "session/operators_table.h"
#include "session/password_hash.h"
#include "session/session.h"

namespace hurt::session {

namespace {

using namespace hurt::literals;

constexpr std::string_view kStockCorrectionPassword = "WREN";
constexpr std::string_view kSettingsFile = "parametr.mem";

// The window of HASLO: frame, prompt, inner box; the screen is put back when it closes.
class PasswordBox {
 public:
  PasswordBox(console::Console& con, std::string_view prompt)
      : con_(con), saved_(con.Save(15, 30, 20, 72)), cursor_(con.cursor()) {
    const console::Attr attr = console::AttrOf("0/7");
    con.Box(15, 30, 19, 72, console::DoubleFrame(), attr, ' ');
    con.screen().Put(17, 37, prompt.empty() ? "      PODAJ  HASŁO  !"_pl : prompt, attr);
    con.Box(18, 37, 20, 65, console::SingleFrame(), attr, ' ');
    con.screen().Put(19, 38, "    HASŁO : "_pl, attr);
  }
  ~PasswordBox() {
    con_.Restore(saved_);
    con_.SetCursorState(cursor_);
  }
  PasswordBox(const PasswordBox&) = delete;
  PasswordBox& operator=(const PasswordBox&) = delete;

  void Wrong() {
    const console::Attr attr = console::AttrOf("0/7");
    con_.screen().Fill(17, 31, 17, 71, ' ', attr);
    con_.screen().Put(17, 39, "       ZŁE  HASŁO !"_pl, attr);
    con_.screen().Fill(19, 50, 19, 64, ' ', attr);
  }

  console::MaskedEntry Entry() { return console::GetHhhhh(con_, 19, 50); }

 private:
  console::Console& con_;
  console::SavedRegion saved_;
  console::CursorState cursor_;
};

std::string Normalised(std::string_view entry) { return UpperPl(RTrim(entry)); }

bool SupervisorCheck(Session& session, std::string_view prompt) {
  auto supervisor = operators::ReadSupervisor(session);
  if (!supervisor.ok()) {
    console::Okno_(session.con(), "Brak dostępu do tabeli operatorów"_pl, 3);
    return false;
  }
  if (!operators::HasPassword(*supervisor)) return true;
  const operators::OperatorRecord rec = *supervisor;
  return operators::PasswordWindow(
      session, [&](std::string_view entry) { return operators::PasswordMatches(rec, entry); }, prompt);
}

// True also when the table cannot be read: SupervisorCheck then says so.
bool SupervisorHasPassword(Session& session) {
  auto supervisor = operators::ReadSupervisor(session);
  return !supervisor.ok() || operators::HasPassword(*supervisor);
}

}  // namespace

namespace operators {

bool PasswordWindow(Session& session, const std::function<bool(std::string_view entry)>& matches,
                    std::string_view prompt) {
  PasswordBox box(session.con(), prompt);
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (attempt > 0) box.Wrong();
    console::MaskedEntry entry = box.Entry();
    if (entry.escaped) return false;
    if (matches(entry.text)) return true;
  }
  return false;
}

std::string CorrectionPasswordSetting(Session& session) {
  Settings stored(session.env());
  if (stored.Restore(session.Path(kSettingsFile)).ok()) return stored.Text("J_BOSS");
  return session.settings().Text("J_BOSS");
}

bool CorrectionPasswordSet(std::string_view j_boss) {
  const std::string value = RTrim(j_boss);
  return !value.empty() && value != kStockCorrectionPassword;
}

bool CorrectionPasswordMatches(std::string_view j_boss, std::string_view entry) {
  if (password::IsHashText(j_boss)) return password::VerifyHashText(Normalised(entry), j_boss);
  return Normalised(j_boss) == Normalised(entry);  // an old plain setting, until converted
}

namespace {

// Sets J_BOSS in parametr.mem as the file holds it now (other settings untouched, also
// those other stations saved since this one started) and in the session.
Status WriteCorrectionSetting(Session& session, const std::string& value) {
  const std::string path = session.Path(kSettingsFile);
  Settings stored(session.env());
  Status restored = stored.Restore(path);
  if (!restored.ok() && !restored.IsNotFound()) return restored;
  Settings& target = restored.ok() ? stored : session.settings();
  HURT_RETURN_IF_ERROR(target.SetText("J_BOSS", value));
  HURT_RETURN_IF_ERROR(target.Save(path));
  if (&target != &session.settings()) HURT_RETURN_IF_ERROR(session.settings().SetText("J_BOSS", value));
  return Status::Ok();
}

}  // namespace

Status StoreCorrectionPassword(Session& session, std::string_view entry) {
  const std::string typed = Normalised(entry);
  if (typed.empty()) return WriteCorrectionSetting(session, std::string(kStockCorrectionPassword));
  auto hash = password::NewHashText(typed);
  if (!hash.ok()) return hash.status();
  return WriteCorrectionSetting(session, *hash);
}

Status ConvertCorrectionPassword(Session& session) {
  const std::string current = CorrectionPasswordSetting(session);
  if (!CorrectionPasswordSet(current) || password::IsHashText(current)) {
    // Keep the session in step with the file (another station may have changed it).
    if (current != session.settings().Text("J_BOSS")) (void)session.settings().SetText("J_BOSS", current);
    return Status::Ok();
  }
  return StoreCorrectionPassword(session, current);
}

}  // namespace operators

bool Prawa(const Session& session, int n) { return session.op().Prawa(n); }
bool Prawa1(const Session& session, int n) { return session.op().Prawa1(n); }

bool Haslo(Session& session, HasloKind kind, std::string_view prompt) {
  switch (kind) {
    case HasloKind::kSupervisor:
      return SupervisorCheck(session, prompt);
    case HasloKind::kZeroing:
    case HasloKind::kCorrection:
    case HasloKind::kMinMargin:
    case HasloKind::kPriceRise:
      break;
  }
  const std::string j_boss = operators::CorrectionPasswordSetting(session);
  if (!operators::CorrectionPasswordSet(j_boss)) {
    if (kind == HasloKind::kZeroing && !SupervisorHasPassword(session)) {
      // Nothing set yet: destroying the data still takes a typed password, the stock one.
      return operators::PasswordWindow(
          session,
          [](std::string_view entry) { return Normalised(entry) == kStockCorrectionPassword; }, prompt);
    }
    return SupervisorCheck(session, prompt);
  }
  return operators::PasswordWindow(
      session, [&](std::string_view entry) { return operators::CorrectionPasswordMatches(j_boss, entry); }, prompt);
}

std::optional<std::string> CzytajHaslo(Session& session, std::string_view prompt) {
  PasswordBox box(session.con(), prompt);
  console::MaskedEntry entry = box.Entry();
  if (entry.escaped) return std::nullopt;
  return RTrim(entry.text);
}

}  // namespace hurt::session
