// The data checker's parts (verify.h): what one part leaves for the next, and small
// helpers for reading tables record by record.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "documents/doc_kind.h"
#include "verify.h"
#include "xbase/record.h"
#include "xbase/table.h"

namespace hurt::dbftool::verify {

// The findings, in the order the checks make them.
class Findings {
 public:
  void Add(FindingKind kind, std::string utf8_text) { list_.push_back({kind, std::move(utf8_text)}); }
  // A file that cannot be read: one finding per file, whichever check met it first.
  void BadFile(const std::string& file, const std::string& utf8_what) {
    if (bad_files_.insert(file).second) Add(FindingKind::kFiles, file + ": " + utf8_what);
  }
  std::vector<Finding> Take() { return std::move(list_); }

 private:
  std::vector<Finding> list_;
  std::set<std::string> bad_files_;
};

// The data directory and the period under check.
struct DataDir {
  xbase::Env& env;
  std::string root;    // "." for the current directory
  std::string period;  // "26/03"

  // A file of the data directory by its relative path ("26/03/as.dbf").
  std::string Path(std::string_view relative) const;
  // FILE_X: the relative path under which the file exists (the name in lower case, else in
  // upper case), or "" when it does not.
  std::string Located(std::string_view relative) const;
  // A period table's relative path: PeriodFile("as.dbf") = "26/03/as.dbf".
  std::string PeriodFile(std::string_view name) const { return period + "/" + std::string(name); }
};

// A table of the data directory opened read-only and shared, read record by record with
// its fields found by name once. A table that is missing or cannot be opened is a finding
// (kFiles) and gives no reader.
class TableReader {
 public:
  static std::unique_ptr<TableReader> Open(const DataDir& dir, std::string_view relative, Findings& findings);

  // The index of a field, -1 when the table has none (its values read as blank).
  int Field(std::string_view name) const { return table_->FieldIndex(name); }
  bool Has(std::string_view name) const { return Field(name) >= 0; }

  // The next record (deleted ones too); false at the end or when reading failed, which
  // is then a finding and makes ok() false.
  bool Next();
  bool ok() const { return ok_; }
  const xbase::Record& record() const { return record_; }
  uint32_t recno() const { return record_.recno(); }
  bool deleted() const { return record_.deleted(); }
  std::string Text(int field) const;  // the bytes, code page 852
  double Number(int field) const;

  const std::string& file() const { return file_; }

 private:
  TableReader(std::unique_ptr<xbase::Table> table, std::string file, Findings& findings);

  std::unique_ptr<xbase::Table> table_;
  std::string file_;
  Findings& findings_;
  xbase::RecordScanner scan_;
  xbase::Record record_;
  uint32_t count_ = 0;
  bool ok_ = true;
};

// A status's message for a finding about `path`: UTF-8, the path left out (the finding
// names the file).
std::string Problem(const Status& status, const std::string& path);

// Keys and names as findings show them.
std::string DocKey(std::string_view rd, std::string_view nrd);  // RD (3) + NRD (8, right-aligned)
std::string DocName(std::string_view key);                      // "FV-12", UTF-8
std::string KindName(std::string_view rd);                      // "FV", UTF-8
std::string ArticleKey(std::string_view mag, std::string_view indeks);  // MAG (1) + INDEKS (8)
std::string ArticleName(std::string_view key);                          // "1-MLEKO", UTF-8
std::string Amount(double x);    // 2 decimals
std::string Quantity(double x);  // 3 decimals

// ---- what the parts hand on ------------------------------------------------------------

// An article card of `as`: its counters, and what the month's posted lines add up to.
struct Card {
  uint32_t recno = 0;
  double b_p_i = 0, b_r_i = 0, b_r_i_sd = 0, rezerwa0 = 0;
  double posted_p = 0, posted_r = 0, posted_sd = 0;  // from the lines
};

struct Cards {
  bool read = false;    // the table was read whole
  bool has_sd = false;  // the table has B_R_I_SD
  std::map<std::string, Card, std::less<>> by_key;  // MAG + INDEKS
};

// Reads `as`: checks each card's ILOSC against its counters and keeps the counters.
Cards ReadCards(const DataDir& dir, Findings& findings);

// Reads slow, dowod and dow: the document findings, and the posted movements added to the
// cards. True when every posted line was read, so that the movements are complete.
bool CheckDocuments(const DataDir& dir, Cards& cards, Findings& findings);

// The cards' counters against the movements CheckDocuments added up.
void CheckStock(const Cards& cards, Findings& findings);

// The stations' files in rob/ and REZERWA0 of the cards.
void CheckReservations(const DataDir& dir, const Cards& cards, Findings& findings);

// The counterparties' balances against fa_N, and the batches of fa_nx.
void CheckSettlements(const DataDir& dir, Findings& findings);
// The index files of the root's and the period's tables.
void CheckIndexFiles(const DataDir& dir, Findings& findings);

}  // namespace hurt::dbftool::verify
