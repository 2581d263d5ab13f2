// Fourier terms for harmonic regression on one or several seasonal periods, and the linear trend
// column that goes with them.
#ifndef VORDEX_DECOMPOSE_FOURIER_H
#define VORDEX_DECOMPOSE_FOURIER_H

#include <span>
#include <string>
#include <vector>

#include "decompose/outcome.h"

namespace vordex::decompose {

struct FourierTerms {
  std::vector<std::string> names;            // one name per column
  std::vector<std::vector<double>> columns;  // each holds one value per requested time
};

// The regressors of R's forecast::fourier(x, K) (in-sample: first_time = 1, count = n) and
// fourier(x, K, h) (future: first_time = n + 1, count = h) for the periods m_i (any positive
// value, 52.18 and 365.25 included) and orders K_i: for i in order and k = 1..K_i, the columns
// "Sk-r" = sin(2 pi k t / m_i) and "Ck-r" = cos(2 pi k t / m_i), r = m_i rounded to the nearest
// integer (ties to even), at the times t = first_time .. first_time + count - 1. A frequency
// k / m_i equal to one of an earlier period is left out (k = 7 of 336 repeats k = 1 of 48), and so
// is the sine column of a frequency with 2 k = m_i, which is zero at every integer time. The
// values are computed as R's sinpi and cospi of 2 (k / m_i) t, with the argument reduced modulo 2
// first, so they stay accurate for large t.
// Fails when the lists differ in length, a period is not finite or not positive, an order is
// negative, or 2 K_i > m_i.
Outcome<FourierTerms> Fourier(std::span<const double> periods, std::span<const int> orders,
                              long first_time, std::size_t count);

// The trend regressor t = first_time .. first_time + count - 1 (R's tslm trend: 1..n in sample,
// n+1..n+h for the future).
std::vector<double> TrendColumn(long first_time, std::size_t count);

}  // namespace vordex::decompose

#endif  // VORDEX_DECOMPOSE_FOURIER_H
