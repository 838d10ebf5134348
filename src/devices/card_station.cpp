#include "devices/card_station.h"

#include <cmath>

#include "base/numeric.h"
#include "base/text.h"
#include "console/message_window.h"
#include "devices/fiscal_station.h"
#include "session/output/vat_ini.h"
#include "devices/note_lines.h"
#include "xbase/file_util.h"

namespace hurt::devices {
namespace {

constexpr int kDefaultAnswerSeconds = 120;
constexpr std::string_view kSentText = "wyslana";
constexpr std::string_view kApprovedText = "przyjeta";

std::string ConfigValue(session::Session& s, std::string_view key) {
  auto ini = session::VatIni::Load(s.env(), s.root());
  if (!ini.ok()) return "";
  return AllTrim(ini->GetCfgValue(key, session::StationEnvironment::FromProcess()));
}

// The workstation's own folder of the address files; "" when it has none.
std::string OwnFolder(session::Session& s) {
  std::string folder = ConfigValue(s, "EFT_KATALOG");
  if (folder.empty()) folder = s.options().local_dir;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

// The file `name` in `folder`, in lower or upper case; "" when neither exists.
std::string Existing(session::Session& s, const std::string& folder, std::string_view name) {
  if (folder.empty()) return "";
  const std::string lower = folder + "/" + Lower(name);
  if (s.env().Exists(lower)) return lower;
  const std::string upper = folder + "/" + Upper(name);
  if (s.env().Exists(upper)) return upper;
  return "";
}

TerminalChoice ReadChoice(session::Session& s, CardFamily family, const std::string& path) {
  TerminalChoice t;
  t.family = family;
  t.file = path;
  if (!path.empty()) {
    auto text = xbase::ReadWholeFile(s.env(), path);
    if (text.ok()) t.address = TerminalAddressOf(*text);
  }
  return t;
}

std::string Zl(std::string_view grosze) {
  return AllTrim(Str(Val(grosze) / 100.0, 12, 2));
}

void Tell(session::Session& s, std::string_view text, int seconds) { console::Okno_(s.con(), text, seconds); }

Status WriteNote(session::Session& s, const CardNote& n) {
  const std::string path = CardNotePath(s);
  const size_t slash = path.rfind('/');
  if (slash != std::string::npos) HURT_RETURN_IF_ERROR(s.env().CreateDirs(path.substr(0, slash)));
  return xbase::ReplaceWholeFile(s.env(), path, EncodeCardNote(n));
}

std::optional<CardNote> ReadNote(session::Session& s) {
  const std::string path = CardNotePath(s);
  if (!s.env().Exists(path)) return std::nullopt;
  auto text = xbase::ReadWholeFile(s.env(), path);
  if (!text.ok()) return std::nullopt;
  return DecodeCardNote(*text);
}

void RemoveNote(session::Session& s) {
  const std::string path = CardNotePath(s);
  if (!s.env().Exists(path)) return;
  Status st = s.env().Remove(path);
  if (!st.ok()) Tell(s, "Nie usunieto zapisu platnosci karta: " + st.message(), 3);
}

enum class Settled { kApproved, kNotCharged };

// Whether the payment of a note left "wyslana" went through.
Settled SettleSent(session::Session& s, CardLink& link, const CardNote& note) {
  if (auto last = link.LastTransaction()) {
    const std::optional<CardAnswer>& a = *last;
    const bool same = a && a->amount == note.amount && (a->type < 0 || a->type == note.type - '0');
    if (same && a->approved) return Settled::kApproved;
    return Settled::kNotCharged;
  }
  const bool went = console::Okno(s.con(), "Czy terminal przyjal platnosc " + Zl(note.amount) + " ?", "N");
  return went ? Settled::kApproved : Settled::kNotCharged;
}

}  // namespace

std::string AddressFileName(CardFamily family) { return family == CardFamily::kElavon ? "elavon.txt" : "fiserv.txt"; }

std::optional<TerminalChoice> FindTerminal(session::Session& s) {
  const std::string own = OwnFolder(s);
  for (const std::string& folder : {own, s.root()}) {
    for (CardFamily f : {CardFamily::kElavon, CardFamily::kFiserv}) {
      if (!Existing(s, folder, AddressFileName(f)).empty()) return TerminalOf(s, f);
    }
  }
  return std::nullopt;
}

TerminalChoice TerminalOf(session::Session& s, CardFamily family) {
  const std::string in_data = Existing(s, s.root(), AddressFileName(family));
  if (!in_data.empty()) return ReadChoice(s, family, in_data);
  return ReadChoice(s, family, Existing(s, OwnFolder(s), AddressFileName(family)));
}

Status WriteTerminalAddress(session::Session& s, const TerminalChoice& t, std::string_view address) {
  const std::string path = t.file.empty() ? s.root() + "/" + AddressFileName(t.family) : t.file;
  return xbase::WriteWholeFile(s.env(), path, TerminalAddressOf(address));
}

TerminalPorts TerminalPortsOf(session::Session& s) {
  TerminalPorts p;
  const std::string text = ConfigValue(s, "EFT_PORTY");
  int* slots[] = {&p.transaction, &p.status, &p.settlement, &p.fiserv};
  size_t start = 0;
  for (int* slot : slots) {
    if (start > text.size()) break;
    const size_t comma = text.find(',', start);
    const int port = static_cast<int>(Val(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
    if (port > 0 && port <= 65535) *slot = port;
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return p;
}

int AnswerMillis(session::Session& s) {
  const double seconds = Val(ConfigValue(s, "EFT_CZAS"));
  return static_cast<int>((seconds > 0 ? seconds : kDefaultAnswerSeconds) * 1000);
}

CardLink LinkTo(session::Session& s, const TerminalChoice& t) {
  return CardLink(s.clock(), DevicesOf(s).opener(), t.family, t.address, TerminalPortsOf(s), AnswerMillis(s));
}

std::string EncodeCardNote(const CardNote& n) {
  return "rd=" + RTrim(n.rd) + "\nodb=" + RTrim(n.odb) + "\ntyp=" + std::string(1, n.type) + "\nkwota=" + n.amount +
         "\nstan=" + std::string(n.stage == CardNote::Stage::kApproved ? kApprovedText : kSentText) + "\n";
}

std::optional<CardNote> DecodeCardNote(std::string_view text) {
  CardNote n;
  bool amount = false, stage = false, type = false;
  ForEachNoteLine(text, [&](std::string_view key, std::string_view value) {
    if (key == "rd") n.rd = RTrim(value);
    if (key == "odb") n.odb = RTrim(value);
    if (key == "typ" && (value == "0" || value == "1")) {
      n.type = value[0];
      type = true;
    }
    if (key == "kwota" && value.size() == 12 && value.find_first_not_of("0123456789") == std::string_view::npos) {
      n.amount = std::string(value);
      amount = true;
    }
    if (key == "stan" && (value == kSentText || value == kApprovedText)) {
      n.stage = value == kApprovedText ? CardNote::Stage::kApproved : CardNote::Stage::kSent;
      stage = true;
    }
  });
  if (!amount || !stage || !type) return std::nullopt;
  return n;
}

std::string CardNotePath(session::Session& s) {
  const std::string& local = s.options().local_dir;
  if (!local.empty()) return local + "/karta.txt";
  return s.Path("rob/karta" + s.StationText() + ".txt");
}

session::CardPaymentResult PayByCard(session::Session& s, const session::CardPayment& p) {
  using session::CardPaymentResult;
  const std::optional<TerminalChoice> found = FindTerminal(s);
  if (!found) return CardPaymentResult::kNoTerminal;
  const TerminalChoice t = TerminalOf(s, found->family);
  CardLink link = LinkTo(s, t);
  const double amount = std::fabs(p.value);
  CardNote want;
  want.rd = RTrim(p.rd);
  want.odb = RTrim(p.odb);
  want.type = p.r_p == 'K' ? '1' : '0';
  want.amount = GroszeText(amount);
  const CardTxnType type = p.r_p == 'K' ? CardTxnType::kRefund : CardTxnType::kSale;

  std::optional<CardNote> note = ReadNote(s);
  if (note) {
    CardNote same = *note;
    same.stage = want.stage;
    if (!(same == want)) {
      // Left by a document that was never posted.
      if (note->stage == CardNote::Stage::kApproved) {
        console::OknoLines(s.con(),
                           {"Platnosc karta " + Zl(note->amount) + " (" + note->rd + ") przyjeta,",
                            "a dowod nie zapisany - sprawdz terminal"},
                           3);
      }
      RemoveNote(s);
      note.reset();
    }
  }
  for (;;) {
    if (note && note->stage == CardNote::Stage::kApproved) {
      Tell(s, "Platnosc karta juz przyjeta", 1);
      return CardPaymentResult::kApproved;
    }
    if (note && note->stage == CardNote::Stage::kSent) {
      // The last attempt got no answer: it may have gone through.
      const Settled settled = SettleSent(s, link, *note);
      if (settled == Settled::kApproved) {
        note->stage = CardNote::Stage::kApproved;
        Status st = WriteNote(s, *note);
        if (!st.ok()) Tell(s, "Nie zapisano stanu platnosci karta: " + st.message(), 3);
        Tell(s, "Terminal przyjal wczesniejsza platnosc", 2);
        return CardPaymentResult::kApproved;
      }
    }
    CardNote sent = want;
    sent.stage = CardNote::Stage::kSent;
    if (Status st = WriteNote(s, sent); !st.ok()) {
      // Without the note a retry could not tell whether this one went: nothing is sent.
      Tell(s, "Nie zapisano stanu platnosci karta: " + st.message(), 3);
      return CardPaymentResult::kNotPaid;
    }
    note = sent;
    console::OknoNoWait(s.con(), (type == CardTxnType::kRefund ? "Zwrot na karte " : "Platnosc karta ") + Zl(want.amount));
    const CardResult r = link.Transact(type, amount);
    switch (r.outcome) {
      case CardOutcome::kApproved: {
        note->stage = CardNote::Stage::kApproved;
        Status st = WriteNote(s, *note);
        if (!st.ok()) Tell(s, "Nie zapisano stanu platnosci karta: " + st.message(), 3);
        Tell(s, "Platnosc karta przyjeta", 1);
        return CardPaymentResult::kApproved;
      }
      case CardOutcome::kNoConnection:
        RemoveNote(s);  // nothing went
        note.reset();
        Tell(s, "Brak komunikacji z Terminalem", 3);
        break;
      case CardOutcome::kDeclined:
        RemoveNote(s);
        note.reset();
        Tell(s, "Terminal odrzucil platnosc (" + r.answer.result + ")", 3);
        break;
      case CardOutcome::kNoAnswer:
        Tell(s, "Terminal nie odpowiedzial", 3);
        break;
      case CardOutcome::kBadAnswer:
        Tell(s, "Terminal odpowiedzial niezrozumiale", 3);
        break;
    }
    if (console::Okno(s.con(), "Ponowic platnosc karta ?", "T")) continue;
    if (note && note->stage == CardNote::Stage::kSent && SettleSent(s, link, *note) == Settled::kApproved) {
      note->stage = CardNote::Stage::kApproved;
      (void)WriteNote(s, *note);
      Tell(s, "Terminal przyjal wczesniejsza platnosc", 2);
      return CardPaymentResult::kApproved;
    }
    RemoveNote(s);
    Tell(s, "Dowod zapisany bez zaplaty karta", 3);
    return CardPaymentResult::kNotPaid;
  }
}

void InstallCardActions(session::Session& s) {
  session::DocumentActions& a = s.document_actions();
  a.card_payment = [](session::Session& session, const session::CardPayment& p) { return PayByCard(session, p); };
  a.card_payment_closed = [](session::Session& session, bool posted) {
    const std::optional<CardNote> note = ReadNote(session);
    if (!note) return;
    if (!posted && note->stage == CardNote::Stage::kApproved) {
      console::OknoLines(session.con(),
                         {"Platnosc karta " + Zl(note->amount) + " przyjeta, dowod porzucony",
                          "Zwroc ja na terminalu (Zwrot)"},
                         5);
    }
    RemoveNote(session);
  };
}

}  // namespace hurt::devices
