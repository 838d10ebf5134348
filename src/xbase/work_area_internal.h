// Pieces shared by the work-area implementation files.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "xbase/work_area.h"

namespace hurt::xbase {

// One open order: its index file, cursor and compiled expressions.
struct WorkArea::OrderState {
  OrderInfo info;
  std::unique_ptr<NtxIndex> index;
  std::unique_ptr<NtxCursor> cursor;
  std::unique_ptr<Expression> key;
  std::unique_ptr<Expression> condition;  // FOR; null = every record
  // Key scratch of the record being written.
  std::string old_key;
  std::string new_key;
  bool old_has = false;  // the record had an entry (FOR condition true)
  bool new_has = false;
  // Entries waiting to be applied to the index: the keys of an append batch's new records,
  // and during an index batch the removals and insertions of changed keys. batch_recnos[i]
  // owns the key at batch_keys[i * key length]; batch_inserts[i] is 0 for a removal.
  std::string batch_keys;
  std::vector<uint32_t> batch_recnos;
  std::vector<uint8_t> batch_inserts;

  void Defer(std::string_view entry_key, uint32_t recno, bool insert) {
    batch_keys += entry_key;
    batch_recnos.push_back(recno);
    batch_inserts.push_back(insert ? 1 : 0);
  }
};

// SET RELATION: the child area and the key evaluated here.
struct WorkArea::RelationState {
  int child = 0;
  std::unique_ptr<Expression> key;
};

// An ExprContext that presents one record (not necessarily the current one) for one area
// and the session's current records for every other area.
class WorkArea::RecordContext final : public ExprContext {
 public:
  RecordContext(const WorkAreas& areas, int area, const Record& rec, uint32_t recno)
      : areas_(areas), area_(area), rec_(rec), recno_(recno) {}

  std::string_view FieldBytes(FieldRef field) const override {
    return field.area == area_ ? rec_.FieldBytes(field.field) : areas_.FieldBytes(field);
  }
  Status AppendMemo(FieldRef field, std::string* out) const override {
    if (field.area != area_) return areas_.AppendMemo(field, out);
    auto value = rec_.GetValue(field.field);
    if (!value.ok()) return value.status();
    out->append(value->AsString());
    return Status::Ok();
  }
  const Value* Variable(int variable) const override { return areas_.Variable(variable); }
  uint32_t RecNo(int area) const override { return area == area_ ? recno_ : areas_.RecNo(area); }
  bool Deleted(int area) const override { return area == area_ ? rec_.deleted() : areas_.Deleted(area); }
  JulianDay Today() const override { return areas_.Today(); }

 private:
  const WorkAreas& areas_;
  int area_;
  const Record& rec_;
  uint32_t recno_;
};

// The bytes of a number in a numeric field of the given width and decimals, exactly as
// NumericFieldText (base/numeric.h) gives them, written to out[0..width); false when the
// number does not fit or is not finite.
bool EncodeNumberField(double x, int width, int dec, char* out);

// The bytes of a value for a C, N, F, D or L field (as EncodeFieldValue gives them) in
// *out, reusing its memory; false on anything that EncodeFieldValue would refuse (type
// mismatch, a number too wide, a date without YYYYMMDD form) and for memo fields.
bool EncodeFieldInto(const DbfFieldDescriptor& field, const Value& value, std::string* out);

// The number in a numeric field's bytes, exactly as Val (base/numeric.h) reads it, without
// building a string for each number.
double DecodeNumberField(std::string_view bytes);

// The bytes of a value to seek in an order of the given key shape: a character value is
// cut to the key length but not padded (prefix seek); other types give the full key.
Status SeekKeyOf(const Value& value, const KeyShape& shape, std::string* out);

}  // namespace hurt::xbase
