#include "session/output/report_file.h"

#include "session/output/report_paths.h"

namespace hurt::session {

namespace {

constexpr char kEsc = 27;
constexpr size_t kExtensionLength = 4;  // ".txt", ".prn"

std::string Chr(int n) { return std::string(1, static_cast<char>(static_cast<unsigned char>(n & 0xFF))); }

}  // namespace

Result<std::unique_ptr<ReportWriter>> ReportWriter::Open(xbase::Env& env, const std::string& path) {
  xbase::OpenOptions options;
  options.create = true;
  auto file = env.Open(path, options);
  if (!file.ok()) return Status::IoError("Nie moge utworzyc pliku " + path + " (" + file.status().message() + ")");
  // Marked in use before it is emptied, so a file held exclusively is left alone.
  Status held = (*file)->Lock(kReportInUseOffset, 1, xbase::LockKind::kShared, false);
  if (!held.ok()) return Status::Busy("Plik " + path + " jest uzywany");
  Status emptied = (*file)->Truncate(0);
  if (!emptied.ok()) return Status::IoError("Nie moge utworzyc pliku " + path + " (" + emptied.message() + ")");
  auto writer = std::unique_ptr<ReportWriter>(new ReportWriter(path, std::move(*file)));
  writer->buffer_.reserve(kBufferSize);
  return writer;
}

ReportWriter::~ReportWriter() { (void)Close(); }

void ReportWriter::Write(std::string_view bytes) {
  if (!file_ || !error_.ok()) return;
  buffer_.append(bytes);
  if (buffer_.size() >= kBufferSize) Flush();
}

void ReportWriter::Flush() {
  if (buffer_.empty() || !file_ || !error_.ok()) return;
  Status s = file_->WriteAt(offset_, buffer_);
  if (!s.ok()) {
    error_ = Status::IoError("Blad zapisu pliku " + path_ + " (" + s.message() + ")");
  } else {
    offset_ += buffer_.size();
  }
  buffer_.clear();
}

Status ReportWriter::Close() {
  if (file_) {
    Flush();
    file_.reset();
  }
  return error_;
}

std::string Druk(ReportWriter& out) {
  out.Write(std::string{kEsc, '3'} + Chr(28));
  return std::string{kEsc, '!'} + Chr(1);
}

std::string Druk(ReportWriter& out, int a, int b) {
  out.Write(std::string{kEsc, '3'} + Chr(a) + std::string{kEsc, '!'} + Chr(b));
  return std::string{kEsc, '!'} + Chr(b);
}

Result<std::unique_ptr<xbase::File>> HoldReportFile(xbase::Env& env, const std::string& path) {
  xbase::OpenOptions options;
  options.write = false;
  auto file = env.Open(path, options);
  if (!file.ok()) {
    if (file.status().IsNotFound()) return Status::NotFound(MissingFileText(path));
    return file.status();
  }
  HURT_RETURN_IF_ERROR((*file)->Lock(kReportInUseOffset, 1, xbase::LockKind::kShared, false));
  return file;
}

bool ReleaseReportFile(xbase::Env& env, const std::string& path) {
  if (!env.Exists(path)) return true;
  {
    xbase::OpenOptions options;  // for writing: an exclusive lock needs it
    auto file = env.Open(path, options);
    if (!file.ok()) return false;
    if (!(*file)->Lock(kReportInUseOffset, 1, xbase::LockKind::kExclusive, false).ok()) return false;
    // The exclusive lock keeps writers and viewers out while the name is removed.
    if (!env.Remove(path).ok()) return false;
  }
  return !env.Exists(path);
}

std::string ChooseReportFile(xbase::Env& env, const std::string& path) {
  if (ReleaseReportFile(env, path)) return path;
  const std::string_view name = BaseName(path);
  if (name.size() < kExtensionLength + 2) return path;
  const size_t cut = path.size() - kExtensionLength - 2;
  const std::string head = path.substr(0, cut);
  const std::string extension = path.substr(path.size() - kExtensionLength);
  std::string candidate = path;
  for (int n = 51; n <= 99; ++n) {
    candidate = head + std::to_string(n) + extension;
    if (!env.Exists(candidate) || ReleaseReportFile(env, candidate)) return candidate;
  }
  return candidate;
}

Result<std::string> RunReport(xbase::Env& env, const std::string& path, const ReportProcedure& procedure) {
  const std::string target = ChooseReportFile(env, path);
  auto writer = ReportWriter::Open(env, target);
  if (!writer.ok()) return writer.status();
  if (procedure) procedure(**writer);
  HURT_RETURN_IF_ERROR((*writer)->Close());
  return target;
}

std::string MissingFileText(std::string_view path) { return "Brak pliku " + std::string(path); }

bool WorkingOnCopy(xbase::Env& env, std::string_view data_dir) { return FileX(env, data_dir, "KOPIA.TXT"); }

}  // namespace hurt::session
