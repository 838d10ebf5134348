#include "documents/kind_reader.h"

#include <string>

#include "base/numeric.h"
#include "base/text.h"
#include "session/area_fields.h"
#include "xbase/value.h"

namespace hurt::documents {

namespace {

char FirstChar(const std::string& text, char fallback) { return text.empty() || text[0] == ' ' ? fallback : text[0]; }

}  // namespace

DocKind KindFromRecord(const xbase::WorkArea& slow) {
  using session::FieldNumber;
  using session::FieldText;
  DocKind k;
  k.rd = PadR(FieldText(slow, "RD"), 3);
  k.opis = FieldText(slow, "OPIS");
  k.r_p = FirstChar(FieldText(slow, "R_P"), ' ');
  k.s_z = FirstChar(FieldText(slow, "S_Z"), ' ');
  k.cuv = FirstChar(FieldText(slow, "CUV"), 'U');
  k.nb = FirstChar(FieldText(slow, "NB"), 'N');
  k.kto = FirstChar(FieldText(slow, "KTO"), 'O');
  k.poziom = static_cast<int>(NewRound(FieldNumber(slow, "POZIOM"), 0));
  return k;
}

Result<DocKind> ReadKind(xbase::WorkArea& slow, std::string_view rd) {
  auto found = slow.Seek(xbase::Value(PadR(rd, 3)));
  if (!found.ok()) return found.status();
  if (!*found) return Status::NotFound("brak rodzaju dowodu " + std::string(rd));
  return KindFromRecord(slow);
}

}  // namespace hurt::documents
