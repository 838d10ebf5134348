#include "documents/header_guards.h"

#include "base/text.h"

namespace hurt::documents {

// ---- correcting a posted document ----

bool CorrectionAllowed(const CorrectionGuardInput& in, CorrectionDialog& dialog) {
  const DocKind& k = in.kind;
  const std::string spz = Left(AllTrim(in.spz), 1);
  bool password_given = false;

  // 1. A sale on credit already in the settlements stays as it was settled.
  if (k.IsSale() && spz != "G" && in.has_settlement_entries) {
    dialog.Tell({"Dowod rozliczony - blokada", 0});
    return false;
  }

  // 2. A fiscal document: the fiscal printer has it on its paper roll already.
  if (in.fiscal_kind && in.fiscal_printer) {
    if (!dialog.Ask("Poprawiasz dowod fiskalny (!!!) ?")) {
      dialog.Tell({"Masz racje", 0});
      return false;
    }
    if (!dialog.Password(GuardPassword::kCorrection)) {
      dialog.Tell({"nie pozwole, bo narobisz jaj", 0});
      return false;
    }
    if (spz != "G" && spz != "B") {
      dialog.Tell({"NIE POZWOLE NA KANTY", 0});
      return false;
    }
    password_given = true;
  }

  // 3. A warehouse document whose kind is locked against correction.
  if ((k.IsClass("RD") || k.IsClass("RX")) && Left(in.uzgodnic, 1) == "N") {
    if (!dialog.Ask("Poprawiasz zablokowany dowod magazynowy ?")) return false;
    const GuardPassword which = in.right1 ? GuardPassword::kCorrection : GuardPassword::kEmergency;
    if (!dialog.Password(which)) return false;
    dialog.LogLockedCorrection();
    if (which == GuardPassword::kCorrection) password_given = true;
  }

  // 4. Warnings only.
  if (in.data != in.today) dialog.Tell({"TO NIE JEST DOWOD Z DZISIEJSZA DATA", 0});
  const std::string author = AllTrim(in.author);
  if (!author.empty() && author != AllTrim(in.operator_nr)) dialog.Tell({"nie TY jestes autorem tego dowodu !", 0});

  // 5. The rights and the correction password.
  if (!in.right7 && !in.right14) {
    dialog.Tell({"NIE MASZ PRAWA !! !", 0});
    return false;
  }
  if (!password_given && !dialog.Password(GuardPassword::kCorrection)) {
    dialog.Tell({"NIE POZWOLE NA KANTY", 0});
    return false;
  }
  return true;
}

std::string LockedCorrectionLogLine(JulianDay today, std::string_view time, std::string_view operator_nr,
                                    std::string_view operator_name, std::string_view rd, std::string_view nrd) {
  return Dtoc(today) + " " + std::string(time) + " " + AllTrim(operator_nr) + " " + AllTrim(operator_name) +
         " poprawia zablokowany dowod magazynowy " + RTrim(rd) + "-" + AllTrim(nrd);
}

// ---- warehouses of consignment sales ----

std::string ConsignmentWarehouses(std::string_view j_mag_komi) {
  std::string out;
  for (char c : j_mag_komi) {
    if (c == ' ' || c == '0' || c == '\xB3') continue;  // '\xB3': "│" in code page 852
    out += c;
  }
  return out;
}

std::optional<WarehouseChange> ConsignmentWarehouseFor(const DocKind& kind, std::string_view mag,
                                                      std::string_view j_mag_komi) {
  if (!kind.IsSale() || !(kind.HasTag("KOMIS") || kind.HasTag("VAT MARZA"))) return std::nullopt;
  const std::string komis = ConsignmentWarehouses(j_mag_komi);
  if (komis.empty()) return std::nullopt;
  const std::string old = Left(AllTrim(mag), 1);
  if (!old.empty() && komis.find(old[0]) != std::string::npos) return std::nullopt;
  WarehouseChange c;
  c.mag = komis.substr(0, 1);
  c.message = {"Zmieniam mag z " + old + " na " + c.mag, 0};
  return c;
}

// ---- currency ----

std::string DefaultCurrency(std::string_view j_wal) {
  const std::string wal = Upper(AllTrim(j_wal));
  return PadR(wal.empty() ? "EUR" : wal, 3);
}

double FallbackEuroRate(bool kurs_eur_marker) { return kurs_eur_marker ? 0.0 : 4.0; }

std::string WalSeekKey(std::string_view waluta, JulianDay data) {
  std::string key = PadR(Upper(AllTrim(waluta)), 3);
  for (char c : Dtos(data)) key += static_cast<char>((256 - static_cast<unsigned char>(c)) % 256);
  return key;
}

// ---- the supplier's document on a receipt ----

bool SameSupplierDocument(std::string_view a, std::string_view b) {
  const std::string x = Upper(AllTrim(a));
  return !x.empty() && x == Upper(AllTrim(b));
}

}  // namespace hurt::documents
