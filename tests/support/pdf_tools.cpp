#include "support/pdf_tools.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace hurt::testing {

ProcessResult RunPdfTool(std::vector<std::string> argv) {
  const std::string path = "/usr/bin/" + argv[0];
  if (access(path.c_str(), X_OK) != 0) {
    ADD_FAILURE() << argv[0] << " is missing: run scripts/setup (it installs poppler-utils, qpdf and zbar-tools)";
  }
  argv[0] = path;
  return RunProcess(argv);
}

std::string PdfText(const std::string& pdf, int page) {
  std::vector<std::string> argv = {"pdftotext", "-layout", "-enc", "UTF-8"};
  if (page > 0) argv.insert(argv.end(), {"-f", std::to_string(page), "-l", std::to_string(page)});
  argv.insert(argv.end(), {pdf, "-"});
  const ProcessResult r = RunPdfTool(argv);
  EXPECT_TRUE(r.Succeeded()) << r.err;
  return r.out;
}

std::string QrCodeOn(const std::string& pdf, int page, const std::string& scratch_dir) {
  const std::string png = scratch_dir + "/qr_page";
  const ProcessResult drawn = RunPdfTool(
      {"pdftoppm", "-r", "150", "-png", "-singlefile", "-f", std::to_string(page), "-l", std::to_string(page), pdf, png});
  EXPECT_TRUE(drawn.Succeeded()) << drawn.err;
  std::string read = RunPdfTool({"zbarimg", "-q", "--raw", png + ".png"}).out;
  while (!read.empty() && (read.back() == '\n' || read.back() == '\r')) read.pop_back();
  return read;
}

}  // namespace hurt::testing
