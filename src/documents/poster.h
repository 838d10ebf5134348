// The posting of one document (posting.h), as the files of its steps share it:
//   posting.cpp          the run: steps in order, the journalled writes, the public calls;
//   posting_read.cpp     1. the document, the posted one it replaces, the issue notes;
//   posting_locks.cpp    2. the locks;
//   posting_number.cpp   3. the number a new document takes (GiveNumber);
//   posting_stock.cpp    4a. the stock: every line's effect on the article cards
//                        (stock_effect.h), reservations, new articles of a transfer;
//   posting_records.cpp  4b. header, line records, settlement entry and notes as written.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/date.h"
#include "base/text.h"
#include "documents/line_record.h"
#include "documents/open_item.h"
#include "documents/posting_header.h"
#include "documents/posting_internal.h"
#include "documents/posting_journal.h"
#include "documents/posting_writes.h"
#include "documents/reservation_ledger.h"
#include "documents/stock_effect.h"
#include "session/session.h"
#include "store/net_ui.h"

namespace hurt::documents::posting_internal {

using xbase::Value;

// Article fields posting may change.
inline constexpr std::string_view kArticleFields[] = {
    "ILOSC",  "B_R_I",  "B_R_I_SD", "B_P_I",  "REZERWA0", "CENA0",    "CENA_PZ",  "ODB",
    "S_Z_PZ", "DATA_PZ", "RD_PZ",   "NRD_PZ", "TEZ_PZ",   "ILOSC_PZ", "ILOSC_SD", "DATA_SD",
    // batches (batch option): their numbers are read, their issued quantities changed
    "PARTIA", "PARTIA2", "PARTIA3", "PARTIA4", "ILOSC_WYD", "ILOSC_WYD2", "ILOSC_WYD3", "ILOSC_WYD4",
};

// Catalogue data a destination article of a transfer takes from its source.
inline constexpr std::string_view kCopiedToDestination[] = {
    "NAZWA", "NAZWA1",  "JM",      "SWW",   "PKWIU",  "T_W_O_K",  "PODGRUPA", "GRUPA",   "PRODUCENT",
    "CENA0", "CENA_PZ", "CENA_01", "CENA",  "CENA2",  "CENAM",    "CENA2M",   "PODATEK0", "ODB",
    "KOD13", "WAGA",    "ATEST",   "OPAKOWANIE", "ZAWARTOSC", "KOD_CN",
};

// Lock attempts: the kind's record 30 (REC_LOCK 14.5 s), an article 11 (5 s), a header
// append 55 (27 s), a line append 15 (7 s), a record of the posted document 5 s.
inline constexpr double kKindLockWait = 14.5;
inline constexpr double kArticleLockWait = 5;
inline constexpr double kHeaderAppendWait = 27;
inline constexpr double kLineAppendWait = 7;
inline constexpr double kRecordLockWait = 5;
// Times a posting starts again after taking back a station found gone under its locks.
inline constexpr int kRecoveryRounds = 3;

inline std::string ArticleKey(std::string_view mag, std::string_view indeks) { return PadR(mag, 1) + PadR(indeks, 8); }
inline std::string DocText(std::string_view rd, std::string_view nrd) { return RTrim(rd) + "-" + AllTrim(nrd); }

struct Article {
  std::string key;
  uint32_t recno = 0;      // 0: to be created (destination of a transfer)
  std::string source_key;  // the article a new one copies
  CardValues before;
  CardValues now;
  FieldList copied;  // catalogue data of a new article
};

// A counterparty whose balance (OBWN/OBMA) the posting changes, locked and read under the
// lock; recno 0: missing from its catalogue, appended with the posting.
struct Counterparty {
  xbase::WorkArea* area = nullptr;
  uint32_t recno = 0;
  std::string nodb;
  double obwn = 0, obma = 0;
  double add_wn = 0, add_ma = 0;  // home currency
};
using CounterpartyKey = std::pair<char, std::string>;  // KTO, ODB (8 characters)

// A settlement entry of the posted document as it is on file under the posting's lock.
struct PostedEntry {
  uint32_t recno = 0;
  bool deleted = false;  // settled: its amounts are no longer in the balance
  char kto = ' ';
  std::string odb;
  double saldo_wn = 0, saldo_ma = 0;  // home currency
};

// A record of the posted document (header, issue note).
struct PostedRecord {
  uint32_t recno = 0;
  RecordFields fields;
};

// A line of the posted document.
struct PostedLine {
  uint32_t recno = 0;
  DocLine line;
};

// The posted document a correction replaces or removes.
struct PostedDocument {
  bool found = false;
  PostedRecord header;
  std::vector<PostedLine> lines;
  std::vector<uint32_t> entries;  // settlement entries of its month, not made by hand
  std::vector<PostedEntry> entry_amounts;  // the same, read under the lock
  std::vector<PostedRecord> notes;  // issue notes taken into it (removal only)
  StockDocument stock;
};

// An issue note an invoice is made from, and its lines.
struct NoteRef {
  std::string rd, nrd;
  uint32_t recno = 0;
  std::vector<uint32_t> lines;
};

enum class Operation { kNew, kReplace, kRemove };

class Poster {
 public:
  Poster(session::Session& s, store::StoreUi& ui, int klucz, bool remove, PostingHeader header)
      : s_(s),
        ui_(ui),
        klucz_(klucz),
        op_(remove ? Operation::kRemove : klucz == 2 ? Operation::kReplace : Operation::kNew),
        header_(std::move(header)) {}
  ~Poster() { ReleaseAll(); }
  Poster(const Poster&) = delete;
  Poster& operator=(const Poster&) = delete;

  bool Run();

 private:
  // A document that takes a new number (entry mode, or a number typed for a kind [NRD]).
  bool New() const { return op_ == Operation::kNew; }
  // Corrected documents are posted in correction mode, whatever became of the old one.
  bool EntryMode() const { return klucz_ != 2; }

  bool ReadDocument();
  bool ReadPosted();
  bool ReadNotes();
  bool NotesMarkerAllowed();
  bool BillsTheNotes();
  bool TakeLocks(bool* gone_found);
  bool LockRecordOf(xbase::WorkArea& a, uint32_t recno, std::string_view what);
  bool LockArticles();
  bool LockArticle(Article& a);
  void ReleaseAll();
  bool GiveNumber();
  void PlanOldLines();
  void PlanLines();
  void PlanLine(DocLine& line);
  void PlanReceiptRecord(Article& a, double q);
  void PlanReservations();
  FieldList HeaderFields() const;
  OpenItemHeader ItemHeader() const;
  std::optional<FieldList> SettlementFields() const;
  bool LockCounterparty(char kto, const std::string& odb, const std::string& nodb);
  bool LockCounterparties();
  void PlanBalances();
  void PlanHeader();
  void PlanLineRecords();
  void PlanArticles();
  void PlanSettlement();
  void PlanNotes();
  Status ApplyKorekty();
  bool Fail(std::string_view text);
  Article* ArticleOf(std::string_view mag, std::string_view indeks);

  session::Session& s_;
  store::StoreUi& ui_;
  int klucz_;
  Operation op_;
  // The header as the session held it when posting began (an issue note's payment is
  // set to none in both).
  PostingHeader header_;

  KindRecord kind_;
  StockDocument stock_;
  std::vector<DocLine> lines_;
  std::string rd_, nrd_, mag_, odb_, waluta_, odbiorca_;
  double kurs_ = 0;
  JulianDay data_ = kEmptyDate;
  long counter_ = 0;  // the kind's NRD after posting
  bool uzgodnic_n_ = false;
  PostedDocument posted_;
  std::vector<NoteRef> notes_;
  Ledger ledger_;

  std::map<std::string, Article> articles_;  // by MAG+INDEKS
  std::map<CounterpartyKey, Counterparty> counterparties_;
  std::vector<FieldList> dow_records_;
  double wartosc0_ = 0, netto_ = 0, vat_ = 0;
  PostingPlan plan_;

  PostingJournal journal_;
  std::string journal_path_;
};

// The counterparty catalogue of ledger kind `kto` (zo, zd, zp, zf), nullptr for others.
xbase::WorkArea* CatalogueOf(session::Session& s, char kto);

// The record of the posted document at `recno`, field by field.
PostedRecord ReadRecord(xbase::WorkArea& a, uint32_t recno);
// The line of the posted document at `recno`, whole.
PostedLine ReadPostedLine(xbase::WorkArea& a, uint32_t recno);

}  // namespace hurt::documents::posting_internal
