#include "documents/header_sources.h"

#include <algorithm>

#include "base/numeric.h"
#include "base/text.h"
#include "console/message_window.h"
#include "documents/dd_lines.h"
#include "documents/line_grid_parts.h"
#include "documents/line_math.h"
#include "documents/line_record.h"
#include "documents/line_session.h"
#include "documents/prices.h"
#include "documents/reservations.h"
#include "documents/vat_rate.h"
#include "session/area_fields.h"
#include "session/init_tables.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "store/net_files.h"
#include "store/net_use.h"
#include "xbase/value.h"
#include "xbase/work_area.h"

namespace hurt::documents {

namespace {

// Spare work areas for the source tables, clear of the session's tables.
constexpr int kFirstSourceArea = 170;
constexpr int kLastSourceArea = 179;

using session::FieldNumber;
using session::FieldText;

// A source table open in a spare area for the length of one read.
class SourceArea {
 public:
  explicit SourceArea(session::Session& s) : s_(s) {}
  ~SourceArea() {
    if (n_ != 0) (void)s_.areas().Close(n_);
  }
  SourceArea(const SourceArea&) = delete;
  SourceArea& operator=(const SourceArea&) = delete;

  xbase::WorkArea* Open(const std::string& dbf) {
    n_ = s_.areas().FirstFree(kFirstSourceArea, kLastSourceArea);
    if (n_ == 0) return nullptr;
    xbase::AreaOpenOptions o;
    o.read_only = true;
    auto a = s_.areas().Open(n_, dbf, "zrodlo" + std::to_string(n_), o);
    if (!a.ok()) {
      n_ = 0;
      return nullptr;
    }
    return *a;
  }

 private:
  session::Session& s_;
  int n_ = 0;
};

SourceLine LineOf(const xbase::WorkArea& a) {
  SourceLine l;
  l.mag = Left(FieldText(a, "MAG"), 1);
  l.indeks = PadR(FieldText(a, "INDEKS"), 8);
  l.nazwa = RTrim(FieldText(a, "NAZWA"));
  l.ilosc = NewRound(FieldNumber(a, "ILOSC"), 3);
  l.cena = FieldNumber(a, "CENA");
  l.upust0 = FieldNumber(a, "UPUST0");
  return l;
}

bool Wanted(const SourceLine& l) { return !IsBlank(l.indeks) && !SameAmount(l.ilosc, 0, 3); }

}  // namespace

std::optional<std::vector<SourceLine>> ReadSourceLines(session::Session& session, const std::string& dbf_path,
                                                       const std::string& odb, const std::string& ntx_path) {
  SourceArea source(session);
  xbase::WorkArea* a = source.Open(dbf_path);
  if (a == nullptr || a->FieldIndex("INDEKS") < 0 || a->FieldIndex("ILOSC") < 0) return std::nullopt;
  if (!odb.empty() && a->FieldIndex("ODB") < 0) return std::nullopt;
  const std::string key = PadR(odb, 8);
  std::vector<SourceLine> out;
  bool seek = false;
  if (!odb.empty() && !ntx_path.empty()) {
    auto order = a->AttachOrder(ntx_path);
    seek = order.ok() && a->SetOrder(*order).ok();
  }
  if (seek) {
    auto found = a->SeekKey(key);
    for (bool on = found.ok() && *found; on && !a->eof(); on = a->Skip(1).ok()) {
      if (PadR(FieldText(*a, "ODB"), 8) != key) break;
      SourceLine l = LineOf(*a);
      if (Wanted(l)) out.push_back(std::move(l));
    }
    return out;
  }
  for (Status st = a->GoTop(); st.ok() && !a->eof(); st = a->Skip(1)) {
    if (!odb.empty() && PadR(FieldText(*a, "ODB"), 8) != key) continue;
    SourceLine l = LineOf(*a);
    if (Wanted(l)) out.push_back(std::move(l));
  }
  return out;
}

int AppendSourceLines(session::Session& s, const std::vector<SourceLine>& lines) {
  xbase::WorkArea* dd = LinesArea(s);
  xbase::WorkArea* as = ArticlesArea(s);
  if (dd == nullptr || as == nullptr || lines.empty()) return 0;
  const DocKind kind = DocumentKind(s);
  const LineSettings settings = ReadLineSettings(s);
  session::SessionVariables& v = s.vars();
  const std::string m_mag = PadR(Left(v.Text("M_MAG"), 1), 1);
  const char nb = DocumentBasis(s, kind);
  const int j_poziom = std::max(1, s.settings().Poziom());
  const int level = EffectiveLevel(kind.poziom, static_cast<int>(v.Number("M_POZIOM")), j_poziom);
  const bool get_vat = s.FileX("GET_VAT.TXT");
  const bool vat_13_5 = s.FileX("VAT_13_5.TXT");
  session::ConsoleStoreUi ui(s.con());
  if (as->order() != 1 && !as->SetOrder(1).ok()) return 0;

  int last_lp = 0;
  for (Status st = dd->GoTop(); st.ok() && !dd->eof(); st = dd->Skip(1))
    last_lp = std::max(last_lp, static_cast<int>(Val(FieldText(*dd, "LP"))));

  int written = 0;
  for (const SourceLine& src : lines) {
    const std::string mag = IsBlank(src.mag) ? m_mag : PadR(src.mag, 1);
    const std::string indeks = PadR(src.indeks, 8);
    auto found = as->SeekKey(mag + indeks);
    if (!found.ok() || !*found) {
      console::Okno_(s.con(), "Brak " + mag + " " + RTrim(indeks) + " " + src.nazwa, 2);
      continue;
    }
    // The article as the line takes it.
    const ArticleForLine art = ArticleOfCard(*as);
    const std::string nazwa = FieldText(*as, "NAZWA");
    const LineVatRate vat = VatRateOfLine(art.podatek0, kind, get_vat, vat_13_5);

    // The stock first: the line holds what it reserved.
    double ilosc = src.ilosc;
    if (LineReserves(kind, settings.fvzmieni, ilosc)) {
      ReservationRequest rq{mag, indeks, 0, ilosc, StockChecked(kind, settings, mag) && !settings.dop_ujem};
      auto moved = ChangeReservation(ui, *as, StationLedgerOf(s), rq);
      if (!moved.ok()) {
        console::Okno_(s.con(), BusyArticleMessage(mag, indeks), 2);
        ilosc = 0;
      } else {
        ilosc = moved->ilosc;
      }
      (void)as->SeekKey(mag + indeks);
    }

    double cena = src.cena;
    if (cena <= 0) {
      if (kind.InPurchasePrices() || kind.IsReceipt() || kind.IsPurchase()) {
        cena = art.ceny.cena_pz;
      } else {
        const LevelPrice lp = LevelPriceOf(art.ceny, j_poziom, level);
        cena = nb == 'B' ? lp.brutto : lp.netto;
      }
    }

    if (!store::AddRecArea(ui, *dd, kReservationLockWait).ok()) {
      if (LineReserves(kind, settings.fvzmieni, ilosc))  // give the stock back
        // A release that fails is left in the station's ledger, which gives it back on leaving.
        (void)ChangeReservation(ui, *as, StationLedgerOf(s), ReservationRequest{mag, indeks, ilosc, 0, false});
      console::Okno_(s.con(), "Plik dd niedostepny", 2);
      break;
    }
    const std::string lp = PadL(std::to_string(++last_lp), 3);
    DocLine named;
    named.nazwa = nazwa;
    Status stamped = StampNewLine(s, *dd, kind, lp, mag, indeks);
    if (stamped.ok()) stamped = WriteLineRecord(*dd, named, {LineField::kNazwa});
    if (!stamped.ok()) {
      // The line is not kept half written, and its stock goes back. `dd` is the station's
      // own table: should the delete fail too, the blank line is in sight in the editor.
      (void)dd->Delete();
      (void)dd->Unlock();
      if (LineReserves(kind, settings.fvzmieni, ilosc))  // a failed release stays in the ledger, given back on leaving
        (void)ChangeReservation(ui, *as, StationLedgerOf(s), ReservationRequest{mag, indeks, ilosc, 0, false});
      console::Okno_(s.con(), "Blad zapisu pliku dd", 2);
      break;
    }

    LineEdit edit;
    edit.lp = lp;
    edit.indeks = indeks;
    edit.nazwa = nazwa;
    edit.ilosc = ilosc;
    edit.cena = cena;
    edit.procent = src.upust0;
    edit.c_pp0 = vat.code;
    LineWhileTyped(edit, kind);
    ReplaceContext ctx;
    ctx.kind = kind;
    ctx.nb = nb;
    ctx.j_poziom = j_poziom;
    ctx.level = level;
    Status st = ReplaceDWithPOnDd(*dd, edit, art, ctx);
    const Status u = dd->Unlock();
    if (st.ok() && u.ok()) ++written;
  }
  return written;
}

bool LoadLinesForDisplay(session::Session& s, std::string_view rd, std::string_view nrd) {
  if (!session::NoweDd(s)) return false;
  xbase::WorkArea* dd = LinesArea(s);
  xbase::WorkArea* dow = s.areas().Find("dow");
  if (dd == nullptr || dow == nullptr) return false;
  const std::string key = PadR(rd, 3) + PadL(AllTrim(nrd), 8);
  const uint32_t back = dow->recno();
  const int order = dow->order();
  // Fields of dow that dd has too, by position in each.
  std::vector<std::pair<int, int>> common;
  for (int i = 0; i < dow->field_count(); ++i) {
    const int j = dd->FieldIndex(dow->field(i).name);
    if (j >= 0) common.emplace_back(i, j);
  }
  // dow keeps no gross value: the grid's value column and the total read BRUTTO, so it is
  // taken from the line as it was written. A line without its own basis has the kind's;
  // combined kinds of class "Y" price gross.
  const bool gross_missing = dd->FieldIndex("BRUTTO") >= 0 && dow->FieldIndex("BRUTTO") < 0;
  const DocKind kind = DocumentKind(s);
  char kind_basis = DocumentBasis(s, kind);
  if (kind_basis == ' ' && kind.s_z == 'Y') kind_basis = 'B';
  bool ok = dow->SetOrder(1).ok();
  session::ConsoleStoreUi ui(s.con());
  auto found = ok ? dow->SeekKey(key) : Result<bool>(false);
  for (bool on = found.ok() && *found; ok && on && !dow->eof(); on = dow->Skip(1).ok()) {
    if (PadR(FieldText(*dow, "RD"), 3) + PadR(FieldText(*dow, "NRD"), 8) != key) break;
    ok = store::AddRecArea(ui, *dd, kReservationLockWait).ok();
    for (const auto& [i, j] : common) {
      if (!ok) break;
      auto v = dow->Get(i);
      if (v.ok()) (void)dd->Replace(j, *v);  // a value dd cannot hold stays blank
    }
    if (ok && gross_missing) {
      const std::string nb = FieldText(*dow, "NB");
      const char basis = !nb.empty() && (nb[0] == 'B' || nb[0] == 'N') ? nb[0] : kind_basis;
      const double brutto = GrossOfPostedLine(basis, FieldNumber(*dow, "WARTOSC"), FieldNumber(*dow, "PODATEK"));
      ok = dd->Replace("BRUTTO", xbase::Value(brutto)).ok();
    }
    if (ok) ok = dd->Unlock().ok();
  }
  (void)dow->SetOrder(order);
  if (back != 0) (void)dow->GoTo(back);
  if (ok) (void)dd->GoTop();
  return ok && found.ok();
}

void OfferLineSources(session::Session& s) {
  const DocKind kind = DocumentKind(s);
  if (!(kind.s_z == 'S' || kind.RdIs("WZ")) || kind.r_p == 'K') return;
  console::Console& con = s.con();
  const std::string wzor = store::FindFileX(s.env(), s.Path("wzor.dbf"));
  if (!wzor.empty() && console::Okno(con, "Wczytac wzor faktury ?", "N")) {
    // The count of lines written is only for tests: a line that fails is told as it goes.
    if (auto lines = ReadSourceLines(s, wzor)) (void)AppendSourceLines(s, *lines);
  }
  const std::string odb = s.vars().Text("M_ODB");
  if (IsBlank(odb)) return;
  const std::string rabat = store::FindFileX(s.env(), s.Path("hlp/rabat.dbf"));
  if (rabat.empty()) return;
  const std::string ntx = store::FindFileX(s.env(), s.Path("hlp/rabat.ntx"));
  std::optional<std::vector<SourceLine>> lines = ReadSourceLines(s, rabat, odb, ntx);
  if (!lines || lines->empty()) return;
  if (console::Okno(con, "Wczytac cykliczna FV / WZ ?", "N")) (void)AppendSourceLines(s, *lines);  // as above
}

}  // namespace hurt::documents
