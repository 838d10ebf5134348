// The document entry routine: header, lines and posting of one warehouse document.
#pragma once

#include <string_view>

namespace hurt::session {
class Session;
}

namespace hurt::documents {

// KLUCZ: 0 entry of a new document, 1 display, 2 correction. With rd and nrd given the
// document rd+nrd is opened directly. In an archive month only display runs; entry and
// correction refuse with "Praca w archiwum - blokada".
void DbuDow(session::Session& session, int klucz, std::string_view rd = {}, std::string_view nrd = {});

}  // namespace hurt::documents
