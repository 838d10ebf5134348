#include "devices/eft_menu.h"

#include <netdb.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "base/cp852.h"
#include "base/date.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/form.h"
#include "console/message_window.h"
#include "devices/card_station.h"
#include "session/menu_choice.h"
#include "session/operator_rights.h"
#include "session/session.h"

namespace hurt::devices {

using namespace hurt::literals;

namespace {

constexpr std::string_view kPosition = "K_EFT_MENU";

void Tell(session::Session& s, std::string_view text, int seconds) { console::Okno_(s.con(), text, seconds); }

// A field typed in a small window; false after Esc.
bool AskText(session::Session& s, std::string_view label, std::string& value, std::string_view picture) {
  console::Console& con = s.con();
  const console::SavedRegion under = con.Save(10, 20, 13, 66);
  con.Box(10, 20, 13, 66, console::DoubleFrame(), con.colours().standard, ' ');
  console::Form form(con);
  form.Say(11, 22, label);
  form.GetText(11, 22 + static_cast<int>(label.size()) + 1, value, picture);
  const console::ReadResult read = form.Read();
  con.Restore(under);
  return !read.escaped;
}

double AskAmount(session::Session& s) {
  console::Console& con = s.con();
  const console::SavedRegion under = con.Save(10, 20, 13, 60);
  con.Box(10, 20, 13, 60, console::DoubleFrame(), con.colours().standard, ' ');
  double amount = 0;
  console::Form form(con);
  form.Say(11, 22, "Kwota :");
  form.GetNumber(11, 30, amount, "9999999.99");
  const console::ReadResult read = form.Read();
  con.Restore(under);
  return read.escaped ? 0 : amount;
}

void NoConnection(session::Session& s) { Tell(s, "Brak komunikacji z Terminalem", 3); }

void Transaction(session::Session& s, CardLink& link, CardTxnType type, double amount, std::string_view receipt) {
  console::OknoNoWait(s.con(), "Czekam na terminal...");
  const CardResult r = link.Transact(type, amount, receipt);
  switch (r.outcome) {
    case CardOutcome::kApproved: Tell(s, "Terminal: transakcja przyjeta", 2); break;
    case CardOutcome::kDeclined: Tell(s, "Terminal odrzucil transakcje (" + r.answer.result + ")", 3); break;
    case CardOutcome::kNoConnection: NoConnection(s); break;
    case CardOutcome::kNoAnswer: Tell(s, "Terminal nie odpowiedzial - sprawdz status", 3); break;
    case CardOutcome::kBadAnswer: Tell(s, "Terminal odpowiedzial niezrozumiale", 3); break;
  }
}

void Send(session::Session& s, CardLink& link, int port, std::string_view frame) {
  if (!link.Send(port, frame)) NoConnection(s);
}

void ShowStatus(session::Session& s, CardLink& link) {
  if (link.family() == CardFamily::kElavon) {
    auto reply = link.Query(link.ports().status, elavon::Status(), elavon::kStatusReplySize, kCardQueryWaitMs);
    if (!reply) return NoConnection(s);
    const std::optional<int> state = elavon::StatusState(*reply);
    Tell(s, ElavonStateText(state.value_or(0)), 2);
    return;
  }
  auto reply = link.Query(link.ports().fiserv, fiserv::Hello(), fiserv::kHelloReplySize, kCardQueryWaitMs);
  if (!reply) return NoConnection(s);
  const std::string tid = fiserv::HelloTid(*reply);
  Tell(s, tid.empty() ? std::string("Terminal nie odpowiedzial") : "TID: " + tid, 3);
}

// The first address of the station's host name, digits and dots.
std::string OwnAddress() {
  char host[256] = {};
  if (::gethostname(host, sizeof host - 1) != 0) return "";
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host, nullptr, &hints, &found) != 0 || found == nullptr) return "";
  char text[NI_MAXHOST] = {};
  const int got = ::getnameinfo(found->ai_addr, found->ai_addrlen, text, sizeof text, nullptr, 0, NI_NUMERICHOST);
  ::freeaddrinfo(found);
  return got == 0 ? TerminalAddressOf(text) : "";
}

}  // namespace

void EftMenu(session::Session& s) {
  const std::optional<TerminalChoice> found = FindTerminal(s);
  if (!found) {
    Tell(s, "Brak pliku elavon.txt ani fiserv.txt", 3);
    return;
  }
  const bool elavon = found->family == CardFamily::kElavon;
  for (;;) {
    const TerminalChoice t = TerminalOf(s, found->family);
    const std::string address = PadL(t.address.empty() ? std::string("127.0.0.1") : t.address, 15);
    const std::string first = " 1. Adres IP " + address + " ";
    auto only = [elavon](std::string_view item) { return elavon ? item : std::string_view("                               "); };
    const std::vector<std::string_view> items = {
        first,
        " 2. Sprzedaż                   "_pl,
        " 3. Zwrot                      ",
        " 4. Anulowanie                 ",
        only(" 5. Kopia ostatniego rachunku  "),
        " 6. Raport dobowy              ",
        " 7. Sprawdź status             "_pl,
        only(" 8. Ustawienie zegara          "),
        only(" 9. Test wydruku              "),
        only("10. Wyślij adres IP           "_pl),
        "                               ",
        only("12. Anuluj                     "),
    };
    const int c = session::SmallChoice(s, 5, 35, items, session::Position(s, kPosition));
    if (c == 0) return;
    session::SetPosition(s, kPosition, c);
    if (!elavon && (c == 5 || (c >= 8 && c <= 10) || c == 12)) continue;
    CardLink link = LinkTo(s, t);
    switch (c) {
      case 1: {
        std::string typed = PadR(t.address, 15);
        if (!AskText(s, "Adres IP:", typed, "XXXXXXXXXXXXXXX")) break;
        Status st = WriteTerminalAddress(s, t, typed);
        if (!st.ok()) Tell(s, "Nie zapisano adresu: " + st.message(), 3);
        break;
      }
      case 2: {
        const double amount = AskAmount(s);
        if (amount > 0) Transaction(s, link, CardTxnType::kSale, amount, {});
        break;
      }
      case 3: {
        const double amount = AskAmount(s);
        if (amount > 0 && session::Haslo(s, session::HasloKind::kSupervisor)) {
          Transaction(s, link, CardTxnType::kRefund, amount, {});
        }
        break;
      }
      case 4: {
        std::string receipt(6, ' ');
        if (!AskText(s, "Nr rachunku", receipt, "XXXXXX")) break;
        if (session::Haslo(s, session::HasloKind::kSupervisor)) {
          Transaction(s, link, CardTxnType::kCancel, 0, receipt);
        }
        break;
      }
      case 5: Send(s, link, link.ports().transaction, elavon::LastTransaction()); break;
      case 6:
        if (elavon) {
          Send(s, link, link.ports().settlement, elavon::Settlement());
        } else {
          Send(s, link, link.ports().fiserv, fiserv::Cutoff());
        }
        break;
      case 7: ShowStatus(s, link); break;
      case 8: {
        const Ymd d = YmdFromJulian(s.Today());
        const int sec = s.clock().SecondsOfDay();
        Send(s, link, link.ports().transaction,
             elavon::SetClock({sec / 3600, sec / 60 % 60, sec % 60, d.day, d.month, d.year}));
        break;
      }
      case 9: {
        std::string text(25, ' ');
        if (!AskText(s, "Tekst:", text, "")) break;
        if (!IsBlank(text)) Send(s, link, link.ports().transaction, elavon::PrintText(TerminalText(RTrim(text))));
        break;
      }
      case 10: {
        const std::string own = OwnAddress();
        if (own.empty()) {
          Tell(s, "Nie znam adresu tego stanowiska", 3);
          break;
        }
        Send(s, link, link.ports().transaction, elavon::SetEcrAddress(own));
        break;
      }
      case 12: Send(s, link, link.ports().status, elavon::CancelKey()); break;
      default: break;
    }
  }
}

}  // namespace hurt::devices
