// Sub-menu DOWODY: document entry and viewing, parameters, operator change, fiscal
// devices and the document lists.
#include "base/cp852.h"
#include "base/text.h"
#include "catalogues/counterparty_books.h"
#include "catalogues/exchange_rates.h"
#include "catalogues/interest_rates.h"
#include "catalogues/kind_catalogue.h"
#include "devices/eft_menu.h"
#include "devices/fiscal_menu.h"
#include "documents/document_list.h"
#include "invoicing/amount_search.h"
#include "invoicing/document_summary.h"
#include "invoicing/invoice_from_notes.h"
#include "invoicing/issue_notes_list.h"
#include "orders/advance_invoices.h"
#include "orders/saved_orders.h"
#include "session/not_built.h"
#include "session/session.h"
#include "shell/main_screen.h"
#include "shell/menu_tree.h"
#include "shell/menu_tree_internal.h"
#include "shell/operators.h"
#include "shell/settings_screen.h"

namespace hurt::shell {

using namespace hurt::literals;
using menu::kReopen;
using menu::SubMenuItem;

namespace {

bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// Items 1-7 are not run for a viewing-only operator, whose name carries "(R)".
bool ViewingOnly(Session& session) { return Contains(session.op().nazwisko, "(R)"); }

int ParametryzacjaSystemu(Session& session) {
  const session::OperatorRights& op = session.op();
  if (menu::IsSupervisor(session)) {
    const int c = menu::SmallChoice(session, 11, 30, {"1. Parametry uzytkownika   ", "2. Parametry administratora"});
    if (c == 1) ParametryProgramu(session);
    if (c == 2) InstKorv(session);
  } else if (op.Prawa(7) || op.Prawa(1)) {
    ParametryProgramu(session);
  } else {
    menu::BrakPraw(session);
  }
  return kReopen;
}

// Item 8: another operator logs in. Nobody logged in afterwards means the operator chose
// to end the work on the operator list.
int ZmianaOperatoraItem(Session& session) {
  if (!ZmianaOperatora(session)) return kMenuEnd;
  EkranGlowny(session);
  return kReopen;
}

int UrzadzeniaFiskalne(Session& session) {
  const int c = menu::SmallChoice(session, 15, 30, {" Drukarka fiskalna  ", " Terminal płatniczy "_pl});
  if (c == 1) devices::Df300(session);
  if (c == 2) devices::EftMenu(session);
  return kReopen;
}

}  // namespace

int Dowody(Session& session) {
  const session::OperatorRights& op = session.op();
  const bool kasa = ToJestKasa(session);
  const bool only_operator_change = op.Prawa1(3);
  const bool r = ViewingOnly(session);
  // A routine that comes later; items 1-7 are refused to a viewing-only operator.
  auto later = [&session, r](const char* name, bool guarded_by_r = false) {
    return [&session, name, guarded_by_r, r] {
      if (guarded_by_r && r) {
        menu::BrakPraw(session);
        return kReopen;
      }
      session::NotBuilt(session, name);
      return kReopen;
    };
  };
  auto shown = [&](bool condition) { return !only_operator_change && condition; };
  // Items 1-3: document entry (KLUCZ 0), display (1) and correction (2).
  auto documents = [&session, r](int klucz) {
    return [&session, r, klucz] {
      if (r) {
        menu::BrakPraw(session);
        return kReopen;
      }
      documents::DbuDow(session, klucz);
      return kReopen;
    };
  };

  const std::string drukarka = Upper(session.vars().Text("M_DRUKARKA"));
  const bool fiscal = (op.Prawa(13) && (Contains(drukarka, "COM") || Contains(drukarka, "DF_IP"))) || op.Prawa(1);

  std::string item10 = " Szukanie kwoty         ";
  const char* item10_routine = "SZUKAJ_KWOTY";
  const bool wal = session.FileX("WAL.DBF");
  if (wal) {
    item10 = " Tabela kursu walut ", item10_routine = "WAL_BROWSER";
  } else if (session.FileX("FAKTURY.TXT")) {
    item10 = " Faktury cykliczne NEW ", item10_routine = "TB_CFAKTURY";
  } else if (session.FileX("DOSTAWCY.XXX")) {
    item10 = " Tabela dostawcow ", item10_routine = "TABELA_DOSTAWCOW";
  }
  const bool notebook = session.FileX("NOTEBOOK.TXT");
  const bool fv_zal = session.FileX("FV_ZAL.TXT");
  const bool zaliczki = session.FileX("ZALICZKI.TXT");

  menu::SubMenu m;
  m.letter = 'D';
  m.main_item = kDowody;
  m.position = "K_OBROTY";
  m.top = 2, m.left = 25, m.right = 50;
  m.bottom = (fv_zal || zaliczki) ? 24 : 20;
  m.separators = {8, 13, 17, 20};

  std::vector<SubMenuItem>& it = m.items;
  it.push_back(menu::Item(4, " Edycja                 ", shown(op.Prawa(13)), true, documents(0)));
  it.push_back(menu::Item(5, " Wyświetlanie i wydruk  "_pl, shown(op.Prawa(13) || op.Prawa(4)), false,
                          documents(1)));
  it.push_back(menu::Item(6, "*Poprawa                ", shown(op.Prawa(7) && op.Prawa(13)), true,
                          documents(2)));
  it.push_back(menu::Item(7, " Zestawienie dowodow    ",
                          shown((op.Prawa(13) && !op.Prawa1(1)) || op.Prawa(4) || kasa), true, [&session, r] {
                            if (r || !session.op().Prawa(2)) {
                              menu::BrakPraw(session);
                            } else {
                              invoicing::ZestawienieDowodow(session);
                            }
                            return kReopen;
                          }));
  it.push_back(menu::Item(9, " Parametryzacja dowodow ", shown(op.Prawa(13) && !op.Prawa1(1)), true, [&session, r] {
    const session::OperatorRights& o = session.op();
    if (r || (o.Prawa(7) && !o.Prawa(1))) {
      menu::BrakPraw(session);
    } else {
      catalogues::DbuRd(session);
    }
    return kReopen;
  }));
  it.push_back(menu::Item(10, " Parametryzacja systemu ", shown(op.Prawa(13) && !op.Prawa1(1)), false, [&session, r] {
    if (r) {
      menu::BrakPraw(session);
      return kReopen;
    }
    return ParametryzacjaSystemu(session);
  }));
  it.push_back(menu::Item(11, " Parametry odsetek      ", shown(true), false, [&session, r] {
    if (r) {
      menu::BrakPraw(session);
    } else {
      (void)catalogues::OdsBrowse(session);
    }
    return kReopen;
  }));
  it.push_back(menu::Item(12, " Zmiana operatora       ", true, false, [&session] { return ZmianaOperatoraItem(session); }));
  it.push_back(menu::Item(14, " Drukarka fisk/Terminal ", shown(fiscal), false,
                          [&session] { return UrzadzeniaFiskalne(session); }));
  menu::ItemAction item10_action = later(item10_routine);
  if (wal) {
    item10_action = [&session] {
      (void)catalogues::DbuWw(session);
      return kReopen;
    };
  } else if (std::string_view(item10_routine) == "SZUKAJ_KWOTY") {
    item10_action = [&session] {
      invoicing::SzukanieKwoty(session, false);
      return kReopen;
    };
  } else if (std::string_view(item10_routine) == "TABELA_DOSTAWCOW") {
    // The suppliers' table is the suppliers' book (item 2 of Rozrachunki).
    item10_action = [&session] {
      const double book = session.vars().Number("K_KONTRAHENCI");
      session.vars().Set("K_KONTRAHENCI", xbase::Value(2.0));
      catalogues::DbuZo(session);
      session.vars().Set("K_KONTRAHENCI", xbase::Value(book));
      return kReopen;
    };
  } else {
    item10_action = [&session] {
      session::OtherInstallation(session, "FAKTURY.TXT");
      return kReopen;
    };
  }
  it.push_back(menu::Item(15, item10, shown(true), true, item10_action));
  it.push_back(menu::Item(16, notebook ? " Pobranie z notebooka " : " Szukanie kwoty/faktury ", shown(true), false,
                          notebook ? menu::ItemAction([&session] {
                            session::OtherInstallation(session, "NOTEBOOK.TXT");
                            return kReopen;
                          })
                                   : menu::ItemAction([&session] {
                            invoicing::SzukanieKwoty(session, true);
                            return kReopen;
                          })));
  it.push_back(menu::Item(18, " Generowanie FV do WZ   ", shown(op.Prawa(13) && !kasa), false, [&session] {
    invoicing::FvDoWzMenu(session);
    return kReopen;
  }));
  it.push_back(menu::Item(19, " Zestawienie       WZ   ", shown(op.Prawa(13) && !op.Prawa1(1)), false, [&session] {
    invoicing::ZestawienieWz(session);
    return kReopen;
  }));
  if (fv_zal || zaliczki) {
    it.push_back(menu::Item(21, " Zamówienia "_pl, shown(fv_zal), false, [&session] {
      orders::RCoSs(session, orders::OrderView::kOpen);
      return kReopen;
    }));
    it.push_back(menu::Item(22, " Faktury zaliczkowe ", shown(true), false, [&session] {
      orders::FakturyZaliczkowe(session);
      return kReopen;
    }));
    it.push_back(menu::Item(23, " Zamówienia - archiwum "_pl, shown(fv_zal), false, [&session] {
      orders::RCoSs(session, orders::OrderView::kFulfilled);
      return kReopen;
    }));
  }
  return menu::RunSubMenu(session, m);
}

}  // namespace hurt::shell
