#include "invoicing/invoice_corrections.h"

#include <algorithm>
#include <memory>

#include "base/numeric.h"
#include "base/text.h"
#include "console/browse.h"
#include "console/list_browse_source.h"
#include "console/form.h"
#include "console/message_window.h"
#include "invoicing/invoice_printout.h"
#include "invoicing/invoice_tables.h"
#include "session/session.h"
#include "store/net_files.h"

namespace hurt::invoicing {

namespace {

constexpr int kSpareArea = 198;
constexpr std::string_view kDayOrderKey = "DTOS(data)+mag+indeks";

// The order of `area` whose key is `key`, 0 when none.
int OrderWithKey(xbase::WorkArea& area, std::string_view key) {
  for (int n = 1; n <= area.order_count(); ++n) {
    if (Upper(area.Order(n)->key_expression) == Upper(key)) return n;
  }
  return 0;
}

Status CollectMonth(xbase::WorkArea& dow, int order, const std::string& mag_indeks, std::string_view odb,
                    JulianDay first, JulianDay last, std::vector<SaleOfArticle>* out) {
  HURT_RETURN_IF_ERROR(dow.SetOrder(order));
  for (JulianDay day = first; day <= last; ++day) {
    const std::string key = Dtos(day) + mag_indeks;
    auto found = dow.Seek(xbase::Value(key));
    if (!found.ok()) return found.status();
    while (*found && !dow.eof()) {
      auto k = dow.KeyOf();
      if (!k.ok() || k->compare(0, key.size(), key) != 0) break;
      if (FieldText(dow, "R_P") == "R" && FieldText(dow, "S_Z") == "S" && RTrim(FieldText(dow, "ODB")) == RTrim(odb)) {
        SaleOfArticle s;
        s.data = FieldDate(dow, "DATA");
        s.rd = FieldText(dow, "RD");
        s.nrd = FieldText(dow, "NRD");
        s.ilosc = FieldNumber(dow, "ILOSC");
        std::string nb = FieldText(dow, "NB");
        s.nb = nb.empty() || nb[0] == ' ' ? 'N' : nb[0];
        s.cena = FieldNumber(dow, "CENA");
        s.podatek0 = FieldText(dow, "PODATEK0");
        s.uwagi = FieldText(dow, "UWAGI");
        out->push_back(std::move(s));
      }
      HURT_RETURN_IF_ERROR(dow.Skip(1));
    }
  }
  return Status::Ok();
}

}  // namespace

Result<std::vector<SaleOfArticle>> SalesOfArticle(session::Session& session, std::string_view mag,
                                                  std::string_view indeks, std::string_view odb, JulianDay from,
                                                  JulianDay to) {
  std::vector<SaleOfArticle> sales;
  if (from == kEmptyDate || to == kEmptyDate || from > to) return sales;
  const std::string mag_indeks = PadR(mag, 1) + PadR(indeks, 8);
  Ymd y = YmdFromJulian(from);
  JulianDay month_first = JulianFromYmd(y.year, y.month, 1);
  while (month_first <= to) {
    Ymd m = YmdFromJulian(month_first);
    JulianDay month_last = JulianFromYmd(m.year, m.month, DaysInMonth(m.year, m.month));
    JulianDay first = std::max(from, month_first);
    JulianDay last = std::min(to, month_last);
    const std::string period = PeriodOfDate(month_first);
    xbase::WorkArea* current = SessionAreaOf(session, store::TableId::kDow);
    int order = current != nullptr ? OrderWithKey(*current, kDayOrderKey) : 0;
    if (period == session.hh() && current != nullptr && order > 0) {
      AreaPosition keep(current);
      HURT_RETURN_IF_ERROR(CollectMonth(*current, order, mag_indeks, odb, first, last, &sales));
    } else {
      std::string dbf = store::FindFileX(session.env(), session.Path(period + "/dow.dbf"));
      std::string ntx = store::FindFileX(session.env(), session.Path(period + "/dow3.ntx"));
      if (!dbf.empty() && !ntx.empty()) {
        auto area = session.areas().Open(kSpareArea, dbf, "dow_kor");
        if (!area.ok()) return Status::IoError("Plik " + period + "/dow niedostepny");
        Status s = Status::Ok();
        auto n = (*area)->AttachOrder(ntx);
        s = n.ok() ? CollectMonth(**area, *n, mag_indeks, odb, first, last, &sales) : n.status();
        // A month's table opened only to be read; the read's own status is returned.
        (void)session.areas().Close(kSpareArea);
        HURT_RETURN_IF_ERROR(s);
      }
    }
    month_first = month_last + 1;
  }
  std::stable_sort(sales.begin(), sales.end(), [](const SaleOfArticle& a, const SaleOfArticle& b) {
    return Dtos(a.data) + a.nrd < Dtos(b.data) + b.nrd;
  });
  return sales;
}

Status ApplySaleToLine(xbase::WorkArea& dd, const SaleOfArticle& sale) {
  documents::DocLine line;
  std::string nb_text = FieldText(dd, "NB");
  const char nb = nb_text.empty() || nb_text[0] == ' ' ? 'N' : nb_text[0];
  line.ilosc = FieldNumber(dd, "ILOSC");
  line.cena = sale.cena;
  line.podatek0 = IsBlank(sale.podatek0) ? std::string("23") : sale.podatek0;
  documents::LineMoneyOnBasis(line, nb);
  HURT_RETURN_IF_ERROR(dd.Replace("CENA", xbase::Value(line.cena)));
  HURT_RETURN_IF_ERROR(dd.Replace("PODATEK0", xbase::Value(line.podatek0)));
  HURT_RETURN_IF_ERROR(dd.Replace("PODATEK", xbase::Value(line.podatek)));
  HURT_RETURN_IF_ERROR(dd.Replace("WARTOSC", xbase::Value(line.wartosc)));
  HURT_RETURN_IF_ERROR(ReplaceIfPresent(dd, "BRUTTO", xbase::Value(line.brutto)));
  return dd.Flush();
}

bool KorektyFv(session::Session& session) {
  console::Console& con = session.con();
  xbase::WorkArea* dd = SessionAreaOf(session, store::TableId::kDd);
  if (dd == nullptr || dd->eof()) return false;

  Ymd today = YmdFromJulian(session.Today());
  JulianDay from = JulianFromYmd(today.year, today.month, 1);
  JulianDay to = session.Today();
  console::SavedScreen saved = con.SaveScreen();
  {
    console::Form form(con);
    form.Say(23, 0, "OKRES od - do  (dd.mm.rr):");
    form.GetDate(23, 27, from);
    form.GetDate(23, 38, to);
    console::ReadResult r = form.Read();
    if (r.escaped || from == kEmptyDate || to == kEmptyDate || from > to) {
      con.RestoreScreen(saved);
      return false;
    }
  }
  auto sales = SalesOfArticle(session, FieldText(*dd, "MAG"), FieldText(*dd, "INDEKS"), session.vars().Text("M_ODB"),
                              from, to);
  if (!sales.ok()) {
    con.RestoreScreen(saved);
    console::Okno_(con, sales.status().message(), 3);
    return false;
  }
  console::ListBrowseSource source([&] { return sales->size(); });
  const auto current = [&]() -> const SaleOfArticle& { return (*sales)[source.at()]; };
  console::Browse grid(con, source, 5, 2, 20, 77);
  grid.AddColumn(
      console::BrowseColumn::Date("Data", [&] { return source.IsEmpty() ? kEmptyDate : current().data; }));
  grid.AddColumn(console::BrowseColumn::Text("Dowod", [&] {
    return source.IsEmpty() ? std::string() : AllTrim(current().rd) + "-" + AllTrim(current().nrd);
  }));
  grid.AddColumn(console::BrowseColumn::Number("Ilosc", [&] { return source.IsEmpty() ? 0.0 : current().ilosc; },
                                               "9999999.999"));
  grid.AddColumn(console::BrowseColumn::Number("Cena", [&] { return source.IsEmpty() ? 0.0 : current().cena; },
                                               "9999999.99"));
  grid.AddColumn(console::BrowseColumn::Text(
      "VAT", [&] { return source.IsEmpty() ? std::string() : current().podatek0; }));
  con.Box(4, 1, 21, 78, console::DoubleFrame(), con.colours().standard, ' ');
  bool chosen = false;
  grid.Run([&](console::BrowseMode mode, int) {
    if (mode == console::BrowseMode::kEmpty) return console::BrowseAction::kLeave;
    if (mode != console::BrowseMode::kException) return console::BrowseAction::kContinue;
    int key = con.LastKey();
    if (key == 27) return console::BrowseAction::kLeave;
    if (key == 13) {
      chosen = true;
      return console::BrowseAction::kLeave;
    }
    return console::BrowseAction::kContinue;
  });
  con.RestoreScreen(saved);
  if (!chosen || sales->empty()) return false;
  return ApplySaleToLine(*dd, current()).ok();
}

}  // namespace hurt::invoicing
