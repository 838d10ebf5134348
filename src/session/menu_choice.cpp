#include "session/menu_choice.h"

#include <algorithm>

#include "base/text.h"
#include "console/menu.h"
#include "console/message_window.h"
#include "session/session.h"

namespace hurt::session {

int Position(Session& session, std::string_view name) {
  const xbase::Value& v = session.vars().Get(name);
  return v.IsNumber() ? static_cast<int>(v.AsNumber()) : 1;
}

void SetPosition(Session& session, std::string_view name, int value) {
  session.vars().Set(name, xbase::Value(static_cast<double>(value)));
}

int SmallChoice(Session& session, int top, int left, const std::vector<std::string_view>& prompts, int start) {
  console::Console& con = session.con();
  size_t width = 0;
  for (std::string_view p : prompts) width = std::max(width, p.size());
  const int bottom = top + static_cast<int>(prompts.size()) + 1;
  const int right = left + static_cast<int>(width) + 1;
  const console::SavedRegion saved = con.Save(top, left, bottom, right);
  const console::ColourSet colours = con.colours();
  con.SetColours(con.theme().MenuColours());
  con.Box(top, left, bottom, right, console::SingleFrame(), con.colours().standard, ' ');
  console::Menu m(con);
  for (size_t i = 0; i < prompts.size(); ++i) m.Prompt(top + 1 + static_cast<int>(i), left + 1, std::string(prompts[i]));
  const int choice = m.Run(start).choice;
  con.Restore(saved);
  con.SetColours(colours);
  return choice;
}

bool JestWaluta(Session& session) { return Left(session.vars().Text("JEST_WALUTA"), 1) == "T"; }

}  // namespace hurt::session
