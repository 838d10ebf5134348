// The transfer-order table `pp` (PP.DBF in the data directory), fed from the money
// documents: a transfer order PP pays the counterparty from our account; a bank deposit
// slip BDW pays cash into our own account. The table is made when it is missing.
//
// The recipient's account is split as a bank account number is read: 26 digits give the
// check digits (O_LK), the bank's sort code (O_NRBO) and the account (O_NRBO1); any other
// text goes to O_NRBO and O_NRBO1 as it comes. The amount is stored as text "999999999.99".
#pragma once

#include <string>

#include "base/date.h"
#include "base/result.h"
#include "store/net_ui.h"

namespace hurt::session {
class Session;
}

namespace hurt::settlements {

struct TransferOrder {
  std::string odb;                       // the counterparty's key
  std::string o_nodb, o_nodb1, o_konto;  // recipient: name lines and account
  std::string z_nodb, z_nodb1, z_konto;  // ordering party (our firm)
  std::string tytul;                     // title, two lines of 27
  std::string waluta;
  double kwota = 0;
  JulianDay data = kEmptyDate;
};

struct AccountParts {
  std::string lk, nrbo, nrbo1;
};
AccountParts SplitAccount(std::string_view konto);

// Appends the order to `pp`. Busy when the table is held exclusively elsewhere.
Status ZapiszDoZbioruPp(session::Session& s, store::StoreUi& ui, const TransferOrder& order);

}  // namespace hurt::settlements
