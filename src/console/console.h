// The console: one screen, its cursor and colours, and the keyboard.
//
// The caller owns one Console over a back-end and a clock; every screen and widget takes
// it by reference. Drawing changes the cell grid only; the grid reaches the terminal when
// the program waits for a key (or on Refresh()).
//
// Keys are read through a keyboard buffer: keys stuffed by Keyboard() come first, then
// what the terminal sends. While the program waits for a key, a registered hot key runs
// its routine on the spot (Alt+K opens the calculator from any screen) and the wait goes
// on; a hot key is disabled while its own routine runs. Waits with a time-out are measured
// on the injected Clock, so a test's FakeClock decides when they end.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "base/clock.h"
#include "console/backend.h"
#include "console/colour.h"
#include "console/screen_buffer.h"
#include "console/theme.h"

namespace hurt::console {

// The input field being edited, for routines that a hot key starts inside a form (the
// calculator takes a numeric field's value and gives its result back).
class ActiveField {
 public:
  virtual ~ActiveField() = default;
  virtual bool IsNumeric() const = 0;
  virtual double NumericValue() const = 0;
  virtual void SetNumericValue(double value) = 0;
};

// The whole screen with its cursor and colour setting.
struct SavedScreen {
  ScreenBuffer cells;
  CursorState cursor;
  ColourSet colours;
};

class Console {
 public:
  using HotKeyRoutine = std::function<void(Console&)>;

  Console(Backend& backend, Clock& clock);
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // ---- Drawing ----
  ScreenBuffer& screen() { return screen_; }
  const ScreenBuffer& screen() const { return screen_; }
  // @ row, col SAY text: in the standard colour, or in the given one. Leaves the cursor
  // after the text, as SAY does.
  void Say(int row, int col, std::string_view text);
  void Say(int row, int col, std::string_view text, Attr attr);
  // CLEAR: the whole screen in the standard colour, cursor home.
  void Clear();
  // @ top, left CLEAR TO bottom, right.
  void ClearRegion(int top, int left, int bottom, int right);
  void ClearRegion(int top, int left, int bottom, int right, Attr attr);
  void Box(int top, int left, int bottom, int right, std::string_view frame, Attr attr, unsigned char fill = 0);

  // ---- Colours ----
  const ColourSet& colours() const { return colours_; }
  void SetColours(const ColourSet& set) { colours_ = set; }
  // SET COLOR TO "W/N,W+/B": the parts given replace the current ones; an invalid text
  // changes nothing and says why.
  Status SetColour(std::string_view text);
  Theme& theme() { return theme_; }
  const Theme& theme() const { return theme_; }
  Attr operator[](Role role) const { return theme_[role]; }
  // ISCOLOR(): false on a terminal without colours.
  bool IsColour() const { return backend_.IsColour(); }

  // ---- Cursor ----
  void SetCursor(int row, int col);
  void ShowCursor(bool visible) { cursor_.visible = visible; }
  void SetInsertShape(bool insert) { cursor_.insert_shape = insert; }
  const CursorState& cursor() const { return cursor_; }
  void SetCursorState(const CursorState& c) { cursor_ = c; }

  // ---- Saving and restoring ----
  SavedRegion Save(int top, int left, int bottom, int right) const { return screen_.Save(top, left, bottom, right); }
  void Restore(const SavedRegion& region) { screen_.Restore(region); }
  SavedScreen SaveScreen() const { return {screen_, cursor_, colours_}; }
  void RestoreScreen(const SavedScreen& saved);

  // ---- Keys ----
  // INKEY(seconds): waits for a key; 0 (or less) waits for ever; returns key::kNone when
  // the time passed. A key ends the wait early.
  int Inkey(double seconds);
  // The wait every screen uses: timeout_ms < 0 waits for ever; key::kNone on time-out.
  int WaitKey(int64_t timeout_ms = kWaitForever);
  // INKEY() without a wait: the next key if one is there, else key::kNone.
  int PollKey();
  // NEXTKEY(): the next key without taking it, key::kNone when none is waiting.
  int NextKey();
  // LASTKEY(): the last key a wait returned.
  int LastKey() const { return last_key_; }
  void SetLastKey(int key) { last_key_ = key; }

  // KEYBOARD: replaces the keys waiting in the buffer by these.
  void Keyboard(std::initializer_list<int> keys);
  void Keyboard(const std::vector<int>& keys);
  // KEYBOARD "text": code page 852 characters (CHR(13) is Enter).
  void KeyboardText(std::string_view text);
  // Adds keys after those already waiting.
  void PushKeys(const std::vector<int>& keys);
  // CLEAR TYPEAHEAD: drops stuffed keys and what the terminal has already sent.
  void ClearTypeahead();

  // Hot keys: the routine runs whenever `key` arrives while the program waits for a key.
  void SetHotKey(int key, HotKeyRoutine routine);
  void ClearHotKey(int key);
  bool HasHotKey(int key) const { return hot_keys_.count(key) != 0; }

  // Insert mode of input fields, shared by every form (READINSERT()).
  bool insert_mode() const { return insert_mode_; }
  void set_insert_mode(bool on) { insert_mode_ = on; }

  ActiveField* active_field() const { return active_field_; }
  void set_active_field(ActiveField* field) { active_field_ = field; }

  // ---- Output and time ----
  // Sends the screen and cursor to the back-end now (waits do it by themselves).
  void Refresh();
  void Beep() { backend_.Beep(); }
  Clock& clock() { return clock_; }
  Backend& backend() { return backend_; }

 private:
  std::optional<int> TakeKey(int64_t timeout_ms);
  bool RunHotKey(int key);

  struct HotKey {
    HotKeyRoutine routine;
    bool running = false;
  };

  Backend& backend_;
  Clock& clock_;
  ScreenBuffer screen_;
  CursorState cursor_;
  ColourSet colours_;
  Theme theme_ = Theme::Blue();
  std::deque<int> typeahead_;
  std::map<int, HotKey> hot_keys_;
  int last_key_ = 0;
  ActiveField* active_field_ = nullptr;
  bool insert_mode_ = false;
};

// Keeps a console's active field for the lifetime of the object.
class ActiveFieldScope {
 public:
  ActiveFieldScope(Console& con, ActiveField* field) : con_(con), saved_(con.active_field()) {
    con.set_active_field(field);
  }
  ~ActiveFieldScope() { con_.set_active_field(saved_); }
  ActiveFieldScope(const ActiveFieldScope&) = delete;
  ActiveFieldScope& operator=(const ActiveFieldScope&) = delete;

 private:
  Console& con_;
  ActiveField* saved_;
};

}  // namespace hurt::console
