// The XML copy of a saved order for counterparties that take orders that way: with the
// marker file ZAMD.XML and a file "<key>.xml" beside the data (the counterparty's own
// settings file, its content not read here), the saved order is also written as
// "<key>/<number>.xml" (lower case), whole: a reader sees the old copy or the new one.
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <Zamowienie numer="NR_12001" data="2026-12-11" kontrahent="MLECZARN" operator="0">
//     <Pozycja lp="1" mag="1" indeks="10014" kod13="5900000000014" nazwa="..." jm="szt"
//              ilosc="12"/>
//     <Uwagi>...</Uwagi>
//   </Zamowienie>
//
// Texts go out in UTF-8; quantities as the order file holds them (whole units).
#pragma once

#include <string>
#include <string_view>

#include "base/date.h"
#include "base/result.h"
#include "orders/order_number.h"
#include "session/session_fwd.h"

namespace hurt::orders {

std::string OrderXml(const OrderFileContent& c, std::string_view number, JulianDay date);

// Writes the copy when the counterparty takes one; Ok and nothing written otherwise.
Status SaveOrderXml(session::Session& s, const OrderFileContent& c, std::string_view number);

}  // namespace hurt::orders
