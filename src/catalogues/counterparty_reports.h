// What the counterparty books do beyond browsing and editing: the tax-number look-ups and
// lists, the balance confirmation letters, the settlements of one tax number, envelopes,
// the currency balances of an account and the spreadsheet copy of the visible accounts.
//
// Every routine here reads a book's work area and leaves its order, filter and current
// record as they were. Lists and letters are written through a report writer, so that the
// screen shows them in the report viewer (and prints them from there).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "catalogues/rules.h"
#include "xbase/work_area.h"

namespace hurt::session {
class Session;
class ReportWriter;
}  // namespace hurt::session

namespace hurt::catalogues {

// The balance amounts of the current account (0 for fields the table lacks).
AccountAmounts AmountsOf(const xbase::WorkArea& a);

// ---- Balances ---------------------------------------------------------------------------

// RAP_D_W (Salda naleznosci-zobowiazan): for each of the customers', suppliers',
// employees' and other settlements' books the operator may see, the accounts whose balance
// is not zero (code, name, receivable, payable) with the book's totals, and the totals of
// all books at the end. One pass over each book.
void WriteBalances(session::Session& s, session::ReportWriter& out);
// The report in the viewer.
void SaldaNaleznosciZobowiazan(session::Session& s);

// ---- Tax numbers ------------------------------------------------------------------------

// A tax number as two numbers are compared: a leading "PL" and every character that is
// not a digit dropped ("PL 526-025-02-74" and "5260250274" are the same number).
std::string NipKey(std::string_view regon);

// The records of the book (its filter off) whose tax number is `nip`; empty for a blank
// number. In record order.
std::vector<uint32_t> FindByNip(xbase::WorkArea& book, std::string_view nip);

// The list of the accounts `records` under a title (code, name, tax number).
void WriteAccountList(xbase::WorkArea& book, const std::vector<uint32_t>& records, std::string_view title,
                      session::ReportWriter& out);

// The list of accounts whose tax numbers repeat, grouped by number. The numbers are sorted
// in a work table of the station ("rob/nipNN"), so the book is read once whatever its size.
// Returns how many accounts were listed.
Result<long> WriteDuplicateNips(session::Session& s, xbase::WorkArea& book, const BookInfo& info,
                                session::ReportWriter& out);

// The list of accounts with a bad Polish tax number (wrong length, wrong check digit).
// Numbers with another country's prefix (NIP_KRAJ) and empty ones are not tested.
// Returns how many were listed.
long WriteInvalidNips(session::Session& s, xbase::WorkArea& book, const BookInfo& info, session::ReportWriter& out);

// ---- Letters and envelopes ---------------------------------------------------------------

// The balance confirmation letter for the accounts `records` of the book (one account, or
// every account of one tax number), their balances summed; the letter is addressed to the
// first of them.
void WriteBalanceConfirmation(session::Session& s, xbase::WorkArea& book, const BookInfo& info,
                              const std::vector<uint32_t>& records, session::ReportWriter& out);

// The settlements of the accounts `records`: per account its open entries (the settlement
// table, area 7, in its account order) and balance, then the total.
void WriteSettlements(session::Session& s, xbase::WorkArea& book, const BookInfo& info,
                      const std::vector<uint32_t>& records, session::ReportWriter& out);

// The envelope of the current account: with the company as the sender in the top left
// corner (`with_sender`), or the addressee alone.
void WriteEnvelope(session::Session& s, xbase::WorkArea& book, bool with_sender, session::ReportWriter& out);

// ---- Currency balance --------------------------------------------------------------------

struct CurrencyBalance {
  std::string waluta;
  double wn = 0;  // currency amounts of the debit entries
  double ma = 0;  // of the credit entries
  double Saldo() const { return wn - ma; }
};
// The currency balances of an account from its settlement entries (area 7), one per
// currency in the order of first appearance; entries without a currency are left out.
std::vector<CurrencyBalance> CurrencyBalances(session::Session& s, std::string_view kto, std::string_view odb);

// The books keep currency balances: marker DOLAR.TXT or the exchange-rate table WAL.DBF.
bool CurrencyBooks(session::Session& s);

// ---- Spreadsheet copy ----------------------------------------------------------------------

// Copies the visible accounts of the book (its filter applies) into a new table in the
// folder "excel" (made when missing). The table is written under a working name and
// renamed when complete, so no half-written file ever carries the final name. Returns the
// final file name (without the folder), e.g. "zo20261209.dbf".
Result<std::string> CopyToExcel(session::Session& s, xbase::WorkArea& book, const BookInfo& info);

}  // namespace hurt::catalogues
