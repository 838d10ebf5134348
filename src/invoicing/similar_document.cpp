#include "invoicing/similar_document.h"

#include <cmath>

#include "base/numeric.h"
#include "base/text.h"
#include "documents/line_editor.h"
#include "documents/line_session.h"
#include "documents/reservations.h"
#include "documents/vat_rate.h"
#include "invoicing/invoice_from_notes.h"
#include "invoicing/invoice_tables.h"
#include "session/init_tables.h"
#include "session/session.h"

namespace hurt::invoicing {

namespace {

constexpr int kMaxLines = 999;

// The money of a line after its quantity changed (the posting rules of the basis).
void LineMoney(InvoiceLine& l, char nb) {
  const double rate = documents::RateOfCode(l.podatek0);
  if (nb == 'B') {
    l.brutto = NewRound(l.ilosc * l.cena, 2);
    l.podatek = NewRound(l.brutto * rate / (rate + 100), 2);
    l.wartosc = l.brutto;
  } else {
    l.wartosc = NewRound(l.ilosc * l.cena, 2);
    l.podatek = NewRound(l.wartosc * rate / 100, 2);
    l.brutto = NewRound(l.wartosc + l.podatek, 2);
  }
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
  const InvoiceHeader& h = pattern.header;
  const std::string rd = PadR(h.rd, 3);
  xbase::WorkArea* slow = SessionAreaOf(session, store::TableId::kSlow);
  xbase::WorkArea* as = SessionAreaOf(session, store::TableId::kAs);
  if (slow == nullptr || as == nullptr) {
    ui.Tell("Plik dowod niedostepny", 3);
    return result;
  }
  documents::DocKind kind = pattern.kind;
  double last_number = 0;
  {
    AreaPosition keep_slow(slow);
    if (slow->order_count() > 0) (void)slow->SetOrder(1);
    auto found = ReadKind(*slow, rd);
    if (found.ok()) {
      kind = *found;
      last_number = FieldNumber(*slow, "NRD");
    }
  }
  const std::string nrd = PadL(Str(last_number + 1, 8, 0), 8);
  const JulianDay month_first =
      Stod("20" + Left(session.hh(), 2) + Substr(session.hh(), 4, 2) + "01").value_or(session.Today());
  const JulianDay data = IssueDateInMonth(session.Today(), month_first);
  const char nb = kind.IsGross() ? 'B' : 'N';

  if (!session::NoweDd(session, ui.store())) {
    ui.Tell("Brak pliku roboczego pozycji", 3);
    return result;
  }
  xbase::WorkArea* dd = SessionAreaOf(session, store::TableId::kDd);
  if (dd == nullptr) return result;

  const documents::LineSettings line_settings = documents::ReadLineSettings(session);
  AreaPosition keep_as(as);
  double wartosc = 0;
  int lp = 0;
  for (InvoiceLine l : pattern.lines) {
    if (lp >= kMaxLines) break;
    const std::string mag = IsBlank(l.mag) ? PadR(h.mag, 1) : PadR(l.mag, 1);
    // The stock the line takes is reserved as a typed line's is.
    if (documents::LineReserves(kind, line_settings.fvzmieni, l.ilosc)) {
      documents::ReservationRequest want;
      want.mag = mag;
      want.indeks = PadR(l.indeks, 8);
      want.wanted = l.ilosc;
      want.limit_to_stock = !line_settings.dop_ujem && documents::StockChecked(kind, line_settings, mag);
      auto reserved = documents::ChangeReservation(ui.store(), *as, documents::StationLedgerOf(session), want);
      if (!reserved.ok()) {
        ui.Tell(reserved.status().IsNotFound() ? "Brak kodu " + AllTrim(l.indeks)
                                               : documents::BusyArticleMessage(mag, l.indeks),
                2);
        ++result.cut;
        continue;
      }
      if (reserved->cut) {
        ui.Tell("NIE MASZ TAKIEJ ILOSCI ! " + AllTrim(l.indeks), 2);
        ++result.cut;
        if (reserved->ilosc <= 0) continue;
        l.ilosc = reserved->ilosc;
        LineMoney(l, nb);
      }
    }
    // Posted lines keep no gross value: the line is priced again from its quantity and
    // price, as a typed line is.
    if (SameAmount(l.brutto, 0)) LineMoney(l, nb);
    if (!dd->Append().ok()) break;
    ++lp;
    (void)ReplaceIfPresent(*dd, "R_P", xbase::Value(std::string(1, kind.r_p)));
    (void)ReplaceIfPresent(*dd, "S_Z", xbase::Value(std::string(1, kind.s_z)));
    (void)ReplaceIfPresent(*dd, "RD", xbase::Value(rd));
    (void)ReplaceIfPresent(*dd, "NRD", xbase::Value(nrd));
    (void)ReplaceIfPresent(*dd, "DATA", xbase::Value(xbase::Date{data}));
    (void)ReplaceIfPresent(*dd, "MAG", xbase::Value(mag));
    (void)ReplaceIfPresent(*dd, "LP", xbase::Value(PadL(std::to_string(lp), 3)));
    (void)ReplaceIfPresent(*dd, "KTO", xbase::Value(std::string(1, kind.kto == ' ' ? 'O' : kind.kto)));
    (void)ReplaceIfPresent(*dd, "ODB", xbase::Value(h.odb));
    (void)ReplaceIfPresent(*dd, "INDEKS", xbase::Value(l.indeks));
    (void)ReplaceIfPresent(*dd, "NAZWA", xbase::Value(l.nazwa));
    (void)ReplaceIfPresent(*dd, "NAZWA1", xbase::Value(l.nazwa1));
    (void)ReplaceIfPresent(*dd, "JM", xbase::Value(l.jm));
    (void)ReplaceIfPresent(*dd, "PKWIU", xbase::Value(l.pkwiu));
    (void)ReplaceIfPresent(*dd, "SWW", xbase::Value(l.sww));
    (void)ReplaceIfPresent(*dd, "KOD13", xbase::Value(l.kod13));
    (void)ReplaceIfPresent(*dd, "UWAGI", xbase::Value(l.uwagi));
    (void)ReplaceIfPresent(*dd, "NB", xbase::Value(std::string(1, nb)));
    (void)ReplaceIfPresent(*dd, "ILOSC", xbase::Value(l.ilosc));
    (void)ReplaceIfPresent(*dd, "CENA", xbase::Value(l.cena));
    (void)ReplaceIfPresent(*dd, "UPUST0", xbase::Value(l.upust0));
    (void)ReplaceIfPresent(*dd, "CENA_N", xbase::Value(l.cena_n));
    (void)ReplaceIfPresent(*dd, "CENA_B", xbase::Value(l.cena_b));
    (void)ReplaceIfPresent(*dd, "PODATEK0", xbase::Value(l.podatek0));
    (void)ReplaceIfPresent(*dd, "PODATEK", xbase::Value(l.podatek));
    (void)ReplaceIfPresent(*dd, "WARTOSC", xbase::Value(l.wartosc));
    (void)ReplaceIfPresent(*dd, "BRUTTO", xbase::Value(l.brutto));
    wartosc += l.brutto;
  }
  (void)dd->Unlock();
  (void)dd->GoTop();

  session::SessionVariables& v = session.vars();
  v.Set("KLUCZ", xbase::Value(0.0));
  v.Set("M_RD", xbase::Value(rd));
  v.Set("M_NRD", xbase::Value(nrd));
  v.Set("M_DATA", xbase::Value(xbase::Date{data}));
  v.Set("M_DATA_WYD", xbase::Value(xbase::Date{data}));
  v.Set("M_MAG", xbase::Value(h.mag));
  v.Set("M_KTO", xbase::Value(std::string(1, kind.kto == ' ' ? 'O' : kind.kto)));
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

  result.made = true;
  result.rd = rd;
  result.nrd = nrd;
  result.lines = lp;
  if (options.editor) {
    options.editor(session);
  } else {
    documents::MyDow(session, 10, 0, 22, 79, "dd", "", 7);
  }
  return result;
}

}  // namespace hurt::invoicing
