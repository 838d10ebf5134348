#include "devices/receipt.h"

#include <cmath>

#include "base/numeric.h"
#include "base/text.h"

namespace hurt::devices {
namespace {

double Round2(double x) { return NewRound(x, 2); }

int PauseAfter(int line_number, const ReceiptRules& rules, bool problem) {
  if (problem) return 5000;
  switch (rules.pacing) {
    case Pacing::kNone: return 0;
    case Pacing::kSlow: return line_number < 30 ? 700 : 1500;
    case Pacing::kNormal: return line_number < 30 ? 600 : 1200;
  }
  return 0;
}

PaymentKind KindOfPayment(char spz) {
  if (spz == 'C') return PaymentKind::kCard;
  if (spz == 'G') return PaymentKind::kCash;
  return PaymentKind::kOther;
}

}  // namespace

std::string PaymentFormText(char spz) {
  switch (spz) {
    case 'G': return "GOTOWKA";
    case 'T': return "F.TERMINOWA";
    case 'B': return "F.BEZGOTOWKOWA";
    case 'C': return "KARTA";
    default: return "PRZELEW";
  }
}

std::vector<PlannedReceipt> PlanReceipts(const FiscalDocument& doc, const ReceiptRules& rules) {
  std::vector<PlannedReceipt> plan;
  double deposit_waiting = 0;  // deposit lines before the first line that goes
  int sent = 0;                // lines sent on the current receipt
  const bool problem = doc.recipient.find("PROBLEM") != std::string::npos;
  for (const DocumentLine& l : doc.lines) {
    if (l.ilosc == 0) continue;
    const double gross_value = doc.gross ? l.wartosc : l.wartosc + l.podatek;
    if (Round2(gross_value) == 0) continue;
    if (rules.deposit_apart && !IsBlank(rules.opa) && AllTrim(l.indeks) == AllTrim(rules.opa)) {
      if (plan.empty()) {
        deposit_waiting += Round2(gross_value);
      } else {
        plan.back().deposit += Round2(gross_value);
      }
      continue;
    }
    double price = doc.gross ? Round2(l.cena) : Round2(gross_value / l.ilosc);
    if (doc.margin_sale && doc.gross) price = Round2(l.cena - l.cena0);
    if (price == 0) continue;
    // A line that takes money back (negative quantity, or a negative price) goes as a
    // storno: number 0, everything positive.
    const bool storno = (l.ilosc < 0) != (price < 0);
    const double quantity = std::fabs(l.ilosc);
    price = std::fabs(price);
    if (plan.empty() || sent == kMaxReceiptLines) {
      PlannedReceipt next;
      next.part = static_cast<int>(plan.size()) + 1;
      if (plan.empty()) next.deposit = deposit_waiting;
      plan.push_back(next);
      sent = 0;
    }
    PlannedReceipt& r = plan.back();
    ++sent;
    PlannedLine p;
    SaleLine& s = p.line;
    s.rate_letter = FunPtu(l.podatek0, rules.ptu);
    s.rate_digit = FunPtuDigit(l.podatek0, rules.ptu);
    s.quantity = quantity;
    s.three_decimals = rules.three_decimals;
    s.unit = AllTrim(l.jm);
    s.price = price;
    s.value = Round2(quantity * price);
    s.lp = storno ? 0 : static_cast<int>(std::count_if(r.lines.begin(), r.lines.end(),
                                                        [](const PlannedLine& x) { return x.line.lp != 0; })) + 1;
    if (doc.margin_sale && doc.gross) {
      s.name = Left(FiscalNameCharacters(RTrim(doc.rd) + "-" + AllTrim(doc.nrd) + " " + RTrim(l.nazwa)), 30);
    } else {
      LineNameRules names = rules.names;
      names.export_kind = doc.export_kind;
      s.name = DfWiersz(l.nazwa, s.rate_letter, l.jm, names);
    }
    p.pause_ms = PauseAfter(sent, rules, problem);
    r.total = Round2(r.total + (storno ? -s.value : s.value));
    r.lines.push_back(std::move(p));
  }
  for (PlannedReceipt& r : plan) {
    r.cancel = r.total <= 0;
    r.paid = r.total;
    if (plan.size() == 1 && doc.wplaca > 0) {
      const double given = Round2(doc.wplaca - r.deposit);
      if (given >= r.total) r.paid = given;
    }
  }
  return plan;
}

SendOutcome SendReceipts(FiscalPrinter& printer, const FiscalDocument& doc, const ReceiptRules& rules,
                         const std::vector<PlannedReceipt>& plan, int from_part,
                         const std::function<void(int part, SendStage stage)>& progress) {
  SendOutcome out;
  const FrameSet& f = printer.frames();
  FiscalUi& ui = printer.ui();
  auto tell = [&](int part, SendStage stage) {
    if (progress) progress(part, stage);
  };
  bool started = false;
  for (const PlannedReceipt& r : plan) {
    if (r.part < from_part) continue;
    if (started) ui.Tell(std::to_string(kMaxReceiptLines) + " pozycji", 1);
    // 1. The port, error mode 1, the begin frame.
    if ((rules.restart_port || !started) && !printer.RsInit()) return out;
    started = true;
    tell(r.part, SendStage::kLines);
    Frames begin;
    if (doc.fiscal_invoice) {
      BeginInvoice b;
      b.rd = doc.rd;
      b.nrd = doc.nrd;
      b.buyer = BuyerLines(doc.buyer, rules.tab_dialect ? 40 : 44);
      b.nip = AllTrim(doc.nip);
      b.issue_date = doc.data;
      b.due_date = doc.data + doc.tez;
      b.spz = doc.spz;
      b.payment_text = PaymentFormText(doc.spz);
      b.bank_account = rules.bank_account;
      b.recipient = doc.recipient;
      b.operator_name = rules.operator_name;
      begin = f.BeginFiscalInvoice(b);
    } else {
      BeginReceipt b;
      b.till = rules.till;
      b.rd = doc.rd;
      b.nrd = doc.nrd;
      b.part = r.part;
      b.operator_name = rules.operator_name;
      if (rules.nip_on_receipt && !IsBlank(doc.nip)) b.nip = AllTrim(doc.nip);
      begin = f.Begin(b);
    }
    if (!printer.Send(f.ErrorMode(1)) || !printer.Send(begin)) return out;
    // 2-5. The lines, each with its pause.
    for (const PlannedLine& p : r.lines) {
      if (!printer.Send(f.Line(p.line))) return out;
      if (p.pause_ms > 0) printer.clock().Sleep(p.pause_ms);
    }
    // 7. Nothing to pay: the receipt is cancelled.
    if (r.cancel) {
      if (!printer.Send(f.Cancel()) || !printer.Send(f.ErrorMode(0))) return out;
      ui.Bell(4);
      ui.Tell("Anulowano paragon  / Suma /", 3);
      ++out.cancelled;
      continue;
    }
    // 8. The close.
    tell(r.part, SendStage::kClosing);
    CloseReceipt c;
    c.till = rules.till;
    c.operator_nr = rules.operator_nr;
    c.rd = doc.rd;
    c.nrd = doc.nrd;
    c.paid = r.paid;
    c.total = r.total;
    c.payment = KindOfPayment(doc.spz);
    c.spz = doc.spz;
    c.vouchers = rules.bony ? doc.vouchers : 0;
    c.thermal = rules.thermal;
    c.sd_nrd = rules.sd_nrd;
    c.bony = rules.bony;
    c.fiscal_invoice = doc.fiscal_invoice;
    if (rules.nip_on_receipt && !IsBlank(doc.nip)) c.nip = AllTrim(doc.nip);
    const std::vector<std::string> buyer = BuyerLines(doc.buyer, 44);
    c.buyer = buyer.empty() ? std::string() : buyer.front();
    const bool plain = c.payment != PaymentKind::kCard && !c.sd_nrd && !c.bony && !c.fiscal_invoice;
    const bool cash_plain = c.payment == PaymentKind::kCash && !(c.bony && c.vouchers > 0);
    if (!plain && !cash_plain) {
      ui.Tell(c.payment == PaymentKind::kCard ? std::string("PLATNOSC KARTA") : "PLATNOSC " + std::string(1, doc.spz), 1);
    }
    if (!printer.Send(f.ErrorMode(2)) || !printer.Send(f.Close(c))) return out;
    // 9. The enquiry, error mode 0.
    (void)printer.DfEnq();
    if (!printer.Send(f.ErrorMode(0))) return out;
    ++out.receipts;
  }
  tell(0, SendStage::kDone);
  out.sent = true;
  return out;
}

}  // namespace hurt::devices
