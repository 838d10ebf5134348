#include "reports/movement_statement_screen.h"

#include <optional>
#include <string>

#include "base/date.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/console.h"
#include "console/form.h"
#include "console/keys.h"
#include "console/message_window.h"
#include "documents/header_rules.h"
#include "reports/movement_statement.h"
#include "reports/movement_statement_print.h"
#include "session/menu_choice.h"
#include "session/output/report_file.h"
#include "session/session.h"
#include "session/viewer.h"
#include "store/schema.h"
#include "xbase/work_area.h"

namespace hurt::reports {

namespace {

constexpr int kStatusRow = 24;

// The open month's first and last day (this month when the period names none).
std::pair<JulianDay, JulianDay> OpenMonth(session::Session& s) {
  const documents::Period p = documents::PeriodOfHh(s.InArchive() ? s.hh_arc() : s.hh());
  if (p.month >= 1) return {p.First(), p.Last()};
  const Ymd t = YmdFromJulian(s.Today());
  return {JulianFromYmd(t.year, t.month, 1), JulianFromYmd(t.year, t.month, DaysInMonth(t.year, t.month))};
}

std::optional<MovementRequest> Ask(session::Session& s, std::string_view title) {
  console::Console& con = s.con();
  MovementRequest req;
  std::tie(req.from, req.to) = OpenMonth(s);
  std::string mag = PadR(Left(s.settings().MagGlow(), 1), 1);
  std::string prefix(8, ' '), group(8, ' ');
  xbase::WorkArea* as = s.areas().Area(store::Table(store::TableId::kAs).area);
  const bool groups = as != nullptr && as->FieldIndex("T_W_O_K") >= 0;

  const console::SavedScreen under = con.SaveScreen();
  con.ClearRegion(0, 0, 23, 79);
  con.Say(1, 20, title);
  console::Form f(con);
  f.Say(4, 5, "OKRES od - do  (dd.mm.rr):");
  f.Say(6, 5, "Nr MAGAZYNU  :");
  f.Say(8, 5, "INDEKS grupy :");
  f.Say(8, 28, "    (pierwsze znaki indeksu)");
  if (groups) f.Say(10, 5, "GRUPA        :");
  f.GetDate(4, 32, req.from).Valid([&] {
    if (req.from != kEmptyDate) return true;
    console::Okno_(con, "Podaj date poczatkowa", 2);
    return false;
  });
  f.GetDate(4, 44, req.to).Valid([&] {
    if (req.to == kEmptyDate) {
      console::Okno_(con, "Podaj date koncowa", 2);
      return false;
    }
    if (req.to >= req.from) return true;
    console::Okno_(con, "Data koncowa przed poczatkowa", 2);
    return false;
  });
  f.GetText(6, 20, mag, "!");
  f.GetText(8, 20, prefix, std::string(8, '!'));
  if (groups) f.GetText(10, 20, group, std::string(8, '!'));
  const bool escaped = f.Read().escaped;
  con.RestoreScreen(under);
  if (escaped || IsBlank(mag) || req.from == kEmptyDate || req.to == kEmptyDate || req.from > req.to) return std::nullopt;
  req.mag = mag.substr(0, 1);
  req.prefix = RTrim(prefix);
  req.group = AllTrim(group);
  return req;
}

// The progress of the computation: the message window with the lines read, the month on
// row 24, and Esc asking whether to stop.
class Progress {
 public:
  explicit Progress(console::Console& con) : con_(con), under_(con.Save(console::kOknoTop, 0, kStatusRow, 79)) {
    console::OknoNoWait(con_, "Prosze czekac ...");
    con_.Refresh();
  }
  ~Progress() {
    con_.Restore(under_);
    con_.Refresh();
  }
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  MovementProgress Callbacks() {
    MovementProgress p;
    p.month = [this](const std::string& period) {
      con_.ClearRegion(kStatusRow, 0, kStatusRow, 79);
      con_.Say(kStatusRow, 0, period);
      console::OknoNoWait(con_, "Prosze czekac ... " + period);
      con_.Refresh();
    };
    p.lines = [this](const std::string& period, long lines) {
      console::OknoNoWait(con_, "Prosze czekac ... " + period + "  pozycji: " + std::to_string(lines));
      con_.Refresh();
    };
    p.stop = [this] {
      if (con_.NextKey() != console::key::kEsc) return false;
      (void)con_.PollKey();
      const bool stop = console::Okno(con_, "Przerwac raport ?", "N");
      con_.Refresh();
      return stop;
    };
    return p;
  }

 private:
  console::Console& con_;
  console::SavedRegion under_;
};

}  // namespace

bool RasMmm(session::Session& s, std::string_view kind) {
  const bool statement = AllTrim(kind) == "1";
  auto req = Ask(s, statement ? "RUCH NA MAGAZYNIE" : "SZCZEGOLOWY RAPORT RUCHU");
  if (!req) return false;
  DetailChoice choice = DetailChoice::kQuantity;
  if (!statement) {
    const int c = session::SmallChoice(s, 10, 30, {" ilosc ", " wartosc ", " ilosc i wartosc "});
    if (c == 0) return false;
    choice = static_cast<DetailChoice>(c);
  }
  console::Console& con = s.con();
  auto table = MovementTable::Create(s);
  if (!table.ok()) return false;
  Result<MovementResult> result = MovementResult{};
  {
    Progress progress(con);
    result = ComputeMovement(s, **table, *req, progress.Callbacks());
  }
  if (!result.ok()) {
    console::Okno_(con, "Raport nie wykonany: " + result.status().message(), 3);
    return false;
  }
  if (!result->refusal.empty()) {
    console::Okno_(con, result->refusal, 3);
    return false;
  }
  if (result->interrupted) return false;
  if (!result->problem.empty()) console::Okno_(con, result->problem, 3);

  // The work table is current while the report is viewed, so that Alt+B copies it.
  const int current = s.areas().current();
  (void)s.areas().Select(MovementTable::kArea);
  const MovementHeading heading = MovementHeadingOf(s);
  xbase::WorkArea& asso = (*table)->area();
  Status printed;
  session::ViewDruk(s, [&](session::ReportWriter& out) {
    printed = statement ? PrintMovementStatement(out, asso, *req, heading, result->card_stock)
                        : PrintMovementDetail(out, asso, *req, heading, choice);
  });
  (void)s.areas().Select(current);
  if (!printed.ok()) console::Okno_(con, "Plik " + (*table)->name() + ": " + printed.message(), 3);
  return printed.ok();
}

}  // namespace hurt::reports
