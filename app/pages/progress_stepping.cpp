#include "app/pages/progress_stepping.h"

namespace {

constexpr int kComplete = 100;

}  // namespace

int NextProgressPosition(int position, int target) {
  if (position >= kComplete) return position;
  int next = position;
  if (next < target) ++next;
  if (target < next) --next;
  return next < kComplete ? next : kComplete - 1;
}
