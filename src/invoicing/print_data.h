// What the printed form of an invoice or warehouse document is made from: plain copies of
// the table fields (named after them) and of the print settings. The caller fills them
// from `dowod`, `dow`/`dd`, `firma`, `zo`, `slow`, the settings and the marker files;
// the form reads nothing else. All texts are code page 852.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "base/date.h"
#include "documents/doc_kind.h"
#include "documents/line_math.h"

namespace hurt::invoicing {

// The document header (`dowod`, or the M_ variables of the document being printed).
struct InvoiceHeader {
  std::string rd;            // RD, kind code, 3 characters
  std::string nrd;           // NRD, 8 characters right-aligned
  JulianDay data = 0;        // DATA, issue date
  JulianDay data_wyd = 0;    // DATA_WYD, date of sale / delivery (0: the issue date)
  JulianDay data_fa = 0;     // DATA_FA; on a correction the date of the corrected invoice
  std::string mag;           // MAG
  std::string odb;           // ODB, customer code
  std::string nip_kraj;      // NIP_KRAJ
  std::string regon;         // REGON, the buyer's tax number
  std::string nodb, nodb1;   // NODB, NODB1, name lines
  std::string uodb;          // UODB, street
  std::string kodb;          // KODB, postcode
  std::string modb;          // MODB, town
  std::string odbiorca;      // ODBIORCA: the recipient; on a correction the corrected invoice's number
  std::string ksef;          // KSEF: the invoice's number in the national e-invoice system, once known
  char spz = 'G';            // SPZ, payment method
  int tez = 0;               // TEZ, term in days
  char transport = ' ';      // M_TRANSPORT
  bool vouchers = false;     // any voucher count (B100, B50, B20, B10, B05) is not 0
  double reszta = 0;         // RESZTA (M_RESZTA): added to the net total
  double rabat = 0;          // M_RABAT, the document's discount percent
  std::string jezyk;         // JEZYK: blank or "P" Polish, anything else a foreign-language form
  std::string waluta;        // WALUTA: blank or "PLN" for the złoty
  double kurs = 0;           // KURS, exchange rate of the currency
  JulianDay data_kursu = 0;  // DATA_KURSU
  int nr_banku = 0;          // NR_BANKU: which bank account of the company (0..4)
  double kwota = 0;          // KWOTA: the amount paid; the amount of a money document
  // Description lines of a collective printout (one per source document).
  std::vector<std::string> opis;
};

// One line (`dow` / `dd`) as the printout takes it: the line model (LP, MAG, INDEKS,
// NAZWA, NAZWA1, JM, PKWIU, SWW, KOD13, UWAGI, ILOSC, CENA net or gross by the document's
// basis, UPUST0, CENA_N and CENA_B the list prices before the discount, PODATEK0,
// PODATEK, WARTOSC, BRUTTO) and what only the printout counts.
struct InvoiceLine : documents::DocLine {
  double opakowania = 0;   // packages in the quantity (the " OPA |" column)
};

// The licensee's company (`firma`).
struct Seller {
  std::string nodb, nodb1, nodb2;  // NODB, NODB1, NODB2: name lines
  std::string uodb;                // UODB, street
  std::string kodb;                // KODB
  std::string modb;                // MODB, town
  std::string nip_kraj;            // NIP_KRAJ
  std::string regon;               // REGON: the company's tax number (NIP)
  std::string tel;                 // TEL
  std::string bdo;                 // BDO
  std::string regon0;              // REGON0: the statistical number
  std::string krs_nr;              // KRS_NR
  std::string krs_sad;             // KRS_SAD
  double kapital = 0;              // KAPITAL
  // BODB/NRBO, BODB1/NRBO1 … BODB4/NRBO4: bank and account, picked by NR_BANKU.
  std::array<std::string, 5> bodb, nrbo;
};

// The customer (`zo`); its name and address stand in where the header's copy is blank.
struct Buyer {
  std::string odb;
  std::string nodb, nodb1;
  std::string uodb, kodb, modb;
  std::string nip_kraj, regon;
  std::string tel;
};

// Print settings and what the marker files say.
struct PrintSettings {
  int j_ww1 = 0;               // J_WW1: lines on the first page (0: no page breaks)
  int j_ww2 = 0;               // J_WW2: lines on later pages
  bool j_eject = false;        // J_EJECT "T": form feed at the end
  int j_papier = 10;           // J_PAPIER: blank lines at the end otherwise (at least 2)
  bool j_pkwiu = true;         // J_PKWIU "T": PKWiU code in the code column
  bool j_rab_poz = false;      // J_RAB_POZ "T": line discounts are shown
  bool j_mag_druk = false;     // J_MAG_DRUK "T": " MAG |" column
  bool j_opa_druk = false;     // J_OPA_DRUK "T": " OPA |" column
  char j_oryginal = 'T';       // J_ORYGINAL: the original/copy state of this printout
  std::string j_folder;        // J_FOLDER: "BAAD" prints 7 blank lines for the letterhead
  bool j_zer_nrd = false;      // J_ZER_NRD "T"
  std::string j_fv_symbo;      // J_FV_SYMBO
  std::string j_st_tekst, j_st_teks1;  // fixed texts under invoices
  std::string j_reklama1, j_reklama2;  // advertising lines
  int quantity_decimals = 3;   // decimals of quantities that are not whole (2 or 3)
  std::string m_drukarka = "EPSON";  // M_DRUKARKA
  std::string m_nazwisko;      // the operator's name for the signature block
  std::string branch_town;     // the branch's town for the date line (blank: the company's)
  // The letterhead text (J_FOLDER's file or the kind's own "??_NAG.TXT"), one entry a line.
  // Empty: the company's name lines are printed instead (unless J_FOLDER is "BAAD").
  std::vector<std::string> letterhead;
  bool krs_marker = false;     // KRS.TXT exists: KRS, court and capital lines
  bool cancelled = false;      // the marker "F<number>.---" exists: the cancelled form
  // Texts of the payment marker files, nullopt when the file does not exist.
  std::optional<std::string> spz_h_txt, spz_p_txt, spz_n_txt;
};

// Everything one printout needs.
struct InvoiceData {
  documents::DocKind kind;  // the kind's `slow` record
  InvoiceHeader header;
  std::vector<InvoiceLine> lines;
  Seller seller;
  Buyer buyer;
  PrintSettings settings;
};

}  // namespace hurt::invoicing
