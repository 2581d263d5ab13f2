#include "numerics/descent.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "numerics/kernels/duminf.h"
#include "numerics/kernels/error_state.h"

namespace vordex::numerics {

namespace {

struct DescentContext {
  Criterion func;
  double rejected = 0.0;
  std::vector<double> point;  // 1-based copy of the kernel's 0-based point
};

void Objective(void* context, const int& n, const double* x, double& value) {
  auto& c = *static_cast<DescentContext*>(context);
  std::copy(x, x + n, c.point.begin() + 1);
  value = c.func(c.point.data());
  if (!(value < c.rejected)) value = c.rejected;
}

}  // namespace

void QuasiNewtonDescent(int n, double* p, double* fret, Criterion func, double rejected,
                        long max_evaluations) {
  if (n <= 0) return;
  DescentContext c{func, rejected, std::vector<double>(static_cast<std::size_t>(n) + 1, 0.0)};
  std::vector<double> scale(static_cast<std::size_t>(n), 1.0), x(static_cast<std::size_t>(n));
  int iparam[7] = {0};  // the defaults
  double rparam[7] = {0.0};
  double value = *fret;
  kernels::DUMINF(&Objective, &c, n, p + 1, scale.data(), std::max(1.0, std::fabs(*fret)), iparam,
                  rparam, x.data(), value, max_evaluations);
  kernels::ClearKernelError();
  if (value < *fret) {
    std::copy(x.begin(), x.end(), p + 1);
    *fret = value;
  }
}

namespace {

// The box descent's work: the point, its criterion and gradient, and the inverse Hessian
// approximation H (row-major, 0-based) of the BFGS updates.
class BoxDescent {
 public:
  BoxDescent(int n, const double* lo, const double* hi, Criterion func, double rejected,
             long max_evaluations)
      : n_(n), lo_(lo), hi_(hi), func_(func), rejected_(rejected), limit_(max_evaluations) {}

  BoxDescentOutcome Run(double* p, double* fret, double ftol);

 private:
  using Point = std::vector<double>;  // 1-based

  bool Spent() const { return outcome_.evaluations >= limit_; }
  double Evaluate(Point& x) {
    ++outcome_.evaluations;
    const double value = func_(x.data());
    return value < rejected_ ? value : rejected_;
  }
  double Project(int i, double v) const { return std::min(hi_[i], std::max(lo_[i], v)); }
  bool Gradient(Point& x, double f, Point& g);
  void ResetH(double scale) {
    std::fill(H_.begin(), H_.end(), 0.0);
    for (int i = 0; i < n_; ++i) H_[static_cast<std::size_t>(i * n_ + i)] = scale;
  }
  double& Hij(int i, int j) { return H_[static_cast<std::size_t>((i - 1) * n_ + (j - 1))]; }

  int n_;
  const double* lo_;
  const double* hi_;
  Criterion func_;
  double rejected_;
  long limit_;
  BoxDescentOutcome outcome_;
  std::vector<double> H_;
};

// Forward differences with steps of 1e-6 relative (absolute below 1), backwards where the
// forward step would leave the box or is rejected; a variable that can move neither way gets 0.
// False when the evaluations run out.
bool BoxDescent::Gradient(Point& x, double f, Point& g) {
  for (int i = 1; i <= n_; ++i) {
    g[i] = 0.0;
    if (lo_[i] == hi_[i]) continue;
    const double xi = x[i];
    const double h = 1e-6 * std::max(1.0, std::fabs(xi));
    for (const double step : {xi + h > hi_[i] ? -h : h, xi + h > hi_[i] ? 0.0 : -h}) {
      if (step == 0.0 || xi + step < lo_[i]) continue;
      if (Spent()) return false;
      x[i] = xi + step;
      const double fh = Evaluate(x);
      const double taken = x[i] - xi;  // the step as represented
      x[i] = xi;
      if (fh < rejected_) {
        g[i] = (fh - f) / taken;
        break;
      }
    }
  }
  return true;
}

BoxDescentOutcome BoxDescent::Run(double* p, double* fret, double ftol) {
  const auto size = static_cast<std::size_t>(n_) + 1;
  Point x(size, 0.0), g(size, 0.0), d(size, 0.0), trial(size, 0.0), gt(size, 0.0);
  for (int i = 1; i <= n_; ++i) x[i] = Project(i, p[i]);
  double f = Evaluate(x);
  if (!(f < rejected_)) return outcome_;
  const auto keep = [&] {
    if (f < *fret || !(*fret < rejected_)) {
      std::copy(x.begin() + 1, x.end(), p + 1);
      *fret = f;
    }
  };
  keep();
  H_.assign(static_cast<std::size_t>(n_) * static_cast<std::size_t>(n_), 0.0);
  ResetH(1.0);
  bool scaled = true;      // H still the identity, before the first update
  double lastScale = 0.0;  // s'y / y'y of the last update
  std::vector<bool> held(size, true), wasHeld(size, true);
  if (!Gradient(x, f, g)) return outcome_;

  while (!Spent()) {
    // Variables held on their bound for this step. When they change, the curvature learnt along
    // the others no longer describes the free subspace: H starts again from the scale of the
    // last update.
    for (int i = 1; i <= n_; ++i)
      held[i] =
          lo_[i] == hi_[i] || (x[i] <= lo_[i] && g[i] > 0.0) || (x[i] >= hi_[i] && g[i] < 0.0);
    if (held != wasHeld && lastScale > 0.0) ResetH(lastScale);
    wasHeld = held;
    double slope = 0.0;
    double longest = 0.0;
    for (int i = 1; i <= n_; ++i) {
      d[i] = 0.0;
      if (held[i]) continue;
      for (int j = 1; j <= n_; ++j)
        if (!held[j]) d[i] -= Hij(i, j) * g[j];
      slope += g[i] * d[i];
      longest = std::max(longest, std::fabs(d[i]));
    }
    if (!(slope < 0.0)) {
      if (scaled) break;  // steepest descent finds no way down: a stationary point in the box
      ResetH(1.0);
      scaled = true;
      continue;
    }
    if (!scaled && -0.5 * slope <= ftol * std::fabs(f)) {
      outcome_.converged = true;
      break;
    }

    // Backtracking along the projected path from a unit step (from at most 0.1 in each
    // coordinate while H is still the identity, which knows nothing of the criterion's scale).
    double t = scaled && longest > 0.1 ? 0.1 / longest : 1.0;
    bool accepted = false;
    double ft = f;
    for (int halvings = 0; halvings < 40 && !Spent(); ++halvings, t *= 0.5) {
      double change = 0.0;
      bool moved = false;
      for (int i = 1; i <= n_; ++i) {
        trial[i] = held[i] ? x[i] : Project(i, x[i] + t * d[i]);
        change += g[i] * (trial[i] - x[i]);
        moved = moved || trial[i] != x[i];
      }
      if (!moved) break;
      ft = Evaluate(trial);
      if (ft < rejected_ && ft <= f + 1e-4 * change) {
        accepted = true;
        break;
      }
    }
    if (!accepted) {
      if (scaled) break;  // no step along steepest descent lowers the criterion either
      ResetH(1.0);
      scaled = true;
      continue;
    }
    const double decrease = f - ft;
    if (!Gradient(trial, ft, gt)) {
      std::swap(x, trial);
      f = ft;
      break;
    }
    // BFGS update of the inverse Hessian with s = trial - x, y = gt - g, skipped when the
    // curvature s'y is not clearly positive.
    std::vector<double> s(size, 0.0), y(size, 0.0), Hy(size, 0.0);
    double sy = 0.0, yy = 0.0;
    for (int i = 1; i <= n_; ++i) {
      if (held[i]) continue;
      s[i] = trial[i] - x[i];
      y[i] = gt[i] - g[i];
      sy += s[i] * y[i];
      yy += y[i] * y[i];
    }
    if (sy >
        1e-12 * std::sqrt(yy) * std::sqrt(std::inner_product(s.begin(), s.end(), s.begin(), 0.0))) {
      lastScale = sy / yy;
      if (scaled) {
        ResetH(lastScale);
        scaled = false;
      }
      double yHy = 0.0;
      for (int i = 1; i <= n_; ++i) {
        for (int j = 1; j <= n_; ++j) Hy[i] += Hij(i, j) * y[j];
        yHy += y[i] * Hy[i];
      }
      for (int i = 1; i <= n_; ++i)
        for (int j = 1; j <= n_; ++j)
          Hij(i, j) += ((sy + yHy) * s[i] * s[j]) / (sy * sy) - (Hy[i] * s[j] + s[i] * Hy[j]) / sy;
    }
    std::swap(x, trial);
    std::swap(g, gt);
    f = ft;
    keep();
    if (decrease <= ftol * std::fabs(f)) {
      outcome_.converged = true;
      break;
    }
  }
  keep();
  return outcome_;
}

}  // namespace

BoxDescentOutcome BoxQuasiNewton(int n, double* p, double* fret, const double* lo, const double* hi,
                                 double ftol, Criterion func, double rejected,
                                 long max_evaluations) {
  if (n <= 0) return {};
  BoxDescent descent(n, lo, hi, func, rejected, max_evaluations);
  return descent.Run(p, fret, ftol);
}

}  // namespace vordex::numerics
