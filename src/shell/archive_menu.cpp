#include "shell/archive_menu.h"

#include <string>
#include <vector>

#include "base/cp852.h"
#include "base/text.h"
#include "catalogues/article_catalogue.h"
#include "console/console.h"
#include "console/menu.h"
#include "documents/document_list.h"
#include "invoicing/document_summary.h"
#include "maintenance/archive_month.h"
#include "session/not_built.h"
#include "session/session.h"
#include "shell/main_screen.h"
#include "shell/menu_tree.h"
#include "shell/menu_tree_internal.h"

namespace hurt::shell {

using namespace hurt::literals;

namespace {

constexpr std::string_view kTitle = "    R A P O R T Y   Z   A R C H I W U M    ";
constexpr int kWidth = 43;
constexpr int kTop = 0, kLeft = 35, kRight = kLeft + kWidth + 1;
constexpr int kTitleRow = kTop + 1;
constexpr int kFirstItemRow = kTop + 3;

struct ArchiveItem {
  std::string text;  // padded to 43 characters
  bool shown = true;
  std::function<void()> run;
};

std::string Padded(std::string_view text) { return PadR(text, kWidth); }

std::vector<ArchiveItem> Items(Session& session, void (*registers)(Session&)) {
  const session::OperatorRights& op = session.op();
  auto later = [&session](const char* name) { return [&session, name] { session::NotBuilt(session, name); }; };
  const bool lists = !op.Prawa1(3) && !op.Prawa1(5);
  auto document_list = [&session] { invoicing::ZestawienieDowodow(session); };
  auto cards = [&session] { (void)catalogues::DbuAs(session); };
  return {
      {Padded(" Raporty kasowe "), op.Prawa(2) && !op.Prawa1(3), later("_RAPORTY")},
      {Padded(" Rejestry "), op.Prawa(3) && !op.Prawa1(3), [&session, registers] { registers(session); }},
      {Padded(" Rotacja towaru "), op.Prawa(4), later("_ROTACJA")},
      {Padded(" Obroty z kontrahentami "), op.Prawa(5), later("_OBROTY")},
      {Padded(" Zestawienie dowodow "), lists, document_list},
      {Padded(" Zestawienie dowodow i operatorow "), lists, document_list},
      {Padded(" Zyskownosc "), op.Prawa(6), later("_ZYSKOWNOSC")},
      {Padded(" Systemy premiowania "), op.Prawa(6), later("_PREMIE")},
      {Padded(" Wydruk dowodu z archiwum "), op.Prawa(13) || op.Prawa(4),
       [&session] { documents::DbuDow(session, 1); }},
      {Padded(" Kartoteki magazynowe na koncu miesiaca "), true, cards},
      {Padded(" Kartoteki magazynowe wg. DOSTAWCOW / PROD."), true, cards},
      {Padded(" Wartosc towaru na magazynach [mag, BO, BZ]"), true, later("WARTOSC_MAGAZYNOW")},
      {Padded(" Kopiowanie zbiorów dla systemu F-K "_pl), true, later("KOP_DLA_FK")},
  };
}

// The box, the title and the items (an item without its right as blanks); the choice.
int Choose(Session& session, const std::vector<ArchiveItem>& items, int start) {
  console::Console& con = session.con();
  con.SetColours(con.theme().MenuColours());
  const int bottom = kFirstItemRow + static_cast<int>(items.size());
  con.Box(kTop, kLeft, bottom, kRight, console::DoubleFrame(), con.colours().standard, ' ');
  con.Say(kTitleRow, kLeft + 1, kTitle, con.colours().enhanced);
  console::Menu m(con);
  m.Prompt(kFirstItemRow - 1, kLeft + 1, Padded(" Wybor miesiaca i roku "));
  for (size_t i = 0; i < items.size(); ++i) {
    const ArchiveItem& item = items[i];
    m.Prompt(kFirstItemRow + static_cast<int>(i), kLeft + 1, item.shown ? item.text : std::string(kWidth, ' '));
  }
  return m.Run(start).choice;
}

}  // namespace

int InArc(Session& session, void (*registers)(Session&)) {
  const std::vector<ArchiveItem> items = Items(session, registers);
  int at = 1;
  for (;;) {
    const int c = Choose(session, items, at);
    if (c == 0) break;
    at = c;
    if (c == 1) {
      const std::optional<std::string> period =
          maintenance::WyborOkresu(session, " Miesiac z archiwum ", menu::WorkPeriod(session));
      if (period && maintenance::OtworzArchiwum(session, *period) == maintenance::Archiwum::kLost) return kMenuEnd;
    } else if (const ArchiveItem& item = items[static_cast<size_t>(c - 2)]; item.shown) {
      item.run();
    }
    // The period line, and whatever a report left on the screen, drawn anew.
    EkranGlowny(session);
  }
  if (session.InArchive() && !maintenance::WrocDoBiezacego(session)) return kMenuEnd;
  return menu::kReopen;
}

}  // namespace hurt::shell
