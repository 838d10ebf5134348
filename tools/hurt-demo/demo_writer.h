// Fills a freshly built data directory with the demo content, through the program's own
// work areas (so every index is kept as the program keeps it).
#pragma once

#include <string>
#include <string_view>

#include "base/result.h"
#include "store/net_ui.h"

namespace hurt::session {
class Session;
}  // namespace hurt::session

namespace hurt::demo {

// The company record in work area 1 (firma created and opened exclusively), working in
// the month of `today`. Run before the build, which then takes the period from it.
Status WriteCompany(session::Session& s, store::StoreUi& ui);

// Operators, document kinds, articles, customers, suppliers and exchange rates, into the
// tables the session open left in their areas (operators: prawa, created here).
Status WriteContent(session::Session& s, store::StoreUi& ui);

// What HASLO holds for a password. Passwords are empty in the demo; when they are stored
// hashed, the hash of `password` goes here.
std::string OperatorPasswordField(std::string_view password);

}  // namespace hurt::demo
