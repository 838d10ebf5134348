#include "session/output/line_reader.h"

namespace hurt::session {

bool LineReader::Fill() {
  if (eof_ || !status_.ok()) return false;
  block_.resize(kBlockSize);
  size_t got = 0;
  Status s = file_->ReadAt(offset_, kBlockSize, block_.data(), &got);
  if (!s.ok()) {
    status_ = s;
    block_.clear();
    pos_ = 0;
    return false;
  }
  block_.resize(got);
  pos_ = 0;
  offset_ += got;
  if (got < kBlockSize) eof_ = true;
  return got > 0;
}

bool LineReader::Next(std::string& line) {
  line.clear();
  for (;;) {
    if (pos_ >= block_.size() && !Fill()) break;
    const size_t lf = block_.find('\n', pos_);
    if (lf == std::string::npos) {
      line.append(block_, pos_, std::string::npos);
      pos_ = block_.size();
      continue;
    }
    line.append(block_, pos_, lf - pos_);
    pos_ = lf + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ++line_number_;
    return true;
  }
  if (!status_.ok() || line.empty()) return false;
  ++line_number_;  // a last line without LF
  return true;
}

Result<std::unique_ptr<xbase::File>> OpenForReading(xbase::Env& env, const std::string& path) {
  xbase::OpenOptions options;
  options.write = false;
  auto file = env.Open(path, options);
  if (!file.ok() && file.status().IsNotFound()) return Status::NotFound("Brak pliku " + path);
  return file;
}

}  // namespace hurt::session
