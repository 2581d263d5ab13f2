// Data preparation of the ARIMA engine: transform and scale the observations, then difference.
#ifndef VORDEX_ARIMA_PREPARE_H
#define VORDEX_ARIMA_PREPARE_H

#include "arima/state.h"

namespace vordex::arima {

// The title of every box that the engine's own routines raise.
inline constexpr const char* kArimaTitle = "Error in Arimalib";

// Transforms st.y[1..N] in place (the log transform: natural logarithm; the square root;
// any other value: none), then divides by the scale lambda = max |y(t)|, stored in
// st.lambda. Returns 0; -1 after a warning box titled "Error in Arimalib" when the data do
// not fit:
//   "Observations must be finite numbers (no NaN or infinity)"  a NaN or infinite observation;
//   "Can't take log of zero or negative values"   the log transform with an observation <= 0;
//   "Can't take sqrt of negative values"          the square root with an observation < 0;
//   "All transformed observations are zero: the series cannot be scaled"  lambda = 0.
// y is left untouched by the first three failures.
int Arimatransform(ArimaStateRecord& st);

// Fills st.w[1..N] with y differenced D times at lag s, then d times at lag 1 (seasonal
// passes first), and sets nd = d + D s. After all passes exactly w[1..nd] hold the missing-value
// marker (fewer when N < nd: then every w(t) is a marker).
void Arimadifference(ArimaStateRecord& st);

}  // namespace vordex::arima

#endif  // VORDEX_ARIMA_PREPARE_H
