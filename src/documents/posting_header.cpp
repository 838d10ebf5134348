#include "documents/posting_header.h"

#include "documents/posting.h"
#include "session/session.h"
#include "session/var_names.h"

namespace hurt::documents {

PostingHeader ReadPostingHeader(const session::SessionVariables& v) {
  namespace var = session::var;
  PostingHeader h;
  h.rd = v.Text(var::M_RD);
  h.nrd = v.Text(var::M_NRD);
  h.data = v.Date(var::M_DATA);
  h.data_wyd = v.Date(var::M_DATA_WYD);
  h.mag = v.Text(var::M_MAG);
  h.odb = v.Text(var::M_ODB);
  h.nip_kraj = v.Text(var::M_NIP_KRAJ);
  h.regon = v.Text(var::M_REGON);
  h.nodb = v.Text(var::M_NODB);
  h.nodb1 = v.Text(var::M_NODB1);
  h.uodb = v.Text(var::M_UODB);
  h.kodb = v.Text(var::M_KODB);
  h.modb = v.Text(var::M_MODB);
  h.odbiorca = v.Text(var::M_ODBIORCA);
  h.odbiorc1 = v.Text(var::M_ODBIORC1);
  h.tresc = v.Text(var::M_TRESC);
  h.jpk_xx = v.Text(var::M_JPK_XX);
  h.typ_dok = v.Text(var::M_TYP_DOK);
  h.spz = v.Text(var::M_SPZ);
  h.tez = v.Number(var::M_TEZ);
  h.kwota = v.Number(var::M_KWOTA);
  h.waluta = v.Text(var::M_WALUTA);
  h.kurs = v.Number(var::M_KURS);
  h.data_fa = v.Date(var::M_DATA_FA);
  h.rd_kor = v.Text(var::M_RD_KOR);
  h.nrd_kor = v.Text(var::M_NRD_KOR);
  h.data_kor = v.Date(var::M_DATA_KOR);
  h.zam_rd = v.Text(var::M_ZAM_RD);
  h.zam_nrd = v.Text(var::M_ZAM_NRD);
  h.zam_data = v.Date(var::M_ZAM_DATA);
  h.notes = v.Text(kNotesVariable);
  h.printed = v.Logical(var::JEST_WYDRUK);
  return h;
}

}  // namespace hurt::documents
