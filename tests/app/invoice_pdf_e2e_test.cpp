// The PDF of an invoice walked through the real screens: an invoice typed for SMAKOSZ on a
// demo company, then in Zestawienie dowodow F7 writes its FA(3) file (ksef/fv_1.xml: names
// are lower case on disk) and F4 its PDF, pdf/fv_1.pdf. The PDF is read back with
// poppler's pdftotext (the Polish letters of the printout are text) and its KSeF code is
// read off a picture of the page with zbarimg and compared with the link made here from
// the FA(3) file. The data checker finds nothing at the end.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "support/child_process.h"
#include "support/hurt_station.h"
#include "support/station_road.h"
#include "support/temp_dir.h"

namespace hurt::testing {
namespace {

constexpr std::string_view kEntry = "E D Y C J A   D O W O D O W";
constexpr std::string_view kSubmenu = "Zestawienie       WZ";
constexpr std::string_view kSummary = "ZESTAWIENIE DOWODOW";

std::string Tool(const std::string& name) {
  const std::string path = "/usr/bin/" + name;
  if (access(path.c_str(), X_OK) != 0) {
    ADD_FAILURE() << name << " is missing: run scripts/setup (it installs poppler-utils, zbar-tools and python3)";
  }
  return path;
}

// Waits for a file the program writes (renamed into place whole).
bool Appears(const std::string& path) {
  for (int i = 0; i < 1500; ++i) {
    if (access(path.c_str(), F_OK) == 0) return true;
    ::usleep(20'000);
  }
  return false;
}

// KOD I as the system's description makes it, from the file's bytes (python's hashlib).
std::string ExpectedLink(const std::string& fa3, const std::string& nip, const std::string& today) {
  const ProcessResult hash = RunProcess(
      {Tool("python3"), "-c",
       "import base64,hashlib,sys; d=hashlib.sha256(open(sys.argv[1],'rb').read()).digest(); "
       "print(base64.urlsafe_b64encode(d).decode().rstrip('='), end='')",
       fa3});
  EXPECT_TRUE(hash.Succeeded()) << hash.err;
  // today: "yyyy-mm-dd ..."
  const std::string date = today.substr(8, 2) + "-" + today.substr(5, 2) + "-" + today.substr(0, 4);
  return "https://qr.ksef.mf.gov.pl/invoice/" + nip + "/" + date + "/" + hash.out;
}

TEST(InvoicePdfRoad, TheSummaryWritesTheInvoicesPdfWithItsKsefCode) {
  TempDir data, work;
  ASSERT_FALSE(MakeDemoCompany(data.str()).empty());
  auto a = StartInDowody(data.str(), work.str(), "a");
  a->Send("Home");
  Step(*a, {"Enter"}, kEntry);
  InvoiceForSmakosz(*a, "4");
  Step(*a, {"Esc"}, kSubmenu);

  // Zestawienie dowodow, the invoices only: FV 1 under the cursor.
  Step(*a, {"Home", "Down", "Down", "Down", "Enter"}, "F4-PDF");
  Step(*a, {"F6", "text:FV", "Enter", "Enter"}, "rodzaj: FV");
  // F7, "1. Plik FA(3) do KSeF", then F4.
  StepSeen(*a, {"F7", "Enter"}, "Zapisano ksef/FV_1.xml");
  ASSERT_TRUE(a->WaitForScreen(kSummary, "Zapisano")) << a->Screen();
  StepSeen(*a, {"F4"}, "Tworze pdf/fv_1.pdf");
  ASSERT_TRUE(Appears(data / "pdf/fv_1.pdf"));
  EXPECT_TRUE(a->WaitForLog("Zapisano pdf/fv_1.pdf")) << a->Screen();
  EXPECT_FALSE(a->LogContains("Nie zapisano")) << a->Screen();

  const ProcessResult text = RunProcess({Tool("pdftotext"), "-layout", "-enc", "UTF-8", data / "pdf/fv_1.pdf", "-"});
  ASSERT_TRUE(text.Succeeded()) << text.err;
  EXPECT_NE(text.out.find("Delikatesy Smakosz s.c."), std::string::npos) << text.out;  // the buyer
  EXPECT_NE(text.out.find("Hurtownia Spożywcza ZORZA"), std::string::npos) << text.out;  // the seller
  EXPECT_NE(text.out.find("MĄKA PSZENNA"), std::string::npos) << text.out;  // the article
  EXPECT_NE(text.out.find("OFFLINE"), std::string::npos) << text.out;  // no KSeF number yet

  std::string nip;
  for (char c : Records(data / "firma.dbf").at(0).at("REGON")) {
    if (c >= '0' && c <= '9') nip += c;
  }
  const ProcessResult drawn = RunProcess(
      {Tool("pdftoppm"), "-r", "150", "-png", "-singlefile", data / "pdf/fv_1.pdf", work / "fv_1"});
  ASSERT_TRUE(drawn.Succeeded()) << drawn.err;
  std::string code = RunProcess({Tool("zbarimg"), "-q", "--raw", work / "fv_1.png"}).out;
  while (!code.empty() && code.back() == '\n') code.pop_back();
  EXPECT_EQ(code, ExpectedLink(data / "ksef/fv_1.xml", nip, TodayAt9()));

  Step(*a, {"Esc"}, kSubmenu);
  Leave(*a);
  ExpectVerifyFindsNothing(data.str());
}

}  // namespace
}  // namespace hurt::testing
