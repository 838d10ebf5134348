// Company record, operators, single-instance lock and mail/EDI settings tables.
#include "store/schema_internal.h"

namespace hurt::store::internal {
namespace {

// The licensee's company record, one record. ST is the station register, one
// character per workstation slot.
constexpr FieldDef kFirma[] = {
    C("ODB", 8),
    C("NODB", 30),
    C("NODB1", 30),
    C("NODB2", 30),
    C("NODB3", 30),
    C("NODB4", 30),
    CRule("UODB", WidthRule::kStreet),
    C("KODB", 6),
    C("MODB", 18),
    C("BODB", 54),
    C("NRBO", 40),
    C("WYCIAGI", 30),
    C("BODB1", 54),
    C("NRBO1", 40),
    C("WYCIAGI1", 30),
    C("BODB2", 54),
    C("NRBO2", 40),
    C("WYCIAGI2", 30),
    C("BODB3", 54),
    C("NRBO3", 40),
    C("WYCIAGI3", 30),
    C("BODB4", 54),
    C("NRBO4", 40),
    C("WYCIAGI4", 30),
    C("NIP_KRAJ", 2),
    C("REGON", 13),
    C("TEL", 25),
    C("E_MAIL", 40),
    C("E_UWAGI", 50),
    C("SMTP", 30),
    C("BDO", 13),
    C("REGON0", 13),
    C("KRS_NR", 13),
    C("KRS_SAD", 80),
    N("KAPITAL", 12, 0),
    C("KOD_POD", 13),
    N("OD_GODZ", 5, 2),
    N("DO_GODZ", 5, 2),
    N("SOBOTA_OD", 5, 2),
    N("SOBOTA_DO", 5, 2),
    C("HASLO", 10),
    C("AB", 1),
    C("NR_RK", 6),
    C("BMR", 5),
    C("FK", 16),
    N("KP", 8, 0),
    N("KW", 8, 0),
    N("NO", 8, 0),
    N("KP_KW", 8, 0),
    N("KP_", 8, 0),
    N("WE", 8, 0),
    CRule("ST", WidthRule::kStationMap),
    C("ODDZIAL", 1),   // branch code
    N("DEKRET", 8, 0),
};

// Operators: number, name, password (old scrambled field HASLO, kept blank, and the hash),
// rights, restrictions, refusal tokens.
constexpr FieldDef kPrawa[] = {
    C("NR", 1),        C("NAZWISKO", 30), C("HASLO", 10),  C("PRAWA", 20),
    C("PRAWA1", 20),   C("PRAWA2", 43),   C("NR_MAG", 20), C("NR_KASY", 1),
    N("KASA", 15, 2),  C("MAGAZYN", 20),  C("KOMU", 8),    C("RD", 3),
    C("SLUPEK", 1),    C("SMTP", 30),
    N("P01", 6, 0),    N("P02", 6, 0),    N("P03", 6, 0),  N("P04", 6, 0),
    N("P05", 6, 0),    N("P06", 6, 0),    N("P07", 6, 0),  N("P08", 6, 0),
    N("P09", 6, 0),    N("P10", 6, 0),    N("P11", 6, 0),  N("P12", 6, 0),
    N("K01", 6, 0),    N("K02", 6, 0),    N("K03", 6, 0),  N("K04", 6, 0),
    N("K05", 6, 0),    N("K06", 6, 0),    N("K07", 6, 0),  N("K08", 6, 0),
    N("K09", 6, 0),    N("K10", 6, 0),    N("K11", 6, 0),  N("K12", 6, 0),
    N("M01", 3, 0),    N("M02", 3, 0),    N("M03", 3, 0),  N("M04", 3, 0),
    N("M05", 3, 0),    N("M06", 3, 0),    N("M07", 3, 0),  N("M08", 3, 0),
    N("M09", 3, 0),    N("M10", 3, 0),    N("M11", 3, 0),  N("M12", 3, 0),
    C("DRUKARKA", 30),
    // The salted one-way hash of the password ("pbkdf2-sha256$..."); HASLO stays blank.
    C("HASH", 100),
};

// Held open exclusively on the workstation's own disk while the program runs, so that
// a second copy on the same workstation is refused.
constexpr FieldDef kProgram[] = {
    C("NR", 1), D("DATA"), C("CZAS_IN", 8), C("CZAS_OUT", 8),
};

// Mailer and backup-delivery settings, one record. BEZ_TLS "T": the mail login may go in
// plain text to a server that offers no encryption; BEZ_CERT "T": the mail server's
// certificate is not checked. Both are "N" (or missing) unless the administrator says so.
constexpr FieldDef kBlat[] = {
    C("KOPIE_DO", 30), C("E_MAIL_DO", 30), C("E_MAIL_Z", 30), C("HASLO", 30),
    C("SMTP", 30),     C("PORT", 5),       C("ADRES_FTP", 30), C("USER_FTP", 30),
    C("HASLO_FTP", 20), C("X", 1),         C("BEZ_TLS", 1),    C("BEZ_CERT", 1),
};

// Sender data for mailed orders, one record. PORT "" means 587; BEZ_TLS "T": the login may
// go in plain text to a server that offers no encryption; BEZ_CERT "T": the server's
// certificate is not checked (both "N" or missing unless the administrator says so).
constexpr FieldDef kEFirma[] = {
    C("E_MAIL", 30), C("LOGIN", 30), C("HASLO", 20), C("SERVER", 30), C("KOPIA_TN", 1), C("X", 1),
    C("PORT", 5),    C("BEZ_TLS", 1), C("BEZ_CERT", 1),
};

// EDI settings, one record per setting.
constexpr FieldDef kEoCfg[] = {
    C("NAME", 15), C("VALUE", 35),
};

// The last message number of the EDI orders, one record; opened exclusively to take one.
constexpr FieldDef kEoNrKom[] = {
    N("NR_KOM", 8, 0),
};

constexpr TableDef kTables[] = {
    {.id = TableId::kFirma, .file = "firma", .alias = "firma", .area = 1, .place = Place::kRoot,
     .contents = "company record and station register", .fields = kFirma},
    {.id = TableId::kProgram, .file = "c:/vat_rob/program", .alias = "program", .area = 149,
     .place = Place::kOther, .contents = "single-instance lock on the workstation disk",
     .condition = {.marker = "VATJEDEN.TXT"}, .fields = kProgram},
    {.id = TableId::kPrawa, .file = "prawa", .alias = "prawa", .area = 101, .place = Place::kRoot,
     .contents = "operators and their rights", .fields = kPrawa},
    // Kept in c:/blat/blat when that file exists.
    {.id = TableId::kBlat, .file = "blat", .alias = "blat", .place = Place::kRoot,
     .contents = "mailer and backup-delivery settings", .fields = kBlat},
    {.id = TableId::kEFirma, .file = "e_firma", .alias = "e_firma", .place = Place::kRoot,
     .contents = "mail sender settings for orders", .fields = kEFirma},
    {.id = TableId::kEoCfg, .file = "eo_cfg", .alias = "eo_cfg", .place = Place::kRoot,
     .contents = "EDI settings", .fields = kEoCfg},
    {.id = TableId::kEoNrKom, .file = "eo_nrkom", .alias = "eo_nrkom", .place = Place::kRoot,
     .contents = "EDI order message counter", .fields = kEoNrKom},
};

}  // namespace

std::span<const TableDef> SystemTables() { return kTables; }

}  // namespace hurt::store::internal
