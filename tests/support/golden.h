// Whole printouts compared byte for byte with the files in tests/golden/ (printer
// sequences, overstruck letters and CR LF included).
//
// After a deliberate change of a printout, rewrite the files by running the test with
// HURT_UPDATE_GOLDEN=1, and read them with tests/golden/show_prn.py before committing.
#pragma once

#include <string>

namespace hurt::testing {

// A failure naming the first differing line when `actual` is not the golden file `name`;
// the printout is then left beside the test binary as <name>.actual.
void ExpectGolden(const std::string& name, const std::string& actual);

}  // namespace hurt::testing
