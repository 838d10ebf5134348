#include "session/kind_seeds.h"

#include <string>

#include "base/cp852.h"
#include "base/text.h"
#include "store/net_use.h"

namespace hurt::session {

using namespace hurt::literals;

namespace {

constexpr KindSeed kStarterKinds[] = {
    {"FV", "FAKTURA VAT", "R", "S", "U", "O", "1", "N"},
    {"FK", "FAKTURA KORYGUJĄCA"_pl, "K", "S", "U", "O", "1", "N"},
    {"PZ", "PRZYJĘCIE ZEWNĘTRZNE"_pl, "P", "Z", "C", "D", "1", "N"},
    {"KZ", "KOREKTA ZAKUPU", "K", "Z", "C", "D", "1", "N"},
    {"WZ", "WYDANIE ZEWNĘTRZNE"_pl, "R", "S", "U", "O", "1", "N"},
    {"SD", "SPRZEDAŻ DETALICZNA"_pl, "R", "S", "U", "O", "1", "B"},
    {"RW", "ROZCHÓD WEWNĘTRZNY"_pl, "R", "D", "C", "P", "1", ""},
    {"PW", "PRZYCHÓD WEWNĘTRZNY"_pl, "P", "D", "C", "P", "1", ""},
    {"MM", "PRZESUNIĘCIE MIĘDZYMAGAZYNOWE"_pl, "M", "D", "C", "F", "1", ""},
    {"BO", "BILANS OTWARCIA", "P", "D", "C", "F", "1", ""},
    {"KP", "KASA PRZYJĘŁA"_pl, "R", "", "", "O", "0", ""},
    {"KW", "KASA WYDAŁA"_pl, "P", "", "", "D", "0", ""},
};

constexpr KindSeed kAdvanceKinds[] = {
    {"FZ", "FAKTURA ZALICZKOWA", "R", "S", "U", "O", "1", "B"},
    {"ZAM", "ZAMOWIENIE", "R", "S", "U", "O", "1", "B"},
};

Result<bool> HoldsKind(xbase::WorkArea& slow, std::string_view rd) {
  HURT_RETURN_IF_ERROR(slow.GoTop());
  while (!slow.eof()) {
    auto code = slow.Get("RD");
    if (code.ok() && RTrim(code->AsString()) == rd) return true;
    HURT_RETURN_IF_ERROR(slow.Skip());
  }
  return false;
}

Status ReplaceWhenPresent(xbase::WorkArea& area, std::string_view field, const xbase::Value& value) {
  if (area.table().FieldIndex(field) < 0) return Status::Ok();
  return area.Replace(field, value);
}

}  // namespace

std::span<const KindSeed> StarterKinds() { return kStarterKinds; }

Status AddMissingKinds(xbase::WorkArea& slow, std::span<const KindSeed> seeds) {
  for (const KindSeed& kind : seeds) {
    auto held = HoldsKind(slow, kind.rd);
    if (!held.ok()) return held.status();
    if (*held) continue;
    HURT_RETURN_IF_ERROR(slow.Append());
    HURT_RETURN_IF_ERROR(slow.Replace("RD", std::string(kind.rd)));
    HURT_RETURN_IF_ERROR(slow.Replace("OPIS", std::string(kind.opis)));
    HURT_RETURN_IF_ERROR(slow.Replace("R_P", std::string(kind.r_p)));
    HURT_RETURN_IF_ERROR(slow.Replace("S_Z", std::string(kind.s_z)));
    HURT_RETURN_IF_ERROR(slow.Replace("CUV", std::string(kind.cuv)));
    HURT_RETURN_IF_ERROR(slow.Replace("KTO", std::string(kind.kto)));
    HURT_RETURN_IF_ERROR(slow.Replace("MAG", std::string(kind.mag)));
    HURT_RETURN_IF_ERROR(slow.Replace("NB", std::string(kind.nb)));
    HURT_RETURN_IF_ERROR(slow.Replace("NRD", 0.0));
    HURT_RETURN_IF_ERROR(slow.Replace("POZIOM", 0.0));
    HURT_RETURN_IF_ERROR(ReplaceWhenPresent(slow, "KSEF_TN", xbase::Value("N")));
    HURT_RETURN_IF_ERROR(slow.Flush());
  }
  return slow.Commit();
}

Status AddAdvanceKinds(xbase::WorkArea& slow) { return AddMissingKinds(slow, kAdvanceKinds); }

Result<bool> AddStarterKindsWhenEmpty(store::StoreUi& ui, xbase::WorkArea& slow) {
  auto count = slow.RecCount();
  if (!count.ok()) return count.status();
  if (*count > 0) return false;
  HURT_RETURN_IF_ERROR(store::FilLockArea(ui, slow, 10));
  count = slow.RecCount();  // another station may have written them meanwhile
  Status s = count.status();
  const bool add = s.ok() && *count == 0;
  if (add) s = AddMissingKinds(slow, kStarterKinds);
  Status unlocked = slow.Unlock();
  if (s.ok()) s = unlocked;
  if (!s.ok()) return s;
  return add;
}

}  // namespace hurt::session
