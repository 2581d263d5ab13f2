#include "numerics/powell.h"

#include <cmath>
#include <limits>
#include <utility>

namespace vordex::numerics {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Powell: iteration limit. The library's minimisations converge within 60 iterations; the limit
// keeps a slowly creeping search from running on (kPowellMaxEvaluations bounds its cost).
constexpr int kPowellMaxIter = 500;
// Bracket: golden ratio of successive steps, the largest parabolic extrapolation (in units of
// the last step), and the guard against a zero denominator in the parabola.
constexpr double kGold = 1.618034;
constexpr double kGLimit = 100.0;
constexpr double kTiny = 1e-20;
// Bracket: passes of the expansion loop before the search is cut off. Every pass widens the
// triple by a factor between 1.618 and 100, so 100 passes span at least 1.618^100 (about 1e21)
// initial steps: the engines' criteria, which are bounded below or return large penalties
// outside their admissible regions, bracket their minima within a few passes.
constexpr int kBracketMaxPasses = 100;
// Brent: iteration limit, the golden-section fraction (3 - sqrt 5) / 2, and the absolute part of
// the tolerance that protects a minimum at exactly 0.
constexpr int kBrentMaxIter = 500;
static_assert(kLineSearchEvaluations == 3 + 2 * kBracketMaxPasses + 1 + kBrentMaxIter);
constexpr double kCGold = 0.381966;
constexpr double kZeps = 1e-10;
// LinMin: the fractional tolerance of Brent's refinement along each line.
constexpr double kLineTol = 2.0e-4;

// a * a, exactly 0 for a = 0.
double Sq(double a) {
  return a == 0.0 ? 0.0 : a * a;
}

// |a| with the sign of b; negative only when b < 0.
double Sign(double a, double b) {
  return b < 0.0 ? -std::fabs(a) : std::fabs(a);
}

// Bracket's work; *f_start receives the value at the original *ax.
int BracketFrom(double* ax, double* bx, double* cx, double* fa, double* fb, double* fc,
                LineFunction f, double* f_start) {
  *fa = f(*ax);
  *fb = f(*bx);
  *f_start = *fa;
  if (*fb > *fa) {
    std::swap(*ax, *bx);
    std::swap(*fa, *fb);
  }
  *cx = *bx + kGold * (*bx - *ax);
  *fc = f(*cx);
  int passes = 0;
  while (*fb > *fc) {
    if (passes == kBracketMaxPasses) return 0;
    ++passes;
    // u: the minimum of the parabola through (ax, fa), (bx, fb), (cx, fc).
    const double r = (*bx - *ax) * (*fb - *fc);
    const double q = (*bx - *cx) * (*fb - *fa);
    const double s = Sign(std::fmax(std::fabs(q - r), kTiny), q - r);
    double u = *bx - ((*bx - *cx) * q - (*bx - *ax) * r) / (2.0 * s);
    const double ulim = *bx + kGLimit * (*cx - *bx);
    double fu;
    if ((*bx - u) * (u - *cx) > 0.0) {
      // u between bx and cx.
      fu = f(u);
      if (fu < *fc) {
        *ax = *bx;
        *bx = u;
        *fa = *fb;
        *fb = fu;
        return 1;
      } else if (fu > *fb) {
        *cx = u;
        *fc = fu;
        return 1;
      }
      u = *cx + kGold * (*cx - *bx);
      fu = f(u);
    } else if ((*cx - u) * (u - ulim) > 0.0) {
      // u between cx and its allowed limit.
      fu = f(u);
      if (fu < *fc) {
        *bx = *cx;
        *cx = u;
        u = *cx + kGold * (*cx - *bx);
        *fb = *fc;
        *fc = fu;
        fu = f(u);
      }
    } else if ((u - ulim) * (ulim - *cx) >= 0.0) {
      u = ulim;
      fu = f(u);
    } else {
      u = *cx + kGold * (*cx - *bx);
      fu = f(u);
    }
    *ax = *bx;
    *bx = *cx;
    *cx = u;
    *fa = *fb;
    *fb = *fc;
    *fc = fu;
  }
  return std::isnan(*fb) ? 0 : 1;
}

// The work vectors of line searches in n dimensions, obtained once for all searches of a
// minimisation. False (after the box) when they cannot be obtained.
bool PrepareLine(LineMinContext& line, int n, Criterion func) {
  line.n = n;
  line.func = func;
  line.base = vector(1, n);
  if (line.base) line.direction = vector(1, n);
  if (line.direction) line.point = vector(1, n);
  if (!line.point) {
    ReportError("Error in LinMin", "Vector allocation failure!", 0);
    return false;
  }
  return true;
}

// LinMin's work over prepared vectors; *cut_off is set when the bracketing ended without a
// bracket.
int LineSearch(LineMinContext& line, double* p, double* xi, double* fret, bool* cut_off) {
  *cut_off = false;
  const int n = line.n;
  for (int j = 1; j <= n; ++j) {
    line.base[j] = p[j];
    line.direction[j] = xi[j];
  }
  const LineFunction f{&f1dim, &line};
  double ax = 0.0;
  double xx = 1.0;
  double bx, fa, fx, fb, f0;
  double xmin;
  if (BracketFrom(&ax, &xx, &bx, &fa, &fx, &fb, f, &f0)) {
    Brent(ax, xx, bx, f, kLineTol, &xmin, fret);
  } else {
    // No bracket: stay with the lowest value seen that is a number, the base point first so
    // that ties and an all-NaN line leave p where it was.
    *cut_off = !std::isnan(fx);
    xmin = 0.0;
    *fret = f0;
    const double xs[] = {ax, xx, bx};
    const double fs[] = {fa, fx, fb};
    for (int i = 0; i < 3; ++i) {
      if (!std::isnan(fs[i]) && (std::isnan(*fret) || fs[i] < *fret)) {
        xmin = xs[i];
        *fret = fs[i];
      }
    }
  }
  for (int j = 1; j <= n; ++j) {
    xi[j] = xi[j] * xmin;
    p[j] = p[j] + xi[j];
  }
  return 1;
}

}  // namespace

int Minimise(int n, double* p, double* fret, double ftol, Criterion func, long max_evaluations) {
  if (n < 0) return ReportError("Error in Minimise", "No. parameters < 0", 0);
  auto xi = matrix(1, n, 1, n);
  if (!xi) return ReportError("Error in Minimise", "Vector allocation failure!", 0);
  // The first directions are the coordinate axes scaled to length 0.1.
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) xi[i][j] = i == j ? 0.1 : 0.0;
  return Powell(p, xi.get(), n, ftol, fret, func, max_evaluations);
}

// Powell's method with the discarding of the direction of largest decrease (Press, Teukolsky,
// Vetterling and Flannery, Numerical Recipes in C, 2nd ed., section 10.5).
int Powell(double* p, double** xi, int n, double ftol, double* fret, Criterion func,
           long max_evaluations) {
  constexpr const char* kMessage = "Vector allocation failure!";
  auto pt = vector(1, n);
  if (!pt) return ReportError("Error (1) in Powell", kMessage, 0);
  auto ptt = vector(1, n);
  if (!ptt) return ReportError("Error (2) in Powell", kMessage, 0);
  auto xit = vector(1, n);
  if (!xit) return ReportError("Error (3) in Powell", kMessage, 0);
  LineMinContext line;
  if (!PrepareLine(line, n, func)) return kPowellFailed;

  const auto unbounded = [] {
    return ReportError("Error in Powell", "Criterion function decreases without bound", 0);
  };
  const auto no_finite_value = [] {
    return ReportError("Error in Powell", "Criterion function has no finite value", 0);
  };
  *fret = func(p);
  long direct = 1;  // evaluations outside the line searches
  const auto spent = [&] { return direct + line.evaluations >= max_evaluations; };
  // The evaluation limit ends the search as the iteration limit does, or, when no finite value
  // has been met, as the end of the iteration would.
  const auto at_limit = [&] {
    if (*fret == -std::numeric_limits<double>::infinity()) return unbounded();
    return std::isfinite(*fret) ? kPowellIterationLimit : no_finite_value();
  };
  for (int j = 1; j <= n; ++j) pt[j] = p[j];
  for (int iter = 1;; ++iter) {
    const double fp = *fret;
    int ibig = 0;
    double del = 0.0;
    bool cut_off;
    for (int i = 1; i <= n; ++i) {
      if (spent()) return at_limit();
      for (int j = 1; j <= n; ++j) xit[j] = xi[j][i];
      const double fptt = *fret;
      LineSearch(line, p, xit.get(), fret, &cut_off);
      if (cut_off) return unbounded();
      if (std::fabs(fptt - *fret) > del) {
        del = std::fabs(fptt - *fret);
        ibig = i;
      }
    }
    // Line searches never move to a NaN value, and take a finite one over +infinity, so a
    // non-finite value here means that no finite value has been met, or -infinity has.
    if (*fret == -std::numeric_limits<double>::infinity()) return unbounded();
    if (!std::isfinite(*fret)) return no_finite_value();
    // Relative convergence on the criterion. From an infinite start value the test would hold
    // trivially, so convergence is only judged from a finite one.
    if (std::isfinite(fp) &&
        2.0 * std::fabs(fp - *fret) <= ftol * (std::fabs(fp) + std::fabs(*fret)))
      return kPowellConverged;
    if (iter == kPowellMaxIter) return kPowellIterationLimit;
    // Extrapolate along the average direction of this iteration.
    for (int j = 1; j <= n; ++j) {
      ptt[j] = 2.0 * p[j] - pt[j];
      xit[j] = p[j] - pt[j];
      pt[j] = p[j];
    }
    const double fptt = func(ptt.get());
    ++direct;
    if (fptt < fp) {
      const double t = 2.0 * (fp - 2.0 * *fret + fptt) * Sq(fp - *fret - del) - del * Sq(fp - fptt);
      if (t < 0.0) {
        if (spent()) return at_limit();
        if (!LineSearch(line, p, xit.get(), fret, &cut_off)) return kPowellFailed;
        if (cut_off) return unbounded();
        // The new direction replaces the one of largest decrease. ibig is 0 only when no line
        // search changed the criterion, in which case t is not negative; the guard keeps the
        // write inside the matrix regardless.
        if (ibig > 0)
          for (int j = 1; j <= n; ++j) xi[j][ibig] = xit[j];
      }
    }
  }
}

int LinMin(double* p, double* xi, int n, double* fret, Criterion func) {
  LineMinContext line;
  if (!PrepareLine(line, n, func)) return 0;
  bool cut_off;
  return LineSearch(line, p, xi, fret, &cut_off);
}

double f1dim(void* context, double x) {
  LineMinContext& c = *static_cast<LineMinContext*>(context);
  if (c.func.fn == nullptr) return kNaN;
  ++c.evaluations;
  for (int j = 1; j <= c.n; ++j) c.point[j] = c.base[j] + x * c.direction[j];
  return c.func(c.point.get());
}

int Bracket(double* ax, double* bx, double* cx, double* fa, double* fb, double* fc,
            LineFunction f) {
  double f_start;
  return BracketFrom(ax, bx, cx, fa, fb, fc, f, &f_start);
}

// Brent's method: parabolic interpolation through the three best points, with golden-section
// steps whenever the parabola is not trustworthy (R. P. Brent, Algorithms for Minimization
// without Derivatives, 1973, chapter 5).
int Brent(double ax, double bx, double cx, LineFunction f, double tol, double* xmin, double* fmin) {
  double a = ax < cx ? ax : cx;
  double b = ax > cx ? ax : cx;
  double d = 0.0;
  double e = 0.0;
  double x = bx;
  double w = bx;
  double v = bx;
  double fx = f(x);
  double fw = fx;
  double fv = fx;
  for (int iter = 1; iter <= kBrentMaxIter; ++iter) {
    const double xm = 0.5 * (a + b);
    const double tol1 = tol * std::fabs(x) + kZeps;
    const double tol2 = 2.0 * tol1;
    if (std::fabs(x - xm) <= (tol2 - 0.5 * (b - a))) {
      *xmin = x;
      *fmin = fx;
      return 1;
    }
    bool golden = true;
    if (std::fabs(e) > tol1) {
      const double r = (x - w) * (fx - fv);
      double q = (x - v) * (fx - fw);
      double p = (x - v) * q - (x - w) * r;
      q = 2.0 * (q - r);
      if (q > 0.0) p = -p;
      q = std::fabs(q);
      const double etemp = e;
      e = d;
      if (!(std::fabs(p) >= std::fabs(0.5 * q * etemp) || p <= q * (a - x) || p >= q * (b - x))) {
        golden = false;
        d = p / q;
        const double u = x + d;
        if (u - a < tol2 || b - u < tol2) d = Sign(tol1, xm - x);
      }
    }
    if (golden) {
      e = x >= xm ? a - x : b - x;
      d = kCGold * e;
    }
    const double u = std::fabs(d) >= tol1 ? x + d : x + Sign(tol1, d);
    const double fu = f(u);
    if (fu <= fx) {
      if (u >= x)
        a = x;
      else
        b = x;
      v = w;
      w = x;
      x = u;
      fv = fw;
      fw = fx;
      fx = fu;
    } else {
      if (u < x)
        a = u;
      else
        b = u;
      if (fu <= fw || w == x) {
        v = w;
        w = u;
        fv = fw;
        fw = fu;
      } else if (fu <= fv || v == x || v == w) {
        v = u;
        fv = fu;
      }
    }
  }
  *xmin = x;
  *fmin = fx;
  return 2;
}

namespace {

// Brent's line function: the caller's criterion is its context.
double EvaluateScalar(void* context, double x) {
  return (*static_cast<const std::function<double(double)>*>(context))(x);
}

}  // namespace

ScalarMinimum MinimiseOnInterval(const std::function<double(double)>& f, double a, double b,
                                 double c, double tol) {
  ScalarMinimum m;
  Brent(a, b, c, {&EvaluateScalar, const_cast<std::function<double(double)>*>(&f)}, tol, &m.x,
        &m.value);
  return m;
}

}  // namespace vordex::numerics
