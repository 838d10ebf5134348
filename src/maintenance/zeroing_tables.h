// The table work of ZEROWANIE, without screens: the soft zeroing of the current month, the
// emptying of one table (the full zeroing) and the clean-up of deleted records (PACK).
//
// Every routine here needs the tables alone: the caller holds firma exclusively in work
// area 1 (no other station works) and has closed every other table of the session, so
// that each table can be opened exclusively. The indexes are not touched: the caller
// rebuilds them all afterwards (INIT_NTX), and the next start does as well.
//
// Nothing is left half-done inside a table. Each one goes from before to after in one
// rename:
//   - a table whose records are changed (the soft zeroing of as, zo, zd, zp, zf, pk,
//     slow) is held exclusively, copied beside itself under the start-up build's scratch
//     name
//     (store/init_tables_rebuild.h: xxx_<name>.dbf), changed there and made durable,
//     renamed to xxx_<name>_ok.dbf — the moment the change counts as done — and then
//     renamed over the table. A run stopped before that moment leaves the table as it
//     was and a partial copy that the next start (RecoverRebuild) removes; a run stopped
//     after it leaves a finished copy that the next start puts in place.
//   - a table that is emptied or packed is rewritten by the engine beside itself and
//     renamed over the old file while it is held exclusively (xbase Table::Zap, Pack).
// Across tables the work goes one table after another; the marker file zerowanie.txt in
// the data directory stands from before the first table until after the last, so that a
// run cut short is told at the next start and in the zeroing screen. The soft zeroing
// gives the same result when it is run again, which finishes it.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "xbase/work_area.h"

namespace hurt::session {
class Session;
}

namespace hurt::maintenance {

// Stands in the data directory while a soft zeroing or a PACK is under way.
inline constexpr std::string_view kZerowanieMarker = "zerowanie.txt";

// Told after each table is done, with its name as the list on the screen shows it.
using TableDone = std::function<void(std::string_view name)>;

// The soft zeroing of the session's current period (Zerowanie lagodne):
//   as             the period fields and the stock (N_BO_I, N_BO_W, N_P_I, N_R_I, B_BO_I,
//                  B_BO_W, B_P_I, B_P_W, B_R_I, B_R_I_SD, B_R_W, ILOSC, CENA_01) to 0, the
//                  last receipt (S_Z_PZ, DATA_PZ, RD_PZ, NRD_PZ, TEZ_PZ, ILOSC_PZ), the
//                  daily sales (DATA_SD, ILOSC_SD), the opening date DATA_BO, the
//                  reservations (REZERWA, REZERWA0, REZERWA9) and the batch quantities
//                  cleared; the cards stay, deleted ones too;
//   zo zd zp zf    BOWN, BOMA, OBNAWN, OBNAMA, OBWN, OBMA, POWN, POMA to 0;
//   dow dowod fa_n fa_nx   emptied;
//   pk             every amount (the numeric fields with decimals) to 0; the account's
//                  member, level and type numbers (CZLON, POZIOM, KONTYP) describe the
//                  chart of accounts and stay;
//   slow           every kind's counter NRD to 0, so the next document of a kind is 1;
//   firma          the money-document counters KW, KP, NO, WE, KP_KW, KP_ to 0.
// A field a table does not have is passed over, as is a table that does not exist.
// When a table fails, its name goes to *failed (when given): that table and the ones
// after it are as they were.
Status ZerujLagodnie(session::Session& s, const TableDone& done = {}, std::string* failed = nullptr);

// The full zeroing of one table: every record removed (ZAP). `dbf_path` is the table's
// file; the table must not be open in the session.
Status ZerujTabele(xbase::Env& env, xbase::WorkAreas& areas, const std::string& dbf_path);

// PACK: the deleted records removed from as, zo, zd, zp, zf, dow, dowod, fa_n, fa_nx and
// slow of the current period, each table keeping the order of its other records.
Status PakujTabele(session::Session& s, const TableDone& done = {}, std::string* failed = nullptr);

// The tables of the period soft zeroing and PACK work on, in their order: the file
// (path under the data directory, without extension) and the name shown.
struct PeriodTable {
  std::string file;
  std::string name;
};
std::vector<PeriodTable> SoftZeroingTables(const session::Session& s);
std::vector<PeriodTable> PackTables(const session::Session& s);

}  // namespace hurt::maintenance
