#include "support/golden.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "support/temp_dir.h"

namespace hurt::testing {

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// Where the two texts first differ, as line number and both lines.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
  std::istringstream e(expected), a(actual);
  std::string le, la;
  for (int n = 1;; ++n) {
    const bool has_e = static_cast<bool>(std::getline(e, le));
    const bool has_a = static_cast<bool>(std::getline(a, la));
    if (!has_e && !has_a) return "no line differs (length or trailing bytes)";
    if (le != la || has_e != has_a) return "line " + std::to_string(n) + "\n expected: " + le + "\n actual:   " + la;
  }
}

}  // namespace

void ExpectGolden(const std::string& name, const std::string& actual) {
  const std::string path = SourceFile("tests/golden/" + name);
  if (std::getenv("HURT_UPDATE_GOLDEN") != nullptr) WriteFile(path, actual);
  const std::string expected = ReadFile(path);
  ASSERT_FALSE(expected.empty()) << "missing golden file " << path;
  if (expected != actual) {
    const std::string out = BinaryDir() + "/" + name + ".actual";
    WriteFile(out, actual);
    ADD_FAILURE() << name << " differs; the printout is in " << out << "\n" << FirstDifference(expected, actual);
  }
}

}  // namespace hurt::testing
