#include "orders/order_printout.h"

#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"

namespace hurt::orders {

void WriteOrderPrintout(session::ReportWriter& out, const PrintedOrder& o) {
  out.Line("");
  out.Line("ZAMAWIAJACY : " + PadR(AllTrim(o.firma_nazwa), 40) + "  " + Dtoc(o.data));
  std::string address = AllTrim(o.firma_kod);
  if (!IsBlank(o.firma_miasto)) address += (address.empty() ? "" : " ") + AllTrim(o.firma_miasto);
  if (!IsBlank(o.firma_ulica)) address += (address.empty() ? "" : ", ") + AllTrim(o.firma_ulica);
  if (!address.empty()) out.Line("              " + address);
  for (const std::string& line : o.firma_dalej)
    if (!IsBlank(line)) out.Line("              " + AllTrim(line));
  out.Line("");
  out.Line("ADRESAT     : " + AllTrim(o.odb) + " " + AllTrim(o.adresat));
  out.Line("");
  out.Line("                     Z A M O W I E N I E     " + o.numer);
  out.Line("");
  out.Line(" Lp.  Indeks   Nazwa                          Jm        Ilosc");
  out.Line(std::string(64, '-'));
  int n = 0;
  for (const PrintedOrderRow& r : o.rows) {
    if (Left(r.indeks, 8) == "--------" && Left(r.nazwa, 8) == "--------") continue;
    out.Line(TransformNumber(++n, "9999") + "  " + PadR(r.indeks, 8) + " " + PadR(Left(r.nazwa, 30), 30) + " " +
             PadR(Left(r.jm, 3), 3) + " " + TransformNumber(NewRound(r.zamawiam, 0), "999999999"));
  }
  out.Line(std::string(64, '-'));
  if (!IsBlank(o.uwagi)) {
    out.Line("");
    out.Line(AllTrim(o.uwagi));
  }
}

double WriteStockList(session::ReportWriter& out, JulianDay data, const std::string& supplier_name,
                      const std::vector<StockListRow>& rows) {
  out.Line("     ILOSC I WARTOSC TOWAROW NA STANIE W DNIU " + Dtoc(data) + "r");
  const std::string name = "     OD DOSTAWCY : " + AllTrim(supplier_name);
  out.Line(name);
  out.Line(std::string(5, ' ') + std::string(name.size() - 5, '='));
  out.Line("");
  const std::string rule = std::string(4, '-') + "+" + std::string(30, '-') + "+" + std::string(3, '-') + "+" +
                           std::string(13, '-') + "+" + std::string(13, '-') + "+" + std::string(14, '-');
  out.Line(" LP |" + PadR("NAZWA TOWARU", 30) + "|JM |  CENA ZAKUPU|        ILOSC|       WARTOSC");
  out.Line(rule);
  double total = 0;
  int lp = 0;
  for (const StockListRow& r : rows) {
    const double value = MRound(r.cena0 * r.stan, 2);
    total += value;
    const std::string qty = Upper(AllTrim(r.jm)) == "SZT" ? TransformNumber(r.stan, "999999999") + "   "
                                                          : TransformNumber(r.stan, "999999999.99");
    out.Line(TransformNumber(++lp, "9999") + "|" + PadR(Left(r.nazwa, 30), 30) + "|" + PadR(Left(r.jm, 3), 3) + "|" +
             TransformNumber(r.cena0, "9999999999.99") + "|" + PadL(qty, 13) + "|" +
             TransformNumber(value, "99999999999.99"));
    if (!IsBlank(r.nazwa2)) out.Line("    |" + PadR(Left(r.nazwa2, 30), 30) + "|");
  }
  out.Line(rule);
  out.Line(PadL("RAZEM : " + TransformNumber(total, "99999999999.99"), 81));
  return total;
}

}  // namespace hurt::orders
