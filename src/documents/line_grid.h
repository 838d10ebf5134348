// MYDOW: the browse grid over the working lines `dd` (rows 10-22 of the document screen).
#pragma once

#include <string_view>

namespace hurt::shell {
class Session;
}

namespace hurt::documents {

// Runs the grid until the document is posted or abandoned; returns true.
bool RunLineGrid(shell::Session& session, int top, int left, int bottom, int right, std::string_view alias,
                 std::string_view filter, int columns);

}  // namespace hurt::documents
