#include "session/output/qr_code.h"

#include <qrencode.h>

#include <memory>
#include <string>

namespace hurt::session {

namespace {

struct QrcodeDeleter {
  void operator()(QRcode* code) const { QRcode_free(code); }
};

}  // namespace

Result<QrMatrix> EncodeQr(std::string_view text) {
  if (text.empty() || text.find('\0') != std::string_view::npos) {
    return Status::Invalid("Kod QR: pusty lub niedozwolony tekst");
  }
  const std::string copy(text);
  std::unique_ptr<QRcode, QrcodeDeleter> code(QRcode_encodeString(copy.c_str(), 0, QR_ECLEVEL_M, QR_MODE_8, 1));
  if (!code || code->width <= 0) return Status::Invalid("Kod QR: tekst za dlugi (" + std::to_string(text.size()) + ")");
  QrMatrix matrix;
  matrix.size = code->width;
  const size_t modules = static_cast<size_t>(code->width) * static_cast<size_t>(code->width);
  matrix.dark.resize(modules);
  // Bit 0 of each byte is the module's colour; the other bits say what part it belongs to.
  for (size_t i = 0; i < modules; ++i) matrix.dark[i] = (code->data[i] & 1) != 0;
  return matrix;
}

}  // namespace hurt::session
