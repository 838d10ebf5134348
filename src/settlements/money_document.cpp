#include "settlements/money_document.h"

#include <vector>

#include "base/numeric.h"
#include "base/text.h"
#include "documents/open_item.h"
#include "session/area_fields.h"
#include "session/session.h"
#include "settlements/ledger_tables.h"
#include "store/net_use.h"

namespace hurt::settlements {

using session::FieldDate;
using session::FieldNumber;
using session::FieldText;
using xbase::Value;

namespace {

constexpr double kLockWait = 10.0;   // REC_LOCK of the records changed
constexpr double kAppendWait = 15.0;
constexpr std::string_view kSettledText = "DOWOD ROZLICZONY - NIE POPRAWIAM";

// The records locked for the document, released on every way out.
class Locks {
 public:
  ~Locks() {
    for (auto& [area, recno] : held_) (void)area->UnlockRecord(recno);
  }
  bool Take(store::StoreUi& ui, xbase::WorkArea& a, uint32_t recno) {
    const Status st = store::Retry(ui, store::RetryRule::kPauseAfter, kLockWait, [&] { return a.LockRecord(recno); });
    if (!st.ok()) return false;
    held_.push_back({&a, recno});
    return true;
  }

 private:
  std::vector<std::pair<xbase::WorkArea*, uint32_t>> held_;
};

// The first visible record of order 1 whose key begins with `key` and for which `pick`
// holds; 0 when none.
template <typename Pick>
uint32_t FindIn(xbase::WorkArea& a, const std::string& key, Pick pick) {
  if (a.order_count() < 1 || !a.SetOrder(1).ok()) return 0;
  auto found = a.SeekKey(key);
  if (!found.ok() || !*found) return 0;
  for (; !a.eof(); (void)a.Skip(1)) {
    if (PadR(FieldText(a, "RD"), 3) + PadL(AllTrim(FieldText(a, "NRD")), 8) != key.substr(0, 11)) return 0;
    if (pick(a)) return a.recno();
  }
  return 0;
}

// The document a typed number corrects: its header and open item, or why it cannot be
// corrected. Only the counterparty's own open document is: another's would move to this
// one with its amounts taken off the wrong balance, and a settled one's item is in the
// history, where a new amount would leave the batch unbalanced.
struct OldDocument {
  uint32_t header = 0, item = 0;
  std::string refused;
};

Result<OldDocument> FindOld(xbase::WorkArea& dowod, xbase::WorkArea& fa, const MoneyDocument& doc) {
  OldDocument old;
  if (doc.nrd <= 0) return old;
  const std::string key = PadR(doc.rd, 3) + PadL(std::to_string(doc.nrd), 8);
  old.header = FindIn(dowod, key, [](xbase::WorkArea& a) { return PadR(FieldText(a, "MAG"), 1) == "0"; });
  if (old.header == 0) return old;
  HURT_RETURN_IF_ERROR(dowod.GoTo(old.header));
  const std::string owner = PadR(FieldText(dowod, "KTO"), 1) + PadR(FieldText(dowod, "ODB"), 8);
  const std::string name = AllTrim(doc.rd) + "-" + std::to_string(doc.nrd);
  if (owner != PadR(doc.kto, 1) + PadR(doc.odb, 8)) {
    old.refused = "Dowod " + name + " jest innego kontrahenta: " + AllTrim(owner.substr(1));
    return old;
  }
  old.item = FindIn(fa, key, [&](xbase::WorkArea& a) {
    return PadR(FieldText(a, "MAG"), 1) == "0" && PadR(FieldText(a, "KTO"), 1) + PadR(FieldText(a, "ODB"), 8) == owner;
  });
  if (old.item == 0) old.refused = std::string(kSettledText) + ": " + name;
  return old;
}

documents::OpenItemHeader HeaderOf(const MoneyDocument& doc) {
  documents::OpenItemHeader h;
  h.r_p = IsReceiptKind(doc.rd) ? 'R' : 'P';
  h.rd = doc.rd;
  h.mag = "0";
  h.kwota = doc.kwota;
  h.data = doc.data;
  h.tez = doc.tez;
  h.odbiorca = doc.tresc;
  h.kurs = doc.kurs;
  return h;
}

Status Add(xbase::WorkArea& a, std::string_view field, double amount) {
  if (a.FieldIndex(field) < 0) return Status::Ok();
  return a.Replace(field, Value(NewRound(FieldNumber(a, field) + amount, 2)));
}

}  // namespace

bool IsReceiptKind(std::string_view rd) {
  const std::string code = AllTrim(rd);
  return code == "KP" || code == "NOU";
}

std::string CounterFieldOf(const xbase::WorkArea& firma, std::string_view rd) {
  const std::string code = AllTrim(rd);
  if (code == "NOU" || code == "NOO") return "NO";
  if (firma.FieldIndex("KP_KW") >= 0) return "KP_KW";
  return code == "KP" || code == "BDW" ? "KP" : "KW";
}

Numbering NumberFor(long counter, long typed) {
  if (counter < typed) return {typed, typed};
  return {counter + 1, counter + 1};
}

std::string CorrectionRefusal(session::Session& s, const MoneyDocument& doc) {
  auto dowod = AreaOf(s, store::TableId::kDowod);
  auto fa = AreaOf(s, store::TableId::kFaN);
  if (!dowod.ok() || !fa.ok() || doc.nrd <= 0) return {};
  const uint32_t dowod_at = (*dowod)->recno(), fa_at = (*fa)->recno();
  const int dowod_order = (*dowod)->order(), fa_order = (*fa)->order();
  auto old = FindOld(**dowod, **fa, doc);
  (void)(*dowod)->SetOrder(dowod_order);
  (void)(*dowod)->GoTo(dowod_at);
  (void)(*fa)->SetOrder(fa_order);
  (void)(*fa)->GoTo(fa_at);
  return old.ok() ? old->refused : std::string();
}

Result<MoneyResult> ZapiszDowodKasowy(session::Session& s, store::StoreUi& ui, MoneyDocument doc) {
  doc.rd = PadR(doc.rd, 3);
  doc.odb = PadR(doc.odb, 8);
  doc.waluta = Upper(AllTrim(doc.waluta));
  if (doc.waluta == "PLN") doc.waluta.clear();  // the home currency: stored blank with rate 0
  if (doc.waluta.empty()) doc.kurs = 0;
  auto book_id = BookOf(AllTrim(doc.kto));
  if (!book_id.ok()) return book_id.status();
  xbase::WorkArea* firma = s.areas().Area(1);
  auto dowod_or = AreaOf(s, store::TableId::kDowod);
  auto fa_or = AreaOf(s, store::TableId::kFaN);
  auto book_or = AreaOf(s, *book_id);
  if (firma == nullptr) return Status::NotFound("Plik firma niedostepny");
  for (const Status& st : {dowod_or.status(), fa_or.status(), book_or.status()}) HURT_RETURN_IF_ERROR(st);
  xbase::WorkArea& dowod = **dowod_or;
  xbase::WorkArea& fa = **fa_or;
  xbase::WorkArea& book = **book_or;

  MoneyResult r;
  Locks locks;
  // 1. What is changed, locked first.
  HURT_RETURN_IF_ERROR(firma->GoTop());
  if (firma->eof()) return Status::NotFound("Plik firma pusty");
  const uint32_t firma_rec = firma->recno();
  if (!locks.Take(ui, *firma, firma_rec)) return MoneyResult{.busy = "firma"};
  const std::string counter_field = CounterFieldOf(*firma, doc.rd);
  const long counter = static_cast<long>(FieldNumber(*firma, counter_field));

  auto old = FindOld(dowod, fa, doc);
  HURT_RETURN_IF_ERROR(old.status());
  if (!old->refused.empty()) return MoneyResult{.refused = old->refused};
  const uint32_t old_header = old->header, old_item = old->item;
  if (old_header != 0) {
    const std::string name = AllTrim(doc.rd) + "-" + std::to_string(doc.nrd);
    if (!locks.Take(ui, dowod, old_header)) return MoneyResult{.busy = "dowod " + name};
    if (!locks.Take(ui, fa, old_item)) return MoneyResult{.busy = "fa_N " + name};
  }
  r.corrected = old_header != 0;
  if (book.order_count() >= 1) HURT_RETURN_IF_ERROR(book.SetOrder(1));
  auto at_book = book.SeekKey(doc.odb);
  HURT_RETURN_IF_ERROR(at_book.status());
  uint32_t book_rec = *at_book ? book.recno() : 0;
  if (book_rec != 0 && !locks.Take(ui, book, book_rec)) return MoneyResult{.busy = std::string(store::Table(*book_id).alias) + " " + AllTrim(doc.odb)};

  uint32_t source_item = 0;
  if (!r.corrected && !IsBlank(doc.against_rd) && doc.kwota != 0) {
    const std::string key = PadR(doc.against_rd, 3) + PadL(AllTrim(doc.against_nrd), 8);
    const bool receipt = IsReceiptKind(doc.rd);
    source_item = FindIn(fa, key, [&](xbase::WorkArea& a) {
      const double other = receipt ? FieldNumber(a, "OBWN") : FieldNumber(a, "OBMA");
      return PadR(FieldText(a, "MAG"), 1) != "0" && PadR(FieldText(a, "ODB"), 8) == doc.odb &&
             IsBlank(FieldText(a, "ZAP")) && Str(NewRound(other, 2), 13, 2) == Str(NewRound(doc.kwota, 2), 13, 2);
    });
    if (source_item != 0 && !locks.Take(ui, fa, source_item)) source_item = 0;  // unmatched rather than refused
  }

  // 2. The old document's amounts leave the balance; an amount of 0 deletes it.
  double balance_wn = 0, balance_ma = 0;
  if (r.corrected && old_item != 0) {
    HURT_RETURN_IF_ERROR(fa.GoTo(old_item));
    const double kurs = FieldNumber(fa, "KURS");
    balance_wn -= documents::HomeAmount(FieldNumber(fa, "OBWN"), kurs);
    balance_ma -= documents::HomeAmount(FieldNumber(fa, "OBMA"), kurs);
  }
  r.nrd = doc.nrd;
  long new_counter = counter;
  if (!r.corrected) {
    const Numbering n = NumberFor(counter, doc.nrd);
    r.nrd = n.nrd;
    new_counter = n.counter;
  } else if (doc.kwota == 0 && doc.nrd == counter) {
    new_counter = counter - 1;  // the last number issued comes back
  }
  const std::string nrd = PadL(std::to_string(r.nrd), 8);
  const std::optional<documents::OpenItem> item = doc.kwota == 0 ? std::nullopt : documents::OpenItemOf(HeaderOf(doc));
  if (item) {
    balance_wn += item->saldo_wn;
    balance_ma += item->saldo_ma;
  }

  // 3. The writes: the counter, the header, the item, the balance, the marks.
  HURT_RETURN_IF_ERROR(firma->GoTo(firma_rec));
  if (new_counter != counter) HURT_RETURN_IF_ERROR(firma->Replace(counter_field, Value(static_cast<double>(new_counter))));
  HURT_RETURN_IF_ERROR(firma->Flush());

  if (r.corrected) {
    HURT_RETURN_IF_ERROR(dowod.GoTo(old_header));
    if (doc.kwota == 0) {
      HURT_RETURN_IF_ERROR(dowod.Delete());
      r.deleted = true;
    }
  } else {
    HURT_RETURN_IF_ERROR(store::Retry(ui, store::RetryRule::kPauseAfter, kAppendWait, [&] { return dowod.Append(); }));
    locks.Take(ui, dowod, dowod.recno());
  }
  if (!r.deleted) {
    const std::vector<std::pair<std::string_view, Value>> fields = {
        {"R_P", Value(std::string(1, IsReceiptKind(doc.rd) ? 'R' : 'P'))},
        {"RD", Value(doc.rd)},
        {"NRD", Value(nrd)},
        {"DATA", Value(xbase::Date{doc.data})},
        {"MAG", Value("0")},
        {"KTO", Value(doc.kto)},
        {"ODB", Value(doc.odb)},
        {"NODB", Value(doc.nodb)},
        {"ODBIORCA", Value(doc.tresc)},
        {"SPZ", Value(item ? item->spz : std::string(" "))},
        {"TEZ", Value(doc.tez)},
        {"KWOTA", Value(NewRound(doc.kwota, 2))},
        {"OPERATOR", Value(s.op().nr)},
        {"WALUTA", Value(doc.waluta)},
        {"KURS", Value(doc.kurs)},
        {"R_DATA", Value(xbase::Date{s.Today()})},
        {"R_CZAS", Value(s.clock().TimeText())},
    };
    for (const auto& [f, v] : fields) {
      if (dowod.FieldIndex(f) >= 0) HURT_RETURN_IF_ERROR(dowod.Replace(f, v));
    }
  }
  HURT_RETURN_IF_ERROR(dowod.Flush());

  if (old_item != 0) {
    HURT_RETURN_IF_ERROR(fa.GoTo(old_item));
    if (!item) HURT_RETURN_IF_ERROR(fa.Delete());
  } else if (item) {
    HURT_RETURN_IF_ERROR(store::Retry(ui, store::RetryRule::kPauseAfter, kAppendWait, [&] { return fa.Append(); }));
    locks.Take(ui, fa, fa.recno());
  }
  const uint32_t new_item = item ? fa.recno() : 0;
  if (item) {
    const std::vector<std::pair<std::string_view, Value>> fields = {
        {"R_P", Value(std::string(1, IsReceiptKind(doc.rd) ? 'R' : 'P'))},
        {"RD", Value(doc.rd)},
        {"NRD", Value(nrd)},
        {"DATA", Value(xbase::Date{doc.data})},
        {"MAG", Value("0")},
        {"TRESC", Value(Left(doc.tresc, 17))},
        {"KTO", Value(doc.kto)},
        {"ODB", Value(doc.odb)},
        {"OBWN", Value(item->obwn)},
        {"OBMA", Value(item->obma)},
        {"TERMIN", Value(xbase::Date{item->termin})},
        {"SPZ", Value(item->spz)},
        {"TEZ", Value(doc.tez)},
        {"WALUTA", Value(doc.waluta)},
        {"WALUTA_X", Value(doc.waluta.empty() ? std::string(" ") : std::string("X"))},
        {"KURS", Value(doc.kurs)},
    };
    for (const auto& [f, v] : fields) {
      if (fa.FieldIndex(f) >= 0) HURT_RETURN_IF_ERROR(fa.Replace(f, v));
    }
  }
  HURT_RETURN_IF_ERROR(fa.Flush());

  if (book_rec == 0 && (balance_wn != 0 || balance_ma != 0)) {
    // A counterparty missing from its catalogue is added with its code and name.
    HURT_RETURN_IF_ERROR(store::Retry(ui, store::RetryRule::kPauseAfter, kAppendWait, [&] { return book.Append(); }));
    book_rec = book.recno();
    locks.Take(ui, book, book_rec);
    HURT_RETURN_IF_ERROR(book.Replace("ODB", Value(doc.odb)));
    if (book.FieldIndex("NODB") >= 0) HURT_RETURN_IF_ERROR(book.Replace("NODB", Value(doc.nodb)));
  }
  if (book_rec != 0) {
    HURT_RETURN_IF_ERROR(book.GoTo(book_rec));
    HURT_RETURN_IF_ERROR(Add(book, "OBWN", balance_wn));
    HURT_RETURN_IF_ERROR(Add(book, "OBMA", balance_ma));
    HURT_RETURN_IF_ERROR(book.Flush());
  }

  if (source_item != 0 && new_item != 0) {
    for (uint32_t rec : {source_item, new_item}) {
      HURT_RETURN_IF_ERROR(fa.GoTo(rec));
      HURT_RETURN_IF_ERROR(fa.Replace("ZAP", Value("R")));
    }
    HURT_RETURN_IF_ERROR(fa.Flush());
    r.matched = true;
  }
  for (xbase::WorkArea* a : {firma, &dowod, &fa, &book}) HURT_RETURN_IF_ERROR(a->Commit());
  r.done = true;
  return r;
}

}  // namespace hurt::settlements
