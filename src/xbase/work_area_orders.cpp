// WorkArea: orders (attach, build, reindex), keys and writing a record with its index
// entries.
#include <algorithm>
#include <numeric>

#include "xbase/ntx_build.h"
#include "xbase/work_area_internal.h"

namespace hurt::xbase {

namespace {

// Bytes of keys the one-pass build may hold in memory, shared by the orders it builds.
constexpr size_t kBuildMemory = size_t{36} << 20;
// Leaf fill of the orders a work area builds (see NtxBuildOptions).
constexpr int kLeafFillPercent = 80;
// Entries handed to one NtxIndex::Apply when batched keys are inserted.
constexpr size_t kApplyChunk = 4096;
// Key bytes an index batch keeps waiting per order before applying them (with the record
// numbers and the sort, about 1.5 times this in memory).
constexpr size_t kIndexBatchPendingBytes = 6u << 20;

}  // namespace

Status SeekKeyOf(const Value& value, const KeyShape& shape, std::string* out) {
  out->clear();
  if (shape.type == ValueType::kCharacter && value.IsString()) {
    const std::string& s = value.AsString();
    out->assign(s, 0, std::min(s.size(), static_cast<size_t>(shape.length)));
    return Status::Ok();
  }
  return AppendKeyOf(value, shape, out);
}

// ---- opening and building ---------------------------------------------------------------

Result<std::unique_ptr<WorkArea::OrderState>> WorkArea::OpenOrder(const std::string& ntx_path) {
  NtxOpenOptions open;
  open.exclusive = table_->exclusive();
  open.read_only = table_->read_only() && !table_->exclusive();
  open.cache_pages = options_.index_cache_pages;
  auto index = NtxIndex::Open(owner_.env(), ntx_path, open);
  if (!index.ok()) {
    if (index.status().IsNotFound()) return Status::NotFound(ntx_path + ": index file not found");
    return index.status();
  }
  auto order = std::make_unique<OrderState>();
  order->index = std::move(index).value();
  const NtxIndex& ntx = *order->index;

  auto key = owner_.Compile(number_, ntx.key_expression());
  if (!key.ok()) {
    return Status::Invalid(ntx_path + ": key expression \"" + ntx.key_expression() +
                           "\" does not compile for " + alias_ + ": " + key.status().message());
  }
  order->key = std::make_unique<Expression>(std::move(key).value());
  scratch_.Blank();
  RecordContext blank(owner_, number_, scratch_, 0);
  auto shape = KeyShapeOf(*order->key, blank);
  if (!shape.ok()) return Status::Invalid(ntx_path + ": " + shape.status().message());
  // The file decides the length of its keys: an expression whose width differs (a table
  // changed since the index was built) gets its keys padded or cut to it.
  shape->length = ntx.key_length();
  shape->decimals = ntx.key_decimals();

  if (!ntx.for_expression().empty()) {
    auto condition = owner_.Compile(number_, ntx.for_expression());
    if (!condition.ok()) {
      return Status::Invalid(ntx_path + ": FOR condition \"" + ntx.for_expression() + "\" does not compile for " +
                             alias_ + ": " + condition.status().message());
    }
    if (condition->type() != ValueType::kLogical && condition->type() != ValueType::kNil) {
      return Status::Invalid(ntx_path + ": FOR condition \"" + ntx.for_expression() + "\" is not logical");
    }
    order->condition = std::make_unique<Expression>(std::move(condition).value());
  }
  order->info.path = ntx_path;
  order->info.key_expression = ntx.key_expression();
  order->info.for_condition = ntx.for_expression();
  order->info.shape = *shape;
  order->info.unique = ntx.unique();
  order->cursor = std::make_unique<NtxCursor>(*order->index);
  return order;
}

Result<int> WorkArea::AttachOrder(const std::string& ntx_path) {
  auto order = OpenOrder(ntx_path);
  if (!order.ok()) return order.status();
  orders_.push_back(std::move(order).value());
  return order_count();
}

Status WorkArea::CheckBuildLock() const {
  if (table_->read_only()) return Status::Invalid(path() + ": table opened read only");
  if (!table_->exclusive() && !table_->IsFileLocked()) {
    return Status::Invalid(path() + ": building an index needs the table exclusively or its file lock");
  }
  return Status::Ok();
}

Status WorkArea::BuildOrders(std::span<const OrderDefinition> definitions) {
  struct Build {
    const OrderDefinition* definition = nullptr;
    std::unique_ptr<Expression> key;
    std::unique_ptr<Expression> condition;
    KeyShape shape;
    std::unique_ptr<NtxBuilder> builder;
  };
  std::vector<Build> builds(definitions.size());
  scratch_.Blank();
  RecordContext blank(owner_, number_, scratch_, 0);
  for (size_t i = 0; i < definitions.size(); ++i) {
    const OrderDefinition& definition = definitions[i];
    Build& b = builds[i];
    b.definition = &definition;
    auto key = owner_.Compile(number_, definition.key_expression);
    if (!key.ok()) {
      return Status::Invalid(definition.path + ": key expression \"" + definition.key_expression + "\" does not compile for " +
                             alias_ + ": " + key.status().message());
    }
    b.key = std::make_unique<Expression>(std::move(key).value());
    auto shape = KeyShapeOf(*b.key, blank);
    if (!shape.ok()) return Status::Invalid(definition.path + ": " + shape.status().message());
    b.shape = *shape;
    if (!definition.options.for_condition.empty()) {
      auto condition = owner_.Compile(number_, definition.options.for_condition);
      if (!condition.ok()) {
        return Status::Invalid(definition.path + ": FOR condition \"" + definition.options.for_condition +
                               "\" does not compile for " + alias_ + ": " + condition.status().message());
      }
      b.condition = std::make_unique<Expression>(std::move(condition).value());
    }
  }
  NtxBuildOptions build_options;
  build_options.memory_limit = kBuildMemory / std::max<size_t>(1, definitions.size());
  // Orders of a work area are kept up by every write: leave room in the leaves.
  build_options.leaf_fill_percent = kLeafFillPercent;
  for (Build& b : builds) {
    NtxCreateOptions create;
    create.key_expression = b.definition->key_expression;
    create.key_length = b.shape.length;
    create.key_decimals = b.shape.decimals;
    create.unique = b.definition->options.unique;
    create.for_expression = b.definition->options.for_condition;
    auto builder = NtxBuilder::Start(owner_.env(), b.definition->path, create, build_options);
    if (!builder.ok()) return builder.status();
    b.builder = std::move(builder).value();
  }

  RecordScanner scan(*table_);
  std::string key;
  while (scan.Next(&scratch_)) {
    const uint32_t recno = scratch_.recno();
    RecordContext ctx(owner_, number_, scratch_, recno);
    for (Build& b : builds) {
      if (b.condition) {
        auto pass = b.condition->EvalLogical(ctx);
        if (!pass.ok()) return pass.status().Prefixed(b.definition->path);
        if (!*pass) continue;
      }
      key.clear();
      Status s = AppendKey(*b.key, b.shape, ctx, &key);
      if (!s.ok()) return s.Prefixed(b.definition->path);
      HURT_RETURN_IF_ERROR(b.builder->Add(key, recno));
    }
  }
  HURT_RETURN_IF_ERROR(scan.status());
  for (Build& b : builds) {
    HURT_RETURN_IF_ERROR(b.builder->Finish());
    b.builder.reset();  // drops the file's exclusive open lock
  }
  return Status::Ok();
}

Result<int> WorkArea::CreateOrder(const std::string& ntx_path, std::string_view key_expression,
                                  const OrderCreateOptions& options) {
  OrderDefinition definition{ntx_path, std::string(key_expression), options};
  return CreateOrders(std::span<const OrderDefinition>(&definition, 1));
}

Result<int> WorkArea::CreateOrders(std::span<const OrderDefinition> definitions) {
  HURT_RETURN_IF_ERROR(CheckBuildLock());
  if (definitions.empty()) return Status::Invalid(path() + ": no order to build");
  HURT_RETURN_IF_ERROR(EndIndexBatch());
  HURT_RETURN_IF_ERROR(Flush());
  HURT_RETURN_IF_ERROR(ApplyBatchKeys());
  for (const auto& order : orders_) {
    for (const OrderDefinition& definition : definitions) {
      if (order->info.path == definition.path) return Status::Invalid(definition.path + ": index is attached to this area");
    }
  }
  HURT_RETURN_IF_ERROR(BuildOrders(definitions));
  const int first = order_count() + 1;
  for (const OrderDefinition& definition : definitions) {
    auto order = OpenOrder(definition.path);
    if (!order.ok()) return order.status();
    orders_.push_back(std::move(order).value());
  }
  return first;
}

Status WorkArea::Reindex() {
  HURT_RETURN_IF_ERROR(CheckBuildLock());
  HURT_RETURN_IF_ERROR(EndIndexBatch());
  HURT_RETURN_IF_ERROR(Flush());
  HURT_RETURN_IF_ERROR(ApplyBatchKeys());
  std::vector<OrderDefinition> definitions;
  for (const auto& order : orders_) {
    definitions.push_back({order->info.path, order->info.key_expression, {order->info.unique, order->info.for_condition}});
  }
  const int controlling = order_;
  orders_.clear();  // the builders need the files to themselves
  order_ = 0;
  cursor_synced_ = false;
  HURT_RETURN_IF_ERROR(BuildOrders(definitions));
  for (const OrderDefinition& definition : definitions) {
    auto order = OpenOrder(definition.path);
    if (!order.ok()) return order.status();
    orders_.push_back(std::move(order).value());
  }
  order_ = controlling;
  return GoTop();
}

Status WorkArea::BeginIndexBatch() {
  if (index_batch_) return Status::Invalid(path() + ": index batch already started");
  if (table_->read_only()) return Status::Invalid(path() + ": table opened read only");
  if (!table_->exclusive() && !table_->IsFileLocked()) {
    return Status::Invalid(path() + ": an index batch needs the table exclusively or its file lock");
  }
  HURT_RETURN_IF_ERROR(Flush());
  HURT_RETURN_IF_ERROR(ApplyBatchKeys());
  for (size_t i = 0; i < orders_.size(); ++i) {
    Status s = orders_[i]->index->BeginBatch();
    if (!s.ok()) {
      for (size_t j = 0; j < i; ++j) (void)orders_[j]->index->EndBatch();
      return s;
    }
  }
  index_batch_ = true;
  return Status::Ok();
}

Status WorkArea::EndIndexBatch() {
  if (!index_batch_) return Status::Ok();
  Status first = Flush();
  // The waiting changes go in while the batch still holds the update locks; an append
  // batch under way keeps its new keys until its records are written (EndAppendBatch).
  if (first.ok() && !table_->InAppendBatch()) first = ApplyBatchKeys();
  index_batch_ = false;
  for (const auto& order : orders_) {
    Status s = order->index->EndBatch();
    if (first.ok() && !s.ok()) first = s;
  }
  return first;
}

Status WorkArea::CloseOrders() {
  HURT_RETURN_IF_ERROR(EndIndexBatch());
  HURT_RETURN_IF_ERROR(Flush());
  HURT_RETURN_IF_ERROR(ApplyBatchKeys());
  orders_.clear();
  order_ = 0;
  cursor_synced_ = false;
  return Status::Ok();
}

Status WorkArea::SetOrder(int n) {
  if (n < 0 || n > order_count()) {
    return Status::Invalid(path() + ": no order " + std::to_string(n) + " (" + std::to_string(order_count()) +
                           " attached)");
  }
  HURT_RETURN_IF_ERROR(Flush());
  order_ = n;
  cursor_synced_ = false;
  return Status::Ok();
}

const OrderInfo* WorkArea::Order(int n) const {
  if (n < 1 || n > order_count()) return nullptr;
  return &orders_[static_cast<size_t>(n - 1)]->info;
}

NtxIndex* WorkArea::OrderIndex(int n) {
  if (n < 1 || n > order_count()) return nullptr;
  return orders_[static_cast<size_t>(n - 1)]->index.get();
}

std::string WorkArea::DamagedOrder() const {
  for (const auto& order : orders_) {
    if (order->index->damaged()) return order->info.path;
  }
  return {};
}

Result<std::string> WorkArea::KeyOf(int n) {
  if (n == 0) n = order_;
  if (n < 1 || n > order_count()) return Status::Invalid(path() + ": no order " + std::to_string(n));
  OrderState& order = *orders_[static_cast<size_t>(n - 1)];
  std::string key;
  bool has = false;
  HURT_RETURN_IF_ERROR(ComputeKey(order, record_, &key, &has));
  return key;
}

// ---- keys and writing -------------------------------------------------------------------

Status WorkArea::ComputeKey(OrderState& order, const Record& rec, std::string* key, bool* has_key) {
  RecordContext ctx(owner_, number_, rec, recno_);
  *has_key = true;
  if (order.condition) {
    auto pass = order.condition->EvalLogical(ctx);
    if (!pass.ok()) return pass.status().Prefixed(order.info.path);
    *has_key = *pass;
  }
  key->clear();
  Status s = AppendKey(*order.key, order.info.shape, ctx, key);
  if (!s.ok()) return s.Prefixed(order.info.path);
  return Status::Ok();
}

// Writes the current record's pending changes. The record is first read again unless it
// was read while this station held its lock (then nobody else can have changed it); the
// old keys come from that file image, the new ones from the record as it will be written.
// Keys are computed before anything is written, so an expression error writes nothing.
// The record is written before its index entries: a crash in between leaves entries that
// a reindex repairs, never a record that points nowhere.
Status WorkArea::WriteCurrent() {
  if (!dirty_ && !new_record_) return Status::Ok();
  auto drop_changes = [this] {
    if (dirty_ && !new_record_) (void)record_.SetBytes(base_.bytes());
    dirty_ = false;
    new_record_ = false;
    std::fill(changed_.begin(), changed_.end(), 0);
  };
  if (eof_) {
    drop_changes();
    return Status::Ok();
  }
  if (!table_->IsRecordLocked(recno_)) {
    drop_changes();
    return Status::Invalid(path() + ": record " + std::to_string(recno_) + " was unlocked before its changes were written");
  }
  if (dirty_ && !new_record_ && !base_fresh_) {
    Status read = table_->Read(recno_, &scratch_);
    if (!read.ok()) {
      drop_changes();
      return read;
    }
    ++stats_.records_read;
    (void)base_.SetBytes(scratch_.bytes());
    OverlayChanges(scratch_);
  }
  for (const auto& order : orders_) {
    Status s;
    if (!new_record_) s = ComputeKey(*order, base_, &order->old_key, &order->old_has);
    if (s.ok()) s = ComputeKey(*order, record_, &order->new_key, &order->new_has);
    if (!s.ok()) {
      drop_changes();
      return s;
    }
  }
  if (dirty_) {
    Status written = table_->Write(recno_, record_);
    if (!written.ok()) {
      drop_changes();
      return written;
    }
    ++stats_.records_written;
  }
  const bool batch = table_->InAppendBatch();
  bool pending_full = false;
  Status first;
  for (size_t i = 0; i < orders_.size(); ++i) {
    OrderState& order = *orders_[i];
    NtxChange changes[2];
    size_t n = 0;
    if (new_record_) {
      if (!order.new_has) continue;
      if (batch) {
        order.Defer(order.new_key, recno_, true);
        batch_pending_ = true;
        continue;
      }
      changes[n++] = {order.new_key, recno_, true};
    } else {
      if (order.old_has == order.new_has && (!order.old_has || order.old_key == order.new_key)) continue;
      if (order.old_has) changes[n++] = {order.old_key, recno_, false};
      if (order.new_has) changes[n++] = {order.new_key, recno_, true};
    }
    if (static_cast<int>(i) + 1 == order_) cursor_synced_ = false;
    // Inside an index batch the changes wait and are applied sorted by key (see
    // ApplyBatchKeys). A unique index is changed at once: which of two records with one key
    // keeps the entry depends on the order of the changes.
    if (index_batch_ && !order.index->unique()) {
      for (size_t c = 0; c < n; ++c) order.Defer(changes[c].key, recno_, changes[c].insert);
      stats_.key_changes += n;
      batch_pending_ = true;
      if (order.batch_keys.size() >= kIndexBatchPendingBytes) pending_full = true;
      continue;
    }
    Status s = order.index->Apply(std::span<const NtxChange>(changes, n));
    stats_.key_changes += n;
    if (first.ok() && !s.ok()) first = s;
  }
  dirty_ = false;
  new_record_ = false;
  std::fill(changed_.begin(), changed_.end(), 0);
  base_fresh_ = table_->IsRecordLocked(recno_);
  // An index batch's waiting changes are applied when they reach their bound, so that
  // memory stays bounded (an append batch's keys wait for its records, see Append).
  if (pending_full && first.ok() && !batch) first = ApplyBatchKeys();
  return first;
}

// Applies the entries that wait in the orders (an append batch's new keys, an index batch's
// changed keys), each order's in key order: neighbouring keys share pages, so each page is
// read and written about once per chunk instead of once per change. Changes of one entry
// (same key and record) keep their order, so the result is the one of applying them as
// they came.
Status WorkArea::ApplyBatchKeys() {
  if (!batch_pending_) return Status::Ok();
  batch_pending_ = false;
  Status first;
  std::vector<uint32_t> positions;
  std::vector<NtxChange> changes;
  for (const auto& order : orders_) {
    const size_t count = order->batch_recnos.size();
    if (count == 0) continue;
    const size_t length = static_cast<size_t>(order->info.shape.length);
    const std::string& keys = order->batch_keys;
    auto key_at = [&](uint32_t p) { return std::string_view(keys).substr(p * length, length); };
    positions.resize(count);
    std::iota(positions.begin(), positions.end(), 0u);
    std::sort(positions.begin(), positions.end(), [&](uint32_t a, uint32_t b) {
      int c = key_at(a).compare(key_at(b));
      if (c != 0) return c < 0;
      if (order->batch_recnos[a] != order->batch_recnos[b]) return order->batch_recnos[a] < order->batch_recnos[b];
      return a < b;
    });
    for (size_t start = 0; start < count; start += kApplyChunk) {
      changes.clear();
      for (size_t i = start; i < std::min(count, start + kApplyChunk); ++i) {
        const uint32_t p = positions[i];
        changes.push_back({key_at(p), order->batch_recnos[p], order->batch_inserts[p] != 0});
      }
      Status s = order->index->Apply(changes);
      stats_.key_changes += changes.size();
      if (!s.ok()) {
        if (first.ok()) first = s;
        break;
      }
    }
    order->batch_keys.clear();
    order->batch_recnos.clear();
    order->batch_inserts.clear();
  }
  cursor_synced_ = false;
  return first;
}

}  // namespace hurt::xbase
