// NORTON: the choice of one file among the files of a few folders of the data directory,
// for the items that show or edit loose text files (the operators' archives, the failure
// logs, the invoice footers).
//
// The folders are named as the installation keeps them ("KANT", "STOPA"; "" is the data
// directory itself) and found in upper or in lower case, as every file name is. The files
// whose names match the pattern ("*.txt", "bledy*.txt"; letters of either case) are listed
// folder by folder, in name order, with their sizes; Enter chooses, Esc leaves. Folders
// that do not exist add nothing; when no file is found the operator is told so.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "session/session_fwd.h"

namespace hurt::shell {

using session::Session;

// The most files one list shows; the rest are left out (with a last line saying so).
inline constexpr size_t kPickerMostFiles = 1000;

// True when `name` matches `pattern`: "*" stands for any characters, "?" for one; letters
// compare without regard to case.
bool NameMatches(std::string_view pattern, std::string_view name);

// The chosen file as a path relative to the data directory ("kant/2024.txt"), or nullopt
// after Esc or when there was nothing to choose ("Brak plikow <pattern>" was shown).
std::optional<std::string> WybierzPlik(Session& session, std::string_view title,
                                       const std::vector<std::string>& folders, std::string_view pattern);

}  // namespace hurt::shell
