#include "seeded_random.h"

namespace whitebox {

namespace {

Key256 SeedKey(std::string_view seed) {
  return Sha256(reinterpret_cast<const uint8_t*>(seed.data()), seed.size());
}

}  // namespace

SeededRandom::SeededRandom(std::string_view seed, const Block& first_block)
    : encryptor_(SeedKey(seed)), counter_(first_block) {}

void SeededRandom::Refill() {
  buffer_ = encryptor_.Encrypt(counter_);
  for (int i = 15; i >= 0 && ++counter_[i] == 0; --i) {
  }
  used_ = 0;
}

void SeededRandom::Fill(uint8_t* out, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    if (used_ == buffer_.size()) Refill();
    out[i] = buffer_[used_++];
  }
}

std::unique_ptr<RandomSource> KnownAnswersRandom(const std::optional<std::string>& seed) {
  if (seed) return std::make_unique<SeededRandom>(*seed, kKnownAnswersFirstBlock);
  return std::make_unique<SystemRandom>();
}

}  // namespace whitebox
