// Printing report files: FILETOPRINTER and its helpers (DRUKUJ, the range copies of the
// viewer, the printer choice of vat.ini).
//
// Where the bytes go is set per station in vat.ini (vat_ini.h):
//   PRINTERNAME  ""                  the spooler's default queue
//                "DEFAULT..."        the spooler's default queue
//                "/dev/usb/lp0", ... a device file (any name beginning "/"): the bytes
//                                    are written there
//                "LPT1" .. "LPT9"    the parallel port device /dev/lp0 .. /dev/lp8
//                anything else       the CUPS queue of that name
//   PRINTERTYPE  "WIN32" or "CUPS"   (any case) the spooler gets a PDF drawn from the
//                                    printer text: fonts, condensed, bold and the Polish
//                                    letters as on a dot-matrix printer (report_pdf.h)
//                anything else       the bytes as they are ("lp -o raw"), for printers
//                                    that understand the control sequences themselves
// A device file always gets the bytes as they are.
//
// The spooler is the program `lp` (its path is PrintOptions::lp_program), started with
// an argument vector, never through a shell: "lp [-d queue] [-o raw] [-t title]", the
// data on its standard input. Raw data stream through without being held in memory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"
#include "session/output/report_file.h"
#include "session/output/report_pdf.h"
#include "session/output/vat_ini.h"
#include "xbase/env.h"

namespace hurt::session {

struct PrinterConfig {
  std::string name;  // PRINTERNAME
  std::string type;  // PRINTERTYPE
};

// PRINTERNAME and PRINTERTYPE from the station's section of vat.ini.
PrinterConfig ReadPrinterConfig(const VatIni& ini, const StationEnvironment& station);

// "WIN32" (older configurations) or "CUPS": print through the spooler as a PDF.
bool IsSpoolerType(std::string_view type);

struct PrinterTarget {
  enum class Kind { kQueue, kDevice };
  Kind kind = Kind::kQueue;
  std::string queue;        // the CUPS queue; "" = the default queue
  std::string device;       // the device file
  bool render_pdf = false;  // the queue gets a PDF instead of the raw bytes
};

PrinterTarget ResolvePrinter(const PrinterConfig& config);

struct PrintOptions {
  std::string lp_program = "lp";  // the spooler's command (a path or a name in PATH)
  std::string lpoptions_program = "lpoptions";  // tells a queue's printer model
  int margin = 0;                 // blanks put in front of every line
  std::string title;              // the job's title ("" = the file's name)
  PdfOptions pdf;                 // for PDF printing
};

// A queue whose driver renders documents (a PDF printer, a driverless printer) prints the
// raw bytes of a report as a blank or garbled page without a word: such a queue wants
// PRINTERTYPE=CUPS. The problem in Polish, or nullopt when the queue takes raw jobs or
// its model cannot be learnt.
std::optional<std::string> RawJobProblem(const PrinterTarget& target, const PrintOptions& options);


// The lines to print, numbered from 1. From the texts of FILETOPRINTER's arguments: the
// numeric value of each (VAL), from 0 when absent; to unlimited when absent. Lines
// from..to are printed, both included; from >= to prints nothing.
struct LineRange {
  static constexpr int64_t kUnlimited = INT64_MAX;
  int64_t from = 0;
  int64_t to = kUnlimited;

  static LineRange FromTexts(std::optional<std::string_view> from, std::optional<std::string_view> to);
  static LineRange All() { return {}; }
  bool Empty() const { return from >= to; }
  bool Contains(int64_t line) const { return line >= from && line <= to; }
};

enum class PrintOutcome {
  kPrinted,
  kNothingToPrint,  // an empty range or no line in it: nothing was sent
};

// FILETOPRINTER(file [, from [, to]]): the lines of the range, each with the margin in
// front and CR LF after it, to the printer. (The caller answers false without printing
// when the operator's last key was Esc.)
Result<PrintOutcome> FileToPrinter(xbase::Env& env, const std::string& file, const LineRange& range,
                                   const PrinterTarget& target, const PrintOptions& options);

// The left margin of a print started with F5: the length of the margin text when one of
// the programs "HFK.EXE" or "HST.EXE" lies in the data directory; 0 otherwise.
int PrintMargin(xbase::Env& env, std::string_view data_dir, bool started_with_f5, std::string_view margin_text);

// Alt+F5: copies lines from..to of the report to the file named like it without its
// last character (RangeCopyName) and returns that name; nullopt for an empty range.
Result<std::optional<std::string>> CopyLineRange(xbase::Env& env, const std::string& report, const LineRange& range);
// Alt+F5 whole: the copy, then the copy printed.
Result<PrintOutcome> PrintLineRange(xbase::Env& env, const std::string& report, const LineRange& range,
                                    const PrinterTarget& target, const PrintOptions& options);

// Ctrl+F5: copies the report with `empty_lines` (0..99) empty lines added at its end to
// RangeCopyName(report) and returns that name.
Result<std::string> CopyWithEmptyLines(xbase::Env& env, const std::string& report, int empty_lines);
// Ctrl+F5 whole: the copy, then the copy printed.
Result<PrintOutcome> PrintWithEmptyLines(xbase::Env& env, const std::string& report, int empty_lines,
                                         const PrinterTarget& target, const PrintOptions& options);

// DRUKUJ without its prompt: runs the routine into "rob/drukNN.prn", prints the file and
// erases it.
Result<PrintOutcome> Drukuj(xbase::Env& env, std::string_view data_dir, int station, const ReportProcedure& procedure,
                            const PrinterTarget& target, const PrintOptions& options);

// The readiness test of DRUKOWAC: true with the marker file "DRUKUJ.TXT"; a device file
// must open for writing without waiting; a queue is always ready (the spooler holds
// the job until the printer is).
bool PrinterReady(xbase::Env& env, std::string_view data_dir, const PrinterTarget& target);

// MOJSET_LPT: with the marker file "LPT.TXT", the printer name "LPT1" or "LPT2" as chosen
// in M_LPT (2 gives "LPT2", anything else "LPT1"), to be used instead of PRINTERNAME;
// "" without the marker.
std::string MojsetLpt(xbase::Env& env, std::string_view data_dir, int m_lpt);

}  // namespace hurt::session
