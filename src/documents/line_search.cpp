#include "documents/line_search.h"

#include <cctype>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/browse.h"
#include "console/console.h"
#include "console/keys.h"
#include "session/area_fields.h"
#include "session/session.h"

namespace hurt::documents {

using namespace hurt::literals;

std::string DescendText(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>((256 - static_cast<unsigned char>(c)) % 256);
  return out;
}

namespace {

std::string Squeezed(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c != ' ') out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return out;
}

}  // namespace

int OrderWithKey(const xbase::WorkArea& as, std::string_view expression) {
  const std::string want = Squeezed(expression);
  for (int n = 1; n <= as.order_count(); ++n) {
    const xbase::OrderInfo* o = as.Order(n);
    if (o != nullptr && Squeezed(o->key_expression) == want) return n;
  }
  return 0;
}

int BarCodeWidth(const xbase::WorkArea& as) {
  const int i = as.FieldIndex("KOD13");
  if (i < 0) return 13;
  return static_cast<int>(session::FieldText(as, "KOD13").size());
}

uint32_t FindByBarCode(xbase::WorkArea& as, std::string_view code, std::string_view mag) {
  if (as.FieldIndex("KOD13") < 0 || IsBlank(code)) return 0;
  const int order = OrderWithKey(as, "DESCEND(kod13)");
  if (order == 0) return 0;
  const int before = as.order();
  const uint32_t back = as.recno();
  if (!as.SetOrder(order).ok()) return 0;
  const std::string wanted = PadR(RTrim(code), static_cast<size_t>(BarCodeWidth(as)));
  uint32_t first = 0, same_mag = 0;
  auto found = as.SeekKey(DescendText(wanted));
  // Equal keys follow each other: the first of the wanted warehouse, else the first.
  for (bool ok = found.ok() && *found; ok && !as.eof(); ok = as.Skip(1).ok()) {
    if (session::FieldText(as, "KOD13") != wanted) break;
    if (first == 0) first = as.recno();
    if (session::FieldText(as, "MAG") == PadR(mag, 1)) {
      same_mag = as.recno();
      break;
    }
  }
  const uint32_t at = same_mag != 0 ? same_mag : first;
  (void)as.SetOrder(before);
  (void)as.GoTo(at != 0 ? at : back);
  return at;
}

ArticleLookup LookupOf(std::string_view typed) {
  if (typed.empty()) return ArticleLookup::kCode;
  if (typed[0] == '?') return ArticleLookup::kByName;
  if (typed[0] == '~' || typed[0] == '`') return ArticleLookup::kByCode;
  return ArticleLookup::kCode;
}

std::string PickArticle(session::Session& session, xbase::WorkArea& as, ArticleLookup how, std::string_view mag,
                        std::string_view start) {
  console::Console& con = session.con();
  const int before = as.order();
  int order = 1;
  std::string seek = Upper(RTrim(start));
  if (how == ArticleLookup::kByName) {
    order = OrderWithKey(as, "nazwa");
    if (order == 0) order = OrderWithKey(as, "UPPER(nazwa)");
    if (order == 0) {
      order = 1;
      seek = PadR(mag, 1);
    }
  } else {
    seek = PadR(mag, 1) + seek;
  }
  (void)as.SetOrder(order);
  auto r = as.SeekKey(seek, true);
  if (!r.ok() || as.eof()) (void)as.GoTop();

  const console::SavedScreen saved = con.SaveScreen();
  constexpr int kTop = 5, kLeft = 4, kBottom = 21, kRight = 76;
  con.Box(kTop, kLeft, kBottom, kRight, console::DoubleFrame(), con.colours().standard, ' ');
  con.Say(kTop, kLeft + 2, how == ArticleLookup::kByName ? " Towary wg nazwy " : " Towary wg indeksu ");
  session::AreaSource source(as);
  console::Browse browse(con, source, kTop + 1, kLeft + 1, kBottom - 1, kRight - 1);
  browse.Separators("─┼─"_pl, " │ "_pl, "");
  const std::pair<const char*, int> columns[] = {{"MAG", 1}, {"INDEKS", 8}, {"NAZWA", 30}, {"JM", 3}, {"ILOSC", 12}};
  for (const auto& [name, width] : columns) {
    const std::string field = name;
    browse.AddColumn(session::PaddedColumn(field, width, [&as, field] {
      if (field != "ILOSC") return session::FieldText(as, field);
      auto v = as.Get(field);
      return v.ok() ? Str(v->AsNumber(), 12, 3) : std::string{};
    }));
  }
  const int k = browse.Run();
  std::string chosen;
  if (k == console::key::kEnter && !as.eof()) chosen = PadR(session::FieldText(as, "INDEKS"), 8);
  (void)as.SetOrder(before);
  con.RestoreScreen(saved);
  return chosen;
}

}  // namespace hurt::documents
