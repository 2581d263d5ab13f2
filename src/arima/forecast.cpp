#include "arima/forecast.h"

#include <algorithm>
#include <cmath>

#include "arima/prepare.h"
#include "arima/state.h"
#include "numerics/vectors.h"

namespace vordex::arima {

void Arimaoperator(ArimaStateRecord& st) {
  double* A = st.A;
  A[0] = 1.0;
  for (int i = 1; i <= st.pp; ++i) A[i] = st.phistar[i];
  std::fill(A + st.pp + 1, A + kOperatorSize, 0.0);
  int r = st.pp;
  // (1 - sum A_i B^i)(1 - B) = 1 - (A_1 + 1) B - sum_{i >= 2} (A_i - A_{i-1}) B^i.
  for (int k = 1; k <= st.d; ++k) {
    for (int j = r; j >= 1; --j) A[j + 1] -= A[j];
    A[1] += 1.0;
    r += 1;
  }
  // (1 - sum A_i B^i)(1 - B^s) likewise at lag s.
  for (int k = 1; k <= st.D; ++k) {
    for (int j = r; j >= 1; --j) A[j + st.s] -= A[j];
    A[st.s] += 1.0;
    r += st.s;
  }
  st.r = r;
}

void Arimapsi(ArimaStateRecord& st) {
  st.psi[0] = 1.0;
  for (int j = 1; j <= st.h; ++j) {
    double v = j <= st.qq ? -st.thetastar[j] : 0.0;
    const int top = std::min(j, st.r);
    for (int i = 1; i <= top; ++i) v += st.A[i] * st.psi[j - i];
    st.psi[j] = v;
  }
}

double Arimapoint(ArimaStateRecord& st, int t) {
  double sum = 0.0;
  for (int i = 1; i <= st.r; ++i) {
    const int u = t - i;
    sum += st.A[i] * (u <= st.N ? st.y[u] : st.F[u - st.N]);
  }
  // Innovations after N are unknown and those before the first usable residual (t - i <= nd)
  // were never observed; both count at their mean 0.
  for (int i = 1; i <= st.qq; ++i) {
    const int u = t - i;
    if (u <= st.N && u > st.nd) sum -= st.thetastar[i] * st.e[u];
  }
  return sum + st.c;
}

double InverseTransform(Transform transform, double x) {
  if (transform == Transform::kLog) {
    x = std::exp(x);
  } else if (transform == Transform::kSquareRoot) {
    if (x < 0.0) x = 0.0;
    x = x * x;
  }
  return x;
}

double Untransform(const ArimaStateRecord& st, double v) {
  return InverseTransform(st.transform, st.lambda * v);
}

void Arimauntransform(ArimaStateRecord& st) {
  for (std::vector<double>* v : {&st.F, &st.L, &st.U}) {
    for (int k = 1; k <= st.h; ++k) (*v)[k] = Untransform(st, (*v)[k]);
  }
}

int Arimaforecast(ArimaStateRecord& st) {
  Arimaoperator(st);
  Arimapsi(st);
  double z;
  if (st.critical > 0.0) {
    z = st.critical;
  } else if (st.confidence == 95.0) {
    z = kDefaultCritical;
  } else {
    return numerics::ReportError(kArimaTitle,
                                 "Critical value not supplied for nonstandard confidence level", 1);
  }
  // The recursion reaches back r observations from time N + 1.
  if (st.N < st.r)
    return numerics::ReportError(kArimaTitle, "Too few observations to forecast with this model",
                                 1);
  for (int k = 1; k <= st.h; ++k) st.F[k] = Arimapoint(st, st.N + k);
  double V = 0.0;
  for (int k = 1; k <= st.h; ++k) {
    V += st.psi[k - 1] * st.psi[k - 1] * st.sigma2;
    st.se[k] = std::sqrt(V);
    const double half = z * st.se[k];
    st.L[k] = st.F[k] - half;
    st.U[k] = st.F[k] + half;
    st.Fscaled[k] = st.F[k];
  }
  Arimauntransform(st);
  return 0;
}

}  // namespace vordex::arima
