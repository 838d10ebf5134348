// Data directories for tests of start-up: a company record, a period with articles, and
// reading fields of a table back.
#pragma once

#include <string>
#include <vector>

#include "store/schema.h"

namespace hurt::testing {

struct CompanySetup {
  std::string nodb = "HURTOWNIA TESTOWA";
  std::string bmr = "12.26";
  std::string st;  // "" = the register blank
  std::vector<std::string> markers;  // marker files made before the tables

  CompanySetup& Nodb(std::string v) { nodb = std::move(v); return *this; }
  CompanySetup& Bmr(std::string v) { bmr = std::move(v); return *this; }
  CompanySetup& St(std::string v) { st = std::move(v); return *this; }
  CompanySetup& Markers(std::vector<std::string> v) { markers = std::move(v); return *this; }
};

// firma.dbf with one record (as the catalogue defines it for the markers).
void MakeCompany(const std::string& dir, const CompanySetup& setup = {});

// An empty table of the catalogue at `dbf_path` (folders made on the way).
void MakeTable(const std::string& dbf_path, store::TableId id);

// An empty table of the catalogue in a period folder ("25/12"), e.g. as.dbf.
void MakePeriodTable(const std::string& dir, const std::string& period_folder, store::TableId id);

// The value of a character or numeric field of record 1 as text ("" when missing).
std::string ReadField(const std::string& dbf_path, const std::string& field);

// The record count of a table (-1 when it cannot be opened).
int CountRecords(const std::string& dbf_path);

}  // namespace hurt::testing
