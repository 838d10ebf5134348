// The JPK marks of a document (DO_JPK_XX): the procedure flags the monthly tax file needs
// and the document type, asked as "[T/N]" questions from the header entry (F6 while the
// header is edited).
//
// JPK_XX holds one character per position, "T" or "1" meaning set: 1 SW, 2 EE, 3 TP,
// 4 TT_WNT, 5 TT_D, 6 MR_T, 7 MR_UZ, 8 I_42, 9 I_63, 10 B_SPV, 11 B_SPV_DOSTAWA,
// 12 B_MPV_PROWIZJA, 13 MPP, 14 KorektaPO, 15 IMP. A sale is asked positions 1-12 (1 and 2
// labelled WSTO_EE and IED from 2022) and before 2022 also 13 and 14; a purchase position 15
// and before 2022 also 13. Positions not asked keep what they held.
#pragma once

#include <string>
#include <vector>

#include "base/date.h"
#include "documents/doc_kind.h"
#include "session/session_fwd.h"

namespace hurt::documents {

inline constexpr size_t kJpkXxWidth = 20;
inline constexpr size_t kTypDokWidth = 6;

struct JpkQuestion {
  size_t position = 0;  // 0-based place in JPK_XX
  std::string label;
};

// The questions for a kind of document in the period of `day`; none for a kind that is
// neither a sale (or its correction) nor a purchase.
std::vector<JpkQuestion> JpkQuestions(const DocKind& kind, JulianDay day);

// An answer as stored: "T", "N", "1" or blank; anything else is refused.
bool JpkAnswerAllowed(char c);
// A document type the tax file knows (RO, WEW, FP for sales; MK, VAT_RR, WEW for
// purchases), or blank.
bool JpkTypeAllowed(std::string_view typ);

// The screen over the session's M_JPK_XX (and M_TYP_DOK, "Typ dokumentu :", when the
// header file has TYP_DOK). Enter through every question stores the answers; Esc leaves
// both as they were. False when there is nothing to ask or it was left with Esc.
bool DoJpkXx(session::Session& s, const DocKind& kind, JulianDay day);

// The header variables of a new document: no marks, the kind's own document type.
void NewDocumentJpk(session::Session& s, std::string_view rd);

}  // namespace hurt::documents
