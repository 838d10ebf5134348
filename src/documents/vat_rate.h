// VAT rate codes (PODATEK0) and the rate a document line takes.
//
// A code is the rate in percent right-aligned in two characters ("23", " 8", " 5",
// " 0"), or in four with one decimal ("13.5", " 8.0") when the marker VAT_13_5.TXT
// exists. "ZW" (exempt) and "NP" (not subject) are rate 0 but keep their own code,
// because the VAT summaries and registers show them apart from " 0".
#pragma once

#include <string>
#include <string_view>

#include "documents/doc_kind.h"

namespace hurt::documents {

// The rate in percent of a code: "23" → 23, " 8.0" → 8, "13.5" → 13.5; "ZW", "NP",
// blank and anything unreadable → 0. A comma is read as a decimal point.
double RateOfCode(std::string_view podatek0);

// The whole rate 1..25 of a code, or 0 for every other code ("ZW", "NP", " 0",
// "13.5", rates above 25). Only these rates are reconciled line against total.
int IntegerRateOf(std::string_view podatek0);

// "ZW" or "NP" (blanks around ignored).
bool IsExemptCode(std::string_view podatek0);

// The code of a numeric rate: two characters ("23", " 8"), or "99.9" with VAT_13_5.
std::string FormatRateCode(double rate, bool vat_13_5);

// A rate typed by the operator (PV_PODATEK0, PV_VAT0_PZ) made into a code.
struct RateInput {
  bool accepted = false;
  std::string code;  // the code to store
  double rate = 0;   // its numeric rate
};

// A comma becomes a point; "ZW" and "NP" (any case) are kept and mean 0; "0 ", " 0",
// "00" become " 0"; a rate above 23 becomes 23 (exactly 25 stays with the marker
// NORWEGIA.TXT). Empty, negative or non-numeric text is refused rather than stored as
// a silent 0 % rate.
RateInput NormalizeRateCode(std::string_view typed, bool vat_13_5, bool norwegia);

// The rate of a document line.
struct LineVatRate {
  std::string code;        // PODATEK0 of the line
  double rate = 0;         // its numeric rate
  bool forced_by_tag = false;  // the kind's VAT=[nn] tag decided it
};

// The article's code, except: a kind tagged "[ZW]" gives "ZW"; export kinds ("FE", or
// the tag EXPORT on a sale other than the kinds "S...") and the opening balance "BO "
// give " 0" ("NP" for an "NP" article) unless the marker GET_VAT.TXT exists
// (`get_vat_marker`); the tag "VAT=[nn]" (or "VAT=nn") forces rate nn for every line.
LineVatRate VatRateOfLine(std::string_view article_podatek0, const DocKind& kind,
                          bool get_vat_marker, bool vat_13_5 = false);

// The description without its "VAT=[nn]" tag (the tag is dropped once it has been
// applied to the lines). Unchanged when there is no such tag.
std::string RemoveVatTag(std::string_view opis);

// The default purchase rate of a receipt's article card: the selling rate for purchases
// and combined kinds, `j_vat` otherwise; purchases from farmers (tag ROLNIK) take the
// flat rate " 7" from January 2011, " 6" from May 2008, " 5" before. `year` is the
// four-digit year and `month` the month of the working period.
std::string DefaultPurchaseRate(const DocKind& kind, std::string_view selling_code,
                                std::string_view j_vat, int year, int month,
                                bool vat_13_5 = false);

}  // namespace hurt::documents
