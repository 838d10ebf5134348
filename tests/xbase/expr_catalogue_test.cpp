// Every index key of the table catalogue compiles, has a fixed width known at compile time,
// and gives the right bytes on a sample record.
#include <gtest/gtest.h>

#include <sstream>

#include "xbase/expr_fake.h"

namespace hurt::xbase::testing {
namespace {

// "MAG C1, CENA N14.2, DATA D" -> fields.
std::vector<FakeField> Fields(const std::string& definition) {
  std::vector<FakeField> out;
  std::stringstream in(definition);
  std::string item;
  while (std::getline(in, item, ',')) {
    std::stringstream parts(item);
    FakeField f;
    std::string type;
    parts >> f.name >> type;
    f.type = type[0];
    if (f.type == 'D') {
      f.width = 8;
    } else if (f.type == 'L') {
      f.width = 1;
    } else {
      f.width = std::stoi(type.substr(1));
      size_t dot = type.find('.');
      if (dot != std::string::npos) f.decimals = std::stoi(type.substr(dot + 1));
    }
    out.push_back(f);
  }
  return out;
}

std::string Descend(std::string s) {
  for (char& c : s) c = static_cast<char>((256 - static_cast<unsigned char>(c)) & 0xFF);
  return s;
}

class Catalogue : public ::testing::Test {
 protected:
  Catalogue() {
    const Value data = D(2024, 3, 5);
    auto& as = session_.Add("as", Fields("MAG C1, INDEKS C8, NAZWA C30, KOD13 C13, SUR C8, DATA_PZ D, "
                                         "T_W_O_K C8, ATEST C23, CENA2 N14.2"));
    as.Set("MAG", "1");
    as.Set("INDEKS", "ART-1");
    as.Set("NAZWA", "GWOZDZIE 100MM");
    as.Set("KOD13", "5901234123457");
    as.Set("SUR", "STAL");
    as.Set("DATA_PZ", D(2024, 2, 29));
    as.Set("T_W_O_K", "BUDOWA");
    as.Set("ATEST", "AT/12");
    as.Set("CENA2", 9.99);
    auto& zo = session_.Add("zo", Fields("ODB C8, REGON C13"));
    zo.Set("ODB", "KOW01");
    zo.Set("REGON", "1234567890");
    auto& dd = session_.Add("dd", Fields("MAG C1, INDEKS C8, LP C3, CENA N16.6"));
    dd.Set("MAG", "1");
    dd.Set("INDEKS", "ART-1");
    dd.Set("LP", "  7");
    dd.Set("CENA", 12.5);
    auto& dow = session_.Add("dow", Fields("R_P C1, S_Z C1, RD C3, NRD C8, DATA D, MAG C1, LP C3, INDEKS C8"));
    dow.Set("R_P", "P");
    dow.Set("S_Z", "Z");
    dow.Set("RD", "PZ");
    dow.Set("NRD", "     123");
    dow.Set("DATA", data);
    dow.Set("MAG", "1");
    dow.Set("LP", "  7");
    dow.Set("INDEKS", "ART-1");
    auto& dowod = session_.Add("dowod", Fields("R_P C1, S_Z C1, RD C3, NRD C8, DATA D, ODBIORC1 C50"));
    dowod.Set("R_P", "R");
    dowod.Set("S_Z", "S");
    dowod.Set("RD", "FV");
    dowod.Set("NRD", "      17");
    dowod.Set("DATA", data);
    dowod.Set("ODBIORC1", "Kowalski sp. j.");
    auto& fa = session_.Add("fa_N", Fields("RD C3, NRD C8, MAG C1, TRESC C17, KTO C1, ODB C8, OBWN N14.2, OBMA N14.2"));
    fa.Set("RD", "FV");
    fa.Set("NRD", "      17");
    fa.Set("MAG", "1");
    fa.Set("TRESC", "Wplata gotowka nr");
    fa.Set("KTO", "O");
    fa.Set("ODB", "KOW01");
    fa.Set("OBWN", 100.5);
    fa.Set("OBMA", 0.25);
    auto& fanx = session_.Add("fa_nx", Fields("ZAP C1, R_DATA D, R_CZAS C8"));
    fanx.Set("ZAP", "T");
    fanx.Set("R_DATA", data);
    fanx.Set("R_CZAS", "12:30:05");
    auto& wal = session_.Add("wal", Fields("WALUTA C3, DATA D"));
    wal.Set("WALUTA", "EUR");
    wal.Set("DATA", data);
    auto& partia = session_.Add("partia20", Fields("MAG C1, INDEKS C8, DATA_P D, PARTIA C5, X C1"));
    partia.Set("MAG", "1");
    partia.Set("INDEKS", "ART-1");
    partia.Set("DATA_P", data);
    partia.Set("PARTIA", "B0001");
    partia.Set("X", "*");
    auto& misc = session_.Add("misc", Fields("RD C3, NRD C8, NRKON C16, WALUTA C3, MAG C1, INDEKS C8, JEZYK C1, "
                                             "KOD13DISP C13, KOD13 C13, ODB C8, DATA D, WW C1, KIER C3, LP C3, "
                                             "ZAM_RD C3, ZAM_NRD C8, ZAM_DATA D"));
    misc.Set("RD", "ZK");
    misc.Set("NRD", "       5");
    misc.Set("NRKON", "201-01");
    misc.Set("WALUTA", "USD");
    misc.Set("MAG", "2");
    misc.Set("INDEKS", "X9");
    misc.Set("JEZYK", "E");
    misc.Set("KOD13DISP", "590");
    misc.Set("KOD13", "5900000000001");
    misc.Set("ODB", "NOWAK");
    misc.Set("DATA", data);
    misc.Set("WW", "W");
    misc.Set("KIER", "PN");
    misc.Set("LP", "  1");
    misc.Set("ZAM_RD", "ZA");
    misc.Set("ZAM_NRD", "       9");
    misc.Set("ZAM_DATA", D(2024, 1, 2));
    for (int area = 1; area <= 10; ++area) session_.table(area).recno = 42;
  }

  int Area(const std::string& alias) { return *session_.FindArea(Upper(alias)); }

  // The key of `text` in the area `alias`; also checks that its width is known statically.
  std::string Key(const std::string& alias, const std::string& text) {
    session_.Select(Area(alias));
    Result<Expression> e = Expression::Compile(text, session_);
    if (!e.ok()) {
      ADD_FAILURE() << text << ": " << e.status().message();
      return "";
    }
    std::string key;
    Status s = e->AppendString(session_, &key);
    if (!s.ok()) ADD_FAILURE() << text << ": " << s.message();
    EXPECT_EQ(e->type(), ValueType::kCharacter) << text;
    EXPECT_EQ(e->width(), std::optional<int>(static_cast<int>(key.size()))) << text;
    return key;
  }

  FakeSession session_;
};

TEST_F(Catalogue, ArticleOrders) {
  EXPECT_EQ(Key("as", "mag+indeks"), "1ART-1   ");
  EXPECT_EQ(Key("as", "DESCEND(kod13)"), Descend("5901234123457"));
  EXPECT_EQ(Key("as", "DESCEND(kod13+mag)"), Descend("59012341234571"));
  EXPECT_EQ(Key("as", "DESCEND(kod13)+mag+indeks"), Descend("5901234123457") + "1ART-1   ");
  EXPECT_EQ(Key("as", "nazwa"), PadR("GWOZDZIE 100MM", 30));
  EXPECT_EQ(Key("as", "indeks+mag"), "ART-1   1");
  EXPECT_EQ(Key("as", "sur+mag+indeks"), "STAL    1ART-1   ");
  EXPECT_EQ(Key("as", "mag+sur+DTOS(data_pz)+STR(RECNO(),6)"), "1STAL    20240229    42");
  EXPECT_EQ(Key("as", "t_w_o_k+mag+indeks"), "BUDOWA  1ART-1   ");
  EXPECT_EQ(Key("as", "atest+mag+indeks"), PadR("AT/12", 23) + "1ART-1   ");
  EXPECT_EQ(Key("as", "mag+STR(cena2,7,2)"), "1   9.99");
}

TEST_F(Catalogue, CounterpartyOrders) {
  EXPECT_EQ(Key("zo", "odb"), "KOW01   ");
  EXPECT_EQ(Key("zo", "regon+STR(RECNO(),4)"), "1234567890     42");
}

TEST_F(Catalogue, DocumentLineOrders) {
  EXPECT_EQ(Key("dd", "mag+indeks+lp"), "1ART-1     7");
  EXPECT_EQ(Key("dd", "mag+indeks+STR(cena,10,2)+lp"), "1ART-1        12.50  7");
  EXPECT_EQ(Key("dow", "rd+nrd+lp"), "PZ      123  7");
  // Receipts ("P") sort before issues ("R") of the same day: "A" < "R".
  EXPECT_EQ(Key("dow", "DTOS(data)+IIF(r_p=\"P\",\"A\",r_p)+s_z+rd+nrd+lp"), "20240305AZPZ      123  7");
  session_.table(Area("dow")).Set("R_P", "R");
  EXPECT_EQ(Key("dow", "DTOS(data)+IIF(r_p=\"P\",\"A\",r_p)+s_z+rd+nrd+lp"), "20240305RZPZ      123  7");
  EXPECT_EQ(Key("dow", "DTOS(data)+mag+indeks"), "202403051ART-1   ");
}

TEST_F(Catalogue, DocumentHeaderOrders) {
  EXPECT_EQ(Key("dowod", "rd+nrd+STR(RECNO(),6)"), "FV       17    42");
  EXPECT_EQ(Key("dowod", "DTOS(data)+r_p+s_z+rd+nrd+STR(RECNO(),6)"), "20240305RSFV       17    42");
  EXPECT_EQ(Key("dowod", "UPPER(odbiorc1)+STR(RECNO(),5)"), PadR("KOWALSKI SP. J.", 50) + "   42");
}

TEST_F(Catalogue, SettlementOrders) {
  const std::string by_account =
      "kto+odb+IIF(mag<>\"0\",rd+\"-\"+nrd,SUBSTR(tresc,1,12))+STR(obwn+obma,15,2)+STR(RECNO(),6)";
  EXPECT_EQ(Key("fa_N", "rd+nrd+STR(RECNO(),6)"), "FV       17    42");
  EXPECT_EQ(Key("fa_N", by_account), "OKOW01   FV -      17         100.75    42");
  // An entry made by hand ("0") is keyed by its text instead of the document.
  session_.table(Area("fa_N")).Set("MAG", "0");
  EXPECT_EQ(Key("fa_N", by_account), "OKOW01   Wplata gotow         100.75    42");
  EXPECT_EQ(Key("fa_nx", "DTOS(r_data)+r_czas+fa_nx->zap+STR(RECNO(),6)"), "2024030512:30:05T    42");
}

TEST_F(Catalogue, RatesAndBatchesSortNewestFirst) {
  // "20240305" descended byte by byte.
  const std::string newest("\xCE\xD0\xCE\xCC\xD0\xCD\xD0\xCB", 8);
  EXPECT_EQ(Key("wal", "waluta+DESCEND(DTOS(data))"), "EUR" + newest);
  EXPECT_EQ(Key("wal", "DESCEND(DTOS(data))+waluta"), newest + "EUR");
  EXPECT_EQ(Key("partia20", "mag+indeks+x+DESCEND(DTOS(data_p))+STR(RECNO(),6)"), "1ART-1   *" + newest + "    42");
  EXPECT_EQ(Key("partia20", "mag+indeks+partia"), "1ART-1   B0001");
  // A rate of a later day gets the smaller key.
  std::string later_key = Key("wal", "waluta+DESCEND(DTOS(data))");
  session_.table(Area("wal")).Set("DATA", D(2024, 3, 6));
  EXPECT_LT(Key("wal", "waluta+DESCEND(DTOS(data))"), later_key);
}

TEST_F(Catalogue, SmallTablesAndOrders) {
  EXPECT_EQ(Key("misc", "rd"), "ZK ");
  EXPECT_EQ(Key("misc", "nrkon"), PadR("201-01", 16));
  EXPECT_EQ(Key("misc", "waluta"), "USD");
  EXPECT_EQ(Key("misc", "rd+nrd+mag+indeks+STR(RECNO(),6)"), "ZK        52X9          42");
  EXPECT_EQ(Key("misc", "mag"), "2");
  EXPECT_EQ(Key("misc", "jezyk"), "E");
  EXPECT_EQ(Key("misc", "jezyk+mag+indeks"), "E2X9      ");
  EXPECT_EQ(Key("misc", "kod13disp"), PadR("590", 13));
  EXPECT_EQ(Key("misc", "kod13"), "5900000000001");
  EXPECT_EQ(Key("misc", "odb+mag+indeks"), "NOWAK   2X9      ");
}

TEST_F(Catalogue, OrderAndAdvanceInvoiceOrders) {
  EXPECT_EQ(Key("misc", "odb+rd+nrd"), "NOWAK   ZK        5");
  EXPECT_EQ(Key("misc", "odb+rd+nrd+DTOS(data)"), "NOWAK   ZK        520240305");
  EXPECT_EQ(Key("misc", "ww+kier+odb+rd+nrd"), "WPN NOWAK   ZK        5");
  EXPECT_EQ(Key("misc", "ww+odb+rd+nrd"), "WNOWAK   ZK        5");
  EXPECT_EQ(Key("misc", "odb+rd+nrd+lp"), "NOWAK   ZK        5  1");
  EXPECT_EQ(Key("misc", "odb+rd+nrd+DTOS(data)+lp"), "NOWAK   ZK        520240305  1");
  EXPECT_EQ(Key("misc", "rd+nrd+odb+DTOS(data)"), "ZK        5NOWAK   20240305");
  EXPECT_EQ(Key("misc", "odb+zam_rd+zam_nrd+DTOS(zam_data)"), "NOWAK   ZA        920240102");
  EXPECT_EQ(Key("misc", "DTOS(data)+rd+nrd"), "20240305ZK        5");
}

TEST_F(Catalogue, KeysOfABlankRecordKeepTheirWidth) {
  // A new index is sized on a blank record: every key must keep its width there too.
  for (int area = 1; area <= 10; ++area) session_.table(area).Blank();
  EXPECT_EQ(Key("dow", "DTOS(data)+IIF(r_p=\"P\",\"A\",r_p)+s_z+rd+nrd+lp"), std::string(24, ' '));
  EXPECT_EQ(Key("fa_N", "kto+odb+IIF(mag<>\"0\",rd+\"-\"+nrd,SUBSTR(tresc,1,12))+STR(obwn+obma,15,2)+STR(RECNO(),6)"),
            std::string(9, ' ') + "   -        " + "           0.00" + "    42");
  EXPECT_EQ(Key("wal", "waluta+DESCEND(DTOS(data))"), "   " + Descend("        "));
}

TEST_F(Catalogue, RelationOfLinesToArticles) {
  // The line table positions the articles on its MAG+INDEKS; the seek key is built from dd.
  EXPECT_EQ(Key("dd", "mag+indeks"), Key("as", "mag+indeks"));
}

}  // namespace
}  // namespace hurt::xbase::testing
