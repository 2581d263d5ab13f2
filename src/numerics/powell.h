// Derivative-free minimisation: Powell's direction-set method over line searches that bracket
// the minimum by golden-ratio expansion with parabolic extrapolation and refine it with Brent's
// method.
//
// Parameter vectors are 1-based: p[1..n] (vector(1, n).get()). The criterion is a function of its
// context and the 1-based parameter vector; it is also called with the minimiser's own work
// vectors, so it may read only elements 1..n and must not write them. The minimiser keeps no
// state outside its arguments: a criterion may run another minimisation.
#ifndef VORDEX_NUMERICS_POWELL_H
#define VORDEX_NUMERICS_POWELL_H

#include <functional>

#include "numerics/vectors.h"

namespace vordex::numerics {

// Criterion of the n parameters p[1..n], with the caller's context: fn(context, p). The context
// carries the request the criterion evaluates, so that nothing is read from module-level state.
struct Criterion {
  double (*fn)(void* context, double* p) = nullptr;
  void* context = nullptr;
  double operator()(double* p) const { return fn(context, p); }
};
// A function of one variable (the step along a line), with its context.
struct LineFunction {
  double (*fn)(void* context, double x) = nullptr;
  void* context = nullptr;
  double operator()(double x) const { return fn(context, x); }
};

// Status results of Minimise and Powell.
inline constexpr int kPowellFailed = 0;
inline constexpr int kPowellConverged = 1;
inline constexpr int kPowellIterationLimit = 2;

// The most evaluations of the criterion one line search makes: three to start the bracketing, at
// most two in each of its 100 passes, and Brent's start value and 500 iterations (see Bracket and
// Brent).
inline constexpr long kLineSearchEvaluations = 3 + 2 * 100 + 1 + 500;
// The default limit on a minimisation's evaluations of the criterion, tested before each line
// search (so a minimisation makes at most this plus kLineSearchEvaluations). The iteration limit
// alone allows 500 (n + 1) line searches, millions of evaluations for a criterion along whose
// cut-off edge the search creeps. The library's own minimisations need at most about 34,000 (the
// smoothing engine's 17 parameters; the ARIMA and ARMAX engines a few thousand), so this leaves
// a factor of about six, and costs a few seconds at the most for the costliest criterion the
// exports allow.
inline constexpr long kPowellMaxEvaluations = 200000;

// A line search: the dimension, a copy of the base point and of the direction, a work point
// (all 1-based), and the criterion. f1dim evaluates the criterion along the line.
struct LineMinContext {
  int n = 0;
  Vector base;
  Vector direction;
  Vector point;
  Criterion func;
  long evaluations = 0;  // calls of func through f1dim
};

// Minimises func from the start point p[1..n] with the initial directions 0.1 times the
// coordinate axes, by Powell. On return p holds the last point reached and *fret the criterion
// there. ftol is the relative tolerance on the criterion (callers pass 1e-10).
// Returns 1 converged; 2 iteration limit (500 iterations) or evaluation limit (max_evaluations,
// see kPowellMaxEvaluations) reached, p and *fret hold the last point and callers treat it as
// success; 0 failure, already reported: "Error in Minimise" / "Vector allocation failure!", or a
// failure of Powell.
int Minimise(int n, double* p, double* fret, double ftol, Criterion func,
             long max_evaluations = kPowellMaxEvaluations);

// Powell's direction-set method. xi[1..n][1..n] holds one direction per column and is updated.
// Returns as Minimise. Failures, each reported with ReportError (code 0) before returning 0:
//   "Error (1) in Powell" .. "Error (3) in Powell" / "Vector allocation failure!" (work vectors);
//   "Error in Powell" / "Criterion function has no finite value" when no point evaluated so far
//       has a finite criterion value (NaN or +infinity everywhere tried);
//   "Error in Powell" / "Criterion function decreases without bound" when a line search found no
//       minimum (its bracketing was cut off) or the criterion reached -infinity; p and *fret then
//       hold the best point found.
int Powell(double* p, double** xi, int n, double ftol, double* fret, Criterion func,
           long max_evaluations = kPowellMaxEvaluations);

// Minimises func along the line p + x * xi: p[1..n] is moved to the line minimum and xi[1..n]
// replaced by the displacement actually taken; *fret receives the criterion there. When the
// bracketing is cut off (see Bracket) the search ends at the best point found, without Brent's
// refinement; a point whose criterion is NaN is never taken.
// Returns 1 success; 0 after "Error in LinMin" / "Vector allocation failure!".
int LinMin(double* p, double* xi, int n, double* fret, Criterion func);

// The criterion at base + x * direction of the line search `context` (a LineMinContext whose
// vectors hold n elements), counted in its evaluations; NaN when the context has no criterion.
// Allocates nothing.
double f1dim(void* context, double x);

// Brackets a minimum of f downhill from *ax, *bx (GOLD = 1.618034, GLIMIT = 100, TINY = 1e-20):
// on return the triple (*ax, *bx, *cx) with values *fa, *fb, *fc.
// Returns 1 when the expansion ended with a middle value *fb that is a number (*fb <= *fc, or *fc
// is NaN); 0 when the expansion was cut off after 100 passes (a criterion decreasing without
// bound: *fa > *fb > *fc) or *fb is NaN. The triple then holds the last points reached.
int Bracket(double* ax, double* bx, double* cx, double* fa, double* fb, double* fc, LineFunction f);

// Brent's one-dimensional minimisation (ITMAX = 500, CGOLD = 0.381966, ZEPS = 1e-10) over the
// bracketing triple ax, bx, cx with fractional tolerance tol; *xmin and *fmin receive the best
// point and its value. Returns 1 converged, 2 iteration limit reached (no message).
int Brent(double ax, double bx, double cx, LineFunction f, double tol, double* xmin, double* fmin);

struct ScalarMinimum {
  double x = 0.0;
  double value = 0.0;
};

// Minimises f over [a, c] by Brent's method from the interior point b (a <= b <= c), to the
// fractional tolerance tol in x. f must not call this function again.
ScalarMinimum MinimiseOnInterval(const std::function<double(double)>& f, double a, double b,
                                 double c, double tol);

}  // namespace vordex::numerics

#endif  // VORDEX_NUMERICS_POWELL_H
