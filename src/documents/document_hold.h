// A hold on posted documents while a station works on them for a long time: a posted
// document opened for correction, the issue notes an invoice is being made from.
//
// A record lock of `dowod` cannot serve: it would have to be kept across the operator's
// typing while the same work area locks and unlocks other headers. The hold is a lock on
// one byte of the shared file rob/dowody.lck, at the offset of the header's record number
// in the current month's `dowod`. It belongs to the station's open file, so it vanishes
// with the program, however it ends. Another station asking for a held document is told
// that it is worked on elsewhere.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "xbase/env.h"

namespace hurt::documents {

class DocumentHold {
 public:
  DocumentHold() = default;
  DocumentHold(DocumentHold&&) = default;
  DocumentHold& operator=(DocumentHold&&) = default;
  ~DocumentHold() = default;

  // Holds the headers `recnos` of `dowod`, all or none, without waiting: Busy naming the
  // first that another station holds.
  Status Take(xbase::Env& env, std::string_view root, const std::vector<uint32_t>& recnos);
  // Lets every held header go.
  void Release();
  bool Holds(uint32_t recno) const;
  const std::vector<uint32_t>& held() const { return held_; }

 private:
  std::unique_ptr<xbase::File> file_;
  std::vector<uint32_t> held_;
};

// True when another station holds header `recno` (probed without keeping it).
bool HeldElsewhere(xbase::Env& env, std::string_view root, uint32_t recno);

// "rob/dowody.lck" under the data directory.
std::string HoldFilePath(std::string_view root);

}  // namespace hurt::documents
