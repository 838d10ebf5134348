// REP_DOW_WITH_D: the posting of one document, all or nothing.
//
// Three kinds of posting go through here:
//   - a new document (entry mode): it takes the next number of its kind;
//   - a corrected document: the posted one it replaces stays exactly as it was until this
//     moment, and is replaced by the corrected one in the same journalled step (its stock
//     taken back, the corrected lines' stock applied, header, lines and settlement entry
//     written over);
//   - the removal of a posted document whose correction was left with no lines.
//
// Steps:
//   1. Read the kind, the header variables and the working lines; refuse offers and hand
//      orders over. Take back first what stations that are gone left half done.
//   2. Take what posting changes, by record locks with a bounded number of attempts: the
//      kind's record in `slow` (new documents), the posted header, its lines and
//      settlement entries (corrections), the issue notes an invoice is made from, and
//      every article of the old and new lines in ascending record order. Anything busy:
//      release all, name it, post nothing.
//   3. Give the number (the counter, ZIKO_NRD against `dowod`).
//   4. Plan in memory every write: header, lines, articles (the stock rule of
//      stock_effect.h, taking the old lines back first), settlement entry, notes, the
//      corrections register.
//   5. Write the journal of those writes (durable) to rob/post<nn>.jnl.
//   6. Write the tables; DOW_COMMIT; remove the journal; release the station's
//      reservations (its ledger); release the locks.
// A failure while writing takes back what was written (from the journal) and reports.
#include "documents/posting.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <set>

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
#include "store/net_use.h"
#include "store/field_names.h"
#include "store/station_files.h"

namespace hurt::documents {

namespace posting_internal {

using namespace hurt::literals;

bool Poster::Fail(std::string_view text) {
  ReleaseAll();
  Tell(s_, text);
  return false;
}

void Poster::ReleaseAll() {
  for (store::TableId id : {store::TableId::kAs, store::TableId::kDowod, store::TableId::kDow,
                            store::TableId::kFaN, store::TableId::kSlow}) {
    if (xbase::WorkArea* a = AreaOf(s_, id)) (void)a->Unlock();  // releasing a lock we hold cannot lose data
  }
  // Only the counterparties' records: the catalogues are the screens' too.
  for (auto& [key, c] : counterparties_) {
    if (c.recno != 0) (void)c.area->UnlockRecord(c.recno);
  }
}

Article* Poster::ArticleOf(std::string_view mag, std::string_view indeks) {
  auto it = articles_.find(ArticleKey(mag, indeks));
  return it == articles_.end() || it->second.recno == 0 ? nullptr : &it->second;
}

// ---- the run ----------------------------------------------------------------------------

bool Poster::Run() {
  // 1. The document.
  rd_ = PadR(header_.rd, 3);
  auto kind = ReadKind(s_, rd_);
  if (!kind.ok()) return Fail("Brak rodzaju dowodu " + rd_);
  kind_ = *kind;
  const DocKind& k = kind_.kind;
  if (op_ != Operation::kRemove && k.IsSale() &&
      (header_.tresc.find("OFERTA") != std::string::npos || header_.odbiorca.find("OFERTA") != std::string::npos)) {
    (void)console::Okno(s_.con(), "Zapisac OFERTĘ ?"_pl, "T");  // an offer is never posted, whatever the answer
    return false;
  }
  if (op_ != Operation::kRemove &&
      (k.RdIs("ZAM") || (k.IsSale() && k.HasTag("ZAMOWIEN") && s_.FileX("FV_ZAL.TXT")))) {
    return ZapiszZam(s_, ui_, klucz_);
  }
  nrd_ = PadL(AllTrim(header_.nrd), 8);
  if (!ReadDocument()) return false;
  if (op_ != Operation::kNew && !ReadPosted()) return false;
  if (!ReadNotes()) return false;
  if (!NotesMarkerAllowed()) return false;
  auto ledger = ReadLedger(s_.env(), LedgerPath(s_.root(), s_.stacja()));
  if (!ledger.ok()) return Fail(std::string("Błąd pliku rezerwacji stanowiska: "_pl) + ledger.status().message());
  ledger_ = std::move(*ledger);

  // 2. Locks, with what stations that are gone left taken back first (and this station's
  // own journal, should a posting of its own have failed to take itself back); 3. the
  // number.
  if (const Status own = TakeBackOwnJournal(s_); !own.ok()) {
    return Fail(std::string("Nie cofnięto poprzedniego zapisu: "_pl) + own.message());
  }
  TakeBackGoneStations(s_, ui_);
  bool locked = false;
  for (int round = 0; round < kRecoveryRounds && !locked; ++round) {
    bool gone_found = false;
    locked = TakeLocks(&gone_found);
    if (!locked && !gone_found) return false;
    if (!locked) TakeBackGoneStations(s_, ui_);
  }
  if (!locked) return Fail("Nie moge zapisac dowodu - sprobuj jeszcze raz");
  if (!BillsTheNotes()) return false;
  if (!GiveNumber()) return false;

  // 4. The plan.
  PlanOldLines();
  PlanLines();
  PlanReservations();
  xbase::WorkArea* slow = AreaOf(s_, store::TableId::kSlow);
  if (New() && klucz_ != 2) {
    PlannedChange& c = plan_.Change(slow, kind_.recno);
    c.set.clear();
    c.set.emplace_back(store::field::slow::NRD, Value(static_cast<double>(counter_)));
    if (uzgodnic_n_) c.set.emplace_back(store::field::slow::UZGODNIC, Value(std::string("N")));
  }
  PlanHeader();
  PlanLineRecords();
  PlanArticles();
  PlanSettlement();
  PlanNotes();

  // 5. Journal.
  journal_path_ = JournalPath(s_.root(), s_.stacja());
  journal_ = PostingJournal{};
  journal_.what = rd_ + nrd_;
  Status st = s_.env().CreateDirs(s_.Path("rob"));
  if (st.ok()) st = JournalPlan(plan_, s_.root(), journal_);
  if (st.ok()) st = WriteJournal(s_.env(), journal_path_, journal_);
  if (!st.ok()) {
    (void)RemoveJournal(s_.env(), journal_path_);  // nothing was written: a journal left would be taken back harmlessly
    return Fail("Nie moge zapisac dziennika - dowod nie zapisany");
  }

  // 6. Tables.
  st = ApplyKorekty();
  if (st.ok()) st = ApplyPlan(plan_, ui_);
  if (st.ok()) st = DowCommit(s_, k.kto);
  if (!st.ok()) {
    // Taken back while every lock is still held: another station that got a record now
    // would build on what is about to be undone.
    for (store::TableId id : {store::TableId::kAs, store::TableId::kDowod, store::TableId::kDow,
                              store::TableId::kFaN, store::TableId::kSlow, store::TableId::kZo,
                              store::TableId::kZd, store::TableId::kZp, store::TableId::kZf}) {
      if (xbase::WorkArea* a = AreaOf(s_, id)) (void)a->GoTop();  // only a position before the undo
    }
    const Status undone = UndoJournal(s_.areas(), s_.root(), journal_);
    // A journal that could not be taken back stays; the station's next posting (or the
    // next station, once this one is gone) takes it back first.
    if (undone.ok()) (void)RemoveJournal(s_.env(), journal_path_);
    ReleaseAll();
    return Fail(std::string("Błąd zapisu - dowód nie zapisany: "_pl) + st.ToString());
  }
  // The document is on disk: the journal goes, then the station's reservations, which
  // posting has just issued.
  const Status removed = RemoveJournal(s_.env(), journal_path_);
  const Status released = WriteLedger(s_.env(), LedgerPath(s_.root(), s_.stacja()), Ledger{});
  ReleaseAll();
  if (!removed.ok() || !released.ok()) {
    // Both are taken back right by any station once this one is gone; say so now.
    Tell(s_, "Dowod zapisany; nie usunieto pliku roboczego w rob");
  }
  if (op_ != Operation::kRemove) {
    s_.vars().Set(session::var::M_NRD, Value(nrd_));
    s_.vars().Set(session::var::M_ODBIORCA, Value(odbiorca_));
  }
  s_.vars().Set(kNotesVariable, Value(std::string()));
  s_.vars().Set(session::var::M_ZAM_RD, Value(std::string()));
  return true;
}

// The corrections register KOREKTY/KOREK_<YY>: a correction that names the corrected
// document is recorded once per pair. It is appended (and journalled) before the
// posting's other writes.
Status Poster::ApplyKorekty() {
  if (op_ == Operation::kRemove) return Status::Ok();
  const std::string klasa = kind_.kind.Klasa();
  if (klasa != "KS" && klasa != "KZ") return Status::Ok();
  std::string kor_rd = PadR(header_.rd_kor, 3);
  std::string kor_nrd = PadL(AllTrim(header_.nrd_kor), 8);
  JulianDay kor_data = header_.data_kor;
  if (IsBlank(kor_rd) || IsBlank(kor_nrd)) {
    // The corrected document as the header names it ("Nr faktury korygowanej").
    const std::optional<CorrectedDocument> named = CorrectedDocumentOf(odbiorca_);
    if (!named) return Status::Ok();
    kor_rd = named->rd;
    kor_nrd = named->nrd;
    kor_data = kEmptyDate;
  }
  if (kor_data == kEmptyDate) {
    // Its date, when it is a document of this month; the register of the correction's
    // year otherwise.
    xbase::WorkArea* dowod = AreaOf(s_, store::TableId::kDowod);
    const std::vector<uint32_t> found = RecordsOf(*dowod, kor_rd, kor_nrd);
    if (!found.empty() && dowod->GoTo(found.front()).ok()) kor_data = FieldDate(*dowod, "DATA");
  }
  if (kor_data == kEmptyDate) kor_data = data_;
  s_.vars().Set(session::var::M_RD_KOR, Value(kor_rd));
  s_.vars().Set(session::var::M_NRD_KOR, Value(kor_nrd));
  s_.vars().Set(session::var::M_DATA_KOR, Value(xbase::Date{kor_data}));
  const std::string yy = Dtos(kor_data).substr(2, 2);
  const std::string base = s_.Path("korekty/korek_" + yy);
  const std::string dbf = base + ".dbf";
  const std::string ntx = base + ".ntx";
  xbase::Env& env = s_.env();
  if (!env.Exists(dbf)) {
    HURT_RETURN_IF_ERROR(env.CreateDirs(s_.Path("korekty")));
    std::vector<xbase::DbfFieldDescriptor> fields = {
        {"RD", 'C', 3, 0},  {"NRD", 'C', 8, 0},  {"DATA", 'D', 8, 0},  {"ODB", 'C', 8, 0},
        {"RD_", 'C', 3, 0}, {"NRD_", 'C', 8, 0}, {"DATA_", 'D', 8, 0}, {"ODB_", 'C', 8, 0},
    };
    HURT_RETURN_IF_ERROR(xbase::Table::Create(env, dbf, fields));
  }
  const int area = s_.areas().FirstFree(180, 199);
  if (area == 0) return Status::Busy("no free work area");
  auto opened = s_.areas().Open(area, dbf, "korek");
  HURT_RETURN_IF_ERROR(opened.status());
  struct Closer {
    session::Session& s;
    int area;
    ~Closer() { (void)s.areas().Close(area); }  // the register was committed before
  } closer{s_, area};
  xbase::WorkArea& k = **opened;
  if (!env.Exists(ntx)) {
    HURT_RETURN_IF_ERROR(store::FilLockArea(ui_, k, 5));
    if (!env.Exists(ntx)) HURT_RETURN_IF_ERROR(k.CreateOrder(ntx, "rd+nrd+DTOS(data)+STR(RECNO(),4)").status());
    HURT_RETURN_IF_ERROR(k.Unlock());
  } else {
    HURT_RETURN_IF_ERROR(k.AttachOrder(ntx).status());
  }
  HURT_RETURN_IF_ERROR(k.SetOrder(1));
  auto found = k.SeekKey(kor_rd + kor_nrd);
  HURT_RETURN_IF_ERROR(found.status());
  while (*found && !k.eof() && FieldText(k, "RD") == kor_rd && FieldText(k, "NRD") == kor_nrd) {
    if (FieldText(k, "RD_") == rd_ && FieldText(k, "NRD_") == nrd_) return Status::Ok();  // recorded already
    HURT_RETURN_IF_ERROR(k.Skip());
  }
  auto n = k.RecCount();
  HURT_RETURN_IF_ERROR(n.status());
  journal_.appended.push_back({RelativeToRoot(s_.root(), dbf), *n, {{"RD_", rd_}, {"NRD_", nrd_}}});
  HURT_RETURN_IF_ERROR(WriteJournal(env, journal_path_, journal_));
  HURT_RETURN_IF_ERROR(store::AddRecArea(ui_, k, kLineAppendWait));
  HURT_RETURN_IF_ERROR(PutField(k, "RD", Value(kor_rd)));
  HURT_RETURN_IF_ERROR(PutField(k, "NRD", Value(kor_nrd)));
  HURT_RETURN_IF_ERROR(PutField(k, "DATA", Value(xbase::Date{kor_data})));
  HURT_RETURN_IF_ERROR(PutField(k, "ODB", Value(odb_)));
  HURT_RETURN_IF_ERROR(PutField(k, "RD_", Value(rd_)));
  HURT_RETURN_IF_ERROR(PutField(k, "NRD_", Value(nrd_)));
  HURT_RETURN_IF_ERROR(PutField(k, "DATA_", Value(xbase::Date{data_})));
  HURT_RETURN_IF_ERROR(PutField(k, "ODB_", Value(odb_)));
  HURT_RETURN_IF_ERROR(k.Unlock());
  return k.Commit();
}

}  // namespace posting_internal

using posting_internal::Poster;
using posting_internal::AreaOf;
using posting_internal::Tell;

bool RepDowWithD(session::Session& session, store::StoreUi& ui, int mode, const PostingHeader& header) {
  if (session.InArchive()) {
    Tell(session, "Praca w archiwum - blokada");
    return false;
  }
  Poster poster(session, ui, mode, /*remove=*/false, header);
  if (!poster.Run()) return false;
  // A new document of a fiscal kind goes to the printer now that it is posted whole (a
  // correction was on the printer's roll already).
  const session::DocumentActions& actions = session.document_actions();
  if (mode == 0 && actions.goes_to_fiscal_printer && actions.fiscal_document &&
      actions.goes_to_fiscal_printer(session, header.rd)) {
    actions.fiscal_document(session, header.rd, session.vars().Text(session::var::M_NRD));
  }
  if (const auto& after = session.document_actions().after_posting) {
    after(session, header.rd, session.vars().Text(session::var::M_NRD));
  }
  return true;
}

bool RepDowWithD(session::Session& session, store::StoreUi& ui, int mode) {
  return RepDowWithD(session, ui, mode, ReadPostingHeader(session.vars()));
}

bool RepDowWithD(session::Session& session, int mode) {
  session::ConsoleStoreUi ui(session.con());
  return RepDowWithD(session, ui, mode);
}

bool UsunDowod(session::Session& session, store::StoreUi& ui, const PostingHeader& header) {
  if (session.InArchive()) {
    Tell(session, "Praca w archiwum - blokada");
    return false;
  }
  Poster poster(session, ui, 2, /*remove=*/true, header);
  return poster.Run();
}

bool UsunDowod(session::Session& session, store::StoreUi& ui) {
  return UsunDowod(session, ui, ReadPostingHeader(session.vars()));
}

Result<std::string> ZikoNrd(session::Session& session, std::string_view rd, std::string_view nrd) {
  xbase::WorkArea* dowod = AreaOf(session, store::TableId::kDowod);
  if (dowod == nullptr) return Status::NotFound("dowod is not open");
  if (dowod->order() != 1) HURT_RETURN_IF_ERROR(dowod->SetOrder(1));
  long number = static_cast<long>(Val(nrd));
  const std::string kind = PadR(rd, 3);
  for (long step = 0; step < 90'000'000; ++step, ++number) {
    const std::string text = Str(static_cast<double>(number), 8);
    auto found = dowod->SeekKey(kind + text);
    HURT_RETURN_IF_ERROR(found.status());
    if (!*found) return text;
  }
  return Status::Busy("no free number");
}

Status DowCommit(session::Session& session, char kto) {
  store::TableId book = store::TableId::kZo;
  switch (kto) {
    case 'D': book = store::TableId::kZd; break;
    case 'P': book = store::TableId::kZp; break;
    case 'F': book = store::TableId::kZf; break;
    case 'N': book = store::TableId::kZn; break;
    default: break;
  }
  for (store::TableId id : {store::TableId::kAs, book, store::TableId::kDow, store::TableId::kDowod,
                            store::TableId::kFaN, store::TableId::kSlow}) {
    xbase::WorkArea* a = AreaOf(session, id);
    if (a != nullptr) HURT_RETURN_IF_ERROR(a->Commit());
  }
  return Status::Ok();
}

Status MojCommit(session::Session& session, store::StoreUi& ui, std::span<const int> areas) {
  for (int n : areas) {
    xbase::WorkArea* a = session.areas().Area(n);
    if (a == nullptr) continue;
    const uint32_t saved = a->recno();
    if (a->eof()) HURT_RETURN_IF_ERROR(a->GoTop());
    if (a->eof()) {
      HURT_RETURN_IF_ERROR(a->Commit());
      continue;
    }
    const uint32_t r = a->recno();
    const bool held = a->IsLocked();
    HURT_RETURN_IF_ERROR(store::Retry(ui, store::RetryRule::kPauseAfter, 9.5, [&] { return a->LockRecord(); }));
    HURT_RETURN_IF_ERROR(a->Commit());
    if (!held) HURT_RETURN_IF_ERROR(a->UnlockRecord(r));
    if (saved != r) (void)a->GoTo(saved);  // only the position the caller had
  }
  return Status::Ok();
}

}  // namespace hurt::documents
