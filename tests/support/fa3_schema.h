// FA(3) files checked against the official schema (tests/schemas/ksef-fa3) with xmllint,
// offline through the schema folder's XML catalog.
#pragma once

#include <string>

namespace hurt::testing {

// "" when the XML validates; otherwise "xmllint: " and its messages.
std::string ValidateFa3(const std::string& xml);

}  // namespace hurt::testing
