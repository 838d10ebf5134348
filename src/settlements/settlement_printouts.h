// The printouts of the settlement browse that go with an operation: the compensation note
// (KompensDruk) after a compensation, and the transfer order (PP) or bank deposit slip
// (BDW) of a money document. Plain text through the shared preview-and-print step; the
// lines are built apart from the screen so that they can be checked.
#pragma once

#include <string>
#include <vector>

#include "base/date.h"
#include "settlements/settle.h"
#include "settlements/transfer_order.h"

namespace hurt::session {
class Session;
}

namespace hurt::settlements {

struct FirmLines {
  std::vector<std::string> lines;  // our name, address and tax number (code page 852)
};

// NOTA KOMPENSACYJNA: the marked items of both sides, their sums and the difference left
// open as the KO item.
std::vector<std::string> CompensationNoteLines(const FirmLines& firm, std::string_view odb, std::string_view nazwa,
                                               const std::vector<OpenItem>& marked, JulianDay today);

// POLECENIE PRZELEWU / BANKOWY DOWOD WPLATY: ordering party, recipient, accounts, the
// amount in figures and in words, the title and the date.
std::vector<std::string> TransferOrderLines(const TransferOrder& order, bool deposit_slip);

// Our firm's lines from `firma`.
FirmLines FirmOf(session::Session& s);

// The lines to the preview under `title`.
void PrintLines(session::Session& s, const std::vector<std::string>& lines);

}  // namespace hurt::settlements
