#include "support/fa3_schema.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "support/temp_dir.h"

namespace hurt::testing {

std::string ValidateFa3(const std::string& xml) {
  TempDir dir;
  const std::string file = dir / "fa3.xml";
  std::ofstream(file, std::ios::binary) << xml;
  const std::string schemas = SourceFile("tests/schemas/ksef-fa3");
  const std::string log = dir / "xmllint.log";
  const std::string cmd = "cd '" + schemas +
                          "' && XML_CATALOG_FILES=catalog.xml xmllint --noout --nonet --schema "
                          "'schemat_FA(3)_v1-0E.xsd' '" +
                          file + "' > '" + log + "' 2>&1";
  const int rc = std::system(cmd.c_str());
  std::ifstream in(log);
  std::string messages((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return rc == 0 ? std::string() : "xmllint: " + messages;
}

}  // namespace hurt::testing
