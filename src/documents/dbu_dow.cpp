#include "documents/dbu_dow.h"

#include "base/text.h"
#include "console/okno.h"
#include "documents/header.h"
#include "documents/line_editor.h"
#include "documents/posting.h"
#include "invoicing/druk_dow.h"
#include "shell/session.h"
#include "store/init_tables.h"
#include "xbase/value.h"

namespace hurt::documents {

namespace {

// The variables of one document that do not belong to its header fields: currency,
// discounts, deposits and notes start empty for every document.
void ResetDocumentVariables(shell::Session& s) {
  auto& v = s.vars();
  for (const char* name : {"M_WALUTA", "M_UWAGI", "M_RESZTA0"}) v.Set(name, xbase::Value(std::string()));
  for (const char* name : {"M_KURS", "M_DOLAR", "M_RABAT", "M_RABAT2", "M_RABAT3", "M_RABAT4", "M_RESZTA",
                           "M_RESZTA_P"})
    v.Set(name, xbase::Value(0.0));
  v.Set("JEST_WYDRUK", xbase::Value(false));  // F5 sets it once this document is on paper
}

// One document: header, lines, and leaving the grid (which posts or abandons it). False
// when the operator left the header with Esc.
bool OneDocument(shell::Session& s, int klucz, std::string_view rd, std::string_view nrd) {
  ResetDocumentVariables(s);
  if (!Ekran(s, 0, rd, nrd)) return false;
  const std::string m_rd = s.vars().Text("M_RD");
  const std::string m_nrd = s.vars().Text("M_NRD");
  if (klucz == 0) {
    // A new document starts on empty working lines.
    if (!store::NoweDd(s)) {
      console::Okno_(s.con(), "Brak pliku roboczego pozycji", 3);
      return false;
    }
  } else if (klucz == 1) {
    // Display reads the posted lines only: the posted document stays as it is.
    if (!invoicing::LinieDoPodgladu(s, m_rd, m_nrd)) return true;
  } else if (!RepDWithDow(s, m_rd, m_nrd)) {
    return true;  // the lines could not be loaded: back to the next document
  }
  if (auto k = FindKind(s, m_rd)) KeyLine(s, false, &k->kind);
  MyDow(s, 10, 0, 22, 79, "dd", "", 7);
  return true;
}

}  // namespace

void DbuDow(shell::Session& session, int klucz, std::string_view rd, std::string_view nrd) {
  const xbase::Value saved_klucz = session.vars().Get("KLUCZ");
  session.vars().Set("KLUCZ", xbase::Value(klucz));
  const console::SavedScreen screen = session.con().SaveScreen();
  if (!rd.empty()) {
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
