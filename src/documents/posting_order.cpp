// ZAPISZ_ZAM: a customer order ("ZAM") is kept in the order tables fv_zam/dowod (headers,
// key odb+rd+nrd) and fv_zam/dow (lines, key odb+rd+nrd+lp), not among the posted
// documents. Saving an order changes no stock and no reservation.
//
// A new order takes the next number of its kind (the kind's NRD in `slow`, raised under
// its record lock; a printed order keeps its number and raises NRD to it), moved up past
// any order of the same customer and number already saved. An order saved again (correction)
// replaces its header and lines. When a record cannot be written, what was written is
// deleted again and the order stays in the grid.
#include <string>
#include <vector>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "documents/line_record.h"
#include "documents/posting.h"
#include "documents/posting_header.h"
#include "documents/posting_internal.h"
#include "documents/posting_math.h"
#include "documents/posting_writes.h"
#include "session/session.h"
#include "session/side_table.h"
#include "session/var_names.h"
#include "store/net_use.h"
#include "store/schema.h"

namespace hurt::documents {
namespace {

using namespace hurt::literals;
using namespace posting_internal;
using xbase::Value;

constexpr double kKindLockWait = 14.5;
constexpr double kAppendWait = 7;

// The records of order odb+rd+nrd in an order table (its first order), in key order.
std::vector<uint32_t> OrderRecords(xbase::WorkArea& a, const std::string& key) {
  std::vector<uint32_t> out;
  if (a.order() != 1 && !a.SetOrder(1).ok()) return out;
  auto found = a.SeekKey(key);
  for (bool ok = found.ok() && *found; ok && !a.eof(); ok = a.Skip(1).ok()) {
    if (FieldText(a, "ODB") + FieldText(a, "RD") + FieldText(a, "NRD") != key) break;
    out.push_back(a.recno());
  }
  return out;
}

Status DeleteRecords(store::StoreUi& ui, xbase::WorkArea& a, const std::vector<uint32_t>& records) {
  for (uint32_t r : records) {
    HURT_RETURN_IF_ERROR(a.GoTo(r));
    HURT_RETURN_IF_ERROR(store::RecLockArea(ui, a, kAppendWait));
    HURT_RETURN_IF_ERROR(a.Delete());
    HURT_RETURN_IF_ERROR(a.UnlockRecord(r));
  }
  return Status::Ok();
}

}  // namespace

bool ZapiszZam(session::Session& s, store::StoreUi& ui, int mode) {
  session::SideTable header_table(s, store::TableId::kZamDowod);
  session::SideTable line_table(s, store::TableId::kZamDow);
  xbase::WorkArea* headers = header_table.get();
  xbase::WorkArea* rows = line_table.get();
  if (headers == nullptr || rows == nullptr) {
    Tell(s, headers == nullptr ? "Plik fv_zam/dowod niedostepny" : "Plik fv_zam/dow niedostepny");
    return false;
  }
  session::SessionVariables& v = s.vars();
  const PostingHeader h = ReadPostingHeader(v);
  const std::string rd = PadR(h.rd, 3);
  const std::string odb = PadR(h.odb, 8);
  auto kind = ReadKind(s, rd);
  if (!kind.ok()) {
    Tell(s, "Brak rodzaju dowodu " + rd);
    return false;
  }
  auto lines = ReadWorkLines(s);
  if (!lines.ok()) {
    Tell(s, "Błąd odczytu pozycji dowodu"_pl);
    return false;
  }

  // The number.
  std::string nrd = PadL(AllTrim(h.nrd), 8);
  if (mode != 2) {
    xbase::WorkArea* slow = AreaOf(s, store::TableId::kSlow);
    if (slow == nullptr || !slow->GoTo(kind->recno).ok() || !store::RecLockArea(ui, *slow, kKindLockWait).ok()) {
      Tell(s, "Rodzaj " + RTrim(rd) + " zajety - zamowienie nie zapisane");
      return false;
    }
    const long counter = static_cast<long>(FieldNumber(*slow, "NRD"));
    long number = counter + 1;
    if (h.printed && Val(nrd) > 0) number = static_cast<long>(Val(nrd));
    while (!OrderRecords(*headers, odb + rd + Str(static_cast<double>(number), 8)).empty()) ++number;
    // A counter not raised is safe: the search above skips the numbers already taken.
    if (number > counter) (void)slow->Replace("NRD", Value(static_cast<double>(number)));
    (void)slow->Unlock();
    (void)slow->Commit();
    nrd = Str(static_cast<double>(number), 8);
  }
  const std::string key = odb + rd + nrd;

  // A saved order is replaced whole.
  Status st = DeleteRecords(ui, *rows, OrderRecords(*rows, key));
  if (st.ok()) st = DeleteRecords(ui, *headers, OrderRecords(*headers, key));
  if (!st.ok()) {
    Tell(s, "Zamowienie zajete na innym stanowisku");
    return false;
  }

  const DocKind& k = kind->kind;
  const JulianDay data = h.data != kEmptyDate ? h.data : s.Today();
  std::vector<uint32_t> written_rows;
  double netto = 0, vat = 0;
  std::string lp;
  int n = 0;
  for (const DocLine& line : *lines) {
    if (!st.ok()) break;
    st = store::AddRecArea(ui, *rows, kAppendWait);
    if (!st.ok()) break;
    written_rows.push_back(rows->recno());
    // The working line whole, under the order's header fields and its own number.
    DocLine row = UnderHeader(line, k, rd, nrd, data, odb);
    row.lp = lp = LineNumberFor(++n, lp);
    for (const auto& [field, value] : LineRecordValues(row, AllLineFields())) {
      if (st.ok()) st = PutField(*rows, field, value);
    }
    if (st.ok()) st = rows->UnlockRecord(rows->recno());
    netto += line.nb == 'B' ? line.wartosc - line.podatek : line.wartosc;
    vat += line.podatek;
  }
  uint32_t header = 0;
  if (st.ok()) st = store::AddRecArea(ui, *headers, kAppendWait);
  if (st.ok()) {
    header = headers->recno();
    for (const auto& [field, value] :
         std::vector<std::pair<std::string_view, Value>>{{"R_P", Value(std::string(1, k.r_p))},
                                                         {"S_Z", Value(std::string(1, k.s_z))},
                                                         {"RD", Value(rd)},
                                                         {"NRD", Value(nrd)},
                                                         {"DATA", Value(xbase::Date{data})},
                                                         {"MAG", Value(PadR(h.mag, 1))},
                                                         {"KTO", Value(std::string(1, k.kto))},
                                                         {"ODB", Value(odb)},
                                                         {"SPZ", Value(PadR(h.spz, 1))},
                                                         {"TEZ", Value(h.tez)},
                                                         {"KWOTA", Value(NewRound(h.kwota, 2))},
                                                         {"NETTO", Value(NewRound(netto, 2))},
                                                         {"VAT", Value(NewRound(vat, 2))},
                                                         {"OPERATOR", Value(Left(s.op().nr, 1))},
                                                         {"R_DATA", Value(xbase::Date{s.Today()})},
                                                         {"R_CZAS", Value(s.clock().TimeText())},
                                                         {"NIP_KRAJ", Value(h.nip_kraj)},
                                                         {"REGON", Value(h.regon)},
                                                         {"NODB", Value(h.nodb)},
                                                         {"NODB1", Value(h.nodb1)},
                                                         {"UODB", Value(h.uodb)},
                                                         {"KODB", Value(h.kodb)},
                                                         {"MODB", Value(h.modb)},
                                                         {"ODBIORCA", Value(h.odbiorca)},
                                                         {"ODBIORC1", Value(h.odbiorc1)}}) {
      if (st.ok()) st = PutField(*headers, field, value);
    }
    if (st.ok()) st = headers->UnlockRecord(header);
  }
  if (st.ok()) st = rows->Commit();
  if (st.ok()) st = headers->Commit();
  if (!st.ok()) {
    // Nothing of a half-written order stays. Each step of the undo is tried whatever the one
    // before gave: the failure itself is told below, and the order is not taken as saved.
    (void)rows->Unlock();
    (void)headers->Unlock();
    (void)DeleteRecords(ui, *rows, written_rows);
    if (header != 0) (void)DeleteRecords(ui, *headers, {header});
    (void)rows->Commit();
    (void)headers->Commit();
    Tell(s, std::string("Błąd zapisu - zamówienie nie zapisane: "_pl) + st.ToString());
    return false;
  }
  v.Set(session::var::M_NRD, Value(nrd));
  return true;
}

}  // namespace hurt::documents
