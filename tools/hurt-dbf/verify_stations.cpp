// The data checker's stations: what the stations keep in rob/ (store/station_files.h) and
// REZERWA0 of the article cards.
//
// A station is alive while it holds its life lock. What a station that is not alive left
// (a posting journal, a reservation ledger) should have been taken back by the next
// station to start or to post; REZERWA0 of every card is what the stations' ledgers hold
// of it (documents/reservation_ledger.h), and 0 when no ledger is left.
#include <set>

#include "base/numeric.h"
#include "documents/posting_journal.h"
#include "documents/reservation_ledger.h"
#include "store/station_files.h"
#include "verify_internal.h"

namespace hurt::dbftool::verify {

namespace {

std::string TwoDigits(int station) {
  const std::string digits = std::to_string(station);
  return digits.size() < 2 ? "0" + digits : digits;
}

// The path relative to the data directory, as findings name files.
std::string Relative(const DataDir& dir, const std::string& path) {
  return documents::RelativeToRoot(dir.root, path);
}

}  // namespace

void CheckReservations(const DataDir& dir, const Cards& cards, Findings& findings) {
  std::set<int> stations;
  for (const auto& [prefix, suffix] : {std::pair{"rez", ".txt"}, std::pair{"post", ".jnl"}, std::pair{"st", ".lck"}}) {
    auto found = store::StationsWithFile(dir.env, dir.root, prefix, suffix);
    if (!found.ok()) {
      findings.BadFile("rob", Problem(found.status(), dir.Path("rob")));
      return;
    }
    stations.insert(found->begin(), found->end());
  }

  std::map<std::string, double, std::less<>> held;  // by MAG + INDEKS, over the live stations
  bool ledgers_read = true;
  for (int station : stations) {
    const std::string journal = documents::JournalPath(dir.root, station);
    const std::string ledger_path = documents::LedgerPath(dir.root, station);
    const bool has_journal = dir.env.Exists(journal);
    const bool has_ledger = dir.env.Exists(ledger_path);
    if (!has_journal && !has_ledger) continue;
    const bool alive = store::StationAlive(dir.env, dir.root, station);
    if (!alive && has_journal) {
      findings.Add(FindingKind::kReservations, Relative(dir, journal) + ": niedokończony zapis dowodu stanowiska " +
                                                   TwoDigits(station) + " nie cofnięty");
    }
    if (!has_ledger) continue;
    auto ledger = documents::ReadLedger(dir.env, ledger_path);
    if (!ledger.ok()) {
      findings.BadFile(Relative(dir, ledger_path), Problem(ledger.status(), ledger_path));
      ledgers_read = false;
      continue;
    }
    // A gone station's ledger that holds nothing (a correction credits back what its
    // lines hold) waits harmlessly for the next station to delete it; what it holds is in
    // REZERWA0 until then.
    bool holds = false;
    for (const auto& [article, entry] : *ledger) {
      const double h = entry.Held();
      if (h <= 0) continue;
      holds = true;
      held[article] += h;
      if (cards.read && cards.by_key.find(article) == cards.by_key.end()) {
        findings.Add(FindingKind::kReservations, Relative(dir, ledger_path) + ": trzyma " + Quantity(h) + " " +
                                                     ArticleName(article) + ", a nie ma kartoteki w as");
      }
    }
    if (!alive && holds) {
      findings.Add(FindingKind::kReservations, Relative(dir, ledger_path) + ": rezerwacje stanowiska " +
                                                   TwoDigits(station) + ", które nie pracuje, nie cofnięte");
    }
  }

  if (!cards.read || !ledgers_read) return;
  for (const auto& [article, card] : cards.by_key) {
    auto at = held.find(article);
    const double live = at == held.end() ? 0 : at->second;
    if (SameAmount(card.rezerwa0, live, 3)) continue;
    findings.Add(FindingKind::kReservations, "as " + ArticleName(article) + ": REZERWA0 " + Quantity(card.rezerwa0) +
                                                 ", a rezerwacje stanowisk trzymają " + Quantity(live));
  }
}

}  // namespace hurt::dbftool::verify
