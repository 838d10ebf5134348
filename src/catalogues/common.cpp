#include "catalogues/common.h"

#include "base/cp852.h"
#include "base/text.h"
#include "console/keys.h"
#include "console/message_window.h"
#include "session/helpers.h"
#include "session/session.h"
#include "session/viewer.h"
#include "store/schema.h"

namespace hurt::catalogues {

using namespace hurt::literals;

std::string VarText(session::Session& s, std::string_view name) {
  if (!s.vars().Has(name)) return {};
  return s.vars().Text(name);
}

// ---- Month -------------------------------------------------------------------------------

namespace {

std::string ViewedPeriod(session::Session& s) { return s.InArchive() ? s.hh_arc() : s.hh(); }

// The company's current month as "yy/mm"; "" when the company record is not open.
std::string CompanyPeriod(session::Session& s) {
  xbase::WorkArea* firma = s.areas().Area(1);
  if (firma == nullptr) return {};
  if (firma->eof()) (void)firma->GoTop();
  auto period = store::PeriodDirFromBmr(FieldText(*firma, "BMR"));
  return period.ok() ? *period : std::string();
}

}  // namespace

bool InCurrentMonth(session::Session& s) {
  if (s.InArchive()) return false;
  const std::string company = CompanyPeriod(s);
  return company.empty() || company == ViewedPeriod(s);
}

std::string ViewedMonthName(session::Session& s) {
  const std::string p = ViewedPeriod(s);  // "yy/mm"
  if (p.size() < 5) return {};
  return session::Miesiac(p.substr(3, 2), p.substr(0, 2));
}

void PaintKeyBar(session::Session& s, bool current_month) {
  console::Console& con = s.con();
  const console::Attr text = con[console::Role::kKeyBar];
  const console::Attr keys = con[console::Role::kKeyName];
  con.ClearRegion(24, 0, 24, 79, text);
  if (current_month) {
    con.Say(24, 0, "F4-Edycja    F5-Dopisanie    F6-Filtr    F7-Szukanie    F8-Kasowanie     F9-Druk", text);
    static constexpr int kColumns[] = {0, 13, 29, 41, 56, 73};
    static constexpr std::string_view kNames[] = {"F4", "F5", "F6", "F7", "F8", "F9"};
    for (size_t i = 0; i < 6; ++i) con.Say(24, kColumns[i], kNames[i], keys);
  } else {
    con.Say(24, 0, "                             F6-Filtr    F7-Szukanie                     F9-Druk", text);
    con.Say(24, 29, "F6", keys);
    con.Say(24, 41, "F7", keys);
    con.Say(24, 73, "F9", keys);
  }
}

AreaKeep::~AreaKeep() {
  if (a_.filter() != filter_) (void)a_.SetFilter(filter_);
  if (a_.order() != order_) (void)a_.SetOrder(order_);
  (void)a_.GoTo(recno_);
}

bool AreaEmpty(xbase::WorkArea& a) {
  if (!a.eof()) return false;
  (void)a.GoTop();
  return a.eof();
}

bool KeyTaken(xbase::WorkArea& a, std::string_view key, uint32_t exclude) {
  AreaKeep keep(a);
  keep.Unfiltered();
  if (a.order_count() < 1 || !a.SetOrder(1).ok()) return false;
  auto found = a.SeekKey(key);
  return found.ok() && *found && a.recno() != exclude;
}

void SeedOrProbe(session::Session& s, StoreAccess& store, xbase::WorkArea& a, double add_wait, double lock_wait) {
  auto count = a.RecCount();
  if (count.ok() && *count == 0) {
    if (store.AddRec(a, add_wait).ok()) (void)a.Unlock();
    return;
  }
  if (a.eof()) (void)a.GoTop();
  if (a.eof()) return;
  LockWaitUi ui(s.con());
  if (store::RecLockArea(ui, a, lock_wait).ok()) (void)a.Unlock();
}

// ---- Waiting for a record ------------------------------------------------------------------

namespace {

constexpr int kWaitHintRow = console::kOknoTextRow + 1;

}  // namespace

bool LockWaitUi::WaitForKeyOrTimeout(int64_t millis) {
  if (gave_up_) return false;  // the wait ends without a pause
  if (!under_) {
    under_ = con_.Save(console::kOknoTop, console::kOknoLeft, console::kOknoSavedBottom, console::kOknoRight);
    console::OknoNoWait(con_, "Pozycja zajęta na innym stanowisku"_pl);
    const std::string_view hint = "czekam...   Esc - rezygnacja";
    con_.Say(kWaitHintRow, console::OknoTextColumn(static_cast<int>(hint.size())), hint,
             con_[console::Role::kMessageText]);
    con_.Refresh();
  }
  if (millis <= 0) return false;
  const int k = con_.WaitKey(millis);
  if (k == console::key::kEsc) gave_up_ = true;
  return k != console::key::kNone;
}

void LockWaitUi::Close() {
  if (!under_) return;
  con_.Restore(*under_);
  under_.reset();
  con_.Refresh();
}

bool LockForChange(session::Session& s, xbase::WorkArea& a, double wait, std::string_view not_done) {
  for (;;) {
    Status locked;
    bool gave_up = false;
    {
      LockWaitUi ui(s.con());
      locked = store::RecLockArea(ui, a, wait);
      gave_up = ui.GaveUp();
    }
    if (locked.ok()) return true;
    if (!locked.IsBusy()) {
      Warning(s, std::string("Błąd pliku - "_pl) + std::string(not_done), 3);
      return false;
    }
    if (gave_up || !console::Okno(s.con(), "Pozycja nadal zajęta - czekać dalej ?"_pl, "N")) {
      Warning(s, std::string("Pozycja zajęta - "_pl) + std::string(not_done), 3);
      return false;
    }
  }
}

void DeleteAndMoveOn(StoreAccess& store, xbase::WorkArea& a) {
  (void)a.Delete();
  (void)a.Unlock();
  (void)a.Skip(1);
  if (a.eof()) (void)a.GoTop();
  if (a.eof() && store.AddRec(a, 1).ok()) (void)a.Unlock();
}

void DropAppended(xbase::WorkArea& a) {
  if (a.LockRecord().ok()) {
    (void)a.Delete();
    (void)a.Unlock();
  }
  (void)a.GoTop();
}

void LocateFirst(session::Session& s, xbase::WorkArea& a, const std::string& condition) {
  auto expr = s.areas().Compile(a.number(), condition);
  if (!expr.ok()) return;
  for (Status at = a.GoTop(); at.ok() && !a.eof(); at = a.Skip(1)) {
    auto hit = s.areas().EvaluateLogical(*expr);
    if (hit.ok() && *hit) return;
  }
  Warning(s, "NIE ZNALAZŁEM"_pl, 3);
  (void)a.GoTop();
}

void ViewReportOver(session::Session& s, xbase::WorkArea& a, const std::function<void(session::ReportWriter&)>& procedure) {
  const int area_before = s.areas().current();
  (void)s.areas().Select(a.number());
  {
    AreaKeep keep(a);
    session::ViewDruk(s, procedure);
  }
  (void)s.areas().Select(area_before);
  if (a.eof()) (void)a.GoTop();
}

void QueryBuilder::Join(std::string_view test) {
  if (!cond_.empty()) cond_ += " .AND. ";
  cond_ += test;
}

void QueryBuilder::Add(std::string_view var, const std::string& value, std::string_view test) {
  if (IsBlank(value)) return;
  s_.vars().Set(var, xbase::Value(value));
  Join(test);
}

void QueryBuilder::AddNumber(std::string_view var, double value, std::string_view test) {
  s_.vars().Set(var, xbase::Value(value));
  Join(test);
}

console::BrowseAction CatalogueFun(session::Session& s, xbase::WorkArea& a, console::BrowseMode mode, bool current_month,
                                   const CatalogueHandlers& h) {
  using console::BrowseAction;
  using console::BrowseMode;
  namespace key = console::key;
  switch (mode) {
    case BrowseMode::kIdle:
    case BrowseMode::kHitTop:
      h.view();
      return BrowseAction::kContinue;
    case BrowseMode::kHitBottom:
      if (a.eof()) {
        (void)a.GoBottom();
        h.view();
        return BrowseAction::kRepaint;
      }
      h.view();
      return BrowseAction::kContinue;
    case BrowseMode::kEmpty: {
      const int k = s.con().LastKey();
      if (k == key::kDown) return BrowseAction::kAppend;
      if (k == key::kEsc) return BrowseAction::kLeave;
      if (key::IsKey(k, key::F(5)) && current_month) {
        h.append();
        return BrowseAction::kRepaint;
      }
      if (key::IsKey(k, key::F(6))) {
        h.filter();
        return BrowseAction::kRepaint;
      }
      return BrowseAction::kContinue;
    }
    case BrowseMode::kException: {
      const BrowseAction action = h.on_key(s.con().LastKey());
      if (action != BrowseAction::kLeave) h.view();
      return action;
    }
  }
  return BrowseAction::kContinue;
}

std::function<console::BrowseAction()> AndRepaint(std::function<void()> f) {
  return [f = std::move(f)] {
    f();
    return console::BrowseAction::kRepaint;
  };
}

console::BrowseAction DispatchKey(const KeyTable& table, int k) {
  for (const KeyAction& entry : table) {
    if (console::key::IsKey(k, entry.key)) return entry.action();
  }
  return console::BrowseAction::kContinue;
}

StoreAccess::StoreAccess(session::Session& s) : ui_(s.con()) {}

void Message(session::Session& s, std::string_view text) { console::Okno_(s.con(), text); }

void Warning(session::Session& s, std::string_view text, int seconds) { console::Okno_(s.con(), text, seconds); }

bool ConfirmDelete(session::Session& s) { return console::Okno(s.con(), "CHCESZ  SKASOWAC  POZYCJE  ?", "T"); }

}  // namespace hurt::catalogues
