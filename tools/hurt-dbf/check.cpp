// check: the table itself (its record count against the file, every memo pointer) and
// every index given against it (index_check.h says what is checked there).
#include <algorithm>

#include "base/cp852.h"
#include "index_check.h"
#include "tool.h"
#include "xbase/dbt.h"
#include "xbase/table.h"

namespace hurt::dbftool {

namespace {

struct TableReport {
  std::vector<std::string> faults;  // the first kIndexFaultsShown
  int fault_count = 0;
  uint64_t records = 0;
  uint64_t memos = 0;

  void Add(std::string fault) {
    if (fault_count++ < kIndexFaultsShown) faults.push_back(std::move(fault));
  }
};

// The header's count against the file, and each memo pointer of each record (deleted
// records too: a recall brings their memos back).
Status CheckTable(xbase::Table& table, TableReport* report) {
  if (table.header().record_count > table.RecordCount()) {
    report->Add("the header counts " + std::to_string(table.header().record_count) + " records, the file holds " +
                std::to_string(table.RecordCount()) + " whole ones (hurt-dbf repair sets the header right)");
  }
  std::vector<int> memo_fields;
  for (int i = 0; i < table.schema().field_count(); ++i) {
    if (table.schema().field(i).type == 'M') memo_fields.push_back(i);
  }
  xbase::RecordScanner scan(table);
  xbase::Record rec;
  while (scan.Next(&rec)) {
    ++report->records;
    for (int field : memo_fields) {
      const std::string where =
          "record " + std::to_string(rec.recno()) + ", field " + table.schema().field(field).name + ": ";
      auto block = xbase::ParseMemoBlock(rec.FieldBytes(field));
      if (!block.ok()) {
        report->Add(where + Cp852ToUtf8(block.status().message()));
        continue;
      }
      if (*block == 0) continue;
      ++report->memos;
      Status s = table.CheckMemo(*block);
      if (s.IsCorruption()) {
        report->Add(where + Cp852ToUtf8(s.message()));
      } else if (!s.ok()) {
        return s;
      }
    }
  }
  return scan.status();
}

}  // namespace

int CmdCheck(const Args& args) {
  if (args.positional.empty()) return Usage("check needs a table (and its indexes)");
  if (!args.flags.empty() || !args.order.empty()) return Usage("check takes no options");
  const std::string file = TableFile(args.positional[0]);
  auto table = xbase::Table::Open(xbase::RealEnv(), file, xbase::TableMode::Salvage());
  if (!table.ok()) return Fail(table.status(), file);

  TableReport own;
  if (Status s = CheckTable(**table, &own); !s.ok()) return Fail(s, file);
  for (const std::string& fault : own.faults) Out(file + ": " + fault + "\n");
  std::string summary = file + ": ";
  if (own.fault_count == 0) {
    summary += "OK, " + std::to_string(own.records) + " records";
    if (!(*table)->memo_path().empty()) summary += ", " + std::to_string(own.memos) + " memos";
  } else {
    if (own.fault_count > kIndexFaultsShown) {
      summary += "... and " + std::to_string(own.fault_count - kIndexFaultsShown) + " more; ";
    }
    summary += std::to_string(own.fault_count) + (own.fault_count == 1 ? " fault" : " faults");
  }
  Out(summary + "\n");
  int worst = own.fault_count == 0 ? kExitOk : kExitNo;

  std::vector<std::string> indexes;
  for (size_t i = 1; i < args.positional.size(); ++i) indexes.push_back(IndexFile(args.positional[i]));
  for (const IndexReport& r : CheckIndexes(**table, file, indexes)) {
    if (!r.open_status.ok()) {
      worst = std::max(worst, Fail(r.open_status, r.index_file));
      continue;
    }
    for (const std::string& fault : r.faults) Out(r.index_file + ": " + fault + "\n");
    std::string line = r.index_file + ": ";
    if (r.fault_count == 0) {
      line += "OK, " + std::to_string(r.entries) + " keys";
      if (r.stats) {
        line += ", " + std::to_string(r.stats->pages) + (r.stats->pages == 1 ? " page" : " pages") + ", depth " +
                std::to_string(r.stats->depth);
      }
    } else {
      if (r.fault_count > kIndexFaultsShown) {
        line += "... and " + std::to_string(r.fault_count - kIndexFaultsShown) + " more; ";
      }
      line += std::to_string(r.fault_count) + (r.fault_count == 1 ? " fault" : " faults");
    }
    Out(line + " (" + r.key_note + ")\n");
    worst = std::max(worst, r.fault_count == 0 ? kExitOk : kExitNo);
  }
  return worst;
}

}  // namespace hurt::dbftool
