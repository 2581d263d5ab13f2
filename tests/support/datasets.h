// The sample series of data/, read for tests (the test programs get VORDEX_DATA_DIR from CMake).
#ifndef VORDEX_TESTS_SUPPORT_DATASETS_H
#define VORDEX_TESTS_SUPPORT_DATASETS_H

#include <fstream>
#include <string>
#include <vector>

namespace vordex::testing {

// The values of data/<name>.csv (one value a line under a header), in time order; empty when the
// file cannot be read.
inline std::vector<double> LoadDataset(const std::string& name) {
  std::ifstream in(std::string(VORDEX_DATA_DIR) + "/" + name + ".csv");
  std::vector<double> y;
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line))
    if (!line.empty()) y.push_back(std::stod(line));
  return y;
}

// The monthly airline passenger totals 1949-1960 (Box and Jenkins, Series G).
inline std::vector<double> Airline() {
  return LoadDataset("airline");
}

}  // namespace vordex::testing

#endif  // VORDEX_TESTS_SUPPORT_DATASETS_H
