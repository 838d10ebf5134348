#include "documents/document_list.h"

#include "base/cp852.h"
#include "base/text.h"
#include "console/message_window.h"
#include "documents/document_hold.h"
#include "documents/header.h"
#include "documents/header_sources.h"
#include "documents/line_editor.h"
#include "documents/posting.h"
#include "documents/station_recovery.h"
#include "session/init_tables.h"
#include "session/session.h"
#include "session/var_names.h"
#include "session/store_ui.h"
#include "xbase/value.h"
#include "xbase/work_area.h"

namespace hurt::documents {

namespace {

using namespace hurt::literals;

// The variables of one document that do not belong to its header fields: currency,
// discounts, deposits and notes start empty for every document.
void ResetDocumentVariables(session::Session& s) {
  auto& v = s.vars();
  for (const char* name : {"M_WALUTA", "M_UWAGI", "M_RESZTA0", "M_RD_KOR", "M_NRD_KOR"}) {
    v.Set(name, xbase::Value(std::string()));
  }
  v.Set(kNotesVariable, xbase::Value(std::string()));
  v.Set("M_DATA_KOR", xbase::Value(xbase::Date{}));
  v.Release(session::var::L_WARTOSC);
  for (const char* name : {"M_KURS", "M_DOLAR", "M_RABAT", "M_RABAT2", "M_RABAT3", "M_RABAT4", "M_RESZTA",
                           "M_RESZTA_P"})
    v.Set(name, xbase::Value(0.0));
  v.Set("JEST_WYDRUK", xbase::Value(false));  // F5 sets it once this document is on paper
}

// A supplier document entered twice is most often a mistake: the operator is told and
// either goes on or edits the header again. False when he left the header with Esc.
bool SupplierDocumentAccepted(session::Session& s) {
  while (std::optional<std::string> earlier = EarlierSupplierDocument(s)) {
    console::Okno_(s.con(), "Ten dokument dostawcy jest juz w " + *earlier, 0);
    if (console::Okno(s.con(), "Kontynuować ?"_pl, "N")) return true;
    if (!EdNag(s, 1)) return false;
  }
  return true;
}

// True when dowod holds the header rd+nrd.
bool DocumentPosted(session::Session& s, std::string_view rd, std::string_view nrd) {
  xbase::WorkArea* dowod = s.areas().Find("dowod");
  if (dowod == nullptr) return false;
  const int order = dowod->order();
  if (order != 1 && !dowod->SetOrder(1).ok()) return false;
  auto found = dowod->SeekKey(PadR(rd, 3) + PadL(AllTrim(nrd), 8));
  if (order != 1) (void)dowod->SetOrder(order);
  return found.ok() && *found;
}

// One document: header, lines, and leaving the grid (which posts or abandons it). False
// when the operator left the header with Esc.
bool OneDocument(session::Session& s, int klucz, std::string_view rd, std::string_view nrd) {
  ResetDocumentVariables(s);
  // What a station that is gone still holds back (its reservations, a posting it did not
  // finish) is taken back before this document looks at the stock.
  if (klucz != 1 && GoneStationsLeftWork(s)) {
    session::ConsoleStoreUi ui(s.con());
    (void)TakeBackGoneStations(s, ui);  // what cannot be taken back now is tried again at posting
  }
  // A posted document under correction is held until the grid closes.
  DocumentHold hold;
  if (!Ekran(s, 0, rd, nrd)) return false;
  if (klucz == 0 && !SupplierDocumentAccepted(s)) return false;
  const std::string m_rd = s.vars().Text("M_RD");
  const std::string m_nrd = s.vars().Text("M_NRD");
  if (klucz == 0) {
    // A new document starts on empty working lines, holding nothing yet.
    ZwRezWyjscie(s);
    if (!session::NoweDd(s)) {
      console::Okno_(s.con(), "Brak pliku roboczego pozycji", 3);
      return false;
    }
    OfferLineSources(s);
  } else if (klucz == 1) {
    // Display shows the posted lines; the document itself stays as it is.
    if (!LoadLinesForDisplay(s, m_rd, m_nrd)) return true;
  } else if (!DocumentPosted(s, m_rd, m_nrd)) {
    // A new number typed for a kind tagged [NRD]: a new document under that number.
    if (!session::NoweDd(s)) {
      console::Okno_(s.con(), "Brak pliku roboczego pozycji", 3);
      return false;
    }
  } else if (!RepDWithDow(s, m_rd, m_nrd, hold)) {
    return true;  // the lines could not be loaded: back to the next document
  }
  if (auto k = FindKind(s, m_rd)) KeyLine(s, false, &k->kind);
  MyDow(s, 10, 0, 22, 79, "dd", "", 7);
  // Lines only shown hold no reservation: they leave no trace for the next routine.
  if (klucz == 1) (void)session::NoweDd(s);
  return true;
}

}  // namespace

void DbuDow(session::Session& session, int klucz, std::string_view rd, std::string_view nrd) {
  // An archive month is only shown: neither entry nor correction touches it.
  if (klucz != 1 && session.InArchive()) {
    console::Okno_(session.con(), "Praca w archiwum - blokada", 3);
    return;
  }
  const xbase::Value saved_klucz = session.vars().Get("KLUCZ");
  session.vars().Set("KLUCZ", xbase::Value(klucz));
  const console::SavedScreen screen = session.con().SaveScreen();
  if (!rd.empty()) {
    // One named document: whether the operator asked for another does not matter here.
    (void)OneDocument(session, klucz, rd, nrd);
  } else {
    while (OneDocument(session, klucz, {}, {})) {
    }
  }
  session.con().RestoreScreen(screen);
  if (saved_klucz.IsNil()) {
    session.vars().Release("KLUCZ");
  } else {
    session.vars().Set("KLUCZ", saved_klucz);
  }
}

}  // namespace hurt::documents
