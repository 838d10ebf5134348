// The browse grid: rows of a data source under column headings, with a key handler.
//
// The grid never holds the data. It asks the source to move (skip, top, bottom) and to
// come back to a bookmark, and reads only the rows on screen, so a source of a million
// records browses as fast as one of ten.
//
// Layout inside the rectangle: heading lines (a heading may have several lines separated
// by ";"), the heading separator, the data rows, the footing separator and footings. The
// column separator runs through headings, rows and footings; the heading and footing
// separators are drawn the classic way: under (or over) each column separator the first
// characters of the separator text, the rest of the line in its last character — "┼─"
// under "│" gives "──────┼──────", "┴─" gives "──────┴──────".
//
// Keys the grid handles itself: Up, Down, PgUp, PgDn, Ctrl+PgUp (first record), Ctrl+PgDn
// (last record), Left/Right (current column), Home/End (first/last visible column),
// Ctrl+Home/Ctrl+End (first/last column). Every other key, and the moments listed below,
// go to the key handler with a mode:
//   0 idle: the grid is painted and no key is waiting
//   1 an attempt to move above the first record
//   2 an attempt to move below the last record
//   3 the source is empty (every key comes in this mode then)
//   4 a key the grid does not handle (LastKey() tells which)
// and the handler answers 0 leave, 1 continue, 2 repaint from the current record (after
// it moved the source or changed records), 3 append mode (a blank row after the last
// record becomes the current row; the next repaint ends it).
//
// A source that reports a Fault (a damaged index) ends the grid: its rows are cleared, the
// fault is shown (kBrowseFaultSeconds, or until a key) and Run returns Esc.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "console/console.h"

namespace hurt::console {

// What the grid browses. Skip never leaves the records: it stops on the first or the
// last one and says how far it went. A source positioned on no record (after a failed
// search) must report IsEmpty() or move to a record before the grid asks for rows.
class BrowseSource {
 public:
  virtual ~BrowseSource() = default;
  virtual void GoTop() = 0;
  virtual void GoBottom() = 0;
  // Moves n records forward (back when n < 0); returns how many it moved, with sign.
  virtual int64_t Skip(int64_t n) = 0;
  // True when there is no record to show.
  virtual bool IsEmpty() = 0;
  // An opaque mark of the current record, and the way back to it.
  virtual int64_t Bookmark() = 0;
  virtual void GoToBookmark(int64_t mark) = 0;
  // Positions on the first record whose key begins with `key`; with `soft` on the next
  // one when none matches. False when nothing was found (sources without keys: always).
  virtual bool Seek(std::string_view /*key*/, bool /*soft*/) { return false; }
  // What to tell the operator once the source can no longer be trusted (a damaged index
  // under it): the grid then clears its rows, shows these lines in the message window and
  // ends, rather than show rows that may be wrong. Empty while all is well.
  virtual std::vector<std::string> Fault() { return {}; }
};

struct BrowseColumn {
  std::string heading;                 // code page 852; ";" starts a new heading line
  std::function<std::string()> value;  // the cell of the current record, already formatted
  int width = 0;                       // 0: the widest of heading and current value
  std::string footing;

  // Columns that format a value through a picture (base/picture.h).
  static BrowseColumn Text(std::string heading, std::function<std::string()> get, std::string picture = "");
  static BrowseColumn Number(std::string heading, std::function<double()> get, std::string picture);
  static BrowseColumn Date(std::string heading, std::function<JulianDay()> get);
  static BrowseColumn Logical(std::string heading, std::function<bool()> get);
};

// How long the fault of a source stays shown (a key ends it sooner).
inline constexpr int kBrowseFaultSeconds = 10;

enum class BrowseMode { kIdle = 0, kHitTop = 1, kHitBottom = 2, kEmpty = 3, kException = 4 };
enum class BrowseAction { kLeave = 0, kContinue = 1, kRepaint = 2, kAppend = 3 };

// Converts the numbers the old key handlers return (0..3).
BrowseAction BrowseActionOf(int result);

// The key a handler is to answer: none while the grid is only idle, and each key once (an
// empty grid asks its handler again while it waits, with the same last key). Handlers that
// act on the last key call it first, and the caller clears the key before Run, so the key
// that opened the grid is not taken for one of its own.
int KeyToAnswer(Console& con, BrowseMode mode);

class Browse {
 public:
  // mode, current column (1-based) → what to do.
  using Handler = std::function<BrowseAction(BrowseMode mode, int column)>;

  Browse(Console& con, BrowseSource& source, int top, int left, int bottom, int right);

  Browse& AddColumn(BrowseColumn column);
  // Separators in code page 852: heading ("┼─"), column ("│"), footing ("┴─").
  Browse& Separators(std::string_view heading, std::string_view column, std::string_view footing);
  // Colours of the rows and of the current row; by default the console's colour setting
  // (standard, enhanced) at the time Run starts.
  Browse& Colours(const ColourSet& colours);

  // With the cell cursor only the current column of the current row is shown in the
  // enhanced colour (grids whose cells are edited), not the whole row.
  Browse& CellCursor(bool on) {
    cell_cursor_ = on;
    return *this;
  }

  // Runs until the handler answers leave; without a handler Esc and Enter leave.
  // Returns the key that ended it.
  int Run(const Handler& handler = nullptr);

  // For handlers and tests.
  bool append_mode() const { return append_mode_; }
  int row_pos() const { return row_pos_; }  // 0-based row of the current record
  int column() const { return column_ + 1; }
  int data_rows() const { return data_rows_; }
  int first_data_row() const { return data_top_; }
  // The screen column where column `column` (1-based) begins; -1 when it is not shown.
  int ColumnLeft(int column) const;
  // Repaints from the current record at the next opportunity (same as answering 2).
  void RefreshAll() { dirty_ = true; }
  // Paints now with the current record (the last, just appended) on the lowest row it can
  // take under the records before it: a row typed into the grid appears below the others.
  void PaintAtEnd();

 private:
  void Layout();
  void Paint();
  void PaintRow(int screen_row, bool current, bool blank);
  void PaintSeparator(int row, std::string_view sep);
  void PaintTitleLine(int row, int line, bool footing);
  void PaintHeadings();
  std::vector<int> VisibleColumns() const;
  void MoveColumn(int to);
  // Applies a handler answer; false when the grid is to end.
  bool Apply(BrowseAction action);
  // True (after telling the operator) when the source reports a fault.
  bool Failed();
  BrowseAction Call(const Handler& handler, BrowseMode mode);
  bool Empty();

  Console& con_;
  BrowseSource& source_;
  int top_, left_, bottom_, right_;
  std::vector<BrowseColumn> columns_;
  std::vector<int> widths_;  // the width each column gets on screen
  std::string head_sep_, col_sep_ = " ", foot_sep_;
  ColourSet colours_;
  bool colours_given_ = false;

  int heading_lines_ = 0;
  int footing_lines_ = 0;
  int data_top_ = 0;
  int data_rows_ = 0;
  int row_pos_ = 0;
  int column_ = 0;       // current column
  int left_column_ = 0;  // first column shown
  bool append_mode_ = false;
  bool cell_cursor_ = false;
  bool dirty_ = true;
  bool laid_out_ = false;
};

}  // namespace hurt::console
