// What the demo data directory holds: a fictional food and household wholesaler in
// Opole with two warehouses, its operators, document kinds, articles, customers,
// suppliers and exchange rates. Texts are UTF-8 here and become code page 852 when
// written. Everything is fixed, so every demo directory is the same apart from the month
// it starts in.
#pragma once

#include <span>
#include <string_view>

namespace hurt::demo {

struct OperatorSeed {
  std::string_view nr;        // "0" is the supervisor
  std::string_view nazwisko;  // "Nazwisko imie"
  std::string_view prawa;     // rights 1..20, "T" granted, "N" refused
  std::string_view nr_mag;    // warehouses the operator works in ("" = all)
  std::string_view password;  // "" = none; see OperatorPasswordField
};

struct ArticleSeed {
  std::string_view mag, indeks, nazwa, jm;
  std::string_view vat;  // " 5", " 8", "23", "ZW"
  double cena_pz;        // last purchase price, net
  int marza;             // mark-up of the net selling price over it, percent
  std::string_view dostawca;  // supplier code (zd)
  std::string_view grupa;     // article group
};

struct PartySeed {
  std::string_view odb, nodb, nodb1, uodb, kodb, modb;
  std::string_view nip9;  // the first nine digits of the tax number ("" = none)
  std::string_view tel;
  std::string_view spz;
  int tez;
  int kredyt;
  double rabat;
};

struct RateSeed {
  std::string_view waluta;
  double kurs;  // PLN for one unit, today
};

std::span<const OperatorSeed> Operators();
std::span<const ArticleSeed> Articles();
std::span<const PartySeed> Customers();
std::span<const PartySeed> Suppliers();
std::span<const RateSeed> Rates();

}  // namespace hurt::demo
