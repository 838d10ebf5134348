// What the operator is told when a table file cannot be opened because it is damaged
// (Corruption from the open), and whether it is the damage the rescue run mends.
#pragma once

#include <string>
#include <vector>

#include "xbase/env.h"

namespace hurt::store {

// Whether the table's header counts more records than its file holds (an interrupted
// copy, a cut file): the rescue run (start argument 999) sets the count right.
bool IsShortTable(xbase::Env& env, const std::string& dbf_path);

// The lines (code page 852, at most 41 characters each) that say what is wrong with a
// table file whose open gave Corruption, to be shown under "Plik <name> niedostepny":
// a file shorter than its header says (with both counts, and the rescue run as the way
// out), a damaged header, or else damage inside the file.
std::vector<std::string> TableDamageLines(xbase::Env& env, const std::string& dbf_path);

}  // namespace hurt::store
