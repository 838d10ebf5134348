// The one reader and the one writer of a line record (`dd`, `dow`, the order lines): a
// record is read into a DocLine and a DocLine is written into a record, appended or in
// place. Every routine that writes a line names the fields it writes; nothing else on the
// record changes.
//
// A field the table lacks is left out only when the catalogue makes it optional for that
// table (a marker file or the table on disk decides it); any other missing field is an
// error, so that a line is never written short without anyone knowing.
#pragma once

#include <bitset>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/result.h"
#include "documents/doc_kind.h"
#include "documents/line_math.h"
#include "xbase/work_area.h"

namespace hurt::documents {

// The fields of a line record the model carries.
enum class LineField : int {
  kRP, kSZ, kRd, kNrd, kData, kKto, kOdb, kSpz, kTez,
  kLp, kMag, kIndeks, kNazwa, kNazwa1, kUwagi,
  kJm, kSww, kPkwiu, kTWOK, kKod13, kProducent, kDost,
  kNb, kIlosc, kCena, kCena0, kUpust0, kPodatek0, kPodatek, kWartosc, kBrutto, kCenaN, kCenaB,
  kCount,
};

// A set of line fields.
class LineFields {
 public:
  LineFields() = default;
  LineFields(std::initializer_list<LineField> fields) {
    for (LineField f : fields) Add(f);
  }
  LineFields& Add(LineField f) {
    bits_.set(static_cast<size_t>(f));
    return *this;
  }
  LineFields& Add(const LineFields& other) {
    bits_ |= other.bits_;
    return *this;
  }
  LineFields& Remove(LineField f) {
    bits_.reset(static_cast<size_t>(f));
    return *this;
  }
  bool Has(LineField f) const { return bits_.test(static_cast<size_t>(f)); }

 private:
  std::bitset<static_cast<size_t>(LineField::kCount)> bits_;
};

// The field's name in the table ("ILOSC").
std::string_view LineFieldName(LineField field);

// Groups the writers name.
// R_P, S_Z, RD, NRD, DATA, KTO, ODB, SPZ, TEZ.
LineFields HeaderLineFields();
// JM, SWW, PKWIU, T_W_O_K, KOD13, PRODUCENT, DOST.
LineFields CatalogueLineFields();
// NB, ILOSC, CENA, CENA0, UPUST0, PODATEK0, PODATEK, WARTOSC, BRUTTO, CENA_N, CENA_B.
LineFields MoneyLineFields();

// Every field the model carries.
LineFields AllLineFields();

// The current record as a DocLine; fields the table lacks stay empty. `extra` stays empty.
DocLine ReadLineRecord(const xbase::WorkArea& area);

// The current record whole: the model's fields as ReadLineRecord reads them and every other
// field of the table (memos aside) in `extra`, so that the line can be carried into another
// table as it is (a working line posted into `dow`, a posted line back into `dd`).
DocLine ReadWholeLineRecord(const xbase::WorkArea& area);

// Every record of the area in its order from the top, whole. The area is left where it was.
Result<std::vector<DocLine>> ReadWholeLineRecords(xbase::WorkArea& area);

// `line` as a line of the document: the kind's class letters and the document's kind,
// number, date and counterparty, which every line of a document carries.
DocLine UnderHeader(DocLine line, const DocKind& kind, std::string_view rd, std::string_view nrd, JulianDay data,
                    std::string_view odb);

// The value of a field the line carries in `extra` (nil, "" or 0 when it carries none).
const xbase::Value& ExtraValue(const DocLine& line, std::string_view name);
std::string ExtraText(const DocLine& line, std::string_view name);

// `fields` of `line` (in the model's order) and then every entry of line.extra, as the
// name/value pairs a record of the line holds. The one conversion of a DocLine into record
// values: WriteLineRecord writes these, posting plans its line records from them.
std::vector<std::pair<std::string, xbase::Value>> LineRecordValues(const DocLine& line, const LineFields& fields);

// Writes `fields` of `line` (and every entry of line.extra) into the current record. The
// caller holds the record's lock (a fresh append holds it). A field the table lacks is
// skipped when the catalogue makes it optional for the table, else Invalid.
Status WriteLineRecord(xbase::WorkArea& area, const DocLine& line, const LineFields& fields);

// Appends a record and writes `fields` of `line` into it; the new record stays locked,
// as Append leaves it.
Status AppendLineRecord(xbase::WorkArea& area, const DocLine& line, const LineFields& fields);

}  // namespace hurt::documents
