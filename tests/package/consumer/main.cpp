// Fits the airline model to a short seasonal series through the installed library and prints
// the model's name: what a consumer of the CMake package sees.
#include <cmath>
#include <iostream>
#include <vector>

#include "vordex/names.hpp"
#include "vordex/vordex.hpp"

int main() {
  std::vector<double> y;
  for (int t = 0; t < 48; ++t) y.push_back(100.0 + t + 10.0 * std::sin(0.5235987755982988 * t));
  const vordex::arima::Result r = vordex::arima::Fit(y, {.horizon = 3});
  std::cout << vordex::ModelName(r) << ' ' << r.mean.size() << '\n';
  return r.mean.size() == 3 ? 0 : 1;
}
