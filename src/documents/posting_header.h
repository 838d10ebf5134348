// The header of the document under edit as posting takes it: read once from the session
// variables the header form fills (session/var_names.h), then posted from this value.
#pragma once

#include <string>

#include "base/date.h"

namespace hurt::session {
class SessionVariables;
}

namespace hurt::documents {

// The values as the variables hold them: texts unpadded, numbers and dates as they are
// (NIL gives "", 0 and the empty date).
struct PostingHeader {
  std::string rd, nrd;                       // M_RD, M_NRD
  JulianDay data = kEmptyDate;               // M_DATA
  JulianDay data_wyd = kEmptyDate;           // M_DATA_WYD
  std::string mag;                           // M_MAG
  std::string odb;                           // M_ODB
  std::string nip_kraj, regon;               // M_NIP_KRAJ, M_REGON
  std::string nodb, nodb1, uodb, kodb, modb; // M_NODB ... M_MODB
  std::string odbiorca, odbiorc1;            // M_ODBIORCA, M_ODBIORC1
  std::string tresc;                         // M_TRESC
  std::string jpk_xx, typ_dok;               // M_JPK_XX, M_TYP_DOK
  std::string spz;                           // M_SPZ
  double tez = 0;                            // M_TEZ
  double kwota = 0;                          // M_KWOTA
  std::string waluta;                        // M_WALUTA
  double kurs = 0;                           // M_KURS
  JulianDay data_fa = kEmptyDate;            // M_DATA_FA
  // A correction: the document it corrects.
  std::string rd_kor, nrd_kor;               // M_RD_KOR, M_NRD_KOR
  JulianDay data_kor = kEmptyDate;           // M_DATA_KOR
  // An invoice made from a customer order: the order.
  std::string zam_rd, zam_nrd;               // M_ZAM_RD, M_ZAM_NRD
  JulianDay zam_data = kEmptyDate;           // M_ZAM_DATA
  // An invoice made of issue notes: the notes (kNotesVariable in posting.h).
  std::string notes;
  bool printed = false;                      // JEST_WYDRUK: its number is on paper
};

PostingHeader ReadPostingHeader(const session::SessionVariables& vars);

}  // namespace hurt::documents
