#include "base/result.h"

namespace hurt {

namespace {
const char* CodeName(StatusCode code) {
  switch (code) {
    case StatusCode::kOk: return "OK";
    case StatusCode::kNotFound: return "Not found";
    case StatusCode::kCorruption: return "Corruption";
    case StatusCode::kIoError: return "IO error";
    case StatusCode::kBusy: return "Busy";
    case StatusCode::kInvalid: return "Invalid";
    case StatusCode::kUnsupported: return "Unsupported";
  }
  return "Unknown";
}
}  // namespace

std::string Status::ToString() const {
  if (ok()) return "OK";
  return std::string(CodeName(code_)) + ": " + message_;
}

Status Status::Prefixed(const std::string& context) const {
  if (ok()) return *this;
  return Status(code_, context + ": " + message_);
}

}  // namespace hurt
