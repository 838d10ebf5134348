// Posting, step 1: the document, the posted document a correction replaces, the issue
// notes an invoice is made from (poster.h).

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "documents/posting.h"

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/message_window.h"
#include "documents/header_rules.h"
#include "documents/line_session.h"
#include "documents/poster.h"
#include "documents/posting_internal.h"
#include "documents/posting_journal.h"
#include "documents/posting_math.h"
#include "documents/posting_writes.h"
#include "documents/reservation_ledger.h"
#include "documents/reservations.h"
#include "documents/station_recovery.h"
#include "documents/stock_effect.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "session/var_names.h"
#include "store/field_names.h"
#include "store/net_use.h"
#include "store/station_files.h"

namespace hurt::documents::posting_internal {

using namespace hurt::literals;

// ---- 1. the document --------------------------------------------------------------------

bool Poster::ReadDocument() {
  const DocKind& k = kind_.kind;
  waluta_ = header_.waluta;
  kurs_ = header_.kurs;
  if (!IsForeignCurrency(waluta_)) {
    waluta_.clear();
    kurs_ = 0;
  }
  if (op_ != Operation::kRemove) {
    auto lines = ReadWorkLines(s_);
    if (!lines.ok()) return Fail("Błąd odczytu pozycji dowodu"_pl);
    lines_ = std::move(*lines);
  }
  // J_FA_SORT: a sale goes in by warehouse and article code.
  if (k.IsSale() && XbaseEquals(s_.settings().Text("J_FA_SORT"), "T")) SortSaleLines(lines_);
  mag_ = header_.mag;
  if (IsBlank(mag_) || mag_ == "0") mag_ = s_.settings().MagGlow();
  mag_ = PadR(mag_, 1);
  odb_ = PadR(header_.odb, 8);
  data_ = header_.data;
  if (data_ == kEmptyDate) data_ = s_.Today();
  // An issue note is never paid: the goods are paid by the invoice made from it.
  if (k.RdIs("WZ")) {
    header_.spz = "B";
    header_.tez = 0;
    s_.vars().Set(session::var::M_SPZ, Value(header_.spz));
    s_.vars().Set(session::var::M_TEZ, Value(header_.tez));
  }
  const std::string line_mag = IsBlank(header_.mag) ? std::string("1") : Left(header_.mag, 1);
  for (size_t i = 0; i < lines_.size(); ++i) {
    DocLine& line = lines_[i];
    if (IsBlank(line.mag)) line.mag = line_mag;
    if (i == 0) {
      line.spz = PadR(header_.spz, 1);
      line.tez = header_.tez;
    }
  }
  odbiorca_ = header_.odbiorca;
  if (New() && !IsBlank(header_.notes) && !FromIssueNotes(k, odbiorca_)) {
    // The invoice of issue notes says so in its header, where corrections and the checker
    // read it.
    odbiorca_ = "WZ " + LTrim(odbiorca_);
  }
  stock_.kind = k;
  stock_.odb = odb_;
  stock_.from_issue_notes = FromIssueNotes(k, odbiorca_);
  stock_.kurs = kurs_;
  stock_.entry = EntryMode();
  stock_.j_odch = s_.settings().Text("J_ODCH") == "T";
  stock_.j_zle_uzgo = s_.settings().Text("J_ZLE_UZGO") == "T";
  return true;
}

PostedRecord ReadRecord(xbase::WorkArea& a, uint32_t recno) {
  PostedRecord r;
  r.recno = recno;
  if (!a.GoTo(recno).ok()) return r;
  for (int i = 0; i < a.field_count(); ++i) {
    auto v = a.Get(i);
    if (v.ok()) r.fields.fields.emplace_back(a.field(i).name, *v);
  }
  return r;
}

PostedLine ReadPostedLine(xbase::WorkArea& a, uint32_t recno) {
  PostedLine l;
  l.recno = recno;
  if (a.GoTo(recno).ok()) l.line = ReadWholeLineRecord(a);
  return l;
}

bool Poster::ReadPosted() {
  xbase::WorkArea* dowod = AreaOf(s_, store::TableId::kDowod);
  xbase::WorkArea* dow = AreaOf(s_, store::TableId::kDow);
  xbase::WorkArea* fa = AreaOf(s_, store::TableId::kFaN);
  const std::vector<uint32_t> headers = RecordsOf(*dowod, rd_, nrd_);
  if (headers.empty()) {
    if (op_ == Operation::kRemove) return Fail("Brak dowodu " + DocText(rd_, nrd_));
    // A number typed for a kind that allows it ([NRD]): a new document under it.
    op_ = Operation::kNew;
    return true;
  }
  posted_.found = true;
  posted_.header = ReadRecord(*dowod, headers.front());
  const RecordFields& h = posted_.header.fields;
  for (uint32_t r : RecordsOf(*dow, rd_, nrd_)) posted_.lines.push_back(ReadPostedLine(*dow, r));
  const std::string spz = h.Text("SPZ");
  if (fa != nullptr && fa->FieldIndex("MAG") >= 0) {
    const Ymd doc = YmdFromJulian(h.Get("DATA").AsDate().day);
    for (uint32_t r : RecordsOf(*fa, rd_, nrd_)) {
      if (!fa->GoTo(r).ok()) continue;
      const Ymd entry = YmdFromJulian(FieldDate(*fa, "DATA"));
      if (FieldText(*fa, "MAG") == "0" || entry.year != doc.year || entry.month != doc.month) continue;
      posted_.entries.push_back(r);
    }
  }
  StockDocument& old = posted_.stock;
  old.kind = kind_.kind;
  old.odb = PadR(h.Text("ODB"), 8);
  old.from_issue_notes = FromIssueNotes(kind_.kind, h.Text("ODBIORCA"));
  old.kurs = IsForeignCurrency(h.Text("WALUTA")) ? h.Number("KURS") : 0;
  old.entry = true;
  old.j_odch = stock_.j_odch;
  old.j_zle_uzgo = stock_.j_zle_uzgo;
  if (op_ == Operation::kRemove && old.from_issue_notes) {
    // The notes taken into the invoice are free again once it is gone.
    const uint32_t back = dowod->recno();
    const int order = dowod->order();
    Status st = dowod->SetOrder(0);
    for (st = st.ok() ? dowod->GoTop() : st; st.ok() && !dowod->eof(); st = dowod->Skip()) {
      if (PadR(FieldText(*dowod, "R_RD"), 3) == rd_ && PadL(AllTrim(FieldText(*dowod, "R_NRD")), 8) == nrd_) {
        posted_.notes.push_back(ReadRecord(*dowod, dowod->recno()));
      }
    }
    (void)dowod->SetOrder(order);  // a failed order change leaves the natural order: only a position
    (void)dowod->GoTo(back);
    if (!st.ok()) return Fail("Plik dowod niedostepny");
  }
  return true;
}

// The issue notes named by the invoice-from-notes routine (kNotesVariable: RD and NRD of
// each, 11 characters apiece).
bool Poster::ReadNotes() {
  const std::string list = header_.notes;
  if (IsBlank(list) || !New()) return true;
  xbase::WorkArea* dowod = AreaOf(s_, store::TableId::kDowod);
  xbase::WorkArea* dow = AreaOf(s_, store::TableId::kDow);
  for (size_t at = 0; at + 11 <= list.size(); at += 11) {
    NoteRef n;
    n.rd = PadR(list.substr(at, 3), 3);
    n.nrd = PadL(AllTrim(list.substr(at + 3, 8)), 8);
    const std::vector<uint32_t> headers = RecordsOf(*dowod, n.rd, n.nrd);
    if (headers.empty()) return Fail("Brak dowodu " + DocText(n.rd, n.nrd) + " - faktura nie zapisana");
    n.recno = headers.front();
    n.lines = RecordsOf(*dow, n.rd, n.nrd);
    notes_.push_back(std::move(n));
  }
  return true;
}

// The header text "WZ …" marks an invoice made from issue notes; only the routine that
// makes one sets it, and a correction keeps it.
bool Poster::NotesMarkerAllowed() {
  const bool marked = FromIssueNotes(kind_.kind, odbiorca_);
  if (op_ == Operation::kReplace && posted_.stock.from_issue_notes && !marked) {
    odbiorca_ = "WZ " + LTrim(odbiorca_);
    stock_.from_issue_notes = true;
    return true;
  }
  const bool linked = op_ == Operation::kNew ? !notes_.empty() : posted_.stock.from_issue_notes;
  if (marked && !linked && op_ != Operation::kRemove) {
    return Fail(std::string("Uwagi \"WZ ...\" ma tylko faktura do WZ - zmień uwagi"_pl));
  }
  return true;
}

// An invoice made from issue notes bills exactly the goods of its notes: its stock moved
// with them, so a quantity of its own would be goods nobody issued.
bool Poster::BillsTheNotes() {
  if (op_ == Operation::kRemove || !stock_.from_issue_notes) return true;
  std::map<std::string, double> billed, issued;
  for (const DocLine& l : lines_) billed[ArticleKey(l.mag, l.indeks)] += l.ilosc;
  if (op_ == Operation::kReplace) {
    for (const PostedLine& l : posted_.lines) issued[ArticleKey(l.line.mag, l.line.indeks)] += l.line.ilosc;
  } else {
    xbase::WorkArea* dow = AreaOf(s_, store::TableId::kDow);
    for (const NoteRef& n : notes_) {
      for (uint32_t r : n.lines) {
        if (!dow->GoTo(r).ok()) return Fail("Plik dow niedostepny");
        issued[ArticleKey(FieldText(*dow, "MAG"), FieldText(*dow, "INDEKS"))] += FieldNumber(*dow, "ILOSC");
      }
    }
  }
  for (auto* side : {&billed, &issued}) {
    for (const auto& [key, q] : *side) {
      if (FormatFixed(billed[key], 3) != FormatFixed(issued[key], 3)) {
        return Fail(std::string("Ilość inna niż na WZ: "_pl) + key.substr(0, 1) + "-" + RTrim(key.substr(1)));
      }
    }
  }
  return true;
}

}  // namespace hurt::documents::posting_internal
