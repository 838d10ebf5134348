// The data checker's indexes: every index file the catalogue defines for the tables of the
// data root and of the period, as the markers and the tables' own fields resolve it, that
// exists on disk, checked against its table as `hurt-dbf check` does (index_check.h).
#include "index_check.h"
#include "store/schema.h"
#include "verify_internal.h"

namespace hurt::dbftool::verify {

void CheckIndexFiles(const DataDir& dir, Findings& findings) {
  const store::Markers markers([&dir](std::string_view name) { return !dir.Located(name).empty(); });
  const store::PathArgs args{.period = dir.period};
  for (const store::TableDef* def : store::AllTables()) {
    if (def->place != store::Place::kRoot && def->place != store::Place::kPeriod) continue;
    if (!store::TableEnabled(*def, markers)) continue;
    const std::string table_file = dir.Located(store::TablePath(*def, args) + ".dbf");
    if (table_file.empty()) continue;
    auto table = xbase::Table::Open(dir.env, dir.Path(table_file), xbase::TableMode::SharedReadOnly());
    if (!table.ok()) {
      findings.BadFile(table_file, "nie da się otworzyć: " + Problem(table.status(), dir.Path(table_file)));
      continue;
    }
    xbase::Table& t = **table;
    const store::FieldProbe has_field = [&t](std::string_view name) { return t.FieldIndex(name) >= 0; };
    std::vector<std::string> files;  // relative, as findings name them
    std::vector<std::string> paths;
    for (const store::IndexFile& index : store::ResolveIndexes(*def, markers, args, has_field)) {
      const std::string file = dir.Located(index.file + ".ntx");
      if (file.empty()) continue;
      files.push_back(file);
      paths.push_back(dir.Path(file));
    }
    if (paths.empty()) continue;
    const std::vector<IndexReport> reports = CheckIndexes(t, dir.Path(table_file), paths);
    for (size_t i = 0; i < reports.size(); ++i) {
      const IndexReport& r = reports[i];
      if (!r.open_status.ok()) {
        findings.BadFile(files[i], "nie da się otworzyć: " + Problem(r.open_status, r.index_file));
        continue;
      }
      for (const std::string& fault : r.faults) findings.Add(FindingKind::kIndexes, files[i] + ": " + fault);
      if (r.fault_count > kIndexFaultsShown) {
        findings.Add(FindingKind::kIndexes, files[i] + ": ... i jeszcze " +
                                                std::to_string(r.fault_count - kIndexFaultsShown) + " błędów");
      }
    }
  }
}

}  // namespace hurt::dbftool::verify
