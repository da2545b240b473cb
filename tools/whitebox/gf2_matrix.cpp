#include "gf2_matrix.h"

#include <utility>

namespace whitebox {

NibbleBijection NibbleBijection::Identity() {
  NibbleBijection b{};
  for (uint8_t x = 0; x < 16; ++x) b.forward[x] = b.inverse[x] = x;
  return b;
}

NibbleBijection NibbleBijection::Random(RandomSource& random) {
  NibbleBijection b = Identity();
  for (int i = 15; i > 0; --i) {
    std::swap(b.forward[i], b.forward[random.UniformBelow(static_cast<unsigned>(i) + 1)]);
  }
  for (uint8_t x = 0; x < 16; ++x) b.inverse[b.forward[x]] = x;
  return b;
}

}  // namespace whitebox
