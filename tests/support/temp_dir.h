// A fresh, empty data directory for one test, removed afterwards.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace hurt::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }
  // Path of a file inside the directory.
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

  // Writes a file (creating folders on the way) and reads one back.
  void Write(const std::string& name, const std::string& bytes) const;
  std::string Read(const std::string& name) const;
  bool Exists(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

// Fixture: every test starts in its own empty data directory (the process's current
// directory is left alone; pass dir.path() to what needs it).
class DataDirTest : public ::testing::Test {
 protected:
  TempDir dir;
};

// The binary of a program of this build ("hurt", "hurt-dbf", "console-demo", …).
std::string BuiltProgram(const std::string& name);
// A file of the source tree, e.g. "tests/golden/faktura.prn".
std::string SourceFile(const std::string& relative);
// The build directory of this test run (for files a failing test leaves to look at).
std::string BinaryDir();

}  // namespace hurt::testing
