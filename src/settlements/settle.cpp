// ROZLICZANIE, ROZL_KOMPENSATA and ZAMK_ROZRACHUNKOW (settle.h).
//
// The three operations share one engine, Run, over a plan made by each:
//   - `settled`: fa_N records that leave the ledger; each is copied to the batch in fa_nx;
//   - `batch_only`: items written to the batch alone (the marked "KO" of a compensation,
//     the mirror of a "SAL");
//   - `new_open`: items appended to fa_N that stay open (the "KO" remainder, the "SAL").
// Invariant kept: the counterparty's OBWN/OBMA equal the home-currency sums of its open
// items, so the balance moves by exactly the home amounts of `new_open` minus those of
// `settled`; every batch's debits equal its credits (the plan is checked before anything
// is written).
//
// Steps of Run:
//   1. Lock every `settled` record (bounded waits) and check it is still the item the
//      caller saw; lock the counterparty's record. Anything busy or changed: release what
//      was taken, write nothing, report the record.
//   2. Take the batch identity under the file lock of fa_nx: today and the time of day,
//      moved on by a second while fa_nx already holds a batch with that identity.
//   3. Write, in this order: the whole batch to fa_nx (committed), the new open items,
//      the deletions, the counterparty's balance; then commit and release the locks.
//      The batch goes first because it is the record of the operation: a station that
//      stops after it leaves settled items still open and the balance unchanged, which the
//      ledger rebuild (ZO_FN_KOR) mends — it re-applies every balanced batch of fa_nx to
//      fa_N, bringing back a "KO" remainder from its batch item, and recomputes the
//      balances from the open items. A stop before the batch is complete leaves fa_N and
//      the balance untouched.
#include "settlements/settle.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/numeric.h"
#include "base/text.h"
#include "documents/open_item.h"
#include "session/area_fields.h"
#include "session/session.h"
#include "settlements/ledger_tables.h"
#include "store/net_use.h"
#include "store/schema.h"
#include "xbase/work_area.h"

namespace hurt::settlements {
namespace {

using session::FieldDate;
using session::FieldNumber;
using session::FieldText;

constexpr double kLockWait = 2.0;    // seconds for one record lock (REC_LOCK)
constexpr double kAppendWait = 5.0;  // seconds for one append (ADD_REC)
constexpr double kFileWait = 5.0;    // seconds for the file lock of fa_nx (FIL_LOCK)
constexpr int kSecondsPerDay = 24 * 60 * 60;

// "999999999.99" as the settlement browse compares amounts.
std::string AmountText(double x) { return Str(NewRound(x, 2), 13, 2); }
bool SameAmountText(double a, double b) { return AmountText(a) == AmountText(b); }

std::string ItemName(const OpenItem& item) { return "fa_N " + AllTrim(item.rd) + "-" + AllTrim(item.nrd); }

OpenItem ReadItem(const xbase::WorkArea& fa) {
  OpenItem i;
  i.recno = fa.recno();
  i.r_p = PadR(FieldText(fa, "R_P"), 1);
  i.rd = PadR(FieldText(fa, "RD"), 3);
  i.nrd = PadL(AllTrim(FieldText(fa, "NRD")), 8);
  i.data = FieldDate(fa, "DATA");
  i.mag = PadR(FieldText(fa, "MAG"), 1);
  i.tresc = FieldText(fa, "TRESC");
  i.kto = PadR(FieldText(fa, "KTO"), 1);
  i.odb = PadR(FieldText(fa, "ODB"), 8);
  i.obwn = FieldNumber(fa, "OBWN");
  i.obma = FieldNumber(fa, "OBMA");
  i.termin = FieldDate(fa, "TERMIN");
  i.spz = PadR(FieldText(fa, "SPZ"), 1);
  i.tez = FieldNumber(fa, "TEZ");
  i.zap = PadR(FieldText(fa, "ZAP"), 1);
  i.waluta_x = PadR(FieldText(fa, "WALUTA_X"), 1);
  i.waluta = PadR(FieldText(fa, "WALUTA"), 3);
  i.kurs = FieldNumber(fa, "KURS");
  return i;
}

// The record is still the item the caller saw: the key fields of ROZLICZANIE step 3.
bool SameItem(const OpenItem& a, const OpenItem& b) {
  return a.kto == PadR(b.kto, 1) && a.odb == PadR(b.odb, 8) && a.rd == PadR(b.rd, 3) &&
         a.nrd == PadL(AllTrim(b.nrd), 8) && a.data == b.data && Str(a.obwn, 10, 2) == Str(b.obwn, 10, 2) &&
         Str(a.obma, 10, 2) == Str(b.obma, 10, 2) && a.mag == PadR(b.mag, 1);
}

// "hh:mm:ss" of a second of the day.
std::string TimeOfDay(int seconds) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return buf;
}
int SecondsOf(std::string_view hhmmss) {
  if (hhmmss.size() < 8) return 0;
  const auto two = [&](size_t at) { return (hhmmss[at] - '0') * 10 + (hhmmss[at + 1] - '0'); };
  return std::clamp(two(0) * 3600 + two(3) * 60 + two(6), 0, kSecondsPerDay - 1);
}

// Writes the fields of an item into the current record of `a` (fa_N or fa_nx).
Status WriteItem(xbase::WorkArea& a, const OpenItem& i) {
  const std::pair<std::string_view, xbase::Value> fields[] = {
      {"R_P", xbase::Value(i.r_p)},
      {"RD", xbase::Value(PadR(i.rd, 3))},
      {"NRD", xbase::Value(PadL(AllTrim(i.nrd), 8))},
      {"DATA", xbase::Value(xbase::Date{i.data})},
      {"MAG", xbase::Value(i.mag)},
      {"TRESC", xbase::Value(Left(i.tresc, 17))},
      {"KTO", xbase::Value(i.kto)},
      {"ODB", xbase::Value(PadR(i.odb, 8))},
      {"OBWN", xbase::Value(NewRound(i.obwn, 2))},
      {"OBMA", xbase::Value(NewRound(i.obma, 2))},
      {"TERMIN", xbase::Value(xbase::Date{i.termin})},
      {"SPZ", xbase::Value(i.spz)},
      {"TEZ", xbase::Value(i.tez)},
      {"ZAP", xbase::Value(i.zap)},
      {"WALUTA_X", xbase::Value(i.waluta_x)},
      {"WALUTA", xbase::Value(i.waluta)},
      {"KURS", xbase::Value(i.kurs)},
  };
  for (const auto& [name, value] : fields) {
    if (a.FieldIndex(name) < 0) continue;  // an older layout without the field
    HURT_RETURN_IF_ERROR(a.Replace(name, value));
  }
  return Status::Ok();
}

struct Plan {
  std::string kto, odb;
  std::vector<OpenItem> settled;
  std::vector<OpenItem> batch_only;
  std::vector<OpenItem> new_open;
  std::string zap_of_copies;  // ZAP of the copies in the batch; empty: as in fa_N
  std::string nr_wb;
};

struct Outcome {
  OperationResult result;
  std::vector<uint32_t> new_recnos;  // of plan.new_open in fa_N
};

// The records this operation holds, released whatever happens.
class HeldLocks {
 public:
  HeldLocks(xbase::WorkArea& fa, xbase::WorkArea& fx, xbase::WorkArea& book) : fa_(fa), fx_(fx), book_(book) {}
  HeldLocks(const HeldLocks&) = delete;
  HeldLocks& operator=(const HeldLocks&) = delete;
  ~HeldLocks() { (void)Release(); }

  void HoldFa(uint32_t r) { fa_records_.push_back(r); }
  void HoldBook(uint32_t r) { book_record_ = r; }
  void HoldFxFile() { fx_file_ = true; }

  // Writes what is pending and releases every lock taken; the first failure is returned.
  Status Release() {
    Status first = Status::Ok();
    const auto keep = [&](Status s) {
      if (first.ok() && !s.ok()) first = std::move(s);
    };
    for (uint32_t r : fa_records_) keep(fa_.UnlockRecord(r));
    fa_records_.clear();
    if (book_record_ != 0) keep(book_.UnlockRecord(book_record_));
    book_record_ = 0;
    if (fx_file_) keep(fx_.Unlock());
    fx_file_ = false;
    return first;
  }

 private:
  xbase::WorkArea& fa_;
  xbase::WorkArea& fx_;
  xbase::WorkArea& book_;
  std::vector<uint32_t> fa_records_;
  uint32_t book_record_ = 0;
  bool fx_file_ = false;
};

Status Failed(std::string_view what, const Status& s) {
  const std::string text = "Blad zapisu " + std::string(what) + ": " + s.message();
  return s.IsBusy() ? Status::Busy(text) : Status::IoError(text);
}

Result<Outcome> Run(session::Session& s, store::StoreUi& ui, Plan& plan) {
  auto book_id_or = BookOf(plan.kto);
  if (!book_id_or.ok()) return book_id_or.status();
  const store::TableId book_id = *book_id_or;
  auto fa_or = AreaOf(s, store::TableId::kFaN);
  if (!fa_or.ok()) return fa_or.status();
  xbase::WorkArea* fa = *fa_or;
  auto fx_or = AreaOf(s, store::TableId::kFaNx);
  if (!fx_or.ok()) return fx_or.status();
  xbase::WorkArea* fx = *fx_or;
  auto book_or = AreaOf(s, book_id);
  if (!book_or.ok()) return book_or.status();
  xbase::WorkArea* book = *book_or;
  const std::string book_alias(store::Table(book_id).alias);

  // The plan balances: a batch whose debits differ from its credits is never written.
  // As stored (a settlement in one currency) or in the home currency (a close, whose
  // balance item is in the home currency).
  double batch_wn = 0, batch_ma = 0, home_wn = 0, home_ma = 0;
  for (const auto* part : {&plan.settled, &plan.batch_only}) {
    for (const OpenItem& i : *part) {
      batch_wn += i.obwn;
      batch_ma += i.obma;
      home_wn += i.HomeWn();
      home_ma += i.HomeMa();
    }
  }
  if (!SameAmountText(batch_wn, batch_ma) && !SameAmountText(home_wn, home_ma)) {
    return Status::Invalid("NIE ROZLICZE - NIE ZBILANSOWANO STRON");
  }

  Outcome out;
  HeldLocks held(*fa, *fx, *book);

  // 1. Locks: every settled record, then the counterparty.
  for (const OpenItem& item : plan.settled) {
    Status st = store::Retry(ui, store::RetryRule::kPauseAfter, kLockWait,
                             [&] { return fa->LockRecord(item.recno); });
    if (st.IsBusy()) {
      out.result.busy = ItemName(item);
      return out;
    }
    HURT_RETURN_IF_ERROR(st);
    held.HoldFa(item.recno);
    HURT_RETURN_IF_ERROR(fa->GoTo(item.recno));
    // Settled or changed by another station since the caller read it.
    if (fa->eof() || fa->deleted() || !SameItem(ReadItem(*fa), item)) {
      out.result.busy = ItemName(item);
      out.result.changed = true;
      return out;
    }
  }
  if (book->order() != 1) HURT_RETURN_IF_ERROR(book->SetOrder(1));
  auto book_found_or = book->SeekKey(PadR(plan.odb, 8));
  if (!book_found_or.ok()) return book_found_or.status();
  if (!*book_found_or) {
    return Status::NotFound("Brak kontrahenta " + RTrim(plan.odb) + " w katalogu " + book_alias);
  }
  const uint32_t book_recno = book->recno();
  Status st = store::Retry(ui, store::RetryRule::kPauseAfter, kLockWait, [&] { return book->LockRecord(book_recno); });
  if (st.IsBusy()) {
    out.result.busy = book_alias + " " + RTrim(plan.odb);
    return out;
  }
  HURT_RETURN_IF_ERROR(st);
  held.HoldBook(book_recno);

  // The raw records to copy, read under their locks (every field, currency ones included).
  std::vector<std::vector<std::pair<int, std::string>>> copies;
  copies.reserve(plan.settled.size());
  for (const OpenItem& item : plan.settled) {
    HURT_RETURN_IF_ERROR(fa->GoTo(item.recno));
    std::vector<std::pair<int, std::string>> fields;
    for (int f = 0; f < fa->field_count(); ++f) {
      const int to = fx->FieldIndex(fa->field(f).name);
      if (to >= 0) fields.emplace_back(to, std::string(fa->FieldBytes(f)));
    }
    copies.push_back(std::move(fields));
  }

  // 2. The batch identity, unique in fa_nx while its file lock is held.
  st = store::Retry(ui, store::RetryRule::kPauseBefore, kFileWait, [&] { return fx->LockFile(); });
  if (st.IsBusy()) {
    out.result.busy = "fa_nx";
    return out;
  }
  HURT_RETURN_IF_ERROR(st);
  held.HoldFxFile();
  JulianDay r_data = s.Today();
  int second = SecondsOf(s.clock().TimeText());
  if (fx->order() != 1) HURT_RETURN_IF_ERROR(fx->SetOrder(1));
  for (;;) {
    auto taken_or = fx->SeekKey(Dtos(r_data) + TimeOfDay(second));
    if (!taken_or.ok()) return taken_or.status();
    if (!*taken_or) break;
    if (++second == kSecondsPerDay) {
      second = 0;
      ++r_data;
    }
  }
  const std::string r_czas = TimeOfDay(second);

  // 3a. The batch.
  const auto stamp = [&](xbase::WorkArea& a) -> Status {
    HURT_RETURN_IF_ERROR(a.Replace("R_DATA", xbase::Value(xbase::Date{r_data})));
    HURT_RETURN_IF_ERROR(a.Replace("R_CZAS", xbase::Value(r_czas)));
    if (!plan.nr_wb.empty() && a.FieldIndex("NR_WB") >= 0) {
      HURT_RETURN_IF_ERROR(a.Replace("NR_WB", xbase::Value(plan.nr_wb)));
    }
    return Status::Ok();
  };
  for (const auto& fields : copies) {
    Status w = store::Retry(ui, store::RetryRule::kPauseAfter, kAppendWait, [&] { return fx->Append(); });
    if (!w.ok()) return Failed("fa_nx", w);
    for (const auto& [to, bytes] : fields) HURT_RETURN_IF_ERROR(fx->ReplaceBytes(to, bytes));
    if (!plan.zap_of_copies.empty()) HURT_RETURN_IF_ERROR(fx->Replace("ZAP", xbase::Value(plan.zap_of_copies)));
    HURT_RETURN_IF_ERROR(stamp(*fx));
  }
  for (const OpenItem& item : plan.batch_only) {
    Status w = store::Retry(ui, store::RetryRule::kPauseAfter, kAppendWait, [&] { return fx->Append(); });
    if (!w.ok()) return Failed("fa_nx", w);
    HURT_RETURN_IF_ERROR(WriteItem(*fx, item));
    HURT_RETURN_IF_ERROR(stamp(*fx));
  }
  if (Status c = fx->Commit(); !c.ok()) return Failed("fa_nx", c);

  // 3b. The new open items.
  for (const OpenItem& item : plan.new_open) {
    Status w = store::Retry(ui, store::RetryRule::kPauseAfter, kAppendWait, [&] { return fa->Append(); });
    if (!w.ok()) return Failed("fa_N", w);
    held.HoldFa(fa->recno());
    out.new_recnos.push_back(fa->recno());
    HURT_RETURN_IF_ERROR(WriteItem(*fa, item));
    if (Status f = fa->Flush(); !f.ok()) return Failed("fa_N", f);
  }

  // 3c. The settled items leave fa_N.
  double wn = 0, ma = 0;
  for (const OpenItem& item : plan.settled) {
    HURT_RETURN_IF_ERROR(fa->GoTo(item.recno));
    if (Status d = fa->Delete(); !d.ok()) return Failed("fa_N", d);
    wn -= item.HomeWn();
    ma -= item.HomeMa();
  }
  for (const OpenItem& item : plan.new_open) {
    wn += item.HomeWn();
    ma += item.HomeMa();
  }
  if (Status c = fa->Commit(); !c.ok()) return Failed("fa_N", c);

  // 3d. The counterparty's balance.
  HURT_RETURN_IF_ERROR(book->GoTo(book_recno));
  const double obwn = NewRound(FieldNumber(*book, "OBWN") + wn, 2);
  const double obma = NewRound(FieldNumber(*book, "OBMA") + ma, 2);
  if (Status r = book->Replace("OBWN", xbase::Value(obwn)); !r.ok()) return Failed(book_alias, r);
  if (Status r = book->Replace("OBMA", xbase::Value(obma)); !r.ok()) return Failed(book_alias, r);
  if (Status c = book->Commit(); !c.ok()) return Failed(book_alias, c);

  if (Status r = held.Release(); !r.ok()) return Failed("rozrachunkow", r);
  out.result.done = true;
  out.result.r_data = r_data;
  out.result.r_czas = r_czas;
  return out;
}

// Every marked item belongs to one counterparty and is marked once.
Status OneCounterparty(const std::vector<OpenItem>& marked) {
  std::vector<uint32_t> recnos;
  recnos.reserve(marked.size());
  for (const OpenItem& i : marked) recnos.push_back(i.recno);
  std::sort(recnos.begin(), recnos.end());
  if (std::adjacent_find(recnos.begin(), recnos.end()) != recnos.end()) {
    return Status::Invalid("Pozycja zaznaczona dwa razy");
  }
  for (const OpenItem& i : marked) {
    if (i.kto != marked.front().kto || PadR(i.odb, 8) != PadR(marked.front().odb, 8)) {
      return Status::Invalid("Zaznaczone pozycje naleza do roznych kontrahentow");
    }
  }
  return Status::Ok();
}

Status RefusalOf(F10Action a) {
  switch (a) {
    case F10Action::kNothingMarked: return Status::Invalid("BAW SIE CZYMS INNYM LUB ZAZNACZ COS");
    case F10Action::kOneMarked: return Status::Invalid("ZAZNACZ COS JESZCZE");
    case F10Action::kRatesDisagree: return Status::Invalid("Blokada!! Niezgodne kursy!");
    case F10Action::kAllZero:
    case F10Action::kSettle:
    case F10Action::kCompensate: break;
  }
  return Status::Invalid("NIE ROZLICZE - NIE ZBILANSOWANO STRON");
}

}  // namespace

double OpenItem::HomeWn() const { return documents::HomeAmount(obwn, kurs); }
double OpenItem::HomeMa() const { return documents::HomeAmount(obma, kurs); }

Result<std::vector<OpenItem>> ItemsOf(session::Session& s, std::string_view kto, std::string_view odb) {
  auto fa_or = AreaOf(s, store::TableId::kFaN);
  if (!fa_or.ok()) return fa_or.status();
  xbase::WorkArea* fa = *fa_or;
  const std::string prefix = PadR(kto, 1) + PadR(odb, 8);
  std::vector<OpenItem> items;
  if (fa->order() != 2) HURT_RETURN_IF_ERROR(fa->SetOrder(2));
  auto found_or = fa->SeekKey(prefix);
  if (!found_or.ok()) return found_or.status();
  // A miss leaves the area at EOF, and the loop reads nothing.
  while (!fa->eof()) {
    OpenItem i = ReadItem(*fa);
    if (i.kto + i.odb != prefix) break;
    items.push_back(std::move(i));
    HURT_RETURN_IF_ERROR(fa->Skip());
  }
  std::stable_sort(items.begin(), items.end(), [](const OpenItem& a, const OpenItem& b) {
    return a.data != b.data ? a.data < b.data : a.recno < b.recno;
  });
  return items;
}

MarkedSums SumsOf(const std::vector<OpenItem>& marked) {
  MarkedSums m;
  for (const OpenItem& i : marked) {
    if (i.obwn != 0) ++m.debits;
    if (i.obma != 0) ++m.credits;
    m.wn += i.HomeWn();
    m.ma += i.HomeMa();
    m.wn_doc += i.obwn;
    m.ma_doc += i.obma;
    const OpenItem& first = marked.front();
    if (RTrim(i.waluta) != RTrim(first.waluta) || Str(i.kurs, 12, 6) != Str(first.kurs, 12, 6)) {
      m.rates_agree = false;
    }
  }
  m.wn = NewRound(m.wn, 2);
  m.ma = NewRound(m.ma, 2);
  m.wn_doc = NewRound(m.wn_doc, 2);
  m.ma_doc = NewRound(m.ma_doc, 2);
  return m;
}

// The sides are compared in the document currency: with agreeing rates those are the
// amounts the batch stores, and a batch must balance as stored. (In the home currency
// each item is rounded on its own, so equal home sums need not mean equal stored ones.)
F10Action F10ActionOf(const std::vector<OpenItem>& marked) {
  if (marked.empty()) return F10Action::kNothingMarked;
  if (marked.size() == 1) return F10Action::kOneMarked;
  const MarkedSums m = SumsOf(marked);
  const std::string zero = AmountText(0);
  if (AmountText(m.wn) == zero && AmountText(m.ma) == zero && AmountText(m.wn_doc) == zero &&
      AmountText(m.ma_doc) == zero) {
    return F10Action::kAllZero;
  }
  if (!m.rates_agree) return F10Action::kRatesDisagree;
  return SameAmountText(m.wn_doc, m.ma_doc) ? F10Action::kSettle : F10Action::kCompensate;
}

Result<OperationResult> Settle(session::Session& s, store::StoreUi& ui, const std::vector<OpenItem>& marked,
                               std::string_view nr_wb) {
  if (const F10Action a = F10ActionOf(marked); a != F10Action::kSettle) return RefusalOf(a);
  HURT_RETURN_IF_ERROR(OneCounterparty(marked));
  Plan plan;
  plan.kto = marked.front().kto;
  plan.odb = PadR(marked.front().odb, 8);
  plan.settled = marked;
  plan.zap_of_copies = "X";
  plan.nr_wb = std::string(nr_wb);
  auto out_or = Run(s, ui, plan);
  if (!out_or.ok()) return out_or.status();
  Outcome out = std::move(*out_or);
  return out.result;
}

Result<CompensationResult> Compensate(session::Session& s, store::StoreUi& ui, const std::vector<OpenItem>& marked) {
  if (const F10Action a = F10ActionOf(marked); a != F10Action::kCompensate) return RefusalOf(a);
  HURT_RETURN_IF_ERROR(OneCounterparty(marked));
  const MarkedSums m = SumsOf(marked);
  const bool debit_larger = m.wn_doc > m.ma_doc;
  const double d = NewRound(std::fabs(m.wn_doc - m.ma_doc), 2);

  // The item the compensation is named after: the marked sales invoice, else a marked
  // purchase or earlier "KO ", else none ("KO*" and today).
  const OpenItem* source = nullptr;
  for (const OpenItem& i : marked) {
    if (i.mag != "0" && !i.rd.empty() && i.rd[0] == 'F' && i.obwn != 0) {
      source = &i;
      break;
    }
  }
  std::string tresc;
  if (source != nullptr) {
    tresc = AllTrim(source->rd) + "-" + AllTrim(source->nrd);
  } else {
    for (const OpenItem& i : marked) {
      if ((i.mag != "0" && i.r_p == "P") || PadR(i.rd, 3) == "KO ") {
        source = &i;
        break;
      }
    }
    if (source != nullptr) tresc = source->tresc;
  }
  const JulianDay today = s.Today();
  if (source == nullptr) tresc = "KO*" + Dtoc(today);

  // The rate of the larger side (the rates agree, so any of its items).
  const OpenItem* rate_of = &marked.front();
  for (const OpenItem& i : marked) {
    if ((debit_larger ? i.obwn : i.obma) != 0) {
      rate_of = &i;
      break;
    }
  }

  OpenItem ko;
  ko.rd = "KO ";
  ko.nrd = source != nullptr ? source->nrd : std::string(8, ' ');
  ko.data = source != nullptr ? source->data : today;
  ko.termin = source != nullptr && source->termin != kEmptyDate ? source->termin : ko.data;
  ko.mag = "0";
  ko.tresc = tresc;
  ko.kto = marked.front().kto;
  ko.odb = PadR(marked.front().odb, 8);
  ko.spz = "P";
  ko.waluta_x = rate_of->waluta_x;
  ko.waluta = rate_of->waluta;
  ko.kurs = rate_of->kurs;

  OpenItem marked_ko = ko;  // on the smaller side, settled with the marked items
  marked_ko.r_p = debit_larger ? "P" : "R";
  (debit_larger ? marked_ko.obma : marked_ko.obwn) = d;
  marked_ko.zap = "X";
  OpenItem remainder = ko;  // on the larger side, left open
  remainder.r_p = debit_larger ? "R" : "P";
  (debit_larger ? remainder.obwn : remainder.obma) = d;
  remainder.zap = " ";

  Plan plan;
  plan.kto = ko.kto;
  plan.odb = ko.odb;
  plan.settled = marked;
  plan.batch_only = {marked_ko};
  plan.new_open = {remainder};
  plan.zap_of_copies = "X";
  auto out_or = Run(s, ui, plan);
  if (!out_or.ok()) return out_or.status();
  Outcome out = std::move(*out_or);
  CompensationResult r;
  static_cast<OperationResult&>(r) = out.result;
  if (out.result.done && !out.new_recnos.empty()) {
    remainder.recno = out.new_recnos.front();
    r.remainder = remainder;
  }
  return r;
}

Result<OperationResult> CloseToBalance(session::Session& s, store::StoreUi& ui, std::string_view kto,
                                       std::string_view odb, JulianDay date) {
  auto all_or = ItemsOf(s, kto, odb);
  if (!all_or.ok()) return all_or.status();
  std::vector<OpenItem> all = std::move(*all_or);
  Plan plan;
  plan.kto = PadR(kto, 1);
  plan.odb = PadR(odb, 8);
  double wn = 0, ma = 0;
  for (OpenItem& i : all) {
    if (i.data > date) continue;
    wn += i.HomeWn();
    ma += i.HomeMa();
    plan.settled.push_back(std::move(i));
  }
  if (plan.settled.empty()) {
    OperationResult nothing;
    nothing.done = true;
    return nothing;
  }
  const double net = NewRound(wn - ma, 2);
  if (Str(net, 13, 2) != Str(0.0, 13, 2)) {
    OpenItem sal;
    sal.r_p = net > 0 ? "R" : "P";
    sal.rd = "SAL";
    sal.nrd = std::string(8, ' ');
    sal.data = date;
    sal.termin = date;
    sal.mag = "0";
    sal.tresc = "SALDO " + Dtoc(date);
    sal.kto = plan.kto;
    sal.odb = plan.odb;
    sal.zap = " ";
    OpenItem mirror = sal;
    (net > 0 ? sal.obwn : sal.obma) = std::fabs(net);
    (net > 0 ? mirror.obma : mirror.obwn) = std::fabs(net);
    plan.new_open = {sal};
    plan.batch_only = {mirror};
  }
  auto out_or = Run(s, ui, plan);
  if (!out_or.ok()) return out_or.status();
  Outcome out = std::move(*out_or);
  return out.result;
}

}  // namespace hurt::settlements
