#include "catalogues/article_reports.h"

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"
#include "catalogues/common.h"
#include "session/helpers.h"
#include "session/output/report_file.h"
#include "session/session.h"

namespace hurt::catalogues {

using namespace hurt::literals;

namespace {

constexpr int kDocumentLineArea = 5;

// The order of the document lines whose key begins with the date and goes on with the
// warehouse and the code; 0 when the table has none.
int DateOrder(xbase::WorkArea& dow) {
  for (int n = 1; n <= dow.order_count(); ++n) {
    const xbase::OrderInfo* info = dow.Order(n);
    if (info != nullptr && Upper(RemoveBlanks(info->key_expression)).rfind("DTOS(DATA)+MAG+INDEKS", 0) == 0) return n;
  }
  return 0;
}

}  // namespace

long WriteArticleDocuments(session::Session& s, std::string_view mag, std::string_view indeks, std::string_view nazwa,
                           DocumentOrder order, session::ReportWriter& out) {
  out.Line(session::Centruj(order == DocumentOrder::kByDate ? "DOWODY WYSTAWIONE NA TOWAR" : "DOWODY TOWARU W KOLEJNOSCI EDYCJI"));
  out.Line(session::Centruj(std::string(mag) + "-" + AllTrim(indeks) + "  " + AllTrim(nazwa)));
  out.Line("");
  out.Line("Data      Dowód           Kontrahent      Przychód       Rozchód         Cena       Wartość"_pl);
  out.Line(std::string(92, '-'));
  xbase::WorkArea* dow = s.areas().Area(kDocumentLineArea);
  long listed = 0;
  double in = 0, issued = 0, value = 0;
  if (dow != nullptr) {
    AreaKeep keep(*dow);
    keep.Unfiltered();
    const int date_order = order == DocumentOrder::kByDate ? DateOrder(*dow) : 0;
    (void)dow->SetOrder(date_order);
    const std::string wanted_mag(mag);
    const std::string wanted_indeks = PadR(indeks, 8);
    for (Status at = dow->GoTop(); at.ok() && !dow->eof(); at = dow->Skip(1)) {
      if (FieldText(*dow, "MAG") != wanted_mag || PadR(FieldText(*dow, "INDEKS"), 8) != wanted_indeks) continue;
      const double ilosc = FieldNumber(*dow, "ILOSC");
      const double wartosc = FieldNumber(*dow, "WARTOSC");
      const bool receipt = FieldText(*dow, "R_P") == "P";
      (receipt ? in : issued) += ilosc;
      value += wartosc;
      const std::string doc = AllTrim(FieldText(*dow, "RD")) + "-" + AllTrim(FieldText(*dow, "NRD"));
      const std::string qty = TransformNumber(ilosc, "99999999.999");
      out.Line(Dtoc(FieldDate(*dow, "DATA")) + "  " + PadR(doc, 14) + "  " + PadR(FieldText(*dow, "KTO") + " " + FieldText(*dow, "ODB"), 10) +
               " " + (receipt ? qty + "  " + std::string(12, ' ') : std::string(12, ' ') + "  " + qty) + " " +
               TransformNumber(FieldNumber(*dow, "CENA"), "99999999.99") + " " + TransformNumber(wartosc, "9999999999.99"));
      ++listed;
    }
  }
  out.Line(std::string(92, '-'));
  out.Line(PadR("Razem pozycji: " + std::to_string(listed), 41) + TransformNumber(in, "99999999.999") + "  " +
           TransformNumber(issued, "99999999.999") + std::string(13, ' ') + TransformNumber(NewRound(value, 2), "9999999999.99"));
  return listed;
}

std::string BarCodeKey(std::string_view code, int width) {
  std::string key = PadR(AllTrim(code), static_cast<size_t>(width > 0 ? width : 0));
  for (char& c : key) c = static_cast<char>((256 - static_cast<unsigned char>(c)) % 256);
  return key;
}

}  // namespace hurt::catalogues
