#include "numerics/descent.h"

#include <algorithm>
#include <cmath>
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

}  // namespace vordex::numerics
