// Documents: headers, lines, the station's working lines, scanned codes, document
// kinds, order and advance-invoice side tables, and the corrections register.
#include <array>
#include <cstddef>

#include "store/schema_internal.h"

namespace hurt::store::internal {
namespace {

// Document headers, one record per document, keyed by RD+NRD.
constexpr FieldDef kDowod[] = {
    C("R_P", 1),
    C("S_Z", 1),
    C("RD", 3),
    C("NRD", 8),
    D("DATA"),
    D("DATA_WYD"),
    C("MAG", 1),
    C("KTO", 1),
    C("ODB", 8),
    C("NIP_KRAJ", 2),
    C("REGON", 13),
    C("NODB", 50),
    C("NODB1", 50),
    CRule("UODB", WidthRule::kStreet),
    C("KODB", 6),
    C("MODB", 20),
    C("ODBIORCA", 254),
    N("WARTOSC0", 16, 2),
    N("NETTO", 18, 4),
    N("VAT", 14, 4),
    N("RESZTA", 14, 2),
    C("RESZTA0", 2),
    N("RESZTA_P", 10, 2),
    C("SPZ", 1),
    N("TEZ", 4, 0),
    N("KWOTA", 16, 2),
    C("ZAP", 1),
    C("OPERATOR", 1),
    C("KIER", 3),
    C("KOMU", 8),
    C("AUTO", 8),
    N("OPA", 14, 2),
    N("NR_BANKU", 1, 0).If("NR_BANKU.TXT"),
    C("JEZYK", 1),
    C("WALUTA_X", 1),
    C("WALUTA", 3),
    N("KURS", 12, 6),
    D("DATA_KURSU"),
    N("DOLAR", 14, 2),
    N("KURS_1", 12, 6),
    C("NR1", 1),
    N("CON1", 8, 0),
    C("NR2", 1),
    N("CON2", 8, 0),
    C("NR3", 1),
    N("CON3", 8, 0),
    D("DATA_FA"),
    C("OPERATOR_Z", 1).If("FV_ZAL.TXT"),
    D("ZAM_DATA").If("FV_ZAL.TXT"),
    C("ZAM_RD", 3).If("FV_ZAL.TXT"),
    C("ZAM_NRD", 8).If("FV_ZAL.TXT"),
    N("N22", 12, 2).If("FV_ZAL.TXT"),
    N("V22", 12, 2).If("FV_ZAL.TXT"),
    N("N07", 12, 2).If("FV_ZAL.TXT"),
    N("V07", 12, 2).If("FV_ZAL.TXT"),
    C("JPK_XX", 20),
    C("TYP_DOK", 6),
    C("KSEF", 36),
    C("KSEF_TN", 1),
    C("R_RD", 3),
    C("R_NRD", 8),
    D("R_DATA"),
    C("R_CZAS", 8),
    // The second remark row of the header: the delivery address of a sale, the reason of
    // a correction.
    C("ODBIORC1", 50),
};
constexpr IndexDef kDowodIndexes[] = {
    {"dowod1", "rd+nrd+STR(RECNO(),6)"},
    {"dowod2", "DTOS(data)+r_p+s_z+rd+nrd+STR(RECNO(),6)"},
    // Only for tables that carry the licensee's second recipient field.
    {"dowod3", "UPPER(odbiorc1)+STR(RECNO(),5)", {.field = "ODBIORC1"}},
};

// Document lines; RD+NRD+LP identifies a line.
constexpr FieldDef kDow[] = {
    C("R_P", 1),
    C("S_Z", 1),
    C("RD", 3),
    C("NRD", 8),
    D("DATA"),
    C("MAG", 1),
    C("LP", 3),
    C("KTO", 1),
    C("ODB", 8),
    C("INDEKS", 8),
    C("NAZWA", 30),
    C("NAZWA1", 16).If("NAZWA46.TXT"),
    C("NAZWA_EX", 30),
    C("JM", 3),
    N("UPUST0", 5, 1),
    N("CENA0", 16, 6),
    N("CENA", 16, 6),
    C("NB", 1),
    N("ILOSC", 15, 3),
    N("WARTOSC", 18, 2),
    CRule("PODATEK0", WidthRule::kVatRate),
    N("PODATEK", 14, 2),
    C("KOMU", 1),
    C("AUTO", 8),
    C("SWW", 8),
    C("PKWIU", 10),
    N("DOLAR_I", 14, 2),
    C("NR", 1),
    CRule("PARTIA", WidthRule::kBatch).If("PARTIA.TXT"),
    D("TPS_P").If("PARTIA.TXT"),
    D("DATA_M").If("DATA_M.TXT"),
    N("WYDANO2", 10, 3).If("PARTIA20.TXT"),
    CRule("PARTIA2", WidthRule::kBatch).If("PARTIA20.TXT"),
    D("TPS_P2").If("PARTIA20.TXT"),
    CRule("KOD13", WidthRule::kBarCode).IfField("KOD13", "KOD13.TXT"),
    C("NRPARTII", 30).If("NRPARTII.TXT"),
    C("UWAGI", 50).If("UWAGI.DOW"),
    N("PROWIZJA", 10, 2).If("PROWIZJA.TXT"),
    N("CENA_N", 14, 2),
    N("CENA_B", 14, 2),
};
constexpr IndexDef kDowIndexes[] = {
    {"dow1", "rd+nrd+lp"},
    {"dow2", "DTOS(data)+IIF(r_p=\"P\",\"A\",r_p)+s_z+rd+nrd+lp"},
    {"dow3", "DTOS(data)+mag+indeks"},
};

// Lines of the document being edited at one station: the line fields of dow plus the
// working fields of the line editor.
constexpr FieldDef kDd[] = {
    C("R_P", 1),
    C("S_Z", 1),
    C("RD", 3),
    C("NRD", 8),
    D("DATA"),
    C("MAG", 1),
    C("LP", 3),
    C("KTO", 1),
    C("ODB", 8),
    C("SPZ", 1),
    N("TEZ", 4, 0),
    C("INDEKS", 8),
    C("NAZWA", 30),
    C("NAZWA1", 16).If("NAZWA46.TXT"),
    C("NAZWA_EX", 30),
    C("KOD_CN", 10),
    C("JM", 3),
    N("UPUST_01", 5, 1),
    N("UPUST0", 5, 1),
    N("CENA0", 16, 6),
    N("CENA", 16, 6),
    C("NB", 1),
    N("ILOSC", 14, 3),
    N("ILOSC_OPA", 14, 3),
    N("WARTOSC", 18, 2),
    CRule("PODATEK0", WidthRule::kVatRate),
    N("PODATEK", 14, 2),
    N("BRUTTO", 18, 2),
    N("ILOSC_WZ", 14, 3),
    N("FE_CENA", 12, 2),
    C("FE_WAL", 3),
    N("FE_KURS", 12, 6),
    N("FE_NETTO", 12, 2),
    C("KOMU", 1),
    C("SWW", 8),
    C("PKWIU", 10),
    N("DOLAR_I", 14, 2),
    C("NR", 1),
    C("TRESC", 17),
    N("KOREKTA", 14, 3),
    CRule("PARTIA", WidthRule::kBatch).If("PARTIA.TXT"),
    D("TPS_P").If("PARTIA.TXT"),
    D("DATA_M").If("DATA_M.TXT"),
    N("WYDANO2", 10, 3).If("PARTIA20.TXT"),
    CRule("PARTIA2", WidthRule::kBatch).If("PARTIA20.TXT"),
    D("TPS_P2").If("PARTIA20.TXT"),
    C("VAT_RD", 3).If("OPAK.DBF"),
    C("VAT_NRD", 8).If("OPAK.DBF"),
    D("VAT_DATA").If("OPAK.DBF"),
    C("VAT_CZAS", 5).If("OPAK.DBF"),
    C("FISKALNA", 1),
    CRule("KOD13", WidthRule::kBarCode),
    C("DOST", 8),
    C("CENNIK", 1),
    C("T_W_O_K", 8),
    C("PODGRUPA", 8),
    C("PRODUCENT", 20),
    C("NRPARTII", 30).If("NRPARTII.TXT"),
    C("UWAGI", 50).If("UWAGI.DOW"),
    C("MAG1", 1).If("INDEKS1.TXT"),
    C("INDEKS1", 8).If("INDEKS1.TXT"),
    N("PROWIZJA", 10, 2).If("PROWIZJA.TXT"),
    C("ATRYBUT", 8).If("DD_WAGA.TXT"),
    N("WARTOSC0", 18, 2).If("DD_WAGA.TXT"),
    N("WAGA", 10, 3),
    N("ILOSC_EDI", 14, 3),
    N("CENA_EDI", 16, 6),
    C("JM_EDI", 3),
    D("OD_DNIA"),
    D("DO_DNIA"),
    D("DATA_PZ"),
    N("CENA_PZ", 16, 6),
    N("CENAM", 14, 2),
    N("CENA_N", 14, 2),
    N("CENA_B", 14, 2),
    N("CENA2_OLD", 14, 2),
    N("CENA2_NEW", 14, 2),
};
constexpr IndexDef kDdIndexes[] = {{"d##", "mag+indeks+lp"}};

// Codes scanned for document lines.
constexpr FieldDef kDowQr[] = {
    C("RD", 3),    C("NRD", 8),   D("DATA"),     C("ODB", 8),   C("MAG", 1),   C("INDEKS", 8),
    C("KOD_QR", 67), C("R_RD", 3), C("R_NRD", 8), D("R_DATA"),  C("R_ODB", 8), C("X", 1),
};
constexpr IndexDef kDowQrIndexes[] = {{"dow_qr1", "rd+nrd+mag+indeks+STR(RECNO(),6)"}};
constexpr FieldDef kRobDdQr[] = {
    C("RD", 3), C("NRD", 8), C("MAG", 1), C("INDEKS", 8), C("KOD_QR", 67), C("X", 1),
};

// Document kinds, one record per kind RD. The three CDN_ fields of the link to an
// external accounting package are kept when the table on disk has them.
constexpr FieldDef kSlow[] = {
    C("RD", 3),
    C("OPIS", 100),
    C("R_P", 1),
    C("S_Z", 1),
    C("CUV", 1),
    N("NRD", 8, 0),
    C("KTO", 1),
    C("MAG", 1),
    C("JPK_N", 3),
    C("JPK_V", 3),
    C("JPK_N2", 3),
    C("JPK_V2", 3),
    C("JPK_XX", 20),
    C("TYP_DOK", 6),
    C("KSEF_TN", 1),
    N("POZIOM", 1, 0),
    C("WN", 16),
    C("MA", 16),
    C("N_WN", 16),
    C("N_MA", 16),
    C("V_WN", 16),
    C("V_MA", 16),
    C("N_RR_WN", 16),
    C("N_RR_MA", 16),
    C("KOMU", 8),
    C("GRUPA", 8),
    C("GR_RD", 10),
    C("BANK", 8),
    C("NB", 1),
    C("UZGODNIC", 1),
    C("CDN_OPIS", 50).IfField("CDN_OPIS"),
    C("CDN_RT", 50).IfField("CDN_RT"),
    C("CDN_RV", 1).IfField("CDN_RV"),
};
constexpr IndexDef kSlowIndexes[] = {{"slow", "rd"}};

// The header layout of dowod for the order and advance-invoice side tables: those
// tables exist only with the advance-invoice option, so its fields are always there.
template <std::size_t kCount>
constexpr std::array<FieldDef, kCount> AdvanceHeader(const FieldDef (&base)[kCount]) {
  std::array<FieldDef, kCount> out{};
  for (std::size_t i = 0; i < kCount; ++i) {
    out[i] = base[i];
    if (out[i].condition.marker == "FV_ZAL.TXT") out[i].condition = {};
  }
  return out;
}

template <std::size_t kCount, std::size_t kExtra>
constexpr std::array<FieldDef, kCount + kExtra> Append(const std::array<FieldDef, kCount>& base,
                                                       const FieldDef (&extra)[kExtra]) {
  std::array<FieldDef, kCount + kExtra> out{};
  for (std::size_t i = 0; i < kCount; ++i) out[i] = base[i];
  for (std::size_t i = 0; i < kExtra; ++i) out[kCount + i] = extra[i];
  return out;
}

constexpr auto kZalDowod = AdvanceHeader(kDowod);
// Orders: WW groups the orders in the second order, ARC_DATA and ARC_NR stamp an order
// as fulfilled (date and operator).
constexpr FieldDef kOrderHeaderExtra[] = {C("WW", 1), D("ARC_DATA"), C("ARC_NR", 1)};
constexpr auto kZamDowod = Append(kZalDowod, kOrderHeaderExtra);

constexpr IndexDef kZamDowodIndexes[] = {
    {"dowod1", "odb+rd+nrd"},
    {"dowod2", "ww+kier+odb+rd+nrd"},
};
constexpr IndexDef kZalDowodIndexes[] = {
    {"dowod1", "rd+nrd+odb+DTOS(data)"},
    {"dowod2", "odb+zam_rd+zam_nrd+DTOS(zam_data)"},
    {"dowod3", "DTOS(data)+rd+nrd"},
};

// Order lines: the line fields of dow up to PODATEK, the classification fields and the
// batch fields as in dow, then the catalogue prices.
constexpr FieldDef kZamDow[] = {
    C("R_P", 1),
    C("S_Z", 1),
    C("RD", 3),
    C("NRD", 8),
    D("DATA"),
    C("MAG", 1),
    C("LP", 3),
    C("KTO", 1),
    C("ODB", 8),
    C("INDEKS", 8),
    C("NAZWA", 30),
    C("NAZWA1", 16).If("NAZWA46.TXT"),
    C("NAZWA_EX", 30),
    C("JM", 3),
    N("UPUST0", 5, 1),
    N("CENA0", 16, 6),
    N("CENA", 16, 6),
    C("NB", 1),
    N("ILOSC", 15, 3),
    N("WARTOSC", 18, 2),
    CRule("PODATEK0", WidthRule::kVatRate),
    N("PODATEK", 14, 2),
    C("KOMU", 1),
    C("AUTO", 8),
    C("SWW", 8),
    C("PKWIU", 10),
    N("DOLAR_I", 14, 2),
    C("NR", 1),
    CRule("PARTIA", WidthRule::kBatch).If("PARTIA.TXT"),
    D("TPS_P").If("PARTIA.TXT"),
    D("DATA_M").If("DATA_M.TXT"),
    N("WYDANO2", 10, 3).If("PARTIA20.TXT"),
    CRule("PARTIA2", WidthRule::kBatch).If("PARTIA20.TXT"),
    D("TPS_P2").If("PARTIA20.TXT"),
    N("CENA_N", 14, 2),
    N("CENA_B", 14, 2),
};
constexpr IndexDef kZamDowIndexes[] = {{"dow1", "odb+rd+nrd+lp"}};

// Corrections register of one year: the corrected document and its correction.
constexpr FieldDef kKorekty[] = {
    C("RD", 3),  C("NRD", 8),  D("DATA"),  C("ODB", 8),
    C("RD_", 3), C("NRD_", 8), D("DATA_"), C("ODB_", 8),
};
constexpr IndexDef kKorektyIndexes[] = {{"korek_<yy>", "rd+nrd+DTOS(data)+STR(RECNO(),4)"}};

constexpr TableDef kTables[] = {
    {.id = TableId::kDd, .file = "rob/d##", .alias = "dd", .area = 4, .place = Place::kStation,
     .contents = "lines of the document being edited", .fields = kDd, .indexes = kDdIndexes,
     .relation = Relation{"as", "mag+indeks"}},
    {.id = TableId::kDow, .file = "dow", .alias = "dow", .area = 5, .place = Place::kPeriod,
     .contents = "document lines", .fields = kDow, .indexes = kDowIndexes},
    {.id = TableId::kDowod, .file = "dowod", .alias = "dowod", .area = 6, .place = Place::kPeriod,
     .contents = "document headers", .fields = kDowod, .indexes = kDowodIndexes},
    {.id = TableId::kSlow, .file = "slow", .alias = "slow", .area = 9, .place = Place::kPeriod,
     .contents = "document kinds", .fields = kSlow, .indexes = kSlowIndexes},
    {.id = TableId::kDowQr, .file = "dow_qr", .alias = "dow_qr", .area = 15,
     .place = Place::kPeriod, .contents = "codes scanned for document lines",
     .condition = {.marker = "KOD_QR.TXT"}, .fields = kDowQr, .indexes = kDowQrIndexes},
    {.id = TableId::kZamDowod, .file = "fv_zam/dowod", .alias = "dowodzam",
     .place = Place::kRoot, .contents = "order headers", .condition = {.marker = "FV_ZAL.TXT"},
     .fields = kZamDowod, .indexes = kZamDowodIndexes},
    {.id = TableId::kZamDow, .file = "fv_zam/dow", .alias = "dowzam", .place = Place::kRoot,
     .contents = "order lines", .condition = {.marker = "FV_ZAL.TXT"}, .fields = kZamDow,
     .indexes = kZamDowIndexes},
    {.id = TableId::kZalDowod, .file = "fv_zal/dowod", .alias = "dowodzal",
     .place = Place::kRoot, .contents = "advance-payment invoices",
     .condition = {.marker = "FV_ZAL.TXT", .marker2 = "ZALICZKI.TXT"}, .fields = kZalDowod,
     .indexes = kZalDowodIndexes},
    {.id = TableId::kRobDdQr, .file = "rob/dd_qr##", .alias = "rob_dd_qr",
     .place = Place::kStation, .contents = "codes scanned for the document being edited",
     .condition = {.marker = "KOD_QR.TXT"}, .fields = kRobDdQr},
    {.id = TableId::kKorekty, .file = "korekty/korek_<yy>", .alias = "korek",
     .place = Place::kOther, .contents = "corrections register of one year",
     .fields = kKorekty, .indexes = kKorektyIndexes},
};

}  // namespace

std::span<const TableDef> DocumentTables() { return kTables; }

}  // namespace hurt::store::internal
