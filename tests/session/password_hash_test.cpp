#include <gtest/gtest.h>

#include <string>

#include "session/password_hash.h"

namespace hurt::session::password {
namespace {

std::string Hex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (char c : bytes) {
    out += kDigits[static_cast<uint8_t>(c) >> 4];
    out += kDigits[static_cast<uint8_t>(c) & 15];
  }
  return out;
}
std::string Hex(const Digest& d) { return Hex(std::string_view(reinterpret_cast<const char*>(d.data()), d.size())); }

TEST(Sha256, Fips180Vectors) {
  EXPECT_EQ(Hex(Sha256Of("")), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Hex(Sha256Of("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Hex(Sha256Of("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(Hex(Sha256Of(std::string(1000000, 'a'))), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  // Lengths around the padding boundary (55, 56, 64 bytes).
  EXPECT_EQ(Hex(Sha256Of(std::string(55, 'a'))), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318");
  EXPECT_EQ(Hex(Sha256Of(std::string(56, 'a'))), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a");
  EXPECT_EQ(Hex(Sha256Of(std::string(64, 'a'))), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb");
}

TEST(HmacSha256, Rfc4231Vectors) {
  EXPECT_EQ(Hex(HmacSha256(std::string(20, '\x0b'), "Hi There")),
            "b0344c61d8db38535ca8afceaf0bf12b881dc200c9833da726e9376c2e32cff7");
  EXPECT_EQ(Hex(HmacSha256("Jefe", "what do ya want for nothing?")),
            "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
  // A key longer than the block is hashed first.
  EXPECT_EQ(Hex(HmacSha256(std::string(131, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First")),
            "60e431591ee0b67f0d8a26aacbf5b77f8e0bc6213728c5140546040f0ee37f54");
}

TEST(Pbkdf2HmacSha256, PublishedVectors) {
  // RFC 7914, section 11.
  EXPECT_EQ(Hex(Pbkdf2HmacSha256("passwd", "salt", 1, 64)),
            "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
            "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783");
  EXPECT_EQ(Hex(Pbkdf2HmacSha256("Password", "NaCl", 80000, 64)),
            "4ddcd8f60b98be21830cee5ef22701f9641a4418d04c0414aeff08876b34ab56"
            "a1d425a1225833549adb841b51c9b3176a272bdebba1d078478f62b397f33c8d");
  // The RFC 6070 inputs with SHA-256.
  EXPECT_EQ(Hex(Pbkdf2HmacSha256("password", "salt", 1, 32)),
            "120fb6cffcf8b32c43e7225256c4f837a86548c92ccc35480805987cb70be17b");
  EXPECT_EQ(Hex(Pbkdf2HmacSha256("password", "salt", 2, 32)),
            "ae4d0c95af6b46d32d0adff928f06dd02a303f8ef3c251dfd6e2d85a95474c43");
  EXPECT_EQ(Hex(Pbkdf2HmacSha256("password", "salt", 4096, 32)),
            "c5e478d59288c841aa530db6845c4c8d962893a001ce4e11a4963873aa98134a");
  EXPECT_EQ(Hex(Pbkdf2HmacSha256("passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096, 40)),
            "348c89dbcbd32b2f32d814b8116e84cf2b17347ebc1800181c4e2a1fb8dd53e1c635518c7dac47e9");
  EXPECT_EQ(Hex(Pbkdf2HmacSha256(std::string_view("pass\0word", 9), std::string_view("sa\0lt", 5), 4096, 16)),
            "89b69d0516f829893c696226650a8687");
}

TEST(Base64, RoundTripAndRefusals) {
  for (std::string s : {std::string(), std::string("f"), std::string("fo"), std::string("foo"), std::string("foob"),
                        std::string("fooba"), std::string("foobar"), std::string("\0\xff\x10", 3)}) {
    std::string back;
    ASSERT_TRUE(Base64Decode(Base64Encode(s), &back)) << s;
    EXPECT_EQ(back, s);
  }
  EXPECT_EQ(Base64Encode("foobar"), "Zm9vYmFy");
  EXPECT_EQ(Base64Encode("fo"), "Zm8");
  std::string out;
  EXPECT_FALSE(Base64Decode("Zm9=", &out));   // padding is not used
  EXPECT_FALSE(Base64Decode("Z", &out));      // impossible length
  EXPECT_FALSE(Base64Decode("Zm9$", &out));   // outside the alphabet
  EXPECT_FALSE(Base64Decode("Zn", &out));  // leftover bits not zero: a second spelling of "f"
}

TEST(HashText, FormatVerifyAndSalt) {
  const std::string salt = "0123456789abcdef";
  const std::string text = HashText("Tajne1", salt, 1000);
  EXPECT_EQ(text.rfind("pbkdf2-sha256$1000$MDEyMzQ1Njc4OWFiY2RlZg$", 0), 0u) << text;
  EXPECT_TRUE(IsHashText(text));
  EXPECT_TRUE(IsHashText(text + "   "));  // as read from a blank-padded field
  EXPECT_TRUE(VerifyHashText("Tajne1", text));
  EXPECT_TRUE(VerifyHashText("Tajne1", text + "    "));
  EXPECT_FALSE(VerifyHashText("tajne1", text));  // case matters
  EXPECT_FALSE(VerifyHashText("Tajne", text));
  EXPECT_FALSE(VerifyHashText("", text));
  // The widest text: the most digits the iterations can have.
  std::string one = HashText("x", std::string(kSaltBytes, 'z'), 1);
  EXPECT_EQ(one.size() - 1 + std::to_string(kMaxIterations).size(), 88u);
  EXPECT_LE(88u, kHashTextMax);

  auto a = NewHashText("Tajne1", 10);
  auto b = NewHashText("Tajne1", 10);
  ASSERT_TRUE(a.ok());
  ASSERT_TRUE(b.ok());
  EXPECT_NE(*a, *b);  // a fresh salt each time
  EXPECT_TRUE(VerifyHashText("Tajne1", *a));
  EXPECT_TRUE(VerifyHashText("Tajne1", *b));
  EXPECT_EQ(NewHashText("x")->rfind("pbkdf2-sha256$100000$", 0), 0u);
  EXPECT_EQ(kDefaultIterations, 100000u);
}

TEST(HashText, MalformedTextsNeverMatch) {
  const std::string good = HashText("a", "saltsalt", 3);
  EXPECT_TRUE(VerifyHashText("a", good));
  const std::string bad[] = {
      "",
      "a",
      "WREN",
      "pbkdf2-sha256$3$c2FsdHNhbHQ",                        // no hash part
      "pbkdf2-sha1$3" + good.substr(good.find('$', 14)),    // other scheme
      "pbkdf2-sha256$0" + good.substr(good.find('$', 14)),  // no iterations
      "pbkdf2-sha256$99999999" + good.substr(good.find('$', 14)),  // beyond the cap
      "pbkdf2-sha256$-3" + good.substr(good.find('$', 14)),
      "pbkdf2-sha256$3$$" + good.substr(good.rfind('$') + 1),  // empty salt
      good.substr(0, good.size() - 1),                         // hash cut short
      good + "A",                                              // hash too long
  };
  for (const std::string& t : bad) {
    EXPECT_FALSE(IsHashText(t)) << t;
    EXPECT_FALSE(VerifyHashText("a", t)) << t;
  }
}

TEST(LegacyScramble, PadsToTenAndIsItsOwnInverse) {
  const std::string s = LegacyScramble("TAJNE");
  EXPECT_EQ(s.size(), 10u);
  EXPECT_EQ(s.find("TAJNE"), std::string::npos);
  EXPECT_EQ(LegacyScramble(s), "TAJNE     ");
  // A blank password scrambles to the key itself, not to blanks.
  EXPECT_NE(LegacyScramble(""), std::string(10, ' '));
  EXPECT_EQ(LegacyScramble(LegacyScramble("")), std::string(10, ' '));
  EXPECT_EQ(LegacyScramble(LegacyScramble("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ")),
            "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ");
}

}  // namespace
}  // namespace hurt::session::password
