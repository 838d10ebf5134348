#include "catalogues/common.h"

#include "base/text.h"
#include "console/okno.h"
#include "shell/helpers.h"
#include "shell/session.h"
#include "store/catalogue.h"

namespace hurt::catalogues {

std::string VarText(shell::Session& s, std::string_view name) {
  if (!s.vars().Has(name)) return {};
  return s.vars().Text(name);
}

// ---- Month -------------------------------------------------------------------------------

namespace {

std::string ViewedPeriod(shell::Session& s) { return s.InArchive() ? s.hh_arc() : s.hh(); }

// The company's current month as "yy/mm"; "" when the company record is not open.
std::string CompanyPeriod(shell::Session& s) {
  xbase::WorkArea* firma = s.areas().Area(1);
  if (firma == nullptr) return {};
  if (firma->eof()) (void)firma->GoTop();
  auto period = store::PeriodDirFromBmr(FieldText(*firma, "BMR"));
  return period.ok() ? *period : std::string();
}

}  // namespace

bool InCurrentMonth(shell::Session& s) {
  if (s.InArchive()) return false;
  const std::string company = CompanyPeriod(s);
  return company.empty() || company == ViewedPeriod(s);
}

std::string ViewedMonthName(shell::Session& s) {
  const std::string p = ViewedPeriod(s);  // "yy/mm"
  if (p.size() < 5) return {};
  return shell::Miesiac(p.substr(3, 2), p.substr(0, 2));
}

void PaintKeyBar(shell::Session& s, bool current_month) {
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

StoreAccess::StoreAccess(shell::Session& s) : ui_(s.con()) {}

void Message(shell::Session& s, std::string_view text) { console::Okno_(s.con(), text); }

void Warning(shell::Session& s, std::string_view text, int seconds) { console::Okno_(s.con(), text, seconds); }

bool ConfirmDelete(shell::Session& s) { return console::Okno(s.con(), "CHCESZ  SKASOWAC  POZYCJE  ?", "T"); }

}  // namespace hurt::catalogues
