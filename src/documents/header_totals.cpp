// The document total and the payment default, taken for the document under edit.
#include "base/numeric.h"
#include "base/text.h"
#include "console/message_window.h"
#include "documents/big_total.h"
#include "documents/dd_lines.h"
#include "documents/header.h"
#include "documents/header_rules.h"
#include "session/session.h"
#include "xbase/value.h"
#include "xbase/work_area.h"

namespace hurt::documents {

namespace {

bool InList(std::string_view list, std::string_view rd) {
  const std::string code = AllTrim(rd);
  return !code.empty() && !IsBlank(list) && list.find(code) != std::string_view::npos;
}

// The document's weight beside the total when its lines carry one.
void ShowWeight(session::Session& s, xbase::WorkArea& dd) {
  if (dd.FieldIndex("WAGA") < 0) return;
  std::vector<DocLine> lines;
  const uint32_t back = dd.recno();
  for (Status st = dd.GoTop(); st.ok() && !dd.eof(); st = dd.Skip(1)) {
    auto line = ReadLine(dd);
    if (line.ok()) lines.push_back(*line);
  }
  if (back != 0) (void)dd.GoTo(back);
  const double waga = DocumentWeight(lines);
  if (SameAmount(waga, 0, 3)) return;
  s.con().Say(23, 44, PadL("WAGA: " + AllTrim(FormatFixed(waga, 3)), 20), s.con().colours().standard);
}

// A sale on credit does not give more time than its articles allow: the shortest term
// TEZ of the lines' articles below the document's is suggested to an operator with right
// 7 (when the total is taken for posting or printing) and taken by anyone else.
void ArticleTermRule(session::Session& s, const DocKind& kind, xbase::WorkArea& dd, int reason) {
  const std::string spz = PadR(s.vars().Text("M_SPZ"), 1);
  if (!kind.IsSale() || (spz != "P" && spz != "T" && spz != "F")) return;
  xbase::WorkArea* as = s.areas().Find("as");
  if (as == nullptr || as->FieldIndex("TEZ") < 0) return;
  std::vector<int> terms;
  const uint32_t dd_back = dd.recno();
  const uint32_t as_back = as->recno();
  const int as_order = as->order();
  if (as->SetOrder(1).ok()) {
    for (Status st = dd.GoTop(); st.ok() && !dd.eof(); st = dd.Skip(1)) {
      auto mag = dd.Get("MAG");
      auto indeks = dd.Get("INDEKS");
      if (!mag.ok() || !indeks.ok()) continue;
      auto found = as->SeekKey(PadR(mag->AsString(), 1) + PadR(indeks->AsString(), 8));
      if (!found.ok() || !*found) continue;
      auto tez = as->Get("TEZ");
      if (tez.ok()) terms.push_back(static_cast<int>(tez->AsNumber()));
    }
  }
  (void)as->SetOrder(as_order);
  if (as_back != 0) (void)as->GoTo(as_back);
  if (dd_back != 0) (void)dd.GoTo(dd_back);
  const TermAdvice advice =
      PaymentTermRule(kind, spz[0], static_cast<int>(s.vars().Number("M_TEZ")), terms, s.op().Prawa(7));
  if (advice.action == TermAdvice::Action::kChange) {
    s.vars().Set("M_TEZ", xbase::Value(advice.tez));
    const JulianDay data = s.vars().Date("M_DATA");
    s.vars().Set("M_TERMIN", xbase::Value(xbase::Date{data == kEmptyDate ? kEmptyDate : data + advice.tez}));
    console::Okno_(s.con(), advice.message, 0);
  } else if (advice.action == TermAdvice::Action::kSuggest && reason != kReasonShow) {
    console::Okno_(s.con(), advice.message, 0);
  }
}

}  // namespace

double JakaWartoscNaEkranie(session::Session& s, int reason) {
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
  ShowCashSaleTotal(s, in.kind, r->total);
  ShowWeight(s, *dd);
  ArticleTermRule(s, in.kind, *dd, reason);
  return r->total;
}

void UstalSpzDokumentu(session::Session& s) {
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
