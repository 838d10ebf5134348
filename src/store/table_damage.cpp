#include "store/table_damage.h"

#include "xbase/dbf_repair.h"

namespace hurt::store {

bool IsShortTable(xbase::Env& env, const std::string& dbf_path) {
  auto count = xbase::CountDbfRecords(env, dbf_path);
  return count.ok() && count->short_file();
}

std::vector<std::string> TableDamageLines(xbase::Env& env, const std::string& dbf_path) {
  auto count = xbase::CountDbfRecords(env, dbf_path);
  if (!count.ok()) return {"Uszkodzony naglowek pliku"};
  if (!count->short_file()) return {"Plik uszkodzony"};
  return {"Plik krotszy niz mowi jego naglowek", "naglowek: " + std::to_string(count->header) + " rek.",
          "w pliku: " + std::to_string(count->whole) + " rek.", "Naprawa: uruchom program z argumentem 999"};
}

}  // namespace hurt::store
