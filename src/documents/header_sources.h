// Lines a new document can start with instead of being typed: a template invoice
// (`wzor.dbf` in the data directory) and the customer's cyclic invoice (its records in
// `hlp/rabat`). The lines are priced, taxed and reserved as lines typed in the grid.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hurt::session {
class Session;
}

namespace hurt::documents {

// A line of a source: the article and quantity, the price and percent when the source has
// them (a price of 0 or none: the article's price for the document).
struct SourceLine {
  std::string mag;     // warehouse ("" or blank: the document's)
  std::string indeks;  // article code
  std::string nazwa;   // the name the source gives (for the message of a missing article)
  double ilosc = 0;
  double cena = 0;
  double upust0 = 0;
};

// The lines of the table `dbf_path` (fields MAG, INDEKS, NAZWA, ILOSC, CENA, UPUST0, as
// far as it has them; records without an article code or quantity, and deleted ones, are
// left out). With `odb` only the records whose ODB is `odb` (through the index `ntx_path`
// on odb+... when it opens, else by reading the table). nullopt when the table cannot be
// read or has no INDEKS or ILOSC field.
std::optional<std::vector<SourceLine>> ReadSourceLines(session::Session& session, const std::string& dbf_path,
                                                       const std::string& odb = {},
                                                       const std::string& ntx_path = {});

// Appends the lines to `dd` for the document under edit (M_RD, M_NRD, M_MAG, M_NB ...):
// an article missing from `as` is reported "Brak <MAG> <INDEKS> <NAZWA>" and left out;
// the price is the source's or the article's level price (the last purchase price on
// receipts and kinds in purchase prices); the rate follows the kind; issue lines reserve
// their stock (cut to what is available where stock is checked). Returns the number of
// lines written.
int AppendSourceLines(session::Session& session, const std::vector<SourceLine>& lines);

// The sources offered to a new document once its header is entered: "Wczytac wzor
// faktury ?" for sales when `wzor.dbf` exists, "Wczytac cykliczna FV / WZ ?" for sales and
// "WZ" with a customer who has lines in `hlp/rabat`.
void OfferLineSources(session::Session& session);

// Display of a posted document: its lines copied from `dow` into a new `dd`, the fields
// both tables have. Nothing of the document itself changes, and the copied lines hold no
// reservation (the caller empties `dd` after showing them). False when `dd` cannot be
// made or `dow` read.
bool LoadLinesForDisplay(session::Session& session, std::string_view rd, std::string_view nrd);

}  // namespace hurt::documents
