// KOD I, the KSeF verification link: its parts, Base64URL, and the link of known FA(3)
// file bytes (goldens computed outside this program).
#include "invoicing/ksef_qr.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include "ksef_samples.h"
#include "support/temp_dir.h"
#include "xbase/env.h"

namespace hurt::invoicing {
namespace {

using testing::kFa3;

TEST(KodILink, PartsInTheirOrderAndBase64UrlWithoutPadding) {
  // The example of the system's description.
  EXPECT_EQ(KodILink("https://qr-test.ksef.mf.gov.pl", "1111111111", JulianFromYmd(2026, 2, 1),
                     "UtQp9Gpc51y-u3xApZjIjgkpZ01js-J8KflSPW8WzIE"),
            "https://qr-test.ksef.mf.gov.pl/invoice/1111111111/01-02-2026/UtQp9Gpc51y-u3xApZjIjgkpZ01js-J8KflSPW8WzIE");
  EXPECT_EQ(KodILink(" https://qr.ksef.mf.gov.pl/ ", "7543012268", JulianFromYmd(2026, 12, 31), "x"),
            "https://qr.ksef.mf.gov.pl/invoice/7543012268/31-12-2026/x");

  // sha256("abc"): standard Base64 "ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0=".
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  ASSERT_EQ(EVP_Digest("abc", 3, digest, &length, EVP_sha256(), nullptr), 1);
  EXPECT_EQ(Base64Url(std::string_view(reinterpret_cast<const char*>(digest), length)),
            "ungWv48Bz-pBQUDeXa4iI7ADYaOWF3qctBD_YfIAFa0");
  EXPECT_EQ(Base64Url("a"), "YQ");
  EXPECT_EQ(Base64Url("ab"), "YWI");
  EXPECT_EQ(Base64Url(""), "");
}

class KodIOfFileTest : public hurt::testing::DataDirTest {
 protected:
  Result<std::optional<KodI>> Of(const std::string& bytes, std::string_view ksef = "") {
    dir.Write("ksef/FV_12.xml", bytes);
    return KodIOfFile(xbase::RealEnv(), dir / "ksef/FV_12.xml", kKsefQrProduction, ksef);
  }
};

TEST_F(KodIOfFileTest, TheLinkOfKnownFileBytesWithTheKsefNumberOrOffline) {
  auto offline = Of(kFa3);
  ASSERT_TRUE(offline.ok()) << offline.status().ToString();
  ASSERT_TRUE(offline->has_value());
  EXPECT_EQ((*offline)->link, testing::kFa3Link);
  EXPECT_EQ((*offline)->label, "OFFLINE");

  auto online = Of(kFa3, " 7543012268-20260201-0100001AF629-AF ");
  ASSERT_TRUE(online.ok() && online->has_value());
  EXPECT_EQ((*online)->link, (*offline)->link);
  EXPECT_EQ((*online)->label, "7543012268-20260201-0100001AF629-AF");

  // One byte more is another invoice.
  auto changed = Of(kFa3 + " ");
  ASSERT_TRUE(changed.ok() && changed->has_value());
  EXPECT_NE((*changed)->link, (*offline)->link);
}

TEST_F(KodIOfFileTest, ALongFileIsHashedWholeAcrossItsBlocks) {
  std::string big = kFa3;
  for (int i = 0; i < 5000; ++i) big += "<!-- wiersz " + std::to_string(i) + " ............................ -->\n";
  ASSERT_GT(big.size(), 3u * 64 * 1024);
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  ASSERT_EQ(EVP_Digest(big.data(), big.size(), digest, &length, EVP_sha256(), nullptr), 1);
  auto code = Of(big);
  ASSERT_TRUE(code.ok() && code->has_value());
  EXPECT_EQ((*code)->link, "https://qr.ksef.mf.gov.pl/invoice/7543012268/01-02-2026/" +
                               Base64Url(std::string_view(reinterpret_cast<const char*>(digest), length)));
}

TEST_F(KodIOfFileTest, NoFileNoCodeAndAFileWithoutTheSellerOrDateIsRefused) {
  auto none = KodIOfFile(xbase::RealEnv(), dir / "ksef/FV_13.xml", kKsefQrProduction, "");
  ASSERT_TRUE(none.ok());
  EXPECT_FALSE(none->has_value());

  std::string no_seller = kFa3;
  no_seller.replace(no_seller.find("Podmiot1"), 8, "Podmiot9");  // only the buyer's NIP is left
  auto refused = Of(no_seller);
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.status().message().find("bez NIP sprzedawcy lub daty wystawienia"), std::string::npos);

  std::string bad_date = kFa3;
  bad_date.replace(bad_date.find("2026-02-01"), 10, "2026-02-30");
  EXPECT_FALSE(Of(bad_date).ok());
}

}  // namespace
}  // namespace hurt::invoicing
