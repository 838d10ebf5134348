#include "session/store_ui.h"

#include "console/keys.h"
#include "console/message_window.h"

namespace hurt::session {

void ConsoleStoreUi::SaveArea(int top, int left, int bottom, int right) {
  saved_.push_back(con_.Save(top, left, bottom, right));
}

void ConsoleStoreUi::RestoreArea() {
  if (saved_.empty()) return;
  con_.Restore(saved_.back());
  saved_.pop_back();
  con_.Refresh();
}

void ConsoleStoreUi::Message(std::string_view text) { console::OknoNoWait(con_, text); }

void ConsoleStoreUi::Alert(std::string_view text) { console::Okno_(con_, text); }

void ConsoleStoreUi::AlertLines(const std::vector<std::string>& lines) {
  constexpr int kReadingSeconds = 10;
  console::OknoLines(con_, lines, kReadingSeconds);
}

bool ConsoleStoreUi::WaitForKeyOrTimeout(int64_t millis) {
  if (millis <= 0) return false;  // a zero wait must not become a wait for ever
  return con_.WaitKey(millis) != console::key::kNone;
}

void ConsoleStoreUi::ProgressOpen(std::string_view title, store::ProgressScreen screen) {
  if (progress_open_) ProgressClose();
  if (screen == store::ProgressScreen::kSaveAndRestore) {
    under_progress_ = con_.SaveScreen();
  } else {
    under_progress_.reset();
    con_.Clear();
  }
  progress_open_ = true;
  const console::Attr attr = con_.colours().standard;
  con_.Box(store::kProgressTop, store::kProgressLeft, store::kProgressBottom, store::kProgressRight,
           console::DoubleFrame(), attr, ' ');
  con_.screen().Put(store::kProgressTitleRow, store::kProgressTitleColumn, title, attr);
  con_.Refresh();
}

void ConsoleStoreUi::ProgressUpdate(std::string_view percent, std::string_view bar) {
  if (!progress_open_) return;
  const console::Attr attr = con_.colours().standard;
  con_.screen().Put(store::kProgressPercentRow, store::kProgressTextColumn, percent, attr);
  con_.screen().Put(store::kProgressBarRow, store::kProgressTextColumn, bar, attr);
  con_.Refresh();
}

void ConsoleStoreUi::ProgressClose() {
  if (!progress_open_) return;
  progress_open_ = false;
  if (under_progress_) {
    con_.RestoreScreen(*under_progress_);
    under_progress_.reset();
  }
  con_.Refresh();
}

}  // namespace hurt::session
