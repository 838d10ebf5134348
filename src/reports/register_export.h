// The register export (Rejestry VAT › Export rejestru, "1. VAT_R"): the sales and the
// purchase register of a range as one text file for the monthly JPK file and the
// accounting program.
//
// The file is UTF-8, one line per document, fields separated by a tab (the marks keep
// their own ";"), the first line naming the fields:
//   STRONA  S sales, Z purchases
//   RD NRD DATA DATA_WYD ODB NIP_KRAJ NIP NAZWA ADRES
//   BRUTTO NETTO VAT, then the net and VAT of each rate column (N22 V22 N23 V23 N7 V7 N8 V8
//   N3 V3 N5 V5 N0 NZW NNP N99 V99), amounts with a decimal point and two places
//   ZNACZNIKI  the document's JPK marks: "GTU_nn;" for each goods group of its lines, then
//              the procedure marks of the header in their order ("SW;", "EE;", "TP;",
//              "TT_WNT;", "TT_D;", "MR_T;", "MR_UZ;", "I_42;", "I_63;", "B_SPV;",
//              "B_SPV_DOSTAWA;", "B_MPV_PROWIZJA;", "MPP;", "KorektaPO;", "IMP;")
//   TYP_DOK  the document type mark
//   KSEF     the invoice's number in the national e-invoice system, when known
// The documents and amounts are those of the printed registers (one pass each, nothing
// held but the current document).
#pragma once

#include <string>

#include "base/date.h"
#include "base/result.h"
#include "reports/vat_register.h"

namespace hurt::session {
class Session;
}

namespace hurt::reports {

// The marks column of one document.
std::string JpkMarks(const RegisterDocument& d);

struct ExportSummary {
  int sales = 0, purchases = 0;
  std::string path;
};

// Writes the export of [from, to] to `path` (replaced whole: written aside, then renamed).
Result<ExportSummary> WriteRegisterExport(session::Session& s, JulianDay from, JulianDay to, const std::string& path);

// The menu item: the open period to the folder of setting J_CDN (made when missing; the
// data directory's folder "vat" when J_CDN is empty), with the outcome said.
void ExportRejestru(session::Session& s);

}  // namespace hurt::reports
