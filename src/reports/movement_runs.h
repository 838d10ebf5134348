// The scratch files of the warehouse movement statement: what the pass gathered, in sorted
// runs, merged at the end so that every row of the work table is written once, appended
// in the order of its index.
//
// <base>.tmp holds, one after the other:
//   the cards   the first month's article cards of the warehouse in the order of its
//               index (fixed records: the key, then what the caller keeps of the card);
//   the runs    what the lines added per article while the buffer held them, sorted by
//               article code (records of varying length: the key, which columns the lines
//               changed, the additions of those columns only, and for an article without
//               a card what a row made from its first line of the run needs).
// <base>.tmk holds the cards' keys alone: a run is written alongside them to know which
// of its articles have a card.
// Merge reads the cards and every run at once, each through a buffer of its own (their
// total bounded), and hands over the articles in key order: each with its card (if any)
// and what each run added to it, in the order the runs were written.
//
// The files are the station's own: they are created empty and removed with this object.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "xbase/env.h"

namespace hurt::reports {

// The work table's columns the lines change, in the order of the table.
enum MovementColumn {
  kBoI, kBoW, kPdI, kPdW, kPzI, kPzW, kPzV, kPzB, kRsI, kRsW, kRsN, kRsV, kRsB, kRdI, kRdW, kRrI, kRrW, kColumns
};

// An article code as the pass keys it (INDEKS, 8 bytes blank-padded, compared as bytes).
using ArticleKey = std::array<char, 8>;
ArticleKey ArticleKeyOf(std::string_view indeks);
// The code as a number that orders as its bytes do.
inline uint64_t KeyOrder(const ArticleKey& key) {
  uint64_t n = 0;
  for (char c : key) n = n << 8 | static_cast<unsigned char>(c);
  return n;
}

// What a row of an article without a card is made from: its first line in the run.
struct LineRowFacts {
  std::array<char, 30> nazwa{};  // blank-padded
  std::array<char, 3> jm{};
  bool gross = false;  // NB "B": the line's price is the gross one
  double cena0 = 0, cena = 0;
};

// What the lines of one run added to one article.
struct RunEntry {
  ArticleKey indeks{};
  // The article is in the chosen group by the cards of the month the run was read in
  // (always true without a group).
  bool in_group = true;
  uint32_t changed = 0;  // bit c: column c was given a non-zero addition
  std::array<double, kColumns> add{};
  LineRowFacts facts;
};

class MovementRuns {
 public:
  // Creates (or empties) the files <base>.tmp and <base>.tmk; a card is kept as
  // `card_length` bytes.
  static Result<std::unique_ptr<MovementRuns>> Create(xbase::Env& env, const std::string& base, size_t card_length);
  static constexpr const char* kExtensions[] = {".tmp", ".tmk"};
  ~MovementRuns();
  MovementRuns(const MovementRuns&) = delete;
  MovementRuns& operator=(const MovementRuns&) = delete;

  // The cards, in key order (Corruption when one is not), before any run.
  Status AddCard(const ArticleKey& key, std::string_view card);
  // One run: the entries in key order (each key once). The line facts of an article with
  // a card are not kept.
  Status AddRun(std::span<RunEntry* const> sorted);

  size_t runs() const { return runs_.size(); }
  uint64_t cards() const { return cards_; }
  uint64_t entries() const { return entries_; }

  // Called per article in key order: `card` is its card's bytes (nullptr without one) and
  // `entries` what the runs added, in the order they were written. A second card of the
  // same key comes in a call of its own, with no entries.
  using Visit = std::function<Status(const ArticleKey& key, const std::string* card, std::span<const RunEntry> entries)>;
  // Reads everything written, once; `buffer_bytes` is shared by the readers.
  Status Merge(const Visit& visit, size_t buffer_bytes = size_t{4} << 20);

 private:
  struct Section {
    uint64_t offset = 0, bytes = 0;
  };
  class Reader;

  // A file written front to back through a buffer.
  struct Output {
    std::string path;
    std::unique_ptr<xbase::File> file;
    std::string pending;  // bytes not yet written
    uint64_t size = 0;    // bytes in the file and pending
    Status Put(std::string_view bytes);
    Status Flush();
  };

  MovementRuns(xbase::Env& env, size_t card_length) : env_(env), card_length_(card_length) {}

  xbase::Env& env_;
  size_t card_length_;
  Output data_, keys_;
  Section cards_section_;
  std::vector<Section> runs_;
  uint64_t cards_ = 0, entries_ = 0;
  uint64_t last_card_ = 0;  // the last card's key as a number
};

}  // namespace hurt::reports
