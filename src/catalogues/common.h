// What the catalogue screens share: the browse source over a work area, reading fields of
// the current record, the current-month test, the key bar and the messages.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "console/browse.h"
#include "session/area_fields.h"
#include "session/store_ui.h"
#include "store/net_use.h"
#include "xbase/work_area.h"

namespace hurt::session {
class Session;
class ReportWriter;
}  // namespace hurt::session

namespace hurt::catalogues {

using session::AreaSource;

using session::FieldDate;
using session::FieldNumber;
using session::FieldText;
using session::HasField;

// A session variable as text ("" when it does not exist or is not a text).
std::string VarText(session::Session& s, std::string_view name);

// The period being viewed is the company's current month (firma->BMR): changes allowed.
bool InCurrentMonth(session::Session& s);
// The month name of the viewed period ("   Grudzien '2026"), for the title bar.
std::string ViewedMonthName(session::Session& s);

// Row 24: the full key bar in the current month (F4..F9 bright), or the viewing one.
void PaintKeyBar(session::Session& s, bool current_month);

// The shared-access helpers on the session's screen.
class StoreAccess {
 public:
  explicit StoreAccess(session::Session& s);
  store::StoreUi& ui() { return ui_; }
  Status RecLock(xbase::WorkArea& a, double wait) { return store::RecLockArea(ui_, a, wait); }
  Status AddRec(xbase::WorkArea& a, double wait) { return store::AddRecArea(ui_, a, wait); }

 private:
  session::ConsoleStoreUi ui_;
};

// Keeps the order, filter and current record of an area and puts them back when it goes
// out of scope, so that a look-up or a report over a shared table leaves the screen where
// it stood.
class AreaKeep {
 public:
  explicit AreaKeep(xbase::WorkArea& a) : a_(a), order_(a.order()), filter_(a.filter()), recno_(a.recno()) {}
  ~AreaKeep();
  AreaKeep(const AreaKeep&) = delete;
  AreaKeep& operator=(const AreaKeep&) = delete;
  // Drops the filter for the time being (the whole table is seen).
  void Unfiltered() {
    if (!a_.filter().empty()) (void)a_.SetFilter("");
  }

 private:
  xbase::WorkArea& a_;
  int order_;
  std::string filter_;
  uint32_t recno_;
};

// The area has no visible record (after going to the top).
bool AreaEmpty(xbase::WorkArea& a);

// A record other than `exclude` (0: any) holds `key` in order 1 of the area, filter or not:
// a key hidden by a filter is taken all the same. The area is left as it was.
bool KeyTaken(xbase::WorkArea& a, std::string_view key, uint32_t exclude);

// Start of a catalogue screen: a table without records gets one blank record (so that the
// grid has a row to stand on); otherwise the current record is probed with a lock, so that
// the waiting message (LockWaitUi) shows at once when another station holds it; Esc ends
// the probe.
void SeedOrProbe(session::Session& s, StoreAccess& store, xbase::WorkArea& a, double add_wait, double lock_wait);

// The screen of a wait for a record another station holds: from the first pause on, the
// message window says "Pozycja zajęta na innym stanowisku" with "czekam...   Esc -
// rezygnacja" under it; Esc ends the wait (StoreUi::GaveUp). The window goes when the
// object does. A record lock names no holder (an open file's lock carries no station
// number), so the message cannot name the station.
class LockWaitUi final : public store::StoreUi {
 public:
  explicit LockWaitUi(console::Console& con) : con_(con), inner_(con) {}
  ~LockWaitUi() override { Close(); }
  LockWaitUi(const LockWaitUi&) = delete;
  LockWaitUi& operator=(const LockWaitUi&) = delete;

  void SaveArea(int top, int left, int bottom, int right) override { inner_.SaveArea(top, left, bottom, right); }
  void RestoreArea() override { inner_.RestoreArea(); }
  void Message(std::string_view text) override { inner_.Message(text); }
  void Alert(std::string_view text) override { inner_.Alert(text); }
  bool WaitForKeyOrTimeout(int64_t millis) override;
  bool GaveUp() const override { return gave_up_; }
  void ProgressOpen(std::string_view title, store::ProgressScreen screen) override { inner_.ProgressOpen(title, screen); }
  void ProgressUpdate(std::string_view percent, std::string_view bar) override { inner_.ProgressUpdate(percent, bar); }
  void ProgressClose() override { inner_.ProgressClose(); }
  // Takes the message window away (the screen under it comes back).
  void Close();

 private:
  console::Console& con_;
  session::ConsoleStoreUi inner_;
  std::optional<console::SavedRegion> under_;
  bool gave_up_ = false;
};

// The lock of the current record for a change the operator asked for (REC_LOCK(wait) with
// the waiting shown by LockWaitUi). When the time runs out the operator is asked whether to
// wait longer ("Pozycja nadal zajęta - czekać dalej ?"). When the lock is not had, the
// message "Pozycja zajęta - " (or "Błąd pliku - ") + `not_done` ("zmiany nie zapisane")
// says that nothing was done; false then.
bool LockForChange(session::Session& s, xbase::WorkArea& a, double wait, std::string_view not_done);

// After F8 confirmed: deletes the current (locked) record, unlocks, moves to the next one
// (the top at the end) and, when no record is left, appends a blank one.
void DeleteAndMoveOn(StoreAccess& store, xbase::WorkArea& a);

// A blank record appended for a new entry that could not be written goes again.
void DropAppended(xbase::WorkArea& a);

// F7: the first record from the top where `condition` holds; "NIE ZNALAZŁEM" and the top
// when there is none.
void LocateFirst(session::Session& s, xbase::WorkArea& a, const std::string& condition);

// Runs a report over the area in the report viewer. The area is the current one meanwhile
// (the viewer's copy to a table copies it) and keeps its order, filter and record.
void ViewReportOver(session::Session& s, xbase::WorkArea& a, const std::function<void(session::ReportWriter&)>& procedure);

// The condition of a query-by-example form. Each typed value goes to a session variable
// that the condition names, so that no typed text ever becomes part of the expression.
class QueryBuilder {
 public:
  explicit QueryBuilder(session::Session& s) : s_(s) {}
  // Adds `test` (naming variable `var`) when `value` is not blank.
  void Add(std::string_view var, const std::string& value, std::string_view test);
  // Adds `test` after setting `var` to a number.
  void AddNumber(std::string_view var, double value, std::string_view test);
  const std::string& condition() const { return cond_; }

 private:
  void Join(std::string_view test);
  session::Session& s_;
  std::string cond_;
};

// What a catalogue screen lends to the common part of its key handler.
struct CatalogueHandlers {
  std::function<void()> view;                        // repaint the detail panel
  std::function<console::BrowseAction(int)> on_key;  // a key the grid does not handle
  std::function<void()> append;                      // F5 on an empty grid
  std::function<void()> filter;                      // F6 on an empty grid
};
// FUN_ of a catalogue, by grid mode: idle and the ends refresh the panel (at the bottom on
// end of file the last record becomes current); on an empty grid Down appends, Esc leaves,
// F5 (current month only) and F6 call their handlers; other keys go to `on_key` and the
// panel follows at once, also when keys are typed ahead.
console::BrowseAction CatalogueFun(session::Session& s, xbase::WorkArea& a, console::BrowseMode mode, bool current_month,
                                   const CatalogueHandlers& h);

// One key a catalogue screen answers and what it does. A function key matches in either
// of its two codes (key::IsKey).
struct KeyAction {
  int key;
  std::function<console::BrowseAction()> action;
};
// The keys of a screen, tried in this order.
using KeyTable = std::vector<KeyAction>;
// An action that runs `f` and repaints the grid.
std::function<console::BrowseAction()> AndRepaint(std::function<void()> f);
// The action of the first entry for `k`; kContinue when the screen does not answer it.
console::BrowseAction DispatchKey(const KeyTable& table, int k);

// The message window for a moment (one second, a key ends it).
void Message(session::Session& s, std::string_view text);
// The message window until a key or `seconds`.
void Warning(session::Session& s, std::string_view text, int seconds);

// The deletion question "CHCESZ  SKASOWAC  POZYCJE  ?" with T preset.
bool ConfirmDelete(session::Session& s);

}  // namespace hurt::catalogues
