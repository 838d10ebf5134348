#include "base/cp852.h"
#include "base/date.h"
#include "base/text.h"
#include "session/session.h"
#include "shell/operators_internal.h"

namespace hurt::shell::operators {

namespace {

using namespace hurt::literals;

// A lock byte far past any text, taken while a line is appended, so that two stations
// never write at the same end of the file.
constexpr uint64_t kAppendLockOffset = 0x7FFFFFFE;
constexpr int kLockAttempts = 20;
constexpr int kLockStepMs = 100;

}  // namespace

void LogOperatorEvent(Session& session, std::string_view nr, std::string_view nazwisko, std::string_view event) {
  if (Upper(Left(session.settings().Text("J_KANTY"), 1)) == "N") return;
  std::string line = Dtoc(session.Today()) + " " + session.clock().TimeText();
  const std::string_view bar = " │ "_pl;
  line += bar;
  line += session.StationText();
  line += bar;
  line += Left(nr, 1);
  line += " ";
  line += RTrim(nazwisko);
  line += bar;
  line += event;
  line += "\r\n";

  xbase::OpenOptions options;
  options.create = true;
  auto file = session.env().Open(session.Path("operator.txt"), options);
  if (!file.ok()) return;
  xbase::File& f = **file;
  bool locked = false;
  for (int i = 0; i < kLockAttempts && !locked; ++i) {
    locked = f.Lock(kAppendLockOffset, 1, xbase::LockKind::kExclusive, false).ok();
    if (!locked) session.clock().Sleep(kLockStepMs);
  }
  auto size = f.Size();
  if (size.ok()) (void)f.WriteAt(*size, line);
  if (locked) (void)f.Unlock(kAppendLockOffset, 1);
}

}  // namespace hurt::shell::operators
