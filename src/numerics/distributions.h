// Distribution functions: the standard normal quantile.
#ifndef VORDEX_NUMERICS_DISTRIBUTIONS_H
#define VORDEX_NUMERICS_DISTRIBUTIONS_H

namespace vordex::numerics {

// The p-quantile of the standard normal distribution for 0 < p < 1 (Wichura 1988, algorithm
// AS 241, PPND16: about 16 significant digits); -infinity at 0, +infinity at 1, NaN outside.
double NormalQuantile(double p);

}  // namespace vordex::numerics

#endif  // VORDEX_NUMERICS_DISTRIBUTIONS_H
