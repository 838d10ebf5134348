// The plain text editor: line splitting and joining, overtyping, line ends kept, and the
// question on leaving with changes.
#include "console/text_editor.h"

#include <gtest/gtest.h>

#include "console/keys.h"
#include "support/screen_driver.h"

namespace hurt::console {
namespace {

class TextEditorTest : public ::testing::Test {
 protected:
  // Runs the editor over `text`; every save is recorded (and succeeds unless told not to).
  std::string Edit(std::string_view text) {
    std::string result;
    EXPECT_TRUE(d.Run([&](Console& con) {
      TextEditor editor(con, text, "plik.txt");
      saved_once = editor.Run([&](const std::string& t) {
        saves.push_back(t);
        return save_works;
      });
      result = editor.Text();
    }));
    return result;
  }
  hurt::testing::ScreenDriver d;
  std::vector<std::string> saves;
  bool save_works = true;
  bool saved_once = false;
};

TEST_F(TextEditorTest, EnterSplitsAndBackspaceJoinsLines) {
  d.Keys({key::kRight, key::kEnter});                // "a" | "bc"
  d.Keys({key::kDown, key::kEnd, key::kBackspace});  // "de" -> "d"
  d.Keys({key::kHome, key::kBackspace});             // "bc" + "d"
  d.Key(key::F(2)).Key(key::kEsc);
  EXPECT_EQ(Edit("abc\r\nde\r\n"), "a\r\nbcd\r\n");
  EXPECT_EQ(saves, std::vector<std::string>{"a\r\nbcd\r\n"});
  EXPECT_TRUE(saved_once);
}

TEST_F(TextEditorTest, InsOvertypesAndDelJoinsAtTheLineEnd) {
  d.Key(key::kIns).Type("XY");  // overtype: "XYc"
  d.Keys({key::kEnd, key::kDel});  // joins "de"
  d.Key(key::kCtrlEnd);  // Ctrl+W saves
  d.Key(key::kEsc);
  EXPECT_EQ(Edit("abc\nde"), "XYcde");  // LF text without a last line end stays so
  EXPECT_EQ(saves.size(), 1u);
}

TEST_F(TextEditorTest, EscAsksOnlyWhenChangedAndAFailedSaveStaysInTheEditor) {
  d.Key(key::kEsc);  // nothing changed: leaves at once
  EXPECT_EQ(Edit("abc\r\n"), "abc\r\n");
  EXPECT_TRUE(saves.empty());
  EXPECT_FALSE(saved_once);

  save_works = false;
  d.Type("Q").Key(key::kEsc);
  d.Then([&] { EXPECT_TRUE(d.Contains("Zapisac zmiany ?")); }).Key('T');
  // The save failed: still editing; N then leaves without saving.
  d.Then([&] { EXPECT_TRUE(d.Contains("Qabc")); }).Key(key::kEsc).Key('N');
  EXPECT_EQ(Edit("abc\r\n"), "Qabc\r\n");
  EXPECT_EQ(saves.size(), 1u);
  EXPECT_FALSE(saved_once);
}

}  // namespace
}  // namespace hurt::console
