// The PDF of an invoice walked through the real screens: an invoice typed for SMAKOSZ on a
// demo company, then in Zestawienie dowodow F7 writes its FA(3) file (ksef/fv_1.xml: names
// are lower case on disk) and F4 its PDF, pdf/fv_1.pdf. The PDF is read back with
// poppler's pdftotext (the Polish letters of the printout are text) and its KSeF code is
// read off a picture of the page with zbarimg and compared with the link made here from
// the FA(3) file (support/pdf_tools.h). The data checker finds nothing at the end.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "base/date.h"
#include "support/child_process.h"
#include "support/fa3_schema.h"
#include "support/golden.h"
#include "support/hurt_station.h"
#include "support/pdf_tools.h"
#include "support/station_road.h"
#include "support/temp_dir.h"

namespace hurt::testing {
namespace {

constexpr std::string_view kEntry = "E D Y C J A   D O W O D O W";
constexpr std::string_view kSubmenu = "Zestawienie       WZ";
constexpr std::string_view kSummary = "ZESTAWIENIE DOWODOW";

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
      {"/usr/bin/python3", "-c",
       "import base64,hashlib,sys; d=hashlib.sha256(open(sys.argv[1],'rb').read()).digest(); "
       "print(base64.urlsafe_b64encode(d).decode().rstrip('='), end='')",
       fa3});
  EXPECT_TRUE(hash.Succeeded()) << hash.err;
  // today: "yyyy-mm-dd ..."
  const std::string date = today.substr(8, 2) + "-" + today.substr(5, 2) + "-" + today.substr(0, 4);
  return "https://qr.ksef.mf.gov.pl/invoice/" + nip + "/" + date + "/" + hash.out;
}

// The demo invoice's FA(3) file with what changes from day to day put as placeholders:
// today {DZIS}, the due date {DZIS+14}, the month of the number {MM/RRRR} and the moment
// the file was made {CZAS}.
std::string WithPlaceholders(std::string xml, const std::string& today) {
  auto replace_all = [&xml](const std::string& what, const std::string& with) {
    for (size_t at = xml.find(what); at != std::string::npos; at = xml.find(what, at + with.size())) {
      xml.replace(at, what.size(), with);
    }
  };
  const int y = std::stoi(today.substr(0, 4)), m = std::stoi(today.substr(5, 2)), d = std::stoi(today.substr(8, 2));
  const std::string due = Dtos(JulianFromYmd(y, m, d) + 14);
  replace_all(today.substr(0, 10), "{DZIS}");
  replace_all(due.substr(0, 4) + "-" + due.substr(4, 2) + "-" + due.substr(6, 2), "{DZIS+14}");
  replace_all("/" + today.substr(5, 2) + "/" + today.substr(0, 4) + "<", "/{MM/RRRR}<");
  const size_t made = xml.find("<DataWytworzeniaFa>");
  const size_t end = xml.find("</DataWytworzeniaFa>");
  if (made != std::string::npos && end != std::string::npos) {
    xml.replace(made + 19, end - made - 19, "{CZAS}");
  }
  return xml;
}

TEST(InvoicePdfRoad, TheSummaryWritesTheInvoicesPdfWithItsKsefCode) {
  TempDir data, work;
  const std::string period = MakeDemoCompany(data.str());
  ASSERT_FALSE(period.empty());
  auto a = StartInDowody(data.str(), work.str(), "a");
  a->Send("Home");
  Step(*a, {"Enter"}, kEntry);
  InvoiceForSmakosz(*a, "4");
  Step(*a, {"Esc"}, kSubmenu);

  // Zestawienie dowodow, the invoices only: FV 1 under the cursor.
  Step(*a, {"Home", "Down", "Down", "Down", "Enter"}, "F4-PDF");
  Step(*a, {"F6", "text:FV", "Enter", "Enter"}, "rodzaj: FV");
  // F7, "1. Plik FA(3) do KSeF", then F4.
  StepSeen(*a, {"F7", "Enter"}, "Zapisano ksef/fv_1.xml");
  ASSERT_TRUE(a->WaitForScreen(kSummary, "Zapisano")) << a->Screen();
  // The file the national system gets: valid under the official schema, and as expected.
  const std::string fa3 = Slurp(data / "ksef/fv_1.xml");
  EXPECT_EQ(ValidateFa3(fa3), "");
  ExpectGolden("fa3_demo_fv.xml", WithPlaceholders(fa3, TodayAt9()));
  StepSeen(*a, {"F4"}, "Tworze pdf/fv_1.pdf");
  ASSERT_TRUE(Appears(data / "pdf/fv_1.pdf"));
  EXPECT_TRUE(a->WaitForLog("Zapisano pdf/fv_1.pdf")) << a->Screen();
  EXPECT_FALSE(a->LogContains("Nie zapisano")) << a->Screen();

  const std::string text = PdfText(data / "pdf/fv_1.pdf");
  EXPECT_NE(text.find("Delikatesy Smakosz s.c."), std::string::npos) << text;  // the buyer
  EXPECT_NE(text.find("Hurtownia Spożywcza ZORZA"), std::string::npos) << text;  // the seller
  EXPECT_NE(text.find("MĄKA PSZENNA"), std::string::npos) << text;  // the article
  EXPECT_NE(text.find("OFFLINE"), std::string::npos) << text;  // no KSeF number yet

  std::string nip;
  const auto firma = Records(data / "firma.dbf");  // kept: the loop reads into it
  for (char c : firma.at(0).at("REGON")) {
    if (c >= '0' && c <= '9') nip += c;
  }
  const std::string code = QrCodeOn(data / "pdf/fv_1.pdf", 1, work.str());
  EXPECT_EQ(code, ExpectedLink(data / "ksef/fv_1.xml", nip, TodayAt9()));

  // The number the system gave: one with a wrong checksum is refused; once stored, the
  // FA(3) file is not made again (its hash is in the code printed above).
  StepSeen(*a, {"F7", "Down", "Enter", "text:7543012264-20261210-0100001AF629-21", "Enter"},
           "Numer KSeF: NIP-rrrrmmdd-12 znakow-suma kontrolna");
  Step(*a, {"Esc"}, kSummary);
  StepSeen(*a, {"F7", "Down", "Enter", "text:7543012264-20261210-0100001AF629-20", "Enter"}, "Zapisano numer KSeF");
  const std::string sent = Slurp(data / "ksef/fv_1.xml");
  StepSeen(*a, {"F7", "Enter"}, "Faktura ma juz numer KSeF - plik FA(3) nie zostanie zmieniony");
  EXPECT_EQ(Slurp(data / "ksef/fv_1.xml"), sent);
  bool stored = false;
  for (const auto& h : Records(data / (period + "/dowod.dbf"))) {
    stored = stored || (h.at("RD") == "FV" && h.at("KSEF") == "7543012264-20261210-0100001AF629-20");
  }
  EXPECT_TRUE(stored);

  ASSERT_TRUE(a->WaitForScreen(kSummary, "Faktura ma juz")) << a->Screen();
  Step(*a, {"Esc"}, kSubmenu);
  Leave(*a);
  ExpectVerifyFindsNothing(data.str());
}

}  // namespace
}  // namespace hurt::testing
