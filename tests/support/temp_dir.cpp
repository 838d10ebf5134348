#include "support/temp_dir.h"

#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <system_error>

namespace hurt::testing {

namespace fs = std::filesystem;

TempDir::TempDir() {
  const char* base = getenv("TMPDIR");
  std::string templ = std::string(base && *base ? base : "/tmp") + "/hurt-test-XXXXXX";
  if (mkdtemp(templ.data()) == nullptr) ADD_FAILURE() << "cannot create a temporary directory";
  path_ = templ;
}

TempDir::~TempDir() {
  std::error_code ec;
  if (getenv("HURT_KEEP_TEST_DIRS") == nullptr) fs::remove_all(path_, ec);
}

void TempDir::Write(const std::string& name, const std::string& bytes) const {
  fs::path p = path_ / name;
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string TempDir::Read(const std::string& name) const {
  std::ifstream in(path_ / name, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool TempDir::Exists(const std::string& name) const { return fs::exists(path_ / name); }

std::string BuiltProgram(const std::string& name) {
  fs::path bin(HURT_BINARY_DIR);
  for (const char* sub : {"src", "tools"}) {
    fs::path p = bin / sub / name;
    if (fs::exists(p)) return p.string();
  }
  return (bin / "src" / name).string();
}

std::string BinaryDir() { return HURT_BINARY_DIR; }

std::string SourceFile(const std::string& relative) { return (fs::path(HURT_SOURCE_DIR) / relative).string(); }

}  // namespace hurt::testing
