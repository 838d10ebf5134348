// The warehouse movement statement (RUCH NA MAGAZYNIE, RAS_MMM("1")) and the detailed
// activity report (RAS_MMM()) share one computation: per article of one warehouse, the
// quantity and value at the start of a date range, what was received, bought, sold and
// issued within it, and the stock the article card holds.
//
// The work table. Each run builds the station's rob/asso<nn> afresh (work area 222, alias
// asso, opened exclusively: it is the station's own), indexed on mag+indeks, and erases it
// with its index at the end. Its rows:
//   D_BO   opening: the card's month opening B_BO_I of the first date's month, moved by
//          the lines of that month dated before the first date
//   D_PD   other receipts in the range        D_PZ  purchases (value, VAT, gross)
//   D_RS   sales (value at book price, net, VAT, gross)
//   D_RD   other issues in the range          D_SK  the card's stock ILOSC
//   D_RR   opening + receipts + purchases - (sales + issues + card stock): zero when the
//          card agrees with the documents of a whole month
// Quantities (_I) and values at book price (_W, NEWROUND(ILOSC x CENA0, 2) per line).
//
// The months (MIESIACECUKIER). Every month folder yy/mm from the month of the first date
// to that of the last is read once, in order: the month whose tables the session has open
// (the current month, or the archive month being viewed) through the open areas; any
// other month through its own tables opened shared in areas 102 (asx), 105 (dowx), 106
// (dowodx) and 109 (slowx) and closed again after it (MIESIACCUKIER). Only the first
// month's cards are copied into the work table; an article first met on a line is added
// from the line.
//
// One line (RAP_ASSO). A line counts only where it moved stock, by the same rule posting
// applies (documents/stock_effect.h): issues, transfers and sales corrections take goods
// out, receipts and purchase corrections bring them in, and an invoice made from issue
// notes moves nothing (the notes did). A line of another warehouse counts only as a
// transfer whose destination (the first character of the line's ODB) is the chosen one:
// a receipt there. Its column follows the class of its kind: purchases (S_Z "Z") in D_PZ,
// sales and their corrections (S_Z "S") in D_RS, other receipts in D_PD and other issues
// in D_RD; a line dated before the first date moves the opening instead, and a line
// dated after the last is not counted.
//
// Cost. One pass over each month's lines in physical order (blocks read ahead). What the
// lines add is gathered per article in a buffer of at most 32,768 articles (about 7 MiB);
// when it is full, and at the end of each month, it is sorted by article and written as a
// run to the station's scratch file rob/asso<nn>.tmp (reports/movement_runs.h), after the
// first month's cards. At the end the cards and the runs are merged and every row of the
// work table is written once, appended in the order of its index, which is then built
// from the rows so ordered. Nothing else of the work table is held in memory; the scratch
// files are removed at the end, also when the computation fails.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/date.h"
#include "base/result.h"

namespace hurt::session {
class Session;
}
namespace hurt::xbase {
class WorkArea;
}

namespace hurt::reports {

struct MovementRequest {
  JulianDay from = kEmptyDate, to = kEmptyDate;
  std::string mag = "1";  // the warehouse, one character
  std::string prefix;     // only articles whose code begins with it ("" all)
  std::string group;      // only articles of this group T_W_O_K ("" all)
};

// The month folders "yy/mm" from the month of `from` to the month of `to`, in order.
std::vector<std::string> MonthsOf(JulianDay from, JulianDay to);

// The station's work table rob/asso<nn>, created empty in work area 222 under "asso" and
// opened exclusively. Its index rob/asso<nn>.ntx (mag+indeks) is built by the computation
// once the rows are in. Destroying the object closes the area and erases the table, its
// index and the computation's scratch file.
class MovementTable {
 public:
  // Shows "Plik rob/asso<nn> niedostepny" and fails when the table cannot be made or
  // opened (another run of the station holds it).
  static Result<std::unique_ptr<MovementTable>> Create(session::Session& s);
  ~MovementTable();
  MovementTable(const MovementTable&) = delete;
  MovementTable& operator=(const MovementTable&) = delete;

  xbase::WorkArea& area();
  const std::string& name() const { return name_; }  // "rob/asso01"
  bool indexed() const { return indexed_; }
  // Builds the index on mag+indeks (once) and makes it the controlling order.
  Status Index();

  static constexpr int kArea = 222;

 private:
  MovementTable(session::Session& s, std::string name) : s_(s), name_(std::move(name)) {}
  session::Session& s_;
  std::string name_;
  bool indexed_ = false;
};

struct MovementResult {
  // "Brak pliku 26/02/dow" or "Problem z otwarciem 26/02/dowod": that month and the ones
  // after it were not read; the statement is printed from what was gathered.
  std::string problem;
  // "Brak mag <m>": the first month has no card of the warehouse; nothing to print.
  std::string refusal;
  bool interrupted = false;  // the operator stopped it (nothing to print)
  // The range is the whole month of the open tables: the stock column is the card's, with
  // "?" where the card and the documents disagree.
  bool card_stock = false;
  int months = 0;     // months read
  long lines = 0;     // lines read
  long counted = 0;   // lines counted in the work table
  // How it went: the sorted runs written to the scratch file, the article sums in them, and
  // the rows of the work table (each written once).
  int runs = 0;
  long run_entries = 0;
  long rows = 0;
};

// What the computation shows while it runs (each may be empty).
struct MovementProgress {
  std::function<void(const std::string& period)> month;              // a month begins
  std::function<void(const std::string& period, long lines)> lines;  // every few thousand lines
  std::function<bool()> stop;  // asked with the lines: true ends the computation
};

// Fills the work table for the request (see the top of this file). An error of the work
// table or of reading the open month's tables comes back as the status; the problems of
// other months' tables are in the result.
Result<MovementResult> ComputeMovement(session::Session& s, MovementTable& table, const MovementRequest& req,
                                       const MovementProgress& progress = {});

// The range is exactly the month of the session's open tables, first day to last.
bool WholeOpenMonth(session::Session& s, JulianDay from, JulianDay to);

}  // namespace hurt::reports
