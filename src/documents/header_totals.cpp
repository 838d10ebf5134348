// The document total and the payment default, taken for the document under edit.
#include "base/numeric.h"
#include "base/text.h"
#include "console/okno.h"
#include "documents/dd_lines.h"
#include "documents/header.h"
#include "documents/header_rules.h"
#include "shell/session.h"
#include "xbase/value.h"
#include "xbase/work_area.h"

namespace hurt::documents {

namespace {

bool InList(std::string_view list, std::string_view rd) {
  const std::string code = AllTrim(rd);
  return !code.empty() && !IsBlank(list) && list.find(code) != std::string_view::npos;
}

}  // namespace

double JakaWartoscNaEkranie(shell::Session& s, int reason) {
  xbase::WorkArea* dd = s.areas().Find("dd");
  const std::string rd = PadR(s.vars().Text("M_RD"), 3);
  std::optional<KindRecord> kind = FindKind(s, rd);
  if (dd == nullptr || !kind) return 0;
  JakaWartoscInput in;
  in.kind = kind->kind;
  in.nb = PadR(s.vars().Text("M_NB"), 1)[0];
  in.reason = reason;
  const std::string sd = PadR(s.settings().Sd(), 3);
  in.retail_sale = in.kind.RdIs("SD ") || (!IsBlank(sd) && rd == sd);
  in.fiscal_document = (!IsBlank(sd) && rd == sd) || InList(s.settings().Text("J_DF"), rd);
  in.fiscal_printer = !IsBlank(s.vars().Text("M_DRUKARKA"));
  in.texts_minus_grosz = in.kind.HasTag("-GROSZ");
  in.waluta = s.vars().Text("M_WALUTA");
  in.m_reszta = s.vars().Number("M_RESZTA");
  in.m_reszta_p = s.vars().Number("M_RESZTA_P");
  auto r = JakaWartoscOnDd(*dd, in);
  if (!r.ok()) {
    console::Okno_(s.con(), "Nie moge policzyc wartosci dowodu", 3);
    return 0;
  }
  s.con().Say(23, 67, PadL(FormatFixed(r->total, 2), 13), s.con().colours().standard);
  return r->total;
}

void UstalSpzDokumentu(shell::Session& s) {
  std::optional<KindRecord> kind = FindKind(s, s.vars().Text("M_RD"));
  if (!kind) return;
  UstalSpzInput in;
  in.kind = kind->kind;
  if (xbase::WorkArea* dd = s.areas().Find("dd"); dd != nullptr) {
    auto line = FirstLinePayment(*dd);
    if (line.ok()) {
      in.line_spz = line->spz;
      in.line_tez = line->tez;
    }
  }
  const std::string odb = PadR(s.vars().Text("M_ODB"), 8);
  auto seek = [&](const char* alias) -> xbase::WorkArea* {
    xbase::WorkArea* a = s.areas().Find(alias);
    if (a == nullptr || IsBlank(odb)) return nullptr;
    const int order = a->order();
    (void)a->SetOrder(1);
    auto found = a->SeekKey(odb);
    (void)a->SetOrder(order);
    return found.ok() && *found ? a : nullptr;
  };
  if (in.kind.s_z == 'S') {
    if (xbase::WorkArea* zo = seek("zo"); zo != nullptr) {
      in.has_customer = true;
      if (zo->FieldIndex("SPZ") >= 0) in.customer_spz = zo->Get("SPZ")->AsString();
      if (zo->FieldIndex("TEZ") >= 0) in.customer_tez = static_cast<int>(zo->Get("TEZ")->AsNumber());
    }
  } else if (in.kind.s_z == 'Z') {
    in.supplier_known = seek("zd") != nullptr;
  }
  const Payment p = UstalSpz(in);
  s.vars().Set("M_SPZ", xbase::Value(p.spz));
  s.vars().Set("M_TEZ", xbase::Value(p.tez));
  const JulianDay data = s.vars().Date("M_DATA");
  s.vars().Set("M_TERMIN", xbase::Value(xbase::Date{data == kEmptyDate ? kEmptyDate : data + p.tez}));
}

}  // namespace hurt::documents
