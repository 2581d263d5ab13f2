// Regression with seasonal ARIMA errors over the observed values of a series with gaps: the exact
// Gaussian likelihood by the Kalman filter of the model's state space form, the one-step
// predictions, forecasts and the continuation of the filter through new values.
//
// The model for y(1..n), any of whose values may be missing (NaN), with k regressors x(t):
//   y(t) = x(t)' b + n(t),
//   phi(B) Phi(B^s) (1 - B)^d (1 - B^s)^D n(t) = theta(B) Theta(B^s) a(t),   a(t) ~ N(0, sigma2),
// every lag polynomial in the Box-Jenkins sign convention of arma/likelihood.h; par holds the p AR,
// q MA, P seasonal AR and Q seasonal MA coefficients in that order (as for ArmaObjective). The
// seasonal terms (P, D, Q) enter only when s > 1.
//
// State space form, with the differencing in the state (Gardner, Harvey and Phillips 1980; Harvey
// 1989, ch. 3; Durbin and Koopman 2012, sec. 3.4; the layout of R's makeARIMA):
// with u(t) = (1 - B)^d (1 - B^s)^D n(t) the ARMA(np, nq) process (np = p + s P, nq = q + s Q),
// r = max(np, nq + 1) and nd = d + s D, the state of dimension m = r + nd is
//   alpha(t) = (Harvey's ARMA state x(t) (x(t)(1) = u(t)), n(t - 1), .., n(t - nd)),
//   n(t) = Z alpha(t),  Z = (1, 0, .., 0, delta(1), .., delta(nd)),
//   alpha(t + 1) = T alpha(t) + R a(t + 1) / sigma,
// where 1 - delta(1) B - .. - delta(nd) B^nd = (1 - B)^d (1 - B^s)^D. There is no measurement
// noise: n(t) is known exactly once y(t) is observed. Covariances are relative to sigma2.
// The filter updates at an observed time and only predicts at a missing one; b is profiled out by
// generalised least squares (the filter's gains do not depend on the data, so the same filter run
// over y and over each regressor whitens them all, and b is the least-squares fit of the whitened
// y on the whitened regressors); sigma2 is concentrated out. Maximising the profile over the ARMA
// coefficients gives the joint maximum likelihood estimate.
//
// Initial state: x(1) from its stationary distribution (covariance from the autocovariances,
// ArmaAutocovariances), the nd pre-sample errors diffuse, in one of two treatments:
//  - DiffuseStart::kExact: the exact initial Kalman filter (Koopman 1997; Durbin and Koopman 2012,
//    sec. 5.2): the covariance is P + kappa P_inf with kappa -> infinity, carried as the pair; an
//    observation whose diffuse variance Z P_inf Z' is not 0 fixes one direction of the diffuse
//    part and enters the likelihood only through ln(Z P_inf Z'), which depends on the
//    differencing alone (P_inf never meets the ARMA coefficients) and is left out. After nd such
//    steps the filter is the ordinary one. On a complete series the result is the likelihood of
//    the differenced series (ArmaObjective), to rounding.
//  - DiffuseStart::kLargeKappa: R's stats::arima (method = "ML"): the pre-sample errors get the
//    variance kappa (1e6 in R), the ordinary filter runs from the start, and an innovation whose
//    variance ratio is 1e4 or more is left out of the likelihood. An approximation of the exact
//    start whose error is of order 1 / kappa relative to the differencing's scale: 1.4e-5 of the
//    log-likelihood of the airline model on log(AirPassengers), kappa = 1e6. For R's numbers.
// With U the innovations counted (the observed values less the nd of the diffuse part, R's
// n.used), S the sum of their squares divided by their variance ratios F(t) at the GLS estimate of
// b, and G the product of those F(t):
//   sigma2 = S / U,   -2 log L = U ln(S) + ln(G) + U (1 + ln(2 pi / U)).
//
// Cost: a time costs O(m^2 + m k + k^2) (the covariance recursion, the k + 1 state means and the
// least-squares update) until the covariance has settled; from then on, while the values are
// observed, the covariance is held fixed (see FilterState::steady) and a time costs O(m (k + 1)).
// A missing value restarts the recursion. So an evaluation costs at most O(n (m^2 + m k + k^2))
// plus O(r^3) for the stationary start, and stores O(m^2 + m k + k^2) doubles (the objective) or
// O(n k) (the full evaluation). For the airline model (m = 27) the recursion settles after about
// 400 values, and one objective on 10,000 complete values took 1.3 ms (ArmaObjective on the
// differenced series: 0.3 ms), the full recursion about 2 microseconds a time.
//
// Conventions: vectors are 0-based (y[t - 1] is y(t)); matrices are stored by columns with the
// number of rows as leading dimension. Nothing here throws, and nothing shows a message except
// the admissibility test's (ArmaInadmissible: when its root finder fails): a call that cannot be
// evaluated returns false (or kObjectiveRejected), including when storage cannot be obtained.
#ifndef VORDEX_ARMA_STATE_SPACE_H
#define VORDEX_ARMA_STATE_SPACE_H

#include <span>
#include <vector>

#include "arma/likelihood.h"
#include "numerics/vectors.h"

namespace vordex::arma {

// The treatment of the differencing's diffuse initial state (see above).
enum class DiffuseStart {
  kExact,       // Koopman's exact initial filter; the default
  kLargeKappa,  // R's approximation: variance kappa, innovations with F >= 1e4 left out
};

// R's innovation variance-ratio bound in the large-kappa treatment: an innovation with F at or
// above it belongs to the diffuse part and is left out of the likelihood.
inline constexpr double kKappaGainLimit = 1e4;

// The model: the orders of the ARIMA errors and the diffuse treatment. Valid when every order is
// >= 0, s >= 1 and, with s > 1, p < s when P > 0 and q < s when Q > 0 (so the seasonal products
// do not overlap the nonseasonal terms, as ExpandSeasonalOperators requires).
struct RegArimaModel {
  int p = 0, d = 0, q = 0;
  int P = 0, D = 0, Q = 0;
  int s = 1;
  DiffuseStart start = DiffuseStart::kExact;
  double kappa = 1e6;  // the pre-sample variance of DiffuseStart::kLargeKappa (R's default)
};

// The observations: y(1..n) (NaN marks a missing value) and the k regressors, n by k by columns
// (x_j(t) at xreg[(j - 1) n + t - 1]), every value finite. An intercept is a column of ones.
struct RegArimaData {
  std::span<const double> y;
  std::span<const double> xreg;  // n * k values
  int k = 0;
};

// The filter's state between two times, for the error series n(t) = y(t) - x(t)' b: the predicted
// state at the next time and the sums of the likelihood so far. A state is what RegArimaStart
// makes, what RegArimaEvaluate leaves after the last time, and what RegArimaFilter continues.
struct FilterState {
  int m = 0;                  // the state dimension r + nd
  std::vector<double> a;      // m: the predicted state mean alpha(t + 1 | t)
  std::vector<double> P;      // m by m: its covariance (the finite part), relative to sigma2
  std::vector<double> P_inf;  // m by m: the diffuse part (kExact); all 0 once diffuse_left is 0
  int diffuse_left = 0;       // diffuse steps still to come (kExact; 0 for kLargeKappa)
  int quiet = 0;              // consecutive observed steps that left P (nearly) unchanged
  bool steady = false;        // P has settled and is held fixed until the next missing value
  long times = 0;             // values filtered (observed or missing)
  long used = 0;              // innovations counted in the likelihood (U)
  double ssq = 0.0;           // the sum S of their squares over their variance ratios
  double sumlog = 0.0;        // ln G, the sum of the logarithms of those ratios
};

// The full evaluation of the likelihood at one parameter vector (RegArimaEvaluate).
struct RegArimaFit {
  double log_likelihood = 0.0;  // -0.5 (U ln S + ln G + U (1 + ln(2 pi / U))): R's loglik
  double objective = 0.0;       // U ln S + ln G, the value of RegArimaObjective
  double sigma2 = 0.0;          // S / U, as R reports it
  long used = 0;                // U: the innovations counted (R's n.used)
  std::vector<double> beta;     // k: the GLS estimate of b
  // k by k: sigma2 (X' V^-1 X)^-1, b's covariance for the given ARMA coefficients (R's var.coef
  // block for b comes from the Hessian of the joint likelihood and also carries the ARMA
  // coefficients' uncertainty).
  std::vector<double> beta_covariance;
  // n each, at every time t:
  //  predictions: the one-step prediction of y(t) from the observed values before t, x(t)' b
  //    included; defined at missing times too;
  //  variance_ratios: its error variance divided by sigma2, F(t) (+infinity while the diffuse part
  //    is unresolved, kExact);
  //  residuals: (y(t) - predictions[t]) / sqrt(F(t)), R's residuals (the innovations scaled to
  //    the variance sigma2); 0 at the diffuse steps of kExact (the limit), NaN at missing times.
  std::vector<double> predictions, variance_ratios, residuals;
  FilterState state;  // after the last time, for the errors y - X beta
};

// Work storage of RegArimaObjective, owned by the caller and reused across evaluations: it grows
// to the largest evaluation and is never shrunk. It holds nothing that an evaluation reads; one
// workspace serves one evaluation at a time.
class StateSpaceWorkspace {
 public:
  StateSpaceWorkspace() = default;
  StateSpaceWorkspace(const StateSpaceWorkspace&) {}
  StateSpaceWorkspace& operator=(const StateSpaceWorkspace&) { return *this; }
  StateSpaceWorkspace(StateSpaceWorkspace&&) = default;
  StateSpaceWorkspace& operator=(StateSpaceWorkspace&&) = default;
  // The number of doubles held.
  long size() const { return size_; }

 private:
  friend double* StateSpaceStorage(StateSpaceWorkspace& ws, long length);
  numerics::Vector block_;
  long size_ = 0;
};

// The concentrated objective U ln(S) + ln(G) (= -2 log L - U (1 + ln(2 pi / U))) of the data at
// the ARMA coefficients par (p + q + P + Q doubles), b profiled out: the criterion for a
// minimiser; its Hessian (times 0.5) is that of -log L in the ARMA coefficients with b profiled,
// whose inverse is the ARMA block of the joint inverse Hessian. On a complete series without
// regressors, with kExact, it equals ArmaObjective of the differenced series to rounding.
// Returns kObjectiveRejected when the model or the data are invalid (see RegArimaModel and
// RegArimaData; y must have at least one value), ArmaInadmissible(par) is true, no innovation is
// counted, the whitened regressors are rank deficient (a column within 1e-10 of the span of the
// others relative to its own size, as a constant is when the model differences), S is 0, the
// value is not finite or the storage cannot be obtained. Obtains storage only when ws is too
// small.
double RegArimaObjective(const RegArimaModel& model, const double* par, const RegArimaData& data,
                         StateSpaceWorkspace& ws);
double RegArimaObjective(const RegArimaModel& model, const double* par, const RegArimaData& data);

// The full evaluation at par: writes fit (every field) and returns true; returns false, fit
// unspecified, when RegArimaObjective would return kObjectiveRejected.
bool RegArimaEvaluate(const RegArimaModel& model, const double* par, const RegArimaData& data,
                      RegArimaFit& fit);

// The state before the first time: mean 0, the stationary covariance for the ARMA part and the
// diffuse start for the differencing part. Returns false (state unspecified) when the model is
// invalid or ArmaInadmissible(par).
bool RegArimaStart(const RegArimaModel& model, const double* par, FilterState& state);

// Continues the filter from state through new values (data: the values following state.times;
// data.k = beta.size()) with b = beta fixed: filters the errors y(t) - x(t)' beta and adds their
// innovations to the state's sums. Filtering a series in two parts this way equals filtering it
// at once (RegArimaStart, then the whole), and RegArimaEvaluate's state continues as the filter of
// y - X beta with its beta would. The optional outputs (empty, or one value per new time) receive
// what RegArimaFit describes under the same names. Returns false (state unspecified) when the
// model, the state (dimension) or the data are invalid, data.k != beta.size(), an output has the
// wrong size or ArmaInadmissible(par). The log-likelihood of all values so far at this beta is
// -0.5 (U ln(S / U) + ln G + U (1 + ln 2 pi)) with U, S, ln G the state's used, ssq, sumlog.
bool RegArimaFilter(const RegArimaModel& model, const double* par, std::span<const double> beta,
                    const RegArimaData& data, FilterState& state,
                    std::span<double> predictions = {}, std::span<double> variance_ratios = {},
                    std::span<double> residuals = {});

// Forecasts h = mean.size() steps ahead from state (the filter after the last observed time):
//   mean[j - 1] = x(n + j)' beta + Z alpha(n + j | n),
//   variance[j - 1] = sigma2 Z P(n + j | n) Z',
// the future regressors xreg_future h by k by columns (k = beta.size()). The variance counts the
// ARMA errors only, with beta and the coefficients treated as known, as R's predict.Arima does; it
// is +infinity while the diffuse part is unresolved. variance has h values too. Returns false
// when the model or state is invalid, the sizes disagree or ArmaInadmissible(par).
bool RegArimaForecast(const RegArimaModel& model, const double* par, std::span<const double> beta,
                      double sigma2, const FilterState& state, std::span<const double> xreg_future,
                      std::span<double> mean, std::span<double> variance);

// Adds the row w (cols values: the regressors, then the response) to the upper-triangular factor
// R (cols by cols, by columns, zeros at first) of the least-squares rows so far, by Givens
// rotations; w is overwritten. R(j, j) then carries the part of column j outside the span of the
// columns before it, and the last diagonal element the root of the residual sum of squares.
void AddLeastSquaresRow(double* R, int cols, double* w);

// The same for count rows at once (row-major, cols each, overwritten), by one Householder
// reflection of each column over R's diagonal element and the rows: one square root a column for
// the block instead of one a row. R's diagonal stays positive (a row of R may change sign freely).
void AddLeastSquaresRows(double* R, int cols, double* rows, int count);

// Rows gathered for AddLeastSquaresRows by the likelihoods.
inline constexpr int kLeastSquaresBlock = 32;

}  // namespace vordex::arma

#endif  // VORDEX_ARMA_STATE_SPACE_H
