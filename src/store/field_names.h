// Field names as named constants, one namespace per table (named by the table's alias),
// for the code that writes and reads documents. A misspelt constant does not compile; a
// constant that names no field of its table fails the field-name test, which reads this
// file and also checks every field name written as a literal in the sources.
#pragma once

#include <string_view>

namespace hurt::store::field {

// Document headers (dowod).
namespace dowod {
inline constexpr std::string_view R_P = "R_P";
inline constexpr std::string_view S_Z = "S_Z";
inline constexpr std::string_view RD = "RD";
inline constexpr std::string_view NRD = "NRD";
inline constexpr std::string_view DATA = "DATA";
inline constexpr std::string_view DATA_WYD = "DATA_WYD";
inline constexpr std::string_view MAG = "MAG";
inline constexpr std::string_view KTO = "KTO";
inline constexpr std::string_view ODB = "ODB";
inline constexpr std::string_view NIP_KRAJ = "NIP_KRAJ";
inline constexpr std::string_view REGON = "REGON";
inline constexpr std::string_view NODB = "NODB";
inline constexpr std::string_view NODB1 = "NODB1";
inline constexpr std::string_view UODB = "UODB";
inline constexpr std::string_view KODB = "KODB";
inline constexpr std::string_view MODB = "MODB";
inline constexpr std::string_view ODBIORCA = "ODBIORCA";
inline constexpr std::string_view ODBIORC1 = "ODBIORC1";
inline constexpr std::string_view WARTOSC0 = "WARTOSC0";
inline constexpr std::string_view NETTO = "NETTO";
inline constexpr std::string_view VAT = "VAT";
inline constexpr std::string_view SPZ = "SPZ";
inline constexpr std::string_view TEZ = "TEZ";
inline constexpr std::string_view KWOTA = "KWOTA";
inline constexpr std::string_view ZAP = "ZAP";
inline constexpr std::string_view OPERATOR = "OPERATOR";
inline constexpr std::string_view OPA = "OPA";
inline constexpr std::string_view WALUTA_X = "WALUTA_X";
inline constexpr std::string_view WALUTA = "WALUTA";
inline constexpr std::string_view KURS = "KURS";
inline constexpr std::string_view DATA_FA = "DATA_FA";
inline constexpr std::string_view JPK_XX = "JPK_XX";
inline constexpr std::string_view TYP_DOK = "TYP_DOK";
inline constexpr std::string_view R_RD = "R_RD";
inline constexpr std::string_view R_NRD = "R_NRD";
inline constexpr std::string_view R_DATA = "R_DATA";
inline constexpr std::string_view R_CZAS = "R_CZAS";
inline constexpr std::string_view ZAM_RD = "ZAM_RD";
inline constexpr std::string_view ZAM_NRD = "ZAM_NRD";
inline constexpr std::string_view ZAM_DATA = "ZAM_DATA";
inline constexpr std::string_view OPERATOR_Z = "OPERATOR_Z";
}  // namespace dowod

// The station's working lines (dd).
namespace dd {
inline constexpr std::string_view MAG = "MAG";
inline constexpr std::string_view ILOSC = "ILOSC";
inline constexpr std::string_view SPZ = "SPZ";
inline constexpr std::string_view TEZ = "TEZ";
}  // namespace dd

// Settlement entries of the month (fa_N).
namespace fa_n {
inline constexpr std::string_view R_P = "R_P";
inline constexpr std::string_view ODB = "ODB";
inline constexpr std::string_view DATA = "DATA";
inline constexpr std::string_view MAG = "MAG";
inline constexpr std::string_view RD = "RD";
inline constexpr std::string_view NRD = "NRD";
inline constexpr std::string_view TRESC = "TRESC";
inline constexpr std::string_view SPZ = "SPZ";
inline constexpr std::string_view TEZ = "TEZ";
inline constexpr std::string_view TERMIN = "TERMIN";
inline constexpr std::string_view KTO = "KTO";
inline constexpr std::string_view OBWN = "OBWN";
inline constexpr std::string_view OBMA = "OBMA";
inline constexpr std::string_view WALUTA_X = "WALUTA_X";
inline constexpr std::string_view WALUTA = "WALUTA";
inline constexpr std::string_view KURS = "KURS";
}  // namespace fa_n

// Document kinds (slow).
namespace slow {
inline constexpr std::string_view NRD = "NRD";
inline constexpr std::string_view UZGODNIC = "UZGODNIC";
}  // namespace slow

}  // namespace hurt::store::field
