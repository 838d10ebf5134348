#include "invoicing/invoice_tables.h"

#include "base/numeric.h"
#include "base/text.h"
#include "documents/line_record.h"
#include "invoicing/print_form.h"
#include "session/session.h"
#include "store/net_files.h"
#include "store/net_use.h"
#include "xbase/file_util.h"

namespace hurt::invoicing {

namespace {

char FirstChar(const std::string& text, char fallback) { return text.empty() || text[0] == ' ' ? fallback : text[0]; }

int WholeNumber(double x) { return static_cast<int>(NewRound(x, 0)); }

// The lines of a letterhead file, without their line ends.
std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find('\x1A') != std::string::npos) line.erase(line.find('\x1A'));
    out.push_back(std::move(line));
    start = end + 1;
  }
  return out;
}

}  // namespace

xbase::WorkArea* SessionAreaOf(session::Session& session, store::TableId id) {
  return session.areas().Area(store::Table(id).area);
}

namespace {

store::TableId BookOf(char kto) {
  switch (kto) {
    case 'D': return store::TableId::kZd;
    case 'P': return store::TableId::kZp;
    case 'F': return store::TableId::kZf;
    case 'N': return store::TableId::kZn;
    default: return store::TableId::kZo;
  }
}

}  // namespace

Buyer ReadBuyer(session::Session& session, char kto, std::string_view odb) {
  xbase::WorkArea* book = SessionAreaOf(session, BookOf(kto));
  if (book == nullptr || book->order_count() == 0 || IsBlank(odb)) return {};
  AreaPosition keep(book);
  if (!book->SetOrder(1).ok()) return {};
  auto found = book->Seek(xbase::Value(std::string(odb)));
  if (!found.ok() || !*found) return {};
  return BuyerFromRecord(*book);
}

Seller ReadSeller(session::Session& session) {
  xbase::WorkArea* firma = SessionAreaOf(session, store::TableId::kFirma);
  if (firma == nullptr) return {};
  AreaPosition keep(firma);
  if (!firma->GoTo(1).ok() || firma->eof()) return {};
  return SellerFromRecord(*firma);
}




Status ReplaceIfPresent(xbase::WorkArea& area, std::string_view name, const xbase::Value& value) {
  if (area.FieldIndex(name) < 0) return Status::Ok();
  return area.Replace(name, value);
}

InvoiceHeader HeaderFromRecord(const xbase::WorkArea& dowod) {
  InvoiceHeader h;
  h.rd = PadR(FieldText(dowod, "RD"), 3);
  h.nrd = PadL(AllTrim(FieldText(dowod, "NRD")), 8);
  h.data = FieldDate(dowod, "DATA");
  h.data_wyd = FieldDate(dowod, "DATA_WYD");
  h.data_fa = FieldDate(dowod, "DATA_FA");
  h.mag = FieldText(dowod, "MAG");
  h.odb = FieldText(dowod, "ODB");
  h.nip_kraj = FieldText(dowod, "NIP_KRAJ");
  h.regon = FieldText(dowod, "REGON");
  h.nodb = FieldText(dowod, "NODB");
  h.nodb1 = FieldText(dowod, "NODB1");
  h.uodb = FieldText(dowod, "UODB");
  h.kodb = FieldText(dowod, "KODB");
  h.modb = FieldText(dowod, "MODB");
  h.odbiorca = FieldText(dowod, "ODBIORCA");
  h.ksef = AllTrim(FieldText(dowod, "KSEF"));
  h.spz = FirstChar(FieldText(dowod, "SPZ"), 'G');
  h.tez = WholeNumber(FieldNumber(dowod, "TEZ"));
  h.transport = FirstChar(FieldText(dowod, "TRANSPORT"), ' ');
  for (std::string_view b : {"B100", "B50", "B20", "B10", "B05"}) {
    if (!SameAmount(FieldNumber(dowod, b), 0)) h.vouchers = true;
  }
  h.reszta = FieldNumber(dowod, "RESZTA");
  h.rabat = FieldNumber(dowod, "RABAT");
  h.jezyk = FieldText(dowod, "JEZYK");
  h.waluta = FieldText(dowod, "WALUTA");
  h.kurs = FieldNumber(dowod, "KURS");
  h.data_kursu = FieldDate(dowod, "DATA_KURSU");
  h.nr_banku = WholeNumber(FieldNumber(dowod, "NR_BANKU"));
  if (h.nr_banku < 0 || h.nr_banku > 4) h.nr_banku = 0;
  h.kwota = FieldNumber(dowod, "KWOTA");
  return h;
}

InvoiceLine LineFromRecord(const xbase::WorkArea& dow) {
  InvoiceLine l;
  static_cast<documents::DocLine&>(l) = documents::ReadLineRecord(dow);
  return l;
}

Seller SellerFromRecord(const xbase::WorkArea& firma) {
  Seller s;
  s.nodb = FieldText(firma, "NODB");
  s.nodb1 = FieldText(firma, "NODB1");
  s.nodb2 = FieldText(firma, "NODB2");
  s.uodb = FieldText(firma, "UODB");
  s.kodb = FieldText(firma, "KODB");
  s.modb = FieldText(firma, "MODB");
  s.nip_kraj = FieldText(firma, "NIP_KRAJ");
  s.regon = FieldText(firma, "REGON");
  s.tel = FieldText(firma, "TEL");
  s.bdo = FieldText(firma, "BDO");
  s.regon0 = FieldText(firma, "REGON0");
  s.krs_nr = FieldText(firma, "KRS_NR");
  s.krs_sad = FieldText(firma, "KRS_SAD");
  s.kapital = FieldNumber(firma, "KAPITAL");
  for (int i = 0; i < 5; ++i) {
    std::string suffix = i == 0 ? "" : std::to_string(i);
    s.bodb[static_cast<size_t>(i)] = FieldText(firma, "BODB" + suffix);
    s.nrbo[static_cast<size_t>(i)] = FieldText(firma, "NRBO" + suffix);
  }
  return s;
}

Buyer BuyerFromRecord(const xbase::WorkArea& zo) {
  Buyer b;
  if (zo.eof()) return b;
  b.odb = FieldText(zo, "ODB");
  b.nodb = FieldText(zo, "NODB");
  b.nodb1 = FieldText(zo, "NODB1");
  b.uodb = FieldText(zo, "UODB");
  b.kodb = FieldText(zo, "KODB");
  b.modb = FieldText(zo, "MODB");
  b.nip_kraj = FieldText(zo, "NIP_KRAJ");
  b.regon = FieldText(zo, "REGON");
  b.tel = FieldText(zo, "TEL");
  return b;
}

std::optional<std::string> MarkerText(session::Session& session, std::string_view name) {
  std::string path = store::FindFileX(session.env(), session.Path(name));
  if (path.empty()) return std::nullopt;
  auto text = xbase::ReadWholeFile(session.env(), path);
  if (!text.ok()) return std::nullopt;
  return AllTrim(RTrim(*text).substr(0, RTrim(*text).find('\x1A')));
}

PrintSettings PrintSettingsFor(session::Session& session, const documents::DocKind& kind, const InvoiceHeader& header) {
  const session::Settings& j = session.settings();
  PrintSettings s;
  s.j_ww1 = WholeNumber(j.Number("J_WW1"));
  s.j_ww2 = WholeNumber(j.Number("J_WW2"));
  s.j_eject = j.Yes("J_EJECT");
  s.j_papier = WholeNumber(j.Number("J_PAPIER"));
  s.j_pkwiu = j.Yes("J_PKWIU");
  s.j_rab_poz = j.Yes("J_RAB_POZ");
  s.j_mag_druk = j.Yes("J_MAG_DRUK");
  s.j_opa_druk = j.Yes("J_OPA_DRUK");
  s.j_oryginal = FirstChar(j.Text("J_ORYGINAL"), 'N');
  s.j_folder = AllTrim(j.Text("J_FOLDER"));
  s.j_zer_nrd = j.Yes("J_ZER_NRD");
  s.j_fv_symbo = j.Text("J_FV_SYMBO");
  s.j_st_tekst = j.Text("J_ST_TEKST");
  s.j_st_teks1 = j.Text("J_ST_TEKS1");
  s.j_reklama1 = j.Text("J_REKLAMA1");
  s.j_reklama2 = j.Text("J_REKLAMA2");
  s.quantity_decimals = j.I3();
  s.m_drukarka = session.vars().Text("M_DRUKARKA");
  if (IsBlank(s.m_drukarka)) s.m_drukarka = "EPSON";
  s.m_nazwisko = AllTrim(session.op().nazwisko);

  // The kind's own letterhead ("FV_NAG.TXT") when its description names that file,
  // otherwise the file J_FOLDER names.
  std::string own = Upper(AllTrim(Left(kind.rd, 2))) + "_NAG.TXT";
  std::optional<std::string> letterhead;
  if (Upper(kind.opis).find(own) != std::string::npos) letterhead = MarkerText(session, own);
  if (!letterhead && !s.j_folder.empty() && s.j_folder != "BAAD") letterhead = MarkerText(session, s.j_folder);
  if (letterhead) s.letterhead = TextLines(*letterhead);

  s.krs_marker = session.FileX("KRS.TXT");
  s.cancelled = session.FileX(CancelledMarkerName(header.nrd));
  s.spz_h_txt = MarkerText(session, "SPZ_H.TXT");
  s.spz_p_txt = MarkerText(session, "SPZ_P.TXT");
  s.spz_n_txt = MarkerText(session, "SPZ_N.TXT");
  return s;
}

void DropCancelledMarker(session::Session& session, std::string_view nrd) {
  const std::string marker = store::FindFileX(session.env(), session.Path(CancelledMarkerName(nrd)));
  if (!marker.empty()) (void)session.env().Remove(marker);  // one left behind prints it again
}

Result<int> WriteBackReconciled(store::StoreUi& ui, xbase::WorkArea& area, const std::vector<uint32_t>& recnos,
                                const std::vector<InvoiceLine>& before, const std::vector<InvoiceLine>& printed,
                                double wait) {
  int written = 0;
  const size_t n = std::min({recnos.size(), before.size(), printed.size()});
  for (size_t i = 0; i < n; ++i) {
    bool vat_changed = !SameAmount(before[i].podatek, printed[i].podatek);
    bool gross_changed = !SameAmount(before[i].brutto, printed[i].brutto);
    if (!vat_changed && !gross_changed) continue;
    HURT_RETURN_IF_ERROR(area.GoTo(recnos[i]));
    if (area.eof()) return Status::NotFound("linia dowodu zniknela: rekord " + std::to_string(recnos[i]));
    HURT_RETURN_IF_ERROR(store::RecLockArea(ui, area, wait));
    Status s = area.Replace("PODATEK", xbase::Value(NewRound(printed[i].podatek, 2)));
    if (s.ok() && gross_changed) s = ReplaceIfPresent(area, "BRUTTO", xbase::Value(NewRound(printed[i].brutto, 2)));
    Status unlock = area.UnlockRecord(recnos[i]);
    HURT_RETURN_IF_ERROR(s);
    HURT_RETURN_IF_ERROR(unlock);
    ++written;
  }
  if (written > 0) HURT_RETURN_IF_ERROR(area.Commit());
  return written;
}

}  // namespace hurt::invoicing
