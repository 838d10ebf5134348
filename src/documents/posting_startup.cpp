// What the first station does at start-up for postings of stations that are gone:
// half-done postings are taken back and provisional reservations cleared.
#include <algorithm>
#include <string>

#include "base/text.h"
#include "documents/posting.h"
#include "documents/posting_internal.h"
#include "documents/posting_journal.h"
#include "base/cp852.h"
#include "documents/posting_internal.h"
#include "shell/session.h"
#include "shell/store_ui.h"
#include "store/net_use.h"

namespace hurt::documents {

using posting_internal::AreaOf;

Result<int> RecoverPostings(shell::Session& session) {
  xbase::Env& env = session.env();
  const std::string folder = session.Path("rob");
  if (!env.IsDir(folder)) return 0;
  auto names = env.ListDir(folder);
  HURT_RETURN_IF_ERROR(names.status());
  std::vector<std::string> journals;
  for (const std::string& name : *names) {
    const std::string lower = Lower(name);
    if (lower.size() > 8 && lower.rfind("post", 0) == 0 && lower.substr(lower.size() - 4) == ".jnl") {
      journals.push_back(folder + "/" + name);
    }
  }
  std::sort(journals.begin(), journals.end());
  int undone = 0;
  for (const std::string& path : journals) {
    auto file = env.Open(path, xbase::OpenOptions{.write = false});
    HURT_RETURN_IF_ERROR(file.status());
    auto size = (*file)->Size();
    HURT_RETURN_IF_ERROR(size.status());
    std::string text(static_cast<size_t>(*size), '\0');
    size_t got = 0;
    HURT_RETURN_IF_ERROR((*file)->ReadAt(0, text.size(), text.data(), &got));
    text.resize(got);
    file->reset();
    auto journal = DecodeJournal(text);
    if (journal.ok()) {
      HURT_RETURN_IF_ERROR(UndoJournal(session.areas(), session.root(), *journal));
      ++undone;
    } else if (!journal.status().IsNotFound()) {
      return journal.status();  // a damaged journal is left for the operator to look at
    }
    // A journal cut short was being written when its station died: nothing was touched.
    HURT_RETURN_IF_ERROR(RemoveJournal(env, path));
  }
  return undone;
}

Result<int> ClearReservations(shell::Session& session, store::StoreUi& ui) {
  xbase::WorkArea* as = AreaOf(session, store::TableId::kAs);
  if (as == nullptr) return Status::NotFound("as is not open");
  const int field = as->FieldIndex("REZERWA0");
  if (field < 0) return 0;
  HURT_RETURN_IF_ERROR(store::FilLockArea(ui, *as, 10));
  const int saved_order = as->order();
  const uint32_t saved = as->recno();
  int changed = 0;
  Status st = as->SetOrder(0);
  if (st.ok()) st = as->GoTop();
  while (st.ok() && !as->eof()) {
    auto v = as->Get(field);
    if (!v.ok()) {
      st = v.status();
      break;
    }
    if (v->AsNumber() != 0) {
      st = as->Replace(field, xbase::Value(0.0));
      if (!st.ok()) break;
      ++changed;
    }
    st = as->Skip();
  }
  if (st.ok()) st = as->Commit();
  const Status unlocked = as->Unlock();
  (void)as->SetOrder(saved_order);
  (void)as->GoTo(saved);
  HURT_RETURN_IF_ERROR(st);
  HURT_RETURN_IF_ERROR(unlocked);
  return changed;
}

void FirstStationPostingCleanUp(shell::Session& session) {
  using namespace hurt::literals;
  auto undone = RecoverPostings(session);
  if (!undone.ok()) {
    posting_internal::Tell(session, "Błąd dziennika zapisu dowodów - sprawdź katalog rob"_pl);
  } else if (*undone > 0) {
    posting_internal::Tell(session, "Cofnięto niedokończony zapis dowodu"_pl);
  }
  shell::ConsoleStoreUi ui(session.con());
  (void)ClearReservations(session, ui);
}

}  // namespace hurt::documents
