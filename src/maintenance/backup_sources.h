// What a backup puts into its archives, and how a table is read while other stations
// work (ZIP_DBF).
//
// The archives of one backup (each only when its condition holds):
//   month archive   every table (.dbf with its .dbt memo file) of the month folder, entries
//                   "yy/mm/<name>"; indexes are not archived (the restore rebuilds them);
//   VAT_RTP         marker WYR.DBF: every table of the data directory, entries "<name>";
//   FV_ZAL, FV_ZAM  marker FV_ZAL.TXT: the tables dowod* of fv_zal and dow* of fv_zam;
//   POJEMNIK        file pojemnik/pojemnik.dbf: every table of the folder pojemnik;
//   WZOR            marker WZOR_NEW.TXT: every table of the folder wzor.
//
// Reading a table while others work. A table is copied under the locks that keep every
// writer out for that moment, so that the archive never holds a record or a memo half
// written, nor a table in the middle of a rebuild:
//   1. the open-mode byte shared (a station holding the table exclusively - a rebuild, a
//      month close - keeps it; retried as an open is);
//   2. the whole-table lock (no record can be changed or added while it is held: writers
//      need a record lock, and an append locks its new record; retried as FIL_LOCK);
//   3. the append lock, so that no header rewrite is under way while the file is read;
//   4. then the memo file's open-mode byte and its memo lock;
//   5. the .dbf and the .dbt are read whole; the locks go when the files are closed.
// A table this session holds exclusively (firma at the backup at exit) is written out
// and read as it is: nobody else can have it open.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/result.h"
#include "maintenance/backup_places.h"
#include "maintenance/zip_archive.h"
#include "store/net_ui.h"

namespace hurt::session {
class Session;
}

namespace hurt::maintenance {

// One table of an archive: its .dbf and, when it has one, its .dbt.
struct TableFiles {
  std::string dbf;        // path on disk ("" for a lone memo file)
  std::string dbt;        // path on disk ("" when none)
  std::string dbf_entry;  // the names in the archive
  std::string dbt_entry;
};

struct ArchivePlan {
  std::string name;  // as the operator reads it ("VAT0324.ZIP")
  std::vector<TableFiles> tables;
};

// The archives of a backup of `month`, in the order they are written (the month archive
// first). `moment` names the dated variant's archives (marker VV.TXT).
Result<std::vector<ArchivePlan>> PlanBackup(session::Session& session, const BackupMonth& month,
                                            const BackupMoment& moment);

// The tables of folder `folder` of the data directory ("" for the data directory) whose
// names begin with `prefix` (case ignored), in name order.
Result<std::vector<TableFiles>> TablesOf(session::Session& session, std::string_view folder, std::string_view prefix = "");

// Writes one archive into `folder` (named in lower case) by the rules of the header;
// `progress` is told each entry before it is read. The archive is replaced whole or not
// at all.
Status WriteArchive(session::Session& session, store::StoreUi& ui, const ArchivePlan& plan, const std::string& folder,
                    const std::string& password, const std::function<void(const std::string&)>& progress);

}  // namespace hurt::maintenance
