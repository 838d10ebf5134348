// FV_DO_PDF over a station's tables: the printout of a posted invoice as pdf/<kind>_<number>.pdf,
// read back with poppler's pdftotext and, for KOD I, rendered with pdftoppm and decoded
// with zbarimg (tools of scripts/setup; a machine without them fails here, saying so).
#include "invoicing/invoice_pdf.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "base/cp852.h"
#include "invoice_fixture.h"
#include "ksef_samples.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace hurt::invoicing {
namespace {

using namespace hurt::literals;
using store::TableId;
using testing::D;

class InvoicePdfTest : public testing::InvoiceTest {
 protected:
  void SetUp() override {
    InvoiceTest::SetUp();
    AddKind(Area(TableId::kSlow), "FV ", "FAKTURA VAT", "R", "S", "N", 126);
  }

  void Invoice(int nrd, const testing::Fields& more = {}) {
    AddHeader(Area(TableId::kDowod), "FV ", nrd, D(2026, 12, 7), more);
    AddLine(Area(TableId::kDow), "FV ", nrd, 1, "MAKA", 2, 10.00, "23");
  }

  Result<FvPdf> Make(int nrd) {
    FakturaRequest request;
    request.data = JulianFromYmd(2026, 12, 7);
    request.rd = "FV ";
    request.nrd = std::to_string(nrd);
    return FvDoPdf(s(), ui_, request);
  }

  // The PDF of the station's (in-memory) data directory, copied out for the tools.
  std::string Exported(const std::string& name) {
    out_.Write("out.pdf", ReadFile(s().Path(name)));
    return out_ / "out.pdf";
  }
  std::string Tool(const std::string& name) {
    const std::string path = "/usr/bin/" + name;
    if (access(path.c_str(), X_OK) != 0) {
      ADD_FAILURE() << name << " is missing: run scripts/setup (it installs poppler-utils and zbar-tools)";
    }
    return path;
  }
  std::string Text(const std::string& pdf) {
    const hurt::testing::ProcessResult r =
        hurt::testing::RunProcess({Tool("pdftotext"), "-layout", "-enc", "UTF-8", pdf, "-"});
    EXPECT_TRUE(r.Succeeded()) << r.err;
    return r.out;
  }
  std::string Qr(const std::string& pdf) {
    const hurt::testing::ProcessResult drawn =
        hurt::testing::RunProcess({Tool("pdftoppm"), "-r", "150", "-png", "-singlefile", pdf, out_ / "strona"});
    EXPECT_TRUE(drawn.Succeeded()) << drawn.err;
    std::string read = hurt::testing::RunProcess({Tool("zbarimg"), "-q", "--raw", out_ / "strona.png"}).out;
    while (!read.empty() && read.back() == '\n') read.pop_back();
    return read;
  }

  hurt::testing::TempDir out_;
};

TEST_F(InvoicePdfTest, AnInvoiceWithItsFa3FileCarriesKodIWithItsKsefNumber) {
  Invoice(125, {{"NODB", std::string("Zakład Usług Różnych Łódź"_pl)},
                {"KSEF", "7543012268-20261207-0100001AF629-AF"}});
  ASSERT_TRUE(mem_.CreateDirs(s().Path("ksef")).ok());
  ASSERT_TRUE(xbase::WriteWholeFile(mem_, s().Path("ksef/FV_125.xml"), testing::kFa3).ok());

  auto made = Make(125);
  ASSERT_TRUE(made.ok()) << made.status().ToString();
  EXPECT_EQ(made->name, "pdf/fv_125.pdf");
  EXPECT_EQ(made->pages, 1);
  EXPECT_TRUE(made->kod_i);
  EXPECT_FALSE(mem_.Exists(s().Path(PdfScratchFile(s()))));

  const std::string pdf = Exported(made->name);
  const std::string text = Text(pdf);
  EXPECT_NE(text.find("Zakład Usług Różnych Łódź"), std::string::npos) << text;
  EXPECT_NE(text.find("FAKTURA NR FV-125"), std::string::npos) << text;
  EXPECT_NE(text.find("7543012268-20261207-0100001AF629-AF"), std::string::npos) << text;
  EXPECT_EQ(Qr(pdf), testing::kFa3Link);
}

TEST_F(InvoicePdfTest, WithoutTheFa3FileNoCodeAndAMissingDocumentIsRefused) {
  Invoice(126);
  auto made = Make(126);
  ASSERT_TRUE(made.ok()) << made.status().ToString();
  EXPECT_FALSE(made->kod_i);
  const std::string pdf = Exported("pdf/fv_126.pdf");
  EXPECT_NE(Text(pdf).find("KOWALSKI SP. Z O.O."), std::string::npos);
  EXPECT_EQ(Text(pdf).find("OFFLINE"), std::string::npos);
  EXPECT_EQ(Qr(pdf), "");

  auto missing = Make(999);
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.status().message(), "Brak dowodu FV-999");
  EXPECT_FALSE(mem_.Exists(s().Path("pdf/fv_999.pdf")));
}

}  // namespace
}  // namespace hurt::invoicing
