#include "documents/line_session.h"

#include "base/numeric.h"
#include "base/text.h"
#include "documents/line_record.h"
#include "session/area_fields.h"
#include "session/session.h"

namespace hurt::documents {

namespace {

using session::FieldNumber;
using session::FieldText;

char FirstChar(const std::string& s, char fallback) { return s.empty() || s[0] == ' ' ? fallback : s[0]; }

}  // namespace

StationLedger StationLedgerOf(session::Session& session) {
  return StationLedger{&session.env(), LedgerPath(session.root(), session.stacja())};
}

xbase::WorkArea* LinesArea(session::Session& session) { return session.areas().Find("dd"); }
xbase::WorkArea* ArticlesArea(session::Session& session) { return session.areas().Find("as"); }

DocKind DocumentKind(session::Session& session) {
  DocKind kind;
  const std::string rd = PadR(session.vars().Text("M_RD"), 3);
  kind.rd = rd;
  xbase::WorkArea* slow = session.areas().Find("slow");
  if (slow != nullptr && !IsBlank(rd)) {
    const uint32_t back = slow->recno();
    const int order = slow->order();
    bool found = false;
    if (order == 1 || slow->SetOrder(1).ok()) {
      auto f = slow->SeekKey(rd);
      found = f.ok() && *f;
    }
    if (found) {
      kind.opis = FieldText(*slow, "OPIS");
      kind.r_p = FirstChar(FieldText(*slow, "R_P"), 'R');
      kind.s_z = FirstChar(FieldText(*slow, "S_Z"), 'S');
      kind.cuv = FirstChar(FieldText(*slow, "CUV"), 'U');
      kind.nb = FirstChar(FieldText(*slow, "NB"), 'N');
      kind.kto = FirstChar(FieldText(*slow, "KTO"), 'O');
      kind.poziom = static_cast<int>(FieldNumber(*slow, "POZIOM"));
    }
    // Only the order and position of a table read here are put back.
    if (slow->order() != order) (void)slow->SetOrder(order);
    (void)slow->GoTo(back);
    if (found) return kind;
  }
  // No kind record: the lines carry the class of their document.
  if (xbase::WorkArea* dd = LinesArea(session); dd != nullptr && !dd->eof()) {
    kind.r_p = FirstChar(FieldText(*dd, "R_P"), kind.r_p);
    kind.s_z = FirstChar(FieldText(*dd, "S_Z"), kind.s_z);
    if (IsBlank(rd)) kind.rd = PadR(FieldText(*dd, "RD"), 3);
  }
  return kind;
}

LineSettings ReadLineSettings(session::Session& session) {
  const session::Settings& st = session.settings();
  LineSettings s;
  s.fvzmieni = !XbaseEquals(st.Text("J_FVZMIENI"), "N");
  s.dop_ujem = st.Yes("J_DOP_UJEM");
  s.inf_ujem = st.Yes("J_INF_UJEM");
  s.wiele_w = st.Yes("J_WIELE_W");
  s.dow1_mag = !XbaseEquals(st.Text("J_DOW1_MAG"), "N");
  s.mag_k = st.Text("J_MAG_K");
  s.mag_u = st.Text("J_MAG_U");
  // KLUCZ is a number; a text "0".."2" left by an older screen means the same.
  const xbase::Value& klucz = session.vars().Get("KLUCZ");
  s.klucz = static_cast<int>(klucz.IsNumber() ? klucz.AsNumber() : Val(klucz.AsString()));
  s.tone = !session.FileX("TONE.---");
  return s;
}

bool MagIn(std::string_view mag, std::string_view list) {
  if (mag.empty() || mag[0] == ' ') return false;
  return list.find(mag[0]) != std::string_view::npos;
}

bool StockChecked(const DocKind& kind, const LineSettings& s, std::string_view mag) {
  if (kind.r_p != 'R' && kind.r_p != 'M') return false;
  if (kind.HasTag("PROFORMA")) return false;
  return !MagIn(mag, s.mag_k) && !MagIn(mag, s.mag_u);
}

DocLine ReadDocLine(const xbase::WorkArea& dd) { return ReadLineRecord(dd); }

Status WriteDocLine(xbase::WorkArea& dd, const DocLine& l) {
  const LineFields fields = LineFields{LineField::kLp, LineField::kMag, LineField::kIndeks, LineField::kNazwa}
                                .Add(CatalogueLineFields())
                                .Add(MoneyLineFields());
  return WriteLineRecord(dd, l, fields);
}

}  // namespace hurt::documents
