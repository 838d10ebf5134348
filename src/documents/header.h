// The document screen and the header form (EKRAN, PUSTY_NAG, PELNY_NAG, SAY_PELNY_NAG,
// ED_NAG and the checks of its fields).
//
// The header under edit lives in the session variables M_RD, M_NRD, M_DATA, M_SPZ,
// M_TEZ, M_TERMIN, M_MAG, M_REGON, M_NIP_KRAJ, M_ODB, M_NODB, M_NODB1, M_UODB, M_KODB,
// M_MODB, M_ODBIORCA, M_ODBIORC1, M_DATA_FA, M_WALUTA, M_KURS, M_DOLAR, M_NB, M_KTO,
// M_R_P, M_S_Z, M_POZIOM, M_RABAT (the line editor and posting read them there); KLUCZ
// is the mode: 0 entry of a new document, 1 display, 2 correction.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "documents/doc_kind.h"

namespace hurt::session {
class Session;
}

namespace hurt::documents {

// The header fields as the form edits them.
struct Nag {
  std::string rd = "   ", nrd = std::string(8, ' ');
  JulianDay data = kEmptyDate;
  std::string spz = "G";
  double tez = 0;
  JulianDay termin = kEmptyDate;
  std::string mag = " ";
  std::string regon = std::string(13, ' ');
  std::string nip_kraj = "  ";
  std::string odb = std::string(8, ' ');
  std::string nodb = std::string(50, ' ');
  std::string nodb1, uodb, kodb, modb, tel;
  std::string odbiorca = std::string(254, ' ');
  std::string odbiorc1 = std::string(50, ' ');
  JulianDay data_fa = kEmptyDate;
  std::string waluta = "   ";
  double kurs = 0, dolar = 0;
  std::string nb = " ";
  std::string kto = "O";
  std::string r_p = " ", s_z = " ";
  double poziom = 0, rabat = 0;
};

// The header in / out of the session variables.
Nag LoadNag(session::Session& session);
void StoreNag(session::Session& session, const Nag& nag);

// A document kind with the fields of its `slow` record the header uses.
struct KindRecord {
  DocKind kind;
  std::string mag;          // default warehouse ("" / "0": none)
  long long nrd = 0;        // last number issued
  std::string uzgodnic;     // "N": a locked warehouse document
};

// The kind `rd` from `slow` (nullopt when it is not there or `slow` is not open).
std::optional<KindRecord> FindKind(session::Session& session, std::string_view rd);

// The title of row 0 for a mode.
std::string_view ModeTitle(int klucz);

// EKRAN's drawing: the title row, the ruled header box, rows 4-6 labelled for the kind,
// the line grid and the key line of header entry.
void DrawDocumentScreen(session::Session& session, const DocKind* kind);
// Rows 1-3 (the ruled header box with its labels) and an empty row 7.
void DrawHeaderBox(session::Session& session);
// Rows 4-6 labelled for the kind.
void LabelRows(session::Session& session, const DocKind& kind);
// Rows 8-9: the heading of the line grid for the kind's columns and the rule under it.
// Returns the screen columns of the column separators.
std::vector<int> DrawGridHeading(session::Session& session, const DocKind* kind);
// Row 24: `header` true while the header is edited, else the line keys of the mode:
// entry and display "F1-Pomoc  F2-Rabat  F5-DRUK  Esc-Wyjscie", correction also
// "F4-Edycja nagłowka"; receipts paid in cash add "F3-Druk KW".
void KeyLine(session::Session& session, bool header, const DocKind* kind);

// PUSTY_NAG: the defaults of a new document.
void PustyNag(session::Session& session);
// PELNY_NAG: the header from the current `dowod` record.
bool PelnyNag(session::Session& session);
// SAY_PELNY_NAG: shows the header.
void SayPelnyNag(session::Session& session);

// ED_NAG(par): the header form; par 1 when an existing header is edited again. False
// when the operator left with Esc.
bool EdNag(session::Session& session, int par);

// EKRAN(par, rd, nrd): draws the screen and runs the header entry (PUSTY_NAG then ED_NAG
// for a new document; with rd and nrd given the document is loaded and shown first).
bool Ekran(session::Session& session, int par, std::string_view rd = {}, std::string_view nrd = {});

// JAKA_WARTOSC(reason) for the document under edit: totals the working lines of `dd`
// (reconciling them when the reason asks for it), shows the total in row 23 from column
// 67 and returns it. The kind, basis, currency and deposits come from the header
// variables. 0 when the lines cannot be read (a message says so).
double JakaWartoscNaEkranie(session::Session& session, int reason);

// USTAL_SPZ for the document under edit: the payment the lines, the customer (sales) or
// the supplier (purchases) give; stored in M_SPZ, M_TEZ and M_TERMIN.
void UstalSpzDokumentu(session::Session& session);

// A new purchase receipt (class "PZ") with a supplier and its document number (the row
// "Nr faktury lub WZ"): "<RD>-<NRD>" of a receipt of the same kind already holding that
// supplier document; nullopt when there is none. dowod keeps its order and record.
std::optional<std::string> EarlierSupplierDocument(session::Session& session);

}  // namespace hurt::documents
