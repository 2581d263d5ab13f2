// Sample quantiles of continuous types 4 to 9 (Hyndman and Fan, 1996), several probabilities at
// once over one sort of the sample.
//
// Each type interpolates between two adjacent order statistics at h = n p + m(p):
//   type 4: m = 0          type 5: m = 1/2          type 6: m = p
//   type 7: m = 1 - p      type 8: m = (p + 1)/3    type 9: m = p/4 + 3/8
// Nothing here keeps state between calls.
#ifndef VORDEX_NUMERICS_QUANTILES_H
#define VORDEX_NUMERICS_QUANTILES_H

namespace vordex::numerics {

// Quantiles of the sample x[1..n] (1-based, read only, not reordered) for the probabilities
// p[0..nprob-1] (0-based), written to results[0..nprob-1] (0-based), results[k] for p[k].
// Returns 1 on success (nprob <= 0: nothing written). Returns 0, writing nothing, after a warning
// box titled "Error in Quantile" with, checked in this order:
//   "Probabilities outside (0,1)"   a probability below 0, above 1 or not a number (0 and 1 pass);
//   "Quantile type not implemented" type outside 4..9;
//   "Empty sample"                  n < 1;
//   "Vector allocation failure!"    the sort order could not be allocated (after "Fatal error").
int Quantile(const double x[], int n, const double p[], int nprob, int type, double results[]);

// The type-`type` quantile for probability p of x[1..n], given the ascending sort order
// idx[1..n] (1-based, as IndexSort writes it). The order statistics used are clamped into 1..n,
// so p = 0 and p = 1 give the extremes for every type. Reads x and idx only at indices 1..n.
// Returns NaN (no report) when n < 1, type is outside 4..9 or p is not a number.
double QuantileAt(const double x[], const int idx[], int n, double p, int type);

// Writes to idx[1..n] (1-based) the permutation of 1..n that lists x[1..n] in ascending order
// (heapsort; tied values in no particular order). Writes nothing when n < 1.
void IndexSort(int n, const double x[], int idx[]);

}  // namespace vordex::numerics

#endif  // VORDEX_NUMERICS_QUANTILES_H
