#include "auto/minimise.h"

#include "numerics/powell.h"

namespace vordex::automatic {
namespace {

// The criterion of the current minimisation on this thread: numerics::Brent takes a plain
// function of one variable.
thread_local const std::function<double(double)>* current = nullptr;

double Trampoline(double x) {
  return (*current)(x);
}

}  // namespace

ScalarMinimum MinimiseOnInterval(const std::function<double(double)>& f, double a, double b,
                                 double c, double tol) {
  const std::function<double(double)>* outer = current;
  current = &f;
  ScalarMinimum m;
  numerics::Brent(a, b, c, &Trampoline, tol, &m.x, &m.value);
  current = outer;
  return m;
}

}  // namespace vordex::automatic
