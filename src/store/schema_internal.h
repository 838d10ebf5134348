// The table groups of the catalogue; each group lives in its own file.
#pragma once

#include <span>

#include "store/schema.h"

namespace hurt::store::internal {

std::span<const TableDef> SystemTables();    // firma, prawa, program, blat, e_firma, eo_cfg, eo_nrkom
std::span<const TableDef> StockTables();     // as and its side tables, exchange rates
std::span<const TableDef> DocumentTables();  // document headers, lines, kinds, orders
std::span<const TableDef> AccountTables();   // counterparty books, settlements, pk, pp
std::span<const TableDef> WorkTables();      // per-run work tables of reports and orders

}  // namespace hurt::store::internal
