#include "session/output/report_copy.h"

#include <functional>

#include "base/text.h"
#include "session/output/line_reader.h"
#include "session/output/report_file.h"
#include "session/output/report_paths.h"
#include "store/schema.h"

namespace hurt::session {

namespace {

constexpr size_t kBlock = 64 * 1024;

constexpr std::string_view kDatabaseExtensions[] = {".dbf", ".ntx", ".dbt", ".mem", ".ini"};

// An absolute path, a drive or a step up out of a folder.
bool LeavesTheFolder(std::string_view name) {
  if (name.front() == '/' || name.find(':') != std::string_view::npos) return true;
  size_t start = 0;
  for (;;) {
    const size_t slash = name.find('/', start);
    if (name.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start) == "..")
      return true;
    if (slash == std::string_view::npos) return false;
    start = slash + 1;
  }
}

bool IsDatabaseFile(std::string_view base, CopyKind kind) {
  const std::string lower = Lower(base);
  for (std::string_view extension : kDatabaseExtensions) {
    if (kind == CopyKind::kTable && extension == ".dbf") continue;
    if (lower.ends_with(extension)) return true;
  }
  return store::IsCatalogueFileName(lower);
}

}  // namespace

Status WriteReplacing(xbase::Env& env, const std::string& to, const std::function<Status(xbase::File& out)>& fill) {
  const std::string temp = to + ".tmp";
  {
    xbase::OpenOptions create;
    create.create = true;
    create.truncate = true;
    auto file = env.Open(temp, create);
    if (!file.ok()) return Status::IoError("Nie moge utworzyc pliku " + to + " (" + file.status().message() + ")");
    Status written = fill(**file);
    if (written.ok()) written = (*file)->Sync();
    if (!written.ok()) {
      file->reset();
      (void)env.Remove(temp);
      return Status::IoError("Blad zapisu pliku " + to + " (" + written.message() + ")");
    }
  }
  Status renamed = env.Rename(temp, to);
  if (!renamed.ok()) {
    (void)env.Remove(temp);
    return Status::IoError("Nie moge zapisac pliku " + to + " (" + renamed.message() + ")");
  }
  return Status::Ok();
}

Status WriteFileReplacing(xbase::Env& env, const std::string& path, std::string_view bytes) {
  return WriteReplacing(env, path, [&](xbase::File& out) { return out.WriteAt(0, bytes); });
}

Status CopyFileReplacing(xbase::Env& env, const std::string& from, const std::string& to) {
  auto source = OpenForReading(env, from);
  if (!source.ok()) return source.status();
  return WriteReplacing(env, to, [&](xbase::File& out) {
    std::string block(kBlock, '\0');
    uint64_t offset = 0;
    for (;;) {
      size_t got = 0;
      HURT_RETURN_IF_ERROR((*source)->ReadAt(offset, block.size(), block.data(), &got));
      if (got == 0) break;
      HURT_RETURN_IF_ERROR(out.WriteAt(offset, std::string_view(block.data(), got)));
      offset += got;
      if (got < block.size()) break;
    }
    return Status::Ok();
  });
}

bool IsCsvCopy(std::string_view target) { return Lower(target).ends_with(".csv"); }

std::optional<std::string> CopyPromptRefusal(std::string_view typed, bool confirmed_with_enter) {
  if (!confirmed_with_enter) return std::string("Nie kopiuje (brak Enter)");
  if (AllTrim(typed).empty()) return std::string("Nie kopiuje (nie podano pliku)");
  return std::nullopt;
}

Result<std::string> CopyTarget(std::string_view data_dir, int station, std::string_view typed, CopyKind kind) {
  std::string name = OperatorFileName(typed);
  if (name.empty() || BaseName(name).empty()) return Status::Invalid("Nie kopiuje (nie podano pliku)");
  if (LeavesTheFolder(name)) return Status::Invalid("Niedozwolona sciezka pliku");
  if (kind == CopyKind::kTable && BaseName(name).find('.') == std::string_view::npos) name += ".dbf";
  if (IsDatabaseFile(BaseName(name), kind)) return Status::Invalid("Plik bazy - nie kopiuje: " + name);
  return JoinPath(CopyFolder(data_dir, station), name);
}

std::string ShownCopyName(std::string_view data_dir, std::string_view target) {
  const std::string prefix = JoinPath(data_dir, "");
  if (!data_dir.empty() && target.starts_with(prefix)) return std::string(target.substr(prefix.size()));
  return std::string(target);
}

Status MakeCopyFolder(xbase::Env& env, std::string_view data_dir, int station) {
  const std::string folder = CopyFolder(data_dir, station);
  Status made = env.CreateDirs(folder);
  if (!made.ok()) return Status::IoError("Nie moge utworzyc katalogu " + folder + " (" + made.message() + ")");
  return Status::Ok();
}

CopyOutcome KopiujDoTxt(xbase::Env& env, std::string_view data_dir, int station, const std::string& report,
                        std::string_view typed, bool confirmed_with_enter, const ReplaceQuestion& may_replace) {
  CopyOutcome outcome;
  if (auto refusal = CopyPromptRefusal(typed, confirmed_with_enter)) {
    outcome.result = *refusal;
    return outcome;
  }
  auto target = CopyTarget(data_dir, station, typed, CopyKind::kText);
  if (!target.ok()) {
    outcome.result = target.status().message();
    return outcome;
  }
  outcome.target = *target;
  if (env.Exists(outcome.target) && !may_replace(outcome.target)) {
    outcome.result = std::string(kNotReplaced);
    return outcome;
  }
  if (Status made = MakeCopyFolder(env, data_dir, station); !made.ok()) {
    outcome.result = made.message();
    return outcome;
  }
  outcome.progress = "Kopiuje " + report + " -> " + outcome.target;
  Status copied = CopyFileReplacing(env, report, outcome.target);
  if (!copied.ok()) {
    outcome.result = copied.IsNotFound() ? MissingFileText(report) : copied.message();
    return outcome;
  }
  outcome.copied = true;
  outcome.result = "Skopiowano do " + ShownCopyName(data_dir, outcome.target);
  return outcome;
}

Result<std::string> KopiujDoPdf(xbase::Env& env, std::string_view data_dir, int station, const std::string& report) {
  const std::string target = PdfCopyFileName(data_dir, station);
  HURT_RETURN_IF_ERROR(CopyFileReplacing(env, report, target));
  return target;
}

}  // namespace hurt::session
