#include "shell/text_file_editor.h"

#include "base/text.h"
#include "console/message_window.h"
#include "console/text_editor.h"
#include "session/session.h"
#include "session/viewer.h"

namespace hurt::shell {

namespace {

Result<std::string> ReadWhole(Session& session, const std::string& path, uint64_t size) {
  auto file = session.env().Open(path, xbase::OpenOptions{.write = false});
  HURT_RETURN_IF_ERROR(file.status());
  std::string text(static_cast<size_t>(size), '\0');
  size_t have = 0;
  while (have < text.size()) {
    size_t got = 0;
    HURT_RETURN_IF_ERROR((*file)->ReadAt(have, text.size() - have, text.data() + have, &got));
    if (got == 0) break;
    have += got;
  }
  // A file that shrank meanwhile is not edited: saving a part of it would lose the rest.
  if (have != text.size()) return Status::IoError("plik zmienil sie w czasie odczytu");
  return text;
}

}  // namespace

Status ReplaceFileText(Session& session, const std::string& path, std::string_view text) {
  const std::string temporary = path + ".tmp";
  Status st = Status::Ok();
  {
    auto file = session.env().Open(temporary, xbase::OpenOptions{.write = true, .create = true, .truncate = true});
    st = file.status();
    if (st.ok()) st = (*file)->WriteAt(0, text);
    if (st.ok()) st = (*file)->Sync();
  }
  if (st.ok()) st = session.env().Rename(temporary, path);
  if (!st.ok()) (void)session.env().Remove(temporary);
  return st;
}

bool EdytujPlik(Session& session, const std::string& file) {
  console::Console& con = session.con();
  const std::string path = session.root() + "/" + file;
  auto opened = session.env().Open(path, xbase::OpenOptions{.write = false});
  if (!opened.ok()) {
    console::Okno_(con, "Brak pliku " + file, 3);
    return false;
  }
  auto size = (*opened)->Size();
  opened->reset();
  if (!size.ok()) {
    console::Okno_(con, "Blad odczytu pliku " + file, 3);
    return false;
  }
  if (*size > kEditorMostBytes) {
    console::Okno_(con, "Plik " + file + " za duzy do edycji (ponad 2 MB)", 3);
    return false;
  }
  auto text = ReadWhole(session, path, *size);
  if (!text.ok()) {
    console::Okno_(con, "Blad odczytu pliku " + file, 3);
    return false;
  }
  console::TextEditor editor(con, *text, file);
  return editor.Run([&](const std::string& edited) {
    if (ReplaceFileText(session, path, edited).ok()) return true;
    console::Okno_(con, "Blad zapisu pliku " + file + " - zmiany nie zapisane", 3);
    return false;
  });
}

void Medit(Session& session) { (void)EdytujPlik(session, session::StationReportFile(session)); }

}  // namespace hurt::shell
