// Square matrices over GF(2) of size 8 (per-byte encodings) and 32 (per-column mixing bijections),
// and random 4-bit bijections: the building blocks of the hardened construction.
//
// A vector of N bits is an unsigned integer whose bit i is coordinate i. Row i of a matrix yields
// bit i of the product, so Apply(m, x) has bit i = parity(row(i) & x).
#ifndef LAUNCHER_TOOLS_WHITEBOX_GF2_MATRIX_H_
#define LAUNCHER_TOOLS_WHITEBOX_GF2_MATRIX_H_

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <type_traits>

#include "random_source.h"

namespace whitebox {

template <int N>
class Gf2Matrix {
  static_assert(N == 8 || N == 32, "only byte- and word-sized matrices are needed");

 public:
  using Vector = std::conditional_t<N == 8, uint8_t, uint32_t>;

  // The zero matrix.
  Gf2Matrix() = default;

  static Gf2Matrix Identity() {
    Gf2Matrix m;
    for (int i = 0; i < N; ++i) m.rows_[i] = static_cast<Vector>(Vector{1} << i);
    return m;
  }

  static Gf2Matrix FromRows(const std::array<Vector, N>& rows) {
    Gf2Matrix m;
    m.rows_ = rows;
    return m;
  }

  // Uniformly distributed over the invertible N×N matrices: uniform matrices are drawn until one
  // is invertible (about 29% of them are, for either N), so nothing but invertibility is imposed.
  static Gf2Matrix RandomInvertible(RandomSource& random) {
    for (;;) {
      Gf2Matrix m;
      for (Vector& row : m.rows_) {
        uint8_t bytes[sizeof(Vector)];
        random.Fill(bytes, sizeof bytes);
        row = 0;
        for (size_t b = 0; b < sizeof bytes; ++b) {
          row = static_cast<Vector>(row | Vector{bytes[b]} << (8 * b));
        }
      }
      if (m.IsInvertible()) return m;
    }
  }

  Vector row(int i) const { return rows_[i]; }

  Vector Apply(Vector x) const {
    Vector y = 0;
    for (int i = 0; i < N; ++i) {
      const unsigned parity = std::popcount(static_cast<Vector>(rows_[i] & x)) & 1u;
      y = static_cast<Vector>(y | parity << i);
    }
    return y;
  }

  // (*this * other) applied to x is Apply(other.Apply(x)) first by `other`, then by *this.
  Gf2Matrix operator*(const Gf2Matrix& other) const {
    Gf2Matrix product;
    for (int i = 0; i < N; ++i) {
      Vector row = 0;
      for (int k = 0; k < N; ++k) {
        if ((rows_[i] >> k) & 1) row ^= other.rows_[k];
      }
      product.rows_[i] = row;
    }
    return product;
  }

  bool operator==(const Gf2Matrix& other) const = default;

  bool IsInvertible() const { return Inverse().has_value(); }

  // Gauss–Jordan elimination on [this | I]; nullopt iff the matrix is singular.
  std::optional<Gf2Matrix> Inverse() const {
    std::array<Vector, N> left = rows_;
    std::array<Vector, N> right = Identity().rows_;
    for (int column = 0; column < N; ++column) {
      int pivot = column;
      while (pivot < N && !((left[pivot] >> column) & 1)) ++pivot;
      if (pivot == N) return std::nullopt;
      std::swap(left[pivot], left[column]);
      std::swap(right[pivot], right[column]);
      for (int i = 0; i < N; ++i) {
        if (i != column && ((left[i] >> column) & 1)) {
          left[i] ^= left[column];
          right[i] ^= right[column];
        }
      }
    }
    return FromRows(right);
  }

 private:
  std::array<Vector, N> rows_{};
};

using Matrix8 = Gf2Matrix<8>;
using Matrix32 = Gf2Matrix<32>;

// A bijection on 4-bit values with its inverse.
struct NibbleBijection {
  std::array<uint8_t, 16> forward;
  std::array<uint8_t, 16> inverse;

  static NibbleBijection Identity();
  // Uniform over the 16! permutations (Fisher–Yates with unbiased draws).
  static NibbleBijection Random(RandomSource& random);
};

}  // namespace whitebox

#endif  // LAUNCHER_TOOLS_WHITEBOX_GF2_MATRIX_H_
