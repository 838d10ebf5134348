#include "invoicing/edi_from_document.h"

#include <algorithm>

#include "base/numeric.h"
#include "base/text.h"
#include "console/form.h"
#include "console/message_window.h"
#include "documents/vat_rate.h"
#include "invoicing/invoice_tables.h"
#include "session/session.h"
#include "session/store_ui.h"

namespace hurt::invoicing {

namespace {

constexpr std::string_view kTitle = "PARAMETRY DOKUMENTU EDIFACT";
constexpr std::string_view kWorking = "Generowanie dokumentu - prosze czekac....";
constexpr int kTop = 4, kLeft = 8, kBottom = 20, kRight = 71;
constexpr int kLabelCol = 10, kFieldCol = 35;
constexpr size_t kFieldWidth = 20;

std::string Key(std::string_view rd, std::string_view nrd) { return PadR(rd, 3) + PadL(AllTrim(nrd), 8); }

// The value of an eo_cfg key, "" when it is not there.
std::string Setting(const std::map<std::string, std::string>& cfg, std::string_view key) {
  auto it = cfg.find(std::string(key));
  return it == cfg.end() ? std::string() : it->second;
}

std::string FirstSet(std::string_view a, std::string_view b) { return AllTrim(a).empty() ? AllTrim(b) : AllTrim(a); }

// The numeric rate of a line's code; -1 for an exempt rate.
edi::Stawka RateOf(std::string_view podatek0) {
  if (AllTrim(podatek0) == "ZW") return edi::Stawka::Units(-edi::Stawka::kScale);
  return edi::Stawka::Of(documents::RateOfCode(podatek0));
}

// The article's bar code, the line's own when the article has none.
std::string EanOf(xbase::WorkArea* as, const documents::DocLine& line) {
  if (as != nullptr && as->FieldIndex("KOD13") >= 0) {
    auto found = as->SeekKey(PadR(line.mag, 1) + PadR(line.indeks, 8));
    if (found.ok() && *found) {
      const std::string kod = AllTrim(FieldText(*as, "KOD13"));
      if (!kod.empty()) return kod;
    }
  }
  return AllTrim(line.kod13);
}

// An edited text: what it holds, at least `width` wide.
std::string Buffer(std::string_view value) { return PadR(value, std::max(kFieldWidth, value.size())); }

// Writes `bytes` to `path` and makes them durable.
Status WriteDurably(xbase::Env& env, const std::string& path, std::string_view bytes) {
  xbase::OpenOptions options;
  options.create = true;
  options.truncate = true;
  auto file = env.Open(path, options);
  HURT_RETURN_IF_ERROR(file.status());
  HURT_RETURN_IF_ERROR((*file)->WriteAt(0, bytes));
  return (*file)->Sync();
}

// "hhmm" of the session clock.
std::string TimeHhmm(session::Session& s) {
  const std::string t = s.clock().TimeText();  // "hh:mm:ss"
  return t.substr(0, 2) + t.substr(3, 2);
}

}  // namespace

EdiPlace EdiPlaceOf(session::Session& s, store::StoreUi& ui) {
  return EdiPlace{s.env(), s.areas(), s.root(), s.StationText(), ui};
}

Result<EdiParametry> DomyslneParametryEdi(session::Session& s, store::StoreUi& ui, std::string_view rd,
                                          std::string_view nrd) {
  xbase::WorkArea* dowod = SessionAreaOf(s, store::TableId::kDowod);
  xbase::WorkArea* slow = SessionAreaOf(s, store::TableId::kSlow);
  if (dowod == nullptr || slow == nullptr) return Status::NotFound("Pliki dowodow niedostepne");
  AreaPosition keep_dowod(dowod), keep_slow(slow);
  HURT_RETURN_IF_ERROR(dowod->SetOrder(1));
  auto found = dowod->SeekKey(Key(rd, nrd));
  HURT_RETURN_IF_ERROR(found.status());
  if (!*found) return Status::NotFound("Brak dowodu " + AllTrim(rd) + "-" + AllTrim(nrd));
  const InvoiceHeader h = HeaderFromRecord(*dowod);
  HURT_RETURN_IF_ERROR(slow->SetOrder(1));
  auto kind = ReadKind(*slow, PadR(rd, 3));
  HURT_RETURN_IF_ERROR(kind.status());
  if (!kind->IsSale()) return Status::Invalid(AllTrim(rd) + " nie jest faktura sprzedazy");

  EdiPlace place = EdiPlaceOf(s, ui);
  auto cfg = CzytajEoCfg(place);
  HURT_RETURN_IF_ERROR(cfg.status());
  EdiParametry p;
  p.nr_komunikatu = static_cast<long>(Val(Setting(*cfg, "INV_NR_KOM"))) + 1;
  p.nr_faktury = AllTrim(h.rd) + "-" + AllTrim(h.nrd);
  const std::string symbol = AllTrim(s.settings().Text("J_FV_SYMBO"));
  if (!symbol.empty()) p.nr_faktury += "/" + symbol;
  p.data_faktury = h.data;
  p.data_wz = s.Today();
  p.data_dostawy = s.Today();
  p.gln_dostawy = Setting(*cfg, "INV_NAD_DP");
  p.gln_dostawcy = Setting(*cfg, "INV_NAD_SU");
  p.gln_nabywcy = Setting(*cfg, "INV_NAD_BY");
  p.gln_platnika = Setting(*cfg, "INV_NAD_PL");
  p.gln_odbiorcy = Setting(*cfg, "INV_NAD_IV");
  p.id_u_nabywcy = Setting(*cfg, "INV_RFF_SU_API");
  p.nip_dostawcy = FirstSet(ReadSeller(s).regon, Setting(*cfg, "INV_RFF_SU_VA"));
  p.nip_nabywcy = FirstSet(h.regon, Setting(*cfg, "INV_RFF_BY_VA"));
  p.nip_platnika = Setting(*cfg, "INV_RFF_PL_VA");
  p.nip_odbiorcy = Setting(*cfg, "INV_RFF_IV_VA");
  return p;
}

bool EkranParametrowEdi(session::Session& s, EdiParametry& p) {
  console::Console& con = s.con();
  const console::SavedScreen saved = con.SaveScreen();
  con.Box(kTop, kLeft, kBottom, kRight, console::DoubleFrame(), con.colours().standard, ' ');
  con.Say(kTop + 1, kLeft + (kRight - kLeft + 1 - static_cast<int>(kTitle.size())) / 2, kTitle);
  con.Say(24, 0, PadR(" Enter - nastepne pole (na ostatnim: generowanie)     Esc - rezygnacja", 80),
          con[console::Role::kKeyBar]);
  console::Form form(con);
  int row = kTop + 3;
  auto label = [&](std::string_view text) { form.Say(row, kLabelCol, PadR(text, 23) + ":"); };
  label("Numer komunikatu");
  form.Say(row++, kFieldCol, std::to_string(p.nr_komunikatu));
  label("Numer faktury");
  form.Say(row++, kFieldCol, p.nr_faktury);

  std::string nr_zam = Buffer(p.nr_zamowienia), nr_wz = Buffer(p.nr_wz);
  std::string gln_dp = Buffer(p.gln_dostawy), gln_su = Buffer(p.gln_dostawcy), nip_su = Buffer(p.nip_dostawcy);
  std::string id_api = Buffer(p.id_u_nabywcy), gln_by = Buffer(p.gln_nabywcy), nip_by = Buffer(p.nip_nabywcy);
  JulianDay data_zam = p.data_zamowienia, data_wz = p.data_wz, data_dost = p.data_dostawy;
  auto text = [&](std::string_view what, std::string& var) -> console::GetField& {
    label(what);
    return form.GetText(row++, kFieldCol, var).Width(static_cast<int>(kFieldWidth));
  };
  // The interchange goes from the buyer's GLN to ours: neither may be blank.
  auto required = [&con](const std::string& var, std::string_view message) {
    return [&con, &var, message] {
      if (!IsBlank(var)) return true;
      console::Okno_(con, message, 2);
      return false;
    };
  };
  auto date = [&](std::string_view what, JulianDay& var) {
    label(what);
    form.GetDate(row++, kFieldCol, var);
  };
  text("Numer zamowienia", nr_zam);
  date("Data zamowienia", data_zam);
  text("Numer dokumentu WZ", nr_wz);
  date("Data dokumentu WZ", data_wz);
  date("Data dostawy", data_dost);
  text("EAN miejsca dostawy", gln_dp);
  text("EAN dostawcy", gln_su).Valid(required(gln_su, "Wpisz EAN dostawcy"));
  text("NIP dostawcy", nip_su);
  text("Id. dostawcy u nabywcy", id_api);
  text("EAN nabywcy", gln_by).Valid(required(gln_by, "Wpisz EAN nabywcy"));
  text("NIP nabywcy", nip_by);
  const bool escaped = form.Read().escaped;
  con.RestoreScreen(saved);
  if (escaped) return false;
  p.nr_zamowienia = AllTrim(nr_zam);
  p.data_zamowienia = data_zam;
  p.nr_wz = AllTrim(nr_wz);
  p.data_wz = data_wz;
  p.data_dostawy = data_dost;
  p.gln_dostawy = AllTrim(gln_dp);
  p.gln_dostawcy = AllTrim(gln_su);
  p.nip_dostawcy = AllTrim(nip_su);
  p.id_u_nabywcy = AllTrim(id_api);
  p.gln_nabywcy = AllTrim(gln_by);
  p.nip_nabywcy = AllTrim(nip_by);
  return true;
}

Result<EdiInvoiceBuilder> FakturaEdi(session::Session& s, std::string_view rd, std::string_view nrd,
                                     const EdiParametry& p) {
  xbase::WorkArea* dowod = SessionAreaOf(s, store::TableId::kDowod);
  xbase::WorkArea* dow = SessionAreaOf(s, store::TableId::kDow);
  xbase::WorkArea* as = SessionAreaOf(s, store::TableId::kAs);
  if (dowod == nullptr || dow == nullptr) return Status::NotFound("Pliki dowodow niedostepne");
  AreaPosition keep_dowod(dowod), keep_dow(dow), keep_as(as);
  const std::string key = Key(rd, nrd);
  HURT_RETURN_IF_ERROR(dowod->SetOrder(1));
  auto found = dowod->SeekKey(key);
  HURT_RETURN_IF_ERROR(found.status());
  if (!*found) return Status::NotFound("Brak dowodu " + AllTrim(rd) + "-" + AllTrim(nrd));
  const InvoiceHeader h = HeaderFromRecord(*dowod);

  EdiInvoiceBuilder b;
  b.EiStart(std::to_string(p.nr_komunikatu), p.nr_faktury, edi::EdiDate(p.data_faktury));
  b.EiDocZam(p.nr_zamowienia, edi::EdiDate(p.data_zamowienia));
  b.EiDocDost(p.nr_wz, edi::EdiDate(p.data_wz), edi::EdiDate(p.data_dostawy));
  b.EiDostawca(p.gln_dostawcy, p.nip_dostawcy, "", p.id_u_nabywcy);
  b.EiNabywca(p.gln_nabywcy, p.nip_nabywcy, "");
  b.EiMsDostawy(p.gln_dostawy);
  b.EiPlatnik(p.gln_platnika, p.nip_platnika, "");
  b.EiOdbiorca(p.gln_odbiorcy, p.nip_odbiorcy, "");
  b.EiWaluta("PLN");
  b.EiPlatnosc(h.tez);

  if (as != nullptr) HURT_RETURN_IF_ERROR(as->SetOrder(1));
  HURT_RETURN_IF_ERROR(dow->SetOrder(1));
  auto at = dow->SeekKey(key);
  HURT_RETURN_IF_ERROR(at.status());
  while (*at && !dow->eof()) {
    const InvoiceLine l = LineFromRecord(*dow);
    if (Key(l.rd, l.nrd) != key) break;
    HURT_RETURN_IF_ERROR(dow->Skip(1));
    const edi::Ilosc ilosc = edi::Ilosc::Of(l.ilosc);
    if (ilosc.IsZero()) continue;
    // On a gross line WARTOSC holds the gross value: the net is what is left without the VAT.
    const edi::Kwota netto = edi::Kwota::Of(l.nb == 'B' ? l.wartosc - l.podatek : l.wartosc);
    b.EiPozycja(EanOf(as, l), "", "", "", edi::Ilosc::Units(edi::Ilosc::kScale));
    b.EiPozOpis("", l.nazwa, l.nazwa1);
    b.EiPozCena(ilosc, edi::UnitPrice(netto, ilosc), RateOf(l.podatek0), netto, edi::Kwota::Of(l.podatek));
  }
  b.EiSuma();
  return b;
}

std::string PlikEdi(session::Session& s, std::string_view rd, std::string_view nrd) {
  const std::string ext = s.FileX("EDI.TXT") ? ".txt" : ".edi";
  return "xml/" + Lower(AllTrim(rd) + AllTrim(nrd)) + ext;
}

Result<std::string> ZapiszFaktureEdi(session::Session& s, store::StoreUi& ui, std::string_view rd,
                                     std::string_view nrd, const EdiParametry& p, std::string_view path) {
  const std::string name = path.empty() ? PlikEdi(s, rd, nrd) : std::string(path);
  const std::string target = name.starts_with("/") ? name : s.Path(name);
  const std::string folder = target.substr(0, target.rfind('/'));
  if (!folder.empty() && !s.env().Exists(folder)) HURT_RETURN_IF_ERROR(s.env().CreateDirs(folder));
  const std::string temp = target + "." + s.StationText() + ".tmp";
  const std::string hhmm = TimeHhmm(s);

  // The message is built with the number the stored one allows, written aside under the
  // number's lock, and put in place once the number is stored: a file never carries a
  // number that another message may carry too.
  EdiPlace place = EdiPlaceOf(s, ui);
  auto used = ZapiszNumerFaktury(place, p.nr_komunikatu, [&](long number) -> Status {
    EdiParametry q = p;
    q.nr_komunikatu = number;
    auto built = FakturaEdi(s, rd, nrd, q);
    HURT_RETURN_IF_ERROR(built.status());
    return WriteDurably(s.env(), temp, built->EiDoPliku(hhmm));
  });
  if (!used.ok()) {
    if (s.env().Exists(temp)) (void)s.env().Remove(temp);
    return used.status();
  }
  const Status renamed = s.env().Rename(temp, target);
  if (!renamed.ok()) {
    (void)s.env().Remove(temp);
    return renamed;
  }
  return name;
}

bool EdifaktVat(session::Session& s, std::string_view rd, std::string_view nrd, std::string_view path) {
  console::Console& con = s.con();
  if (s.InArchive()) {
    console::Okno_(con, "Praca w archiwum - blokada", 2);
    return false;
  }
  session::ConsoleStoreUi ui(con);
  auto p = DomyslneParametryEdi(s, ui, rd, nrd);
  if (!p.ok()) {
    console::Okno_(con, "Nie utworzono pliku EDI: " + p.status().message(), 3);
    return false;
  }
  if (!EkranParametrowEdi(s, *p)) return false;
  const console::SavedRegion under = console::SaveOknoArea(con);
  console::OknoNoWait(con, kWorking);
  auto written = ZapiszFaktureEdi(s, ui, rd, nrd, *p, path);
  con.Restore(under);
  if (!written.ok()) {
    console::Okno_(con, "Nie utworzono pliku EDI: " + written.status().message(), 3);
    return false;
  }
  console::Okno_(con, "Powstal plik: " + *written);
  return true;
}

}  // namespace hurt::invoicing
