#include "shell/company.h"

#include <algorithm>
#include <deque>
#include <span>
#include <string>
#include <vector>

#include "base/cp852.h"
#include "base/text.h"
#include "console/form.h"
#include "console/keys.h"
#include "console/message_window.h"
#include "session/session.h"
#include "shell/startup_util.h"

namespace hurt::shell {

using namespace literals;

namespace {

constexpr int kLockSeconds = 10;
constexpr int kLabelCol = 1;
constexpr int kFieldCol = 17;
constexpr int kMaxShown = 60;

struct FieldPlace {
  int row;
  std::string_view label;  // UTF-8 source text, converted when shown
  std::string_view field;
};

// Labels are written here without Polish letters where the old screen had none.
const FieldPlace kPage1[] = {
    {2, "Nazwa firmy    :", "NODB"},   {3, "", "NODB1"},
    {4, "", "NODB2"},                  {5, "", "NODB3"},
    {6, "", "NODB4"},                  {7, "Ulica          :", "UODB"},
    {8, "Kod pocztowy   :", "KODB"},   {9, "Miejscowosc    :", "MODB"},
    {10, "Kraj (NIP)     :", "NIP_KRAJ"}, {11, "NIP            :", "REGON"},
    {12, "Telefon        :", "TEL"},   {13, "E-mail         :", "E_MAIL"},
    {14, "Bank           :", "BODB"},  {15, "Rachunek       :", "NRBO"},
    {16, "Wyciagi        :", "WYCIAGI"}, {17, "BDO            :", "BDO"},
    {18, "KRS            :", "KRS_NR"}, {19, "Sad rejestrowy :", "KRS_SAD"},
    {20, "Kapital        :", "KAPITAL"}, {21, "Oddzial        :", "ODDZIAL"},
    {22, "Serwer poczty  :", "SMTP"},
};
const FieldPlace kPage2[] = {
    {2, "Bank 1         :", "BODB1"},  {3, "Rachunek 1     :", "NRBO1"},  {4, "Wyciagi 1      :", "WYCIAGI1"},
    {6, "Bank 2         :", "BODB2"},  {7, "Rachunek 2     :", "NRBO2"},  {8, "Wyciagi 2      :", "WYCIAGI2"},
    {10, "Bank 3         :", "BODB3"}, {11, "Rachunek 3     :", "NRBO3"}, {12, "Wyciagi 3      :", "WYCIAGI3"},
    {14, "Bank 4         :", "BODB4"}, {15, "Rachunek 4     :", "NRBO4"}, {16, "Wyciagi 4      :", "WYCIAGI4"},
};

// One edited field: its buffer, kept at a fixed address for the form.
struct Buffer {
  std::string field;
  int index = -1;
  char type = 'C';
  std::string text;
  double number = 0;
};

// Shows one page; the key that ended it (Esc, PgUp or the end of the page).
int EditPage(Session& session, std::span<const FieldPlace> page, std::deque<Buffer>& buffers, int number) {
  console::Console& con = session.con();
  con.Clear();
  con.Say(0, 0, PadC("DANE FIRMY  (" + std::to_string(number) + "/2)", 80));
  con.Say(24, 0, " PgDn-Dalej   PgUp-Wstecz   Esc-Rezygnacja");
  console::Form form(con);
  for (const FieldPlace& place : page) {
    auto it = std::find_if(buffers.begin(), buffers.end(), [&](const Buffer& b) { return b.field == place.field; });
    if (it == buffers.end()) continue;
    if (!place.label.empty()) form.Say(place.row, kLabelCol, place.label);
    if (it->type == 'N') {
      form.GetNumber(place.row, kFieldCol, it->number, "999999999999");
    } else {
      console::GetField& get = form.GetText(place.row, kFieldCol, it->text);
      if (static_cast<int>(it->text.size()) > kMaxShown) get.Width(kMaxShown);
    }
  }
  if (form.size() == 0) return console::key::kPgDn;
  console::ReadResult r = form.Read();
  if (r.escaped) return console::key::kEsc;
  return r.exit_key == console::key::kPgUp ? console::key::kPgUp : console::key::kPgDn;
}

}  // namespace

bool EdFirmy(Session& session) {
  xbase::WorkArea* firma = session.areas().Area(1);
  if (firma == nullptr) return false;
  console::SavedScreen saved = session.con().SaveScreen();
  if (!firma->GoTop().ok() || firma->eof()) {
    console::Okno_(session.con(), "Brak rekordu firmy", 3);
    return false;
  }
  std::deque<Buffer> buffers;
  for (std::span<const FieldPlace> page : {std::span<const FieldPlace>(kPage1), std::span<const FieldPlace>(kPage2)}) {
    for (const FieldPlace& place : page) {
      int i = firma->FieldIndex(place.field);
      if (i < 0) continue;
      const xbase::DbfFieldDescriptor& f = firma->field(i);
      if (f.type != 'C' && f.type != 'N') continue;
      Buffer b{std::string(place.field), i, f.type, "", 0};
      auto v = firma->Get(i);
      if (f.type == 'N') {
        b.number = v.ok() ? v->AsNumber() : 0;
      } else {
        b.text = PadR(v.ok() ? v->AsString() : "", static_cast<size_t>(f.width));
      }
      buffers.push_back(std::move(b));
    }
  }

  int page = 1;
  for (;;) {
    int exit = page == 1 ? EditPage(session, kPage1, buffers, 1) : EditPage(session, kPage2, buffers, 2);
    if (exit == console::key::kEsc) {
      session.con().RestoreScreen(saved);
      return false;
    }
    if (exit == console::key::kPgUp) {
      page = 1;
      continue;
    }
    if (page == 1) {
      page = 2;
      continue;
    }
    break;
  }

  if (!LockWithWait(session, *firma, kLockSeconds)) {
    session.con().RestoreScreen(saved);
    console::Okno_(session.con(), "Dane firmy nie zapisane - rekord zajety", 3);
    return false;
  }
  bool written = true;
  for (const Buffer& b : buffers) {
    Status s = b.type == 'N' ? firma->Replace(b.index, xbase::Value(b.number))
                             : firma->Replace(b.index, xbase::Value(b.text));
    written = written && s.ok();
  }
  // Made durable before the lock goes, so that what another station reads is on disk.
  written = written && firma->Commit().ok();
  written = firma->Unlock().ok() && written;
  session.con().RestoreScreen(saved);
  if (!written) console::Okno_(session.con(), "Dane firmy nie zapisane - blad zapisu na dysk", 3);
  return written;
}

}  // namespace hurt::shell
