#include "store/net_files.h"

#include <memory>

#include "base/text.h"

namespace hurt::store {

std::string InRoot(std::string_view root, std::string_view relative) {
  if (root.empty() || root == "." || (!relative.empty() && relative.front() == '/')) return std::string(relative);
  return std::string(root) + "/" + std::string(relative);
}

namespace {

std::string Digits(int n, int width) {
  std::string text = std::to_string(n);
  return std::string(static_cast<size_t>(width) - text.size(), '0') + text;
}

// Appends bytes at the end of a file (created when missing).
Status AppendToFile(xbase::Env& env, const std::string& path, std::string_view bytes) {
  xbase::OpenOptions options;
  options.create = true;
  auto file = env.Open(path, options);
  if (!file.ok()) return file.status();
  auto size = (*file)->Size();
  if (!size.ok()) return size.status();
  return (*file)->WriteAt(*size, bytes);
}

// Reads a text file line by line without holding it all: each call gives the next line
// without its CR LF (or LF).
class LineReader {
 public:
  explicit LineReader(xbase::File& file) : file_(file) {}

  // False at the end of the file; errors are kept in status().
  bool Next(std::string* line) {
    line->clear();
    while (true) {
      if (pos_ == buffer_.size()) {
        if (eof_) return !line->empty();
        buffer_.resize(kChunk);
        size_t got = 0;
        status_ = file_.ReadAt(offset_, kChunk, buffer_.data(), &got);
        if (!status_.ok()) return false;
        buffer_.resize(got);
        offset_ += got;
        pos_ = 0;
        if (got < kChunk) eof_ = true;
        if (got == 0) return !line->empty();
      }
      const size_t nl = buffer_.find('\n', pos_);
      if (nl == std::string::npos) {
        line->append(buffer_, pos_, std::string::npos);
        pos_ = buffer_.size();
        continue;
      }
      line->append(buffer_, pos_, nl - pos_);
      pos_ = nl + 1;
      if (!line->empty() && line->back() == '\r') line->pop_back();
      return true;
    }
  }
  const Status& status() const { return status_; }

 private:
  static constexpr size_t kChunk = 64 * 1024;
  xbase::File& file_;
  std::string buffer_;
  size_t pos_ = 0;
  uint64_t offset_ = 0;
  bool eof_ = false;
  Status status_;
};

}  // namespace

std::string UsunSpacje(std::string_view text) { return RemoveBlanks(text); }

std::string Str2(int n) {
  if (n <= 0 || n > 99) return "00";
  return Digits(n, 2);
}

std::string Str3(int n) {
  if (n < 0 || n > 999) return "000";
  return Digits(n, 3);
}

std::string FindFileX(xbase::Env& env, std::string_view name) {
  const std::string bare = UsunSpacje(name);
  if (bare.empty()) return {};
  const size_t slash = bare.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : bare.substr(0, slash + 1);
  const std::string base = bare.substr(dir.size());
  if (base.empty()) return {};
  for (const std::string& folder : {dir, Lower(dir)}) {
    for (const std::string& spelling : {Lower(base), Upper(base)}) {
      std::string path = folder + spelling;
      if (env.Exists(path)) return path;
    }
    if (folder == Lower(dir)) break;
  }
  return {};
}

bool FileX(xbase::Env& env, std::string_view name) { return !FindFileX(env, name).empty(); }

std::string NormalFileName(std::string_view name) {
  std::string path = AllTrim(name);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  if (!path.empty() && path[0] == '/') return path;
  return Lower(path);
}

Status DoklejTxt(xbase::Env& env, std::string_view file, std::string_view line) {
  std::string bytes(line);
  bytes += "\r\n";
  return AppendToFile(env, std::string(file), bytes);
}

Result<int> Fdoklej(xbase::Env& env, std::string_view target, std::string_view source,
                    std::optional<int> max_lines) {
  const std::string source_path(source);
  if (!env.Exists(source_path)) return 0;
  xbase::OpenOptions options;
  options.write = false;
  auto in = env.Open(source_path, options);
  if (!in.ok()) return in.status();
  xbase::OpenOptions out_options;
  out_options.create = true;
  auto out_file = env.Open(std::string(target), out_options);
  if (!out_file.ok()) return out_file.status();
  auto size = (*out_file)->Size();
  if (!size.ok()) return size.status();
  uint64_t at = *size;
  auto flush = [&](std::string* pending) -> Status {
    HURT_RETURN_IF_ERROR((*out_file)->WriteAt(at, *pending));
    at += pending->size();
    pending->clear();
    return Status::Ok();
  };

  LineReader reader(**in);
  std::string line;
  std::string out;
  int count = 0;
  while ((!max_lines || count < *max_lines) && reader.Next(&line)) {
    if (IsBlank(line)) continue;
    out += line;
    out += "\r\n";
    ++count;
    if (out.size() >= 64 * 1024) HURT_RETURN_IF_ERROR(flush(&out));
  }
  if (!reader.status().ok()) return reader.status();
  HURT_RETURN_IF_ERROR(flush(&out));
  return count;
}

}  // namespace hurt::store
