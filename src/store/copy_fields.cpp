#include "store/copy_fields.h"

#include "base/numeric.h"
#include "base/text.h"

namespace hurt::store {

namespace {

char TypeOf(const xbase::DbfFieldDescriptor& f) { return f.type == 'F' ? 'N' : f.type; }

}  // namespace

bool FieldIsEmpty(const xbase::Record& record, int field) {
  const xbase::DbfFieldDescriptor& f = record.schema().field(field);
  const std::string_view bytes = record.FieldBytes(field);
  switch (TypeOf(f)) {
    case 'N':
      return Val(bytes) == 0;
    case 'L':
      return !(bytes == "T" || bytes == "t" || bytes == "Y" || bytes == "y");
    case 'M': {
      if (IsBlank(bytes)) return true;
      auto text = record.GetValue(field);
      return text.ok() && IsBlank(text->AsString());
    }
    default:  // C, D
      return IsBlank(bytes);
  }
}

FieldCopier FieldCopier::Match(const xbase::TableSchema& target, const xbase::TableSchema& source) {
  FieldCopier copier;
  for (int t = 0; t < target.field_count(); ++t) {
    const xbase::DbfFieldDescriptor& tf = target.field(t);
    const int s = source.FieldIndex(tf.name);
    if (s < 0 || TypeOf(source.field(s)) != TypeOf(tf)) {
      copier.unmatched_.push_back(t);
      continue;
    }
    const xbase::DbfFieldDescriptor& sf = source.field(s);
    copier.pairs_.push_back(Pair{t, s, TypeOf(tf), sf.width == tf.width && sf.decimals == tf.decimals});
  }
  return copier;
}

Status FieldCopier::Copy(const xbase::Record& source, xbase::WorkArea& target, CopyWhich which) const {
  for (const Pair& p : pairs_) {
    const bool numeric = p.type == 'N';
    switch (which) {
      case CopyWhich::kAll: break;
      case CopyWhich::kNonEmpty:
        if (FieldIsEmpty(source, p.source)) continue;
        break;
      case CopyWhich::kNumeric:
        if (!numeric) continue;
        break;
      case CopyWhich::kNumericOrNonEmpty:
        if (!numeric && FieldIsEmpty(source, p.source)) continue;
        break;
    }
    const std::string_view bytes = source.FieldBytes(p.source);
    Status s;
    if (p.type == 'M') {
      auto text = source.GetValue(p.source);
      s = text.ok() ? target.Replace(p.target, *text) : text.status();
    } else if (p.same_shape || p.type != 'N') {
      s = target.ReplaceBytes(p.target, bytes);
    } else if (IsBlank(bytes)) {
      s = target.ReplaceBytes(p.target, "");
    } else {
      s = target.Replace(p.target, xbase::Value(Val(bytes)));
    }
    if (!s.ok()) return s.Prefixed(target.alias() + "->" + target.field(p.target).name);
  }
  return Status::Ok();
}

Status FieldCopier::BlankUnmatched(xbase::WorkArea& target) const {
  for (int t : unmatched_) HURT_RETURN_IF_ERROR(target.ReplaceBytes(t, ""));
  return Status::Ok();
}

}  // namespace hurt::store
