// Finding the article of a line: by bar code (receipts with bar codes) and through the
// article pick list that the code field opens ("?", "~", "`" or a code not found).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "xbase/work_area.h"

namespace hurt::session {
class Session;
}

namespace hurt::documents {

// DESCEND() of a character key: every byte b becomes (256 − b) mod 256.
std::string DescendText(std::string_view text);

// The number of the order of `as` whose key is `expression` (compared ignoring case and
// blanks); 0 when none is attached.
int OrderWithKey(const xbase::WorkArea& as, std::string_view expression);

// The bar-code entry of a receipt: the code typed is looked up in the order DESCEND(kod13)
// of `as`; an article of warehouse `mag` is preferred to one of another warehouse. The
// area stands on the article when found (its order is restored). 0 when the table has no
// bar codes or no article carries the code; otherwise the record number.
uint32_t FindByBarCode(xbase::WorkArea& as, std::string_view code, std::string_view mag);

// The width of the bar-code field of `as` (13 when it has none).
int BarCodeWidth(const xbase::WorkArea& as);

// What the article code field asks for.
enum class ArticleLookup {
  kCode,      // an ordinary code
  kByName,    // "?": the list in name order, from the text after the mark
  kByCode,    // "~" or "`": the list in code order, from the text after the mark
};
ArticleLookup LookupOf(std::string_view typed);

// The article pick list (help list) over `as`: in name order (kByName) or in code order
// within warehouse `mag`, starting at `start` (soft seek, upper case). Enter chooses: the
// code of the article chosen (8 characters); empty after Esc. The area's order is restored.
std::string PickArticle(session::Session& session, xbase::WorkArea& as, ArticleLookup how, std::string_view mag,
                        std::string_view start);

}  // namespace hurt::documents
