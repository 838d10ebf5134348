#include "orders/order_screen.h"

#include <cmath>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"
#include "console/browse.h"
#include "console/form.h"
#include "console/keys.h"
#include "console/message_window.h"
#include "documents/line_search.h"
#include "invoicing/edi_orders.h"
#include "invoicing/edi_tables.h"
#include "orders/order_list.h"
#include "orders/order_mail.h"
#include "orders/order_number.h"
#include "orders/order_printout.h"
#include "orders/order_rules.h"
#include "orders/order_xml.h"
#include "session/area_fields.h"
#include "session/kalk.h"
#include "session/output/report_copy.h"
#include "session/session.h"
#include "session/settings.h"
#include "session/store_ui.h"
#include "session/viewer.h"
#include "settlements/firm_and_party.h"

namespace hurt::orders {

using namespace hurt::literals;
using console::BrowseAction;
using console::BrowseMode;
using session::FieldNumber;
using session::FieldText;
namespace key = console::key;

namespace {

constexpr std::string_view kTitle =
    "                      AUTOMATYCZNE  WYSTAWIANIE  ZAMOWIEN                       ";
constexpr std::string_view kGridTitle =
    "                   W Y S T A W I A N I E      Z A M O W I E N                   ";
constexpr std::string_view kGridKeys =
    "F1-pomoc         F4-druk stanow          F5-druk zamowienia          Esc-wyjscie";
constexpr int kGridTop = 7, kGridBottom = 22;
// The grid's columns (1-based): LP, M, INDEKS, NAZWA, STAN, WYDANO, ZAMOW, WARTOSC.
constexpr int kIndexColumn = 3, kQuantityColumn = 7;

// Seeks `key` in the first order of `a`, its order kept.
bool SeekFirst(xbase::WorkArea& a, std::string_view k) {
  const int order = a.order();
  if (order != 1 && !a.SetOrder(1).ok()) return false;
  auto r = a.SeekKey(k);
  if (order != 1) (void)a.SetOrder(order);
  return r.ok() && *r;
}

// A help list of the book from `start`; true with the area on the record chosen.
bool PickAccount(session::Session& s, xbase::WorkArea& area, std::string_view start) {
  console::Console& con = s.con();
  const console::SavedScreen saved = con.SaveScreen();
  const int order = area.order();
  (void)area.SetOrder(1);
  auto r = area.SeekKey(start, true);
  if (!r.ok() || area.eof()) (void)area.GoTop();
  con.Box(5, 8, 21, 72, console::DoubleFrame(), con.colours().standard, ' ');
  con.Say(5, 10, "Kontrahenci");
  session::AreaSource source(area);
  console::Browse browse(con, source, 6, 9, 20, 71);
  browse.Separators("─┼─"_pl, " │ "_pl, "");
  browse.AddColumn(session::PaddedColumn("ODB", 8, [&area] { return FieldText(area, "ODB"); }));
  browse.AddColumn(session::PaddedColumn("NAZWA", 48, [&area] { return FieldText(area, "NODB"); }));
  const int k = browse.Run();
  const bool chosen = k == key::kEnter && !area.eof();
  (void)area.SetOrder(order);
  con.RestoreScreen(saved);
  return chosen;
}

struct Counterparty {
  std::string alias;  // the book's work area
  std::string odb;    // "" for a manual order typed by name
  std::string nazwa;
};

class OrderScreen {
 public:
  OrderScreen(session::Session& s, OrderList& list, OrderSide side, Counterparty party)
      : s_(s), con_(s.con()), list_(list), side_(side), party_(std::move(party)) {}

  void Run();

 private:
  xbase::WorkArea& L() { return list_.area(); }
  xbase::WorkArea* As() { return s_.areas().Find("as"); }
  void PaintFrame();
  void PaintArticle();
  BrowseAction Key(BrowseMode mode, int column);
  bool EditIndex();
  void EditQuantity();
  void ChangePrice();
  void DeleteRow();
  void NewRow();
  void StockList();
  void WithoutTurnover();
  void PrintAndSave();
  void Edifact();
  bool Save(const std::string& uwagi, bool zero_rows);
  std::vector<PrintedOrderRow> PrintedRows(bool zero_rows);
  bool ArticleOf(const std::string& mag, const std::string& indeks);

  session::Session& s_;
  console::Console& con_;
  OrderList& list_;
  OrderSide side_;
  Counterparty party_;
  std::string numer_;  // given at the first save and kept
  console::Browse* browse_ = nullptr;
};

void OrderScreen::PaintFrame() {
  con_.Clear();
  con_.Say(0, 0, kGridTitle, con_.colours().enhanced);
  con_.Say(1, 0, PadR(party_.odb.empty() ? party_.nazwa : AllTrim(party_.odb) + " " + party_.nazwa, 80));
  con_.Say(24, 0, kGridKeys, con_.colours().enhanced);
}

bool OrderScreen::ArticleOf(const std::string& mag, const std::string& indeks) {
  xbase::WorkArea* as = As();
  // A blank index names no article (a partial seek on it would find the warehouse's first).
  if (as == nullptr || IsBlank(indeks)) return false;
  if (SeekFirst(*as, PadR(mag, 1) + PadR(indeks, 8))) return true;
  const std::string prefix = PadR(mag, 1) + RTrim(indeks);
  if (!SeekFirst(*as, prefix)) return false;
  if (party_.odb.empty()) return true;
  // A row of an index base under 8 stands for the supplier's articles that begin so: the
  // first of them, not an article of another supplier that sorts before it.
  const uint32_t first = as->recno();
  const int order = as->order();
  const std::string supplier = PadR(party_.odb, 8);
  bool found = false;
  if (as->SetOrder(1).ok() && as->GoTo(first).ok()) {
    while (!found && !as->eof()) {
      if (Left(FieldText(*as, "MAG") + FieldText(*as, "INDEKS"), static_cast<long>(prefix.size())) != prefix) break;
      found = PadR(FieldText(*as, "ODB"), 8) == supplier;
      if (!found && !as->Skip(1).ok()) break;
    }
  }
  const uint32_t at = found ? as->recno() : first;
  (void)as->SetOrder(order);
  (void)as->GoTo(at);
  return true;
}

// Above the grid: the current article's unit and price, its opening balance, receipts and
// issues of the month, and the running value of the list.
void OrderScreen::PaintArticle() {
  con_.ClearRegion(2, 0, 6, 79);
  xbase::WorkArea& l = L();
  if (l.eof()) return;
  const uint32_t keep = l.recno();
  con_.Say(2, 0, "Jm: " + PadR(FieldText(l, "JM"), 3) + "   Cena: " + TransformNumber(FieldNumber(l, "CENA0"), "9999999.99"));
  if (ArticleOf(FieldText(l, "MAG"), FieldText(l, "INDEKS"))) {
    xbase::WorkArea& as = *As();
    con_.Say(3, 0, "BO roku   :  " + TransformNumber(FieldNumber(as, "B_BO_I"), "9999999.999"));
    con_.Say(4, 0, "Przyjeto  : +" + TransformNumber(FieldNumber(as, "B_P_I"), "9999999.999"));
    con_.Say(5, 0, "Wyd.w mies: -" + TransformNumber(FieldNumber(as, "B_R_I"), "9999999.999"));
  }
  con_.Say(6, 50, "Wartosc: " + TransformNumber(ListValue(l), "99999999.99"));
  if (keep > 0) (void)l.GoTo(keep);
}

bool OrderScreen::EditIndex() {
  xbase::WorkArea& l = L();
  std::string mag = PadR(FieldText(l, "MAG"), 1);
  if (IsBlank(mag)) mag = PadR(Left(s_.settings().MagGlow(), 1), 1);
  std::string indeks = PadR(FieldText(l, "INDEKS"), 8);
  console::Form f(con_);
  f.GetText(browse_->first_data_row() + browse_->row_pos(), std::max(0, browse_->ColumnLeft(kIndexColumn)), indeks,
            "!!!!!!!!");
  if (f.Read().escaped) return false;
  if (!ArticleOf(mag, indeks)) {
    xbase::WorkArea* as = As();
    if (as == nullptr) return false;
    const std::string picked = documents::PickArticle(s_, *as, documents::ArticleLookup::kByCode, mag, RTrim(indeks));
    if (picked.empty() || !ArticleOf(mag, picked)) return false;
  }
  xbase::WorkArea& as = *As();
  Status st = l.Replace("MAG", xbase::Value(mag));
  if (st.ok()) st = l.Replace("INDEKS", xbase::Value(FieldText(as, "INDEKS")));
  if (st.ok()) st = l.Replace("NAZWA", xbase::Value(FieldText(as, "NAZWA")));
  if (st.ok()) st = l.Replace("JM", xbase::Value(FieldText(as, "JM")));
  if (st.ok()) st = l.Replace("CENA0", xbase::Value(FieldNumber(as, "CENA0")));
  if (st.ok()) st = l.Replace("STAN", xbase::Value(FieldNumber(as, "ILOSC")));
  if (st.ok()) st = l.Replace("SPRZEDANO", xbase::Value(FieldNumber(as, "B_R_I")));
  if (st.ok()) st = l.Replace("KOD13", xbase::Value(FieldText(as, "KOD13")));
  if (st.ok()) st = l.Flush();
  if (!st.ok()) console::Okno_(con_, "Blad zapisu listy zamowienia", 2);
  return st.ok();
}

void OrderScreen::EditQuantity() {
  xbase::WorkArea& l = L();
  double q = FieldNumber(l, "ZAMAWIAM");
  console::Form f(con_);
  const std::string picture = s_.FileX("ILOSC3.ZAM") ? "999.999" : s_.FileX("ILOSC2.ZAM") ? "9999.99" : "9999999";
  // Over the quantity's own cell (a picture as wide as the column's).
  f.GetNumber(browse_->first_data_row() + browse_->row_pos(), std::max(0, browse_->ColumnLeft(kQuantityColumn)), q,
              picture)
      .Valid([&q] { return q >= 0; });
  if (f.Read().escaped) return;
  Status st = l.Replace("ZAMAWIAM", xbase::Value(q));
  if (st.ok()) st = l.Replace("WARTOSC0", xbase::Value(MRound(q * FieldNumber(l, "CENA0"), 2)));
  if (st.ok()) st = l.Flush();
  if (!st.ok()) console::Okno_(con_, "Blad zapisu listy zamowienia", 2);
}

void OrderScreen::ChangePrice() {
  xbase::WorkArea& l = L();
  if (l.eof()) return;
  double cena = FieldNumber(l, "CENA0");
  const console::SavedScreen saved = con_.SaveScreen();
  con_.Box(10, 20, 12, 60, console::DoubleFrame(), con_.colours().standard, ' ');
  console::Form f(con_);
  f.Say(11, 22, "Nowa cena :");
  f.GetNumber(11, 34, cena, "99999999.99").Valid([&] {
    if (cena >= 0) return true;
    console::Okno_(con_, "Cena nie moze byc ujemna", 2);
    return false;
  });
  const bool typed = !f.Read().escaped;
  con_.RestoreScreen(saved);
  if (!typed) return;
  Status st = l.Replace("CENA0", xbase::Value(cena));
  if (st.ok()) st = l.Replace("WARTOSC0", xbase::Value(MRound(FieldNumber(l, "ZAMAWIAM") * cena, 2)));
  if (st.ok()) st = l.Flush();
}

void OrderScreen::DeleteRow() {
  xbase::WorkArea& l = L();
  if (l.eof()) return;
  if (!console::Okno(con_, "SKASOWAC WIERSZ ?", "T")) return;
  if (l.Delete().ok() && l.Flush().ok()) {
    (void)NumberRows(l, false);
    (void)l.GoTop();
  }
}

void OrderScreen::NewRow() {
  xbase::WorkArea& l = L();
  // The new row's warehouse: the current row's, else the main warehouse.
  std::string mag = l.eof() ? std::string() : PadR(FieldText(l, "MAG"), 1);
  if (IsBlank(mag)) mag = PadR(Left(s_.settings().MagGlow(), 1), 1);
  if (IsBlank(mag)) mag = "1";
  if (!l.Append().ok() || !l.Replace("MAG", xbase::Value(mag)).ok()) return;
  PaintArticle();
  browse_->PaintAtEnd();  // the new row under the others, its index typed there
  if (!EditIndex()) {
    (void)l.Delete();
    (void)l.Flush();
  }
  (void)NumberRows(l, false);
}

void OrderScreen::StockList() {
  std::vector<StockListRow> rows;
  xbase::WorkArea& l = L();
  const uint32_t keep = l.recno();
  const int order = l.order();
  (void)l.SetOrder(0);
  for (Status st = l.GoTop(); st.ok() && !l.eof(); st = l.Skip(1)) {
    if (l.deleted()) continue;
    rows.push_back({FieldText(l, "NAZWA"), "", FieldText(l, "JM"), FieldNumber(l, "CENA0"), FieldNumber(l, "STAN")});
  }
  (void)l.SetOrder(order);
  if (keep > 0) (void)l.GoTo(keep);
  session::ViewDruk(s_, [&](session::ReportWriter& out) { (void)WriteStockList(out, s_.Today(), party_.nazwa, rows); });
}

void OrderScreen::WithoutTurnover() {
  xbase::WorkArea* as = As();
  if (as == nullptr || party_.odb.empty()) return;
  const std::string supplier = PadR(party_.odb, 8);
  session::ViewDruk(s_, [&](session::ReportWriter& out) {
    out.Line("     TOWARY BEZ OBROTU OD DOSTAWCY : " + AllTrim(party_.nazwa));
    out.Line("");
    const int order = as->order();
    (void)as->SetOrder(0);
    for (Status st = as->GoTop(); st.ok() && !as->eof(); st = as->Skip(1)) {
      if (as->deleted() || PadR(FieldText(*as, "ODB"), 8) != supplier) continue;
      if (FieldNumber(*as, "B_R_I") != 0 || FieldNumber(*as, "B_P_I") != 0) continue;
      out.Line(FieldText(*as, "MAG") + " " + PadR(FieldText(*as, "INDEKS"), 8) + " " + PadR(FieldText(*as, "NAZWA"), 30) +
               " " + TransformNumber(FieldNumber(*as, "ILOSC"), "9999999.999"));
    }
    (void)as->SetOrder(order);
  });
}

std::vector<PrintedOrderRow> OrderScreen::PrintedRows(bool zero_rows) {
  std::vector<PrintedOrderRow> rows;
  xbase::WorkArea& l = L();
  for (Status st = l.GoTop(); st.ok() && !l.eof(); st = l.Skip(1)) {
    if (l.deleted()) continue;
    const double q = FieldNumber(l, "ZAMAWIAM");
    if (!zero_rows && NewRound(q, 0) <= 0) continue;
    rows.push_back({FieldText(l, "INDEKS"), FieldText(l, "NAZWA"), FieldText(l, "JM"), q});
  }
  return rows;
}

bool OrderScreen::Save(const std::string& uwagi, bool zero_rows) {
  OrderFileContent c;
  c.odb = party_.odb;
  c.operator_nr = Left(s_.op().nr, 1);
  c.uwagi = uwagi;
  c.with_price = s_.FileX("ZAM_UZG.TXT");
  xbase::WorkArea& l = L();
  xbase::WorkArea* as = As();
  for (Status st = l.GoTop(); st.ok() && !l.eof(); st = l.Skip(1)) {
    if (l.deleted()) continue;
    const double q = FieldNumber(l, "ZAMAWIAM");
    if (!zero_rows && NewRound(q, 0) <= 0) continue;
    OrderFileRow r{FieldText(l, "MAG"), FieldText(l, "INDEKS"), FieldText(l, "NAZWA"), FieldText(l, "JM"), q,
                   FieldNumber(l, "CENA0_AS"), "", FieldText(l, "KOD13")};
    if (as != nullptr && ArticleOf(r.mag, r.indeks)) {
      r.dost = FieldText(*as, "ODB");
      r.kod13 = FieldText(*as, "KOD13");
    }
    c.rows.push_back(std::move(r));
  }
  const Status saved = SaveOrderFile(s_.env(), OrderFilePath(s_.root(), side_, numer_), c, s_.stacja());
  if (!saved.ok()) {
    console::Okno_(con_, saved.message(), 0);
    return false;
  }
  if (const Status xml = SaveOrderXml(s_, c, numer_); !xml.ok())
    console::Okno_(con_, "Zamowienie zapisane, kopii XML nie zapisano: " + xml.message(), 0);
  return true;
}

void OrderScreen::PrintAndSave() {
  xbase::WorkArea& l = L();
  std::string uwagi(80, ' ');
  const console::SavedScreen saved = con_.SaveScreen();
  con_.Box(9, 0, 12, 79, console::DoubleFrame(), con_.colours().standard, ' ');
  console::Form f(con_);
  f.Say(10, 2, "CO NAPISAC POD ZAMOWIENIEM ?");
  f.GetText(11, 1, uwagi).Width(78);
  const bool typed = !f.Read().escaped;
  con_.RestoreScreen(saved);
  if (!typed) return;

  bool zero_rows = false;
  int rows = 0;
  bool some_zero = false;
  for (Status st = l.GoTop(); st.ok() && !l.eof(); st = l.Skip(1)) {
    if (l.deleted()) continue;
    ++rows;
    if (NewRound(FieldNumber(l, "ZAMAWIAM"), 0) <= 0) some_zero = true;
  }
  if (some_zero) zero_rows = console::Okno(con_, "Drukowac stany zerowe ?", "N");
  if (rows > 4 && console::Okno(con_, "Posortowac wg nazwy ?", "N")) {
    // Sorting by name renumbers the rows in that order; the list keeps its records.
    (void)l.CreateOrder(s_.Path(list_.name() + "n.ntx"), "nazwa");
  }

  if (numer_.empty()) {
    session::ConsoleStoreUi ui(con_);
    const int month = YmdFromJulian(s_.Today()).month;
    auto n = TakeOrderNumber(s_.env(), s_.root(), side_, month, ui);
    if (!n.ok()) {
      console::Okno_(con_, n.status().message(), 0);
      return;
    }
    numer_ = *n;
  }
  const settlements::Firm firm = settlements::ReadFirm(s_);
  PrintedOrder o;
  o.data = s_.Today();
  o.firma_nazwa = firm.nodb;
  o.firma_kod = firm.kodb;
  o.firma_miasto = firm.modb;
  o.firma_ulica = firm.uodb;
  o.firma_dalej = {firm.nodb1};
  o.odb = party_.odb;
  o.adresat = party_.nazwa;
  o.numer = numer_;
  o.uwagi = uwagi;
  if (l.order_count() > 1) (void)l.SetOrder(l.order_count());
  o.rows = PrintedRows(zero_rows);
  const bool written = Save(uwagi, zero_rows);
  if (l.order_count() > 1) {
    (void)l.SetOrder(1);
    (void)l.CloseOrders();
    (void)l.AttachOrder(s_.Path(list_.name() + ".ntx"));
    (void)l.SetOrder(1);
    const std::string by_name = s_.Path(list_.name() + "n.ntx");
    if (s_.env().Exists(by_name)) (void)s_.env().Remove(by_name);
  }
  (void)l.SetOrder(0);  // the grid shows the rows as they were made, as before the save
  (void)l.GoTop();
  if (!written) return;
  const std::string report = "rob/zamow" + s_.StationText() + ".prn";
  session::ViewDruk(s_, [&](session::ReportWriter& out) { WriteOrderPrintout(out, o); }, report);
  if (!party_.odb.empty() && console::Okno(con_, "Wyslac zamowienie e-mailem ?", "N"))
    SendZam(s_, report, numer_, party_.alias, party_.odb);
}

// Alt+F4: the list as an EDIFACT ORDERS message, numbered by EO_NRKOM, written whole to
// "zamd/orders<message number>.edi" (rows that round to nothing are left out).
namespace {

// The parties, texts and dates of an electronic order, shown and edited before it is
// written; false after Esc.
bool EditEdiOrder(console::Console& con, invoicing::EdiZamowienie& z) {
  std::string su = PadR(z.gln_dostawcy, 35), by = PadR(z.gln_nabywcy, 35), dp = PadR(z.gln_dostawy, 35),
              iv = PadR(z.gln_faktury, 35), promocja = PadR(z.promocja, 35);
  std::array<std::string, 5> teksty;
  for (size_t i = 0; i < teksty.size(); ++i) teksty[i] = PadR(z.teksty[i], 35);
  JulianDay dostawa = z.data_dostawy.IsSet() ? z.data_dostawy.Day() : z.data.Day();
  const console::SavedScreen saved = con.SaveScreen();
  con.Box(5, 10, 20, 72, console::DoubleFrame(), con.colours().standard, ' ');
  con.Say(5, 12, " Zamowienie elektroniczne ");
  console::Form f(con);
  f.Say(6, 12, "Dostawca    (GLN) :");
  f.GetText(6, 32, su).Width(35);
  f.Say(7, 12, "Nabywca     (GLN) :");
  f.GetText(7, 32, by).Width(35);
  f.Say(8, 12, "Dostawa do  (GLN) :");
  f.GetText(8, 32, dp).Width(35);
  f.Say(9, 12, "Faktura na  (GLN) :");
  f.GetText(9, 32, iv).Width(35);
  f.Say(10, 12, "Data dostawy      :");
  f.GetDate(10, 32, dostawa);
  f.Say(11, 12, "Promocja          :");
  f.GetText(11, 32, promocja).Width(35);
  for (size_t i = 0; i < teksty.size(); ++i) {
    const int row = 13 + static_cast<int>(i);
    f.Say(row, 12, "Tekst " + std::to_string(i + 1) + "           :");
    f.GetText(row, 32, teksty[i]).Width(35);
  }
  con.Say(19, 12, "Enter na ostatnim polu - zapis, Esc - rezygnacja");
  const bool typed = !f.Read().escaped;
  con.RestoreScreen(saved);
  if (!typed) return false;
  z.gln_dostawcy = AllTrim(su);
  z.gln_nabywcy = AllTrim(by);
  z.gln_dostawy = AllTrim(dp);
  z.gln_faktury = AllTrim(iv);
  z.promocja = AllTrim(promocja);
  for (size_t i = 0; i < teksty.size(); ++i) z.teksty[i] = AllTrim(teksty[i]);
  z.data_dostawy = dostawa == kEmptyDate ? invoicing::edi::EdiDate() : invoicing::edi::EdiDate(dostawa);
  return true;
}

}  // namespace

void OrderScreen::Edifact() {
  // The parties' numbers come from the EDI settings: without them there is no order to send.
  if (!s_.FileX("eo_cfg.dbf")) {
    console::Okno_(con_, "Brak pliku eo_cfg.dbf", 0);
    return;
  }
  session::ConsoleStoreUi ui(con_);
  invoicing::EdiPlace place{s_.env(), s_.areas(), s_.root(), s_.StationText(), ui};
  auto cfg = invoicing::CzytajEoCfg(place);
  if (!cfg.ok()) {
    console::Okno_(con_, cfg.status().message(), 0);
    return;
  }
  auto setting = [&](const char* k) {
    auto it = cfg->find(k);
    return it == cfg->end() ? std::string() : it->second;
  };
  invoicing::EdiZamowienie z;
  z.nadawca = setting("ORD_ODB");
  z.odbiorca = setting("ORD_NAD");
  z.data = invoicing::edi::EdiDate(s_.Today());
  z.gln_dostawcy = setting("NAD_SU");
  z.gln_nabywcy = setting("NAD_BY");
  z.gln_dostawy = setting("NAD_DP");
  z.gln_wysylki = setting("NAD_SF");
  z.gln_faktury = setting("NAD_IV");
  if (!setting("CUX_2").empty()) z.waluta = setting("CUX_2");
  xbase::WorkArea& l = L();
  for (Status st = l.GoTop(); st.ok() && !l.eof(); st = l.Skip(1)) {
    const double q = NewRound(FieldNumber(l, "ZAMAWIAM"), 0);
    if (l.deleted() || q <= 0) continue;
    z.pozycje.push_back({AllTrim(FieldText(l, "KOD13")), AllTrim(FieldText(l, "INDEKS")), AllTrim(FieldText(l, "NAZWA")),
                         "", invoicing::edi::Ilosc::Of(q), AllTrim(FieldText(l, "JM")), invoicing::edi::CenaJedn::Of(FieldNumber(l, "CENA0"))});
  }
  (void)l.GoTop();
  if (z.pozycje.empty()) {
    console::Okno_(con_, "Nic do zamowienia", 2);
    return;
  }
  if (!EditEdiOrder(con_, z)) return;
  auto nr = invoicing::PobierzNumerZamowienia(place);
  if (!nr.ok()) {
    console::Okno_(con_, nr.status().message(), 0);
    return;
  }
  z.nr_komunikatu = std::to_string(*nr);
  z.nr_zamowienia = numer_.empty() ? z.nr_komunikatu : numer_;
  const int32_t seconds = s_.clock().SecondsOfDay();
  char hhmm[8];
  std::snprintf(hhmm, sizeof hhmm, "%02d%02d", (seconds / 3600) % 100, (seconds / 60) % 60);
  const std::string stamp = Dtos(s_.Today()) + hhmm;
  const std::string name = std::string(SideFolder(side_)) + "/orders" + z.nr_komunikatu + ".edi";
  (void)s_.env().CreateDirs(s_.Path(SideFolder(side_)));
  const Status written =
      session::WriteFileReplacing(s_.env(), s_.Path(name), invoicing::OrdersText(z, invoicing::edi::EdiDate::FromText(stamp)));
  console::Okno_(con_, written.ok() ? "Zapisano " + name : written.message(), 0);
}

BrowseAction OrderScreen::Key(BrowseMode mode, int column) {
  if (mode == BrowseMode::kIdle) {
    PaintArticle();
    return BrowseAction::kContinue;
  }
  if (mode == BrowseMode::kHitTop || mode == BrowseMode::kHitBottom) return BrowseAction::kContinue;
  const int k = con_.LastKey();
  // An empty grid is asked again while idle, with the same last key: the key is spent here.
  if (mode == BrowseMode::kEmpty) con_.SetLastKey(key::kNone);
  switch (k) {
    case key::kEsc:
      return console::Okno(con_, "CZY CHCESZ WYJSC ?", "T") ? BrowseAction::kLeave : BrowseAction::kContinue;
    case key::kEnter:
      if (mode == BrowseMode::kEmpty) {
        NewRow();
      } else if (column <= kIndexColumn) {
        (void)EditIndex();
      } else {
        EditQuantity();
      }
      return BrowseAction::kRepaint;
    case key::kIns:
      NewRow();
      return BrowseAction::kRepaint;
    case key::kF1:
      console::OknoLines(con_,
                         {"Enter-zmiana  Ins-nowy wiersz  F3-cena  F8-kasuj",
                          "F4-stany  F5-druk i zapis  Alt+B-bez obrotu  Alt+F4-EDI"},
                         0);
      return BrowseAction::kRepaint;
    case key::kAltK:
      session::Kalk(con_, s_.kalk());
      return BrowseAction::kRepaint;
    case key::kAltB:
      WithoutTurnover();
      PaintFrame();
      return BrowseAction::kRepaint;
    default:
      break;
  }
  if (mode == BrowseMode::kEmpty) return BrowseAction::kContinue;
  if (k == key::F(3) || k == key::F(3) + 256) {
    ChangePrice();
  } else if (k == key::F(4) || k == key::F(4) + 256) {
    StockList();
    PaintFrame();
  } else if (k == key::F(5) || k == key::F(5) + 256) {
    PrintAndSave();
    PaintFrame();
  } else if (k == key::F(8) || k == key::F(8) + 256) {
    DeleteRow();
  } else if (k == key::AltF(4) || k == key::AltF(4) + 256) {
    Edifact();
  } else {
    return BrowseAction::kContinue;
  }
  return BrowseAction::kRepaint;
}

void OrderScreen::Run() {
  PaintFrame();
  xbase::WorkArea& l = L();
  (void)l.SetOrder(0);  // the rows in the order they were made
  (void)l.GoTop();
  session::AreaSource source(l);
  console::Browse browse(con_, source, kGridTop, 0, kGridBottom, 79);
  browse_ = &browse;
  const std::string zamow_picture =
      s_.FileX("ILOSC3.ZAM") ? "@Z 999.999" : s_.FileX("ILOSC2.ZAM") ? "@Z 9999.99" : "@Z 9999999";
  browse.Separators("─┼─"_pl, "│"_pl, "");
  browse.CellCursor(true);  // Enter edits the cell shown: the index up to INDEKS, the quantity beyond
  browse.AddColumn(session::PaddedColumn("LP", 3, [&l] { return FieldText(l, "LP"); }));
  browse.AddColumn(session::PaddedColumn("M", 1, [&l] { return FieldText(l, "MAG"); }));
  browse.AddColumn(session::PaddedColumn("INDEKS", 8, [&l] { return FieldText(l, "INDEKS"); }));
  browse.AddColumn(session::PaddedColumn("NAZWA", 22, [&l] { return FieldText(l, "NAZWA"); }));
  browse.AddColumn(console::BrowseColumn::Number("STAN", [&l] { return FieldNumber(l, "STAN"); }, "@Z 999999"));
  browse.AddColumn(console::BrowseColumn::Number("WYDANO", [&l] { return FieldNumber(l, "SPRZEDANO"); }, "@Z 9999999"));
  browse.AddColumn(console::BrowseColumn::Number("ZAMOW", [&l] { return FieldNumber(l, "ZAMAWIAM"); }, zamow_picture));
  browse.AddColumn(
      console::BrowseColumn::Number("WARTOSC", [&l] { return FieldNumber(l, "WARTOSC0"); }, "@Z 99999999.99"));
  // The Enter that ended the question before the grid is no key of the grid.
  con_.SetLastKey(key::kNone);
  browse.Run([this](BrowseMode mode, int column) { return Key(mode, column); });
  browse_ = nullptr;
}

// The automatic order's questions; false after Esc, 0 days or an empty supplier.
bool AskProposal(session::Session& s, xbase::WorkArea& book, ProposalRequest* r, Counterparty* party) {
  console::Console& con = s.con();
  con.Clear();
  con.Say(0, 0, kTitle, con.colours().enhanced);
  con.Say(24, 0, "F1 - pomoc                         Esc - wyjscie", con.colours().enhanced);
  std::string odb(8, ' ');
  double dni = 7, base = 8;
  console::Form f(con);
  f.Say(5, 0, "  Podaj kod dostawcy        :");
  f.GetText(5, 30, odb, "!!!!!!!!").Valid([&] {
    if (IsBlank(odb)) return true;
    if (SeekFirst(book, PadR(odb, 8))) return true;
    if (PickAccount(s, book, RTrim(odb))) {
      odb = PadR(FieldText(book, "ODB"), 8);
      return true;
    }
    console::Okno_(con, "BRAK KONTRAHENTA O PODANYM KODZIE", 2);
    return false;
  });
  f.Say(7, 0, "  Na ile dni zakup                    ?");
  f.GetNumber(7, 40, dni, "999").Valid([&] { return dni >= 0; });
  con.Say(9, 0, "  Ile znakow stanowi podstawe indeksu ?");
  con.Say(9, 40, TransformNumber(base, "999"));
  // An empty supplier or 0 days ends here, before the index base is asked.
  if (f.Read().escaped || IsBlank(odb) || dni <= 0) return false;
  console::Form g(con);
  g.GetNumber(9, 40, base, "999").Valid([&] { return base >= 1 && base <= 8; });
  if (g.Read().escaped) return false;
  if (!SeekFirst(book, PadR(odb, 8))) return false;
  party->odb = PadR(odb, 8);
  party->nazwa = AllTrim(FieldText(book, "NODB"));
  r->supplier = party->odb;
  r->base = static_cast<int>(base);
  r->today = s.Today();
  const Ymd today = YmdFromJulian(s.Today());
  char hh[8];
  std::snprintf(hh, sizeof hh, "%02d/%02d", today.year % 100, today.month);
  r->daily_sales = s.hh() == hh;
  return true;
}

}  // namespace

bool ZamowAs(session::Session& s, int book) {
  console::Console& con = s.con();
  if (s.InArchive()) {
    console::Okno_(con, "Praca w archiwum - blokada", 3);
    return false;
  }
  const console::SavedScreen saved = con.SaveScreen();
  Counterparty party;
  ProposalRequest request;
  const bool automatic = book == 0;
  if (automatic) {
    party.alias = s.FileX("ZAMOW_ZF.TXT") ? "zf" : "zd";
    xbase::WorkArea* b = s.areas().Find(party.alias);
    if (b == nullptr) {
      console::Okno_(con, "Plik " + party.alias + " niedostepny", 3);
      return false;
    }
    if (!AskProposal(s, *b, &request, &party)) {
      con.RestoreScreen(saved);
      return false;
    }
  } else {
    std::string name(50, ' ');
    con.Clear();
    con.Say(0, 0, kGridTitle, con.colours().enhanced);
    console::Form f(con);
    f.Say(5, 0, book == 1 ? "NAZWA ODBIORCY:" : "NAZWA DOSTAWCY:");
    f.GetText(5, 16, name, std::string(50, '!'));
    if (f.Read().escaped) {
      con.RestoreScreen(saved);
      return false;
    }
    party.nazwa = AllTrim(name);
  }

  auto list = OrderList::Open(s);
  if (!list.ok()) {
    con.RestoreScreen(saved);
    return false;
  }
  bool shown = false;
  if (automatic) {
    console::OknoNoWait(con, "OBLICZAM - PROSZE CZEKAC");
    con.Say(12, 0, "                          OBLICZAM - PROSZE CZEKAC                              ");
    xbase::WorkArea* as = s.areas().Find("as");
    auto rows = as == nullptr ? Result<int>(Status::IoError("Plik as niedostepny"))
                              : ProposeOrder(*as, (*list)->area(), request);
    if (!rows.ok()) {
      console::Okno_(con, "Blad listy zamowienia: " + rows.status().message(), 0);
    } else if (*rows == 0) {
      console::Okno_(con, "Brak towarow od tego dostawcy", 3);
    } else {
      OrderScreen(s, **list, OrderSide::kSuppliers, party).Run();
      shown = true;
    }
  } else {
    OrderScreen(s, **list, book == 1 ? OrderSide::kCustomers : OrderSide::kSuppliers, party).Run();
    shown = true;
  }
  list->reset();
  con.RestoreScreen(saved);
  return shown;
}

}  // namespace hurt::orders
