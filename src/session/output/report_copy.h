// Copies of a report file made from the viewer: Alt+W to a text file named by the
// operator, Alt+P to the station's file for PDF conversion; and the file helpers they
// share.
//
// The operator's copies (Alt+W, and Alt+B's tables) go to the station's copy folder
// (CopyFolder, "rob/kopieNN"), never elsewhere: a typed folder is a folder inside it, and
// names of the installation's files are refused, so a copy can never replace a table, an
// index, the settings or a file of another folder. An existing file is replaced only when
// the operator says so.
//
// A copy is written beside its target under "<target>.tmp" and then renamed over it, so
// an old target is replaced whole or not at all, and copying a file onto itself leaves
// it intact.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"
#include "xbase/env.h"

namespace hurt::session {

// Writes a file through "<path>.tmp": `fill` writes the content, then the file is synced
// and renamed over `path`. What goes wrong is told in Polish, naming the file.
Status WriteReplacing(xbase::Env& env, const std::string& path, const std::function<Status(xbase::File& out)>& fill);

// Writes a whole file (through "<path>.tmp" and a rename).
Status WriteFileReplacing(xbase::Env& env, const std::string& path, std::string_view bytes);

// Copies a file byte for byte, in blocks (through "<to>.tmp" and a rename).
Status CopyFileReplacing(xbase::Env& env, const std::string& from, const std::string& to);

// The refusal of a copy prompt (Alt+W, Alt+B): "Nie kopiuje (brak Enter)" when the prompt
// was left without Enter, "Nie kopiuje (nie podano pliku)" when no name was typed;
// nullopt when the copy may go ahead.
std::optional<std::string> CopyPromptRefusal(std::string_view typed, bool confirmed_with_enter);

enum class CopyKind {
  kText,   // Alt+W: a text file
  kTable,  // Alt+B: a table (".dbf" added when the name has no extension), or a CSV file for
           // a spreadsheet when the name ends ".csv" (IsCsvCopy)
};

// Whether an Alt+B copy goes to a CSV file (the name ends ".csv", any case).
bool IsCsvCopy(std::string_view target);

// Where an operator's copy goes: the typed name (see OperatorFileName) inside the
// station's copy folder. Refused with the text for the operator (Invalid):
//   "Niedozwolona sciezka pliku"  an absolute path, a drive ("C:") or ".." in the name;
//   "Plik bazy - nie kopiuje: <name>"  the extension of a table, index, memo or
//       settings file (.dbf .ntx .dbt .mem .ini; a table copy may be .dbf), or the name of
//       a table or an index of the catalogue ("firma", "prawa", "d03", "zo_nip").
Result<std::string> CopyTarget(std::string_view data_dir, int station, std::string_view typed, CopyKind kind);

// The question before an existing file is replaced ("Plik istnieje. Zastapic ?" in the
// viewer); true lets the copy replace it.
using ReplaceQuestion = std::function<bool(const std::string& target)>;

// The text when the operator would not have an existing file replaced.
inline constexpr std::string_view kNotReplaced = "Nie kopiuje (plik istnieje)";

// A copy's path as the operator is shown it: relative to the data directory
// ("rob/kopie03/kopia.txt"), so that it fits the message window.
std::string ShownCopyName(std::string_view data_dir, std::string_view target);

// Makes the station's copy folder when it is not there yet.
Status MakeCopyFolder(xbase::Env& env, std::string_view data_dir, int station);

struct CopyOutcome {
  bool copied = false;
  std::string target;    // the file copied to
  std::string progress;  // "Kopiuje <report> -> <target>", shown while copying ("" if none)
  std::string result;    // "Skopiowano do <target as shown>", a refusal, or what went wrong
};

// Alt+W after the prompt "Kopiowac do pliku TXT:": copies the report to the typed name in
// the station's copy folder (CopyTarget), asking `may_replace` first when the file exists.
CopyOutcome KopiujDoTxt(xbase::Env& env, std::string_view data_dir, int station, const std::string& report,
                        std::string_view typed, bool confirmed_with_enter, const ReplaceQuestion& may_replace);

// Alt+P: copies the report to "pdf" + STR2(station) + ".txt" in the data directory, where
// the PDF conversion takes it. Returns that file's path.
Result<std::string> KopiujDoPdf(xbase::Env& env, std::string_view data_dir, int station, const std::string& report);

}  // namespace hurt::session
