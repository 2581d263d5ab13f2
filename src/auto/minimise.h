// The room's one use of the numerics room's minimisers, kept behind a single function so that a
// change of the minimisers' criterion signature touches only minimise.cpp.
#ifndef VORDEX_AUTO_MINIMISE_H
#define VORDEX_AUTO_MINIMISE_H

#include <functional>

namespace vordex::automatic {

struct ScalarMinimum {
  double x = 0.0;
  double value = 0.0;
};

// Minimises f over [a, c] by Brent's method (numerics::Brent) from the interior point b
// (a <= b <= c), to the fractional tolerance tol in x. f must not call this function again.
ScalarMinimum MinimiseOnInterval(const std::function<double(double)>& f, double a, double b,
                                 double c, double tol);

}  // namespace vordex::automatic

#endif  // VORDEX_AUTO_MINIMISE_H
