// VIEW_DRUK, READTEXT and DRUKOWAC.
#include "session/viewer.h"

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/form.h"
#include "console/keys.h"
#include "console/menu.h"
#include "console/message_window.h"
#include "session/output/report_paths.h"
#include "session/session.h"
#include "session/viewer_internal.h"

namespace hurt::session {

using namespace hurt::literals;
namespace key = console::key;

ViewerSetup ViewerSetup::FromProcess() {
  ViewerSetup setup;
  setup.station = StationEnvironment::FromProcess();
  return setup;
}

std::string StationReportFile(const Session& session) { return "rob/wydruk" + session.StationText() + ".prn"; }

PrinterTarget StationPrinter(Session& session, const ViewerSetup& setup) {
  PrinterConfig config;
  auto ini = VatIni::Load(session.env(), session.root());
  if (ini.ok()) config = ReadPrinterConfig(*ini, setup.station);
  const std::string lpt =
      MojsetLpt(session.env(), session.root(), static_cast<int>(session.vars().Number("M_LPT")));
  if (!lpt.empty()) config.name = lpt;
  return ResolvePrinter(config);
}

namespace {

constexpr int kPromptRow = 24;

// The grey box of the printer prompt with its inner box.
void DrawPrinterBox(console::Console& con, std::string_view line1, std::string_view line2) {
  const console::Attr grey = console::AttrOf("N/W");
  con.Box(console::kOknoTop, console::kOknoLeft, console::kOknoBottom, console::kOknoRight, console::DoubleFrame(),
          grey, ' ');
  con.screen().Put(17, 37, line1, grey);
  con.Box(18, 37, 20, 65, console::SingleFrame(), grey, ' ');
  con.screen().Put(19, 38, line2, grey);
  con.ShowCursor(false);
}

bool PortIsLpt2(Session& session) {
  return session.FileX("LPT.TXT") && static_cast<int>(session.vars().Number("M_LPT")) == 2;
}

// The name to show for a path: relative to the data directory when inside it.
std::string ShownName(const Session& session, const std::string& path) {
  const std::string prefix = session.root() + "/";
  return path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : path;
}

// A name given whole (from the root, or already under the data directory, as a picked
// file is) stays as spelt on disk; any other is a name in the data directory.
std::string FullPath(const Session& session, std::string_view file) {
  std::string name(file);
  for (char& c : name)
    if (c == '\\') c = '/';
  if (!name.empty() && name.front() == '/') return name;
  if (name.starts_with(session.root() + "/")) return name;
  return session.Path(name);
}

}  // namespace

bool Drukowac(Session& session, const ViewerSetup& setup) {
  console::Console& con = session.con();
  const console::SavedRegion saved =
      con.Save(console::kOknoTop, console::kOknoLeft, console::kOknoSavedBottom, console::kOknoRight);
  const console::CursorState cursor = con.cursor();
  auto close = [&](bool answer) {
    con.Restore(saved);
    con.SetCursorState(cursor);
    return answer;
  };

  // 1. The prompt; Space typed ahead (or just used) goes straight on.
  DrawPrinterBox(con, "    PRZYGOTUJ  DRUKARKE", "  Wcisnij dowolny klawisz");
  int k = con.LastKey();
  if (k != key::kSpace) k = con.WaitKey();  // a Space typed ahead ends this wait at once
  // 2. Esc gives up; Tab chooses the port where the station has two.
  if (k == key::kEsc) return close(false);
  if (k == key::kTab && session.FileX("LPT.TXT")) {
    const int current = static_cast<int>(session.vars().Number("M_LPT")) == 2 ? 2 : 1;
    console::Menu ports(con);
    ports.Prompt(19, 40, "1. LPT1").Prompt(19, 50, "2. LPT2");
    const int port = ports.Run(current).choice;
    if (port == 0) return close(false);
    session.vars().Set("M_LPT", xbase::Value(static_cast<double>(port)));
  }

  // 3. Ready?
  const PrinterTarget target = StationPrinter(session, setup);
  if (PortIsLpt2(session) || PrinterReady(session.env(), session.root(), target)) return close(true);

  // 4. Not ready: one more chance after a key.
  DrawPrinterBox(con, "DRUKARKA NIE JEST GOTOWA ", "  Wcisnij dowolny klawisz");
  if (con.WaitKey() == key::kEsc) return close(false);
  return close(PrinterReady(session.env(), session.root(), target));
}

int ReadText(Session& session, const std::string& file, const ViewerSetup& setup) {
  console::Console& con = session.con();
  const std::string path = FullPath(session, file);
  // Held in use while shown: a report run meanwhile writes under another name.
  auto held = HoldReportFile(session.env(), path);
  if (!held.ok()) {
    console::Okno_(con, MissingFileText(ShownName(session, path)));
    return -1;
  }
  console::ViewerOptions options;
  options.name = ShownName(session, path);
  auto view = console::TextViewer::Open(con, path, options);
  if (!view.ok()) {
    console::Okno_(con, MissingFileText(options.name));
    return -1;
  }
  viewer::ViewedReport report{session, setup, path};
  auto hook = [&report, &setup](int k, console::TextViewer& v) {
    if (setup.stats != nullptr) setup.stats->bytes_read = v.file().bytes_read();
    const console::ViewerKey r = viewer::ProcessKey(report, k, v);
    if (setup.stats != nullptr) setup.stats->bytes_read = v.file().bytes_read();
    return r;
  };
  const int result = (*view)->Run(hook);
  if (setup.stats != nullptr) setup.stats->bytes_read = (*view)->file().bytes_read();
  return result;
}

bool ViewDruk(Session& session, const ReportProcedure& procedure, std::string_view file, const ViewerSetup& setup) {
  console::Console& con = session.con();
  const console::SavedScreen screen = con.SaveScreen();

  // 1. Working on a copy of the data?
  if (WorkingOnCopy(session.env(), session.root())) console::Okno_(con, kWorkingOnCopyText);

  // 2-3. The report into its file (or the first free name ending 51..99).
  std::string path = FullPath(session, file.empty() ? std::string_view(StationReportFile(session)) : file);
  if (procedure) {
    console::OknoNoWait(con, kPleaseWaitText);
    // The station's folder ("rob") is made on first use.
    if (const size_t slash = path.rfind('/'); slash != std::string::npos && slash > 0)
      (void)session.env().CreateDirs(path.substr(0, slash));
    path = ChooseReportFile(session.env(), path);
    auto writer = ReportWriter::Open(session.env(), path);
    if (writer.ok()) {
      procedure(**writer);
      // A failed write leaves what was written before it; the operator is told and sees it.
      if (Status closed = (*writer)->Close(); !closed.ok()) console::Okno_(con, closed.message(), 3);
    } else {
      console::Okno_(con, writer.status().message(), 3);
    }
  }

  // 4. The file, if there is one (a file only to be viewed may have an upper-case name).
  if (!procedure && !session.env().Exists(path)) {
    const size_t slash = path.rfind('/');
    const std::string found =
        FindFileAnyCase(session.env(), path.substr(0, slash == std::string::npos ? 0 : slash),
                        path.substr(slash == std::string::npos ? 0 : slash + 1));
    if (!found.empty()) path = found;
  }
  if (session.env().Exists(path)) {
    ReadText(session, path, setup);
  } else {
    console::Okno_(con, MissingFileText(ShownName(session, path)));
  }

  // 5. The screen as it was.
  con.RestoreScreen(screen);
  return true;
}

namespace viewer {

LineAnswer AskOnKeyRow(Session& session, std::string_view label, int width, std::string_view initial,
                       std::string_view picture) {
  console::Console& con = session.con();
  const console::SavedRegion saved = con.Save(kPromptRow, 0, kPromptRow, console::kCols - 1);
  const console::ColourSet colours = con.colours();
  const console::CursorState cursor = con.cursor();
  (void)con.SetColour("W+/N,N/W");
  con.ClearRegion(kPromptRow, 0, kPromptRow, console::kCols - 1);
  std::string value = PadR(initial, static_cast<size_t>(width));
  console::Form form(con);
  form.Say(kPromptRow, 0, label);
  form.GetText(kPromptRow, static_cast<int>(label.size()) + 1, value, picture);
  con.ShowCursor(true);
  const console::ReadResult r = form.Read();
  con.Restore(saved);
  con.SetColours(colours);
  con.SetCursorState(cursor);
  return {RTrim(value), !r.escaped && r.exit_key == key::kEnter};
}

}  // namespace viewer
}  // namespace hurt::session
