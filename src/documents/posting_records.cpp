// Posting, step 4b: the header, line records, settlement entry and issue-note marks as
// they will be written (poster.h).

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
#include "store/net_use.h"
#include "store/station_files.h"

namespace hurt::documents::posting_internal {

using namespace hurt::literals;

FieldList Poster::HeaderFields() const {
  const DocKind& k = kind_.kind;
  FieldList h;
  auto text = [&](std::string_view field, std::string_view var) { h.emplace_back(field, Value(Var(var))); };
  h.emplace_back("R_P", Value(std::string(1, k.r_p)));
  h.emplace_back("S_Z", Value(std::string(1, k.s_z)));
  h.emplace_back("RD", Value(rd_));
  h.emplace_back("NRD", Value(nrd_));
  h.emplace_back("DATA", Value(xbase::Date{data_}));
  JulianDay wyd = s_.vars().Date("M_DATA_WYD");
  if (k.RdIs("WZ") || wyd == kEmptyDate) wyd = data_;
  h.emplace_back("DATA_WYD", Value(xbase::Date{wyd}));
  h.emplace_back("MAG", Value(mag_));
  h.emplace_back("KTO", Value(std::string(1, k.kto)));
  h.emplace_back("ODB", Value(odb_));
  for (std::string_view f : {"NIP_KRAJ", "REGON", "NODB", "NODB1", "UODB", "KODB", "MODB", "ODBIORC1", "JPK_XX",
                             "TYP_DOK"}) {
    text(f, "M_" + std::string(f));
  }
  h.emplace_back("ODBIORCA", Value(odbiorca_));
  const std::string spz = PadR(Var("M_SPZ"), 1);
  double tez = VarNum("M_TEZ");
  if (k.IsPurchase() && spz == "P" && tez == 0) tez = 15;
  h.emplace_back("SPZ", Value(spz));
  h.emplace_back("TEZ", Value(tez));
  h.emplace_back("KWOTA", Value(NewRound(VarNum("M_KWOTA"), 2)));
  if (EntryMode()) h.emplace_back("OPERATOR", Value(Left(s_.op().nr, 1)));
  h.emplace_back("R_DATA", Value(xbase::Date{s_.Today()}));
  h.emplace_back("R_CZAS", Value(s_.clock().TimeText()));
  h.emplace_back("WALUTA_X", Value(std::string(waluta_.empty() ? " " : "X")));
  h.emplace_back("WALUTA", Value(waluta_));
  h.emplace_back("KURS", Value(kurs_));
  const JulianDay data_fa = s_.vars().Date("M_DATA_FA");
  if (data_fa != kEmptyDate) h.emplace_back("DATA_FA", Value(xbase::Date{data_fa}));
  h.emplace_back("WARTOSC0", Value(wartosc0_));
  h.emplace_back("NETTO", Value(netto_));
  h.emplace_back("VAT", Value(vat_));
  h.emplace_back("OPA", Value(0.0));
  if (!EntryMode()) h.emplace_back("ZAP", Value(std::string("2")));
  return h;
}

void Poster::PlanHeader() {
  xbase::WorkArea* dowod = AreaOf(s_, store::TableId::kDowod);
  if (op_ == Operation::kRemove) {
    PlannedChange& c = plan_.Change(dowod, posted_.header.recno);
    c.set = {{"ZAP", Value(std::string("2"))},
             {"R_DATA", Value(xbase::Date{s_.Today()})},
             {"R_CZAS", Value(s_.clock().TimeText())}};
    c.deleted = true;
    return;
  }
  if (op_ == Operation::kReplace) {
    plan_.Change(dowod, posted_.header.recno).set = HeaderFields();
    return;
  }
  plan_.appends.push_back({dowod, HeaderFields(), {{"RD", rd_}, {"NRD", nrd_}}, kHeaderAppendWait});
}

// Corrected lines go over the posted records of the same number; posted lines beyond the
// corrected ones are deleted, corrected lines beyond the posted ones appended.
void Poster::PlanLineRecords() {
  xbase::WorkArea* dow = AreaOf(s_, store::TableId::kDow);
  std::map<std::string, uint32_t> by_lp;
  for (const PostedRecord& l : posted_.lines) by_lp.emplace(l.fields.Text("LP"), l.recno);
  std::set<uint32_t> reused;
  for (const FieldList& rec : dow_records_) {
    std::string lp;
    for (const auto& [name, value] : rec) {
      if (name == "LP") lp = value.AsString();
    }
    auto it = by_lp.find(PadL(AllTrim(lp), 3));
    if (it == by_lp.end()) it = by_lp.find(lp);
    if (op_ == Operation::kReplace && it != by_lp.end() && reused.count(it->second) == 0) {
      PlannedChange& c = plan_.Change(dow, it->second);
      c.set = WholeRecord(*dow, rec);
      c.deleted = false;
      reused.insert(it->second);
      continue;
    }
    plan_.appends.push_back({dow, rec, {{"RD", rd_}, {"NRD", nrd_}}, kLineAppendWait});
  }
  for (const PostedRecord& l : posted_.lines) {
    if (reused.count(l.recno) == 0) plan_.Change(dow, l.recno).deleted = true;
  }
}

// ILE_WPLACA: the settlement entry of the document (none for cash, no payment, pro-formas).
std::optional<FieldList> Poster::SettlementFields() const {
  const DocKind& k = kind_.kind;
  const std::string spz = PadR(Var("M_SPZ"), 1);
  if (spz == "G" || spz == "B" || k.HasTag("PROFORMA")) return std::nullopt;
  xbase::WorkArea* fa = AreaOf(s_, store::TableId::kFaN);
  if (fa == nullptr || fa->FieldIndex("MAG") < 0) return std::nullopt;
  double value = NewRound(netto_ + vat_, 2);
  if (k.IsPurchase() && (k.HasTag("WEWN") || k.HasTag("ODWROTNE")) && data_ < JulianFromYmd(2019, 11, 1)) {
    value = netto_;
  }
  const double paid = NewRound(VarNum("M_KWOTA"), 2);
  const std::string klasa = k.Klasa();
  const bool debit = k.IsIssue() || k.IsTransfer() || klasa == "KS";
  const bool credit = k.IsReceipt() || klasa == "KZ";
  const double tez = VarNum("M_TEZ");
  FieldList e = {
      {"R_P", Value(std::string(1, k.r_p))},
      {"ODB", Value(odb_)},
      {"DATA", Value(xbase::Date{data_})},
      {"MAG", Value(mag_ == "0" ? std::string("1") : mag_)},
      {"RD", Value(rd_)},
      {"NRD", Value(nrd_)},
      {"TRESC", Value(Left(odbiorca_, 17))},
      {"SPZ", Value(spz)},
      {"TEZ", Value(tez)},
      {"TERMIN", Value(xbase::Date{static_cast<JulianDay>(data_ + static_cast<JulianDay>(tez))})},
      {"KTO", Value(std::string(1, k.kto))},
      {"OBWN", Value(debit ? value : paid)},
      {"OBMA", Value(credit ? value : paid)},
  };
  if (!waluta_.empty()) {
    e.emplace_back("WALUTA_X", Value(std::string("X")));
    e.emplace_back("WALUTA", Value(waluta_));
    e.emplace_back("KURS", Value(kurs_));
  }
  return e;
}

// A corrected document reuses its first entry of the month; its other entries go, and so
// do all of them when the corrected document is paid in cash or removed.
void Poster::PlanSettlement() {
  xbase::WorkArea* fa = AreaOf(s_, store::TableId::kFaN);
  std::optional<FieldList> entry = op_ == Operation::kRemove ? std::nullopt : SettlementFields();
  size_t next = 0;
  if (entry && !posted_.entries.empty()) {
    PlannedChange& c = plan_.Change(fa, posted_.entries.front());
    c.set = WholeRecord(*fa, *entry);
    c.deleted = false;
    next = 1;
  } else if (entry) {
    plan_.appends.push_back({fa, *entry, {{"RD", rd_}, {"NRD", nrd_}}, kLineAppendWait});
  }
  for (size_t i = next; i < posted_.entries.size(); ++i) plan_.Change(fa, posted_.entries[i]).deleted = true;
}

// The issue notes of an invoice point at it (and their lines name it); a removed invoice
// lets its notes go.
void Poster::PlanNotes() {
  xbase::WorkArea* dowod = AreaOf(s_, store::TableId::kDowod);
  xbase::WorkArea* dow = AreaOf(s_, store::TableId::kDow);
  const bool named = dow->FieldIndex("NAZWA_EX") >= 0;
  for (const NoteRef& n : notes_) {
    plan_.Change(dowod, n.recno).set = {{"R_RD", Value(rd_)}, {"R_NRD", Value(nrd_)}};
    if (!named) continue;
    for (uint32_t r : n.lines) plan_.Change(dow, r).set = {{"NAZWA_EX", Value(DocText(rd_, nrd_))}};
  }
  for (const PostedRecord& n : posted_.notes) {
    plan_.Change(dowod, n.recno).set = {{"R_RD", Value(std::string())}, {"R_NRD", Value(std::string())}};
    if (!named) continue;
    const std::string note_rd = PadR(n.fields.Text("RD"), 3);
    const std::string note_nrd = PadL(AllTrim(n.fields.Text("NRD")), 8);
    for (uint32_t r : RecordsOf(*dow, note_rd, note_nrd)) {
      if (!dow->GoTo(r).ok() || RTrim(FieldText(*dow, "NAZWA_EX")) != DocText(rd_, nrd_)) continue;
      if (!dow->LockRecord(r).ok()) continue;  // the name is a remark; the link is the header's
      plan_.Change(dow, r).set = {{"NAZWA_EX", Value(std::string())}};
    }
  }
}

}  // namespace hurt::documents::posting_internal
