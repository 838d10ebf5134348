// The structure a table must have when the current definition meets the table on disk.
//
// The start-up build rebuilds a table when it lacks a field of the current definition or
// has one narrower than the definition. The rebuilt table never holds less than the old:
//   - every field of the definition, in the definition's order, at least as wide as the
//     definition says and at least as wide as the table on disk had it: a field whose
//     definition became narrower (a marker file removed, VAT_13_5.TXT for example) keeps
//     its wider width, so no stored text or number is cut;
//   - a numeric field takes the larger integer part and the larger number of decimals of
//     the two; when that does not fit the 19 characters of a numeric field the field on
//     disk is kept as it is (its values fit it);
//   - a field stored with another type than the definition's is kept as stored (no value
//     of one type means anything in the other);
//   - fields on disk that the definition does not have (options switched off since,
//     fields of another installation) follow at the end, in their order.
// Planning again over the planned structure gives it back unchanged, so a table is
// rebuilt once and then left alone.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "store/schema.h"
#include "xbase/dbf_format.h"

namespace hurt::store {

struct LayoutPlan {
  std::vector<Field> fields;  // the structure the table is to have
  bool rebuild = false;       // the table on disk must be rebuilt to get it
  // Fields kept wider than (or of another type than) the definition, for the log.
  std::vector<std::string> kept_as_stored;
  // Fields on disk the definition does not have, kept at the end.
  std::vector<std::string> kept_extra;
};

LayoutPlan PlanLayout(std::span<const Field> on_disk, std::span<const Field> definition);

// The catalogue's field and the DBF descriptor of one another (type F reads as N).
Field FieldOf(const xbase::DbfFieldDescriptor& d);
xbase::DbfFieldDescriptor DescriptorOf(const Field& f);
std::vector<Field> FieldsOf(std::span<const xbase::DbfFieldDescriptor> descriptors);

}  // namespace hurt::store
