#include "xbase/work_area.h"

namespace hurt::xbase {

namespace {
Status NotYet() { return Status::Unsupported("work areas: not implemented yet"); }
}  // namespace

struct WorkArea::OrderState {};
struct WorkArea::RelationState {};

WorkArea::WorkArea(WorkAreas& owner, int number, std::string alias, std::unique_ptr<Table> table,
                   const AreaOpenOptions& options)
    : owner_(owner), number_(number), alias_(std::move(alias)), table_(std::move(table)), options_(options) {}
WorkArea::~WorkArea() = default;

Result<int> WorkArea::AttachOrder(const std::string&) { return NotYet(); }
Result<int> WorkArea::CreateOrder(const std::string&, std::string_view, const OrderCreateOptions&) { return NotYet(); }
Status WorkArea::Reindex() { return NotYet(); }
Status WorkArea::CloseOrders() { return NotYet(); }
Status WorkArea::SetOrder(int) { return NotYet(); }
const OrderInfo* WorkArea::Order(int) const { return nullptr; }
NtxIndex* WorkArea::OrderIndex(int) { return nullptr; }
Result<std::string> WorkArea::KeyOf(int) { return NotYet(); }
Result<uint32_t> WorkArea::RecCount() { return NotYet(); }
Status WorkArea::GoTop() { return NotYet(); }
Status WorkArea::GoBottom() { return NotYet(); }
Status WorkArea::GoTo(uint32_t) { return NotYet(); }
Status WorkArea::Skip(long) { return NotYet(); }
Result<bool> WorkArea::Seek(const Value&, bool) { return NotYet(); }
Result<bool> WorkArea::SeekKey(std::string_view, bool) { return NotYet(); }
Status WorkArea::SetFilter(std::string_view) { return NotYet(); }
const std::string& WorkArea::filter() const { return filter_text_; }
Result<bool> WorkArea::Visible() { return NotYet(); }
Status WorkArea::SetRelation(int, std::string_view) { return NotYet(); }
void WorkArea::ClearRelations() {}
Status WorkArea::SyncRelations() { return NotYet(); }
Result<Value> WorkArea::Get(int) const { return NotYet(); }
Result<Value> WorkArea::Get(std::string_view) const { return NotYet(); }
Status WorkArea::Replace(int, const Value&) { return NotYet(); }
Status WorkArea::Replace(std::string_view, const Value&) { return NotYet(); }
Status WorkArea::ReplaceBytes(int, std::string_view) { return NotYet(); }
Status WorkArea::Flush() { return NotYet(); }
Status WorkArea::Append() { return NotYet(); }
Status WorkArea::BeginAppendBatch() { return NotYet(); }
Status WorkArea::EndAppendBatch() { return NotYet(); }
Status WorkArea::Delete() { return NotYet(); }
Status WorkArea::Recall() { return NotYet(); }
Status WorkArea::LockRecord() { return NotYet(); }
Status WorkArea::LockRecord(uint32_t) { return NotYet(); }
Status WorkArea::UnlockRecord(uint32_t) { return NotYet(); }
Status WorkArea::LockFile() { return NotYet(); }
Status WorkArea::Unlock() { return NotYet(); }
Status WorkArea::Commit() { return NotYet(); }
Status WorkArea::Close() { return NotYet(); }

WorkAreas::WorkAreas(Env& env, Variables* variables) : env_(env), variables_(variables) {
  areas_.resize(kMaxArea + 1);
}
WorkAreas::~WorkAreas() = default;
Result<WorkArea*> WorkAreas::Open(int, const std::string&, std::string_view, const AreaOpenOptions&) { return NotYet(); }
Status WorkAreas::Close(int) { return NotYet(); }
Status WorkAreas::CloseAll(std::span<const int>) { return NotYet(); }
WorkArea* WorkAreas::Area(int area) { return area >= 1 && area <= kMaxArea ? areas_[static_cast<size_t>(area)].get() : nullptr; }
const WorkArea* WorkAreas::Area(int area) const {
  return area >= 1 && area <= kMaxArea ? areas_[static_cast<size_t>(area)].get() : nullptr;
}
WorkArea* WorkAreas::Find(std::string_view) { return nullptr; }
const WorkArea* WorkAreas::Find(std::string_view) const { return nullptr; }
int WorkAreas::FirstFree(int, int) const { return 0; }
Status WorkAreas::Select(int) { return NotYet(); }
Status WorkAreas::Select(std::string_view) { return NotYet(); }
Result<Expression> WorkAreas::Compile(std::string_view) { return NotYet(); }
Result<Expression> WorkAreas::Compile(int, std::string_view) { return NotYet(); }
Result<Value> WorkAreas::Evaluate(Expression&) { return NotYet(); }
Result<bool> WorkAreas::EvaluateLogical(Expression&) { return NotYet(); }
std::optional<int> WorkAreas::FindArea(std::string_view) const { return std::nullopt; }
std::optional<FieldInfo> WorkAreas::FindField(int, std::string_view) const { return std::nullopt; }
std::optional<int> WorkAreas::FindVariable(std::string_view) const { return std::nullopt; }
std::string_view WorkAreas::FieldBytes(FieldRef) const { return {}; }
Status WorkAreas::AppendMemo(FieldRef, std::string*) const { return NotYet(); }
const Value* WorkAreas::Variable(int) const { return nullptr; }
uint32_t WorkAreas::RecNo(int) const { return 0; }
bool WorkAreas::Deleted(int) const { return false; }
JulianDay WorkAreas::Today() const { return env_.clock().Today(); }

}  // namespace hurt::xbase
