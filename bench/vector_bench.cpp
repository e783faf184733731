// The vector functions, over a ring of varied inputs so that nothing is folded away.
#include <benchmark/benchmark.h>

#include "math/vector.h"

namespace tdbench {

namespace {

constexpr int kRing = 64;

struct Inputs {
  VECTOR3 a[kRing], b[kRing];
  double s[kRing];
  Inputs() {
    for (int i = 0; i < kRing; ++i) {
      a[i] = td::Vec3(1.0 + i, -0.5 * i, 3.0 - 0.25 * i);
      b[i] = td::Vec3(0.1 * i, 2.0 + i, -1.0 - 0.5 * i);
      const int from_middle = i - kRing / 2;
      s[i] = 0.01 * from_middle;
    }
  }
};

const Inputs &TheInputs() {
  static const Inputs kInputs;
  return kInputs;
}

template <typename Fn>
void VectorFunction(benchmark::State &state, Fn fn) {
  const Inputs &in = TheInputs();
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(fn(in.a[i], in.b[i], in.s[i]));
    i = (i + 1) & (kRing - 1);
  }
}

// One benchmark per function; each reads what it needs of the inputs a, b and s.
#define TD_VECTOR_BENCHMARK(fn, expression)                                                  \
  BENCHMARK_CAPTURE(VectorFunction, fn,                                                      \
                    []([[maybe_unused]] const VECTOR3 &a, [[maybe_unused]] const VECTOR3 &b, \
                       [[maybe_unused]] double s) { return expression; })                    \
      ->Name("vector/" #fn)

TD_VECTOR_BENCHMARK(VecAdd, td::VecAdd(a, b));
TD_VECTOR_BENCHMARK(VecSub, td::VecSub(a, b));
TD_VECTOR_BENCHMARK(VecScale, td::VecScale(a, s));
TD_VECTOR_BENCHMARK(VecMul, td::VecMul(a, b));
TD_VECTOR_BENCHMARK(VecCross, td::VecCross(a, b));
TD_VECTOR_BENCHMARK(VecDot, td::VecDot(a, b));
TD_VECTOR_BENCHMARK(VecLength, td::VecLength(a));
TD_VECTOR_BENCHMARK(VecUnit, td::VecUnit(a));
TD_VECTOR_BENCHMARK(VecRotateY, td::VecRotateY(a, s));

}  // namespace

}  // namespace tdbench
