// The main menu, the main loop and the mechanics every sub-menu shares.
#include "shell/menu_tree.h"

#include <algorithm>
#include <array>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/keys.h"
#include "console/menu.h"
#include "console/message_window.h"
#include "session/helpers_screen.h"
#include "session/session.h"
#include "session/settings_rules.h"
#include "shell/main_screen.h"
#include "shell/menu_tree_internal.h"

namespace hurt::shell {

using namespace hurt::literals;
namespace key = console::key;

namespace menu {

void BrakPraw(Session& session, std::string_view text) { console::Okno_(session.con(), text); }

namespace {
// "-M03": a refusal token of one item.
std::string ItemToken(char letter, int item) {
  const int n = std::clamp(item, 0, 99);
  return std::string("-") + letter + static_cast<char>('0' + n / 10) + static_cast<char>('0' + n % 10);
}
}  // namespace

bool Refused(std::string_view prawa2, char letter, int item) {
  const std::string whole = std::string("-") + letter + "*";
  return prawa2.find(whole) != std::string_view::npos || prawa2.find(ItemToken(letter, item)) != std::string_view::npos;
}

std::string RefusalText(char letter, int item) { return "Brak praw, " + ItemToken(letter, item); }

bool AreaHasField(Session& session, int area, std::string_view field) {
  const xbase::WorkArea* a = session.areas().Area(area);
  return a != nullptr && a->FieldIndex(field) >= 0;
}

bool IsSupervisor(Session& session) { return session.op().nr == "0"; }

std::string WorkPeriod(Session& session) { return session.InArchive() ? session.hh_arc() : session.hh(); }

namespace {

void DrawFrame(console::Console& con, const SubMenu& m) {
  const std::vector<int>& s = m.separators;
  auto at = [&](size_t i) { return i < s.size() ? s[i] : -1; };
  // Ramka takes at most four separator rows; rows outside the frame are skipped there.
  session::Ramka(con, m.top, m.left, m.bottom, m.right, {at(0), at(1), at(2), at(3)});
  for (const std::vector<int>& b : m.extra_boxes) {
    if (b.size() == 4) con.Box(b[0], b[1], b[2], b[3], console::SingleFrame(), con.colours().standard, ' ');
  }
}

bool ViewingMode(Session& session) { return Left(session.www(), 2) == "CD"; }

}  // namespace

int RunSubMenu(Session& session, SubMenu& m) {
  console::Console& con = session.con();
  session::SessionVariables& vars = session.vars();

  // 1. Frame and colours; the position before this choice.
  con.SetColours(con.theme().MenuColours());
  DrawFrame(con, m);
  const int before = session::Position(session, m.position);
  session::SetPosition(session, "LK_OPCJA", before);

  // 2. The items; unavailable ones as blanks of the same width.
  console::Menu menu(con);
  menu.EndOnLeftRight(true);
  for (const SubMenuItem& item : m.items)
    menu.Prompt(item.row, m.left + 1, item.shown ? item.text : std::string(item.text.size(), ' '));
  vars.Set("POMOC", xbase::Value(999.0));
  const console::MenuResult r = menu.Run(before);
  vars.Set("POMOC", xbase::Value(0.0));

  // 4. The clock area.
  con.ClearRegion(0, 72, 0, 79, console::AttrOf("W/N"));

  // 3. Sideways: the main menu, fed by the keyboard buffer, opens the neighbour. (The
  // sub-menu itself has already ended, so only the main menu's part is stuffed.)
  if (r.exit == console::MenuExit::kLeft || r.exit == console::MenuExit::kRight) {
    session::SetPosition(session, m.position, r.choice);
    vars.Set("POM", xbase::Value(1.0));
    con.Keyboard({r.exit == console::MenuExit::kLeft ? key::kUp : key::kDown, key::kEnter});
    return m.main_item;
  }
  vars.Set("POM", xbase::Value(0.0));

  // 7. Esc: the end of the work, or the same sub-menu again on the same item.
  if (r.choice == 0) {
    if (console::Okno(con, "CZY CHCESZ ZAKONCZYC PRACE ?", "T")) return kMenuEnd;
    con.Keyboard({key::kEnter});
    return m.main_item;
  }

  const int n = r.choice;
  session::SetPosition(session, m.position, n);
  const SubMenuItem& item = m.items[static_cast<size_t>(n - 1)];

  // 5. Refused by the operator's tokens: told twice, the previous position back.
  if (Refused(session.op().prawa2, m.letter, n)) {
    const std::string text = RefusalText(m.letter, n);
    console::Okno_(con, text);
    console::Okno_(con, text);
    session::SetPosition(session, m.position, before);
    con.Keyboard({key::kEnter});
    return m.main_item;
  }

  // 6. The item's routine, then the same sub-menu again.
  int result = kReopen;
  if (!item.shown) {
    if (!m.blank_choice_text.empty()) console::Okno_(con, m.blank_choice_text);
  } else if (item.changes_data && ViewingMode(session)) {
    console::Okno_(con, "CD - opcja wygasla");
  } else if (item.changes_data && session.InArchive()) {
    console::Okno_(con, "Praca w archiwum - blokada");
  } else if (std::string text = m.blocked ? m.blocked(n) : std::string(); !text.empty()) {
    console::Okno_(con, text);
  } else if (item.action) {
    result = item.action();
  }
  if (result != kReopen) return result;
  con.ClearTypeahead();
  con.Keyboard({key::kEnter});
  return m.main_item;
}

}  // namespace menu

namespace {

struct MainPrompt {
  int item;  // 1..5
  int row, col;
  std::string text;
};

std::array<MainPrompt, 5> MainPrompts(Session& session) {
  return {{
      {kMagazyn, 4, 1,
       ToJestKasa(session) ? " MAGAZYN KOSZTOW                   " : " MAGAZYN                           "},
      {kRozrachunki, 3, 13, " ROZRACHUNKI                "},
      {kDowody, 2, 26, " DOWODY                 "},
      {kRaporty, 1, 34, " RAPORTY                                  "},
      {kSpecjalne, 0, 43, " FUNKCJE SPECJALNE                   "},
  }};
}

// The items a restricted operator sees, in menu order.
std::vector<int> VisibleMainItems(const session::OperatorRights& op) {
  if (op.Prawa1(1)) return {kDowody};
  if (op.Prawa1(2)) return {kMagazyn};
  if (op.Prawa1(5)) return {kDowody, kRaporty};
  return {kMagazyn, kRozrachunki, kDowody, kRaporty, kSpecjalne};
}

// With restriction 6 (warehouse cards and documents only) ROZRACHUNKI opens the
// warehouse and RAPORTY and FUNKCJE SPECJALNE open the documents.
int OpenedSubMenu(const session::OperatorRights& op, int item) {
  if (!op.Prawa1(6)) return item;
  if (item == kRozrachunki) return kMagazyn;
  if (item == kRaporty || item == kSpecjalne) return kDowody;
  return item;
}

void SelectArticles(Session& session) {
  xbase::WorkAreas& areas = session.areas();
  if (!areas.Select(2).ok()) return;
  xbase::WorkArea* as = areas.Current();
  if (as == nullptr) return;
  if (as->order_count() >= 1) (void)as->SetOrder(1);
  (void)as->GoTop();
}

}  // namespace

void InitMenuPositions(Session& session) {
  for (std::string_view name :
       {"K_GLOWNE", "K_ASORTYMENT", "K_KONTRAHENCI", "K_OBROTY", "K_RAPORTY", "K_SPECJALNE", "LK_OPCJA"})
    menu::SetPosition(session, name, 1);
  session.vars().Set("POM", xbase::Value(0.0));
  session.vars().Set("POMOC", xbase::Value(0.0));
  menu::SetPosition(session, "K_GLOWNE", kDowody);
  const std::string arg = LTrim(session.www());
  if (Left(arg, 1) == "1") menu::SetPosition(session, "K_GLOWNE", kRaporty);
  if (Left(arg, 1) == "2") {
    menu::SetPosition(session, "K_GLOWNE", kSpecjalne);
    const int item = static_cast<int>(Val(Substr(arg, 2, 2)));
    if (item >= 1 && item <= 18) menu::SetPosition(session, "K_SPECJALNE", item);
  }
}

int GlownyMenu(Session& session) {
  console::Console& con = session.con();

  // 1. The VAT rate, the colours of the main menu and the time.
  const session::VatNormalisation vat = session::VatDomyslny(session.settings(), [&](std::string_view n) { return session.FileX(n); });
  con.screen().Put(vat.row, vat.column, vat.shown, console::AttrOf("W+/N"));
  (void)con.SetColour("W+/N,N/W");
  con.Say(0, 72, session.clock().TimeText());

  // 2. The staircase, as the operator's restrictions allow.
  const std::array<MainPrompt, 5> prompts = MainPrompts(session);
  const std::vector<int> visible = VisibleMainItems(session.op());
  console::Menu m(con);
  for (int item : visible) {
    const MainPrompt& p = prompts[static_cast<size_t>(item - 1)];
    m.Prompt(p.row, p.col, p.text);
  }
  const int choice = m.Run(menu::Position(session, "K_GLOWNE")).choice;
  menu::SetPosition(session, "K_GLOWNE", choice);

  // 3. Esc: the end, without a question.
  if (choice == 0) return kMenuEnd;

  // 4. The articles table in front, then the sub-menu.
  SelectArticles(session);
  int result = kMenuEnd;
  switch (OpenedSubMenu(session.op(), visible[static_cast<size_t>(choice - 1)])) {
    case kMagazyn: result = Asortyment(session); break;
    case kRozrachunki: result = Kontrahenci(session); break;
    case kDowody: result = Dowody(session); break;
    case kRaporty: result = Raporty(session); break;
    default: result = Specjalne(session); break;
  }
  if (result == kMenuEnd) menu::SetPosition(session, "K_GLOWNE", 0);
  return result;
}

int MainMenuLoop(Session& session, const std::function<void(Session&)>& after_round) {
  EkranGlowny(session);
  for (;;) {
    const int r = GlownyMenu(session);
    if (r == kMenuEnd || IsInstallerExit(r)) return r;
    if (after_round) after_round(session);
    // The main screen again: a routine may have changed the operator, the colour set or
    // the period it shows.
    EkranGlowny(session);
  }
}

}  // namespace hurt::shell
