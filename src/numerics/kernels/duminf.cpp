// Quasi-Newton minimisation with finite-difference gradients, after Dennis and Schnabel,
// "Numerical Methods for Unconstrained Optimization and Nonlinear Equations" (1983): the line
// search with backtracking and step extension is their Algorithm A6.3.1mod, the factored BFGS
// update their A9.4.2. The Hessian approximation is held as its Cholesky factor L (H = L L').
#include "numerics/kernels/duminf.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "numerics/kernels/error_state.h"

namespace vordex::kernels {
namespace {

constexpr double kEps = 2.220446049250313e-16;
constexpr double kAlpha = 1e-4;  // sufficient decrease
constexpr double kBeta = 0.9;    // curvature (slope) condition
// A trial point of a line search refinement always narrows the bracket in theory; the cap only
// guards against cycling on a function that is not smooth. Each trial may cost a whole gradient,
// so the limit on all calls of FCN (MAXEVL) is what bounds a refinement's work.
constexpr int kMaxRefine = 100;
// Five consecutive steps of the maximal length mean the function seems unbounded below.
constexpr int kMaxConsecutiveMaxSteps = 5;

std::string Num(double v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string Num(int v) {
  return std::to_string(v);
}

// Euclidean norm without overflow or harmful underflow.
double Norm2(const std::vector<double>& v) {
  double scale = 0.0;
  double ssq = 1.0;
  for (double vi : v) {
    if (vi == 0.0) continue;
    const double a = std::fabs(vi);
    if (scale < a) {
      ssq = 1.0 + ssq * (scale / a) * (scale / a);
      scale = a;
    } else {
      ssq += (a / scale) * (a / scale);
    }
  }
  return scale * std::sqrt(ssq);
}

double Dot(const std::vector<double>& a, const std::vector<double>& b) {
  double s = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i) s += a[i] * b[i];
  return s;
}

// Thrown by the minimiser when the next call of FCN would pass the limit on all calls; caught in
// DUMINF, which then stops with the last iterate.
struct EvaluationLimit {};

struct Outcome {
  int type = kNone;
  int code = 0;
  std::string message;
  void Raise(int t, int c, std::string m) {
    type = t;
    code = c;
    message = std::move(m);
  }
};

class Minimiser {
 public:
  Minimiser(DuminfFcn fcn, void* context, int n, const double* xscale)
      : fcn_(fcn),
        context_(context),
        n_(n),
        sx_(xscale, xscale + n),
        l_(std::size_t(n) * n, 0.0),
        work_(n, 0.0) {}

  std::vector<double>& scale() { return sx_; }

  void Settings(double fscale, double epsfcn, double gradtl, double steptl, double stepmx,
                long max_calls) {
    max_calls_ = max_calls;
    fscale_ = fscale;
    epsfcn_ = epsfcn;
    gradtl_ = gradtl;
    steptl_ = steptl;
    stepmx_ = stepmx;
  }

  int fcn_count = 0;
  int grad_count = 0;

  double F(const std::vector<double>& x) {
    Reserve(1);
    double f = 0.0;
    fcn_(context_, n_, x.data(), f);
    ++fcn_count;
    return f;
  }

  // Finite-difference gradient at x (value f there). Each coordinate is restored exactly. The
  // calls of the whole gradient are reserved first, so that x is never left perturbed.
  void Gradient(std::vector<double>& x, double f, std::vector<double>& g, bool central) {
    Reserve(central ? 2L * n_ : n_);
    ++grad_count;
    const double root = std::sqrt(epsfcn_);
    for (int j = 0; j < n_; ++j) {
      const double xj = x[j];
      double h = root * std::max(std::fabs(xj), 1.0 / sx_[j]);
      if (xj < 0.0) h = -h;
      x[j] = xj + h;
      double fplus = 0.0;
      fcn_(context_, n_, x.data(), fplus);
      if (central) {
        x[j] = xj - h;
        double fminus = 0.0;
        fcn_(context_, n_, x.data(), fminus);
        g[j] = (fplus - fminus) / (2.0 * h);
      } else {
        g[j] = (fplus - f) / h;
      }
      x[j] = xj;
    }
  }

  double RelGrad(const std::vector<double>& x, double f, const std::vector<double>& g) const {
    double worst = 0.0;
    const double denom = std::max(std::fabs(f), fscale_);
    for (int i = 0; i < n_; ++i) {
      const double v = std::fabs(g[i]) * std::max(std::fabs(x[i]), 1.0 / sx_[i]) / denom;
      if (!(v <= worst)) worst = v;  // a NaN component makes the result NaN
    }
    return worst;
  }

  double RelStep(const std::vector<double>& x, const std::vector<double>& xp) const {
    double worst = 0.0;
    for (int i = 0; i < n_; ++i)
      worst = std::max(worst, std::fabs(xp[i] - x[i]) / std::max(std::fabs(xp[i]), 1.0 / sx_[i]));
    return worst;
  }

  double& L(int i, int j) { return l_[std::size_t(i) * n_ + j]; }

  void InitFactor(bool identity, double f) {
    std::fill(l_.begin(), l_.end(), 0.0);
    const double d = std::sqrt(std::max(std::fabs(f), fscale_));
    for (int j = 0; j < n_; ++j) L(j, j) = identity ? 1.0 : d * sx_[j];
  }

  // p = -(L L')^{-1} g by a forward and a back substitution.
  void Direction(const std::vector<double>& g, std::vector<double>& p) {
    for (int i = 0; i < n_; ++i) {
      double s = -g[i];
      for (int k = 0; k < i; ++k) s -= L(i, k) * work_[k];
      work_[i] = s / L(i, i);
    }
    for (int i = n_ - 1; i >= 0; --i) {
      double s = work_[i];
      for (int k = i + 1; k < n_; ++k) s -= L(k, i) * p[k];
      p[i] = s / L(i, i);
    }
  }

  // Line search along p from x (value f, gradient g). Returns 0 when a satisfactory point
  // (xp, fp, gp) was found, 1 when none lower than x was (then xp = x). Sets max_step.
  int LineSearch(const std::vector<double>& x, double f, const std::vector<double>& p, double nu,
                 bool central, std::vector<double>& xp, double& fp, std::vector<double>& gp,
                 const std::vector<double>& g, bool& max_step) {
    max_step = false;
    std::vector<double> s = p;
    if (nu > stepmx_) {
      for (double& si : s) si *= stepmx_ / nu;
      nu = stepmx_;
    }
    const double slope0 = Dot(g, s);
    double rellength = 0.0;
    for (int i = 0; i < n_; ++i)
      rellength = std::max(rellength, std::fabs(s[i]) / std::max(std::fabs(x[i]), 1.0 / sx_[i]));
    const double lambda_min = std::max(steptl_, epsfcn_) / rellength;
    auto at = [&](double lambda) {
      for (int i = 0; i < n_; ++i) xp[i] = x[i] + lambda * s[i];
      return F(xp);
    };
    auto enough = [&](double fv, double lambda) { return fv <= f + kAlpha * lambda * slope0; };

    double lambda = 1.0;
    double lambda_prev = 1.0;
    double f_prev = f;
    for (;;) {
      fp = at(lambda);
      if (!enough(fp, lambda)) {  // too little decrease (a NaN value counts as such)
        if (lambda < lambda_min) {
          xp = x;
          fp = f;
          return 1;
        }
        double lt;
        if (lambda == 1.0) {
          lt = -slope0 / (2.0 * (fp - f - slope0));
        } else {
          const double r1 = fp - f - lambda * slope0;
          const double r2 = f_prev - f - lambda_prev * slope0;
          const double a =
              (r1 / (lambda * lambda) - r2 / (lambda_prev * lambda_prev)) / (lambda - lambda_prev);
          const double b =
              (-lambda_prev * r1 / (lambda * lambda) + lambda * r2 / (lambda_prev * lambda_prev)) /
              (lambda - lambda_prev);
          if (a == 0.0) {
            lt = -slope0 / (2.0 * b);
          } else {
            lt = (-b + std::sqrt(b * b - 3.0 * a * slope0)) / (3.0 * a);
          }
        }
        if (!(lt <= 0.5 * lambda)) lt = 0.5 * lambda;  // also catches a NaN interpolant
        lambda_prev = lambda;
        f_prev = fp;
        lambda = std::max(lt, 0.1 * lambda);
        continue;
      }

      // Enough decrease: check the slope.
      Gradient(xp, fp, gp, central);
      double slope = Dot(gp, s);
      if (slope < kBeta * slope0) {
        std::vector<double> xlo = xp;
        std::vector<double> glo = gp;
        double flo = fp;
        if (lambda == 1.0 && nu < stepmx_) {
          // Extend the step while it keeps decreasing steeply.
          const double lambda_max = stepmx_ / nu;
          do {
            lambda_prev = lambda;
            f_prev = fp;
            xlo = xp;
            glo = gp;
            flo = fp;
            lambda = std::min(2.0 * lambda, lambda_max);
            fp = at(lambda);
            if (enough(fp, lambda)) {
              Gradient(xp, fp, gp, central);
              slope = Dot(gp, s);
            }
          } while (enough(fp, lambda) && slope < kBeta * slope0 && lambda < lambda_max);
        }
        if (lambda < 1.0 || (lambda > 1.0 && !enough(fp, lambda))) {
          // Refine between the last two trials; the lower one has enough decrease.
          double lambda_lo = std::min(lambda, lambda_prev);
          double lambda_diff = std::fabs(lambda_prev - lambda);
          double fhi;
          if (lambda < lambda_prev) {
            flo = fp;
            fhi = f_prev;
            xlo = xp;
            glo = gp;
          } else {
            flo = f_prev;
            fhi = fp;
          }
          for (int it = 0; it < kMaxRefine; ++it) {
            double incr =
                -slope * lambda_diff * lambda_diff / (2.0 * (fhi - (flo + slope * lambda_diff)));
            if (!(incr >= 0.2 * lambda_diff)) incr = 0.2 * lambda_diff;
            lambda = lambda_lo + incr;
            fp = at(lambda);
            if (!enough(fp, lambda)) {
              lambda_diff = incr;
              fhi = fp;
            } else {
              Gradient(xp, fp, gp, central);
              slope = Dot(gp, s);
              if (slope < kBeta * slope0) {
                lambda_lo = lambda;
                lambda_diff -= incr;
                flo = fp;
                xlo = xp;
                glo = gp;
              }
            }
            if (slope >= kBeta * slope0 || lambda_diff < lambda_min) break;
          }
          if (!(slope >= kBeta * slope0)) {  // keep the best point with enough decrease
            lambda = lambda_lo;
            xp = xlo;
            fp = flo;
            gp = glo;
          }
        }
      }
      max_step = lambda * nu > 0.99 * stepmx_;
      return 0;
    }
  }

  // Factored BFGS update of L with s = xp - x, y = gp - g (Dennis and Schnabel A9.4.2); the new
  // factor is the transpose of R from the QR decomposition of L' + t u'.
  void Update(const std::vector<double>& s, const std::vector<double>& y,
              const std::vector<double>& g, const std::vector<double>& gp) {
    const double ys = Dot(y, s);
    if (!(ys > std::sqrt(kEps) * Norm2(s) * Norm2(y))) return;
    std::vector<double> t(n_, 0.0), u(n_, 0.0);
    for (int i = 0; i < n_; ++i)
      for (int k = i; k < n_; ++k) t[i] += L(k, i) * s[k];  // t = L' s
    const double tt = Dot(t, t);
    const double a = std::sqrt(ys / tt);
    const double tol = std::sqrt(epsfcn_);
    bool skip = true;
    for (int i = 0; i < n_; ++i) {
      double w = 0.0;
      for (int k = 0; k <= i; ++k) w += L(i, k) * t[k];  // w = L t
      if (std::fabs(y[i] - w) >= tol * std::max(std::fabs(g[i]), std::fabs(gp[i]))) skip = false;
      u[i] = y[i] - a * w;
    }
    if (skip) return;
    const double c = 1.0 / std::sqrt(ys * tt);
    for (double& ti : t) ti *= c;
    // M = L' + t u', by columns of a dense n x n array, then Householder QR: M = Q R.
    std::vector<double> m(std::size_t(n_) * n_);
    auto M = [&](int i, int j) -> double& { return m[std::size_t(j) * n_ + i]; };
    for (int i = 0; i < n_; ++i)
      for (int j = 0; j < n_; ++j) M(i, j) = (j >= i ? L(j, i) : 0.0) + t[i] * u[j];
    for (int k = 0; k < n_; ++k) {
      double alpha = 0.0;
      for (int i = k; i < n_; ++i) alpha = std::hypot(alpha, M(i, k));
      if (alpha == 0.0) return;  // singular update: keep the old factor
      const double diag = M(k, k) >= 0.0 ? -alpha : alpha;
      M(k, k) -= diag;
      const double vtv2 = -diag * M(k, k);
      for (int j = k + 1; j < n_; ++j) {
        double dot = 0.0;
        for (int i = k; i < n_; ++i) dot += M(i, k) * M(i, j);
        const double f = dot / vtv2;
        for (int i = k; i < n_; ++i) M(i, j) -= f * M(i, k);
      }
      M(k, k) = diag;
    }
    for (int k = 0; k < n_; ++k)
      if (!std::isfinite(M(k, k)) || M(k, k) == 0.0) return;
    // L = R' with a positive diagonal (row signs of R do not change R'R).
    for (int i = 0; i < n_; ++i) {
      const double sign = M(i, i) < 0.0 ? -1.0 : 1.0;
      for (int j = 0; j < n_; ++j) L(j, i) = j >= i ? sign * M(i, j) : 0.0;
    }
  }

 private:
  // Counts `count` calls of FCN, or throws EvaluationLimit when they would pass max_calls_.
  void Reserve(long count) {
    if (count > max_calls_ - calls_) throw EvaluationLimit{};
    calls_ += count;
  }

  DuminfFcn fcn_;
  void* context_;
  int n_;
  std::vector<double> sx_;
  std::vector<double> l_;  // lower triangle by rows
  std::vector<double> work_;
  double fscale_ = 1.0;
  double epsfcn_ = kEps;
  double gradtl_ = 0.0;
  double steptl_ = 0.0;
  double stepmx_ = 0.0;
  long calls_ = 0;      // calls of FCN so far, values and difference quotients
  long max_calls_ = 1;  // the limit on them
};

}  // namespace

void DUMINF(DuminfFcn fcn, void* context, const int& n, const double* xguess, const double* xscale,
            const double& fscale, int* iparam, double* rparam, double* x, double& fvalue,
            long maxevl) {
  ClearKernelError();
  if (n <= 0) {
    SetKernelError(kTerminal, 1,
                   "The number of variables must be positive while N = " + Num(n) + " is given.");
    return;
  }
  const double default_gradtl = std::pow(kEps, 1.0 / 3.0);
  const double default_steptl = std::pow(kEps, 2.0 / 3.0);
  if (iparam[0] == 0) {
    iparam[0] = 1;
    iparam[1] = int(0.1 - std::log10(kEps));  // 15
    iparam[2] = 100;
    iparam[3] = 400;
    iparam[4] = 400;
    iparam[5] = 0;
    iparam[6] = 100;
    rparam[0] = default_gradtl;
    rparam[1] = default_steptl;
    rparam[2] = std::max(default_steptl, 1e-20);
    rparam[3] = std::max(kEps * kEps, 1e-20);
    rparam[4] = 100.0 * kEps;
    rparam[5] = -9999.0;
    rparam[6] = -9999.0;
  }

  Outcome outcome;
  std::vector<double> xc, g, xp, gp, p, s, y;
  Minimiser* mp = nullptr;
  try {
    xc.assign(xguess, xguess + n);  // before X is written: XGUESS and X may be one array
    g.assign(std::size_t(n), 0.0);
    xp = g;
    gp = g;
    p = g;
    s = g;
    y = g;
    mp = new Minimiser(fcn, context, n, xscale);
  } catch (const std::bad_alloc&) {
    SetKernelError(kTerminal, 2,
                   "The required storage cannot be allocated.  The workspace allocation is based "
                   "on N while N = " +
                       Num(n) + " is given.");
    return;
  }
  std::unique_ptr<Minimiser> owner(mp);
  Minimiser& mz = *mp;

  // Settings, each invalid one replaced for this call with a warning.
  int fdigit = iparam[1];
  int mxiter = iparam[2];
  int maxfcn = iparam[3];
  int maxgrd = iparam[4];
  int maxhes = iparam[6];
  double gradtl = rparam[0];
  double steptl = rparam[1];
  double stepmx = rparam[5];
  double fs = fscale;
  if (!(fs > 0.0) || !std::isfinite(fs)) {
    outcome.Raise(kWarning, 9,
                  "The estimate of the scale of the objective function must be positive while "
                  "FSCALE = " +
                      Num(fs) + " is given.  The algorithm will use FSCALE = 1.0.");
    fs = 1.0;
  }
  for (int j = 0; j < n; ++j) {
    double& sj = mz.scale()[std::size_t(j)];
    if (!(sj > 0.0) || !std::isfinite(sj)) {
      outcome.Raise(kWarning, 10,
                    "The values for the diagonal scaling matrix, XSCALE, must be positive while "
                    "XSCALE(" +
                        Num(j + 1) + ") = " + Num(sj) +
                        " is given.  The algorithm will use XSCALE(" + Num(j + 1) + ") = 1.0.");
      sj = 1.0;
    }
  }
  if (fdigit <= 0) {
    outcome.Raise(kWarning, 11,
                  "The number of good digits in the function must be positive while FDIGIT = " +
                      Num(fdigit) + " is given.  The algorithm will use FDIGIT = 15.");
    fdigit = 15;
  }
  if (!(gradtl >= 0.0)) {
    outcome.Raise(kWarning, 12,
                  "The gradient tolerance must be nonnegative while GRADTL = " + Num(gradtl) +
                      " is given.  The algorithm will use GRADTL = " + Num(default_gradtl) + ".");
    gradtl = default_gradtl;
  }
  if (!(steptl >= 0.0)) {
    outcome.Raise(kWarning, 13,
                  "The step tolerance must be nonnegative while STEPTL = " + Num(steptl) +
                      " is given.  The algorithm will use STEPTL = " + Num(default_steptl) + ".");
    steptl = default_steptl;
  }
  if (mxiter <= 0) {
    outcome.Raise(kWarning, 14,
                  "The maximum number of iterations must be positive while MXITER = " +
                      Num(mxiter) + " is given.  The algorithm will use MXITER = 100.");
    mxiter = 100;
  }
  if (maxfcn <= 0) {
    outcome.Raise(kWarning, 15,
                  "The maximum number of function evaluations must be positive while MAXFCN = " +
                      Num(maxfcn) + " is given.  The algorithm will use MAXFCN = 400.");
    maxfcn = 400;
  }
  if (maxgrd <= 0) {
    outcome.Raise(kWarning, 16,
                  "The maximum number of gradient evaluations must be positive while MAXGRD = " +
                      Num(maxgrd) + " is given.  The algorithm will use MAXGRD = 400.");
    maxgrd = 400;
  }
  if (maxhes <= 0) {
    outcome.Raise(kWarning, 17,
                  "The maximum number of Hessian evaluations must be positive while MAXHES = " +
                      Num(maxhes) + " is given.  The algorithm will use MAXHES = 100.");
  }
  const std::vector<double>& sx = mz.scale();
  if (!(stepmx > 0.0)) {
    std::vector<double> sxx(static_cast<std::size_t>(n));
    for (int j = 0; j < n; ++j) sxx[j] = sx[j] * xc[j];
    stepmx = 1000.0 * std::max(Norm2(sxx), Norm2(sx));
  }
  const double epsfcn = std::max(std::pow(10.0, -fdigit), kEps);
  // In double: 2 N MAXGRD can pass the range of long.
  long max_calls = static_cast<long>(std::min(maxfcn + 2.0 * n * maxgrd, 1e18));
  if (maxevl > 0) max_calls = std::min(max_calls, maxevl);
  mz.Settings(fs, epsfcn, gradtl, steptl, stepmx, std::max(max_calls, 1L));

  auto finish = [&](const std::vector<double>& xf, double ff) {
    std::copy(xf.begin(), xf.end(), x);
    fvalue = ff;
    SetKernelError(outcome.type, outcome.code, outcome.message);
  };

  // Start: the first call is always allowed.
  double f = mz.F(xc);
  bool central = false;
  try {
    mz.Gradient(xc, f, g, central);
    if (mz.RelGrad(xc, f, g) <= gradtl) return finish(xc, f);
    int max_steps = 0;
    mz.InitFactor(iparam[5] == 0, f);

    for (int iter = 1;; ++iter) {
      int retcode = 0;
      bool max_step = false;
      double fp = f;
      for (;;) {
        mz.Direction(g, p);
        std::vector<double> sp(static_cast<std::size_t>(n));
        for (int j = 0; j < n; ++j) sp[j] = sx[j] * p[j];
        const double nu = Norm2(sp);
        retcode = mz.LineSearch(xc, f, p, nu, central, xp, fp, gp, g, max_step);
        if (retcode == 1 && !central) {
          // No lower point with forward differences: retry once with central differences.
          central = true;
          mz.Gradient(xc, f, g, central);
          if (mz.RelGrad(xc, f, g) <= gradtl) return finish(xc, f);
          continue;
        }
        break;
      }
      if (retcode == 1) {
        xp = xc;
        fp = f;
        gp = g;
      } else if (!central && mz.RelGrad(xp, fp, gp) <= 0.1) {
        central = true;
        mz.Gradient(xp, fp, gp, central);
      }

      // Stopping test.
      bool stop = true;
      if (mz.RelGrad(xp, fp, gp) <= gradtl) {
        // converged: no error of its own
      } else if (retcode == 1) {
        outcome.Raise(
            kWarning, 8,
            "The last global step failed to locate a lower point than the current X "
            "value.  The current X may be an approximate local minimizer and no more "
            "accuracy is possible or the step tolerance may be too large where STEPTL = " +
                Num(steptl) + " is given.");
      } else if (mz.RelStep(xc, xp) <= steptl) {
        outcome.Raise(kAlert, 7,
                      "Scaled step tolerance satisfied; the current point may be an approximate "
                      "local solution, or the algorithm is making very slow progress and is not "
                      "near a solution, or STEPTL is too big.");
      } else if (iter >= mxiter) {
        outcome.Raise(kFatal, 3, " Maximum number of iterations exceeded.");
      } else if (mz.fcn_count >= maxfcn) {
        outcome.Raise(kFatal, 4, " Maximum number of function evaluations exceeded.");
      } else if (mz.grad_count >= maxgrd) {
        outcome.Raise(kFatal, 5, " Maximum number of gradient evaluations exceeded.");
      } else {
        stop = false;
        max_steps = max_step ? max_steps + 1 : 0;
        if (max_steps >= kMaxConsecutiveMaxSteps) {
          outcome.Raise(kFatal, 6,
                        " Five consecutive steps of length STEPMX have been taken; either the "
                        "function is unbounded below, or has a finite asymptote in some direction "
                        "or the maximum allowable step size STEPMX is too small.");
          stop = true;
        }
      }
      if (stop) return finish(xp, fp);

      for (int j = 0; j < n; ++j) {
        s[j] = xp[j] - xc[j];
        y[j] = gp[j] - g[j];
      }
      mz.Update(s, y, g, gp);
      xc = xp;
      g = gp;
      f = fp;
    }
  } catch (const EvaluationLimit&) {
    // The last iterate stands: a trial point of the unfinished line search may not be lower.
    outcome.Raise(kFatal, 4, " Maximum number of function evaluations exceeded.");
    return finish(xc, f);
  }
}

}  // namespace vordex::kernels
