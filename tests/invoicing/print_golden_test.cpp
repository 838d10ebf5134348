// Whole printouts compared byte for byte with the files in tests/golden/ (printer
// sequences, overstruck letters and CR LF included).
//
// After a deliberate change of a form, rewrite the files with
//   HURT_UPDATE_GOLDEN=1 build/release/tests/test_invoicing_unit --gtest_filter='Golden*'
// and read them with tests/golden/show_prn.py before committing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "invoice_samples.h"
#include "invoicing/print_form.h"
#include "support/temp_dir.h"

namespace hurt::invoicing {
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
    bool has_e = static_cast<bool>(std::getline(e, le));
    bool has_a = static_cast<bool>(std::getline(a, la));
    if (!has_e && !has_a) return "no line differs (length or trailing bytes)";
    if (le != la || has_e != has_a) {
      return "line " + std::to_string(n) + "\n expected: " + le + "\n actual:   " + la;
    }
  }
}

void ExpectGolden(const std::string& name, const std::string& actual) {
  std::string path = testing::SourceFile("tests/golden/" + name);
  if (std::getenv("HURT_UPDATE_GOLDEN") != nullptr) WriteFile(path, actual);
  std::string expected = ReadFile(path);
  ASSERT_FALSE(expected.empty()) << "missing golden file " << path;
  if (expected != actual) {
    std::string out = testing::BinaryDir() + "/" + name + ".actual";
    WriteFile(out, actual);
    ADD_FAILURE() << name << " differs; the printout is in " << out << "\n" << FirstDifference(expected, actual);
  }
}

TEST(Golden, NetInvoice) {
  InvoiceData data = samples::NetInvoice();
  PrintedForm form = FvFaktura("FV", 'N', data);
  EXPECT_EQ(form.pages, 1);
  ExpectGolden("faktura_netto.prn", form.text);
}

TEST(Golden, Correction) {
  InvoiceData data = samples::Correction();
  PrintedForm form = FvFaktura("FV", 'N', data);
  EXPECT_EQ(form.klasa, "FK");
  ExpectGolden("korekta.prn", form.text);
}

}  // namespace
}  // namespace hurt::invoicing
