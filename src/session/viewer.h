// The report output path on screen: VIEW_DRUK runs a report routine into the station's
// report file and shows it in READTEXT, the full-screen viewer whose keys print, copy and
// mail the report.
//
// A report routine is a plain C++ callable that writes through a ReportWriter
// (session/output/report_file.h):
//
//   ViewDruk(session, [&](ReportWriter& out) {
//     out.Line(Centruj("ZESTAWIENIE DOWODOW"));
//     for (...) out.Line(...);
//   });
//
// The viewer (rows 0-23 the file, row 24 its name in "RG/N" padded to 23 and the key
// line) moves with the arrows and page keys of console::TextViewer and adds:
//   F5       DRUKOWAC, then the whole file to the printer; the view goes back to the top
//   Alt+F5   "Druk od wiersza :" / "     do wiersza :" on row 24, then that range printed
//   Ctrl+F5  "ILE zrobic pustych wierszy:", then the file printed with that many empty lines
//   Alt+K    the calculator
//   Alt+W    "Kopiowac do pliku TXT:" - a copy of the report under the name typed, in the
//            station's copy folder "rob/kopieNN" (a typed folder is one inside it)
//   Alt+B    "Kopiowac do pliku DBF:" - the current work area's undeleted records to a new
//            table of that name in the same folder ("Brak bazy" when the current area is
//            empty)
//            Both refuse absolute paths and ".." ("Niedozwolona sciezka pliku") and names
//            of the installation's tables, indexes, memo and settings files ("Nie wolno
//            zapisac do pliku bazy: <name>"); an existing file is replaced only after
//            "Plik istnieje. Zastapic ?" is answered T, and the copy is written under a
//            temporary name and renamed into place.
//   Alt+P    a copy to the station's file for PDF conversion ("pdfNN.txt"), then that file
//            as a PDF, "pdf/pdfNN.pdf" (TWORZ_PDF, output/document_pdf.h)
//   Alt+E    "e_mail:" / "tekst:" - the report mailed as a PDF attachment
// While the file is shown it is held in use (HoldReportFile), so a report run at the same
// time writes under one of the names ending 51..99 instead of replacing it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "session/output/mail.h"
#include "session/output/printer.h"
#include "session/output/report_file.h"
#include "session/output/report_pdf.h"
#include "session/output/vat_ini.h"

namespace hurt::session {

class Session;

// What the viewer needs from the station's surroundings: the spooler program and PDF
// font, the mail time-outs and the names vat.ini sections are looked up by.
struct ViewerStats {
  int64_t bytes_read = 0;  // bytes of the report file the viewer has read so far
};

struct ViewerSetup {
  PrintOptions print;  // lp program and PDF font; margin and title are set per print
  MailTransport mail;
  StationEnvironment station;
  ViewerStats* stats = nullptr;  // when set, kept up to date while the viewer runs

  // The process's environment (COMPUTERNAME, TERMINAL_ENVIRONMENT_VARIABLE, host name).
  static ViewerSetup FromProcess();
};

// PLIK: the station's report file, "rob/wydruk" + STR2(STACJA) + ".prn" (relative to the
// data directory).
std::string StationReportFile(const Session& session);

// VIEW_DRUK(procedure, file): with a procedure, shows "PROSZE CZEKAC ...", runs it into
// `file` (a name relative to the data directory; the station's report file when empty) or,
// when that file is held by someone, into the first free name ending 51..99; then views
// the file written. Without a procedure it only views `file`. A missing file shows "Brak
// pliku <name>". With the marker KOPIA.TXT "PRACUJESZ NA KOPII" is shown first. The screen
// and colours are put back afterwards. Returns true.
bool ViewDruk(Session& session, const ReportProcedure& procedure, std::string_view file = {},
              const ViewerSetup& setup = ViewerSetup::FromProcess());

// READTEXT(file): the viewer over a file (a path relative to the data directory or
// absolute). Returns 0 when the operator leaves with Esc; -1 when the file cannot be
// opened (the reason was shown).
int ReadText(Session& session, const std::string& file, const ViewerSetup& setup = ViewerSetup::FromProcess());

// DRUKOWAC(): the printer prompt "PRZYGOTUJ  DRUKARKE" (no wait when the last key was
// Space or Space is typed ahead). Tab chooses LPT1/LPT2 (M_LPT) where the marker LPT.TXT
// allows it. False after Esc, or when the station's printer is not ready and, after
// "DRUKARKA NIE JEST GOTOWA ", still is not.
bool Drukowac(Session& session, const ViewerSetup& setup);

// The printer of this station: PRINTERNAME / PRINTERTYPE of vat.ini, or LPT1/LPT2 as
// chosen in M_LPT with the marker LPT.TXT.
PrinterTarget StationPrinter(Session& session, const ViewerSetup& setup);

}  // namespace hurt::session
