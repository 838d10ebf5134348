// Sub-menu ROZRACHUNKI (KONTRAHENCI): the settlement books of the counterparties.
#include "base/cp852.h"
#include "base/text.h"
#include "catalogues/counterparty_books.h"
#include "catalogues/counterparty_reports.h"
#include "catalogues/kind_catalogue.h"
#include "console/form.h"
#include "session/not_built.h"
#include "session/session.h"
#include "settlements/due_dates.h"
#include "settlements/unpaid_invoices.h"
#include "shell/file_picker.h"
#include "shell/menu_tree.h"
#include "shell/menu_tree_internal.h"
#include "shell/text_file_editor.h"

namespace hurt::shell {

using namespace hurt::literals;
using menu::kReopen;
using menu::SubMenuItem;

namespace {

// The filter window of the due-date browse: rows 11-15, columns 41-79. Every line may be
// left empty. The answers go to the session for the browse (settlements/due_dates.h):
// M_OPIEKUN, M_TEL_KIER and M_DZIEN_TYG. False after Esc.
bool TerminarzFilter(Session& session) {
  console::Console& con = session.con();
  const console::SavedRegion saved = con.Save(11, 41, 15, 79);
  const console::ColourSet colours = con.colours();
  con.SetColours(con.theme().MenuColours());
  con.Box(11, 41, 15, 79, console::SingleFrame(), con.colours().standard, ' ');
  std::string opiekun(8, ' ');
  std::string tel(3, ' ');
  std::string dzien(1, ' ');
  console::Form form(con);
  form.Say(12, 42, "Kod opiekuna:");
  form.Say(13, 42, "Tel. kier.  :");
  form.Say(14, 42, "Dzien tyg.  :");
  for (int row = 12; row <= 14; ++row) form.Say(row, 66, "mozna pominac");
  form.GetText(12, 56, opiekun, "@!");
  form.GetText(13, 56, tel);
  form.GetText(14, 56, dzien, "@!");
  const console::ReadResult r = form.Read();
  con.Restore(saved);
  con.SetColours(colours);
  if (r.escaped) return false;
  session.vars().Set("M_OPIEKUN", xbase::Value(opiekun));
  session.vars().Set("M_TEL_KIER", xbase::Value(tel));
  session.vars().Set("M_DZIEN_TYG", xbase::Value(dzien));
  return true;
}

}  // namespace

int Kontrahenci(Session& session) {
  const session::OperatorRights& op = session.op();
  const bool allowed = (!op.Prawa1(3) && (op.Prawa(13) || op.Prawa1(5))) ||
                       op.prawa2.find("+K*") != std::string::npos;
  // The account book follows the item number (K_KONTRAHENCI), read by DBU_ZO itself.
  auto dbu_zo = [&session] {
    catalogues::DbuZo(session);
    return kReopen;
  };

  const bool terminarz = menu::AreaHasField(session, 7, "MAG");
  const bool pp = session.FileX("PP.DBF") && Upper(AllTrim(session.settings().Text("J_PP_PLIK"))) != "PACZKA";
  const bool stopa = menu::AreaHasField(session, 3, "STOPA");

  menu::SubMenu m;
  m.letter = 'K';
  m.main_item = kRozrachunki;
  m.position = "K_KONTRAHENCI";
  m.top = 3, m.left = 12, m.right = 41;
  m.separators = {9};
  m.blank_choice_text = allowed ? "" : "brak praw";

  std::vector<SubMenuItem>& it = m.items;
  it.push_back(menu::Item(5, " Rozrachunki z odbiorcami   ", allowed, true, dbu_zo));
  it.push_back(menu::Item(6, " Rozrachunki z dostawcami   ", allowed && op.Prawa(8), true, dbu_zo));
  it.push_back(menu::Item(7, " Rozrachunki z pracownikami ", allowed, true, dbu_zo));
  it.push_back(menu::Item(8, " Pozostałe rozrachunki      "_pl, allowed, true, dbu_zo));
  it.push_back(menu::Item(10, " Notes                      ", allowed, true, dbu_zo));
  it.push_back(menu::Item(11, " Salda naleznosci-zobowiazań"_pl, allowed, true, [&session] {
    catalogues::SaldaNaleznosciZobowiazan(session);
    return kReopen;
  }));
  if (terminarz) {
    it.push_back(menu::Item(12, " Terminarz należnosci-zobow."_pl, allowed, true, [&session] {
                    if (TerminarzFilter(session)) {
                      settlements::DbuTerm(session, {session.vars().Text("M_OPIEKUN"), session.vars().Text("M_TEL_KIER"),
                                                     session.vars().Text("M_DZIEN_TYG")});
                    }
                    return kReopen;
                  }));
  } else {
    it.push_back(menu::Item(12, " Pobranie rozrachunkow      ", allowed, true, [&session] {
                    if (!IsBlank(session.settings().Text("J_FF2"))) session::NotBuilt(session, "POBRANIE_ROZRACHUNKOW");
                    return kReopen;
                  }));
  }
  it.push_back(menu::Item(13, " Faktury niezapłacone !!!!! "_pl, allowed, true, [&session] {
    settlements::FvNiezaplacone(session);
    return kReopen;
  }));
  // Items 9 and 10 only where the installation has them; item 10 keeps its number (a
  // blank item 9 above it) and leaves a blank row under item 9 when both are there.
  int bottom = 14;
  if (pp || stopa) {
    it.push_back(menu::Item(14, " Przeglad PP                ", allowed && pp, true, [&session] {
      catalogues::DbuPp(session);
      return kReopen;
    }));
    bottom = 15;
  }
  if (stopa) {
    const int row = pp ? 16 : 15;
    it.push_back(menu::Item(row, " Edycja stopek do faktur    ", allowed, true, [&session] {
      if (const std::optional<std::string> file = WybierzPlik(session, "Stopki do faktur", {"STOPA"}, "*.txt")) {
        (void)EdytujPlik(session, *file);
      }
      return kReopen;
    }));
    bottom = row + 1;
  }
  m.bottom = bottom;
  return menu::RunSubMenu(session, m);
}

}  // namespace hurt::shell
