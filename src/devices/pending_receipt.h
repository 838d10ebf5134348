// The note of a receipt on its way to the fiscal printer.
//
// A document is posted whole first; only then do its receipts go to the printer. Before
// the first frame of each receipt the station writes this note (the document, the
// receipt's number within it, the stage), before the closing frames it writes the stage
// again, and when the last receipt is closed it removes the note. A station that dies in
// between (or loses its printer) leaves the note behind, and the next start of that
// workstation finishes the work (FinishPendingReceipt in fiscal_station.h):
//
//   stage "czeka"      nothing went yet (the printer did not answer): it is sent whole;
//   stage "wiersze"    the close was never sent: the printer's open receipt is cancelled
//                      and the document is sent again from that receipt on;
//   stage "zamkniecie" the close may have gone: the operator, who has the paper in front
//                      of them, says whether the receipt came out whole; if not, as above.
//
// So a posted document ends with its receipts printed once, never twice, and a document
// that was not posted never reaches the printer.
//
// The notes are kept on the workstation itself (its local folder, where C:\VAT_ROB was),
// as the printer is attached to the workstation, not to a station number: one file per
// document, named so that they sort in the order they were made:
//
//   <local folder>/paragony/<time in ms, 13 digits>_<rd>_<nrd>.txt
//
//   rd=SD
//   nrd=       5
//   part=1
//   stage=wiersze
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/result.h"
#include "xbase/env.h"

namespace hurt::devices {

struct PendingReceipt {
  enum class Stage { kWaiting, kLines, kClosing };
  std::string rd;
  std::string nrd;
  int part = 1;
  Stage stage = Stage::kWaiting;
  friend bool operator==(const PendingReceipt&, const PendingReceipt&) = default;
};

std::string EncodePendingReceipt(const PendingReceipt& p);
// nullopt for a text that is no such note.
std::optional<PendingReceipt> DecodePendingReceipt(std::string_view text);

// Written beside and renamed into place, synced: a crash leaves the old note or the new.
Status WritePendingReceipt(xbase::Env& env, const std::string& path, const PendingReceipt& p);
// nullopt when there is no note; a note that cannot be read as one is an error.
Result<std::optional<PendingReceipt>> ReadPendingReceipt(xbase::Env& env, const std::string& path);
Status RemovePendingReceipt(xbase::Env& env, const std::string& path);

}  // namespace hurt::devices
