// DBU_RD: the document kinds (`slow` of the period), and DBU_PP: the bank transfer
// orders (`pp` of the data root), both as record catalogues (record_catalogue.h).
//
// The kinds: every field of a kind with what it does on row 24 while it is edited. Checks:
//   - the code is not blank, not "!!" (that resumes a saved document), unique;
//   - R_P one of R P M K; S_Z one of S Z D X Y or blank (the cash kinds); CUV one of
//     C U V or blank; NB N, B or blank; KTO O D P F; UZGODNIC and KSEF_TN T, N or blank;
//   - the counter NRD may not go below the highest number of the kind in the period's
//     documents (the next document would take a number that exists);
//   - a kind that has documents in the period keeps its code and cannot be deleted.
// From the reports menu (`jpk`) the same screen edits only the tax-file fields (JPK_N,
// JPK_V, JPK_N2, JPK_V2, JPK_XX, TYP_DOK, KSEF_TN); F5 and F8 do nothing there.
#pragma once

namespace hurt::session {
class Session;
}

namespace hurt::catalogues {

// DBU_RD([jpk]): false when the kinds table is not open.
bool DbuRd(session::Session& s, bool jpk = false);

// DBU_PP("PP"): the transfer orders of pp.dbf in the data root; false when the table is
// missing or cannot be opened (the operator has been told).
bool DbuPp(session::Session& s);

}  // namespace hurt::catalogues
