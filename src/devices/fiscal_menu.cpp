#include "devices/fiscal_menu.h"

#include <string>
#include <vector>

#include "base/cp852.h"
#include "base/date.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/form.h"
#include "console/message_window.h"
#include "devices/fiscal_station.h"
#include "session/menu_choice.h"
#include "session/session.h"

namespace hurt::devices {

using namespace hurt::literals;

namespace {

constexpr std::string_view kPosition = "K_DF_300";

bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

std::string TwoDigits(int n) { return PadL(std::to_string(n), 2, '0'); }

// "dd.mm.yyyy".
std::string DateText(JulianDay d) {
  const Ymd y = YmdFromJulian(d);
  return TwoDigits(y.day) + "." + TwoDigits(y.month) + "." + std::to_string(y.year);
}

// An amount typed in a small window; 0 after Esc.
double AskAmount(session::Session& s, std::string_view title) {
  console::Console& con = s.con();
  const console::SavedRegion under = con.Save(10, 20, 14, 60);
  con.Box(10, 20, 14, 60, console::DoubleFrame(), con.colours().standard, ' ');
  double amount = 0;
  console::Form form(con);
  form.Say(11, 22, title);
  form.Say(12, 22, "Kwota :");
  form.GetNumber(12, 30, amount, "9999999.99");
  const console::ReadResult read = form.Read();
  con.Restore(under);
  return read.escaped ? 0 : NewRound(amount, 2);
}

void PortChoice(session::Session& s) {
  const bool tcp = Contains(Upper(s.vars().Text("M_DRUKARKA")), "DF_IP");
  FiscalChannel& channel = DevicesOf(s).Channel(s);
  if (tcp) {
    auto* socket = dynamic_cast<TcpFiscalChannel*>(&channel);
    console::Okno_(s.con(), "Drukarka fiskalna TCP " + (socket != nullptr ? socket->Endpoint() : std::string()), 3);
  } else {
    const int c = session::SmallChoice(s, 6, 44, {"[1]", "[2]", "[3]", "[4]"}, FiscalPort(s) <= 4 ? FiscalPort(s) : 1);
    if (c == 0) return;
    s.vars().Set("DF_PORT", xbase::Value(static_cast<double>(c)));
  }
  ConsoleFiscalUi ui(s);
  FiscalChannel& chosen = DevicesOf(s).Channel(s);
  if (chosen.Start(ui)) console::Okno_(s.con(), tcp ? std::string("Drukarka fiskalna odpowiada") : "Port COM" + std::to_string(FiscalPort(s)), 1);
}

void CashInOut(session::Session& s, bool in) {
  const double amount = AskAmount(s, in ? "Wpłata do kasy"_pl : "Wypłata z kasy"_pl);
  if (amount <= 0) return;
  const bool sent = SendToPrinter(s, [&](const FrameSet& f) { return in ? f.CashIn(amount) : f.CashOut(amount); });
  if (sent) OpenCashDrawer(s);
}

void ClockAndTill(session::Session& s) {
  console::Console& con = s.con();
  const console::SavedRegion under = con.Save(10, 20, 14, 60);
  con.Box(10, 20, 14, 60, console::DoubleFrame(), con.colours().standard, ' ');
  std::string till = PadR(Left(AllTrim(s.vars().Text("M_NR_KASY")), 1), 1);
  if (IsBlank(till)) till = "1";
  console::Form form(con);
  form.Say(11, 22, "Zegar drukarki: " + DateText(s.Today()) + " " + Left(s.clock().TimeText(), 5));
  form.Say(12, 22, "Nr kasy :");
  form.GetText(12, 32, till, "9");
  const console::ReadResult read = form.Read();
  con.Restore(under);
  if (read.escaped) return;
  if (!IsBlank(till)) s.vars().Set("M_NR_KASY", xbase::Value(till));
  const int seconds = s.clock().SecondsOfDay();
  const JulianDay today = s.Today();
  if (SendToPrinter(s, [&](const FrameSet& f) { return f.SetClock(today, seconds / 3600, seconds / 60 % 60); })) {
    console::Okno_(con, "Zegar ustawiaj na poczatku pracy", 3);
  }
}

void Rates(session::Session& s) {
  const session::Settings& set = s.settings();
  std::vector<std::string> lines = {"Stawki PTU drukarki:",
                                    "A:" + set.Text("J_PTUA") + "  B:" + set.Text("J_PTUB") + "  C:" + set.Text("J_PTUC") +
                                        "  D:" + set.Text("J_PTUD"),
                                    "E:" + set.Text("J_PTUE") + "  F:" + set.Text("J_PTUF") + "  Z:" + set.Text("J_PTUZ")};
  console::OknoLines(s.con(), lines, 0);
}

}  // namespace

void Df300(session::Session& s) {
  (void)FinishPendingReceipt(s);
  const bool fp = Contains(Upper(s.settings().Text("J_DF_NAZWA")), "FP");
  const std::vector<std::string_view> items = {
      " 1. Port drukarki fiskalnej   ",
      " 2. Wpłata do kasy            "_pl,
      " 3. Wypłata z kasy            "_pl,
      " 4. Stan kasy                 ",
      " 5. Raport kasy / zmiany      ",
      " 6. Raport fiskalny dobowy    ",
      " 7. Raport fiskalny okresowy  ",
      " 8. Zegar i numer kasy        ",
      " 9. Nagłówek paragonu         "_pl,
      "10. Anulowanie transakcji     ",
      "11. Otwarcie szuflady         ",
      "12. Stawki VAT                ",
  };
  for (;;) {
    const int c = session::SmallChoice(s, 5, 46, items, session::Position(s, kPosition));
    if (c == 0) return;
    session::SetPosition(s, kPosition, c);
    if (fp && (c == 2 || c == 3 || (c >= 5 && c <= 7))) {
      console::Okno_(s.con(), "Opcja niedostepna dla drukarki FP", 2);
      continue;
    }
    if ((c == 4 || c == 5) && !s.op().Prawa(2)) {
      console::Okno_(s.con(), "Brak praw", 1);
      continue;
    }
    switch (c) {
      case 1: PortChoice(s); break;
      case 2: CashInOut(s, true); break;
      case 3: CashInOut(s, false); break;
      case 4: (void)SendToPrinter(s, [](const FrameSet& f) { return f.CashState(0); }); break;
      case 5:
        if (console::Okno(s.con(), "Drukowac raport kasy / zmiany ?", "N")) {
          (void)SendToPrinter(s, [](const FrameSet& f) { return f.ShiftReport(); });
        }
        break;
      case 6:
        if (console::Okno(s.con(), "Drukowac raport fiskalny dobowy ?", "N")) {
          (void)SendToPrinter(s, [](const FrameSet& f) { return f.DailyReport(); });
        }
        break;
      case 7: {
        const JulianDay today = s.Today();
        const Ymd y = YmdFromJulian(today);
        const JulianDay first = JulianFromYmd(y.year, y.month, 1);
        const std::string question =
            "Raport fiskalny 01." + TwoDigits(y.month) + "." + std::to_string(y.year) + "-" + DateText(today) + " ?";
        if (console::Okno(s.con(), question, "N")) {
          (void)SendToPrinter(s, [&](const FrameSet& f) { return f.PeriodReport(first, today); });
        }
        break;
      }
      case 8: ClockAndTill(s); break;
      case 9: console::Okno_(s.con(), "Opcja zablokowana", 2); break;
      case 10:
        if (console::Okno(s.con(), "Anulowac transakcje na drukarce ?", "N")) {
          const std::string till = AllTrim(s.vars().Text("M_NR_KASY"));
          const std::string op = s.op().nr;
          (void)SendToPrinter(s, [&](const FrameSet& f) { return f.CancelFromMenu(till.empty() ? "1" : till, op); });
        }
        break;
      case 11: OpenCashDrawer(s); break;
      case 12: Rates(s); break;
      default: break;
    }
  }
}

}  // namespace hurt::devices
