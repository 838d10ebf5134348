// Posting of the document under edit (header variables M_* and the working lines `dd`)
// into dowod, dow, as, slow and fa_N.
//
// Invariant: a document is posted whole or not at all, and so is a correction: the posted
// document stays exactly as it was in dowod, dow, as and fa_N until its corrected version
// is posted, which replaces it in one step. Posting first takes everything it will change
// (the kind's record in `slow`, the posted document's records, every article of the old
// and new lines, by record locks in ascending record order with a bounded number of
// attempts); when something cannot be had it writes nothing, names the busy record to the
// operator and the document stays in the grid. With everything held it writes a journal
// of the changes to the station's rob/ folder (posting_journal.h), then the tables,
// commits them to disk and removes the journal. A station that dies in between leaves the
// journal, and the next station to start or to post takes the changes back
// (station_recovery.h) before it takes a number.
//
// Header variables read, once, into a PostingHeader (posting_header.h): M_RD, M_NRD,
// M_DATA, M_DATA_WYD, M_MAG, M_ODB, M_NIP_KRAJ, M_REGON, M_NODB, M_NODB1, M_UODB, M_KODB,
// M_MODB, M_SPZ, M_TEZ, M_KWOTA, M_TRESC, M_ODBIORCA, M_ODBIORC1, M_WALUTA, M_KURS,
// M_DATA_FA, M_JPK_XX, M_TYP_DOK; JEST_WYDRUK (logical: the document was printed, its number is on paper);
// for corrections the corrected document M_RD_KOR, M_NRD_KOR, M_DATA_KOR; for an invoice
// made from issue notes the notes (kNotesVariable).
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "base/result.h"
#include "documents/posting_header.h"
#include "store/net_ui.h"

namespace hurt::session {
class Session;
}

namespace hurt::documents {

// WYJSCIE: exit routine of the line grid. `post` true when the caller has already decided
// to post. Returns true when the document is finished (posted or dropped) and the grid may
// close, false to stay in the grid.
bool Wyjscie(session::Session& session, bool post);

// The issue notes an invoice under edit is made from: RD (3) and NRD (8) of each note, one
// after another. Posting links them to the invoice (R_RD, R_NRD) in the same step; a note
// that meanwhile went into another invoice stops the posting.
inline constexpr std::string_view kNotesVariable = "M_Z_WZ";

// REP_DOW_WITH_D: posts the current document; true when posted. `mode` is KLUCZ (0 entry
// of a new document, 2 a corrected document that replaces the posted one of its number).
bool RepDowWithD(session::Session& session, int mode);

// Removes the posted document M_RD + M_NRD whose correction was left with no lines:
// header, lines and settlement entries are deleted, its stock is taken back, the issue
// notes of an invoice made from them are free again. All or nothing, as posting.
bool UsunDowod(session::Session& session, store::StoreUi& ui);

// ZAPISZ_ZAM: saves the customer order under edit (kind "ZAM", or a sale tagged ZAMOWIEN
// with advance invoices) in the order tables fv_zam/dowod and fv_zam/dow; no stock moves.
// `mode` 0 gives a new order its number, 2 saves a reopened one again under its number.
// True when saved (M_NRD holds the number).
bool ZapiszZam(session::Session& session, store::StoreUi& ui, int mode);

class DocumentHold;

// REP_D_WITH_DOW: loads posted document rd+nrd into `dd` for correction. Nothing of the
// posted document changes: it is held (`hold`) against corrections at other stations
// while this one lasts, its lines are copied into `dd`, and what its issue lines took is
// recorded as the station's reservation credit, so that the lines keep their own stock.
// A settled document needs operator "0" or right 1; an issue note already invoiced is not
// corrected (its invoice would no longer match it).
bool RepDWithDow(session::Session& session, std::string_view rd, std::string_view nrd, DocumentHold& hold);

// The same with a given screen for the waits of the lock retries (tests, tools).
bool Wyjscie(session::Session& session, store::StoreUi& ui, bool post);
bool RepDowWithD(session::Session& session, store::StoreUi& ui, int mode);
bool RepDWithDow(session::Session& session, store::StoreUi& ui, std::string_view rd, std::string_view nrd,
                 DocumentHold& hold);

// The same with the header given rather than read from the session variables (an
// unchanged session gives ReadPostingHeader(session.vars())). The working lines, the
// settings and the operator still come from the session.
bool RepDowWithD(session::Session& session, store::StoreUi& ui, int mode, const PostingHeader& header);
bool UsunDowod(session::Session& session, store::StoreUi& ui, const PostingHeader& header);

// DOW_COMMIT: writes and makes durable the tables posting touches: `as`, the counterparty
// catalogue of the kind (`kto`), `dow`, `dowod`, `fa_N` and `slow`.
Status DowCommit(session::Session& session, char kto = 'O');
// MOJ_COMMIT: for each listed work area in use, locks its current record (the first when
// at end of file; up to 20 attempts), makes the table durable and unlocks.
Status MojCommit(session::Session& session, store::StoreUi& ui, std::span<const int> areas);

// ZIKO_NRD: the first number from `nrd` up (at most 90,000,000 steps) that no header of
// kind `rd` in `dowod` carries; 8 characters, right-aligned.
Result<std::string> ZikoNrd(session::Session& session, std::string_view rd, std::string_view nrd);

}  // namespace hurt::documents
