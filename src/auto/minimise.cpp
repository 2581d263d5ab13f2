#include "auto/minimise.h"

#include "numerics/powell.h"

namespace vordex::automatic {
namespace {

// Brent's line function: the caller's criterion is its context.
double Evaluate(void* context, double x) {
  return (*static_cast<const std::function<double(double)>*>(context))(x);
}

}  // namespace

ScalarMinimum MinimiseOnInterval(const std::function<double(double)>& f, double a, double b,
                                 double c, double tol) {
  ScalarMinimum m;
  numerics::Brent(a, b, c, {&Evaluate, const_cast<std::function<double(double)>*>(&f)}, tol, &m.x,
                  &m.value);
  return m;
}

}  // namespace vordex::automatic
