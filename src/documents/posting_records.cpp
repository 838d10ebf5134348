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
#include "store/field_names.h"
#include "store/net_use.h"
#include "store/station_files.h"

namespace hurt::documents::posting_internal {

using namespace hurt::literals;

FieldList Poster::HeaderFields() const {
  const DocKind& k = kind_.kind;
  namespace f = store::field::dowod;
  FieldList h;
  h.emplace_back(f::R_P, Value(std::string(1, k.r_p)));
  h.emplace_back(f::S_Z, Value(std::string(1, k.s_z)));
  h.emplace_back(f::RD, Value(rd_));
  h.emplace_back(f::NRD, Value(nrd_));
  h.emplace_back(f::DATA, Value(xbase::Date{data_}));
  JulianDay wyd = header_.data_wyd;
  if (k.RdIs("WZ") || wyd == kEmptyDate) wyd = data_;
  h.emplace_back(f::DATA_WYD, Value(xbase::Date{wyd}));
  h.emplace_back(f::MAG, Value(mag_));
  h.emplace_back(f::KTO, Value(std::string(1, k.kto)));
  h.emplace_back(f::ODB, Value(odb_));
  h.emplace_back(f::NIP_KRAJ, Value(header_.nip_kraj));
  h.emplace_back(f::REGON, Value(header_.regon));
  h.emplace_back(f::NODB, Value(header_.nodb));
  h.emplace_back(f::NODB1, Value(header_.nodb1));
  h.emplace_back(f::UODB, Value(header_.uodb));
  h.emplace_back(f::KODB, Value(header_.kodb));
  h.emplace_back(f::MODB, Value(header_.modb));
  h.emplace_back(f::ODBIORC1, Value(header_.odbiorc1));
  h.emplace_back(f::JPK_XX, Value(header_.jpk_xx));
  h.emplace_back(f::TYP_DOK, Value(header_.typ_dok));
  h.emplace_back(f::ODBIORCA, Value(odbiorca_));
  const std::string spz = PadR(header_.spz, 1);
  double tez = header_.tez;
  if (k.IsPurchase() && spz == "P" && tez == 0) tez = 15;
  h.emplace_back(f::SPZ, Value(spz));
  h.emplace_back(f::TEZ, Value(tez));
  h.emplace_back(f::KWOTA, Value(NewRound(header_.kwota, 2)));
  if (EntryMode()) h.emplace_back(f::OPERATOR, Value(Left(s_.op().nr, 1)));
  h.emplace_back(f::R_DATA, Value(xbase::Date{s_.Today()}));
  h.emplace_back(f::R_CZAS, Value(s_.clock().TimeText()));
  h.emplace_back(f::WALUTA_X, Value(std::string(waluta_.empty() ? " " : "X")));
  h.emplace_back(f::WALUTA, Value(waluta_));
  h.emplace_back(f::KURS, Value(kurs_));
  if (header_.data_fa != kEmptyDate) h.emplace_back(f::DATA_FA, Value(xbase::Date{header_.data_fa}));
  h.emplace_back(f::WARTOSC0, Value(wartosc0_));
  h.emplace_back(f::NETTO, Value(netto_));
  h.emplace_back(f::VAT, Value(vat_));
  h.emplace_back(f::OPA, Value(0.0));
  if (!EntryMode()) h.emplace_back(f::ZAP, Value(std::string("2")));
  // The order the invoice fulfils, where the headers keep the link.
  const xbase::WorkArea* dowod = AreaOf(s_, store::TableId::kDowod);
  if (!header_.zam_rd.empty() && dowod != nullptr && dowod->FieldIndex(f::ZAM_RD) >= 0) {
    h.emplace_back(f::ZAM_RD, Value(header_.zam_rd));
    h.emplace_back(f::ZAM_NRD, Value(header_.zam_nrd));
    h.emplace_back(f::ZAM_DATA, Value(xbase::Date{header_.zam_data}));
    h.emplace_back(f::OPERATOR_Z, Value(Left(s_.op().nr, 1)));
  }
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
  for (const PostedLine& l : posted_.lines) by_lp.emplace(l.line.lp, l.recno);
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
  for (const PostedLine& l : posted_.lines) {
    if (reused.count(l.recno) == 0) plan_.Change(dow, l.recno).deleted = true;
  }
}

OpenItemHeader Poster::ItemHeader() const {
  const DocKind& k = kind_.kind;
  OpenItemHeader h;
  h.r_p = k.r_p;
  h.s_z = k.s_z;
  h.rd = rd_;
  h.mag = mag_ == "0" ? std::string("1") : mag_;  // a posted document is never a money document
  h.spz = PadR(header_.spz, 1);
  h.netto = netto_;
  h.vat = vat_;
  h.kwota = header_.kwota;
  h.data = data_;
  h.tez = header_.tez;
  h.odbiorca = odbiorca_;
  h.kurs = waluta_.empty() ? 0 : kurs_;
  h.proforma = k.HasTag("PROFORMA");
  h.internal_vat = k.IsPurchase() && (k.HasTag("WEWN") || k.HasTag("ODWROTNE"));
  h.rrr_marker = s_.FileX("RRR.TXT");
  h.farmer_kind = k.HasTag("ROLNIK") && !k.HasTag("ROLNIK.---");
  const Value& rr = s_.vars().Get("M_DATA_RR");
  h.m_data_rr = rr.IsDate() ? rr.AsDate().day : kEmptyDate;
  h.rolnik_rr0 = s_.FileX("ROLNIK.RR0");
  return h;
}

// ILE_WPLACA: the settlement entry of the document (open_item.h; none for cash, no
// payment, pro-formas).
std::optional<FieldList> Poster::SettlementFields() const {
  const DocKind& k = kind_.kind;
  xbase::WorkArea* fa = AreaOf(s_, store::TableId::kFaN);
  if (fa == nullptr || fa->FieldIndex("MAG") < 0) return std::nullopt;
  const std::optional<OpenItem> item = OpenItemOf(ItemHeader());
  if (!item) return std::nullopt;
  namespace f = store::field::fa_n;
  FieldList e;
  e.emplace_back(f::R_P, Value(std::string(1, k.r_p)));
  e.emplace_back(f::ODB, Value(odb_));
  e.emplace_back(f::DATA, Value(xbase::Date{data_}));
  e.emplace_back(f::MAG, Value(mag_ == "0" ? std::string("1") : mag_));
  e.emplace_back(f::RD, Value(rd_));
  e.emplace_back(f::NRD, Value(nrd_));
  e.emplace_back(f::TRESC, Value(item->tresc));
  e.emplace_back(f::SPZ, Value(item->spz));
  e.emplace_back(f::TEZ, Value(header_.tez));
  e.emplace_back(f::TERMIN, Value(xbase::Date{item->termin}));
  e.emplace_back(f::KTO, Value(std::string(1, k.kto)));
  e.emplace_back(f::OBWN, Value(item->obwn));
  e.emplace_back(f::OBMA, Value(item->obma));
  if (!waluta_.empty()) {
    e.emplace_back(f::WALUTA_X, Value(std::string("X")));
    e.emplace_back(f::WALUTA, Value(waluta_));
    e.emplace_back(f::KURS, Value(kurs_));
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
  // The balances: the old entries that were still open are taken off, the new one added.
  for (const PostedEntry& old : posted_.entry_amounts) {
    if (old.deleted) continue;
    auto it = counterparties_.find({old.kto, old.odb});
    if (it == counterparties_.end()) continue;
    it->second.add_wn -= old.saldo_wn;
    it->second.add_ma -= old.saldo_ma;
  }
  if (entry) {
    const std::optional<OpenItem> item = OpenItemOf(ItemHeader());
    auto it = counterparties_.find({kind_.kind.kto, odb_});
    if (item && it != counterparties_.end()) {
      it->second.add_wn += item->saldo_wn;
      it->second.add_ma += item->saldo_ma;
    }
  }
  PlanBalances();
}

// Each counterparty's OBWN/OBMA as read under the lock plus what this posting adds; a
// counterparty missing from its catalogue is appended with its key and name.
void Poster::PlanBalances() {
  for (auto& [key, c] : counterparties_) {
    const double add_wn = NewRound(c.add_wn, 2);
    const double add_ma = NewRound(c.add_ma, 2);
    if (add_wn == 0 && add_ma == 0) continue;
    const double obwn = NewRound(c.obwn + add_wn, 2);
    const double obma = NewRound(c.obma + add_ma, 2);
    if (c.recno != 0) {
      plan_.Change(c.area, c.recno).set = {{"OBWN", Value(obwn)}, {"OBMA", Value(obma)}};
      continue;
    }
    plan_.appends.push_back({c.area,
                             {{"ODB", Value(key.second)}, {"NODB", Value(c.nodb)}, {"OBWN", Value(obwn)},
                              {"OBMA", Value(obma)}},
                             {{"ODB", AllTrim(key.second)}},
                             kLineAppendWait});
  }
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
