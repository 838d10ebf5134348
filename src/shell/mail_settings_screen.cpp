#include "shell/mail_settings_screen.h"

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "base/text.h"
#include "console/form.h"
#include "console/message_window.h"
#include "session/blat_table.h"
#include "session/output/mail_password.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "shell/startup_util.h"
#include "store/net_use.h"
#include "store/schema.h"
#include "xbase/table.h"

namespace hurt::shell {

namespace {

constexpr int kFirstArea = 240;
constexpr int kLastArea = 250;
constexpr double kLockSeconds = 10;
constexpr int kLabelCol = 4;
constexpr int kFieldCol = 38;
constexpr std::string_view kUpgradeFile = "blat_up.dbf";

struct Place {
  int row;
  std::string_view label;
  std::string_view field;
  bool password = false;
};

constexpr Place kPlaces[] = {
    {5, "Gdzie kopiowac ZIPy, np. C:\\ZIP :", "KOPIE_DO"},
    {6, "Gdzie wysylac ZIPy, adres e_mail:", "E_MAIL_DO"},
    {7, "Twoj login,         adres e_mail:", "E_MAIL_Z"},
    {9, "Twoje haslo do skrzynki         :", "HASLO", true},
    {10, "Serwer smtp                     :", "SMTP"},
    {11, "Port                            :", "PORT"},
    {13, "FTP                    Adres_FTP:", "ADRES_FTP"},
    {14, "                       User  FTP:", "USER_FTP"},
    {15, "                       Haslo_FTP:", "HASLO_FTP", true},
};
constexpr int kQuestionRow = 8;
constexpr int kMessageRow = 23;
constexpr std::string_view kQuestion = "pokazac haslo ?                 :";

std::vector<xbase::DbfFieldDescriptor> CatalogueFields(Session& session) {
  std::vector<xbase::DbfFieldDescriptor> out;
  for (const store::Field& f : store::ResolveFields(store::Table(store::TableId::kBlat), session.Markers()))
    out.push_back({f.name, static_cast<char>(f.type), f.width, f.decimals});
  return out;
}

// The catalogue's fields, each at least as wide as on disk, then the table's own fields
// that the catalogue does not know (memo fields excepted); empty when nothing is missing.
std::vector<xbase::DbfFieldDescriptor> UpgradedFields(const std::vector<xbase::DbfFieldDescriptor>& catalogue,
                                                      const std::vector<xbase::DbfFieldDescriptor>& existing) {
  auto find = [](const std::vector<xbase::DbfFieldDescriptor>& list, std::string_view name) {
    return std::find_if(list.begin(), list.end(), [&](const auto& f) { return Upper(f.name) == Upper(name); });
  };
  bool missing = false;
  std::vector<xbase::DbfFieldDescriptor> fields = catalogue;
  for (xbase::DbfFieldDescriptor& f : fields) {
    auto old = find(existing, f.name);
    if (old == existing.end() || old->type != f.type || old->width < f.width) {
      missing = true;
      continue;
    }
    f.width = old->width;
  }
  if (!missing) return {};
  for (const xbase::DbfFieldDescriptor& old : existing)
    if (old.type != 'M' && find(fields, old.name) == fields.end()) fields.push_back(old);
  return fields;
}

// The table made ready for editing; its path. Busy while another station has it open.
Result<std::string> PrepareBlat(Session& session) {
  xbase::Env& env = session.env();
  std::string path = session::FindBlatTable(session);
  const std::vector<xbase::DbfFieldDescriptor> catalogue = CatalogueFields(session);
  if (path.empty()) {
    path = session.Path(session::kBlatFile);
    HURT_RETURN_IF_ERROR(xbase::Table::Create(env, path, catalogue));
    return path;
  }
  auto old = xbase::Table::Open(env, path, xbase::TableMode::Exclusive());
  HURT_RETURN_IF_ERROR(old.status());
  const std::vector<xbase::DbfFieldDescriptor> fields = UpgradedFields(catalogue, (*old)->fields());
  if (fields.empty()) return path;

  const std::string scratch = path.substr(0, path.rfind('/') + 1) + std::string(kUpgradeFile);
  if (env.Exists(scratch)) HURT_RETURN_IF_ERROR(env.Remove(scratch));
  Status built = [&]() -> Status {
    HURT_RETURN_IF_ERROR(xbase::Table::Create(env, scratch, fields));
    auto fresh = xbase::Table::Open(env, scratch, xbase::TableMode::Exclusive());
    HURT_RETURN_IF_ERROR(fresh.status());
    HURT_RETURN_IF_ERROR(CopyRecords(**old, **fresh).status());
    HURT_RETURN_IF_ERROR((*fresh)->Commit());
    return (*fresh)->Close();
  }();
  Status closed = (*old)->Close();
  if (built.ok()) built = closed;
  if (built.ok()) built = env.Rename(scratch, path);  // the complete table replaces the old one
  if (!built.ok()) {
    (void)env.Remove(scratch);
    return built;
  }
  return path;
}

// One edited field and its buffer.
struct Buffer {
  const Place* place = nullptr;
  int index = -1;
  int width = 0;
  std::string text;
};

// The password fields take what fits in the field with the mark of the hidden form.
int PasswordRoom(int field_width) { return field_width - static_cast<int>(session::kHiddenPasswordMark.size()); }

bool Save(Session& session, xbase::WorkArea& blat, const std::deque<Buffer>& buffers) {
  session::ConsoleStoreUi ui(session.con());
  Status locked = blat.eof() ? store::AddRecArea(ui, blat, kLockSeconds) : store::RecLockArea(ui, blat, kLockSeconds);
  if (!locked.ok()) return false;
  Status s = Status::Ok();
  for (const Buffer& b : buffers) {
    const std::string value = b.place->password ? session::HideMailPassword(b.text) : b.text;
    s = blat.Replace(b.index, xbase::Value(value));
    if (!s.ok()) break;
  }
  if (!s.ok()) {
    blat.DiscardChanges();
    (void)blat.Unlock();
    return false;
  }
  s = blat.Flush();
  if (s.ok()) s = blat.Commit();
  Status unlocked = blat.Unlock();
  return s.ok() && unlocked.ok();
}

}  // namespace

bool ZrobBlatDbf(Session& session) {
  console::Console& con = session.con();
  auto path = PrepareBlat(session);
  if (!path.ok()) {
    console::Okno_(con, path.status().IsBusy() ? "Plik BLAT.DBF zajety" : "Nie moge przygotowac pliku BLAT.DBF", 3);
    return false;
  }
  xbase::WorkAreas& areas = session.areas();
  const int area_number = areas.FirstFree(kFirstArea, kLastArea);
  if (area_number == 0) {
    console::Okno_(con, "Brak wolnego obszaru na plik BLAT.DBF", 3);
    return false;
  }
  auto opened = areas.Open(area_number, *path, "blat");
  if (!opened.ok()) {
    console::Okno_(con, "Plik BLAT.DBF niedostepny", 3);
    return false;
  }
  xbase::WorkArea& blat = **opened;
  (void)blat.GoTop();

  std::deque<Buffer> buffers;
  for (const Place& place : kPlaces) {
    const int i = blat.FieldIndex(place.field);
    if (i < 0) continue;
    Buffer b{&place, i, blat.field(i).width, ""};
    std::string value = blat.eof() ? "" : std::string(blat.FieldBytes(i));
    if (place.password) {
      value = session::RevealMailPassword(value);
      b.text = PadR(value, static_cast<size_t>(std::max<int>(PasswordRoom(b.width), static_cast<int>(value.size()))));
    } else {
      b.text = PadR(value, static_cast<size_t>(b.width));
    }
    buffers.push_back(std::move(b));
  }

  const console::SavedScreen screen = con.SaveScreen();
  con.Clear();
  con.Say(2, kLabelCol, "USTAWIENIA POCZTY I KOPII  (BLAT)");
  con.Say(24, 0, " Enter na ostatnim polu - zapis     Esc - rezygnacja");
  console::Form form(con);
  std::string pokazac = " ";
  std::vector<console::GetField*> passwords;
  for (Buffer& b : buffers) {
    if (b.place->password && b.place->field == "HASLO") {
      form.Say(kQuestionRow, kLabelCol, kQuestion);
      form.GetText(kQuestionRow, kFieldCol, pokazac, "!").Valid([&] {
        if (pokazac != " " && pokazac != "T" && pokazac != "N") {
          con.Say(kMessageRow, 0, PadR("Wpisz T, N albo zostaw puste", 80));
          return false;
        }
        con.ClearRegion(kMessageRow, 0, kMessageRow, 79);
        for (console::GetField* g : passwords) g->Masked(pokazac != "T");
        return true;
      });
    }
    form.Say(b.place->row, kLabelCol, b.place->label);
    console::GetField& get = form.GetText(b.place->row, kFieldCol, b.text);
    get.Width(std::min(b.width, 40));
    if (b.place->password) {
      get.Masked(true);
      passwords.push_back(&get);
      const int room = PasswordRoom(b.width);
      get.Valid([&con, &b, room] {
        if (static_cast<int>(RTrim(b.text).size()) <= room) {
          con.ClearRegion(kMessageRow, 0, kMessageRow, 79);
          return true;
        }
        con.Say(kMessageRow, 0, PadR("Haslo moze miec najwyzej " + std::to_string(room) + " znakow", 80));
        return false;
      });
    }
  }
  const console::ReadResult r = form.Read();
  bool saved = false;
  if (!r.escaped) {
    saved = Save(session, blat, buffers);
    if (!saved) console::Okno_(con, "Ustawienia poczty nie zapisane - plik BLAT.DBF zajety", 3);
  }
  (void)areas.Close(area_number);
  con.RestoreScreen(screen);
  return saved;
}

}  // namespace hurt::shell
