// Exchange rates of the header: read from and kept in `wal`.
#include "base/numeric.h"
#include "base/text.h"
#include "documents/header_guards.h"
#include "xbase/value.h"

namespace hurt::documents {

namespace {

// Restores the order of an area when the scope ends.
class KeepOrder {
 public:
  explicit KeepOrder(xbase::WorkArea& a) : a_(a), order_(a.order()) {}
  ~KeepOrder() { (void)a_.SetOrder(order_); }
  KeepOrder(const KeepOrder&) = delete;
  KeepOrder& operator=(const KeepOrder&) = delete;

 private:
  xbase::WorkArea& a_;
  int order_;
};

std::string Code(std::string_view waluta) { return PadR(Upper(AllTrim(waluta)), 3); }

std::string FieldCode(const xbase::WorkArea& wal) {
  auto v = wal.Get("WALUTA");
  return v.ok() ? Code(v->AsString()) : std::string();
}

}  // namespace

std::optional<double> RateFor(xbase::WorkArea& wal, std::string_view waluta, JulianDay data) {
  if (IsBlank(waluta) || data == kEmptyDate || wal.FieldIndex("KURS") < 0) return std::nullopt;
  KeepOrder keep(wal);
  if (!wal.SetOrder(1).ok()) return std::nullopt;
  auto r = wal.SeekKey(WalSeekKey(waluta, data), true);
  if (!r.ok() || wal.eof() || FieldCode(wal) != Code(waluta)) return std::nullopt;
  auto kurs = wal.Get("KURS");
  if (!kurs.ok() || kurs->AsNumber() <= 0) return std::nullopt;
  return kurs->AsNumber();
}

Status StoreRate(xbase::WorkArea& wal, std::string_view waluta, JulianDay data, double kurs) {
  if (IsBlank(waluta) || data == kEmptyDate || kurs <= 0) return Status::Ok();
  if (wal.FieldIndex("KURS") < 0 || wal.FieldIndex("DATA") < 0) return Status::Invalid("wal bez pola KURS");
  KeepOrder keep(wal);
  HURT_RETURN_IF_ERROR(wal.SetOrder(1));
  auto found = wal.SeekKey(WalSeekKey(waluta, data));
  HURT_RETURN_IF_ERROR(found.status());
  if (*found) {
    auto old = wal.Get("KURS");
    if (old.ok() && SameAmount(old->AsNumber(), kurs, 6)) return Status::Ok();
    HURT_RETURN_IF_ERROR(wal.LockRecord());
  } else {
    HURT_RETURN_IF_ERROR(wal.Append());
    Status st = wal.Replace("WALUTA", xbase::Value(Code(waluta)));
    if (st.ok()) st = wal.Replace("DATA", xbase::Value(xbase::Date{data}));
    if (!st.ok()) {
      // The failed write is returned; the lock released is our own.
      (void)wal.Unlock();
      return st;
    }
  }
  Status st = wal.Replace("KURS", xbase::Value(kurs));
  if (st.ok() && wal.FieldIndex("DATA_KURSU") >= 0) st = wal.Replace("DATA_KURSU", xbase::Value(xbase::Date{data}));
  if (st.ok()) st = wal.Flush();
  const Status u = wal.Unlock();
  return st.ok() ? u : st;
}

}  // namespace hurt::documents
