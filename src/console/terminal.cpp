#include "console/terminal.h"

// ncurses first: its macros (clear, erase, move, refresh, timeout …) must not meet
// identifiers of the headers included after it, so only system headers follow.
#include <curses.h>
#include <langinfo.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

#include "console/terminal_size.h"
#include "console/terminfo_keys.h"

namespace hurt::console {

namespace {

// Ctrl+L draws the whole screen again (after a message of another program spoilt it).
constexpr int kCtrlL = 12;

int64_t NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1'000'000;
}

// PC palette order (black, blue, green, cyan, red, magenta, brown, white) → curses colours.
constexpr short kCursesColour[8] = {COLOR_BLACK, COLOR_BLUE, COLOR_GREEN, COLOR_CYAN,
                                    COLOR_RED,   COLOR_MAGENTA, COLOR_YELLOW, COLOR_WHITE};

// Makes sure the program's text reaches the terminal as UTF-8.
void UseUtf8Locale() {
  std::setlocale(LC_CTYPE, "");
  const char* codeset = nl_langinfo(CODESET);
  if (codeset == nullptr || std::strcmp(codeset, "UTF-8") != 0) {
    if (!std::setlocale(LC_CTYPE, "C.UTF-8")) std::setlocale(LC_CTYPE, "en_US.UTF-8");
  }
}

}  // namespace

Result<std::unique_ptr<TerminalBackend>> TerminalBackend::Open(const TerminalOptions& options) {
  if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO))
    return Status::Unsupported("Program działa tylko w terminalu (wejście lub wyjście nie jest terminalem).\n");
  // A window too small to start in is no refusal: the program says so on the screen and
  // goes on once the window is enlarged.
  UseUtf8Locale();
  SCREEN* screen = newterm(nullptr, stdout, stdin);
  if (screen == nullptr) return Status::Unsupported("Nieznany typ terminala (zmienna TERM).\n");
  set_term(screen);
  // Without cursor addressing ("dumb", a printing terminal) no screen can be drawn.
  const char* cup = tigetstr("cup");
  if (cup == nullptr || cup == reinterpret_cast<char*>(-1)) {
    endwin();
    delscreen(screen);
    const char* term = std::getenv("TERM");
    return Status::Unsupported(std::string("Terminal \"") + (term != nullptr ? term : "") +
                               "\" nie umie ustawiać kursora: program potrzebuje terminala pełnoekranowego "
                               "(np. xterm, tmux, screen, linux).\n");
  }
  return std::unique_ptr<TerminalBackend>(new TerminalBackend(screen, options));
}

TerminalBackend::TerminalBackend(SCREEN* screen, const TerminalOptions& options)
    : screen_(screen), options_(options), decoder_(KeyTableOfCurrentTerminal()) {
  raw();
  noecho();
  nonl();
  keypad(stdscr, TRUE);  // the cursor keys send what terminfo says they send
  intrflush(stdscr, FALSE);
  scrollok(stdscr, FALSE);
  curs_set(0);
  if (!options_.monochrome && has_colors() && start_color() == OK) {
    colour_ = true;
    colours16_ = COLORS >= 16 && COLOR_PAIRS > 256;
    max_pairs_ = std::min(COLOR_PAIRS, 257);
    pair_ready_ = std::make_unique<bool[]>(static_cast<size_t>(max_pairs_));
  }
  rows_ = LINES;
  cols_ = COLS;
}

TerminalBackend::~TerminalBackend() {
  curs_set(1);
  endwin();
  delscreen(screen_);
}

int TerminalBackend::PairFor(int fg, int bg) {
  int pair = 0;
  short cfg = 0, cbg = 0;
  if (colours16_) {
    pair = 1 + fg + 16 * bg;
    cfg = static_cast<short>(kCursesColour[fg & 7] + ((fg & 8) ? 8 : 0));
    cbg = static_cast<short>(kCursesColour[bg & 7] + ((bg & 8) ? 8 : 0));
  } else {
    fg &= 7;
    bg &= 7;
    int index = fg + 8 * bg;  // 0..63; white on black is pair 0, the terminal's default
    if (index == 7) return 0;
    pair = index < 7 ? index + 1 : index;
    cfg = kCursesColour[fg];
    cbg = kCursesColour[bg];
  }
  if (pair <= 0 || pair >= max_pairs_) return 0;
  if (!pair_ready_[static_cast<size_t>(pair)]) {
    init_pair(static_cast<short>(pair), cfg, cbg);
    pair_ready_[static_cast<size_t>(pair)] = true;
  }
  return pair;
}

void TerminalBackend::DrawCell(int row, int col, const Cell& cell) {
  const Attr& a = cell.attr;
  attr_t attrs = A_NORMAL;
  int pair = 0;
  if (colour_) {
    pair = PairFor(a.fg, a.bg);
    if (!colours16_ && (a.fg & 8)) attrs |= A_BOLD;
  } else {
    if ((a.bg & 7) != 0) attrs |= A_REVERSE;
    if (a.fg & 8) attrs |= A_BOLD;
    if (a.fg == a.bg) attrs |= A_INVIS;
  }
  if (a.blink) attrs |= A_BLINK;
  if (a.underline) attrs |= A_UNDERLINE;
  wchar_t text[2] = {static_cast<wchar_t>(ScreenGlyph(cell.ch)), L'\0'};
  cchar_t cc;
  setcchar(&cc, text, attrs, static_cast<short>(pair), nullptr);
  mvadd_wch(row, col, &cc);
}

bool TerminalBackend::CheckSize() {
  auto size = QueryTerminalSize(STDOUT_FILENO);
  if (!size) return true;
  if (size->rows != rows_ || size->cols != cols_) {
    rows_ = size->rows;
    cols_ = size->cols;
    resizeterm(rows_, cols_);
    full_redraw_ = true;
  }
  return size->Fits();
}

void TerminalBackend::Present(const ScreenBuffer& screen, const CursorState& cursor) {
  last_ = screen;
  last_cursor_ = cursor;
  if (!CheckSize()) {
    if (!too_small_) {
      erase();
      std::string msg = TooSmallMessage(TerminalSize{cols_, rows_});
      mvaddstr(0, 0, msg.c_str());
      curs_set(0);
      refresh();
      too_small_ = true;
    }
    return;
  }
  if (too_small_) {
    too_small_ = false;
    full_redraw_ = true;
  }
  if (full_redraw_) {
    erase();
    for (int r = 0; r < kRows; ++r)
      for (int c = 0; c < kCols; ++c) DrawCell(r, c, screen.at(r, c));
    full_redraw_ = false;
  } else {
    for (const ChangedRun& run : ChangedRuns(shown_, screen))
      for (int c = run.col; c < run.col + run.length; ++c) DrawCell(run.row, c, screen.at(run.row, c));
  }
  shown_ = screen;
  if (cursor.visible) {
    move(cursor.row, cursor.col);
    // The normal cursor first: on several terminals (tmux, screen) the "very visible" shape
    // only changes the shape and leaves a hidden cursor hidden.
    curs_set(1);
    if (cursor.insert_shape) curs_set(2);
  } else {
    curs_set(0);
  }
  refresh();
}

bool TerminalBackend::ReadInput(int wait_ms) {
  pollfd pfd{STDIN_FILENO, POLLIN, 0};
  int n = poll(&pfd, 1, wait_ms);
  if (n <= 0) return false;  // time-out, or a signal (window size) interrupted the wait
  char buf[256];
  ssize_t got = read(STDIN_FILENO, buf, sizeof buf);
  if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN)) {
    hung_up_ = true;
    return false;
  }
  if (got < 0) return false;
  decoder_.Feed(std::string_view(buf, static_cast<size_t>(got)));
  last_byte_ms_ = NowMs();
  return true;
}

std::optional<int> TerminalBackend::ReadKey(int64_t timeout_ms) {
  const int64_t deadline = timeout_ms < 0 ? -1 : NowMs() + timeout_ms;
  for (;;) {
    if (auto k = decoder_.Next()) {
      if (too_small_) continue;  // typed blind at a window too small to show the screen
      if (*k == kCtrlL) {
        clearok(curscr, TRUE);  // the terminal is cleared and drawn whole, whatever curses thinks it shows
        full_redraw_ = true;
        Present(last_, last_cursor_);
        continue;
      }
      return k;
    }
    if (hung_up_) return 27;  // Esc: the screens close one by one
    int64_t now = NowMs();
    int64_t wait = deadline < 0 ? 250 : std::max<int64_t>(0, deadline - now);
    if (decoder_.Waiting()) {
      int64_t escape_left = last_byte_ms_ + options_.escape_delay_ms - now;
      if (escape_left <= 0) {
        decoder_.Timeout();
        continue;
      }
      wait = std::min(wait, escape_left);
    }
    wait = std::min<int64_t>(wait, 250);  // look at the window size now and then
    if (!ReadInput(static_cast<int>(wait))) {
      bool was_small = too_small_;
      bool fits = CheckSize();
      if (full_redraw_ || (was_small && fits)) Present(last_, last_cursor_);
      if (!decoder_.Waiting() && deadline >= 0 && NowMs() >= deadline) return std::nullopt;
    }
  }
}

void TerminalBackend::DiscardInput() {
  while (ReadInput(0)) {
  }
  decoder_.Timeout();
  while (decoder_.Next()) {
  }
}

void TerminalBackend::Beep() { beep(); }

}  // namespace hurt::console
