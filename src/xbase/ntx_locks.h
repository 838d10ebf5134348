// The byte-range locks of an NTX file (the classic Clipper scheme).
//
// Kept here, in one place, until the engine's common lock layout takes them over.
//
//   byte            length kind       who, when
//   1,000,000,000   1      shared     every reader, around one read operation (seek, skip,
//                                     top, bottom); waits while an update runs
//   1,000,000,000   1      exclusive  a writer, around one update (insert, remove): it
//                                     re-reads the header, changes pages, writes them and
//                                     then the header with version + 1, and releases
//   0x7FFFFFFF      1      shared     held while the index is open shared
//   0x7FFFFFFF      1      exclusive  held while the index is open exclusively or being
//                                     rebuilt; a conflicting open fails at once (Busy)
//
// The locks are OFD locks of the File (see env.h), so two NtxIndex objects of one process
// exclude each other exactly as two processes do.
#pragma once

#include <cstdint>

namespace hurt::xbase::ntx_lock {

constexpr uint64_t kIndexByte = 1'000'000'000;  // read (shared) and update (exclusive) lock
constexpr uint64_t kOpenModeByte = 0x7FFFFFFF;  // open mode: shared or exclusive
constexpr uint64_t kLength = 1;

}  // namespace hurt::xbase::ntx_lock
