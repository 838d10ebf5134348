// FV_DO_PDF over a station's tables: the printout of a posted invoice as
// pdf/<kind>_<number>.pdf, read back with pdftotext and zbarimg (support/pdf_tools.h).
#include "invoicing/invoice_pdf.h"

#include <gtest/gtest.h>

#include "base/cp852.h"
#include "invoice_fixture.h"
#include "ksef_samples.h"
#include "support/pdf_tools.h"
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
  std::string Text(const std::string& pdf) { return hurt::testing::PdfText(pdf); }
  std::string Qr(const std::string& pdf) { return hurt::testing::QrCodeOn(pdf, 1, out_.str()); }

  hurt::testing::TempDir out_;
};

// FV 125 has its FA(3) file and its KSeF number, FV 126 neither; FV 999 does not exist.
TEST_F(InvoicePdfTest, AnInvoiceWithItsFa3FileCarriesKodIWithItsKsefNumberAndOneWithoutNone) {
  Invoice(125, {{"NODB", std::string("Zakład Usług Różnych Łódź"_pl)},
                {"KSEF", "7543012268-20261207-0100001AF629-AF"}});
  Invoice(126);
  ASSERT_TRUE(mem_.CreateDirs(s().Path("ksef")).ok());
  ASSERT_TRUE(xbase::WriteWholeFile(mem_, s().Path("ksef/FV_125.xml"), testing::kFa3).ok());

  auto made = Make(125);
  ASSERT_TRUE(made.ok()) << made.status().ToString();
  EXPECT_EQ(made->name, "pdf/fv_125.pdf");
  EXPECT_EQ(made->pages, 1);
  EXPECT_TRUE(made->kod_i);
  EXPECT_FALSE(mem_.Exists(s().Path(PdfScratchFile(s()))));
  std::string pdf = Exported(made->name);
  std::string text = Text(pdf);
  EXPECT_NE(text.find("Zakład Usług Różnych Łódź"), std::string::npos) << text;
  EXPECT_NE(text.find("FAKTURA NR FV-125"), std::string::npos) << text;
  EXPECT_NE(text.find("7543012268-20261207-0100001AF629-AF"), std::string::npos) << text;
  EXPECT_EQ(Qr(pdf), testing::kFa3Link);

  made = Make(126);
  ASSERT_TRUE(made.ok()) << made.status().ToString();
  EXPECT_FALSE(made->kod_i);
  pdf = Exported(made->name);
  text = Text(pdf);
  EXPECT_NE(text.find("KOWALSKI SP. Z O.O."), std::string::npos) << text;
  EXPECT_EQ(text.find("OFFLINE"), std::string::npos) << text;
  EXPECT_EQ(Qr(pdf), "");

  made = Make(999);
  ASSERT_FALSE(made.ok());
  EXPECT_EQ(made.status().message(), "Brak dowodu FV-999");
  EXPECT_FALSE(mem_.Exists(s().Path("pdf/fv_999.pdf")));
}

}  // namespace
}  // namespace hurt::invoicing
