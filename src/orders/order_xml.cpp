#include "orders/order_xml.h"

#include <cstdio>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "session/session.h"
#include "xbase/file_util.h"

namespace hurt::orders {

namespace {

std::string Attr(std::string_view name, std::string_view cp852) {
  return " " + std::string(name) + "=\"" + XmlEscape(Cp852ToUtf8(AllTrim(cp852))) + "\"";
}

std::string IsoDate(JulianDay date) {
  const Ymd d = YmdFromJulian(date);
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
  return buf;
}

}  // namespace

std::string OrderXml(const OrderFileContent& c, std::string_view number, JulianDay date) {
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Zamowienie";
  out += Attr("numer", number) + Attr("data", IsoDate(date)) + Attr("kontrahent", c.odb) +
         Attr("operator", c.operator_nr) + ">\n";
  int lp = 0;
  for (const OrderFileRow& r : c.rows) {
    out += "  <Pozycja" + Attr("lp", std::to_string(++lp)) + Attr("mag", r.mag) + Attr("indeks", r.indeks) +
           Attr("kod13", r.kod13) + Attr("nazwa", r.nazwa) + Attr("jm", r.jm) +
           Attr("ilosc", FormatFixed(NewRound(r.zamawiam, 0), 0));
    if (c.with_price) out += Attr("cena", FormatFixed(r.cena0_as, 2));
    out += "/>\n";
  }
  if (!IsBlank(c.uwagi)) out += "  <Uwagi>" + XmlEscape(Cp852ToUtf8(AllTrim(c.uwagi))) + "</Uwagi>\n";
  out += "</Zamowienie>\n";
  return out;
}

Status SaveOrderXml(session::Session& s, const OrderFileContent& c, std::string_view number) {
  const std::string key = Lower(AllTrim(c.odb));
  // The key names a folder: one with a path separator or dots takes no copy.
  if (key.find_first_of("/\\.") != std::string::npos) return Status::Ok();
  if (key.empty() || !s.FileX("ZAMD.XML") || !s.FileX(key + ".xml")) return Status::Ok();
  const std::string folder = s.Path(key);
  HURT_RETURN_IF_ERROR(s.env().CreateDirs(folder));
  return xbase::ReplaceWholeFile(s.env(), folder + "/" + Lower(number) + ".xml", OrderXml(c, number, s.Today()));
}

}  // namespace hurt::orders
