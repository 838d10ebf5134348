// The line grid of a document under edit: the working line table `dd` in rows 10-22 of
// the document screen, with provisional reservations of the stock its lines take.
#pragma once

#include <string_view>

namespace hurt::shell {
class Session;
}

namespace hurt::documents {

// MYDOW: runs the grid over `alias` until the document is posted or abandoned (leaving
// goes through Wyjscie); returns true. Called as MyDow(s, 10, 0, 22, 79, "dd", "", 7).
bool MyDow(shell::Session& session, int top, int left, int bottom, int right, std::string_view alias,
           std::string_view filter, int columns);

// Reservations of the current `dd` line (REZ_RE adds its quantity to the article's
// REZERWA0, REZ_ZW takes it back) and of every line of `dd` (ZW_REZ_WYJSCIE).
bool RezRe(shell::Session& session);
bool RezZw(shell::Session& session);
void ZwRezWyjscie(shell::Session& session);

}  // namespace hurt::documents
