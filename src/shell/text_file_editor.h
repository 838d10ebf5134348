// MEDIT (Edytor wydrukow) and the editing of the invoice footers: a text file of the data
// directory opened in the plain editor (console/text_editor.h).
//
// A file over kEditorMostBytes is not opened ("Plik <name> za duzy do edycji (ponad
// 2 MB)"); a missing one is told ("Brak pliku <name>"). Saving writes the whole text to a
// temporary file beside it ("<name>.tmp"), forces it to disk and renames it over the
// file, so the file is at every moment either the old text or the new one, never a half
// of it. A failed save says so ("Blad zapisu pliku <name> - zmiany nie zapisane"), leaves
// the file as it was and keeps the editor open.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/result.h"
#include "session/session_fwd.h"

namespace hurt::shell {

using session::Session;

inline constexpr uint64_t kEditorMostBytes = 2 * 1024 * 1024;

// `file` relative to the data directory. True when the file was saved.
bool EdytujPlik(Session& session, const std::string& file);

// Writes `text` over `path` through a temporary file and a rename.
Status ReplaceFileText(Session& session, const std::string& path, std::string_view text);

// MEDIT: the station's report file (rob/wydrukNN.prn) in the editor.
void Medit(Session& session);

}  // namespace hurt::shell
