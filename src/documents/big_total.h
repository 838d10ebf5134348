// The total of a new cash sale in large digits, for the customer standing at the counter.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "documents/doc_kind.h"

namespace hurt::session {
class Session;
}

namespace hurt::documents {

// Three screen rows (code page 852 block characters) drawing `text`: digits, "." and "-"
// (anything else as a blank). Each digit is three columns wide followed by a blank column.
std::array<std::string, 3> BigDigits(std::string_view text);

// Draws the total in large digits at the right of rows 4-6 when the document is a new
// sale paid in cash (KLUCZ 0, payment "G"); otherwise does nothing.
void ShowCashSaleTotal(session::Session& session, const DocKind& kind, double total);

}  // namespace hurt::documents
