// Whole printouts compared byte for byte with the files in tests/golden/ (printer
// sequences, overstruck letters and CR LF included).
//
// After a deliberate change of a form, rewrite the files with
//   HURT_UPDATE_GOLDEN=1 build/release/tests/test_invoicing_unit --gtest_filter='Golden*'
// and read them with tests/golden/show_prn.py before committing.
#include <gtest/gtest.h>


#include "invoice_samples.h"
#include "invoicing/print_form.h"
#include "support/golden.h"

namespace hurt::invoicing {
namespace {

using testing::ExpectGolden;

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

// An invoice the national system has numbered carries that number under its title.
TEST(Golden, TheKsefNumberIsPrintedOnceKnown) {
  InvoiceData data = samples::NetInvoice();
  EXPECT_EQ(FvFaktura("FV", 'N', data).text.find("Numer KSeF"), std::string::npos);
  data.header.ksef = "7542103384-20261210-0A1B2C3D4E5F-6A";
  const std::string text = FvFaktura("FV", 'N', data).text;
  EXPECT_NE(text.find("Numer KSeF: 7542103384-20261210-0A1B2C3D4E5F-6A"), std::string::npos) << text;
}

}  // namespace
}  // namespace hurt::invoicing
