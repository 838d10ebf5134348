#include "session/output/report_copy.h"

#include <functional>

#include "base/text.h"
#include "session/output/line_reader.h"
#include "session/output/report_file.h"
#include "session/output/report_paths.h"

namespace hurt::session {

namespace {

constexpr size_t kBlock = 64 * 1024;

// Writes through "<to>.tmp": fill writes the content, then the file is synced and renamed.
Status WriteReplacing(xbase::Env& env, const std::string& to,
                      const std::function<Status(xbase::File& out)>& fill) {
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

}  // namespace

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

std::optional<std::string> CopyPromptRefusal(std::string_view typed, bool confirmed_with_enter) {
  if (!confirmed_with_enter) return std::string("Nie kopiuje (brak Enter)");
  if (AllTrim(typed).empty()) return std::string("Nie kopiuje (nie podano pliku)");
  return std::nullopt;
}

CopyOutcome KopiujDoTxt(xbase::Env& env, std::string_view data_dir, const std::string& report,
                        std::string_view typed, bool confirmed_with_enter) {
  CopyOutcome outcome;
  if (auto refusal = CopyPromptRefusal(typed, confirmed_with_enter)) {
    outcome.result = *refusal;
    return outcome;
  }
  const std::string name = OperatorFileName(typed);
  outcome.target = name[0] == '/' ? name : JoinPath(data_dir, name);
  outcome.progress = "Kopiuje " + report + " -> " + outcome.target;
  Status copied = CopyFileReplacing(env, report, outcome.target);
  if (!copied.ok()) {
    outcome.result = copied.IsNotFound() ? MissingFileText(report) : copied.message();
    return outcome;
  }
  outcome.copied = true;
  outcome.result = "Skopiowano do " + outcome.target;
  return outcome;
}

Result<std::string> KopiujDoPdf(xbase::Env& env, std::string_view data_dir, int station, const std::string& report) {
  const std::string target = PdfCopyFileName(data_dir, station);
  HURT_RETURN_IF_ERROR(CopyFileReplacing(env, report, target));
  return target;
}

}  // namespace hurt::session
