// The arithmetic of ordering, kept apart from tables and screens.
//
//   ZAMOW's proposal   ZAMAWIAM = INT(1.2 x (SPRZEDANO - STAN) + 0.5) when that is positive,
//                      else 0: issued 10, stock 3 -> 8; issued 3, stock 10 -> 0.
//   daily sales        in the first nine days of the open month, when that month is the
//                      current one, an article whose daily-sales quantity ILOSC_SD > 0 was
//                      dated (DATA_SD) within the last 30 days counts ILOSC_SD as issued
//                      instead of B_R_I: the month has barely begun.
//   grouping           the rows are warehouse + the first N characters of the index.
//   order numbers      NR_ + the month (two digits) + a sequence 001..999 per month and
//                      side; after 999 it starts again at 001.
#pragma once

#include <string>
#include <string_view>

#include "base/date.h"

namespace hurt::orders {

// The quantity proposed for an article group.
double ProposedQuantity(double sprzedano, double stan);

// Whether ILOSC_SD stands for the issued quantity (see above). `open_month_is_current`:
// the open period is the month of `today`.
bool UsesDailySales(JulianDay today, bool open_month_is_current, JulianDay data_sd, double ilosc_sd);

// The group key of an article: the warehouse and the first `base` characters of the index,
// padded to 8 (base is held to 1..8).
std::string GroupIndex(std::string_view indeks, int base);

// The sequence after `last` (0 when none was given yet): 1..999, then 1 again.
int NextOrderSequence(int last);

// "NR_mmnnn" of a month and a sequence.
std::string OrderNumber(int month, int sequence);

// The sequence of a file name "nr_mmnnn.dbf" (either case) of `month`; 0 when the name is
// not one of that month's order files.
int SequenceOfOrderFile(std::string_view file_name, int month);

}  // namespace hurt::orders
