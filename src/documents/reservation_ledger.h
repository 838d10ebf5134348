// The reservation ledger of a station: what the document it is editing holds back on each
// article card, so that anyone can take it back when the station is gone.
//
// REZERWA0 on an article card is the sum of what every running station holds of it. Each
// station writes down its own part here, in rob/rez<nn>.txt, always under the record lock
// of the article and before it changes REZERWA0. When a station dies, another one takes
// its ledger back by setting REZERWA0 of each article the ledger names to the sum of the
// ledgers of the stations still alive (read under the same record lock), which is right
// whatever step the dead station was at.
//
// Per article the ledger keeps the quantity of the document's reserving lines and the
// credit: what the posted document being corrected already took of the article. That
// stock is the document's own while it is corrected, so the station holds only what the
// lines take beyond it:  held = max(0, lines − credit).
//
// Layout: one line per article, "<MAG><INDEKS>\t<lines>\t<credit>\n" (MAG 1 character,
// INDEKS 8, quantities with 3 decimals). The file is replaced whole (written beside it,
// then renamed) and removed when nothing is held and nothing credited.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "base/result.h"
#include "xbase/env.h"

namespace hurt::documents {

struct LedgerEntry {
  double lines = 0;   // the quantity of the document's reserving lines of the article
  double credit = 0;  // the posted quantity of the document under correction

  // The station's part of REZERWA0.
  double Held() const;
};

// By MAG + INDEKS (9 characters).
using Ledger = std::map<std::string, LedgerEntry, std::less<>>;

// "rob/rez07.txt" under the data directory.
std::string LedgerPath(std::string_view root, int station);

// The ledger in the file; an empty ledger when there is none. Corruption names the file.
Result<Ledger> ReadLedger(xbase::Env& env, const std::string& path);
// Replaces the file (removes it when the ledger holds nothing).
Status WriteLedger(xbase::Env& env, const std::string& path, const Ledger& ledger);

std::string EncodeLedger(const Ledger& ledger);
Result<Ledger> DecodeLedger(std::string_view text);

}  // namespace hurt::documents
