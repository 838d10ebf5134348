// Posting of the document under edit (header variables M_* and the working lines `dd`)
// into dowod, dow, as, slow and fa_N.
#pragma once

#include <string_view>

namespace hurt::shell {
class Session;
}

namespace hurt::documents {

// WYJSCIE: exit routine of the line grid. `post` true when the caller has already decided
// to post. Returns true when the document is finished (posted or dropped) and the grid may
// close, false to stay in the grid.
bool Wyjscie(shell::Session& session, bool post);

// REP_DOW_WITH_D: posts the current document; true when posted.
bool RepDowWithD(shell::Session& session, int mode);

// REP_D_WITH_DOW: loads posted document rd+nrd back into `dd` for correction.
bool RepDWithDow(shell::Session& session, std::string_view rd, std::string_view nrd);

}  // namespace hurt::documents
