#include "documents/line_grid_parts.h"

#include "base/date.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"
#include "documents/line_session.h"
#include "documents/prices.h"
#include "documents/vat_rate.h"
#include "session/area_fields.h"
#include "session/session.h"

namespace hurt::documents {

namespace {

using session::FieldNumber;
using session::FieldText;

console::BrowseColumn Column(int width, std::function<std::string()> value) {
  console::BrowseColumn c;
  c.width = width;
  c.value = [value = std::move(value), width] { return PadR(value(), static_cast<size_t>(width)).substr(0, static_cast<size_t>(width)); };
  return c;
}

}  // namespace

GridOptions GridOptionsOf(session::Session& session) {
  GridOptions o;
  o.dow1_mag = !XbaseEquals(session.settings().Text("J_DOW1_MAG"), "N");
  o.i3 = session.settings().Text("J_I3") == "3";
  o.ilosc_big = session.FileX("ILOSC.BIG");
  o.cena_big = session.FileX("CENA.BIG");
  o.export_name = Upper(session.settings().Nazwa()).find("EXPORT") != std::string::npos;
  return o;
}

GridLayout LayoutOf(const DocKind& kind, const GridOptions& o, int left) {
  GridLayout g;
  g.mag_column = !o.dow1_mag && !kind.IsTransfer();
  g.first_picture = g.mag_column ? "!" : "!!!";
  g.nazwa = std::string(30, o.export_name ? 'X' : '!');
  g.ilosc = "999999.99";
  if (o.i3) g.ilosc = "99999.999";
  if (kind.HasTag("BIG_I") || o.ilosc_big) g.ilosc = "9999999.9";
  g.cena = "999999.99";
  if (kind.IsWarehouse() && kind.InPurchasePrices()) g.cena = kind.HasTag("SMALL") ? "999.99999" : "9999.9999";
  if (kind.HasTag("BIG_C") || kind.HasTag("BIG CENA") || o.cena_big) g.cena = "9999999.9";
  g.commission = kind.HasTag("PROWIZJA");
  g.percent_editable = !g.commission;
  g.left = g.mag_column && left < 2 ? 2 : left;
  const int first_width = g.mag_column ? 1 : 3;
  g.col_indeks = g.left + first_width + 1;
  g.col_nazwa = g.col_indeks + 8 + 1;
  g.col_ilosc = g.col_nazwa + 30 + 1;
  g.col_cena = g.col_ilosc + 9 + 1;
  g.col_upust = g.col_cena + 9 + 1;
  g.col_brutto = g.col_upust + 4 + 1;
  return g;
}

std::vector<console::BrowseColumn> GridColumns(const GridLayout& g, const xbase::WorkArea& dd) {
  const xbase::WorkArea* d = &dd;
  std::vector<console::BrowseColumn> cols;
  if (g.mag_column) {
    cols.push_back(Column(1, [d] { return FieldText(*d, "MAG"); }));
  } else {
    cols.push_back(Column(3, [d] { return PadL(AllTrim(FieldText(*d, "LP")), 3); }));
  }
  cols.push_back(Column(8, [d] { return FieldText(*d, "INDEKS"); }));
  cols.push_back(Column(30, [d] { return FieldText(*d, "NAZWA"); }));
  const std::string ilosc = g.ilosc, cena = g.cena;
  cols.push_back(Column(9, [d, ilosc] { return TransformNumber(FieldNumber(*d, "ILOSC"), ilosc); }));
  cols.push_back(Column(9, [d, cena] { return TransformNumber(FieldNumber(*d, "CENA"), cena); }));
  if (g.commission) {
    cols.push_back(Column(4, [d] {
      const double price = FieldNumber(*d, "CENA");
      const double pct = price == 0 ? 0 : NewRound(FieldNumber(*d, "PROWIZJA") / price * 100, 1);
      return TransformNumber(PercentInRange(pct) ? pct : 0, "99.9");
    }));
  } else {
    cols.push_back(Column(4, [d] { return TransformNumber(FieldNumber(*d, "UPUST0"), "99.9"); }));
  }
  cols.push_back(Column(11, [d] { return TransformNumber(FieldNumber(*d, "BRUTTO"), "99999999.99"); }));
  return cols;
}

GridHeadingText GridHeading(const GridLayout& g) {
  constexpr char kBar = '\xB3', kLine = '\xC4', kCross = '\xC5';  // "│", "─", "┼"
  GridHeadingText h;
  h.separators = {g.col_indeks - 1, g.col_nazwa - 1, g.col_ilosc - 1, g.col_cena - 1, g.col_upust - 1, g.col_brutto - 1};
  h.heading = std::string(g.mag_column ? "MAG" : " Lp") + kBar + "INDEKS  " + kBar + PadR("NAZWA", 30) + kBar +
              "  ILOSC  " + kBar + "   CENA  " + kBar + " %  " + kBar + "  WARTOSC  ";
  h.rule = std::string(80, kLine);
  for (int c : h.separators) h.rule[static_cast<size_t>(c)] = kCross;
  return h;
}

char DocumentBasis(session::Session& session, const DocKind& kind) {
  const std::string& m_nb = session.vars().Text("M_NB");
  if (!m_nb.empty() && (m_nb[0] == 'B' || m_nb[0] == 'N')) return m_nb[0];
  if (!kind.IsSale()) return ' ';
  const bool retail = kind.RdIs("SD ") || (!IsBlank(session.settings().Sd()) && kind.RdIs(session.settings().Sd()));
  return kind.IsGross() || retail ? 'B' : 'N';
}

bool RateAllowedFrom2011(std::string_view podatek0) {
  if (IsExemptCode(podatek0)) return true;
  const std::string code = AllTrim(podatek0);
  if (code.empty()) return false;
  const double rate = RateOfCode(code);
  if (rate == 0 && Val(code) != 0) return false;
  for (double allowed : {23.0, 8.0, 5.0, 0.0}) {
    if (SameAmount(rate, allowed, 2)) return code.find_first_not_of("0123456789.,") == std::string::npos;
  }
  return false;
}

LeaveChecks CheckLinesBeforeLeaving(session::Session& session, const DocKind& kind, xbase::WorkArea& dd) {
  LeaveChecks c;
  xbase::WorkArea* as = ArticlesArea(session);
  const char nb = DocumentBasis(session, kind);
  const bool serials = kind.HasTag("NR_SERII");
  const std::string serial_field = dd.FieldIndex("NR_SERII") >= 0 ? "NR_SERII" : "NRPARTII";
  int year = 0;
  if (session.vars().Has("M_DATA") && session.vars().Get("M_DATA").IsDate()) {
    year = YmdFromJulian(session.vars().Date("M_DATA")).year;
  }
  const bool from_2011 = year >= 2011;
  const bool get_vat = session.FileX("GET_VAT.TXT");
  const bool vat_13_5 = session.FileX("VAT_13_5.TXT");
  const uint32_t back = dd.recno();
  const uint32_t as_back = as != nullptr ? as->recno() : 0;
  const int as_order = as != nullptr ? as->order() : 0;
  const bool commission = kind.HasTag("PROWIZJA") && dd.FieldIndex("PROWIZJA") >= 0;
  for (Status st = dd.GoTop(); st.ok() && !dd.eof(); st = dd.Skip(1)) {
    if (serials && dd.FieldIndex(serial_field) >= 0 && IsBlank(FieldText(dd, serial_field))) c.missing_serial = true;
    if (commission && !CommissionSound(FieldNumber(dd, "PROWIZJA"), FieldNumber(dd, "CENA"))) c.commission = true;
    if (as == nullptr || !kind.IsSale()) continue;
    if (as->order() != 1 && !as->SetOrder(1).ok()) continue;
    auto f = as->SeekKey(PadR(FieldText(dd, "MAG"), 1) + PadR(FieldText(dd, "INDEKS"), 8));
    if (!f.ok() || !*f) continue;
    const std::string code = FieldText(dd, "PODATEK0");
    const double rate = RateOfCode(code);
    ArticlePrices p;
    p.cena0 = FieldNumber(*as, "CENA0");
    p.cena_pz = FieldNumber(*as, "CENA_PZ");
    p.cenam = FieldNumber(*as, "CENAM");
    FlaggedLine line;
    line.lp = AllTrim(FieldText(dd, "LP"));
    line.indeks = FieldText(dd, "INDEKS");
    line.nazwa = FieldText(dd, "NAZWA");
    line.ilosc = FieldNumber(dd, "ILOSC");
    line.cena = FieldNumber(dd, "CENA");
    line.floor = PriceFloor(p, rate, nb == 'B');
    line.podatek0 = code;
    if (line.ilosc > 0 && line.cena < line.floor) {
      c.below_cost = true;
      c.below_cost_lines.push_back(line);
    }
    if (!from_2011) continue;
    const bool allowed = RateAllowedFrom2011(code);
    if (!allowed) c.bad_vat = true;
    const LineVatRate expected = VatRateOfLine(FieldText(*as, "PODATEK0"), kind, get_vat, vat_13_5);
    line.expected = expected.code;
    if (AllTrim(expected.code) != AllTrim(code)) c.other_vat = true;
    if (!allowed || AllTrim(expected.code) != AllTrim(code)) c.vat_lines.push_back(line);
  }
  (void)dd.GoTo(back);
  if (as != nullptr) {
    if (as->order() != as_order) (void)as->SetOrder(as_order);
    (void)as->GoTo(as_back);
  }
  return c;
}

bool CommissionSound(double prowizja, double cena) {
  if (prowizja < 0) return false;
  if (cena <= 0) return SameAmount(prowizja, 0, 2);
  return NewRound(prowizja, 2) <= NewRound(cena, 2);
}

namespace {
std::string ReportLine(const FlaggedLine& l) {
  return PadL(l.lp, 3) + " " + PadR(l.indeks, 8) + " " + PadR(l.nazwa, 30).substr(0, 30) + " " + Str(l.ilosc, 10, 3) +
         " " + Str(l.cena, 10, 2);
}
}  // namespace

std::vector<std::string> BelowCostReport(const std::vector<FlaggedLine>& lines) {
  std::vector<std::string> out{"POZYCJE PONIZEJ KOSZTU", "",
                               " Lp Indeks   Nazwa                               Ilosc       Cena      Koszt"};
  for (const FlaggedLine& l : lines) out.push_back(ReportLine(l) + " " + Str(l.floor, 10, 2));
  return out;
}

std::vector<std::string> VatReport(const std::vector<FlaggedLine>& lines) {
  std::vector<std::string> out{"STAWKI VAT POZYCJI", "",
                               " Lp Indeks   Nazwa                               Ilosc       Cena VAT Kart."};
  for (const FlaggedLine& l : lines) {
    out.push_back(ReportLine(l) + " " + PadL(AllTrim(l.podatek0), 3) + " " + PadL(AllTrim(l.expected), 4) +
                  (RateAllowedFrom2011(l.podatek0) ? "" : " ZLA STAWKA"));
  }
  return out;
}

bool AsksDeliveryAddress(const DocKind& kind) { return kind.IsSale() || kind.RdIs("WZ "); }

std::string ProposedDeliveryAddress(session::Session& session) {
  session::SessionVariables& v = session.vars();
  std::string town = AllTrim(AllTrim(v.Text("M_KODB")) + " " + AllTrim(v.Text("M_MODB")));
  const std::string street = AllTrim(v.Text("M_UODB"));
  if (!street.empty()) town = town.empty() ? street : town + ", " + street;
  return PadR(town, 50).substr(0, 50);
}

Credit CustomerCredit(session::Session& session, std::string_view odb) {
  Credit c;
  xbase::WorkArea* zo = session.areas().Find("zo");
  if (zo == nullptr || IsBlank(odb)) return c;
  const uint32_t back = zo->recno();
  const int order = zo->order();
  if (order == 1 || zo->SetOrder(1).ok()) {
    auto f = zo->SeekKey(PadR(odb, 8));
    if (f.ok() && *f) {
      c.found = true;
      c.limit = FieldNumber(*zo, "KREDYT");
      c.balance = FieldNumber(*zo, "BOWN") - FieldNumber(*zo, "BOMA") + FieldNumber(*zo, "OBNAWN") - FieldNumber(*zo, "OBNAMA") +
                  FieldNumber(*zo, "OBWN") - FieldNumber(*zo, "OBMA") + FieldNumber(*zo, "POWN") - FieldNumber(*zo, "POMA");
    }
  }
  if (zo->order() != order) (void)zo->SetOrder(order);
  (void)zo->GoTo(back);
  return c;
}

bool CreditExceeded(const Credit& credit, double document_total) {
  if (!credit.found || credit.limit <= 0) return false;
  return NewRound(credit.balance + document_total, 2) > NewRound(credit.limit, 2);
}

}  // namespace hurt::documents
