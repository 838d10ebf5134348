// The description of a collective invoice printout (FAKTURA_ZBIORCZO): one line per
// source document, printed above the merged lines.
//
//   FV-125       z 07.12.2026 dla KOWAL       1230.00 P 14     120.00
//   <kind-number, 12> " z " <date> [" dla " <customer>] [" " <gross> " " <SPZ><TEZ 3>]
//   [" " <debit − credit>]
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/date.h"

namespace hurt::invoicing {

struct CollectiveSource {
  std::string rd, nrd;
  JulianDay data = 0;
  std::string odb;               // printed with " dla " when taken from the report browser
  bool from_report_browser = false;
  // Present when the header has NETTO, VAT, SPZ and TEZ: the gross value NETTO + VAT.
  std::optional<double> brutto;
  char spz = ' ';
  int tez = 0;
  // Present when the header has OBWN and OBMA: OBWN − OBMA.
  std::optional<double> saldo;
};

// The line of one source document.
std::string CollectiveDescriptionLine(const CollectiveSource& source);

// The lines of all source documents in list order, each text once.
std::vector<std::string> CollectiveDescription(const std::vector<CollectiveSource>& sources);

}  // namespace hurt::invoicing
