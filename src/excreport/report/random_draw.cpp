#include "excreport/report/random_draw.h"

#include <atomic>

namespace kestrova {
namespace {

std::atomic<RandomDrawFunction> randomDraw{nullptr};

}  // namespace

void SetRandomDraw(RandomDrawFunction draw) { randomDraw.store(draw); }

std::int32_t RandomDraw(std::int32_t range) {
  const RandomDrawFunction draw = randomDraw.load();
  return draw != nullptr ? draw(range) : 0;
}

}  // namespace kestrova
