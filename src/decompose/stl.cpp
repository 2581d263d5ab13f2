#include "decompose/stl.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace vordex::decompose {
namespace {

// The routines below keep the 1-based indexing of the Fortran reference implementation
// (Cleveland et al. 1990, netlib stl): every array argument points one element before its first
// value, so that a[1] is the first.

double Cube(double v) {
  return v * v * v;
}

// Loess estimate at abscissa xs from y[nleft..nright] with tricube weights over the half-width
// h = max(xs - nleft, nright - xs) (widened by (len - n) / 2 when the window exceeds the series),
// times the robustness weights when userw; a local line when ideg = 1 and the abscissae are spread
// enough. Writes the weights into w[nleft..nright]; false when every weight is 0.
bool Est(const double* y, int n, int len, int ideg, double xs, double* ys, int nleft, int nright,
         double* w, bool userw, const double* rw) {
  const double range = static_cast<double>(n) - 1.0;
  double h = std::max(xs - nleft, nright - xs);
  if (len > n) h += static_cast<double>((len - n) / 2);
  const double h9 = 0.999 * h;
  const double h1 = 0.001 * h;
  double a = 0.0;
  for (int j = nleft; j <= nright; ++j) {
    w[j] = 0.0;
    const double r = std::fabs(j - xs);
    if (r <= h9) {
      w[j] = r <= h1 ? 1.0 : Cube(1.0 - Cube(r / h));
      if (userw) w[j] *= rw[j];
      a += w[j];
    }
  }
  if (a <= 0.0) return false;
  for (int j = nleft; j <= nright; ++j) w[j] /= a;
  if (h > 0.0 && ideg > 0) {
    a = 0.0;
    for (int j = nleft; j <= nright; ++j) a += w[j] * j;
    double b = xs - a;
    double c = 0.0;
    for (int j = nleft; j <= nright; ++j) c += w[j] * (j - a) * (j - a);
    if (std::sqrt(c) > 0.001 * range) {
      b /= c;
      for (int j = nleft; j <= nright; ++j) w[j] *= b * (j - a) + 1.0;
    }
  }
  double sum = 0.0;
  for (int j = nleft; j <= nright; ++j) sum += w[j] * y[j];
  *ys = sum;
  return true;
}

// Loess smoothing of y[1..n] into ys[1..n] with window len, evaluated every njump points and
// linearly interpolated in between; res is workspace.
void Ess(const double* y, int n, int len, int ideg, int njump, bool userw, const double* rw,
         double* ys, double* res) {
  if (n < 2) {
    ys[1] = y[1];
    return;
  }
  const int newnj = std::min(njump, n - 1);
  int nleft = 0;
  int nright = 0;
  if (len >= n) {
    nleft = 1;
    nright = n;
    for (int i = 1; i <= n; i += newnj)
      if (!Est(y, n, len, ideg, i, &ys[i], nleft, nright, res, userw, rw)) ys[i] = y[i];
  } else if (newnj == 1) {
    const int nsh = (len + 1) / 2;
    nleft = 1;
    nright = len;
    for (int i = 1; i <= n; ++i) {
      if (i > nsh && nright != n) {
        ++nleft;
        ++nright;
      }
      if (!Est(y, n, len, ideg, i, &ys[i], nleft, nright, res, userw, rw)) ys[i] = y[i];
    }
  } else {
    const int nsh = (len + 1) / 2;
    for (int i = 1; i <= n; i += newnj) {
      if (i < nsh) {
        nleft = 1;
        nright = len;
      } else if (i >= n - nsh + 1) {
        nleft = n - len + 1;
        nright = n;
      } else {
        nleft = i - nsh + 1;
        nright = len + i - nsh;
      }
      if (!Est(y, n, len, ideg, i, &ys[i], nleft, nright, res, userw, rw)) ys[i] = y[i];
    }
  }
  if (newnj == 1) return;
  for (int i = 1; i <= n - newnj; i += newnj) {
    const double delta = (ys[i + newnj] - ys[i]) / newnj;
    for (int j = i + 1; j <= i + newnj - 1; ++j) ys[j] = ys[i] + delta * (j - i);
  }
  const int k = ((n - 1) / newnj) * newnj + 1;
  if (k != n) {
    if (!Est(y, n, len, ideg, n, &ys[n], nleft, nright, res, userw, rw)) ys[n] = y[n];
    if (k != n - 1) {
      const double delta = (ys[n] - ys[k]) / (n - k);
      for (int j = k + 1; j <= n - 1; ++j) ys[j] = ys[k] + delta * (j - k);
    }
  }
}

// Moving average of length len over x[1..n] into ave[1..n - len + 1], as a running sum.
void Ma(const double* x, int n, int len, double* ave) {
  const int newn = n - len + 1;
  const double flen = len;
  double v = 0.0;
  for (int i = 1; i <= len; ++i) v += x[i];
  ave[1] = v / flen;
  for (int j = 2, k = len, m = 0; j <= newn; ++j) {
    ++k;
    ++m;
    v = v - x[m] + x[k];
    ave[j] = v / flen;
  }
}

// The low-pass filter: moving averages of lengths np, np and 3 over x[1..n], leaving
// n - 2 np values in trend.
void Fts(const double* x, int n, int np, double* trend, double* work) {
  Ma(x, n, np, trend);
  Ma(trend, n - np + 1, np, work);
  Ma(work, n - 2 * np + 2, 3, trend);
}

// Cycle-subseries smoothing: each of the np subseries of y[1..n] is smoothed by loess and
// extended by one value at each end; season[1 .. n + 2 np] receives them interleaved again.
void Ss(const double* y, int n, int np, int ns, int isdeg, int nsjump, bool userw, const double* rw,
        double* season, double* work1, double* work2, double* work3, double* work4) {
  for (int j = 1; j <= np; ++j) {
    const int k = (n - j) / np + 1;
    for (int i = 1; i <= k; ++i) work1[i] = y[(i - 1) * np + j];
    if (userw)
      for (int i = 1; i <= k; ++i) work3[i] = rw[(i - 1) * np + j];
    Ess(work1, k, ns, isdeg, nsjump, userw, work3, work2 + 1, work4);
    const int nright = std::min(ns, k);
    if (!Est(work1, k, ns, isdeg, 0.0, &work2[1], 1, nright, work4, userw, work3))
      work2[1] = work2[2];
    const int nleft = std::max(1, k - ns + 1);
    if (!Est(work1, k, ns, isdeg, k + 1.0, &work2[k + 2], nleft, k, work4, userw, work3))
      work2[k + 2] = work2[k + 1];
    for (int m = 1; m <= k + 2; ++m) season[(m - 1) * np + j] = work2[m];
  }
}

// Partial sort of a[1..n] for the positions ind[1..ni], transcribed from the reference's psort
// (Singleton's quicksort, descending only into the parts that hold a requested position).
// Reproduced step for step rather than replaced by a selection algorithm: the reference passes
// its two middle positions in descending order, for which the search may leave a value other than
// the order statistic at the second one, and the robustness weights of R's stl follow that.
// The smaller part is always taken first, so at most log2(n) < 64 parts wait on the stack.
void Psort(double* a, int n, const int* ind, int ni) {
  if (n < 2 || ni == 0) return;
  int indu[66], indl[66], iu[66], il[66];
  int p, jl, ju, i, j, m, k, ij, l;
  double t, tt;
  jl = 1;
  ju = ni;
  indl[1] = 1;
  indu[1] = ni;
  i = 1;
  j = n;
  m = 1;
outer:
  if (i < j) goto partition;
pop:
  m = m - 1;
  if (m == 0) return;
  i = il[m];
  j = iu[m];
  jl = indl[m];
  ju = indu[m];
  if (!(jl <= ju)) goto pop;
split:
  if (!(j - i > 10)) goto small;
partition:
  k = i;
  ij = (i + j) / 2;
  t = a[ij];
  if (a[i] > t) {
    a[ij] = a[i];
    a[i] = t;
    t = a[ij];
  }
  l = j;
  if (a[j] < t) {
    a[ij] = a[j];
    a[j] = t;
    t = a[ij];
    if (a[i] > t) {
      a[ij] = a[i];
      a[i] = t;
      t = a[ij];
    }
  }
  for (;;) {
    l = l - 1;
    if (a[l] <= t) {
      tt = a[l];
      do k = k + 1;
      while (!(a[k] >= t));
      if (k > l) break;
      a[l] = a[k];
      a[k] = tt;
    }
  }
  indl[m] = jl;
  indu[m] = ju;
  p = m;
  m = m + 1;
  if (l - i <= j - k) {
    il[p] = k;
    iu[p] = j;
    j = l;
    for (;;) {
      if (jl > ju) goto pop;
      if (ind[ju] > j)
        ju = ju - 1;
      else
        break;
    }
    indl[p] = ju + 1;
  } else {
    il[p] = i;
    iu[p] = l;
    i = k;
    for (;;) {
      if (jl > ju) goto pop;
      if (ind[jl] < i)
        jl = jl + 1;
      else
        break;
    }
    indu[p] = jl - 1;
  }
  goto split;
small:
  if (i != 1) {
    i = i - 1;
    for (;;) {
      i = i + 1;
      if (i == j) goto pop;
      t = a[i + 1];
      if (a[i] > t) {
        k = i;
        do {
          a[k + 1] = a[k];
          k = k - 1;
        } while (!(t >= a[k]));
        a[k + 1] = t;
      }
    }
  }
  goto outer;
}

// Bisquare robustness weights from the residuals y - fit, scaled by six times their median (the
// mean of the two middle values as Psort leaves them).
void Rwt(const double* y, int n, const double* fit, double* rw) {
  std::vector<double> r(static_cast<std::size_t>(n) + 1);
  for (int i = 1; i <= n; ++i) r[static_cast<std::size_t>(i)] = std::fabs(y[i] - fit[i]);
  int mid[3];
  mid[1] = n / 2 + 1;
  mid[2] = n - mid[1] + 1;
  Psort(r.data(), n, mid, 2);
  const double cmad =
      3.0 * (r[static_cast<std::size_t>(mid[1])] + r[static_cast<std::size_t>(mid[2])]);
  const double c9 = 0.999 * cmad;
  const double c1 = 0.001 * cmad;
  for (int i = 1; i <= n; ++i) {
    const double ri = std::fabs(y[i] - fit[i]);
    if (ri <= c1)
      rw[i] = 1.0;
    else if (ri <= c9)
      rw[i] = (1.0 - (ri / cmad) * (ri / cmad)) * (1.0 - (ri / cmad) * (ri / cmad));
    else
      rw[i] = 0.0;
  }
}

int NextOdd(double x) {
  int v = static_cast<int>(std::lround(x));
  if (v % 2 == 0) ++v;
  return v;
}

int OddAtLeastThree(int v) {
  v = std::max(3, v);
  return v % 2 == 0 ? v + 1 : v;
}

}  // namespace

Outcome<StlResult> Stl(std::span<const double> y, double period, const StlSettings& settings) {
  if (!(period >= 2.0)) return Outcome<StlResult>::Failure(Status::kInvalidSettings, "STL: the period is below 2");
  if (static_cast<double>(y.size()) <= 2.0 * period)
    return Outcome<StlResult>::Failure(Status::kTooFewObservations, "STL: the series has no more than two periods");
  if (y.size() > static_cast<std::size_t>(INT_MAX / 4))
    return Outcome<StlResult>::Failure(Status::kTooManyObservations, "STL: the series is too long");
  const int n = static_cast<int>(y.size());
  for (double v : y)
    if (!std::isfinite(v))
      return Outcome<StlResult>::Failure(Status::kInvalidData, "STL: a value is not finite");
  const StlSettings& s = settings;
  if (s.seasonal_window < 2 || s.trend_window < 0 || s.lowpass_window < 0 || s.inner < 1 ||
      s.outer < 0 || s.seasonal_degree < 0 || s.seasonal_degree > 1 || s.trend_degree < 0 ||
      s.trend_degree > 1 || s.lowpass_degree < 0 || s.lowpass_degree > 1)
    return Outcome<StlResult>::Failure(Status::kInvalidSettings,
                                       "STL: a window, degree or pass count is out of range");

  // R's stl takes the default windows from the period as given, the jumps from the windows as
  // given, then widens each window to an odd number of at least 3 and hands the period to the
  // reference routine truncated to an integer (52.18 smooths 52 cycle-subseries).
  const int t_window = s.trend_window > 0
                           ? s.trend_window
                           : NextOdd(std::ceil(1.5 * period / (1.0 - 1.5 / s.seasonal_window)));
  const int l_window = s.lowpass_window > 0 ? s.lowpass_window : NextOdd(period);
  const int nsjump = std::max(1, (s.seasonal_window + 9) / 10);
  const int ntjump = std::max(1, (t_window + 9) / 10);
  const int nljump = std::max(1, (l_window + 9) / 10);
  const int ns = OddAtLeastThree(s.seasonal_window);
  const int nt = OddAtLeastThree(t_window);
  const int nl = OddAtLeastThree(l_window);
  const int np = static_cast<int>(period);

  const int len = n + 2 * np;
  std::vector<double> yv(static_cast<std::size_t>(n) + 1);
  std::copy(y.begin(), y.end(), yv.begin() + 1);
  std::vector<double> rw(static_cast<std::size_t>(n) + 1, 1.0);
  std::vector<double> season(static_cast<std::size_t>(n) + 1, 0.0);
  std::vector<double> trend(static_cast<std::size_t>(n) + 1, 0.0);
  std::vector<std::vector<double>> work(5, std::vector<double>(static_cast<std::size_t>(len) + 1));
  double* w1 = work[0].data();
  double* w2 = work[1].data();
  double* w3 = work[2].data();
  double* w4 = work[3].data();
  double* w5 = work[4].data();

  bool userw = false;
  for (int pass = 0;; ++pass) {
    for (int j = 1; j <= s.inner; ++j) {
      for (int i = 1; i <= n; ++i) w1[i] = yv[i] - trend[i];
      Ss(w1, n, np, ns, s.seasonal_degree, nsjump, userw, rw.data(), w2, w3, w4, w5, season.data());
      Fts(w2, len, np, w3, w1);
      Ess(w3, n, nl, s.lowpass_degree, nljump, false, w4, w1, w5);
      for (int i = 1; i <= n; ++i) season[i] = w2[np + i] - w1[i];
      for (int i = 1; i <= n; ++i) w1[i] = yv[i] - season[i];
      Ess(w1, n, nt, s.trend_degree, ntjump, userw, rw.data(), trend.data(), w3);
    }
    if (pass >= s.outer) break;
    for (int i = 1; i <= n; ++i) w1[i] = trend[i] + season[i];
    Rwt(yv.data(), n, w1, rw.data());
    userw = true;
  }

  StlResult r;
  r.seasonal.assign(season.begin() + 1, season.end());
  r.trend.assign(trend.begin() + 1, trend.end());
  r.remainder.resize(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i)
    r.remainder[static_cast<std::size_t>(i)] = y[static_cast<std::size_t>(i)] -
                                               r.seasonal[static_cast<std::size_t>(i)] -
                                               r.trend[static_cast<std::size_t>(i)];
  return Outcome<StlResult>::Success(std::move(r));
}

}  // namespace vordex::decompose
