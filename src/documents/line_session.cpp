#include "documents/line_session.h"

#include "base/numeric.h"
#include "base/text.h"
#include "session/area_fields.h"
#include "session/session.h"

namespace hurt::documents {

namespace {

using session::FieldNumber;
using session::FieldText;

char FirstChar(const std::string& s, char fallback) { return s.empty() || s[0] == ' ' ? fallback : s[0]; }

Status PutText(xbase::WorkArea& a, std::string_view name, const std::string& v) {
  if (a.FieldIndex(name) < 0) return Status::Ok();
  return a.Replace(name, xbase::Value(v));
}

Status PutNumber(xbase::WorkArea& a, std::string_view name, double v) {
  if (a.FieldIndex(name) < 0) return Status::Ok();
  return a.Replace(name, xbase::Value(v));
}

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

DocLine ReadDocLine(const xbase::WorkArea& dd) {
  DocLine l;
  l.lp = FieldText(dd, "LP");
  l.mag = FieldText(dd, "MAG");
  l.indeks = FieldText(dd, "INDEKS");
  l.nazwa = FieldText(dd, "NAZWA");
  l.jm = FieldText(dd, "JM");
  l.sww = FieldText(dd, "SWW");
  l.pkwiu = FieldText(dd, "PKWIU");
  l.t_w_o_k = FieldText(dd, "T_W_O_K");
  l.kod13 = FieldText(dd, "KOD13");
  l.producent = FieldText(dd, "PRODUCENT");
  l.dost = FieldText(dd, "DOST");
  l.nb = FirstChar(FieldText(dd, "NB"), ' ');
  l.ilosc = FieldNumber(dd, "ILOSC");
  l.cena = FieldNumber(dd, "CENA");
  l.cena0 = FieldNumber(dd, "CENA0");
  l.upust0 = FieldNumber(dd, "UPUST0");
  l.podatek0 = FieldText(dd, "PODATEK0");
  l.podatek = FieldNumber(dd, "PODATEK");
  l.wartosc = FieldNumber(dd, "WARTOSC");
  l.brutto = FieldNumber(dd, "BRUTTO");
  l.cena_n = FieldNumber(dd, "CENA_N");
  l.cena_b = FieldNumber(dd, "CENA_B");
  l.waga = FieldNumber(dd, "WAGA");
  return l;
}

Status WriteDocLine(xbase::WorkArea& dd, const DocLine& l) {
  HURT_RETURN_IF_ERROR(PutText(dd, "LP", l.lp));
  HURT_RETURN_IF_ERROR(PutText(dd, "MAG", l.mag));
  HURT_RETURN_IF_ERROR(PutText(dd, "INDEKS", l.indeks));
  HURT_RETURN_IF_ERROR(PutText(dd, "NAZWA", l.nazwa));
  HURT_RETURN_IF_ERROR(PutText(dd, "JM", l.jm));
  HURT_RETURN_IF_ERROR(PutText(dd, "SWW", l.sww));
  HURT_RETURN_IF_ERROR(PutText(dd, "PKWIU", l.pkwiu));
  HURT_RETURN_IF_ERROR(PutText(dd, "T_W_O_K", l.t_w_o_k));
  HURT_RETURN_IF_ERROR(PutText(dd, "KOD13", l.kod13));
  HURT_RETURN_IF_ERROR(PutText(dd, "PRODUCENT", l.producent));
  HURT_RETURN_IF_ERROR(PutText(dd, "DOST", l.dost));
  HURT_RETURN_IF_ERROR(PutText(dd, "NB", std::string(1, l.nb)));
  HURT_RETURN_IF_ERROR(PutNumber(dd, "ILOSC", l.ilosc));
  HURT_RETURN_IF_ERROR(PutNumber(dd, "CENA", l.cena));
  HURT_RETURN_IF_ERROR(PutNumber(dd, "CENA0", l.cena0));
  HURT_RETURN_IF_ERROR(PutNumber(dd, "UPUST0", l.upust0));
  HURT_RETURN_IF_ERROR(PutText(dd, "PODATEK0", l.podatek0));
  HURT_RETURN_IF_ERROR(PutNumber(dd, "PODATEK", l.podatek));
  HURT_RETURN_IF_ERROR(PutNumber(dd, "WARTOSC", l.wartosc));
  HURT_RETURN_IF_ERROR(PutNumber(dd, "BRUTTO", l.brutto));
  HURT_RETURN_IF_ERROR(PutNumber(dd, "CENA_N", l.cena_n));
  HURT_RETURN_IF_ERROR(PutNumber(dd, "CENA_B", l.cena_b));
  return Status::Ok();
}

}  // namespace hurt::documents
