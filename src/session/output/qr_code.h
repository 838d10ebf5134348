// A QR code as a matrix of modules, for drawing on a page (report_pdf.h).
//
// The symbol is made by libqrencode: byte mode (any text, case kept), error correction
// level M (15 % of the symbol may be lost), the smallest version the text fits in. The
// matrix has no quiet zone: whoever draws it leaves four light modules around it.
#pragma once

#include <string_view>
#include <vector>

#include "base/result.h"

namespace hurt::session {

struct QrMatrix {
  int size = 0;             // modules per side (21 for version 1, + 4 per version)
  std::vector<bool> dark;   // size * size modules, row by row from the top

  bool Dark(int row, int column) const { return dark[static_cast<size_t>(row) * size + column]; }
};

// The QR code of `text`; Invalid when the text is empty, holds a NUL byte or is too long
// for the largest symbol.
Result<QrMatrix> EncodeQr(std::string_view text);

}  // namespace hurt::session
