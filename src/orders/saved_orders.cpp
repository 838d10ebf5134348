#include "orders/saved_orders.h"

#include <algorithm>
#include <vector>

#include "base/cp852.h"
#include "base/picture.h"
#include "base/text.h"
#include "console/browse.h"
#include "console/keys.h"
#include "console/list_browse_source.h"
#include "console/message_window.h"
#include "orders/advance_invoices.h"
#include "orders/order_number.h"
#include "session/area_fields.h"
#include "session/operator_rights.h"
#include "session/session.h"
#include "session/side_table.h"
#include "session/store_ui.h"
#include "session/viewer.h"
#include "store/net_use.h"

namespace hurt::orders {

using namespace hurt::literals;
using session::FieldDate;
using session::FieldNumber;
using session::FieldText;
namespace key = console::key;

namespace {

constexpr double kLockSeconds = 10;
constexpr int kFirstScratch = 225, kLastScratch = 231;

// An area of the scratch range holding `path`, closed when this ends.
class ScratchArea {
 public:
  ScratchArea(session::Session& s, const std::string& path, std::string_view alias, bool read_only) : s_(s) {
    const int n = s.areas().FirstFree(kFirstScratch, kLastScratch);
    if (n == 0 || !s.env().Exists(path)) return;
    xbase::AreaOpenOptions o;
    o.read_only = read_only;
    auto a = s.areas().Open(n, path, alias, o);
    if (a.ok()) area_ = *a;
  }
  ~ScratchArea() {
    if (area_ != nullptr) (void)s_.areas().Close(area_->number());
  }
  ScratchArea(const ScratchArea&) = delete;
  ScratchArea& operator=(const ScratchArea&) = delete;
  xbase::WorkArea* get() { return area_; }

 private:
  session::Session& s_;
  xbase::WorkArea* area_ = nullptr;
};

std::vector<std::string> OrderFiles(session::Session& s, OrderSide side) {
  std::vector<std::string> out;
  auto names = s.env().ListDir(s.Path(SideFolder(side)));
  if (!names.ok()) return out;
  for (const std::string& n : *names) {
    const std::string u = Upper(n);
    if (u.size() == 12 && u.rfind("NR_", 0) == 0 && u.substr(8) == ".DBF") out.push_back(u.substr(0, 8));
  }
  std::sort(out.begin(), out.end(), std::greater<>());
  return out;
}

void ViewOrderFile(session::Session& s, OrderSide side, const std::string& number) {
  ScratchArea a(s, OrderFilePath(s.root(), side, number), "ZAMOWIENIE", true);
  if (a.get() == nullptr) {
    console::Okno_(s.con(), "Plik " + Lower(number) + " niedostepny", 3);
    return;
  }
  xbase::WorkArea& w = *a.get();
  session::ViewDruk(s, [&](session::ReportWriter& out) {
    out.Line("                     Z A M O W I E N I E     " + number);
    out.Line("");
    int n = 0;
    std::string uwagi;
    for (Status st = w.GoTop(); st.ok() && !w.eof(); st = w.Skip(1)) {
      if (w.deleted()) continue;
      if (n == 0) out.Line("ADRESAT     : " + AllTrim(FieldText(w, "ODB")));
      uwagi = FieldText(w, "UWAGI");
      out.Line(TransformNumber(++n, "9999") + "  " + PadR(FieldText(w, "INDEKS"), 8) + " " +
               PadR(FieldText(w, "NAZWA"), 30) + " " + PadR(FieldText(w, "JM"), 3) + " " +
               TransformNumber(FieldNumber(w, "ZAMAWIAM"), "999999999"));
    }
    if (!IsBlank(uwagi)) out.Line(AllTrim(uwagi));
  });
}

// After the current order left the list (cancelled, or marked in a list of open or of
// fulfilled orders): the next one, else the first.
void StepOffHidden(xbase::WorkArea& h) {
  if (!h.Skip(1).ok() || h.eof()) (void)h.GoTop();
}

}  // namespace

void NcZam(session::Session& s) {
  console::Console& con = s.con();
  OrderSide side = s.vars().Has("M_ZO") && s.vars().Number("M_ZO") == 1 ? OrderSide::kCustomers
                                                                        : OrderSide::kSuppliers;
  std::vector<std::string> files = OrderFiles(s, side);
  const console::SavedScreen saved = con.SaveScreen();
  size_t position = 0;  // the order worked on last: the list comes back to it
  for (;;) {
    con.Box(4, 20, 21, 60, console::DoubleFrame(), con.colours().standard, ' ');
    con.Say(4, 22, side == OrderSide::kCustomers ? " Zamowienia od odbiorcow " : " Zamowienia do dostawcow ");
    con.Say(21, 22, " Enter-podglad F2-odb/dost F8-kasuj ");
    console::ListBrowseSource source([&files] { return files.size(); });
    if (!files.empty()) source.GoToBookmark(static_cast<int64_t>(std::min(position, files.size() - 1)));
    console::Browse browse(con, source, 5, 21, 20, 59);
    browse.AddColumn(session::PaddedColumn("NUMER", 12, [&] {
      return files.empty() ? std::string() : files[source.at()];
    }));
    std::string chosen;
    bool remove = false, other_side = false;
    // The key that chose the item (or closed the viewer) is no key of this list.
    con.SetLastKey(key::kNone);
    browse.Run([&](console::BrowseMode mode, int) {
      const int key = console::KeyToAnswer(con, mode);
      if (key == key::kNone) return console::BrowseAction::kContinue;
      if (key == key::kEsc) return console::BrowseAction::kLeave;
      if (key == key::F(2) || key == key::F(2) + 256) {
        other_side = true;  // the customers' orders, or the suppliers'
        return console::BrowseAction::kLeave;
      }
      if (mode == console::BrowseMode::kEmpty) return console::BrowseAction::kContinue;
      if (key == key::kEnter || key == key::F(8) || key == key::F(8) + 256) {
        position = source.at();
        chosen = files[position];
        remove = key != key::kEnter;
        return console::BrowseAction::kLeave;
      }
      return console::BrowseAction::kContinue;
    });
    if (other_side) {
      side = side == OrderSide::kCustomers ? OrderSide::kSuppliers : OrderSide::kCustomers;
      files = OrderFiles(s, side);
      position = 0;
      continue;
    }
    if (chosen.empty()) break;
    if (remove) {
      if (console::Okno(con, "Skasowac zamowienie " + chosen + " ?", "N")) {
        if (!s.env().Remove(OrderFilePath(s.root(), side, chosen)).ok())
          console::Okno_(con, "Plik " + Lower(chosen) + " zajety", 3);
        files = OrderFiles(s, side);
      }
    } else {
      ViewOrderFile(s, side, chosen);
    }
  }
  con.RestoreScreen(saved);
}

bool HasAdvances(xbase::WorkArea& zal, std::string_view odb, std::string_view rd, std::string_view nrd) {
  if (zal.FieldIndex("ZAM_RD") < 0 || zal.order_count() < 2) return false;
  const int order = zal.order();
  const std::string key = std::string(odb) + std::string(rd) + std::string(nrd);
  bool found = false;
  if (zal.SetOrder(2).ok()) {
    auto at = zal.SeekKey(key);
    found = at.ok() && *at;
  }
  (void)zal.SetOrder(order);
  return found;
}

Status CancelOrder(xbase::WorkArea& dowod, xbase::WorkArea& dow) {
  const std::string key = FieldText(dowod, "ODB") + FieldText(dowod, "RD") + FieldText(dowod, "NRD");
  HURT_RETURN_IF_ERROR(dowod.LockRecord());
  // Every line is locked before any goes: a line held by another station leaves the whole
  // order as it was, never a header with half its lines.
  const int order = dow.order();
  std::vector<uint32_t> found;
  Status st = dow.SetOrder(1);
  if (st.ok()) {
    auto at = dow.SeekKey(key);
    st = at.status();
    bool more = st.ok() && *at;
    while (more && !dow.eof() && FieldText(dow, "ODB") + FieldText(dow, "RD") + FieldText(dow, "NRD") == key) {
      st = dow.LockRecord();
      if (st.ok()) found.push_back(dow.recno());
      if (st.ok()) st = dow.Skip(1);
      more = st.ok();
    }
  }
  for (size_t i = 0; st.ok() && i < found.size(); ++i) {
    st = dow.GoTo(found[i]);
    if (st.ok()) st = dow.Delete();
    if (st.ok()) st = dow.Flush();
  }
  if (st.ok()) st = dow.Commit();
  (void)dow.Unlock();
  (void)dow.SetOrder(order);
  if (st.ok()) st = dowod.Delete();
  if (st.ok()) st = dowod.Commit();
  (void)dowod.Unlock();
  return st;
}

void RCoSs(session::Session& s, OrderView view) {
  console::Console& con = s.con();
  session::SideTable head(s, store::TableId::kZamDowod, kFirstScratch, kLastScratch, "_b");
  session::SideTable lines(s, store::TableId::kZamDow, kFirstScratch, kLastScratch, "_b");
  if (head.get() == nullptr || lines.get() == nullptr) {
    console::Okno_(con, "Plik fv_zam/dowod niedostepny", 3);
    return;
  }
  session::SideTable advances(s, store::TableId::kZalDowod, kFirstScratch, kLastScratch, "_b");
  xbase::WorkArea& h = *head.get();
  const console::SavedScreen saved = con.SaveScreen();
  con.Clear();
  if (view != OrderView::kAll) (void)h.SetFilter(view == OrderView::kOpen ? "EMPTY(ARC_DATA)" : "!EMPTY(ARC_DATA)");
  con.Say(0, 0,
          PadR(view == OrderView::kFulfilled ? "                    Z A M O W I E N I A   -   A R C H I W U M"
                                             : "                              Z A M O W I E N I A",
               80),
          con.colours().enhanced);
  // The fulfilled orders are unmarked or cancelled, not invoiced.
  con.Say(24, 0,
          PadR(view == OrderView::kFulfilled ? "Enter-odznaczenie realizacji   F8-anulowanie   Esc-wyjscie"
                                             : "Enter-realizacja  F5-faktura  Tab-zaliczka  F8-anulowanie  Esc-wyjscie",
               80),
          con.colours().enhanced);
  (void)h.GoTop();
  session::AreaSource source(h);
  console::Browse browse(con, source, 2, 0, 22, 79);
  browse.Separators("─┼─"_pl, "│"_pl, "");
  browse.AddColumn(session::PaddedColumn("ODB", 8, [&h] { return FieldText(h, "ODB"); }));
  browse.AddColumn(session::PaddedColumn("RD", 3, [&h] { return FieldText(h, "RD"); }));
  browse.AddColumn(session::PaddedColumn("NRD", 8, [&h] { return FieldText(h, "NRD"); }));
  browse.AddColumn(console::BrowseColumn::Date("DATA", [&h] { return FieldDate(h, "DATA"); }));
  browse.AddColumn(session::PaddedColumn("ZREALIZOWANE", 12, [&h] {
    const JulianDay d = FieldDate(h, "ARC_DATA");
    return d == kEmptyDate ? std::string() : Dtoc(d) + " " + FieldText(h, "ARC_NR");
  }));
  session::ConsoleStoreUi ui(con);
  // An order cancelled by another station: said so, nothing written.
  const auto Cancelled = [&con](xbase::WorkArea& order) {
    (void)order.Unlock();
    console::Okno_(con, "Dowod anulowany " + Dtoc(FieldDate(order, "DATA")), 3);
    return console::BrowseAction::kRepaint;
  };
  con.SetLastKey(key::kNone);
  browse.Run([&](console::BrowseMode mode, int) {
    const int k = console::KeyToAnswer(con, mode);
    if (k == key::kEsc) return console::BrowseAction::kLeave;
    if (mode != console::BrowseMode::kException) return console::BrowseAction::kContinue;
    // Read again: another station may have marked or cancelled the order meanwhile.
    if (!h.eof()) (void)h.GoTo(h.recno());
    const std::string odb = FieldText(h, "ODB"), rd = FieldText(h, "RD"), nrd = FieldText(h, "NRD");
    if (h.deleted()) return Cancelled(h);
    if (k == key::kEnter) {
      const bool marked = FieldDate(h, "ARC_DATA") != kEmptyDate;
      if (!marked) {
        if (!console::Okno(con, "Zrealizowane ?", "N")) return console::BrowseAction::kRepaint;
      } else {
        if (!console::Okno(con, AllTrim(s.op().nr) + " odznaczyc realizacje ?", "N") ||
            !session::Haslo(s, session::HasloKind::kSupervisor))
          return console::BrowseAction::kRepaint;
      }
      Status st = store::RecLockArea(ui, h, kLockSeconds);
      if (st.ok() && h.deleted()) return Cancelled(h);  // by another station, during the question
      if (st.ok() && (FieldDate(h, "ARC_DATA") != kEmptyDate) != marked) {
        // Marked or unmarked by another station meanwhile: its stamp stays.
        (void)h.Unlock();
        console::Okno_(con, marked ? "Realizacja juz odznaczona na innej stacji" : "Zamowienie juz zrealizowane na innej stacji", 3);
        return console::BrowseAction::kRepaint;
      }
      if (st.ok()) st = h.Replace("ARC_DATA", xbase::Value(xbase::Date{marked ? kEmptyDate : s.Today()}));
      if (st.ok()) st = h.Replace("ARC_NR", xbase::Value(marked ? std::string(" ") : Left(s.op().nr, 1)));
      if (st.ok()) st = h.Commit();
      (void)h.Unlock();
      if (!st.ok()) console::Okno_(con, "Zamowienie zajete - nic nie zmieniono", 3);
      if (st.ok() && view != OrderView::kAll) StepOffHidden(h);
      return console::BrowseAction::kRepaint;
    }
    if (k == key::F(5) || k == key::F(5) + 256) {
      InvoiceOrder(s, ui, h, *lines.get(), advances.get());
      return console::BrowseAction::kRepaint;
    }
    if (k == key::kTab) {
      if (advances.get() == nullptr) {
        console::Okno_(con, "Plik fv_zal/dowod niedostepny", 3);
      } else {
        JoinAdvance(s, ui, h, *advances.get());
      }
      return console::BrowseAction::kRepaint;
    }
    if (k == key::F(8) || k == key::F(8) + 256) {
      if (advances.get() != nullptr && HasAdvances(*advances.get(), odb, rd, nrd)) {
        console::Okno_(con, "Nic nie zrobie, sa zaliczki", 3);
        return console::BrowseAction::kRepaint;
      }
      if (!console::Okno(con, "Anulowac: " + AllTrim(odb) + " " + rd + nrd + " ?", "N") ||
          !session::Haslo(s, session::HasloKind::kSupervisor))
        return console::BrowseAction::kRepaint;
      const Status locked = store::RecLockArea(ui, h, kLockSeconds);
      if (locked.ok() && h.deleted()) return Cancelled(h);
      if (!locked.ok() || !CancelOrder(h, *lines.get()).ok()) {
        console::Okno_(con, "Zamowienie zajete - nic nie zmieniono", 3);
      } else {
        StepOffHidden(h);
      }
      return console::BrowseAction::kRepaint;
    }
    return console::BrowseAction::kContinue;
  });
  con.RestoreScreen(saved);
}

}  // namespace hurt::orders
