// What the catalogue screens share: the browse source over a work area, reading fields of
// the current record, the current-month test, the key bar and the messages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/date.h"
#include "console/browse.h"
#include "shell/area_fields.h"
#include "shell/store_ui.h"
#include "store/net_use.h"
#include "xbase/work_area.h"

namespace hurt::shell {
class Session;
}

namespace hurt::catalogues {

using shell::AreaSource;

using shell::FieldDate;
using shell::FieldNumber;
using shell::FieldText;
using shell::HasField;

// A session variable as text ("" when it does not exist or is not a text).
std::string VarText(shell::Session& s, std::string_view name);

// The period being viewed is the company's current month (firma->BMR): changes allowed.
bool InCurrentMonth(shell::Session& s);
// The month name of the viewed period ("   Grudzien '2026"), for the title bar.
std::string ViewedMonthName(shell::Session& s);

// Row 24: the full key bar in the current month (F4..F9 bright), or the viewing one.
void PaintKeyBar(shell::Session& s, bool current_month);

// The shared-access helpers on the session's screen.
class StoreAccess {
 public:
  explicit StoreAccess(shell::Session& s);
  store::StoreUi& ui() { return ui_; }
  Status RecLock(xbase::WorkArea& a, double wait) { return store::RecLockArea(ui_, a, wait); }
  Status AddRec(xbase::WorkArea& a, double wait) { return store::AddRecArea(ui_, a, wait); }

 private:
  shell::ConsoleStoreUi ui_;
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

// The message window for a moment (one second, a key ends it).
void Message(shell::Session& s, std::string_view text);
// The message window until a key or `seconds`.
void Warning(shell::Session& s, std::string_view text, int seconds);

// The deletion question "CHCESZ  SKASOWAC  POZYCJE  ?" with T preset.
bool ConfirmDelete(shell::Session& s);

}  // namespace hurt::catalogues
