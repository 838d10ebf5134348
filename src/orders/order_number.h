// Order numbers and order files: zamo/NR_mmnnn.dbf (customer orders) and
// zamd/NR_mmnnn.dbf (supplier orders), mm the month of the save date.
//
// Taking a number. Two stations saving orders of one side at once must get different
// numbers, and after 999 the sequence of a month starts again at 001 (the old file of that
// number is then replaced). The highest sequence among the files cannot say where a
// wrapped sequence stands, so each side keeps the last sequence of each month in a small
// counter file beside its orders, "nr_mm.lic" (three digits). A number is taken under an
// exclusive lock on that file (kOrderCounterLock, an open-file-description lock that dies
// with the process): read the counter, or, when there is none yet (orders saved before it
// existed) take the highest sequence among the month's files; add one (999 -> 1); write
// it back and sync; release. A station that cannot have the lock within the wait gets
// "Plik <folder>/nr_mm.lic zajety" and no number.
//
// Saving an order file. The file is written whole under a temporary name in the same
// folder ("nr_mmnnn.tNN", NN the station) and renamed over the old file of that number, so
// a reader sees the old order or the new one, never a half.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "store/net_ui.h"
#include "xbase/env.h"

namespace hurt::orders {

enum class OrderSide { kCustomers, kSuppliers };

// "zamo" or "zamd".
std::string_view SideFolder(OrderSide side);

// The lock byte of the counter file (beyond its content).
inline constexpr uint64_t kOrderCounterLock = 1'000'000'000;
// Seconds a station waits for another one's counter lock.
inline constexpr double kOrderCounterWait = 10;

// The next order number "NR_mmnnn" of `side` for `month` (1..12), the folder made when
// missing. `root` is the data directory.
Result<std::string> TakeOrderNumber(xbase::Env& env, std::string_view root, OrderSide side, int month,
                                    store::StoreUi& ui, double wait = kOrderCounterWait);

// The path of an order file: <root>/<folder>/nr_mmnnn.dbf (lower case).
std::string OrderFilePath(std::string_view root, OrderSide side, std::string_view number);

// One row of a saved order.
struct OrderFileRow {
  std::string mag, indeks, nazwa, jm;
  double zamawiam = 0;  // rounded to whole units when written
  double cena0_as = 0;  // written only when the file has CENA0_AS
  std::string dost, kod13;
};

struct OrderFileContent {
  std::string odb;       // the counterparty
  std::string operator_nr;
  std::string uwagi;     // the remark, in every row
  bool with_price = false;  // the marker ZAM_UZG.TXT: the agreed price column
  std::vector<OrderFileRow> rows;
};

// Writes the order file at `dbf_path` whole (see above). `station` names the temporary
// file. Nothing of the old file is lost when writing fails.
Status SaveOrderFile(xbase::Env& env, const std::string& dbf_path, const OrderFileContent& content, int station);

}  // namespace hurt::orders
