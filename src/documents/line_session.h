// What the line grid and the reservations take from the session: the document's kind,
// the settings that steer line entry, and the working lines `dd` as DocLine records.
#pragma once

#include <string>
#include <string_view>

#include "base/result.h"
#include "documents/doc_kind.h"
#include "documents/line_math.h"
#include "documents/reservations.h"
#include "xbase/work_area.h"

namespace hurt::session {
class Session;
}

namespace hurt::documents {

// The kind of the document under edit: the `slow` record of M_RD; when `slow` is not open
// or has no such kind, the kind as the current line of `dd` (R_P, S_Z, RD) says.
DocKind DocumentKind(session::Session& session);

// The settings of line entry, read once per grid.
struct LineSettings {
  bool fvzmieni = true;      // J_FVZMIENI not "N": sales reserve stock
  bool dop_ujem = false;     // J_DOP_UJEM "T": negative stock allowed
  bool inf_ujem = true;      // J_INF_UJEM "T": short stock told also where it is not checked
  bool wiele_w = false;      // J_WIELE_W "T": lines without quantity may be left
  bool dow1_mag = true;      // J_DOW1_MAG "T": one warehouse per document
  std::string mag_k;         // J_MAG_K: warehouses without the stock check
  std::string mag_u;         // J_MAG_U: service warehouses
  int klucz = 0;             // 0 entry, 1 display, 2 correction
  bool tone = true;          // no marker TONE.---
};
LineSettings ReadLineSettings(session::Session& session);

// True when warehouse `mag` (one character, not blank) is listed in `list`.
bool MagIn(std::string_view mag, std::string_view list);

// The stock check of IS_ILOSC applies: an issue or transfer, not a pro-forma, in a
// warehouse outside J_MAG_K and J_MAG_U.
bool StockChecked(const DocKind& kind, const LineSettings& s, std::string_view mag);

// The station's reservation ledger (rob/rez<nn>.txt).
StationLedger StationLedgerOf(session::Session& session);

// The working lines and articles of the session (nullptr when not open).
xbase::WorkArea* LinesArea(session::Session& session);
xbase::WorkArea* ArticlesArea(session::Session& session);

// The current record of `dd` as a DocLine (ReadLineRecord), and the fields the line
// editor changes written back (WriteLineRecord). Writing needs the record's lock.
DocLine ReadDocLine(const xbase::WorkArea& dd);
Status WriteDocLine(xbase::WorkArea& dd, const DocLine& line);

}  // namespace hurt::documents
