// What the backup and the restore screens share: their dialog window, the wait for the
// drive, and the messages that say why an archive was not written or not unpacked.
#pragma once

#include <string>
#include <string_view>

#include "base/result.h"
#include "console/console.h"

namespace hurt::maintenance {

// A double frame with the title centred on its top edge, filled with blanks, in the
// menu colours.
void DrawDialog(console::Console& con, int top, int left, int bottom, int right, std::string_view title);

// "Włóż PENa do komory <drive>, wcisnij ENTER ..." until Enter (true) or Esc (false).
bool WaitForPen(console::Console& con, char drive);

// An archive's name as the operator reads it: "E:\KOPIA\VAT" + "VAT0324.ZIP".
std::string JoinShown(std::string_view folder_shown, std::string_view name);

// Why the archive `shown` was not written; `entry` is the file being read then.
void TellBackupFailure(console::Console& con, const std::string& shown, const std::string& entry, const Status& why);

// Why the archive `name` (found as `shown`) was not unpacked: the restore's message and the
// cause in a second window. `encrypted`: the archive has a password (a damaged entry may
// then be a wrong password).
void TellRestoreFailure(console::Console& con, const std::string& name, const std::string& shown, const Status& why,
                        bool encrypted);

}  // namespace hurt::maintenance
