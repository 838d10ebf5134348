// REP_D_WITH_DOW: a posted document opened for correction.
//
// Opening changes nothing of the posted document. Its lines are copied into `dd`, where
// the operator corrects them; the document stays as it was in dowod, dow, as and fa_N
// until the corrected version is posted, which replaces it in one step (posting.h).
// Leaving the correction any other way (answering no, Esc, a signal, a crash) leaves it
// untouched.
//
// While the correction lasts:
//   - the document is held (document_hold.h), so that no other station corrects it at
//     the same time;
//   - what its issue lines took from stock is the station's reservation credit
//     (reservation_ledger.h): the lines may keep their quantities, and only what they
//     take beyond them is reserved.
//
// Refused: a settled document (entries in fa_N) unless the operator is "0" or has right 1
// (a pro-forma passes); an issue note already taken into an invoice.
#include <algorithm>
#include <map>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "documents/document_hold.h"
#include "documents/line_math.h"
#include "documents/line_session.h"
#include "documents/posting.h"
#include "documents/line_record.h"
#include "documents/posting_internal.h"
#include "documents/posting_writes.h"
#include "documents/reservations.h"
#include "session/init_tables.h"
#include "session/session.h"
#include "session/var_names.h"
#include "session/store_ui.h"
#include "store/net_use.h"

namespace hurt::documents {
namespace {

using namespace hurt::literals;
using namespace posting_internal;
using xbase::Value;

std::string DocText(std::string_view rd, std::string_view nrd) { return RTrim(rd) + "-" + AllTrim(nrd); }

class Loader {
 public:
  Loader(session::Session& s, store::StoreUi& ui, DocumentHold& hold) : s_(s), ui_(ui), hold_(hold) {}
  bool Run(std::string_view rd, std::string_view nrd);

 private:
  bool Fail(std::string_view text) {
    hold_.Release();
    Tell(s_, text);
    return false;
  }
  bool Guards(xbase::WorkArea& dowod, xbase::WorkArea* fa);
  bool CopyLines(xbase::WorkArea& dow);

  session::Session& s_;
  store::StoreUi& ui_;
  DocumentHold& hold_;
  std::string rd_, nrd_;
  KindRecord kind_;
};

bool Loader::Guards(xbase::WorkArea& dowod, xbase::WorkArea* fa) {
  const DocKind& k = kind_.kind;
  // An issue note already invoiced: correcting it would leave its invoice billing other
  // goods than were issued.
  const std::string r_rd = FieldText(dowod, "R_RD");
  const std::string r_nrd = FieldText(dowod, "R_NRD");
  if (k.RdIs("WZ") && (!IsBlank(r_rd) || !IsBlank(r_nrd))) {
    return Fail(std::string("Dowód "_pl) + DocText(rd_, nrd_) + std::string(" jest na fakturze "_pl) + DocText(r_rd, r_nrd) +
                std::string(" - popraw fakturę"_pl));
  }
  // A settled document.
  const std::string spz = FieldText(dowod, "SPZ");
  const JulianDay data = FieldDate(dowod, "DATA");
  if (fa == nullptr || spz == "G" || spz == "B" || fa->FieldIndex("MAG") < 0) return true;
  bool settled = false;
  for (uint32_t r : RecordsOf(*fa, rd_, nrd_)) {
    if (!fa->GoTo(r).ok()) continue;
    const Ymd a = YmdFromJulian(FieldDate(*fa, "DATA"));
    const Ymd b = YmdFromJulian(data);
    if (FieldText(*fa, "MAG") == "0" || a.year != b.year || a.month != b.month) continue;
    settled = true;
  }
  if (!settled) return true;
  Tell(s_, "Poprawiasz dowod rozliczony !!");
  if (!k.HasTag("PROFORMA") && s_.op().nr != "0" && !s_.op().Prawa(1)) return Fail("Dowod rozliczony - blokada");
  return true;
}

bool Loader::CopyLines(xbase::WorkArea& dow) {
  const DocKind& k = kind_.kind;
  const bool fvzmieni = ReadLineSettings(s_).fvzmieni;
  // Whatever an earlier document of the station still held goes first.
  if (xbase::WorkArea* as = AreaOf(s_, store::TableId::kAs)) {
    auto stayed = ReleaseLedger(ui_, *as, StationLedgerOf(s_));
    if (!stayed.ok() || *stayed > 0) return false;
  }
  if (!session::NoweDd(s_, ui_)) return false;
  xbase::WorkArea* dd = AreaOf(s_, store::TableId::kDd);
  if (dd == nullptr) return false;
  std::map<std::string, double, std::less<>> credits;
  for (uint32_t r : RecordsOf(dow, rd_, nrd_)) {
    if (!dow.GoTo(r).ok()) return false;
    DocLine l = ReadWholeLineRecord(dow);
    // dow keeps no BRUTTO: the grid shows the gross as the printout does.
    l.brutto = GrossOfPostedLine(l.nb == ' ' ? k.nb : l.nb, l.wartosc, l.podatek);
    // Warehouse issues in purchase prices and purchase receipts edit their cost as price.
    if ((k.IsClass("RD") && k.InPurchasePrices()) || k.IsClass("PZ")) l.cena0 = l.cena;
    if (LineReserves(k, fvzmieni, l.ilosc)) credits[PadR(l.mag, 1) + PadR(l.indeks, 8)] += l.ilosc;
    if (!dd->Append().ok()) return false;
    // dd takes what of the posted line it has fields for.
    for (const auto& [f, v] : LineRecordValues(l, AllLineFields())) {
      if (!PutField(*dd, f, v).ok()) return false;
    }
  }
  if (!dd->Unlock().ok() || !dd->GoTop().ok()) return false;
  for (auto& [key, q] : credits) q = NewRound(q, 3);
  return SetLedgerCredits(StationLedgerOf(s_), credits).ok();
}

bool Loader::Run(std::string_view rd, std::string_view nrd) {
  rd_ = PadR(rd, 3);
  nrd_ = PadL(AllTrim(nrd), 8);
  xbase::WorkArea* dowod = AreaOf(s_, store::TableId::kDowod);
  xbase::WorkArea* dow = AreaOf(s_, store::TableId::kDow);
  xbase::WorkArea* fa = AreaOf(s_, store::TableId::kFaN);
  if (dowod == nullptr || dow == nullptr || AreaOf(s_, store::TableId::kDd) == nullptr) {
    return Fail("Plik dowod niedostepny");
  }
  auto kind = ReadKind(s_, rd_);
  if (!kind.ok()) return Fail("Brak rodzaju dowodu " + rd_);
  kind_ = *kind;
  const std::vector<uint32_t> headers = RecordsOf(*dowod, rd_, nrd_);
  if (headers.empty()) return Fail("Brak dowodu " + DocText(rd_, nrd_));
  const uint32_t header = headers.front();
  // Held first: what is read below cannot change under the correction.
  const Status held = hold_.Take(s_.env(), s_.root(), {header});
  if (!held.ok()) {
    return Fail(std::string("Dowód "_pl) + DocText(rd_, nrd_) + std::string(" poprawiany na innym stanowisku"_pl));
  }
  if (!dowod->GoTo(header).ok()) return Fail("Plik dowod niedostepny");
  if (!Guards(*dowod, fa)) return false;
  if (!dowod->GoTo(header).ok()) return Fail("Plik dowod niedostepny");
  s_.vars().Set(session::var::L_WARTOSC, Value(NewRound(FieldNumber(*dowod, "NETTO") + FieldNumber(*dowod, "VAT"), 2)));
  if (!CopyLines(*dow)) {
    (void)session::NoweDd(s_, ui_);  // an empty working table is what the grid may start from
    return Fail(std::string("Błąd odczytu pozycji dowodu "_pl) + DocText(rd_, nrd_));
  }
  return true;
}

}  // namespace

bool RepDWithDow(session::Session& session, store::StoreUi& ui, std::string_view rd, std::string_view nrd,
                 DocumentHold& hold) {
  if (session.InArchive()) {
    Tell(session, "Praca w archiwum - blokada");
    return false;
  }
  Loader loader(session, ui, hold);
  return loader.Run(rd, nrd);
}

bool RepDWithDow(session::Session& session, std::string_view rd, std::string_view nrd, DocumentHold& hold) {
  session::ConsoleStoreUi ui(session.con());
  return RepDWithDow(session, ui, rd, nrd, hold);
}

}  // namespace hurt::documents
