// Small text files of the data directory that start-up reads.
//
//   DATA.RR       a date (dd.mm.yyyy) before which documents are locked: M_DATA_RR
//   POMINAC.TXT   a comma list of document kinds to leave out: M_RD_POMIN
//   BANKBOLD.TXT  a short text (at most 20 bytes) printed in bold on bank lines: M_BANKBOLD
//
// Names are found as marker files are: the name in upper case or in lower case.
#pragma once

#include "session/session_fwd.h"

#include <optional>
#include <string>
#include <string_view>

#include "base/date.h"

namespace hurt::shell {

using session::Session;

// The path of a file of the data directory as it exists (upper- or lower-case name, blanks
// removed), or "" when it does not exist.
std::string ExistingFile(Session& session, std::string_view name);

// The file's bytes, at most max_bytes of them; nullopt when missing or unreadable.
std::optional<std::string> ReadSmallFile(Session& session, std::string_view name, size_t max_bytes = 65536);

// CZYT_TXT(file): the content with blanks, CR, LF and form feeds removed; "" when the file
// is missing or no name is given.
std::string CzytTxt(Session& session, std::string_view name);

// M_DATA_RR: the first 10 characters of DATA.RR (after CZYT_TXT) read as a date. A missing
// file, an empty or unreadable date, or a date after today gives 01.01.2001.
JulianDay ReadDataRr(Session& session);

// M_RD_POMIN: "," + the list of POMINAC.TXT + "," ("" without the file), followed by
// ",KP_,KW_," when the marker KP_.--- or KW_.--- exists.
std::string ReadPominac(Session& session);

// M_BANKBOLD: the trimmed text of BANKBOLD.TXT when the file has at most 20 bytes, else "".
std::string ReadBankbold(Session& session);

}  // namespace hurt::shell
