#include "reports/daily_report_screen.h"

#include <optional>
#include <string>

#include "base/date.h"
#include "base/text.h"
#include "console/form.h"
#include "console/message_window.h"
#include "reports/report_period.h"
#include "session/output/report_file.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "session/viewer.h"
#include "store/schema.h"

namespace hurt::reports {

namespace {

constexpr int kTop = 9, kLeft = 10, kBottom = 13, kRight = 70;
constexpr int kLabelColumn = 12, kFieldColumn = 38;
constexpr size_t kOperatorsWidth = 20;

// The request: the day and, for the plain report, the operators. False after Esc.
bool Ask(session::Session& s, DailyRequest& request) {
  console::Console& con = s.con();
  const bool operators = request.variant == DailyVariant::kPlain;
  const console::SavedRegion under = con.Save(kTop, kLeft, kBottom, kRight);
  const console::SavedRegion bottom_row = con.Save(24, 0, 24, 79);
  con.Box(kTop, kLeft, kBottom, kRight, console::DoubleFrame(), con.colours().standard, ' ');
  con.Say(24, 0, PadR("Esc - wyjscie", 80));
  console::Form f(con);
  f.Say(kTop + 1, kLabelColumn, "Data biezaca (dd.mm.rr) :");
  f.GetDate(kTop + 1, kFieldColumn, request.day).Valid([&] {
    if (request.day != kEmptyDate) return true;
    console::Okno_(con, "Podaj date", 2);
    return false;
  });
  std::string list(kOperatorsWidth, ' ');
  if (operators) {
    f.Say(kTop + 2, kLabelColumn, "Nr operatorow           :");
    f.GetText(kTop + 2, kFieldColumn, list);
  }
  const bool escaped = f.Read().escaped;
  con.Restore(bottom_row);
  con.Restore(under);
  if (escaped || request.day == kEmptyDate) return false;
  std::string chosen;  // the operators, blanks left out
  for (char c : list) {
    if (c != ' ') chosen += c;
  }
  request.operators = chosen;
  return true;
}

}  // namespace

bool Rap1(session::Session& s, DailyVariant variant) {
  console::Console& con = s.con();
  xbase::WorkArea* dowod = s.areas().Area(store::Table(store::TableId::kDowod).area);
  if (dowod == nullptr || dowod->order_count() < 2) {
    console::Okno_(con, "Plik dowod niedostepny", 3);
    return false;
  }
  DailyRequest request;
  request.variant = variant;
  request.day = ProposedDay(s);
  if (!Ask(s, request)) return false;

  auto any = DayHasDocuments(*dowod, request.day);
  if (!any.ok()) {
    console::Okno_(con, "Problem z odczytem dowod: " + any.status().message(), 3);
    return false;
  }
  if (!*any) {
    console::Okno_(con, "BRAK OPERACJI W DNIU " + Dtoc(request.day), 3);
    return false;
  }

  std::optional<Status> failed;
  DailyOutcome outcome;
  session::ConsoleStoreUi ui(con);
  session::ViewDruk(s, [&](session::ReportWriter& out) {
    auto done = DrukTab(s, ui, *dowod, request, out);
    if (!done.ok()) {
      failed = done.status();
      out.Line("Problem z odczytem dowod: " + done.status().message());
      return;
    }
    outcome = *done;
  });
  if (failed) {
    console::Okno_(con, "Raport niepelny - problem z odczytem dowod", 3);
    return false;
  }
  if (outcome.notes_not_written > 0) {
    console::OknoLines(con, {"Usunieto powtorzone naglowki dowodow,", "nie zapisano tego w kanty.txt"}, 3);
  }
  return true;
}

}  // namespace hurt::reports
