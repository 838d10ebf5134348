// Copies of a report file made from the viewer: Alt+W to a text file named by the
// operator, Alt+P to the station's file for PDF conversion; and the file helpers they
// share.
//
// A copy is written beside its target under "<target>.tmp" and then renamed over it, so
// an old target is replaced whole or not at all, and copying a file onto itself leaves
// it intact.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"
#include "xbase/env.h"

namespace hurt::session {

// Writes a whole file (through "<path>.tmp" and a rename).
Status WriteFileReplacing(xbase::Env& env, const std::string& path, std::string_view bytes);

// Copies a file byte for byte, in blocks (through "<to>.tmp" and a rename).
Status CopyFileReplacing(xbase::Env& env, const std::string& from, const std::string& to);

// The refusal of a copy prompt (Alt+W, Alt+B): "Nie kopiuje (brak Enter)" when the prompt
// was left without Enter, "Nie kopiuje (nie podano pliku)" when no name was typed;
// nullopt when the copy may go ahead.
std::optional<std::string> CopyPromptRefusal(std::string_view typed, bool confirmed_with_enter);

struct CopyOutcome {
  bool copied = false;
  std::string target;    // the file copied to
  std::string progress;  // "Kopiuje <report> -> <target>", shown while copying ("" if none)
  std::string result;    // "Skopiowano do <target>", a refusal, or what went wrong
};

// Alt+W after the prompt "Kopiowac do pliku TXT:": copies the report to the typed name (a
// name without a folder lands in the data directory; see OperatorFileName).
CopyOutcome KopiujDoTxt(xbase::Env& env, std::string_view data_dir, const std::string& report,
                        std::string_view typed, bool confirmed_with_enter);

// Alt+P: copies the report to "pdf" + STR2(station) + ".txt" in the data directory, where
// the PDF conversion takes it. Returns that file's path.
Result<std::string> KopiujDoPdf(xbase::Env& env, std::string_view data_dir, int station, const std::string& report);

}  // namespace hurt::session
