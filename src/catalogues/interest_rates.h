// ODS_BROWSE (Dowody › Parametry odsetek): the table of statutory interest rates the
// payment demand forecasts interest by (settlements/interest.h), edited in the record
// catalogue screen. The table is created with the statutory rates when it is missing.
#pragma once

namespace hurt::session {
class Session;
}

namespace hurt::catalogues {

// False (after the message) when the table cannot be made or opened.
bool OdsBrowse(session::Session& s);

}  // namespace hurt::catalogues
