// The pieces of the report viewer (viewer*.cpp).
#pragma once

#include <string>
#include <string_view>

#include "base/csv.h"
#include "console/text_viewer.h"
#include "session/viewer.h"

namespace hurt::session {

class Session;

namespace viewer {

// The report being viewed.
struct ViewedReport {
  Session& session;
  const ViewerSetup& setup;
  std::string path;  // as opened (absolute or relative to the process)
};

// An answer typed on row 24 after a label.
struct LineAnswer {
  std::string text;         // trimmed of trailing blanks
  bool with_enter = false;  // the prompt was left with Enter
};

// Asks on row 24: the label, then a field of `width` characters starting with `initial`.
// Row 24 is put back afterwards.
LineAnswer AskOnKeyRow(Session& session, std::string_view label, int width, std::string_view initial = {},
                       std::string_view picture = {});

// PROCESS_KEY: the keys the viewer adds to the text viewer's own (viewer.h lists them).
console::ViewerKey ProcessKey(ViewedReport& report, int key, console::TextViewer& view);

// The keys, one by one.
void PrintAll(ViewedReport& report);
void PrintRange(ViewedReport& report);
void PrintWithEmptyLinesKey(ViewedReport& report);
void CopyToTxt(ViewedReport& report);
void CopyToDbf(ViewedReport& report);
void CopyToPdf(ViewedReport& report);
void Mail(ViewedReport& report);

// Alt+B without its prompt: the undeleted records of the current work area (those its
// filter lets through) to a new table at `target`, in record order. The table is built
// under "<target>.tmp" (with its memo file) and renamed into place, so an old target is
// replaced whole or not at all. The area's order and record are as before afterwards.
// Returns the number of records copied. Invalid "Brak bazy" when the current area is
// empty; the target must not be open anywhere (Busy). `target` is not checked here: the
// caller takes it from CopyTarget.
Result<uint32_t> CopyCurrentAreaToTable(Session& session, const std::string& target);

// Alt+B into a ".csv" name: the same records (visible, undeleted, in record order) as a CSV
// file for a spreadsheet (store/csv_table.h), UTF-8 with a byte-order mark or Windows-1250,
// written whole under "<target>.tmp" and renamed into place. Returns the number of records.
Result<uint32_t> CopyCurrentAreaToCsv(Session& session, const std::string& target, CsvEncoding encoding);

// The mail account: the mailer settings table `blat` ("/blat/blat.dbf" when it exists,
// else "blat.dbf" in the data directory) read through a work area, with the server of
// M_SMTP when that is set.
MailAccount ReadMailAccount(Session& session);

}  // namespace viewer
}  // namespace hurt::session
