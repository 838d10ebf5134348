// File names of the report output path: station numbers, FILE_X look-ups, derived names.
//
// Paths are plain strings relative to the process's current directory (the data
// directory) or absolute; a `data_dir` argument of "" means the current directory.
// Names are created lower case.
#pragma once

#include <string>
#include <string_view>

#include "xbase/env.h"

namespace hurt::session {

// STR2: the station number as two digits, "00" for 0 and for numbers above 99.
std::string Str2(int station);

// dir + "/" + name; "" as dir gives the name alone.
std::string JoinPath(std::string_view dir, std::string_view name);

// The last part of a path (after the last "/").
std::string_view BaseName(std::string_view path);

// FILE_X: the path of `name` (blanks removed) in `dir`, as it exists in lower or in
// upper case; "" when neither exists.
std::string FindFileAnyCase(xbase::Env& env, std::string_view dir, std::string_view name);
inline bool FileX(xbase::Env& env, std::string_view dir, std::string_view name) {
  return !FindFileAnyCase(env, dir, name).empty();
}

// The file DRUKUJ prints through: "rob/druk" + STR2 + ".prn" in the data directory.
std::string DrukujFileName(std::string_view data_dir, int station);

// The file Alt+P copies a report to for PDF conversion: "pdf" + STR2 + ".txt".
std::string PdfCopyFileName(std::string_view data_dir, int station);

// The station's folder for the operator's copies of reports (Alt+W, Alt+B):
// "rob/kopie" + STR2 in the data directory. Nothing of the program lives there, and the
// rebuild of rob/ does not reach into it.
std::string CopyFolder(std::string_view data_dir, int station);

// The file a range of a report is copied to before printing (Alt+F5, Ctrl+F5): the
// report's name without its last character ("rob/raport01.txt" -> "rob/raport01.tx").
// A name of one character or less has no such name: "" is returned.
std::string RangeCopyName(std::string_view report);

// An operator's file name as typed: blanks trimmed, "\" made "/", the last part of
// the path lower case (folders keep their spelling).
std::string OperatorFileName(std::string_view typed);

}  // namespace hurt::session
