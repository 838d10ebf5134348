// Sub-menu MAGAZYN (ASORTYMENT): articles, offer and ordering.
#include "base/cp852.h"
#include "catalogues/article_catalogue.h"
#include "catalogues/exchange_rates.h"
#include "catalogues/price_offer.h"
#include "console/message_window.h"
#include "orders/order_screen.h"
#include "orders/saved_orders.h"
#include "session/not_built.h"
#include "session/session.h"
#include "shell/main_screen.h"
#include "shell/menu_tree.h"
#include "shell/menu_tree_internal.h"

namespace hurt::shell {

using namespace hurt::literals;
using menu::kReopen;
using menu::SubMenuItem;

namespace {

// The counterparty book the ordering routines work on (M_ZO).
void SetBook(Session& session, int book) { session.vars().Set("M_ZO", xbase::Value(static_cast<double>(book))); }

int OfertaHandlowa(Session& session) {
  if (session.FileX("CENNIK.TXT") && session.FileX("HLP/OFERTA.DBF")) {
    const int c = menu::SmallChoice(session, 9, 20, {" Oferta handlowa ", " Oferta w/g producenta "});
    if (c == 1) catalogues::OfertaHandlowa(session);
    if (c == 2) session::OtherInstallation(session, "CENNIK.TXT");
    return kReopen;
  }
  catalogues::OfertaHandlowa(session);
  return kReopen;
}

// ZAMOW_AS: book 0 the automatic supplier order, 1 a manual customer order, 2 a manual
// supplier order.
int ZamowAs(Session& session, int book) {
  SetBook(session, book == 0 ? 2 : book);
  (void)orders::ZamowAs(session, book);
  return kReopen;
}

}  // namespace

int Asortyment(Session& session) {
  const bool waluta = menu::JestWaluta(session);
  const bool kasa = ToJestKasa(session);

  menu::SubMenu m;
  m.letter = 'M';
  m.main_item = kMagazyn;
  m.position = "K_ASORTYMENT";
  m.top = 4, m.left = 0, m.bottom = 15, m.right = 36;
  // With currencies row 7 holds the rate table and row 9 an item: only the lower
  // separator is drawn.
  m.separators = waluta ? std::vector<int>{13} : std::vector<int>{7, 13};

  std::vector<SubMenuItem>& it = m.items;
  it.push_back(menu::Item(6, kasa ? " Kartoteki kosztow " : " Kartoteki magazynowe              ", true, true,
                [&session] {
                  catalogues::DbuAs(session);
                  return kReopen;
                }));
  if (waluta) {
    it.push_back(menu::Item(7, " Tabela kursu walut                ", true, true, [&session] {
      (void)catalogues::DbuWw(session);
      return kReopen;
    }));
  }
  it.push_back(menu::Item(8, " Oferta handlowa                   ", true, true, [&session] { return OfertaHandlowa(session); }));
  it.push_back(menu::Item(9, " Automatyczne wystawianie zamowień "_pl, true, true, [&session] { return ZamowAs(session, 0); }));
  if (waluta) {
    // With currencies the manual ordering goes straight to a supplier order.
    it.push_back(menu::Item(10, " Reczne wystawianie zamowień       "_pl, true, true, [&session] { return ZamowAs(session, 2); }));
  } else {
    it.push_back(menu::Item(10, " Reczne wystawianie zamowień       "_pl, true, true, [&session] {
                    const int book = menu::SmallChoice(session, 11, 20, {" od odbiorcow ", " do dostawcow "});
                    if (book == 0) return kReopen;
                    return ZamowAs(session, book);
                  }));
  }
  // The saved orders and the order documents are browsed with currencies too: an item
  // that does nothing would only puzzle the user.
  it.push_back(menu::Item(11, " Przeglad zamowień                 "_pl, true, true, [&session] {
                  SetBook(session, 2);
                  orders::NcZam(session);
                  return kReopen;
                }));
  it.push_back(menu::Item(12, " Zamowienia ver. 4                 ", true, true, [&session] {
                  SetBook(session, 2);
                  orders::RCoSs(session);
                  return kReopen;
                }));
  // The top-up is an import of the installation's own files; none is set up here.
  it.push_back(menu::Item(14, " Pompowanie magazynu               ", true, true, [&session] {
    console::Okno_(session.con(), "Pompowanie magazynu nie jest skonfigurowane w tej instalacji", 3);
    return kReopen;
  }));
  return menu::RunSubMenu(session, m);
}

}  // namespace hurt::shell
