// The store helpers' screen (StoreUi) over the console.
//
// NET_USE, REC_LOCK, the copy helpers, TWORZ and the start-up build draw nothing
// themselves; a session gives them this object, which shows what they ask for in the
// standard windows of the program:
//   - messages in the message window (rows 15-19, columns 30-72), drawn at once so that
//     the operator sees progress while long work runs; a failure of several lines in one
//     window grown upwards;
//   - saved and restored screen areas, nested (the last saved is restored first);
//   - pauses of the retry loops as waits for a key on the console, measured on the
//     console's clock: a key press ends a pause early and is consumed;
//   - the progress window of the copy helpers (rows 11-14, columns 22-58).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "console/console.h"
#include "store/net_ui.h"

namespace hurt::session {

class ConsoleStoreUi final : public store::StoreUi {
 public:
  explicit ConsoleStoreUi(console::Console& con) : con_(con) {}
  ConsoleStoreUi(const ConsoleStoreUi&) = delete;
  ConsoleStoreUi& operator=(const ConsoleStoreUi&) = delete;

  void SaveArea(int top, int left, int bottom, int right) override;
  // Restores the area saved last (nothing when none is saved).
  void RestoreArea() override;

  void Message(std::string_view text) override;
  void Alert(std::string_view text) override;
  // All lines in one message window (console::OknoLines) for 10 seconds or until a key.
  void AlertLines(const std::vector<std::string>& lines) override;

  bool WaitForKeyOrTimeout(int64_t millis) override;

  void ProgressOpen(std::string_view title, store::ProgressScreen screen) override;
  void ProgressUpdate(std::string_view percent, std::string_view bar) override;
  void ProgressClose() override;

  // Areas saved and not yet restored.
  size_t saved_depth() const { return saved_.size(); }

 private:
  console::Console& con_;
  std::vector<console::SavedRegion> saved_;
  std::optional<console::SavedScreen> under_progress_;
  bool progress_open_ = false;
};

}  // namespace hurt::session
