// Small file and text helpers every routine uses: FILE_X, USUN_SPACJE, STR2, STR3,
// DOKLEJ_TXT, FDOKLEJ, and the normal form of the table names the program opens.
//
// Paths are relative to the data directory (the process's current directory, which the
// Env resolves) or absolute. The program creates its files with lower-case names; an
// existence test accepts the name in lower or in upper case only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"
#include "xbase/env.h"

namespace hurt::store {

// A path inside the data directory `root` ("" or "." for the current directory); an
// absolute `relative` is taken as it is.
std::string InRoot(std::string_view root, std::string_view relative);

// USUN_SPACJE: the text with every blank removed.
std::string UsunSpacje(std::string_view text);

// STR2: two digits with a leading zero ("07"); 0, negative numbers and numbers above 99
// give "00".
std::string Str2(int n);
// STR3: three digits with leading zeros ("007"); numbers outside 0..999 give "000".
std::string Str3(int n);

// FILE_X: true when the file exists under its name (blanks removed) in all lower case or
// in all upper case: "as .dbf" finds as.dbf and AS.DBF but not As.dbf. In a name with
// folders only the last part changes case; the folders are tried as given and in lower
// case (the program creates them lower case).
bool FileX(xbase::Env& env, std::string_view name);
// The path FILE_X found, or "" when there is none.
std::string FindFileX(xbase::Env& env, std::string_view name);

// The name the program opens or creates a table (or any file) under: blanks at the ends
// trimmed, "\" made "/", and a relative path made lower case. Absolute paths keep their
// case (they come from the configuration, not from table definitions).
std::string NormalFileName(std::string_view name);

// DOKLEJ_TXT: appends the line and CR LF to a text file, creating it when missing.
Status DoklejTxt(xbase::Env& env, std::string_view file, std::string_view line);

// FDOKLEJ: appends the non-empty lines of `source` (a line of blanks counts as empty) to
// `target`, each ending in CR LF, at most max_lines of them when given; `target` is created
// when missing. A missing source appends nothing. Returns the number of lines appended.
Result<int> Fdoklej(xbase::Env& env, std::string_view target, std::string_view source,
                    std::optional<int> max_lines = std::nullopt);

}  // namespace hurt::store
