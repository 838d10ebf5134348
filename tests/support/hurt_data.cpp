#include "support/hurt_data.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/clock.h"
#include "base/numeric.h"
#include "base/text.h"
#include "xbase/env.h"
#include "xbase/table.h"

namespace hurt::testing {

namespace {

std::vector<xbase::DbfFieldDescriptor> Fields(store::TableId id, const store::Markers& markers) {
  std::vector<xbase::DbfFieldDescriptor> out;
  for (const store::Field& f : store::ResolveFields(store::Table(id), markers))
    out.push_back({f.name, static_cast<char>(f.type), f.width, f.decimals});
  return out;
}

}  // namespace

void MakeCompany(const std::string& dir, const CompanySetup& setup) {
  for (const std::string& m : setup.markers) std::ofstream(dir + "/" + m).put('\n');
  xbase::Env& env = xbase::RealEnv();
  const std::string path = dir + "/firma.dbf";
  ASSERT_TRUE(xbase::Table::Create(env, path, Fields(store::TableId::kFirma, store::Markers::Of(setup.markers))).ok());
  auto t = xbase::Table::Open(env, path, xbase::TableMode::Exclusive());
  ASSERT_TRUE(t.ok()) << t.status().message();
  xbase::Record r = (*t)->NewRecord();
  ASSERT_TRUE(r.SetValue("NODB", xbase::Value(setup.nodb)).ok());
  ASSERT_TRUE(r.SetValue("BMR", xbase::Value(setup.bmr)).ok());
  ASSERT_TRUE(r.SetValue("ST", xbase::Value(setup.st)).ok());
  ASSERT_TRUE((*t)->Append(r).ok());
  ASSERT_TRUE((*t)->Close().ok());
}

void MakeTable(const std::string& dbf_path, store::TableId id) {
  std::filesystem::create_directories(std::filesystem::path(dbf_path).parent_path());
  ASSERT_TRUE(xbase::Table::Create(xbase::RealEnv(), dbf_path, Fields(id, store::Markers())).ok());
}

void MakePeriodTable(const std::string& dir, const std::string& period_folder, store::TableId id) {
  const store::TableDef& def = store::Table(id);
  MakeTable(dir + "/" + period_folder + "/" + std::string(def.file) + ".dbf", id);
}

std::string ReadField(const std::string& dbf_path, const std::string& field) {
  auto t = xbase::Table::Open(xbase::RealEnv(), dbf_path, xbase::TableMode::SharedReadOnly());
  if (!t.ok()) return "";
  xbase::Record r;
  if (!(*t)->Read(1, &r).ok()) return "";
  auto v = r.GetValue(field);
  if (!v.ok()) return "";
  if (v->IsNumber()) return AllTrim(Str(v->AsNumber(), 19, 0));
  return v->AsString();
}

int CountRecords(const std::string& dbf_path) {
  auto t = xbase::Table::Open(xbase::RealEnv(), dbf_path, xbase::TableMode::SharedReadOnly());
  if (!t.ok()) return -1;
  auto n = (*t)->Refresh();
  return n.ok() ? static_cast<int>(*n) : -1;
}

}  // namespace hurt::testing
