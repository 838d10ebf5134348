#include "invoicing/ksef_invoice.h"

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "documents/vat_reconcile.h"
#include "invoicing/invoice_tables.h"
#include "session/output/report_file.h"
#include "session/session.h"

namespace hurt::invoicing {

namespace {

std::string Utf8(std::string_view cp852) { return Cp852ToUtf8(AllTrim(cp852)); }

std::string Joined(std::string_view a, std::string_view b) { return AllTrim(AllTrim(a) + " " + AllTrim(b)); }

// The corrected invoice named by a correction's header text ("FV 12", "FV-12"): its
// kind and number; empty when the text names none.
std::pair<std::string, std::string> NamedInvoice(std::string_view text) {
  std::string rd, nrd;
  for (char c : text) {
    if (c >= 'A' && c <= 'Z' && nrd.empty()) rd += c;
    if (c >= '0' && c <= '9') nrd += c;
    if (c == '/' && !nrd.empty()) break;
  }
  if (rd.empty() || nrd.empty()) return {};
  return {PadR(rd, 3), PadL(nrd, 8)};
}

}  // namespace

bool ValidKsefNumber(std::string_view n) {
  if (n.size() != 35 || n[10] != '-' || n[19] != '-' || n[32] != '-') return false;
  for (size_t i = 0; i < n.size(); ++i) {
    if (i == 10 || i == 19 || i == 32) continue;
    const char c = n[i];
    const bool digit = c >= '0' && c <= '9';
    const bool hex = digit || (c >= 'A' && c <= 'F');
    if (i < 19 ? !digit : !hex) return false;
  }
  // The last two characters: CRC-8 (polynomial 0x07, start 0) of the first 32, in hex.
  unsigned crc = 0;
  for (size_t i = 0; i < 32; ++i) {
    crc ^= static_cast<unsigned char>(n[i]);
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80) != 0 ? ((crc << 1) ^ 0x07) & 0xFF : (crc << 1) & 0xFF;
  }
  constexpr char kHex[] = "0123456789ABCDEF";
  return n[33] == kHex[crc >> 4] && n[34] == kHex[crc & 0x0F];
}

bool KindSendsToKsef(session::Session& s, std::string_view rd) {
  xbase::WorkArea* slow = SessionAreaOf(s, store::TableId::kSlow);
  if (slow == nullptr || slow->FieldIndex("KSEF_TN") < 0) return false;
  AreaPosition keep(slow);
  if (!slow->SetOrder(1).ok()) return false;
  auto found = slow->SeekKey(PadR(rd, 3));
  return found.ok() && *found && Upper(AllTrim(FieldText(*slow, "KSEF_TN"))) == "T";
}

Result<Fa3Invoice> Fa3OfDocument(session::Session& s, std::string_view rd, std::string_view nrd) {
  xbase::WorkArea* dowod = SessionAreaOf(s, store::TableId::kDowod);
  xbase::WorkArea* dow = SessionAreaOf(s, store::TableId::kDow);
  xbase::WorkArea* slow = SessionAreaOf(s, store::TableId::kSlow);
  xbase::WorkArea* as = SessionAreaOf(s, store::TableId::kAs);
  if (dowod == nullptr || dow == nullptr || slow == nullptr) return Status::NotFound("Pliki dowodow niedostepne");
  AreaPosition keep_dowod(dowod), keep_dow(dow), keep_slow(slow), keep_as(as);
  const std::string key = PadR(rd, 3) + PadL(AllTrim(nrd), 8);
  HURT_RETURN_IF_ERROR(dowod->SetOrder(1));
  auto found = dowod->SeekKey(key);
  HURT_RETURN_IF_ERROR(found.status());
  if (!*found) return Status::NotFound("Brak dowodu " + AllTrim(rd) + "-" + AllTrim(nrd));
  const InvoiceHeader h = HeaderFromRecord(*dowod);
  const std::string jpk = FieldText(*dowod, "JPK_XX");
  const std::string typ = AllTrim(FieldText(*dowod, "TYP_DOK"));
  HURT_RETURN_IF_ERROR(slow->SetOrder(1));
  auto kind = ReadKind(*slow, PadR(rd, 3));
  HURT_RETURN_IF_ERROR(kind.status());
  if (!kind->IsSale() && !kind->IsSalesCorrection()) {
    return Status::Invalid(AllTrim(rd) + " nie jest faktura sprzedazy");
  }

  Fa3Invoice inv;
  inv.numer = AllTrim(h.rd) + "-" + AllTrim(h.nrd);  // as the printed invoice and its EDI message say
  const std::string symbol = AllTrim(s.settings().Text("J_FV_SYMBO"));
  if (!symbol.empty()) inv.numer += "/" + symbol;
  inv.data = h.data;
  inv.data_sprzedazy = h.data_wyd != 0 ? h.data_wyd : h.data;
  inv.waluta = h.waluta.empty() || AllTrim(h.waluta) == "PLN" ? "PLN" : AllTrim(h.waluta);
  inv.kurs = h.kurs;
  const Seller seller = ReadSeller(s);
  inv.sprzedawca.nip = seller.regon;
  inv.sprzedawca.nazwa = Utf8(Joined(seller.nodb, seller.nodb1));
  inv.sprzedawca.adres_l1 = Utf8(seller.uodb);
  inv.sprzedawca.adres_l2 = Utf8(Joined(seller.kodb, seller.modb));
  inv.miejsce = Utf8(seller.modb);
  // The system refuses an invoice without the seller's tax number and name: no file is
  // made that could not be sent.
  std::string nip;
  for (char c : seller.regon) {
    if (c >= '0' && c <= '9') nip += c;
  }
  if (nip.size() != 10 || inv.sprzedawca.nazwa.empty()) {
    return Status::Invalid("Brak NIP lub nazwy firmy - uzupelnij dane firmy");
  }
  inv.nabywca.nip = h.regon;
  if (!AllTrim(h.nip_kraj).empty() && AllTrim(h.nip_kraj) != "PL") inv.nabywca.nip.clear();  // a foreign buyer
  inv.nabywca.nazwa = Utf8(Joined(h.nodb, h.nodb1));
  inv.nabywca.adres_l1 = Utf8(h.uodb);
  inv.nabywca.adres_l2 = Utf8(Joined(h.kodb, h.modb));
  inv.spz = std::string(1, h.spz);
  if (h.spz == 'P' || h.spz == 'T') inv.termin = h.data + h.tez;
  const size_t bank = h.nr_banku >= 0 && h.nr_banku < 5 ? static_cast<size_t>(h.nr_banku) : 0;
  inv.rachunek = seller.nrbo[bank];
  inv.tp = jpk.size() > 2 && (jpk[2] == 'T' || jpk[2] == '1');
  inv.mpp = jpk.size() > 12 && (jpk[12] == 'T' || jpk[12] == '1');
  inv.fp = typ == "FP";
  inv.wytworzono = XmlDate(s.Today()) + "T" + s.clock().TimeText() + "Z";

  // The lines, and the reconciled totals over them.
  HURT_RETURN_IF_ERROR(dow->SetOrder(1));
  auto at = dow->SeekKey(key);
  HURT_RETURN_IF_ERROR(at.status());
  std::vector<documents::DocLine> lines;
  while (*at && !dow->eof()) {
    const InvoiceLine l = LineFromRecord(*dow);
    if (PadR(l.rd, 3) + PadL(AllTrim(l.nrd), 8) != key) break;
    lines.push_back(l);
    HURT_RETURN_IF_ERROR(dow->Skip(1));
  }
  std::vector<documents::DocLine> reconciled = lines;
  const documents::VatSummary sum = documents::FunSuma(reconciled, kind->nb, true, h.reszta);
  for (const documents::RateTotals& r : sum.rows) inv.rates.push_back({r.code, r.netto, r.vat});
  inv.brutto = sum.brutto;
  if (as != nullptr) (void)as->SetOrder(1);
  for (const documents::DocLine& l : reconciled) {
    if (l.ilosc == 0) continue;
    Fa3Line f;
    f.nazwa = Utf8(l.nazwa);
    f.indeks = Utf8(l.indeks);
    f.jm = Utf8(l.jm);
    f.ilosc = l.ilosc;
    const double netto = l.nb == 'B' ? l.wartosc - l.podatek : l.wartosc;
    f.wartosc_netto = netto;
    f.cena_netto = l.ilosc != 0 ? NewRound(netto / l.ilosc, 6) : 0;
    f.podatek0 = l.podatek0;
    if (as != nullptr) {
      auto art = as->SeekKey(PadR(l.mag, 1) + PadR(l.indeks, 8));
      if (art.ok() && *art) f.gtu = static_cast<int>(Val(FieldText(*as, "GR_TOW")));
    }
    inv.lines.push_back(std::move(f));
  }

  if (kind->IsSalesCorrection()) {
    inv.korekta = true;
    inv.data_korygowanej = h.data_fa != 0 ? h.data_fa : h.data;
    inv.nr_korygowanej = Utf8(h.odbiorca);
    if (inv.nr_korygowanej.empty()) inv.nr_korygowanej = "-";
    const auto [krd, knrd] = NamedInvoice(h.odbiorca);
    if (!krd.empty()) {
      auto corrected = dowod->SeekKey(krd + knrd);
      if (corrected.ok() && *corrected) inv.ksef_korygowanej = AllTrim(FieldText(*dowod, "KSEF"));
    }
  }
  return inv;
}

std::string Fa3FileName(std::string_view rd, std::string_view nrd) {
  return Lower("ksef/" + AllTrim(rd) + "_" + AllTrim(nrd) + ".xml");  // as it lies on disk
}

Result<std::string> ZapiszFa3(session::Session& s, std::string_view rd, std::string_view nrd) {
  auto inv = Fa3OfDocument(s, rd, nrd);
  HURT_RETURN_IF_ERROR(inv.status());
  const std::string name = Fa3FileName(rd, nrd);
  const std::string path = s.Path(name);
  const std::string folder = s.Path("ksef");
  if (!s.env().Exists(folder)) HURT_RETURN_IF_ERROR(s.env().CreateDirs(folder));
  auto writer = session::ReportWriter::Open(s.env(), path + ".tmp");
  HURT_RETURN_IF_ERROR(writer.status());
  (*writer)->Write(BuildFa3(*inv));
  const Status closed = (*writer)->Close();
  if (!closed.ok()) {
    (void)s.env().Remove(path + ".tmp");
    return closed;
  }
  if (s.env().Exists(path)) HURT_RETURN_IF_ERROR(s.env().Remove(path));
  HURT_RETURN_IF_ERROR(s.env().Rename(path + ".tmp", path));
  return name;
}

}  // namespace hurt::invoicing
