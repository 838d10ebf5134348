#include "invoicing/collective_description.h"

#include <algorithm>

#include "base/numeric.h"
#include "base/picture.h"
#include "base/text.h"
#include "invoicing/printer_codes.h"

namespace hurt::invoicing {

std::string CollectiveDescriptionLine(const CollectiveSource& source) {
  std::string line = PadR(AllTrim(source.rd) + "-" + AllTrim(source.nrd), 12) + " z " + Dtoc(source.data);
  if (source.from_report_browser) line += " dla " + source.odb;
  if (source.brutto.has_value()) {
    line += " " + TransformNumber(NewRound(*source.brutto, 2), "999999.99") + " " +
            std::string(1, source.spz == '\0' ? ' ' : source.spz) + Str(source.tez, 3, 0);
  }
  if (source.saldo.has_value()) line += " " + TransformNumber(NewRound(*source.saldo, 2), "999999.99");
  return Printable(line);
}

std::vector<std::string> CollectiveDescription(const std::vector<CollectiveSource>& sources) {
  std::vector<std::string> out;
  for (const CollectiveSource& source : sources) {
    std::string line = CollectiveDescriptionLine(source);
    if (std::find(out.begin(), out.end(), line) == out.end()) out.push_back(std::move(line));
  }
  return out;
}

}  // namespace hurt::invoicing
