// Our firm (`firma`) and a counterparty (its book by KTO) as the settlement printouts and
// forms use them: names, address, tax number, bank account. Blank when missing; the
// areas' order and position are put back.
#pragma once

#include <string>
#include <string_view>

namespace hurt::session {
class Session;
}

namespace hurt::settlements {

struct Firm {
  std::string nodb, nodb1;       // name lines
  std::string uodb, kodb, modb;  // street, postal code, town
  std::string regon;             // NIP
  std::string bodb, nrbo;        // bank and account
};

struct Party {
  std::string nodb, nodb1, uodb, kodb, modb;
  std::string nrbo{};  // bank account
};

Firm ReadFirm(session::Session& s);
Party ReadParty(session::Session& s, std::string_view kto, std::string_view odb);

}  // namespace hurt::settlements
