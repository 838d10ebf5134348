#include "xbase/file_util.h"

namespace hurt::xbase {

Status ReadBytes(File& file, uint64_t offset, size_t n, std::string* out) {
  out->resize(n);
  size_t got = 0;
  Status s = file.ReadAt(offset, n, out->data(), &got);
  out->resize(got);
  return s;
}

Result<std::string> ReadWholeFile(Env& env, const std::string& path) {
  OpenOptions options;
  options.write = false;
  auto file = env.Open(path, options);
  if (!file.ok()) return file.status();
  auto size = (*file)->Size();
  if (!size.ok()) return size.status();
  std::string bytes;
  HURT_RETURN_IF_ERROR(ReadBytes(**file, 0, static_cast<size_t>(*size), &bytes));
  return bytes;
}

Status WriteWholeFile(Env& env, const std::string& path, std::string_view bytes) {
  OpenOptions options;
  options.create = true;
  options.truncate = true;
  auto file = env.Open(path, options);
  if (!file.ok()) return file.status();
  return (*file)->WriteAt(0, bytes);
}

Status ReplaceWholeFile(Env& env, const std::string& path, std::string_view bytes) {
  const std::string beside = path + ".new";
  {
    auto file = env.Open(beside, OpenOptions{.write = true, .create = true, .truncate = true});
    if (!file.ok()) return file.status();
    HURT_RETURN_IF_ERROR((*file)->WriteAt(0, bytes));
    HURT_RETURN_IF_ERROR((*file)->Sync());
  }
  return env.Rename(beside, path);
}

}  // namespace hurt::xbase
