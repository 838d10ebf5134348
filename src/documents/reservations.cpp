#include "documents/reservations.h"

#include <algorithm>

#include "base/numeric.h"
#include "base/text.h"
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

namespace {

double NumberField(const xbase::WorkArea& area, std::string_view name) {
  if (area.FieldIndex(name) < 0) return 0;
  auto v = area.Get(name);
  return v.ok() ? v->AsNumber() : 0;
}

}  // namespace

Result<StockCounters> ReadCounters(const xbase::WorkArea& as) {
  if (as.eof()) return Status::NotFound("as: no current article");
  StockCounters c;
  c.ilosc = NumberField(as, "ILOSC");
  c.rezerwa = NumberField(as, "REZERWA");
  c.rezerwa0 = NumberField(as, "REZERWA0");
  c.rezerwa9 = NumberField(as, "REZERWA9");
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

Status ApplyUnderLock(xbase::WorkArea& as, const ReservationRequest& rq, ReservationResult& out) {
  HURT_RETURN_IF_ERROR(ReadCounters(as).status());
  StockCounters c = *ReadCounters(as);
  const double held = std::max(0.0, NewRound(rq.held, 3));
  double wanted = std::max(0.0, NewRound(rq.wanted, 3));
  // The line's own reservation is part of REZERWA0: count it back for the line.
  StockCounters others = c;
  others.rezerwa0 = c.rezerwa0 - held;
  out.available = AvailableStock(others);
  if (rq.limit_to_stock && wanted > out.available) {
    wanted = std::max(0.0, out.available);
    out.cut = true;
  }
  out.ilosc = wanted;
  double rezerwa0 = NewRound(c.rezerwa0 + wanted - held, 3);
  // A reservation released twice (after a crash or a station reset) must not turn into
  // stock that exists nowhere.
  if (rezerwa0 < 0) rezerwa0 = 0;
  out.rezerwa0 = rezerwa0;
  if (!SameAmount(rezerwa0, c.rezerwa0, 3)) HURT_RETURN_IF_ERROR(as.Replace("REZERWA0", xbase::Value(rezerwa0)));
  const double cena = NumberField(as, "CENA");
  const double cenam = NumberField(as, "CENAM");
  if (cenam > cena) {
    HURT_RETURN_IF_ERROR(as.Replace("CENAM", xbase::Value(0.0)));
    if (as.FieldIndex("CENA2M") >= 0) HURT_RETURN_IF_ERROR(as.Replace("CENA2M", xbase::Value(0.0)));
  }
  return Status::Ok();
}

}  // namespace

Result<ReservationResult> ChangeReservation(store::StoreUi& ui, xbase::WorkArea& as, const ReservationRequest& rq) {
  AreaPosition keep(as);
  if (as.order() != 1) HURT_RETURN_IF_ERROR(as.SetOrder(1));
  const std::string key = PadR(Left(rq.mag, 1), 1) + PadR(Left(rq.indeks, 8), 8);
  auto found = as.SeekKey(key);
  HURT_RETURN_IF_ERROR(found.status());
  if (!*found) return Status::NotFound("as: no article " + key);
  const uint32_t recno = as.recno();
  Status locked = store::RecLockArea(ui, as, kReservationLockWait);
  if (!locked.ok()) return locked;
  ReservationResult out;
  Status s = ApplyUnderLock(as, rq, out);
  // UnlockRecord writes the changes; a failed write keeps the old counters on file.
  Status unlocked = as.UnlockRecord(recno);
  if (!s.ok()) return s;
  if (!unlocked.ok()) return unlocked;
  return out;
}

}  // namespace hurt::documents
