// WYJSCIE: leaving the line grid. The document is posted, kept in the grid, or dropped.
#include <string>

#include "base/cp852.h"
#include "base/numeric.h"
#include "base/text.h"
#include "console/message_window.h"
#include "documents/line_editor.h"
#include "documents/posting.h"
#include "documents/posting_header.h"
#include "documents/posting_internal.h"
#include "session/area_position.h"
#include "session/audit_log.h"
#include "session/init_tables.h"
#include "session/session.h"
#include "session/store_ui.h"
#include "session/var_names.h"
#include "session/viewer.h"
#include "store/net_files.h"
#include "store/net_use.h"

namespace hurt::documents {
namespace {

using namespace hurt::literals;
using namespace posting_internal;
using xbase::Value;

// The audit log of dropped documents and lowered corrections (session/audit_log.h).
void NoteInAuditLog(session::Session& s, std::string_view rd, std::string_view nrd, std::string_view text) {
  // The audit line is a note beside the change already made; a full disk loses the note only.
  (void)session::AuditLog(s, rd, nrd, text);
}

// The gross total of the working lines.
double WorkTotal(const std::vector<DocLine>& lines) {
  double total = 0;
  for (const DocLine& l : lines) total += l.brutto != 0 ? l.brutto : (l.nb == 'B' ? l.wartosc : l.wartosc + l.podatek);
  return NewRound(total, 2);
}

void EmptyWorkLines(session::Session& s, store::StoreUi& ui) {
  ZwRezWyjscie(s);
  // The station's own working table: one not made anew now is made anew before the next document.
  (void)session::NoweDd(s, ui);
}

// The kind's counter goes back by one when it still equals the dropped printed number.
// A header of that kind and number stands in dowod (deleted ones too): the number is used.
bool NumberUsed(session::Session& s, std::string_view rd, std::string_view nrd) {
  xbase::WorkArea* dowod = AreaOf(s, store::TableId::kDowod);
  if (dowod == nullptr || dowod->order_count() < 1) return true;  // not known: keep the counter
  session::AreaPosition keep(*dowod);
  const bool hidden = dowod->deleted_hidden();
  dowod->SetDeletedHidden(false);
  bool used = true;
  if (dowod->SetOrder(1).ok()) {
    auto found = dowod->SeekKey(PadR(rd, 3) + PadL(AllTrim(nrd), 8));
    used = !found.ok() || *found;
  }
  dowod->SetDeletedHidden(hidden);
  return used;
}

void GiveNumberBack(session::Session& s, store::StoreUi& ui, const KindRecord& kind, std::string_view nrd) {
  // The printed number was never taken, and another station may have posted a document
  // with it since: the counter goes down only while nothing carries that number.
  if (NumberUsed(s, kind.kind.rd, nrd)) return;
  xbase::WorkArea* slow = AreaOf(s, store::TableId::kSlow);
  if (slow == nullptr || !slow->GoTo(kind.recno).ok()) return;
  if (!store::RecLockArea(ui, *slow, 14.5).ok()) return;
  const double counter = FieldNumber(*slow, "NRD");
  if (static_cast<long>(counter) == static_cast<long>(Val(nrd)) && counter > 0) {
    // A counter not lowered only leaves a gap in the numbering: numbers are taken afresh at posting.
    (void)slow->Replace("NRD", Value(counter - 1));
  }
  // Releasing our own lock and committing a record at most given a lower counter: see above.
  (void)slow->Unlock();
  (void)slow->Commit();
}

// The counterparty's card in the catalogue of the kind (the area stands on it), or nullptr.
xbase::WorkArea* CounterpartyCard(session::Session& s, const DocKind& kind, std::string_view odb) {
  if (IsBlank(odb)) return nullptr;
  std::string_view alias = "zo";
  if (kind.kto == 'D') alias = "zd";
  if (kind.kto == 'P') alias = "zp";
  if (kind.kto == 'F') alias = "zf";
  xbase::WorkArea* z = s.areas().Find(alias);
  if (z == nullptr) return nullptr;
  if (z->order() != 1 && !z->SetOrder(1).ok()) return nullptr;
  auto found = z->SeekKey(PadR(odb, 8));
  return found.ok() && *found ? z : nullptr;
}

// Receipts with J_PZ_METKA "T": labels of the lines whose selling price changed, printed
// on the station's printer. A failed print does not stop the document.
void PrintPriceLabels(session::Session& s, const std::vector<DocLine>& lines) {
  xbase::WorkArea* as = AreaOf(s, store::TableId::kAs);
  if (as == nullptr) return;
  std::vector<LabelArticle> labels;
  const int order = as->order();
  if (order != 1) (void)as->SetOrder(1);
  for (const DocLine& l : lines) {
    if (!LineWantsLabel(l)) continue;
    auto found = as->SeekKey(PadR(l.mag, 1) + PadR(l.indeks, 8));
    if (!found.ok() || !*found) continue;
    labels.push_back({l.indeks, FieldText(*as, "NAZWA"), FieldText(*as, "JM"), FieldNumber(*as, "CENA"),
                      FieldNumber(*as, "CENA2")});
  }
  if (order != 1) (void)as->SetOrder(order);
  if (labels.empty()) return;
  const std::vector<std::string> text = PriceLabels(labels);
  const session::ViewerSetup setup = session::ViewerSetup::FromProcess();
  auto printed = session::Drukuj(
      s.env(), s.root(), s.stacja(),
      [&](session::ReportWriter& out) {
        for (const std::string& line : text) out.Line(line);
      },
      session::StationPrinter(s, setup), setup.print);
  if (!printed.ok()) Tell(s, "Metki nie wydrukowane");
}

}  // namespace

bool Wyjscie(session::Session& s, store::StoreUi& ui, bool post) {
  namespace var = session::var;
  const int klucz = static_cast<int>(s.vars().Number(var::KLUCZ));
  const PostingHeader header = ReadPostingHeader(s.vars());
  const std::string rd = PadR(header.rd, 3);
  const std::string& nrd = header.nrd;
  const bool printed = header.printed;
  auto kind = ReadKind(s, rd);
  auto read = ReadWorkLines(s);
  if (!read.ok()) {
    Tell(s, "Błąd odczytu pozycji dowodu"_pl);
    return false;
  }
  const std::vector<DocLine>& lines = *read;

  // 1. A sale takes the customer's telephone; the payment method must be given.
  if (kind.ok() && kind->kind.IsSale()) {
    if (xbase::WorkArea* card = CounterpartyCard(s, kind->kind, header.odb)) {
      s.vars().Set(var::M_TEL, Value(FieldText(*card, "TEL")));
    }
  }
  if (!lines.empty() && IsBlank(header.spz) && klucz != 1) {
    Tell(s, "Popraw sposob zaplaty");
    return false;
  }
  // 2. Purchases and warehouse documents: every article must exist, every name be given.
  if (kind.ok() && klucz == 0 && (kind->kind.IsPurchase() || kind->kind.IsWarehouse())) {
    xbase::WorkArea* as = AreaOf(s, store::TableId::kAs);
    for (const DocLine& l : lines) {
      if (as == nullptr) break;
      if (as->order() != 1) (void)as->SetOrder(1);
      const std::string mag = IsBlank(l.mag) ? std::string("1") : l.mag;
      auto found = as->SeekKey(PadR(mag, 1) + PadR(l.indeks, 8));
      if (!found.ok() || !*found) {
        Tell(s, "Wcisnac ALT_F4 i zmienic " + RTrim(l.indeks));
        return false;
      }
      if (IsBlank(l.nazwa)) {
        Tell(s, "Popraw nazwy, zapoznaj sie z cenami");
        return false;
      }
    }
  }
  // 3. Price labels of a receipt.
  if (kind.ok() && kind->kind.IsReceipt() && klucz != 1 && XbaseEquals(s.settings().Text("J_PZ_METKA"), "T")) {
    PrintPriceLabels(s, lines);
  }
  // 4. The total.
  const double total = WorkTotal(lines);
  const std::string value = AllTrim(Str(total, 14, 2));
  // 5. Nothing to post. A correction whose lines were all deleted may remove the posted
  // document; otherwise it stays as it was.
  if (klucz == 2 && lines.empty() && kind.ok()) {
    const std::string doc = RTrim(rd) + "-" + AllTrim(nrd);
    if (console::Okno(s.con(), std::string("Dowód bez pozycji - usunąć "_pl) + doc + " ?", "N")) {
      console::OknoNoWait(s.con(), "TRWA ZAPIS...");
      if (!UsunDowod(s, ui)) return false;
      // The log keeps what the document was worth, not the empty grid's 0.00.
      const std::string removed =
          s.vars().Has(var::L_WARTOSC) ? AllTrim(Str(s.vars().Number(var::L_WARTOSC), 14, 2)) : value;
      NoteInAuditLog(s, rd, nrd, removed + " usunieto dowod");
      Tell(s, std::string("Usunięto "_pl) + doc);
    } else {
      Tell(s, std::string("Dowód "_pl) + doc + " bez zmian");
    }
    EmptyWorkLines(s, ui);
    return true;
  }
  if (klucz == 1 || lines.empty()) {
    if (printed && klucz == 0) {
      Tell(s, "1 Straciles " + RTrim(rd) + "-" + AllTrim(nrd));
      NoteInAuditLog(s, rd, nrd, value + " wydrukowano, nie zaksiegowano");
    }
    EmptyWorkLines(s, ui);
    return true;
  }
  // 6. The question.
  const bool finished = post || console::Okno(s.con(), "CZY SKONCZYŁES EDYCJE DOWODU ?"_pl, "T");
  if (finished) {
    if (klucz == 2 && kind.ok() && kind->kind.IsSale() && s.vars().Has(var::L_WARTOSC)) {
      const double old_value = s.vars().Number(var::L_WARTOSC);
      if (total < old_value) {
        NoteInAuditLog(s, rd, nrd, AllTrim(Str(old_value, 14, 2)) + "->" + value + " zmniejszono wartosc w poprawie");
        Tell(s, "ZAPAMIETAM TWOJE KANTY !!");
      }
    }
    // 7. Currency without a rate.
    if (IsForeignCurrency(header.waluta) && header.kurs == 0) {
      Tell(s, "Jaki kurs ? Wcisnac Alt_E");
      return false;
    }
    // 8. A new document may take the payment of the counterparty's card (an issue note is
    // never paid: its invoice is).
    if (klucz == 0 && kind.ok() && !kind->kind.RdIs("WZ")) {
      if (xbase::WorkArea* card = CounterpartyCard(s, kind->kind, header.odb)) {
        const auto other = OtherCardPayment(FieldText(*card, "SPZ"), FieldNumber(*card, "TEZ"), header.spz, header.tez);
        if (other && console::Okno(s.con(), PaymentQuestion(*other), "T")) {
          s.vars().Set(var::M_SPZ, Value(other->spz));
          s.vars().Set(var::M_TEZ, Value(other->tez));
        }
      }
    }
    // A new sale paid by card (a correction: refunded to the card) goes to the card
    // terminal first; it is posted as paid only when the terminal approved it.
    const session::DocumentActions& actions = s.document_actions();
    bool card = false;
    if (klucz == 0 && kind.ok() && kind->kind.s_z == 'S' && (kind->kind.r_p == 'R' || kind->kind.r_p == 'K') &&
        actions.card_payment && Left(s.vars().Text(var::M_SPZ), 1) == "C") {
      session::CardPayment payment;
      payment.rd = rd;
      payment.odb = header.odb;
      payment.r_p = kind->kind.r_p;
      payment.value = total;
      const session::CardPaymentResult paid = actions.card_payment(s, payment);
      if (paid != session::CardPaymentResult::kNoTerminal) {
        card = true;
        s.vars().Set(var::M_KWOTA, Value(paid == session::CardPaymentResult::kApproved ? total : 0.0));
      }
    }
    // 9. Post (the settlement entry is written inside the posting, step 10).
    console::OknoNoWait(s.con(), "TRWA ZAPIS...");
    const bool posted = RepDowWithD(s, ui, klucz);
    if (card) {
      // The amount paid belongs to this document only.
      s.vars().Set(var::M_KWOTA, Value(0.0));
      if (posted && actions.card_payment_closed) actions.card_payment_closed(s, true);
    }
    if (!posted) return false;
    // 11. A new working table (the document is posted; one not made anew now is made
    // anew before the next document).
    (void)session::NoweDd(s, ui);
    return true;
  }
  // 12. Abandoned. An abandoned correction leaves the posted document as it was. A card
  // payment made for it in an attempt that did not post is told.
  if (const auto& closed = s.document_actions().card_payment_closed) closed(s, false);
  if (klucz == 2) {
    Tell(s, std::string("Poprawa porzucona - dowód "_pl) + RTrim(rd) + "-" + AllTrim(nrd) + " bez zmian");
    NoteInAuditLog(s, rd, nrd, value + " poprawa porzucona");
  } else if (printed && kind.ok()) {
    GiveNumberBack(s, ui, *kind, nrd);
    Tell(s, "4 Straciles " + RTrim(rd) + "-" + AllTrim(nrd));
    NoteInAuditLog(s, rd, nrd, value + " wydrukowano, nie zaksiegowano");
  } else {
    NoteInAuditLog(s, rd, nrd, value + " nie zaksiegowano");
  }
  EmptyWorkLines(s, ui);
  return true;
}

bool Wyjscie(session::Session& session, bool post) {
  session::ConsoleStoreUi ui(session.con());
  return Wyjscie(session, ui, post);
}

}  // namespace hurt::documents
