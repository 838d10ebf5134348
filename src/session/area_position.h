// Puts an area's controlling order and current record (or EOF) back when it goes out of
// scope: routines that move a shared table leave it as they found it. A null area is
// left alone. Only the order and the record pointer go back; nothing is written, so a
// failure there loses no data.
#pragma once

#include <cstdint>

#include "xbase/work_area.h"

namespace hurt::session {

class AreaPosition {
 public:
  explicit AreaPosition(xbase::WorkArea* area) : area_(area) {
    if (area_ == nullptr) return;
    order_ = area_->order();
    recno_ = area_->recno();
    eof_ = area_->eof();
  }
  explicit AreaPosition(xbase::WorkArea& area) : AreaPosition(&area) {}
  ~AreaPosition() {
    if (area_ == nullptr) return;
    (void)area_->SetOrder(order_);
    if (eof_) {
      (void)area_->GoBottom();
      (void)area_->Skip(1);
    } else {
      (void)area_->GoTo(recno_);
    }
  }
  AreaPosition(const AreaPosition&) = delete;
  AreaPosition& operator=(const AreaPosition&) = delete;

 private:
  xbase::WorkArea* area_;
  int order_ = 0;
  uint32_t recno_ = 0;
  bool eof_ = true;
};

}  // namespace hurt::session
