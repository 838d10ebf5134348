// A short FA(3) file and the SHA-256 of its bytes, for the KSeF verification code tests.
#pragma once

#include <string>
#include <string_view>

namespace hurt::invoicing::testing {

// The seller's NIP in Podmiot1, the buyer's in Podmiot2, the issue date P_1 2026-02-01.
inline const std::string kFa3 =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<Faktura xmlns=\"http://crd.gov.pl/wzor/2025/06/25/13775/\">\n"
    "  <Podmiot1>\n"
    "    <DaneIdentyfikacyjne>\n"
    "      <NIP>7543012268</NIP>\n"
    "      <Nazwa>Hurtownia Spo\xC5\xBCywcza ZORZA</Nazwa>\n"
    "    </DaneIdentyfikacyjne>\n"
    "  </Podmiot1>\n"
    "  <Podmiot2>\n"
    "    <DaneIdentyfikacyjne>\n"
    "      <NIP>9918035270</NIP>\n"
    "      <Nazwa>Delikatesy Smakosz s.c.</Nazwa>\n"
    "    </DaneIdentyfikacyjne>\n"
    "  </Podmiot2>\n"
    "  <Fa>\n"
    "    <KodWaluty>PLN</KodWaluty>\n"
    "    <P_1>2026-02-01</P_1>\n"
    "    <P_2>FV 12</P_2>\n"
    "  </Fa>\n"
    "</Faktura>\n";

// SHA-256 of kFa3 in Base64URL without padding, computed by an independent tool.
inline constexpr std::string_view kFa3Hash = "pgPvSsIGh11Uj__gWPFNbH-FqOO2f1-yZDAPeThijOA";

// KOD I of kFa3 on the production system.
inline const std::string kFa3Link =
    "https://qr.ksef.mf.gov.pl/invoice/7543012268/01-02-2026/" + std::string(kFa3Hash);

}  // namespace hurt::invoicing::testing
