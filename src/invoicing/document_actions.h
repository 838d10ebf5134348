// The invoicing actions the document screens reach through the session
// (Session::document_actions): printing a document from its line grid, and entering a
// similar document from a printed pattern.
#pragma once

namespace hurt::session {
class Session;
}

namespace hurt::invoicing {

// Installs DRUK_DOW as the line grid's F5 (and PODOBNY_DOWOD as its follow-up).
void InstallDocumentActions(session::Session& session);

}  // namespace hurt::invoicing
