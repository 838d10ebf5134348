// Names of the session variables that hold the document under edit: the header form sets
// them, the line editor, the printouts and posting read them. Posting reads them in one
// place (documents/posting_header.h). The field-name test reads this file: every constant
// spells its own name.
#pragma once

#include <string_view>

namespace hurt::session::var {

// The header of the document.
inline constexpr std::string_view M_RD = "M_RD";
inline constexpr std::string_view M_NRD = "M_NRD";
inline constexpr std::string_view M_DATA = "M_DATA";
inline constexpr std::string_view M_DATA_WYD = "M_DATA_WYD";
inline constexpr std::string_view M_MAG = "M_MAG";
inline constexpr std::string_view M_KTO = "M_KTO";
inline constexpr std::string_view M_ODB = "M_ODB";
inline constexpr std::string_view M_NIP_KRAJ = "M_NIP_KRAJ";
inline constexpr std::string_view M_REGON = "M_REGON";
inline constexpr std::string_view M_NODB = "M_NODB";
inline constexpr std::string_view M_NODB1 = "M_NODB1";
inline constexpr std::string_view M_UODB = "M_UODB";
inline constexpr std::string_view M_KODB = "M_KODB";
inline constexpr std::string_view M_MODB = "M_MODB";
inline constexpr std::string_view M_TEL = "M_TEL";
inline constexpr std::string_view M_SPZ = "M_SPZ";
inline constexpr std::string_view M_TEZ = "M_TEZ";
inline constexpr std::string_view M_TERMIN = "M_TERMIN";
inline constexpr std::string_view M_KWOTA = "M_KWOTA";
inline constexpr std::string_view M_TRESC = "M_TRESC";
inline constexpr std::string_view M_ODBIORCA = "M_ODBIORCA";
inline constexpr std::string_view M_ODBIORC1 = "M_ODBIORC1";
inline constexpr std::string_view M_WALUTA = "M_WALUTA";
inline constexpr std::string_view M_KURS = "M_KURS";
inline constexpr std::string_view M_DATA_FA = "M_DATA_FA";
inline constexpr std::string_view M_JPK_XX = "M_JPK_XX";
inline constexpr std::string_view M_TYP_DOK = "M_TYP_DOK";

// The document a correction corrects.
inline constexpr std::string_view M_RD_KOR = "M_RD_KOR";
inline constexpr std::string_view M_NRD_KOR = "M_NRD_KOR";
inline constexpr std::string_view M_DATA_KOR = "M_DATA_KOR";

// The customer order an invoice made from it fulfils (kind, number, date); posting writes
// them into the header's ZAM_RD, ZAM_NRD, ZAM_DATA where the table has them, then clears them.
inline constexpr std::string_view M_ZAM_RD = "M_ZAM_RD";
inline constexpr std::string_view M_ZAM_NRD = "M_ZAM_NRD";
inline constexpr std::string_view M_ZAM_DATA = "M_ZAM_DATA";

// KLUCZ: 0 entry of a new document, 1 display, 2 correction. JEST_WYDRUK: the document
// was printed, its number is on paper.
inline constexpr std::string_view KLUCZ = "KLUCZ";
inline constexpr std::string_view JEST_WYDRUK = "JEST_WYDRUK";
// The gross of the document when its correction began (a sale lowered is logged).
inline constexpr std::string_view L_WARTOSC = "L_WARTOSC";

}  // namespace hurt::session::var
