#include "shell/station.h"

#include "base/cp852.h"
#include "base/text.h"
#include "console/message_window.h"
#include "session/area_fields.h"
#include "session/not_built.h"
#include "session/session.h"
#include "session/settings_rules.h"
#include "shell/startup_util.h"
#include "shell/station_firma.h"
#include "shell/station_register.h"
#include "shell/station_single.h"

namespace hurt::shell {

using namespace literals;

namespace {

constexpr int kFirstLockSeconds = 10;
constexpr int kLaterLockSeconds = 20;
constexpr int kSignOffLockSeconds = 20;

std::string TodayPeriod(Session& session) {
  Ymd d = YmdFromJulian(session.Today());
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d.%02d", d.month, d.year % 100);
  return buf;
}

void Message(Session& session, std::string_view text, int seconds) { console::Okno_(session.con(), text, seconds); }

// The first station: firma is open exclusively in area 1.
StationEntry EnterFirst(Session& session, const StartArgs& args, xbase::WorkArea* firma) {
  StationEntry entry;
  entry.first = true;
  session.vars().Set("PIERWSZE_WEJSCIE", xbase::Value(true));

  // An empty table: the record of an interrupted upgrade, or a new company.
  auto count = firma->RecCount();
  if (count.ok() && *count == 0) {
    auto recovered = RecoverFirmaRecord(session);
    if (!recovered.ok() || !*recovered) {
      if (firma->Append().ok()) {
        (void)firma->Replace("BMR", xbase::Value(TodayPeriod(session)));
        (void)firma->Replace("FK", xbase::Value("/ff"));
        (void)firma->Commit();
      }
    }
  }

  auto width_of = [&](std::string_view name) {
    int i = firma->FieldIndex(name);
    return i < 0 ? -1 : firma->field(i).width;
  };
  if (FirmaNeedsUpgrade(width_of, session.Markers(), args.upgrade)) {
    Status up = UpgradeFirma(session);
    firma = session.areas().Area(1);
    if (!up.ok() || firma == nullptr) {
      Message(session, "Nie mozna przebudowac firma.dbf", 5);
      return entry;  // station 0
    }
  }
  if (!firma->GoTop().ok() || firma->eof()) {
    Message(session, "2.Mam problemy z wejsciem", 5);
    return entry;  // station 0: the company record cannot be written
  }

  // Programs that did not sign off.
  entry.left_taken = TakenSlots(session::FieldText(*firma, "ST"));
  if (!entry.left_taken.empty()) {
    session.con().Say(20, 30, entry.left_taken + " - zle wyszedl z programu");
    session.con().Refresh();
    std::string line = Dtoc(session.Today()) + ", " + Left(session.clock().TimeText(), 5) + " " +
                       std::string("│"_pl) + " " + entry.left_taken;
    (void)AppendLine(session, session.Path(kBledyFile), line);
  }
  entry.rebuild_indexes = !entry.left_taken.empty() || !args.given();

  bool period_ok = true;
  if (LockWithWait(session, *firma, kFirstLockSeconds)) {
    size_t width = static_cast<size_t>(width_of("ST"));
    (void)firma->Replace("ST", xbase::Value(FirstStationRegister(width)));
    if (!args.period.empty()) period_ok = ApplyPeriodArgument(session, args.period);
    (void)firma->Unlock();
    (void)firma->Commit();
  }
  if (!period_ok) {
    entry.period_refused = true;
    ShowWrongPeriod(session, args.period);
  }
  if (args.cd) entry.rebuild_indexes = false;
  if (args.upgrade || args.reindex) entry.rebuild_indexes = true;
  entry.station = 1;
  return entry;
}

// A later station: firma is open shared in area 1.
StationEntry EnterLater(Session& session, const StartArgs& args, xbase::WorkArea* firma) {
  StationEntry entry;
  if (firma->FieldIndex("ST") < 0) {
    Message(session, "Prosze wyjsc z programow ..", 5);
    return entry;
  }
  if (!firma->GoTop().ok() || firma->eof()) {
    Message(session, "2.Mam problemy z wejsciem", 5);
    return entry;
  }
  std::string working = TakenSlots(session::FieldText(*firma, "ST"));
  session.con().Say(21, 30, working + " - PRACUJE");
  session.con().Refresh();
  if (FreeSlot(session::FieldText(*firma, "ST")) == 0) {
    Message(session, "Wszystkie stacje zajete", 5);
    return entry;
  }
  if (!LockWithWait(session, *firma, kLaterLockSeconds)) {
    Message(session, "1.Mam problemy z wejsciem", 5);
    return entry;
  }
  // The slot is chosen again under the lock: another station may have just taken it.
  std::string st = session::FieldText(*firma, "ST");
  int slot = FreeSlot(st);
  if (slot == 0) {
    (void)firma->Unlock();
    Message(session, "Wszystkie stacje zajete", 5);
    return entry;
  }
  bool period_ok = true;
  Status written = firma->Replace("ST", xbase::Value(WithSlot(st, slot, kSlotRunning)));
  if (written.ok() && !args.period.empty()) period_ok = ApplyPeriodArgument(session, args.period);
  Status unlocked = firma->Unlock();
  if (!written.ok() || !unlocked.ok()) {
    Message(session, "1.Mam problemy z wejsciem", 5);
    return entry;
  }
  (void)firma->Commit();
  if (!period_ok) {
    entry.period_refused = true;
    ShowWrongPeriod(session, args.period);
  }
  entry.station = slot;
  return entry;
}

}  // namespace

void ShowWrongPeriod(Session& session, const std::string& entry) {
  std::string text = entry + " - to jakas pomylka!!!";
  console::Okno_(session.con(), text);
  console::Okno_(session.con(), text);
}

bool ApplyPeriodArgument(Session& session, const std::string& period) {
  if (!IsPeriodText(period) || !session.FileX(PeriodFolder(period) + "/as.dbf")) return false;
  xbase::WorkArea* firma = session.areas().Area(1);
  return firma != nullptr && firma->Replace("BMR", xbase::Value(period)).ok();
}

void TakePeriodFromFirma(Session& session) {
  xbase::WorkArea* firma = session.areas().Area(1);
  if (firma == nullptr) return;
  auto folder = store::PeriodDirFromBmr(session::FieldText(*firma, "BMR"));
  if (!folder.ok()) return;
  session.set_hh(*folder);
  session.vars().Set("HH", xbase::Value(*folder));
}

StationEntry InNet(Session& session, const StartArgs& args) {
  if (!ClaimSingleInstance(session)) return {};

  (void)session.areas().Close(1);
  const std::string path = session.Path(kFirmaFile);
  if (!session.env().Exists(path)) (void)CreateFirma(session);

  StationEntry entry;
  auto exclusive = OpenWithWait(session, 1, path, "firma", true, 1);
  if (exclusive.ok()) {
    entry = EnterFirst(session, args, *exclusive);
  } else {
    auto shared = OpenWithWait(session, 1, path, "firma", false, 1);
    if (!shared.ok()) {
      Message(session, "2.Mam problemy z wejsciem", 5);
      return {};
    }
    entry = EnterLater(session, args, *shared);
  }
  if (entry.station > 0) {
    session.set_stacja(entry.station);
    session.vars().Set("STACJA", xbase::Value(entry.station));
    TakePeriodFromFirma(session);
  }
  return entry;
}

bool OutNet(Session& session) {
  xbase::WorkAreas& areas = session.areas();
  const int saved = areas.current();
  if (session.FileX("AUTO_GG.TXT")) {
    Ymd today = YmdFromJulian(session.Today());
    char folder[8];
    std::snprintf(folder, sizeof folder, "%02d/%02d", today.year % 100, today.month);
    if (session.hh() == folder) session::OtherInstallation(session, "AUTO_GG.TXT");
  }
  if (xbase::WorkArea* firma = areas.Area(1)) {
    if (firma->GoTop().ok() && !firma->eof() && LockWithWait(session, *firma, kSignOffLockSeconds)) {
      std::string st = session::FieldText(*firma, "ST");
      if (firma->Replace("ST", xbase::Value(WithSlot(st, session.stacja(), kSlotSignedOff))).ok()) {
        (void)firma->Unlock();
        (void)firma->Commit();
      } else {
        (void)firma->Unlock();
      }
    }
  }
  (void)areas.Select(saved);
  (void)session::SaveSnapshot(session.settings(), session.root());
  return true;
}

}  // namespace hurt::shell
