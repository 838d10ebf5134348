#include "documents/station_recovery.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "documents/posting_internal.h"
#include "documents/posting_journal.h"
#include "documents/reservation_ledger.h"
#include "documents/reservations.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "store/net_files.h"
#include "store/net_use.h"
#include "store/station_files.h"
#include "xbase/file_util.h"

namespace hurt::documents {
namespace {

using namespace hurt::literals;
using posting_internal::AreaOf;

// Seconds to wait for another station that is taking things back.
constexpr double kRecoveryLockWait = 10;


// The stations that left a journal or a ledger.
std::set<int> StationsWithWork(session::Session& s) {
  std::set<int> out;
  for (auto [prefix, suffix] : {std::pair<std::string_view, std::string_view>{"post", ".jnl"}, {"rez", ".txt"}}) {
    auto found = store::StationsWithFile(s.env(), s.root(), prefix, suffix);
    if (found.ok()) out.insert(found->begin(), found->end());
  }
  return out;
}

// Takes back one station's journal; true when there was one to take back.
Result<bool> TakeBackJournal(session::Session& s, int station) {
  const std::string path = JournalPath(s.root(), station);
  if (!s.env().Exists(path)) return false;
  auto text = xbase::ReadWholeFile(s.env(), path);
  HURT_RETURN_IF_ERROR(text.status());
  auto journal = DecodeJournal(*text);
  if (!journal.ok() && !journal.status().IsNotFound()) {
    return Status::Corruption(path + ": " + journal.status().message());  // left for the operator to look at
  }
  // A journal cut short was being written when its station died: nothing was touched.
  if (journal.ok()) HURT_RETURN_IF_ERROR(UndoJournal(s.areas(), s.root(), *journal));
  HURT_RETURN_IF_ERROR(RemoveJournal(s.env(), path));
  return journal.ok();
}

// REZERWA0 of each article of `keys` becomes the sum of what the ledgers of the stations
// outside `gone` hold. Each article is done under its lock.
Status RecountReservations(session::Session& s, store::StoreUi& ui, const std::set<std::string>& keys,
                           const std::set<int>& gone) {
  xbase::WorkArea* as = AreaOf(s, store::TableId::kAs);
  if (as == nullptr) return Status::NotFound("as is not open");
  if (as->FieldIndex("REZERWA0") < 0) return Status::Ok();
  const int order = as->order();
  const uint32_t back = as->recno();
  if (order != 1) HURT_RETURN_IF_ERROR(as->SetOrder(1));
  Status result = Status::Ok();
  for (const std::string& key : keys) {
    auto found = as->SeekKey(key);
    if (!found.ok()) {
      result = found.status();
      break;
    }
    if (!*found) continue;  // the article is gone: nothing holds its stock
    const uint32_t recno = as->recno();
    Status st = store::RecLockArea(ui, *as, kReservationLockWait);
    if (!st.ok()) {
      result = Status::Busy("Towar " + key.substr(0, 1) + "-" + RTrim(key.substr(1)));
      continue;
    }
    double held = 0;
    auto stations = store::StationsWithFile(s.env(), s.root(), "rez", ".txt");
    if (stations.ok()) {
      for (int n : *stations) {
        if (gone.count(n) != 0) continue;
        auto ledger = ReadLedger(s.env(), LedgerPath(s.root(), n));
        if (!ledger.ok()) continue;  // a damaged ledger of a live station: its part is not counted
        auto it = ledger->find(key);
        if (it != ledger->end()) held += it->second.Held();
      }
    } else {
      st = stations.status();
    }
    if (st.ok()) st = as->Replace("REZERWA0", xbase::Value(NewRound(held, 3)));
    const Status unlocked = as->UnlockRecord(recno);
    if (st.ok()) st = unlocked;
    if (!st.ok()) result = st;
  }
  if (as->order() != order) (void)as->SetOrder(order);  // a position, not data
  (void)as->GoTo(back);
  if (result.ok()) result = as->Commit();
  return result;
}

}  // namespace

bool GoneStationsLeftWork(session::Session& s) {
  for (int n : StationsWithWork(s)) {
    if (n != s.stacja() && !store::StationAlive(s.env(), s.root(), n)) return true;
  }
  return false;
}

RecoveryReport TakeBackGoneStations(session::Session& s, store::StoreUi& ui, bool own_too) {
  RecoveryReport report;
  std::set<int> candidates = StationsWithWork(s);
  if (!own_too) candidates.erase(s.stacja());
  bool any_gone = false;
  for (int n : candidates) {
    any_gone = any_gone || n == s.stacja() || !store::StationAlive(s.env(), s.root(), n);
  }
  if (!any_gone) return report;

  // One station at a time.
  if (!s.env().CreateDirs(store::InRoot(s.root(), "rob")).ok()) {
    report.problems.push_back("Brak katalogu rob");
    return report;
  }
  auto guard = s.env().Open(store::InRoot(s.root(), "rob/odzysk.lck"), xbase::OpenOptions{.write = true, .create = true});
  if (!guard.ok()) {
    report.problems.push_back("rob/odzysk.lck: " + guard.status().message());
    return report;
  }
  const Status serial = store::Retry(ui, store::RetryRule::kPauseAfter, kRecoveryLockWait, [&] {
    return (*guard)->Lock(0, 1, xbase::LockKind::kExclusive, /*wait=*/false);
  });
  if (!serial.ok()) {
    report.problems.emplace_back("Inne stanowisko porządkuje rob - spróbuj za chwilę"_pl);
    return report;
  }

  // The stations that are gone, each held while it is taken back.
  std::vector<std::unique_ptr<xbase::File>> held;
  std::set<int> gone;
  for (int n : StationsWithWork(s)) {
    if (n == s.stacja()) {
      if (own_too) gone.insert(n);
      continue;
    }
    auto lock = store::TakeGoneStation(s.env(), s.root(), n);
    if (!lock.ok()) continue;  // alive
    held.push_back(std::move(*lock));
    gone.insert(n);
  }

  std::set<std::string> keys;
  std::vector<int> ledgers;
  for (int n : gone) {
    auto undone = TakeBackJournal(s, n);
    if (!undone.ok()) {
      report.problems.push_back(undone.status().message());
    } else if (*undone) {
      ++report.postings;
    }
    const std::string path = LedgerPath(s.root(), n);
    if (!s.env().Exists(path)) continue;
    auto ledger = ReadLedger(s.env(), path);
    if (!ledger.ok()) {
      report.problems.push_back(ledger.status().message());
      continue;
    }
    for (const auto& [key, entry] : *ledger) keys.insert(key);
    ledgers.push_back(n);
  }
  if (!ledgers.empty()) {
    const Status recount = RecountReservations(s, ui, keys, gone);
    if (recount.ok()) {
      for (int n : ledgers) {
        if (s.env().Remove(LedgerPath(s.root(), n)).ok()) ++report.ledgers;
      }
    } else {
      report.problems.push_back(std::string("Rezerwacje nie przeliczone: "_pl) + recount.message());
    }
  }
  return report;
}

Status TakeBackOwnJournal(session::Session& session) {
  if (!session.env().Exists(JournalPath(session.root(), session.stacja()))) return Status::Ok();
  return TakeBackJournal(session, session.stacja()).status();
}

Result<int> ClearReservations(session::Session& session, store::StoreUi& ui) {
  xbase::WorkArea* as = AreaOf(session, store::TableId::kAs);
  if (as == nullptr) return Status::NotFound("as is not open");
  const int field = as->FieldIndex("REZERWA0");
  if (field < 0) return 0;
  HURT_RETURN_IF_ERROR(store::FilLockArea(ui, *as, 10));
  const int saved_order = as->order();
  const uint32_t saved = as->recno();
  int changed = 0;
  Status st = as->SetOrder(0);
  if (st.ok()) st = as->GoTop();
  while (st.ok() && !as->eof()) {
    auto v = as->Get(field);
    if (!v.ok()) {
      st = v.status();
      break;
    }
    if (v->AsNumber() != 0) {
      st = as->Replace(field, xbase::Value(0.0));
      if (!st.ok()) break;
      ++changed;
    }
    st = as->Skip();
  }
  if (st.ok()) st = as->Commit();
  const Status unlocked = as->Unlock();
  (void)as->SetOrder(saved_order);  // a position, not data
  (void)as->GoTo(saved);
  HURT_RETURN_IF_ERROR(st);
  HURT_RETURN_IF_ERROR(unlocked);
  // Nobody holds anything now.
  auto stations = store::StationsWithFile(session.env(), session.root(), "rez", ".txt");
  HURT_RETURN_IF_ERROR(stations.status());
  for (int n : *stations) HURT_RETURN_IF_ERROR(session.env().Remove(LedgerPath(session.root(), n)));
  return changed;
}

void StartUpRecovery(session::Session& session, bool first_station) {
  session::ConsoleStoreUi ui(session.con());
  const RecoveryReport report = TakeBackGoneStations(session, ui, /*own_too=*/true);
  if (first_station) {
    auto cleared = ClearReservations(session, ui);
    if (!cleared.ok()) posting_internal::Tell(session, std::string("Rezerwacje nie wyzerowane: "_pl) + cleared.status().message());
  }
  for (const std::string& problem : report.problems) {
    posting_internal::Tell(session, std::string("Błąd porządkowania rob: "_pl) + problem);
  }
  if (report.postings > 0) posting_internal::Tell(session, "Cofnięto niedokończony zapis dowodu"_pl);
}

}  // namespace hurt::documents
