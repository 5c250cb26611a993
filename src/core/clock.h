#pragma once

#include "core/dates.h"

namespace nerovale {

// A moment of the local clock, to the second: when a notice is made, a draft saved, a table updated.
struct Moment {
  dates::Date date;
  int hour = 0;
  int minute = 0;
  int second = 0;
  bool operator==(const Moment&) const = default;
};

// Where "now" and "today" come from. The programs read the machine's clock through LocalClock, made
// once at their edge and passed on; tests pass a FixedClock, so that every date and folder name a
// test sees is known in advance.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual Moment Now() const = 0;
  dates::Date Today() const { return Now().date; }
};

class LocalClock final : public Clock {
 public:
  Moment Now() const override;
};

class FixedClock final : public Clock {
 public:
  explicit FixedClock(Moment moment) : moment_(moment) {}
  Moment Now() const override { return moment_; }
  void Set(Moment moment) { moment_ = moment; }

 private:
  Moment moment_;
};

}  // namespace nerovale
