// MYDOW: the browse grid over the working lines `dd` (rows 10-22 of the document screen).
#pragma once

#include <functional>
#include <string_view>

namespace hurt::session {
class Session;
}

namespace hurt::documents {

// What leaving the grid does (WYJSCIE by default): true when the document is finished and
// the grid closes, false to stay in the grid.
using LeaveDocument = std::function<bool(session::Session&)>;

// Runs the grid until the document is posted or abandoned; returns true.
bool RunLineGrid(session::Session& session, int top, int left, int bottom, int right, std::string_view alias,
                 std::string_view filter, int columns, const LeaveDocument& leave = {});

}  // namespace hurt::documents
