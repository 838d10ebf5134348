#include "store/schema.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "store/schema_field_list.h"

namespace hurt::store {
namespace {

// Every marker that adds or widens a field somewhere.
const std::vector<std::string> kAllMarkers = {
    "AS_CENY.TXT",  "RABAT.SD",     "GRAM.JM",      "TARA.JM",      "HEKTO.TXT",
    "REFUN.TXT",    "AKCYZA.TXT",   "KOD_CN.TXT",   "PARTIA.TXT",   "PARTIA10.TXT",
    "DATA_M.TXT",   "NRPARTII.TXT", "KOD13.TXT",    "KOD13DIS.TXT", "KOD20.TXT",
    "NEW_IND.TXT",  "PROWIZJA.TXT", "INDEKS1.TXT",  "VAT_13_5.TXT", "UODB35.TXT",
    "ST99.TXT",     "NR_BANKU.TXT", "FV_ZAL.TXT",   "NAZWA46.TXT",  "PARTIA20.TXT",
    "UWAGI.DOW",    "OPAK.DBF",     "DD_WAGA.TXT",  "RABAT2ZO.TXT", "TARGET.TXT",
    "PLATNIK.TXT",  "REGION.TXT",   "KOD_QR.TXT",   "ZAM_UZG.TXT",
};

FieldProbe ProbeFor(std::set<std::string> names) {
  return [names = std::move(names)](std::string_view n) { return names.count(std::string(n)) > 0; };
}

std::vector<Field> FieldsOf(TableId id, const Markers& m = {}, const FieldProbe& existing = {}) {
  return ResolveFields(Table(id), m, existing);
}

int RecordLength(const std::vector<Field>& fields) {
  int length = 1;  // deletion flag
  for (const Field& f : fields) length += f.width;
  return length;
}

int DecimalSum(const std::vector<Field>& fields) {
  int sum = 0;
  for (const Field& f : fields) sum += f.decimals;
  return sum;
}

std::vector<std::string> Names(const std::vector<Field>& fields) {
  std::vector<std::string> out;
  for (const Field& f : fields) out.push_back(f.name);
  return out;
}

const Field* Find(const std::vector<Field>& fields, std::string_view name) {
  for (const Field& f : fields) {
    if (f.name == name) return &f;
  }
  return nullptr;
}

int WidthOf(TableId id, std::string_view field, const Markers& m) {
  const std::vector<Field> fields = FieldsOf(id, m);
  const Field* f = Find(fields, field);
  return f ? f->width : -1;
}

TEST(CatalogueWidths, BarCodeLadderTakesTheWidestMarker) {
  EXPECT_EQ(KOD14(Markers()), "13");
  EXPECT_EQ(KOD14(Markers::Of({"KOD14.TXT"})), "14");
  EXPECT_EQ(KOD14(Markers::Of({"KOD16.TXT", "KOD14.TXT"})), "16");
  EXPECT_EQ(KOD14(Markers::Of({"KOD18.TXT", "KOD14.TXT"})), "18");
  EXPECT_EQ(KOD14(Markers::Of({"KOD14.TXT", "KOD16.TXT", "KOD18.TXT", "KOD20.TXT"})), "20");
  EXPECT_EQ(KOD14(Markers::Of({"KOD13.TXT"})), "13");  // the bar-code switch is not a width
  // Marker names are matched without regard to case and blanks.
  EXPECT_EQ(BarCodeWidth(Markers::Of({"kod 20.txt"})), 20);
  EXPECT_EQ(WidthOf(TableId::kAs, "KOD13", Markers::Of({"KOD13.TXT", "KOD18.TXT"})), 18);
  EXPECT_EQ(WidthOf(TableId::kAsZb, "KOD13DISP", Markers::Of({"KOD16.TXT"})), 16);
  EXPECT_EQ(WidthOf(TableId::kDd, "KOD13", Markers()), 13);
}

TEST(CatalogueWidths, BatchWidthIsFiveOrTen) {
  EXPECT_EQ(PARTIA5(Markers()), " 5");
  EXPECT_EQ(PARTIA5(Markers::Of({"PARTIA10.TXT"})), "10");
  const Markers wide = Markers::Of({"PARTIA.TXT", "PARTIA10.TXT", "PARTIA20.TXT"});
  for (const char* f : {"PARTIA", "PARTIA2", "PARTIA3", "PARTIA4"}) {
    EXPECT_EQ(WidthOf(TableId::kAs, f, wide), 10) << f;
    EXPECT_EQ(WidthOf(TableId::kAs, f, Markers::Of({"PARTIA.TXT"})), 5) << f;
  }
  EXPECT_EQ(WidthOf(TableId::kDow, "PARTIA2", wide), 10);
  EXPECT_EQ(WidthOf(TableId::kPartia20, "PARTIA", Markers()), 5);
  EXPECT_EQ(WidthOf(TableId::kPartia20, "PARTIA", wide), 10);
}

TEST(CatalogueWidths, VatRateStreetAndStationRegister) {
  const Markers vat = Markers::Of({"VAT_13_5.TXT"});
  for (TableId id : {TableId::kAs, TableId::kDow, TableId::kDd, TableId::kZamDow}) {
    EXPECT_EQ(WidthOf(id, "PODATEK0", Markers()), 2);
    EXPECT_EQ(WidthOf(id, "PODATEK0", vat), 4);
  }
  const Markers street = Markers::Of({"UODB35.TXT"});
  for (TableId id : {TableId::kFirma, TableId::kDowod, TableId::kZo, TableId::kZd, TableId::kZp,
                     TableId::kZf, TableId::kZn, TableId::kZalDowod}) {
    EXPECT_EQ(WidthOf(id, "UODB", Markers()), 25);
    EXPECT_EQ(WidthOf(id, "UODB", street), 35);
  }
  // The VAT register's copy of the street stays 25 wide.
  EXPECT_EQ(WidthOf(TableId::kRejestrVat, "UODB", street), 25);
  EXPECT_EQ(WidthOf(TableId::kFirma, "ST", Markers()), 30);
  EXPECT_EQ(WidthOf(TableId::kFirma, "ST", Markers::Of({"ST2.TXT"})), 2);
  EXPECT_EQ(WidthOf(TableId::kFirma, "ST", Markers::Of({"ST99.TXT"})), 99);
  EXPECT_EQ(WidthOf(TableId::kFirma, "ST", Markers::Of({"ST2.TXT", "ST99.TXT"})), 99);
}

// Field counts, record lengths and decimals summed independently from the published
// layouts: without markers, with every marker (bar code 20, batch 10, VAT 4, street 35,
// 99 stations), and with the fields that only an existing table brings.
TEST(CatalogueLayouts, CountsAndRecordLengthsOfTheMainTables) {
  struct Case {
    TableId id;
    size_t fields_plain;
    int length_plain;
    int decimals_plain;  // sum of the decimals of all fields
    size_t fields_all;
    int length_all;
    int decimals_all;
  };
  const Case cases[] = {
      {TableId::kAs, 69, 730, 91, 112, 1082, 139},
      {TableId::kDow, 29, 263, 26, 40, 445, 31},
      {TableId::kDowod, 55, 816, 32, 64, 895, 40},  // ODBIORC1 kept: the second remark row
      {TableId::kDd, 59, 574, 72, 77, 802, 79},
      {TableId::kSlow, 30, 321, 0, 30, 321, 0},
      {TableId::kZo, 45, 761, 18, 51, 821, 22},
      {TableId::kFaN, 20, 140, 18, 20, 140, 18},
      {TableId::kFirma, 54, 1277, 8, 54, 1356, 8},
      {TableId::kPartia20, 8, 52, 6, 8, 57, 6},
      {TableId::kAsZb, 7, 75, 0, 7, 89, 0},
      {TableId::kDowQr, 12, 132, 0, 12, 132, 0},
      {TableId::kPk, 15, 188, 18, 15, 188, 18},
      {TableId::kPp, 25, 294, 0, 25, 294, 0},
      {TableId::kOpak, 4, 39, 2, 4, 39, 2},
  };
  const Markers all = Markers::Of(kAllMarkers);
  for (const Case& c : cases) {
    const TableDef& t = Table(c.id);
    const auto plain = FieldsOf(c.id);
    const auto full = FieldsOf(c.id, all);
    EXPECT_EQ(plain.size(), c.fields_plain) << t.alias;
    EXPECT_EQ(RecordLength(plain), c.length_plain) << t.alias;
    EXPECT_EQ(full.size(), c.fields_all) << t.alias;
    EXPECT_EQ(RecordLength(full), c.length_all) << t.alias;
    EXPECT_EQ(DecimalSum(plain), c.decimals_plain) << t.alias;
    EXPECT_EQ(DecimalSum(full), c.decimals_all) << t.alias;
  }
  // Weighing and raw-material fields come only with an existing table that has them.
  const auto kept = FieldsOf(TableId::kAs, all, ProbeFor({"WAGA", "WAGA_OPA", "SUR"}));
  EXPECT_EQ(kept.size(), 115u);
  EXPECT_EQ(RecordLength(kept), 1099);
  const auto cdn = FieldsOf(TableId::kSlow, Markers(), ProbeFor({"CDN_OPIS", "CDN_RT", "CDN_RV"}));
  EXPECT_EQ(Names(cdn).back(), "CDN_RV");
  EXPECT_EQ(RecordLength(cdn), 321 + 50 + 50 + 1);
  const auto opak = FieldsOf(TableId::kOpak, Markers(), ProbeFor({"MAG_OPA"}));
  EXPECT_EQ(Names(opak), (std::vector<std::string>{"MAG", "NAZWA", "CENA", "MAG_OPA", "INDEKS", "X"}));
}

TEST(CatalogueLayouts, OptionalFieldsSitWhereTheLayoutPutsThem) {
  const Markers all = Markers::Of(kAllMarkers);
  auto index_of = [](const std::vector<Field>& fields, std::string_view name) {
    const auto names = Names(fields);
    return std::find(names.begin(), names.end(), name) - names.begin();
  };
  const auto dowod = FieldsOf(TableId::kDowod, all);
  EXPECT_EQ(index_of(dowod, "NR_BANKU"), index_of(dowod, "OPA") + 1);
  EXPECT_EQ(index_of(dowod, "OPERATOR_Z"), index_of(dowod, "DATA_FA") + 1);
  EXPECT_EQ(dowod.front().name, "R_P");
  EXPECT_EQ(dowod.back(), (Field{"ODBIORC1", FieldType::kCharacter, 50, 0}));
  EXPECT_EQ(*Find(dowod, "NETTO"), (Field{"NETTO", FieldType::kNumeric, 18, 4}));
  EXPECT_EQ(*Find(dowod, "ODBIORCA"), (Field{"ODBIORCA", FieldType::kCharacter, 254, 0}));

  const auto as = FieldsOf(TableId::kAs, all);
  EXPECT_EQ(index_of(as, "ILOSC_1"), index_of(as, "REZERWA9") + 1);
  EXPECT_EQ(index_of(as, "KOD13"), index_of(as, "NRPARTII") + 1);
  EXPECT_EQ(index_of(as, "DATA_M"), index_of(as, "TPS_P") + 1);
  EXPECT_EQ(*Find(as, "B_BO_W"), (Field{"B_BO_W", FieldType::kNumeric, 19, 4}));
  EXPECT_EQ(*Find(as, "OPA_ILO2"), (Field{"OPA_ILO2", FieldType::kNumeric, 2, 0}));
  EXPECT_EQ(as.back(), (Field{"DATA", FieldType::kDate, 8, 0}));
  // KOD_CN comes with either of its two markers; KRAJ_POCH only with its own.
  EXPECT_NE(Find(FieldsOf(TableId::kAs, Markers::Of({"AKCYZA.TXT"})), "KOD_CN"), nullptr);
  EXPECT_NE(Find(FieldsOf(TableId::kAs, Markers::Of({"KOD_CN.TXT"})), "KOD_CN"), nullptr);
  EXPECT_EQ(Find(FieldsOf(TableId::kAs, Markers::Of({"AKCYZA.TXT"})), "KRAJ_POCH"), nullptr);
  // The bar code of articles and lines: marker or an existing table that has it.
  EXPECT_EQ(Find(FieldsOf(TableId::kAs), "KOD13"), nullptr);
  EXPECT_NE(Find(FieldsOf(TableId::kAs, Markers(), ProbeFor({"KOD13"})), "KOD13"), nullptr);
  EXPECT_NE(Find(FieldsOf(TableId::kDow, Markers::Of({"KOD13.TXT"})), "KOD13"), nullptr);

  const auto dd = FieldsOf(TableId::kDd);
  EXPECT_EQ(*Find(dd, "ILOSC"), (Field{"ILOSC", FieldType::kNumeric, 14, 3}));
  EXPECT_EQ(*Find(FieldsOf(TableId::kDow), "ILOSC"), (Field{"ILOSC", FieldType::kNumeric, 15, 3}));
  EXPECT_EQ(Find(dd, "VAT_RD"), nullptr);
  EXPECT_NE(Find(FieldsOf(TableId::kDd, Markers::Of({"opak.dbf"})), "VAT_RD"), nullptr);
}

// The side layouts are given as selections of a main layout: each of their fields must
// be the main table's field of the same name, in the same relative order.
void ExpectSelectionOf(TableId part, TableId whole, const Markers& m) {
  const auto part_fields = FieldsOf(part, m);
  const auto whole_fields = FieldsOf(whole, m);
  size_t at = 0;
  for (const Field& f : part_fields) {
    while (at < whole_fields.size() && whole_fields[at].name != f.name) ++at;
    ASSERT_LT(at, whole_fields.size()) << Table(part).alias << "." << f.name << " out of order or missing in " << Table(whole).alias;
    EXPECT_EQ(whole_fields[at], f) << Table(part).alias;
  }
}

TEST(CatalogueLayouts, SideLayoutsFollowTheirMainTables) {
  for (const Markers& m : {Markers(), Markers::Of(kAllMarkers)}) {
    ExpectSelectionOf(TableId::kZd, TableId::kZo, m);
    ExpectSelectionOf(TableId::kZf, TableId::kZo, m);
    ExpectSelectionOf(TableId::kZp, TableId::kZo, m);
    ExpectSelectionOf(TableId::kZn, TableId::kZo, m);
    ExpectSelectionOf(TableId::kRobFaN, TableId::kFaN, m);
    ExpectSelectionOf(TableId::kZamDow, TableId::kDow, m);
    ExpectSelectionOf(TableId::kRobDdQr, TableId::kDowQr, m);
  }
  EXPECT_EQ(FieldsOf(TableId::kZd).size(), 33u);
  EXPECT_EQ(FieldsOf(TableId::kZf).size(), 35u);
  EXPECT_EQ(FieldsOf(TableId::kZp).size(), 32u);
  EXPECT_EQ(Find(FieldsOf(TableId::kZp), "NODB1"), nullptr);
  EXPECT_EQ(Names(FieldsOf(TableId::kZn)), Names(FieldsOf(TableId::kZp)));
  EXPECT_EQ(FieldsOf(TableId::kRobWal), FieldsOf(TableId::kWal));
  EXPECT_EQ(FieldsOf(TableId::kRapDz), FieldsOf(TableId::kRobRapDz));

  // rob/fa_n: R_P to TEZ, then ZAP.
  const auto fa = FieldsOf(TableId::kFaN);
  auto rob = FieldsOf(TableId::kRobFaN);
  ASSERT_EQ(rob.size(), 14u);
  EXPECT_EQ(rob.back().name, "ZAP");
  EXPECT_TRUE(std::equal(rob.begin(), rob.end() - 1, fa.begin()));

  // fa_nx: ZAP moved before the currency fields, R_DATA and R_CZAS at the end.
  auto nx = FieldsOf(TableId::kFaNx);
  ASSERT_EQ(nx.size(), 22u);
  EXPECT_EQ(nx[20], (Field{"R_DATA", FieldType::kDate, 8, 0}));
  EXPECT_EQ(nx[21], (Field{"R_CZAS", FieldType::kCharacter, 8, 0}));
  nx.resize(20);
  auto moved = fa;
  std::rotate(moved.begin() + 13, moved.end() - 1, moved.end());
  EXPECT_EQ(nx, moved);

  // Order lines: the first 21 line fields of dow, then the rest of the list.
  const auto dow = FieldsOf(TableId::kDow);
  const auto zam = FieldsOf(TableId::kZamDow);
  ASSERT_GE(zam.size(), 21u);
  EXPECT_TRUE(std::equal(zam.begin(), zam.begin() + 21, dow.begin()));
  EXPECT_EQ(zam[20].name, "PODATEK");
  EXPECT_EQ(Names(zam).back(), "CENA_B");

  // Advance invoices: the header with the advance fields; orders add three more.
  const auto header = FieldsOf(TableId::kDowod, Markers::Of({"FV_ZAL.TXT"}));
  EXPECT_EQ(FieldsOf(TableId::kZalDowod), header);
  const auto orders = FieldsOf(TableId::kZamDowod);
  ASSERT_EQ(orders.size(), header.size() + 3);
  EXPECT_TRUE(std::equal(header.begin(), header.end(), orders.begin()));
  EXPECT_EQ(Names(FieldsOf(TableId::kZamDowod, Markers::Of({"NR_BANKU.TXT"}))).size(),
            header.size() + 4);
}

// Identifiers of a key expression that name fields: words not followed by "(", not
// aliases before "->", not variables (M_...), not inside quotes, not numbers.
std::vector<std::string> KeyFields(std::string_view key) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < key.size()) {
    const char c = key[i];
    if (c == '"' || c == '\'') {
      const size_t close = key.find(c, i + 1);
      i = close == std::string_view::npos ? key.size() : close + 1;
      continue;
    }
    if (std::isdigit(static_cast<unsigned char>(c))) {
      while (i < key.size() && std::isalnum(static_cast<unsigned char>(key[i]))) ++i;
      continue;
    }
    if (!std::isalpha(static_cast<unsigned char>(c)) && c != '_') {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < key.size() && (std::isalnum(static_cast<unsigned char>(key[end])) || key[end] == '_')) ++end;
    std::string word(key.substr(i, end - i));
    for (char& ch : word) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    size_t next = end;
    while (next < key.size() && key[next] == ' ') ++next;
    const bool function = next < key.size() && key[next] == '(';
    const bool alias = key.substr(next, 2) == "->";
    if (!function && !alias && word.rfind("M_", 0) != 0) out.push_back(word);
    i = end;
  }
  return out;
}

TEST(CatalogueKeys, KeyScanFindsOnlyFields) {
  EXPECT_EQ(KeyFields("DTOS(data)+IIF(r_p=\"P\",\"A\",r_p)+s_z"),
            (std::vector<std::string>{"DATA", "R_P", "R_P", "S_Z"}));
  EXPECT_EQ(KeyFields("DTOS(r_data)+fa_nx->zap+STR(RECNO(),6)+m_kto"),
            (std::vector<std::string>{"R_DATA", "ZAP"}));
}

TEST(CatalogueKeys, EveryKeyNamesOnlyFieldsOfItsTable) {
  const std::vector<Markers> marker_sets = {
      Markers(),
      Markers::Of(kAllMarkers),
      Markers::Of({"KOD13.TXT", "BUTY.TXT", "AS_ATEST.TXT"}),
      Markers::Of({"AS_CENA.TXT", "SUR_MAG.TXT", "PARTIA20.TXT", "AS_ZB.TXT", "KOD_QR.TXT"}),
  };
  const std::set<std::string> extras_sets[] = {{}, {"SUR", "ODBIORC1", "WAGA"}, {"ODBIORC1"}};
  const PathArgs args{.period = "24/03", .station = 3, .part = "24"};
  int keys_checked = 0;
  for (const TableDef* t : AllTables()) {
    if (!t->layout_known) continue;
    for (const Markers& m : marker_sets) {
      for (const auto& extras : extras_sets) {
        // An existing table: every field of the full layout plus the extras; without
        // SUR the article group is left out so that the price order can be reached.
        std::set<std::string> existing;
        for (const Field& f : ResolveFields(*t, Markers::Of(kAllMarkers))) existing.insert(f.name);
        existing.insert(extras.begin(), extras.end());
        if (!extras.empty() && !extras.count("SUR")) existing.erase("T_W_O_K");
        for (const FieldProbe& probe : {FieldProbe(), ProbeFor(existing)}) {
          std::set<std::string> known;
          for (const Field& f : ResolveFields(*t, m, probe)) known.insert(f.name);
          if (probe) known.insert(extras.begin(), extras.end());
          for (const IndexFile& index : ResolveIndexes(*t, m, args, probe)) {
            ++keys_checked;
            for (const std::string& word : KeyFields(index.key)) {
              EXPECT_TRUE(known.count(word)) << t->alias << " " << index.file << ": \"" << index.key << "\" names " << word;
            }
          }
        }
      }
    }
    if (t->relation) {
      for (const std::string& word : KeyFields(t->relation->key)) {
        EXPECT_NE(Find(FieldsOf(t->id), word), nullptr) << t->alias << " relation";
        EXPECT_NE(Find(ResolveFields(*FindByAlias(t->relation->target_alias), Markers()), word),
                  nullptr);
      }
    }
  }
  EXPECT_GT(keys_checked, 500);
}

TEST(CatalogueKeys, ArticleOrdersFollowMarkersAndFields) {
  const TableDef& as = Table(TableId::kAs);
  const PathArgs period{.period = "24/03"};
  auto keys = [&](const Markers& m, const FieldProbe& existing = {}) {
    std::vector<std::string> out;
    for (const IndexFile& f : ResolveIndexes(as, m, period, existing)) out.push_back(f.file + ":" + f.key);
    return out;
  };
  using V = std::vector<std::string>;
  // A new table always has the article group, which takes the optional order.
  EXPECT_EQ(keys(Markers()),
            (V{"24/03/as:mag+indeks", "24/03/as2:nazwa", "24/03/as3:t_w_o_k+mag+indeks"}));
  EXPECT_EQ(keys(Markers::Of({"KOD13.TXT", "BUTY.TXT", "AS_ATEST.TXT", "AS_CENA.TXT"})),
            (V{"24/03/as:mag+indeks", "24/03/as2:DESCEND(kod13)", "24/03/as3:indeks+mag",
               "24/03/as4:t_w_o_k+mag+indeks", "24/03/as5:atest+mag+indeks"}));
  // An existing table decides by its own fields.
  EXPECT_EQ(keys(Markers(), ProbeFor({"MAG", "INDEKS", "KOD13", "SUR", "T_W_O_K"})),
            (V{"24/03/as:mag+indeks", "24/03/as2:DESCEND(kod13)", "24/03/as3:nazwa",
               "24/03/as4:mag+sur+DTOS(data_pz)+STR(RECNO(),6)"}));
  EXPECT_EQ(keys(Markers::Of({"SUR_MAG.TXT"}), ProbeFor({"SUR"})),
            (V{"24/03/as:mag+indeks", "24/03/as2:nazwa", "24/03/as3:sur+mag+indeks"}));
  EXPECT_EQ(keys(Markers::Of({"AS_CENA.TXT", "AS_ATEST.TXT"}), ProbeFor({"NAZWA"})),
            (V{"24/03/as:mag+indeks", "24/03/as2:nazwa", "24/03/as3:mag+STR(cena2,7,2)"}));
  EXPECT_EQ(keys(Markers(), ProbeFor({"NAZWA"})), (V{"24/03/as:mag+indeks", "24/03/as2:nazwa"}));
}

TEST(CatalogueKeys, ConditionalOrdersAndFolders) {
  const PathArgs args{.period = "24/03", .station = 7, .part = "23"};
  auto files = [&](TableId id, const Markers& m = {}, const FieldProbe& existing = {}) {
    std::vector<std::string> out;
    for (const IndexFile& f : ResolveIndexes(Table(id), m, args, existing)) out.push_back(f.file);
    return out;
  };
  using V = std::vector<std::string>;
  // dowod carries ODBIORC1 (the second remark row), so its third order is always there.
  EXPECT_EQ(files(TableId::kDowod), (V{"24/03/dowod1", "24/03/dowod2", "24/03/dowod3"}));
  EXPECT_EQ(files(TableId::kDd), (V{"rob/d07"}));
  EXPECT_EQ(files(TableId::kZamDowod), (V{"fv_zam/dowod1", "fv_zam/dowod2"}));
  EXPECT_EQ(files(TableId::kZalDowod), (V{"fv_zal/dowod1", "fv_zal/dowod2", "fv_zal/dowod3"}));
  EXPECT_EQ(files(TableId::kFaN), (V{"24/03/fa_n", "24/03/fa_n_"}));
  EXPECT_EQ(files(TableId::kKorekty), (V{"korekty/korek_23"}));
  EXPECT_EQ(files(TableId::kRabat), (V{"hlp/rabat"}));
  EXPECT_EQ(files(TableId::kFirma), V{});
  EXPECT_EQ(ResolveIndexes(Table(TableId::kDow), Markers(), args)[1].key,
            "DTOS(data)+IIF(r_p=\"P\",\"A\",r_p)+s_z+rd+nrd+lp");
}

TEST(CatalogueLookup, FixedWorkAreas) {
  const std::map<int, std::string> areas = {
      {1, "firma"},   {2, "as"},     {3, "zo"},      {4, "dd"},       {5, "dow"},
      {6, "dowod"},   {7, "fa_N"},   {8, "fa_nx"},   {9, "slow"},     {10, "pk"},
      {12, "p23"},    {15, "dow_qr"}, {32, "wal"},   {101, "prawa"},  {103, "zd"},
      {104, "zp"},    {132, "rob_wal"}, {149, "program"}, {202, "partia20"}, {203, "zf"},
      {204, "zn"},    {222, "asso"},
  };
  for (const auto& [area, alias] : areas) {
    const TableDef* t = FindByArea(area);
    ASSERT_NE(t, nullptr) << area;
    EXPECT_EQ(t->alias, alias);
    EXPECT_EQ(FindByAlias(alias), t);
  }
  EXPECT_EQ(FindByArea(0), nullptr);
  EXPECT_EQ(FindByArea(11), nullptr);
  EXPECT_EQ(FindByAlias("FA_N"), &Table(TableId::kFaN));
  EXPECT_EQ(FindByAlias(" Dowodzal "), &Table(TableId::kZalDowod));
  EXPECT_EQ(FindByAlias("nothing"), nullptr);
  EXPECT_EQ(Table(TableId::kDd).relation->target_alias, "as");
}

TEST(CatalogueLookup, EveryTableIsWellFormed) {
  std::set<std::string> aliases;
  std::set<int> areas;
  std::set<std::string> files;
  const Markers all = Markers::Of(kAllMarkers);
  for (const TableDef* t : AllTables()) {
    EXPECT_EQ(&Table(t->id), t);
    EXPECT_TRUE(aliases.insert(std::string(t->alias)).second) << t->alias;
    std::string upper_alias(t->alias);
    for (char& c : upper_alias) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(FindByAlias(upper_alias), t);
    if (t->area != 0) {
      EXPECT_TRUE(areas.insert(t->area).second) << t->area;
    }
    EXPECT_TRUE(files.insert(std::string(t->file)).second) << t->file;
    for (char c : t->file) EXPECT_FALSE(std::isupper(static_cast<unsigned char>(c))) << t->file;
    EXPECT_EQ(t->file.find('\\'), std::string_view::npos);
    EXPECT_EQ(t->place == Place::kStation, t->file.find("##") != std::string_view::npos) << t->file;
    EXPECT_EQ(t->layout_known, !t->fields.empty()) << t->file;
    for (const Markers& m : {Markers(), all}) {
      const auto fields = ResolveFields(*t, m, ProbeFor({"WAGA", "WAGA_OPA", "SUR", "MAG_OPA"}));
      std::set<std::string> names;
      for (const Field& f : fields) {
        EXPECT_TRUE(ValidateField(f).ok()) << t->alias << ": " << ValidateField(f).message();
        EXPECT_TRUE(names.insert(f.name).second) << t->alias << " repeats " << f.name;
      }
    }
  }
  // Every id is registered.
  for (int id = 0; id <= static_cast<int>(TableId::kZamowienie); ++id) {
    EXPECT_EQ(Table(static_cast<TableId>(id)).id, static_cast<TableId>(id)) << id;
  }
}

TEST(CatalogueLookup, RebuildOrderAndOptionalTables) {
  const auto order = RebuildOrder();
  ASSERT_EQ(order.size(), 25u);
  EXPECT_EQ(Table(order.front()).alias, "pp_dbf");
  EXPECT_EQ(Table(order[4]).alias, "as");
  EXPECT_EQ(Table(order.back()).alias, "pk");
  EXPECT_EQ(std::set<TableId>(order.begin(), order.end()).size(), order.size());

  EXPECT_FALSE(TableEnabled(Table(TableId::kPartia20), Markers()));
  EXPECT_TRUE(TableEnabled(Table(TableId::kPartia20), Markers::Of({"partia20.txt"})));
  EXPECT_FALSE(TableEnabled(Table(TableId::kZalDowod), Markers()));
  EXPECT_TRUE(TableEnabled(Table(TableId::kZalDowod), Markers::Of({"ZALICZKI.TXT"})));
  EXPECT_FALSE(TableEnabled(Table(TableId::kZamDowod), Markers::Of({"ZALICZKI.TXT"})));
  EXPECT_FALSE(TableEnabled(Table(TableId::kDowQr), Markers()));
  EXPECT_FALSE(TableEnabled(Table(TableId::kProgram), Markers()));
  EXPECT_TRUE(TableEnabled(Table(TableId::kAs), Markers()));
  EXPECT_TRUE(Table(TableId::kP23).only_if_file_exists);
}

TEST(CataloguePaths, PeriodStationAndRunTimeNames) {
  EXPECT_EQ(PeriodDirFromBmr("03.24").value(), "24/03");
  EXPECT_EQ(PeriodDirFromBmr("12.25").value(), "25/12");
  for (const char* bad : {"3.24", "13.24", "00.24", "03/24", "ab.cd", "03.245", ""}) {
    EXPECT_TRUE(PeriodDirFromBmr(bad).status().IsInvalid()) << bad;
  }
  EXPECT_EQ(TablePath(Table(TableId::kAs), {.period = "24/03"}), "24/03/as");
  EXPECT_EQ(TablePath(Table(TableId::kAs), {.period = "24\\03\\"}), "24/03/as");
  EXPECT_EQ(TablePath(Table(TableId::kFirma), {.period = "24/03"}), "firma");
  EXPECT_EQ(TablePath(Table(TableId::kDd), {.station = 7}), "rob/d07");
  EXPECT_EQ(TablePath(Table(TableId::kDd), {.station = 12}), "rob/d12");
  EXPECT_EQ(TablePath(Table(TableId::kDd), {.station = 0}), "rob/d00");
  EXPECT_EQ(TablePath(Table(TableId::kDd), {.station = 100}), "rob/d00");
  EXPECT_EQ(TablePath(Table(TableId::kRobWal), {.station = 3}), "rob/wal03");
  EXPECT_EQ(TablePath(Table(TableId::kZamowienie), {.part = "ZAMO\\NR_03001"}), "zamo/nr_03001");
  EXPECT_EQ(TablePath(Table(TableId::kKorekty), {.part = "24"}), "korekty/korek_24");
  EXPECT_EQ(TablePath(Table(TableId::kZamDowod), {.period = "24/03"}), "fv_zam/dowod");
}

TEST(CatalogueFileNames, TablesAndIndexesOfTheCatalogueAreKnownByName) {
  for (std::string_view name : {"firma.dbf", "FIRMA.DBF", "prawa", "26/12/zo.dbf", "zo_nip.ntx", "d03.dbf",
                                "rob/d99.dbf", "korek_25.dbf", "korek_2025.ntx", "blat.dbf", "program.dbf"}) {
    EXPECT_TRUE(IsCatalogueFileName(name)) << name;
  }
  // Near names, a bare station pattern and a run-time name alone name nothing.
  for (std::string_view name : {"firmy.dbf", "d3.dbf", "d003.dbf", "korek_.dbf", "kopia.dbf", "raport.txt", "",
                                "order file.dbf", "zo/", "dd.dbf"}) {
    EXPECT_FALSE(IsCatalogueFileName(name)) << name;
  }
}

TEST(CatalogueTworz, TextOfTablesAndRoundTrip) {
  EXPECT_EQ(TworzText(Table(TableId::kWal), Markers(), {}).value(),
            "wal,WALUTA    ,C,  3,  0,DATA      ,D,  8,  0,KURS      ,N, 12,  6,"
            "DATA_KURSU,D,  8,  0");
  EXPECT_EQ(TworzText(Table(TableId::kAsEx0), Markers(), {}).value(), "as_ex0,JEZYK     ,C,  1,  0");
  const std::string dowod = TworzText(Table(TableId::kDowod), Markers(), {.period = "24/03"}).value();
  EXPECT_EQ(dowod.substr(0, 36), "24/03/dowod,R_P       ,C,  1,  0,S_Z");
  EXPECT_NE(dowod.find(",NRD       ,C,  8,  0,"), std::string::npos);
  EXPECT_NE(dowod.find(",ODBIORCA  ,C,254,  0,"), std::string::npos);
  EXPECT_EQ(dowod.substr(dowod.size() - 21), ",ODBIORC1  ,C, 50,  0");

  for (const Markers& m : {Markers(), Markers::Of(kAllMarkers)}) {
    for (const TableDef* t : AllTables()) {
      const PathArgs args{.period = "24/03", .station = 2, .part = "zamd/nr_04002"};
      auto text = TworzText(*t, m, args);
      if (!t->layout_known) {
        EXPECT_TRUE(text.status().IsNotFound()) << t->alias;
        continue;
      }
      ASSERT_TRUE(text.ok()) << t->alias << ": " << text.status().ToString();
      auto parsed = ParseFieldList(*text);
      ASSERT_TRUE(parsed.ok()) << t->alias << ": " << parsed.status().ToString();
      EXPECT_EQ(parsed->path, TablePath(*t, args));
      EXPECT_EQ(parsed->fields, ResolveFields(*t, m));
      // 20 characters per field and one comma before each.
      EXPECT_EQ(text->size(), parsed->path.size() + 21 * parsed->fields.size());
    }
  }
}

}  // namespace
}  // namespace hurt::store
