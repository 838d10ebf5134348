#include "orders/order_list.h"

#include <cmath>
#include <cstdio>

#include "base/text.h"
#include "orders/order_rules.h"
#include "session/area_fields.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "store/net_use.h"
#include "store/schema.h"
#include "store/schema_field_list.h"
#include "store/table_create.h"

namespace hurt::orders {

using session::FieldDate;
using session::FieldNumber;
using session::FieldText;

namespace {
constexpr double kListOpenSeconds = 5;
}

Result<std::unique_ptr<OrderList>> OrderList::Open(session::Session& s) {
  const store::TableDef& def = store::Table(store::TableId::kZamow);
  const std::string name = store::TablePath(def, {.station = s.stacja()});
  std::unique_ptr<OrderList> list(new OrderList(s, name));
  session::ConsoleStoreUi ui(s.con());
  auto full = store::FieldListText(s.Path(name), store::ResolveFields(def, s.Markers()));
  if (!full.ok()) return full.status();
  store::StoreContext ctx{s.areas(), ui};
  const int current = s.areas().current();
  Status st = s.areas().Close(kArea);
  if (st.ok()) st = s.areas().Select(kArea);
  if (st.ok()) {
    // The station's other run may hold the list: then it cannot be made anew either.
    st = store::Tworz(ctx, *full);
  }
  if (st.ok()) st = store::NetUse(ctx, s.Path(name), def.alias, true, kListOpenSeconds);
  if (st.ok()) {
    auto n = s.areas().Area(kArea)->CreateOrder(s.Path(name + ".ntx"), "mag+indeks");
    st = n.status();
    if (st.ok()) st = s.areas().Area(kArea)->SetOrder(*n);
  }
  (void)s.areas().Select(current);
  if (!st.ok()) {
    (void)s.areas().Close(kArea);
    ui.Alert("Plik " + name + " zajety");
    return st;
  }
  return list;
}

OrderList::~OrderList() {
  (void)s_.areas().Close(kArea);
  for (const char* ext : {".dbf", ".ntx"}) {
    const std::string path = s_.Path(name_ + ext);
    if (s_.env().Exists(path)) (void)s_.env().Remove(path);
  }
}

xbase::WorkArea& OrderList::area() { return *s_.areas().Area(kArea); }

Result<int> ProposeOrder(xbase::WorkArea& as, xbase::WorkArea& list, const ProposalRequest& r) {
  const std::string supplier = PadR(r.supplier, 8);
  const int as_order = as.order();
  HURT_RETURN_IF_ERROR(as.SetOrder(0));
  Status st = Status::Ok();
  int rows = 0;
  for (st = as.GoTop(); st.ok() && !as.eof(); st = as.Skip(1)) {
    if (as.deleted() || PadR(FieldText(as, "ODB"), 8) != supplier) continue;
    const std::string mag = PadR(FieldText(as, "MAG"), 1);
    const std::string group = GroupIndex(FieldText(as, "INDEKS"), r.base);
    auto found = list.SeekKey(mag + group);
    if (!found.ok()) {
      st = found.status();
      break;
    }
    if (!*found) {
      st = list.Append();
      if (st.ok()) st = list.Replace("MAG", xbase::Value(mag));
      if (st.ok()) st = list.Replace("INDEKS", xbase::Value(group));
      if (st.ok()) st = list.Replace("NAZWA", xbase::Value(FieldText(as, "NAZWA")));
      if (st.ok()) st = list.Replace("JM", xbase::Value(FieldText(as, "JM")));
      if (st.ok()) st = list.Replace("CENA0", xbase::Value(FieldNumber(as, "CENA0")));
      if (st.ok()) st = list.Replace("KOD13", xbase::Value(FieldText(as, "KOD13")));
      ++rows;
    }
    const double issued = UsesDailySales(r.today, r.daily_sales, FieldDate(as, "DATA_SD"), FieldNumber(as, "ILOSC_SD"))
                              ? FieldNumber(as, "ILOSC_SD")
                              : FieldNumber(as, "B_R_I");
    if (st.ok()) st = list.Replace("STAN", xbase::Value(FieldNumber(list, "STAN") + FieldNumber(as, "ILOSC")));
    if (st.ok()) st = list.Replace("SPRZEDANO", xbase::Value(FieldNumber(list, "SPRZEDANO") + issued));
    if (st.ok()) st = list.Flush();
    if (!st.ok()) break;
  }
  (void)as.SetOrder(as_order);
  HURT_RETURN_IF_ERROR(st);
  HURT_RETURN_IF_ERROR(NumberRows(list, true));
  return rows;
}

Status NumberRows(xbase::WorkArea& list, bool propose) {
  const uint32_t keep = list.eof() ? 0 : list.recno();
  const int order = list.order();
  HURT_RETURN_IF_ERROR(list.SetOrder(0));
  Status st = Status::Ok();
  int lp = 0;
  for (st = list.GoTop(); st.ok() && !list.eof(); st = list.Skip(1)) {
    if (list.deleted()) continue;
    char buf[8];
    std::snprintf(buf, sizeof buf, "%3d", ++lp % 1000);
    st = list.Replace("LP", xbase::Value(std::string(buf)));
    if (st.ok() && propose) {
      const double q = ProposedQuantity(FieldNumber(list, "SPRZEDANO"), FieldNumber(list, "STAN"));
      st = list.Replace("ZAMAWIAM", xbase::Value(q));
      if (st.ok()) st = list.Replace("WARTOSC0", xbase::Value(std::floor(FieldNumber(list, "CENA0") * q)));
    }
    if (st.ok()) st = list.Flush();
    if (!st.ok()) break;
  }
  (void)list.SetOrder(order);
  if (keep > 0) (void)list.GoTo(keep);
  return st;
}

double ListValue(xbase::WorkArea& list) {
  const uint32_t keep = list.eof() ? 0 : list.recno();
  const int order = list.order();
  double sum = 0;
  if (list.SetOrder(0).ok()) {
    for (Status st = list.GoTop(); st.ok() && !list.eof(); st = list.Skip(1))
      if (!list.deleted()) sum += FieldNumber(list, "WARTOSC0");
  }
  (void)list.SetOrder(order);
  if (keep > 0) (void)list.GoTo(keep);
  return sum;
}

}  // namespace hurt::orders
