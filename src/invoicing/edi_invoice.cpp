#include "invoicing/edi_invoice.h"

#include "base/text.h"

namespace hurt::invoicing {

using edi::Value;

namespace {

std::string Trimmed(std::string_view s) { return AllTrim(s); }

std::string Tax(edi::Stawka stawka) { return "TAX+7+VAT+++:::" + stawka.Trimmed() + "+S"; }

void AddParty(edi::SegmentList& out, std::string_view role, std::string_view fii_role, const EdiStrona& p,
              std::string_view fii_tail) {
  // A party without a GLN is named by its role alone (the GLN is the composite's mandatory part).
  out.Add("NAD+" + std::string(role) + (p.gln.empty() ? std::string() : "+" + Value(p.gln) + "::9"));
  if (!p.konto.empty()) out.Add("FII+" + std::string(fii_role) + "+" + Value(p.konto) + std::string(fii_tail));
  if (!p.nip.empty()) out.Add("RFF+VA:" + Value(p.nip));
}

void AddReference(edi::SegmentList& out, std::string_view qualifier, const EdiDokument& d) {
  out.Add("RFF+" + std::string(qualifier) + ":" + Value(d.numer));
  if (d.data.IsSet()) out.Add(edi::Dtm("171", d.data));
}

}  // namespace

void EdiInvoiceBuilder::EiStart(std::string_view nr_komunikatu, std::string_view nr_faktury, edi::EdiDate data) {
  f_ = EdiFaktura();
  f_.nr_komunikatu = Trimmed(nr_komunikatu);
  f_.nr_faktury = Trimmed(nr_faktury);
  f_.data = std::move(data);
}

void EdiInvoiceBuilder::EiDocZam(std::string_view numer, edi::EdiDate data) {
  f_.zamowienie = {Trimmed(numer), std::move(data)};
}

void EdiInvoiceBuilder::EiDocDost(std::string_view numer, edi::EdiDate data, edi::EdiDate data_dostawy) {
  f_.wz = {Trimmed(numer), std::move(data)};
  f_.data_dostawy = std::move(data_dostawy);
}

void EdiInvoiceBuilder::EiDostawca(std::string_view gln, std::string_view nip, std::string_view konto,
                                   std::string_view id_u_nabywcy) {
  f_.dostawca = {Trimmed(gln), Trimmed(nip), Trimmed(konto), Trimmed(id_u_nabywcy)};
}

void EdiInvoiceBuilder::EiNabywca(std::string_view gln, std::string_view nip, std::string_view konto) {
  f_.nabywca = {Trimmed(gln), Trimmed(nip), Trimmed(konto), {}};
}

void EdiInvoiceBuilder::EiPlatnik(std::string_view gln, std::string_view nip, std::string_view konto) {
  f_.platnik = {Trimmed(gln), Trimmed(nip), Trimmed(konto), {}};
}

void EdiInvoiceBuilder::EiOdbiorca(std::string_view gln, std::string_view nip, std::string_view konto) {
  f_.odbiorca = {Trimmed(gln), Trimmed(nip), Trimmed(konto), {}};
}

void EdiInvoiceBuilder::EiMsDostawy(std::string_view gln) { f_.ms_dostawy = Trimmed(gln); }

void EdiInvoiceBuilder::EiWaluta(std::string_view waluta) { f_.waluta = Trimmed(waluta); }

void EdiInvoiceBuilder::EiPlatnosc(int dni) {
  f_.dni_platnosci = dni;
  f_.platnosc = true;
}

EdiPozycjaFaktury& EdiInvoiceBuilder::Current() {
  if (f_.pozycje.empty()) f_.pozycje.emplace_back();
  return f_.pozycje.back();
}

void EdiInvoiceBuilder::EiPozycja(std::string_view ean, std::string_view nr_nabywcy, std::string_view nr_dostawcy,
                                  std::string_view pkwiu, edi::Ilosc opakowanie) {
  EdiPozycjaFaktury& p = f_.pozycje.emplace_back();
  p.ean = Trimmed(ean);
  p.nr_nabywcy = Trimmed(nr_nabywcy);
  p.nr_dostawcy = Trimmed(nr_dostawcy);
  p.pkwiu = Trimmed(pkwiu);
  const edi::Ilosc one = edi::Ilosc::Units(edi::Ilosc::kScale);
  p.opakowanie = opakowanie.units() <= one.units() ? one : opakowanie;
}

void EdiInvoiceBuilder::EiPozOpis(std::string_view typ, std::string_view nazwa, std::string_view nazwa2) {
  EdiPozycjaFaktury& p = Current();
  p.opis_typ = Trimmed(typ);
  p.nazwa = Trimmed(nazwa);
  p.nazwa2 = Trimmed(nazwa2);
}

void EdiInvoiceBuilder::EiPozCena(edi::Ilosc ilosc, edi::CenaJedn cena, edi::Stawka stawka,
                                  std::optional<edi::Kwota> netto, std::optional<edi::Kwota> vat) {
  EdiPozycjaFaktury& p = Current();
  p.ilosc = ilosc;
  p.cena = cena;
  p.stawka = stawka;
  p.netto = netto.value_or(edi::TimesPrice(ilosc, cena));
  // An exempt rate (-1) carries no tax.
  p.vat = vat.value_or(stawka.units() > 0 ? edi::PercentOf(p.netto, stawka) : edi::Kwota());
}

void EdiInvoiceBuilder::EiPozDocDost(std::string_view numer, edi::EdiDate data) {
  Current().wz = {Trimmed(numer), std::move(data)};
}

void EdiInvoiceBuilder::EiPozDocZam(std::string_view numer, edi::EdiDate data) {
  Current().zamowienie = {Trimmed(numer), std::move(data)};
}

void EdiInvoiceBuilder::EiPozMsDost(std::string_view gln) { Current().ms_dostawy = Trimmed(gln); }

void EdiInvoiceBuilder::EiSuma() {
  f_.grupy.clear();
  f_.netto = f_.vat = f_.brutto = f_.podstawa = edi::Kwota();
  for (const EdiPozycjaFaktury& p : f_.pozycje) {
    if (!p.Written()) continue;
    EdiGrupaVat* group = nullptr;
    for (EdiGrupaVat& g : f_.grupy) {
      if (g.stawka == p.stawka) group = &g;
    }
    if (group == nullptr) group = &f_.grupy.emplace_back(EdiGrupaVat{p.stawka, {}, {}, {}});
    group->netto += p.netto;
    group->vat += p.vat;
    group->podstawa += p.netto;
    f_.netto += p.netto;
    f_.vat += p.vat;
  }
  f_.brutto = f_.netto + f_.vat;
  f_.podstawa = f_.netto;
}

std::string EdiInvoiceBuilder::EiDoPliku(std::string_view hhmm) const { return InvoicSegments(f_, hhmm).Text(); }

void EdiInvoiceBuilder::EiStop() { f_ = EdiFaktura(); }

edi::SegmentList InvoicSegments(const EdiFaktura& f, std::string_view hhmm) {
  edi::SegmentList out;
  const std::string yymmdd = f.data.digits.size() >= 8 ? f.data.digits.substr(2, 6) : std::string("000000");
  out.Add("UNB+UNOC:2+" + Value(f.nabywca.gln) + ":14+" + Value(f.dostawca.gln) + ":14+" + yymmdd + ":" +
          std::string(hhmm) + "+1");
  const size_t unh = out.size();
  const std::string nr = Value(f.nr_komunikatu);
  out.Add("UNH+" + nr + "+INVOIC:D:96A:UN:EAN008");
  out.Add("BGM+380+" + Value(f.nr_faktury) + "+9");
  if (f.data.IsSet()) out.Add(edi::Dtm("137", f.data));
  if (f.data_dostawy.IsSet()) out.Add(edi::Dtm("35", f.data_dostawy));
  if (f.zamowienie.IsSet()) AddReference(out, "ON", f.zamowienie);
  if (f.wz.IsSet()) out.Add("RFF+DQ:" + Value(f.wz.numer));

  AddParty(out, "SU", "RB", f.dostawca, "");
  AddParty(out, "BY", "PB", f.nabywca, "");
  if (!f.dostawca.id_u_nabywcy.empty()) out.Add("RFF+API:" + Value(f.dostawca.id_u_nabywcy));
  if (!f.ms_dostawy.empty()) out.Add("NAD+DP+" + Value(f.ms_dostawy) + "::9");
  if (f.platnik.IsSet()) AddParty(out, "PL", "PL", f.platnik, "::9");
  if (f.odbiorca.IsSet()) AddParty(out, "IV", "IV", f.odbiorca, "::9");

  if (!f.waluta.empty()) out.Add("CUX+2:" + Value(f.waluta) + ":4");
  if (f.platnosc && f.data.IsSet()) {
    out.Add("PAT+1++5:3:D:0");
    out.Add(edi::Dtm("13", edi::EdiDate(f.data.Day() + f.dni_platnosci)));
  }

  int n = 0;
  for (const EdiPozycjaFaktury& p : f.pozycje) {
    if (!p.Written()) continue;
    ++n;
    out.Add("LIN+" + std::to_string(n) + (p.ean.empty() ? std::string() : "++" + Value(p.ean) + ":EN"));
    if (!p.nr_nabywcy.empty()) out.Add("PIA+1+" + Value(p.nr_nabywcy) + ":BP");
    if (!p.nr_dostawcy.empty()) out.Add("PIA+1+" + Value(p.nr_dostawcy) + ":SA");
    if (!p.pkwiu.empty()) out.Add("PIA+1+" + Value(p.pkwiu) + ":GN");
    if (!p.opis_typ.empty()) out.Add("IMD+C++" + Value(p.opis_typ) + "::9");
    out.Add("QTY+47:" + p.ilosc.Trimmed());
    out.Add("MOA+66:" + p.netto.Text() + "::4");
    out.Add("PRI+AAA:" + edi::PriceText(p.cena));
    if (!f.wz.IsSet() && p.wz.IsSet()) {
      out.Add("RFF+DQ:" + Value(p.wz.numer));
      if (p.wz.data.IsSet()) out.Add(edi::Dtm("171", p.wz.data));
    }
    if (!f.zamowienie.IsSet() && p.zamowienie.IsSet()) AddReference(out, "ON", p.zamowienie);
    out.Add(Tax(p.stawka));
    out.Add("MOA+124:" + p.vat.Text());
    if (!p.ms_dostawy.empty()) out.Add("NAD+DP+" + Value(p.ms_dostawy) + "::9");
  }

  out.Add("UNS+S");
  out.Add("CNT+2:" + std::to_string(n));
  out.Add("MOA+77:" + f.brutto.Text());
  out.Add("MOA+79:" + f.netto.Text());
  out.Add("MOA+124:" + f.vat.Text());
  out.Add("MOA+125:" + f.podstawa.Text());
  for (const EdiGrupaVat& g : f.grupy) {
    out.Add(Tax(g.stawka));
    out.Add("MOA+79:" + g.netto.Text());
    out.Add("MOA+124:" + g.vat.Text());
    out.Add(Tax(g.stawka));
    out.Add("MOA+125:" + g.podstawa.Text());
  }
  // UNT counts the segments from UNH to UNT, both included.
  out.Add("UNT+" + std::to_string(out.size() - unh + 1) + "+" + nr);
  out.Add("UNZ+1+1");
  return out;
}

}  // namespace hurt::invoicing
