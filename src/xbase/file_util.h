// Small helpers over Env and File used by the codecs, the tools and the tests.
#pragma once

#include <string>

#include "xbase/env.h"

namespace hurt::xbase {

// Reads up to n bytes at offset into *out (resized to what was read: less at end of file).
Status ReadBytes(File& file, uint64_t offset, size_t n, std::string* out);

// The whole contents of a file.
Result<std::string> ReadWholeFile(Env& env, const std::string& path);

// Creates or replaces a file with the given bytes.
Status WriteWholeFile(Env& env, const std::string& path, std::string_view bytes);

// Replaces a file whole or not at all: the bytes are written and synced beside it as
// path + ".new", which is then renamed over it.
Status ReplaceWholeFile(Env& env, const std::string& path, std::string_view bytes);

}  // namespace hurt::xbase
