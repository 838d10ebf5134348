#include "documents/reservations.h"

#include <algorithm>

#include "base/numeric.h"
#include "base/text.h"
#include "session/area_fields.h"
#include "store/net_use.h"

namespace hurt::documents {

bool KindReserves(const DocKind& kind, bool fvzmieni) {
  if (kind.RdIs("ZAM")) return false;
  if (kind.HasTag("OFERTA") || kind.HasTag("PROFORMA")) return false;
  if (!fvzmieni && (kind.IsSale() || kind.IsSalesCorrection())) return false;
  return true;
}

bool LineReserves(const DocKind& kind, bool fvzmieni, double ilosc) {
  if (kind.r_p != 'R' && kind.r_p != 'M') return false;
  if (NewRound(ilosc, 3) <= 0) return false;
  return KindReserves(kind, fvzmieni);
}

double AvailableStock(const StockCounters& c) {
  const double free = c.ilosc - c.rezerwa - c.rezerwa0 - c.rezerwa9;
  return NewRound(std::min(free, c.ilosc), 3);
}

Result<StockCounters> ReadCounters(const xbase::WorkArea& as) {
  if (as.eof()) return Status::NotFound("as: no current article");
  StockCounters c;
  c.ilosc = session::FieldNumber(as, "ILOSC");
  c.rezerwa = session::FieldNumber(as, "REZERWA");
  c.rezerwa0 = session::FieldNumber(as, "REZERWA0");
  c.rezerwa9 = session::FieldNumber(as, "REZERWA9");
  return c;
}

QuantityCheck CheckQuantity(double asked, double available, bool allow_negative) {
  QuantityCheck r;
  r.available = NewRound(available, 3);
  r.ilosc = asked;
  if (NewRound(asked, 3) <= r.available) return r;
  r.short_stock = true;
  if (allow_negative) return r;
  if (r.available > 0) {
    r.ilosc = r.available;
  } else {
    r.ilosc = 0;
    r.refused = true;
  }
  return r;
}

std::string BusyArticleMessage(std::string_view mag, std::string_view indeks) {
  return "Karta towaru " + std::string(mag) + " " + RTrim(indeks) + " zajeta - rezerwacja bez zmian";
}

namespace {

// Puts `as` back on the record and order it had, whatever happened in between.
class AreaPosition {
 public:
  explicit AreaPosition(xbase::WorkArea& area) : area_(area), order_(area.order()), recno_(area.recno()) {}
  AreaPosition(const AreaPosition&) = delete;
  AreaPosition& operator=(const AreaPosition&) = delete;
  ~AreaPosition() {
    if (area_.order() != order_) (void)area_.SetOrder(order_);
    (void)area_.GoTo(recno_);
  }

 private:
  xbase::WorkArea& area_;
  int order_;
  uint32_t recno_;
};

std::string KeyOf(std::string_view mag, std::string_view indeks) {
  return PadR(Left(mag, 1), 1) + PadR(Left(indeks, 8), 8);
}

Status ClearLowestLevelAbove(xbase::WorkArea& as) {
  const double cena = session::FieldNumber(as, "CENA");
  const double cenam = session::FieldNumber(as, "CENAM");
  if (cenam <= cena) return Status::Ok();
  HURT_RETURN_IF_ERROR(as.Replace("CENAM", xbase::Value(0.0)));
  if (as.FieldIndex("CENA2M") >= 0) HURT_RETURN_IF_ERROR(as.Replace("CENA2M", xbase::Value(0.0)));
  return Status::Ok();
}

// REZERWA0 moved by `by` (never below 0).
Status MoveRezerwa0(xbase::WorkArea& as, double rezerwa0, double by, double* after) {
  double moved = NewRound(rezerwa0 + by, 3);
  // A reservation released twice (after a station reset) must not turn into stock that
  // exists nowhere.
  if (moved < 0) moved = 0;
  *after = moved;
  if (SameAmount(moved, rezerwa0, 3)) return Status::Ok();
  return as.Replace("REZERWA0", xbase::Value(moved));
}

Status ApplyUnderLock(xbase::WorkArea& as, const StationLedger& ledger, const ReservationRequest& rq,
                      ReservationResult& out) {
  auto counters = ReadCounters(as);
  HURT_RETURN_IF_ERROR(counters.status());
  auto book = ReadLedger(*ledger.env, ledger.path);
  HURT_RETURN_IF_ERROR(book.status());
  const std::string key = KeyOf(rq.mag, rq.indeks);
  LedgerEntry& mine = (*book)[key];
  const LedgerEntry before = mine;
  const double held = std::max(0.0, NewRound(rq.held, 3));
  double wanted = std::max(0.0, NewRound(rq.wanted, 3));
  out.available = AvailableForLine(*counters, mine, held);
  if (rq.limit_to_stock && wanted > out.available) {
    wanted = std::max(0.0, out.available);
    out.cut = true;
  }
  out.ilosc = wanted;
  mine.lines = std::max(0.0, NewRound(mine.lines - held + wanted, 3));
  // The ledger first: a station that dies after it is taken back from the ledger.
  HURT_RETURN_IF_ERROR(WriteLedger(*ledger.env, ledger.path, *book));
  HURT_RETURN_IF_ERROR(MoveRezerwa0(as, counters->rezerwa0, mine.Held() - before.Held(), &out.rezerwa0));
  return ClearLowestLevelAbove(as);
}

// Runs `change` on the article's record under its lock, the position of `as` kept.
template <typename F>
Status UnderArticleLock(store::StoreUi& ui, xbase::WorkArea& as, std::string_view key, F&& change) {
  AreaPosition keep(as);
  if (as.order() != 1) HURT_RETURN_IF_ERROR(as.SetOrder(1));
  auto found = as.SeekKey(key);
  HURT_RETURN_IF_ERROR(found.status());
  if (!*found) return Status::NotFound("as: no article " + std::string(key));
  const uint32_t recno = as.recno();
  HURT_RETURN_IF_ERROR(store::RecLockArea(ui, as, kReservationLockWait));
  Status s = change();
  // UnlockRecord writes the changes; a failed write keeps the old counters on file.
  Status unlocked = as.UnlockRecord(recno);
  HURT_RETURN_IF_ERROR(s);
  return unlocked;
}

}  // namespace

double AvailableForLine(const StockCounters& c, const LedgerEntry& mine, double line_held) {
  StockCounters doc = c;
  doc.ilosc = c.ilosc + mine.credit;
  doc.rezerwa0 = std::max(0.0, c.rezerwa0 - mine.Held());
  const double other_lines = std::max(0.0, mine.lines - line_held);
  return NewRound(AvailableStock(doc) - other_lines, 3);
}

Result<ReservationResult> ChangeReservation(store::StoreUi& ui, xbase::WorkArea& as, const StationLedger& ledger,
                                            const ReservationRequest& rq) {
  if (ledger.env == nullptr) return Status::Invalid("no reservation ledger");
  ReservationResult out;
  HURT_RETURN_IF_ERROR(UnderArticleLock(ui, as, KeyOf(rq.mag, rq.indeks),
                                        [&] { return ApplyUnderLock(as, ledger, rq, out); }));
  return out;
}

Result<int> ReleaseLedger(store::StoreUi& ui, xbase::WorkArea& as, const StationLedger& ledger) {
  if (ledger.env == nullptr) return Status::Invalid("no reservation ledger");
  auto book = ReadLedger(*ledger.env, ledger.path);
  HURT_RETURN_IF_ERROR(book.status());
  int stayed = 0;
  for (const auto& item : *book) {
    // Named, not a structured binding: the lambda below takes it (clang 14 refuses bindings there).
    const auto& key = item.first;
    if (item.second.Held() <= 0) continue;
    Status s = UnderArticleLock(ui, as, key, [&]() -> Status {
      auto now = ReadLedger(*ledger.env, ledger.path);
      HURT_RETURN_IF_ERROR(now.status());
      auto counters = ReadCounters(as);
      HURT_RETURN_IF_ERROR(counters.status());
      const double held = (*now)[key].Held();
      (*now).erase(key);
      HURT_RETURN_IF_ERROR(WriteLedger(*ledger.env, ledger.path, *now));
      double after = 0;
      return MoveRezerwa0(as, counters->rezerwa0, -held, &after);
    });
    if (s.IsNotFound()) {
      // The article is gone: nothing on file holds the quantity any more.
      auto now = ReadLedger(*ledger.env, ledger.path);
      HURT_RETURN_IF_ERROR(now.status());
      now->erase(key);
      HURT_RETURN_IF_ERROR(WriteLedger(*ledger.env, ledger.path, *now));
    } else if (!s.ok()) {
      ++stayed;
    }
  }
  if (stayed == 0) HURT_RETURN_IF_ERROR(WriteLedger(*ledger.env, ledger.path, Ledger{}));
  return stayed;
}

Status SetLedgerCredits(const StationLedger& ledger, const std::map<std::string, double, std::less<>>& credits) {
  if (ledger.env == nullptr) return Status::Invalid("no reservation ledger");
  auto book = ReadLedger(*ledger.env, ledger.path);
  HURT_RETURN_IF_ERROR(book.status());
  for (const auto& [key, entry] : *book) {
    if (entry.Held() > 0) return Status::Invalid("the station still holds reservations");
  }
  Ledger fresh;
  for (const auto& [key, q] : credits) {
    if (q > 0) fresh[key] = LedgerEntry{q, q};  // the lines as posted take exactly the credit
  }
  return WriteLedger(*ledger.env, ledger.path, fresh);
}

}  // namespace hurt::documents
