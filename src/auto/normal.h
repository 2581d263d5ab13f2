// The standard normal distribution's quantile function.
#ifndef VORDEX_AUTO_NORMAL_H
#define VORDEX_AUTO_NORMAL_H

namespace vordex::automatic {

// The p-quantile of the standard normal distribution for 0 < p < 1 (Wichura 1988, algorithm
// AS 241, PPND16: about 16 significant digits); -infinity at 0, +infinity at 1, NaN outside.
double NormalQuantile(double p);

}  // namespace vordex::automatic

#endif  // VORDEX_AUTO_NORMAL_H
