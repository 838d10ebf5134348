// Posting, step 2: the locks (poster.h).

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "documents/posting.h"

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/message_window.h"
#include "documents/header_rules.h"
#include "documents/line_session.h"
#include "documents/poster.h"
#include "documents/posting_internal.h"
#include "documents/posting_journal.h"
#include "documents/posting_math.h"
#include "documents/posting_writes.h"
#include "documents/reservation_ledger.h"
#include "documents/reservations.h"
#include "documents/station_recovery.h"
#include "documents/stock_effect.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "store/net_use.h"
#include "store/station_files.h"

namespace hurt::documents::posting_internal {

using namespace hurt::literals;

// ---- 2. locks ---------------------------------------------------------------------------

bool Poster::LockRecordOf(xbase::WorkArea& a, uint32_t recno, std::string_view what) {
  const Status st = store::Retry(ui_, store::RetryRule::kPauseAfter, kRecordLockWait,
                                 [&] { return a.LockRecord(recno); });
  if (st.ok()) return true;
  return Fail(std::string(what) + std::string(" zajęty na innym stanowisku - dowód nie zapisany"_pl));
}

bool Poster::LockArticle(Article& a) {
  xbase::WorkArea* as = AreaOf(s_, store::TableId::kAs);
  const Status st = store::Retry(ui_, store::RetryRule::kPauseAfter, kArticleLockWait,
                                 [&] { return as->LockRecord(a.recno); });
  if (!st.ok()) return false;
  if (!as->GoTo(a.recno).ok()) return false;
  for (std::string_view f : kArticleFields) {
    if (as->FieldIndex(f) < 0) continue;
    auto v = as->Get(f);
    if (!v.ok()) return false;
    a.before.Set(f, *v, true);
    a.now.Set(f, *v, true);
  }
  return true;
}

bool Poster::LockArticles() {
  xbase::WorkArea* as = AreaOf(s_, store::TableId::kAs);
  if (as->order() != 1 && !as->SetOrder(1).ok()) return Fail("Plik as niedostepny");
  const bool transfer = kind_.kind.IsTransfer();
  // Every article of the new lines and of the posted ones, the destinations of transfers
  // (the new and the old destination) and the articles the station's ledger holds.
  std::vector<std::pair<std::string, std::string>> keys;  // key, the source of a new destination
  auto add = [&](const DocLine& line, const std::string& odb) {
    if (IsBlank(line.indeks)) return;
    const std::string source = ArticleKey(line.mag, line.indeks);
    keys.emplace_back(source, "");
    if (transfer) keys.emplace_back(ArticleKey(Left(odb, 1), line.indeks), source);
  };
  for (const DocLine& line : lines_) add(line, odb_);
  for (const PostedLine& l : posted_.lines) add(l.line, posted_.stock.odb);
  for (const auto& [key, entry] : ledger_) {
    if (entry.Held() > 0) keys.emplace_back(key, "");
  }
  for (const auto& [key, source] : keys) {
    if (articles_.count(key) != 0) continue;
    auto found = as->SeekKey(key);
    if (!found.ok()) return Fail("Plik as niedostepny");
    Article a;
    a.key = key;
    if (*found) {
      a.recno = as->recno();
    } else if (!source.empty()) {
      a.source_key = source;
    } else {
      continue;  // a line without an article card moves no stock
    }
    articles_.emplace(key, std::move(a));
  }
  // A destination article to create: two stations must not both create it, so the
  // table is held whole (briefly) and the destinations are sought again under it.
  bool creates = false;
  for (auto& [key, a] : articles_) creates = creates || a.recno == 0;
  if (creates) {
    if (!store::FilLockArea(ui_, *as, kArticleLockWait).ok()) {
      return Fail(std::string("Kartoteka towarów zajęta na innym stanowisku - dowód nie zapisany"_pl));
    }
    for (auto& [key, a] : articles_) {
      if (a.recno != 0) continue;
      auto found = as->SeekKey(key);
      if (!found.ok()) return Fail("Plik as niedostepny");
      if (*found) {
        a.recno = as->recno();
        a.source_key.clear();
      }
    }
  }
  std::vector<Article*> order;
  for (auto& [key, a] : articles_) {
    if (a.recno != 0) order.push_back(&a);
  }
  std::sort(order.begin(), order.end(), [](const Article* x, const Article* y) { return x->recno < y->recno; });
  for (Article* a : order) {
    if (!LockArticle(*a)) {
      return Fail("Towar " + a->key.substr(0, 1) + "-" + RTrim(a->key.substr(1)) +
                  std::string(" zajęty na innym stanowisku - dowód nie zapisany"_pl));
    }
  }
  // New destination articles start from their source's catalogue data.
  for (auto& [key, a] : articles_) {
    if (a.recno != 0) continue;
    auto src = articles_.find(a.source_key);
    if (src == articles_.end() || src->second.recno == 0 || !as->GoTo(src->second.recno).ok()) continue;
    for (std::string_view f : kCopiedToDestination) {
      if (as->FieldIndex(f) < 0) continue;
      auto v = as->Get(f);
      if (v.ok()) a.copied.emplace_back(std::string(f), *v);
    }
    for (std::string_view f : kArticleFields) {
      if (as->FieldIndex(f) < 0) continue;
      auto v = as->Get(f);
      if (!v.ok()) continue;
      Value blank = v->IsNumber() ? Value(0.0) : v->IsDate() ? Value(xbase::Date{}) : Value(std::string());
      a.before.Set(f, blank, true);
      a.now.Set(f, blank, true);
    }
    a.now.Set("CENA0", Value(src->second.now.Num("CENA0")));
    a.now.Set("CENA_PZ", Value(src->second.now.Num("CENA_PZ")));
    a.now.Set("ODB", Value(src->second.now.Text("ODB")));
  }
  return true;
}

xbase::WorkArea* CatalogueOf(session::Session& s, char kto) {
  switch (kto) {
    case 'O': return AreaOf(s, store::TableId::kZo);
    case 'D': return AreaOf(s, store::TableId::kZd);
    case 'P': return AreaOf(s, store::TableId::kZp);
    case 'F': return AreaOf(s, store::TableId::kZf);
    default: return nullptr;
  }
}

// A counterparty without a key, or of a ledger without a catalogue, keeps no balance.
bool Poster::LockCounterparty(char kto, const std::string& odb, const std::string& nodb) {
  const CounterpartyKey key{kto, PadR(odb, 8)};
  if (IsBlank(odb) || counterparties_.count(key) != 0) return true;
  xbase::WorkArea* area = CatalogueOf(s_, kto);
  if (area == nullptr) return true;
  const std::string what = std::string("Kontrahent "_pl) + RTrim(odb);
  // The catalogue is left in the order and on the record the screens had it.
  const int order = area->order();
  const uint32_t back = area->recno();
  if (order != 1 && !area->SetOrder(1).ok()) return Fail("Kartoteka kontrahentow niedostepna");
  auto found = area->SeekKey(key.second);
  const uint32_t recno = found.ok() && *found ? area->recno() : 0;
  if (order != 1) (void)area->SetOrder(order);  // an order that opened before opens again
  (void)area->GoTo(back);                         // only a position
  if (!found.ok()) return Fail("Kartoteka kontrahentow niedostepna");
  Counterparty c;
  c.area = area;
  c.nodb = nodb;
  if (recno != 0) {
    c.recno = recno;
    if (!LockRecordOf(*area, recno, what)) return false;
    if (!area->GoTo(recno).ok()) return Fail("Kartoteka kontrahentow niedostepna");
    c.obwn = FieldNumber(*area, "OBWN");  // as it is under the lock
    c.obma = FieldNumber(*area, "OBMA");
    (void)area->GoTo(back);
  }
  counterparties_.emplace(key, std::move(c));
  return true;
}

// The counterparty of the document and those of its posted settlement entries (read
// again under their locks: what is taken off the balance is what is on file now).
bool Poster::LockCounterparties() {
  counterparties_.clear();
  posted_.entry_amounts.clear();
  xbase::WorkArea* fa = AreaOf(s_, store::TableId::kFaN);
  for (uint32_t r : posted_.entries) {
    if (!fa->GoTo(r).ok()) return Fail("Plik fa_N niedostepny");
    PostedEntry e;
    e.recno = r;
    e.deleted = fa->deleted();
    e.kto = Left(FieldText(*fa, "KTO") + " ", 1)[0];
    e.odb = PadR(FieldText(*fa, "ODB"), 8);
    const double kurs = FieldNumber(*fa, "KURS");
    e.saldo_wn = HomeAmount(FieldNumber(*fa, "OBWN"), kurs);
    e.saldo_ma = HomeAmount(FieldNumber(*fa, "OBMA"), kurs);
    posted_.entry_amounts.push_back(e);
  }
  if (op_ != Operation::kRemove && !LockCounterparty(kind_.kind.kto, odb_, header_.nodb)) return false;
  for (const PostedEntry& e : posted_.entry_amounts) {
    if (!e.deleted && !LockCounterparty(e.kto, e.odb, posted_.header.fields.Text("NODB"))) return false;
  }
  return true;
}

bool Poster::TakeLocks(bool* gone_found) {
  *gone_found = false;
  xbase::WorkArea* slow = AreaOf(s_, store::TableId::kSlow);
  xbase::WorkArea* as = AreaOf(s_, store::TableId::kAs);
  xbase::WorkArea* dowod = AreaOf(s_, store::TableId::kDowod);
  xbase::WorkArea* dow = AreaOf(s_, store::TableId::kDow);
  xbase::WorkArea* fa = AreaOf(s_, store::TableId::kFaN);
  if (slow == nullptr || as == nullptr || dowod == nullptr || dow == nullptr) return Fail("Plik slow/as niedostepny");
  if (New()) {
    if (!slow->GoTo(kind_.recno).ok() || !store::RecLockArea(ui_, *slow, kKindLockWait).ok()) {
      return Fail("Rodzaj dowodu " + RTrim(rd_) + std::string(" zajęty na innym stanowisku - dowód nie zapisany"_pl));
    }
    kind_.nrd = static_cast<long>(FieldNumber(*slow, "NRD"));  // as it is under the lock
  }
  if (posted_.found) {
    const std::string doc = std::string("Dowód "_pl) + DocText(rd_, nrd_);
    if (!LockRecordOf(*dowod, posted_.header.recno, doc)) return false;
    // Read again under the lock: what is replaced is what is on file now.
    posted_.header = ReadRecord(*dowod, posted_.header.recno);
    if (dowod->deleted()) return Fail(doc + std::string(" został usunięty na innym stanowisku"_pl));
    for (PostedLine& l : posted_.lines) {
      if (!LockRecordOf(*dow, l.recno, std::string("Pozycja dowodu "_pl) + DocText(rd_, nrd_))) return false;
      l = ReadPostedLine(*dow, l.recno);
    }
    for (uint32_t r : posted_.entries) {
      if (!LockRecordOf(*fa, r, std::string("Rozrachunek dowodu "_pl) + DocText(rd_, nrd_))) return false;
    }
    for (PostedRecord& n : posted_.notes) {
      if (!LockRecordOf(*dowod, n.recno, std::string("Dowód "_pl) + DocText(n.fields.Text("RD"), n.fields.Text("NRD")))) return false;
    }
  }
  for (NoteRef& n : notes_) {
    const std::string doc = std::string("Dowód "_pl) + DocText(n.rd, n.nrd);
    if (!LockRecordOf(*dowod, n.recno, doc)) return false;
    if (!dowod->GoTo(n.recno).ok()) return Fail("Plik dowod niedostepny");
    const std::string r_rd = FieldText(*dowod, "R_RD");
    const std::string r_nrd = FieldText(*dowod, "R_NRD");
    if (dowod->deleted()) return Fail(doc + std::string(" został usunięty - faktura nie zapisana"_pl));
    if (!IsBlank(r_rd) || !IsBlank(r_nrd)) {
      return Fail(doc + std::string(" jest już na fakturze "_pl) + DocText(r_rd, r_nrd) + " - faktura nie zapisana");
    }
    if (PadR(FieldText(*dowod, "ODB"), 8) != odb_) {
      return Fail(doc + std::string(" jest innego odbiorcy - faktura nie zapisana"_pl));
    }
    for (uint32_t r : n.lines) {
      if (!LockRecordOf(*dow, r, std::string("Pozycja dowodu "_pl) + DocText(n.rd, n.nrd))) return false;
    }
  }
  if (!LockArticles()) return false;
  if (!LockCounterparties()) return false;
  // A station that died while it held one of these records (the kind's counter, an
  // article) may have left its changes half written: they are taken back before anything
  // here is read or planned, so that no change of this posting lands between them and
  // their taking back.
  if (GoneStationsLeftWork(s_)) {
    *gone_found = true;
    ReleaseAll();
    return false;
  }
  return true;
}

}  // namespace hurt::documents::posting_internal
