// The data checker (hurt-dbf verify): whether the current period of a data directory is
// what the program's own rules say it must be after every posting.
//
// What is checked (each a kind of finding):
//   kStock         every article card: ILOSC = B_BO_I + B_P_I − B_R_I, and B_P_I, B_R_I,
//                  B_R_I_SD equal the month's posted lines added up by the stock rule
//                  (documents/stock_effect.h); a line whose card is missing;
//   kDocuments     every visible header has a visible line, every visible line its
//                  visible header, every header a kind in `slow`;
//   kTotals        NETTO, VAT, WARTOSC0 of each header as posting sums them from its
//                  lines; on documents the VAT reconciliation applies to, each rate's VAT
//                  is the VAT of the rate's total (documents/vat_reconcile.h);
//   kNumbers       numbers unique per kind, each kind's counter NRD not below its
//                  highest number;
//   kNotes         issue notes point at visible invoices made from notes, every such
//                  invoice has notes, and its quantities per article are its notes';
//   kReservations  journals and ledgers of stations that are not alive, and REZERWA0 of
//                  every card against the ledgers of the live stations;
//   kSettlements  every counterparty of zo, zd, zp, zf: OBWN and OBMA equal the sums of
//                  its open items in fa_N in the home currency (KURS > 0: round(amount ×
//                  KURS, 2)), and items of no catalogued counterparty; every batch of
//                  fa_nx (same R_DATA + R_CZAS) has equal debit and credit sums;
//   kIndexes       every index file of the root's and the period's tables (as the
//                  catalogue names them) that exists: structure and one key per record;
//   kFiles         a table, ledger or journal that cannot be read (the checks that need
//                  it are skipped, the others go on).
//
// Everything is opened read-only and shared (the station life locks are only probed), so
// the checker may run while stations work; what they have in flight may then show as a
// finding. Memory: sums per article and per document, a few bytes per record for the
// index checks; each table is read once (each index once more).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "xbase/env.h"

namespace hurt::dbftool {

enum class FindingKind { kStock, kDocuments, kTotals, kNumbers, kNotes, kReservations, kSettlements, kIndexes, kFiles };

struct Finding {
  FindingKind kind;
  std::string text;  // one line, UTF-8: the table or file, the record, expected and found
};

// Checks the current period of the data directory `root` ("." or "" for the current
// directory). NotFound or Invalid when it cannot check at all: no firma.dbf, no period
// in it, or no folder for that period.
// `period` ("yy/mm") checks that month instead of the one firma->BMR names.
Result<std::vector<Finding>> VerifyData(xbase::Env& env, std::string_view root, std::string_view period = {});

}  // namespace hurt::dbftool
