#include "invoicing/similar_document.h"

#include <cmath>
#include <vector>

#include "base/numeric.h"
#include "base/text.h"
#include "documents/line_editor.h"
#include "documents/line_math.h"
#include "documents/line_record.h"
#include "documents/line_session.h"
#include "documents/reservations.h"
#include "invoicing/invoice_from_notes.h"
#include "invoicing/invoice_tables.h"
#include "session/init_tables.h"
#include "session/session.h"

namespace hurt::invoicing {

namespace {

constexpr int kMaxLines = 999;

// The new document: its kind, number, date and price basis.
struct NewDocument {
  std::string rd, nrd;
  JulianDay data = 0;
  documents::DocKind kind;
  char nb = 'N';
};

// The fields of `dd` a copied line is written with.
documents::LineFields CopiedLineFields() {
  using documents::LineField;
  return {LineField::kRP,     LineField::kSZ,       LineField::kRd,      LineField::kNrd,    LineField::kData,
          LineField::kMag,    LineField::kLp,       LineField::kKto,     LineField::kOdb,    LineField::kIndeks,
          LineField::kNazwa,  LineField::kNazwa1,   LineField::kJm,      LineField::kPkwiu,  LineField::kSww,
          LineField::kKod13,  LineField::kUwagi,    LineField::kNb,      LineField::kIlosc,  LineField::kCena,
          LineField::kUpust0, LineField::kCenaN,    LineField::kCenaB,   LineField::kPodatek0,
          LineField::kPodatek, LineField::kWartosc, LineField::kBrutto};
}

char KtoOf(const documents::DocKind& kind) { return kind.kto == ' ' ? 'O' : kind.kto; }

// The kind as `slow` has it (the pattern's when missing), the number proposed and the
// issue date.
NewDocument PlanDocument(session::Session& session, xbase::WorkArea& slow, const InvoiceData& pattern) {
  NewDocument doc;
  doc.rd = PadR(pattern.header.rd, 3);
  doc.kind = pattern.kind;
  double last_number = 0;
  {
    AreaPosition keep_slow(&slow);
    // Without its order the seek below misses and the pattern's kind serves.
    if (slow.order_count() > 0) (void)slow.SetOrder(1);
    auto found = ReadKind(slow, doc.rd);
    if (found.ok()) {
      doc.kind = *found;
      last_number = FieldNumber(slow, "NRD");
    }
  }
  doc.nrd = PadL(Str(last_number + 1, 8, 0), 8);
  const JulianDay month_first =
      Stod("20" + Left(session.hh(), 2) + Substr(session.hh(), 4, 2) + "01").value_or(session.Today());
  doc.data = IssueDateInMonth(session.Today(), month_first);
  doc.nb = doc.kind.IsGross() ? 'B' : 'N';
  return doc;
}

// The stock a line of a reserving kind takes, reserved as a typed line's is; the line is
// cut to what there is, and what it holds is added to `taken`. False when nothing is left
// of it (told, counted as cut).
bool ReserveLine(session::Session& session, InvoiceUi& ui, xbase::WorkArea& as, const NewDocument& doc,
                 const documents::LineSettings& settings, documents::DocLine& l, PodobnyResult& result,
                 std::vector<documents::ReservationRequest>& taken) {
  if (!documents::LineReserves(doc.kind, settings.fvzmieni, l.ilosc)) return true;
  documents::ReservationRequest want;
  want.mag = l.mag;
  want.indeks = PadR(l.indeks, 8);
  want.wanted = l.ilosc;
  want.limit_to_stock = !settings.dop_ujem && documents::StockChecked(doc.kind, settings, l.mag);
  auto reserved = documents::ChangeReservation(ui.store(), as, documents::StationLedgerOf(session), want);
  if (!reserved.ok()) {
    ui.Tell(reserved.status().IsNotFound() ? "Brak kodu " + AllTrim(l.indeks)
                                           : documents::BusyArticleMessage(l.mag, l.indeks),
            2);
    ++result.cut;
    return false;
  }
  if (reserved->cut) {
    ui.Tell("NIE MASZ TAKIEJ ILOSCI ! " + AllTrim(l.indeks), 2);
    ++result.cut;
    if (reserved->ilosc <= 0) return false;
    l.ilosc = reserved->ilosc;
    documents::LineMoneyOnBasis(l, doc.nb);
  }
  taken.push_back({want.mag, want.indeks, reserved->ilosc, 0, false});
  return true;
}

// What the copied lines reserved is given back (a copy that failed); a release that
// cannot be made is told.
void GiveBackReservations(session::Session& session, InvoiceUi& ui, xbase::WorkArea& as,
                          const std::vector<documents::ReservationRequest>& taken) {
  for (const documents::ReservationRequest& back : taken) {
    auto released = documents::ChangeReservation(ui.store(), as, documents::StationLedgerOf(session), back);
    if (!released.ok()) ui.Tell(documents::BusyArticleMessage(back.mag, back.indeks), 2);
  }
}

// The pattern's lines into the fresh working table `dd`. False (told, the working table
// made anew and the reservations given back) when a line cannot be written.
bool CopyLines(session::Session& session, InvoiceUi& ui, xbase::WorkArea& as, xbase::WorkArea& dd,
               const InvoiceData& pattern, const NewDocument& doc, PodobnyResult& result, double* wartosc) {
  const InvoiceHeader& h = pattern.header;
  const documents::LineSettings line_settings = documents::ReadLineSettings(session);
  const documents::LineFields fields = CopiedLineFields();
  AreaPosition keep_as(&as);
  std::vector<documents::ReservationRequest> taken;
  int lp = 0;
  Status st = Status::Ok();
  for (const InvoiceLine& pattern_line : pattern.lines) {
    if (lp >= kMaxLines) break;
    documents::DocLine l = pattern_line;
    l.mag = IsBlank(l.mag) ? PadR(h.mag, 1) : PadR(l.mag, 1);
    if (!ReserveLine(session, ui, as, doc, line_settings, l, result, taken)) continue;
    // Posted lines keep no gross value: the line is priced again from its quantity and
    // price, as a typed line is.
    if (SameAmount(l.brutto, 0)) documents::LineMoneyOnBasis(l, doc.nb);
    l.r_p = doc.kind.r_p;
    l.s_z = doc.kind.s_z;
    l.rd = doc.rd;
    l.nrd = doc.nrd;
    l.data = doc.data;
    l.lp = PadL(std::to_string(lp + 1), 3);
    l.kto = KtoOf(doc.kind);
    l.odb = h.odb;
    l.nb = doc.nb;
    st = documents::AppendLineRecord(dd, l, fields);
    if (!st.ok()) break;
    ++lp;
    *wartosc += l.brutto;
  }
  if (st.ok()) st = dd.Unlock();
  if (st.ok()) st = dd.GoTop();
  if (!st.ok()) {
    ui.Tell("Blad zapisu pliku dd: " + st.message(), 3);
    // What the lines reserved is given back, and the lines written go with the working
    // table made anew; should that fail too, the next document at the station makes it
    // anew again before any line is typed.
    GiveBackReservations(session, ui, as, taken);
    (void)session::NoweDd(session, ui.store());
    return false;
  }
  result.lines = lp;
  return true;
}

// The header variables of the new document.
void SetDocumentHeader(session::SessionVariables& v, const InvoiceHeader& h, const NewDocument& doc,
                       double wartosc) {
  v.Set("KLUCZ", xbase::Value(0.0));
  v.Set("M_RD", xbase::Value(doc.rd));
  v.Set("M_NRD", xbase::Value(doc.nrd));
  v.Set("M_DATA", xbase::Value(xbase::Date{doc.data}));
  v.Set("M_DATA_WYD", xbase::Value(xbase::Date{doc.data}));
  v.Set("M_MAG", xbase::Value(h.mag));
  v.Set("M_KTO", xbase::Value(std::string(1, KtoOf(doc.kind))));
  v.Set("M_ODB", xbase::Value(h.odb));
  v.Set("M_NODB", xbase::Value(h.nodb));
  v.Set("M_NODB1", xbase::Value(h.nodb1));
  v.Set("M_UODB", xbase::Value(h.uodb));
  v.Set("M_KODB", xbase::Value(h.kodb));
  v.Set("M_MODB", xbase::Value(h.modb));
  v.Set("M_REGON", xbase::Value(h.regon));
  v.Set("M_NIP_KRAJ", xbase::Value(h.nip_kraj));
  v.Set("M_ODBIORCA", xbase::Value(std::string()));
  v.Set("M_SPZ", xbase::Value(std::string(1, h.spz)));
  v.Set("M_TEZ", xbase::Value(static_cast<double>(h.tez)));
  v.Set("M_WALUTA", xbase::Value(h.waluta));
  v.Set("M_KURS", xbase::Value(h.kurs));
  v.Set("M_RABAT", xbase::Value(h.rabat));
  v.Set("M_RESZTA", xbase::Value(0.0));
  v.Set("M_WARTOSC", xbase::Value(NewRound(wartosc, 2)));
  v.Set("JEST_WYDRUK", xbase::Value(false));
}

}  // namespace

bool IsPatternDocument(const InvoiceHeader& header) { return XbaseEquals(header.odbiorca, "** "); }

PodobnyResult PodobnyDowod(session::Session& session, InvoiceUi& ui, const InvoiceData& pattern,
                           const PodobnyOptions& options) {
  PodobnyResult result;
  if (session.InArchive()) {
    ui.Tell("Praca w archiwum - blokada", 3);
    return result;
  }
  xbase::WorkArea* slow = SessionAreaOf(session, store::TableId::kSlow);
  xbase::WorkArea* as = SessionAreaOf(session, store::TableId::kAs);
  if (slow == nullptr || as == nullptr) {
    ui.Tell("Plik dowod niedostepny", 3);
    return result;
  }
  const NewDocument doc = PlanDocument(session, *slow, pattern);

  if (!session::NoweDd(session, ui.store())) {
    ui.Tell("Brak pliku roboczego pozycji", 3);
    return result;
  }
  xbase::WorkArea* dd = SessionAreaOf(session, store::TableId::kDd);
  if (dd == nullptr) return result;
  double wartosc = 0;
  if (!CopyLines(session, ui, *as, *dd, pattern, doc, result, &wartosc)) {
    result.failed = true;
    return result;
  }
  SetDocumentHeader(session.vars(), pattern.header, doc, wartosc);

  result.made = true;
  result.rd = doc.rd;
  result.nrd = doc.nrd;
  if (options.editor) {
    options.editor(session);
  } else {
    documents::MyDow(session, 10, 0, 22, 79, "dd", "", 7);
  }
  return result;
}

}  // namespace hurt::invoicing
