#include "documents/stock_correction.h"

#include <string>
#include <utility>
#include <vector>

#include "base/numeric.h"
#include "base/text.h"
#include "documents/posting_internal.h"
#include "documents/stock_effect.h"
#include "session/session.h"
#include "store/schema.h"
#include "xbase/file_util.h"

namespace hurt::documents {

using posting_internal::AreaOf;
using posting_internal::FieldNumber;
using posting_internal::FieldText;

namespace {

// The quantity counters the reconciliation recomputes (and writes back).
constexpr std::string_view kQuantities[] = {"ILOSC", "B_P_I", "B_R_I", "B_R_I_SD"};

// One card as the stock rule reads it: its quantities and cost.
struct Card {
  uint32_t recno = 0;
  CardValues values;
};

Result<bool> LoadCard(xbase::WorkArea& as, const std::string& key, Card& card) {
  auto found = as.SeekKey(key);
  HURT_RETURN_IF_ERROR(found.status());
  if (!*found) return false;
  card.recno = as.recno();
  for (std::string_view f : {"ILOSC", "B_P_I", "B_R_I", "B_R_I_SD", "CENA0"}) {
    if (as.FieldIndex(f) >= 0) card.values.Set(f, xbase::Value(FieldNumber(as, f)), true);
  }
  return true;
}

Status StoreCard(xbase::WorkArea& as, const Card& card) {
  HURT_RETURN_IF_ERROR(as.GoTo(card.recno));
  for (std::string_view f : kQuantities) {
    if (card.values.Has(f)) HURT_RETURN_IF_ERROR(as.Replace(f, xbase::Value(card.values.Num(f))));
  }
  return as.Flush();
}

class Correction {
 public:
  Correction(session::Session& s, xbase::WorkArea& dowod, xbase::WorkArea& dow, xbase::WorkArea& as)
      : s_(s), dowod_(dowod), dow_(dow), as_(as) {}

  Status Document(KorektaResult& r) {
    const std::string rd = PadR(FieldText(dowod_, "RD"), 3);
    const std::string nrd = PadR(FieldText(dowod_, "NRD"), 8);
    const std::vector<uint32_t> records = posting_internal::RecordsOf(dow_, rd, nrd);
    auto kind = posting_internal::ReadKind(s_, rd);
    HURT_RETURN_IF_ERROR(Totals(kind.ok() ? &kind->kind : nullptr, records));
    if (!kind.ok()) return Status::Ok();  // a kind no longer defined moves nothing it can tell
    StockDocument doc;
    doc.kind = kind->kind;
    doc.odb = FieldText(dowod_, "ODB");
    doc.from_issue_notes = FromIssueNotes(doc.kind, FieldText(dowod_, "ODBIORCA"));
    doc.kurs = IsForeignCurrency(FieldText(dowod_, "WALUTA")) ? FieldNumber(dowod_, "KURS") : 0;
    doc.j_odch = s_.settings().Text("J_ODCH") == "T";
    doc.j_zle_uzgo = s_.settings().Text("J_ZLE_UZGO") == "T";
    if (MoveOf(doc) == StockMove::kNone) return Status::Ok();
    ++r.documents;
    for (uint32_t recno : records) {
      HURT_RETURN_IF_ERROR(dow_.GoTo(recno));
      HURT_RETURN_IF_ERROR(Line(doc, r));
    }
    return Status::Ok();
  }

 private:
  // The header's totals summed from its lines as posting sums them (the build zeroed
  // them): WARTOSC0 the lines at cost, VAT their tax, NETTO their net value (a gross
  // line less its tax, a line at cost price at cost); a combined kind's NETTO is its
  // WARTOSC0, a combined receipt of till slips keeps no VAT. OPA stays as the build left it.
  Status Totals(const DocKind* kind, const std::vector<uint32_t>& records) {
    const uint32_t header = dowod_.recno();
    double wartosc0 = 0, netto = 0, vat = 0;
    for (uint32_t recno : records) {
      HURT_RETURN_IF_ERROR(dow_.GoTo(recno));
      const double wartosc = FieldNumber(dow_, "WARTOSC");
      const double podatek = FieldNumber(dow_, "PODATEK");
      const double at_cost = NewRound(FieldNumber(dow_, "ILOSC") * FieldNumber(dow_, "CENA0"), 2);
      const std::string nb = FieldText(dow_, "NB");
      wartosc0 += at_cost;
      vat += podatek;
      if (!nb.empty() && nb[0] == 'B') {
        netto += wartosc - podatek;
      } else if (!nb.empty() && nb[0] == '0') {
        netto += at_cost;
      } else {
        netto += wartosc;
      }
    }
    if (kind != nullptr && kind->s_z == 'X') netto = wartosc0;
    if (kind != nullptr && kind->IsCombined() && kind->IsReceipt() && kind->HasTag("(SD)")) vat = 0;
    HURT_RETURN_IF_ERROR(dowod_.GoTo(header));
    for (const auto& [field, value] : {std::pair<std::string_view, double>{"WARTOSC0", NewRound(wartosc0, 2)},
                                       {"NETTO", NewRound(netto, 2)},
                                       {"VAT", NewRound(vat, 2)}}) {
      if (dowod_.FieldIndex(field) >= 0) HURT_RETURN_IF_ERROR(dowod_.Replace(field, xbase::Value(value)));
    }
    return dowod_.Flush();
  }

  Status Line(const StockDocument& doc, KorektaResult& r) {
    const std::string mag = PadR(FieldText(dow_, "MAG"), 1);
    const std::string indeks = PadR(FieldText(dow_, "INDEKS"), 8);
    StockLine line;
    line.ilosc = FieldNumber(dow_, "ILOSC");
    line.cena = FieldNumber(dow_, "CENA");
    line.cena0 = FieldNumber(dow_, "CENA0");
    Card source;
    auto found = LoadCard(as_, mag + indeks, source);
    HURT_RETURN_IF_ERROR(found.status());
    if (!*found) {
      ++r.missing_cards;
      return Status::Ok();
    }
    Card dest;
    bool has_dest = false;
    if (QuantityEffectOf(doc, line.ilosc).to_destination) {
      auto d = LoadCard(as_, DestinationMag(doc) + indeks, dest);
      HURT_RETURN_IF_ERROR(d.status());
      has_dest = *d && dest.recno != source.recno;
      if (!*d) ++r.missing_cards;
    }
    (void)ApplyLineToCards(doc, line, source.values, has_dest ? &dest.values : nullptr, Direction::kApply, false);
    HURT_RETURN_IF_ERROR(StoreCard(as_, source));
    if (has_dest) HURT_RETURN_IF_ERROR(StoreCard(as_, dest));
    ++r.lines;
    return Status::Ok();
  }

  session::Session& s_;
  xbase::WorkArea& dowod_;
  xbase::WorkArea& dow_;
  xbase::WorkArea& as_;
};

// One pass over the headers, each applied with its lines.
Status Apply(session::Session& s, xbase::WorkArea& dowod, xbase::WorkArea& dow, xbase::WorkArea& as,
             const std::function<void(long, long)>& progress, KorektaResult& r) {
  auto total = dowod.RecCount();
  HURT_RETURN_IF_ERROR(total.status());
  Correction correction(s, dowod, dow, as);
  long done = 0;
  for (Status st = dowod.GoTop(); !dowod.eof(); st = dowod.Skip()) {
    HURT_RETURN_IF_ERROR(st);
    const uint32_t header = dowod.recno();
    HURT_RETURN_IF_ERROR(correction.Document(r));
    HURT_RETURN_IF_ERROR(dowod.GoTo(header));
    if (progress && (++done % 200 == 0)) progress(done, static_cast<long>(*total));
  }
  HURT_RETURN_IF_ERROR(as.Commit());
  HURT_RETURN_IF_ERROR(dowod.Commit());
  if (progress) progress(static_cast<long>(*total), static_cast<long>(*total));
  return Status::Ok();
}

}  // namespace

Result<KorektaResult> KorektaAs(session::Session& s, const std::function<void(long, long)>& progress) {
  xbase::WorkArea* dowod = AreaOf(s, store::TableId::kDowod);
  xbase::WorkArea* dow = AreaOf(s, store::TableId::kDow);
  xbase::WorkArea* as = AreaOf(s, store::TableId::kAs);
  if (dowod == nullptr || dow == nullptr || as == nullptr) return Status::NotFound("dowod, dow or as is not open");
  const std::string marker = s.Path(std::string(kKorektaMarker));
  KorektaResult r;
  HURT_RETURN_IF_ERROR(xbase::WriteWholeFile(s.env(), marker, "Reorganizacja zbiorow w toku\r\n"));

  HURT_RETURN_IF_ERROR(as->SetOrder(1));
  HURT_RETURN_IF_ERROR(dowod->SetOrder(0));
  // The whole card table and the headers are held for the work (every other station is
  // out anyway).
  HURT_RETURN_IF_ERROR(as->LockFile());
  if (Status locked = dowod->LockFile(); !locked.ok()) {
    (void)as->Unlock();
    return locked;
  }
  Status st = Apply(s, *dowod, *dow, *as, progress, r);
  Status unlocked = as->Unlock();
  Status headers_unlocked = dowod->Unlock();
  if (st.ok()) st = unlocked;
  if (st.ok()) st = headers_unlocked;
  HURT_RETURN_IF_ERROR(st);
  HURT_RETURN_IF_ERROR(s.env().Remove(marker));
  return r;
}

}  // namespace hurt::documents
