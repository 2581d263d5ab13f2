// Maximum-likelihood estimation of the ARMA coefficients of the ARMAX model, with the regression
// coefficients (here at most a constant) and the innovation variance concentrated out.
//
// Conventions as in armax/model.h: integers by reference, arrays as plain caller-owned pointers
// whose first position holds the first element named (par[0] is par(1)), matrices by columns with
// leading dimension n.
#ifndef VORDEX_ARMAX_ESTIMATE_H
#define VORDEX_ARMAX_ESTIMATE_H

#include <vector>

#include "arma/likelihood.h"
#include "armax/model.h"

namespace vordex::armax {

using arma::kObjectiveRejected;

// Size of the regression matrix area of LoglfeShared, in doubles.
inline constexpr int kLoglfeStorage = 2000;

// The data of the ARMAX likelihood objective, handed to it by the quasi-Newton minimiser as its
// context. Filled by the ARMAX estimation before each minimisation.
// The storage one evaluation of Armaxprofile works in: the full operators, the whitened columns,
// the regression coefficients and the likelihood's own. Sized by the first evaluation and reused.
struct ProfileWorkspace {
  std::vector<double> phi, theta, Z, b;
  arma::LikelihoodWorkspace likelihood;
};

struct LoglfeSharedRecord {
  int n = 0;  // length of the modelled series
  int p = 0;  // nonseasonal AR order
  int q = 0;  // nonseasonal MA order
  int s = 0;  // seasonal frequency
  int P = 0;  // seasonal AR order
  int Q = 0;  // seasonal MA order
  int k = 0;  // number of regression columns (the constant and any regressors)
  // The regression matrix, n rows by k + 1 columns, by columns with leading dimension n: column 1
  // the series, then the column of ones when the constant is used, then any regressors.
  double X[kLoglfeStorage] = {};
  // Set by loglfe when it was called with the parameter count of another model.
  bool count_mismatch = false;
  // Calls of loglfe so far.
  long evaluations = 0;
  // Work storage of Armaxprofile, kept across the evaluations of one minimisation.
  ProfileWorkspace workspace;
};

// Status codes of Armaxml (the driver adds 10).
enum MlStatus : int {
  kMlOk = 0,
  kMlStorageLimit = 1,   // n*k > 1000 or n*(k+1) > kLoglfeStorage
  kMlMinimiser = 2,      // the quasi-Newton minimiser ended with a fatal error
  kMlNoArma = 3,         // p + q + P + Q = 0
  kMlRegression = 4,     // the regression matrix counts are inconsistent
  kMlStorage = 5,        // work storage could not be obtained
  kMlCountMismatch = 6,  // the objective was called with a parameter count of another model
};

// Largest n*k that the regression storage accepts.
inline constexpr int kRegressionStorage = 1000;
// The start value of every ARMA coefficient.
inline constexpr double kStartValue = 0.01;

// Each evaluation of the objective tests admissibility by finding the roots of every lag
// polynomial of degree d > 2 as the eigenvalues of its d x d companion matrix (PHITHETA_BAD), of
// the order of d^3 operations: about 1.5 ms at d = 83 in a release build, where the likelihood of
// a few hundred observations takes microseconds; and each finite-difference gradient repeats it
// for every coefficient. This bounds that work over Armaxml's quasi-Newton minimisation, in units
// of d^3: about half a second on one core. Models whose polynomials have degree at most 12, with
// at most 30 coefficients, cannot reach it within DUMINF's own limits (MAXFCN + 2 npar MAXGRD =
// 24,400 evaluations of at most 4 x 12^3 = 6,912 units), so their estimates are as without it;
// the highest orders end at DUMINF's evaluation limit (kMlMinimiser) instead of after minutes of
// root finding.
inline constexpr double kRootWorkBudget = 2.0e8;
// The most evaluations of one refinement of Armaxml (a direction-set minimisation from DUMINF's end
// point or from zero), besides the line search in progress. A refinement is polish: for the models
// of the test suites one takes at most about 5,500 evaluations, within 40 iterations. Along the
// cut-off edge of the admissible region it can creep on for hundreds of iterations, each lowering
// the objective by little more than the tolerance (56,000 evaluations for a seasonal model on 36
// differences); this ends it at its last point, which replaces DUMINF's only when lower.
inline constexpr long kRefineEvaluations = 10000;

// Estimates the model.n-long series w's ARMA coefficients by minimising Armaxprofile with DUMINF
// (all default settings, unit scaling; at most kRootWorkBudget / W evaluations when the
// polynomials' degrees d > 2 sum to W = sum d^3 > 0). When DUMINF ends (without failing) for a
// model of at most 12 coefficients within a factor 1.001 of the edge of the admissible region,
// where its finite-difference gradients meet the rejection value and it can stop short, Powell's
// direction-set method refines from DUMINF's end point and from zero, and the lower end point
// replaces DUMINF's when it lowers the objective by more than 1e-6. The refinements show no message
// and leave the kernel error state as DUMINF left it. With model.thorough, a model of at most 12
// coefficients is then estimated from more starts (arma::MinimiseFromStarts: the end point so far,
// the conditional-sum-of-squares and Hannan-Rissanen estimates of the series less its mean when the
// constant is estimated, zero), and an end point lower by more than 1e-6 replaces the one so far;
// the objective at par never rises. Each refinement makes at most kRefineEvaluations evaluations
// (and one line search), each start at most numerics::kPowellMaxEvaluations.
//   model   the request's record; a nonzero constant flag is stored as 1, and evaluations
//           receives the number of evaluations of the objective made (0 when none was).
//   w       model.n doubles.
//   par     p + q + P + Q doubles: start values on entry, estimates on return (the best point the
//           minimiser found, also after warnings).
//   fmin    (written) the objective at the returned par.
//   status  (written) an MlStatus. kMlStorageLimit shows "Armax error" / "Common storage
//           exceeded in armaxml: too much data"; kMlNoArma shows "Armax warning" / "No ARMA
//           parameters: Armaxml terminating..."; the others show no box of their own.
// Fills a LoglfeSharedRecord for the minimisation.
void Armaxml(ArmaxModelRecord& model, const double* w, double* par, double& fmin, int& status);

// The objective in the form DUMINF calls: f = Armaxprofile at x (npar doubles) for the model in
// the LoglfeSharedRecord `context`. When npar is not its p + q + P + Q, the stop box "Armax
// error" / "Error in sub loglfe: npar .ne. (p+q+sp+sq)!" is shown, f = kObjectiveRejected, and
// the record's count_mismatch is set so that Armaxml fails the request (kMlCountMismatch).
void loglfe(void* context, const int& npar, const double* x, double& f);

// The concentrated objective n ln(SSE) + ln(G): SSE is the residual sum of squares of the
// generalized least-squares fit of the whitened column 1 of X on its whitened columns 2..k+1.
// X is n by k + 1 (by columns, leading dimension n). Returns kObjectiveRejected for an
// inadmissible par, a failed regression fit, missing work storage or a non-finite value.
double Armaxprofile(const int& n, const int& p, const int& q, const int& s, const int& P,
                    const int& Q, const double* par, const double* X, const int& k);
// The same with its storage taken from ws.
double Armaxprofile(const int& n, const int& p, const int& q, const int& s, const int& P,
                    const int& Q, const double* par, const double* X, const int& k,
                    ProfileWorkspace& ws);

// Builds the regression matrix X (n by k + 1, by columns) from the source Y (n by nreg + 1: the
// series, then the regressors). Without the constant, k must equal nreg (else -1) and the columns
// are copied. With the constant (const nonzero, stored back as 1), k must be 1 (else -2): the
// series, then a column of ones. Returns 0 on success.
int Armaxregmat(const double* Y, double* X, const int& n, const int& nreg, const int& k,
                int& constant);

// Least squares of y on one regressor x (n doubles each, read only): b = Sxy / Sxx and
// sse = Syy - Sxy b, about the means when centre is nonzero.
void Armaxols1(const double* y, const double* x, const int& n, const int& centre, double& b,
               double& sse);

}  // namespace vordex::armax

#endif  // VORDEX_ARMAX_ESTIMATE_H
