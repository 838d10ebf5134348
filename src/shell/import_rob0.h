// Documents left in the folder rob0 by other programs (DD*.DBF, one document of working
// lines each) are read in and posted at start-up by station 1 when the marker
// CZYTROB0.TXT exists.
//
// A file is erased only after its document was posted. A file dated (its table header's
// date of last update) before 31.12.2013 is skipped and kept.
#pragma once

#include "session/session_fwd.h"

#include <optional>
#include <string>
#include <vector>

#include "base/date.h"
#include "base/result.h"

namespace hurt::shell {

using session::Session;

// What ZAPISZ_ROB0 takes from the working lines.
struct Rob0Document {
  std::string rd;    // kind, from the first line
  std::string nrd;   // number
  std::string odb;   // counterparty
  std::string mag;   // warehouse
  std::string nb;    // net/gross basis of the first line
  JulianDay data = kEmptyDate;
  double brutto = 0;  // sum of BRUTTO over the lines
  std::string spz;    // payment form
  int tez = 0;        // payment days
  int lines = 0;
};

// The payment form of an imported document: "G" with 0 days for kind "SD", "B" for "WZ ",
// "T" (with `default_days`) otherwise; a line's own SPZ (one of "GTPBCF") and TEZ win.
void ChoosePaymentForm(Rob0Document& doc, const std::string& line_spz, int line_tez, bool line_has_payment,
                       int default_days);

// The document of the working lines in area 4; nullopt when there are none.
Result<std::optional<Rob0Document>> ReadRob0Document(Session& session);

// The waiting files, "rob0/dd*.dbf" in any case, sorted; relative to the data directory.
std::vector<std::string> WaitingRob0Files(Session& session);

// ZAPISZ_ROB0: posts the document of the working lines. True when it was posted.
bool ZapiszRob0(Session& session);

// CZYT_ROB0: reads and posts every waiting file.
void CzytRob0(Session& session);

}  // namespace hurt::shell
