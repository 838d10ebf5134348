// Small choices and remembered menu positions: what the menus and the catalogue screens
// share.
#pragma once

#include <string_view>
#include <vector>

namespace hurt::session {

class Session;

// A menu position kept in the session (1 when not declared yet).
int Position(Session& session, std::string_view name);
void SetPosition(Session& session, std::string_view name, int value);

// A small choice of a few prompts in a single frame whose top-left corner is (top, left);
// the area is restored afterwards. Returns 1..n, or 0 after Esc.
int SmallChoice(Session& session, int top, int left, const std::vector<std::string_view>& prompts, int start = 1);

// JEST_WALUTA is "T": currencies are in use.
bool JestWaluta(Session& session);

}  // namespace hurt::session
