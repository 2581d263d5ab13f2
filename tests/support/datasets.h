// The sample series of data/, read for tests (the test programs get VORDEX_DATA_DIR from CMake).
#ifndef VORDEX_TESTS_SUPPORT_DATASETS_H
#define VORDEX_TESTS_SUPPORT_DATASETS_H

#include <fstream>
#include <sstream>
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

// The columns of a numeric CSV file with one header line, each in file order ("NA" reads as NaN);
// empty when the file cannot be read.
inline std::vector<std::vector<double>> LoadCsvColumns(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::vector<double>> columns;
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string field;
    for (std::size_t k = 0; std::getline(fields, field, ','); ++k) {
      if (columns.size() <= k) columns.emplace_back();
      columns[k].push_back(field.find("NA") != std::string::npos ? std::stod("nan")
                                                                 : std::stod(field));
    }
  }
  return columns;
}

#ifdef VORDEX_ARMA_TEST_DATA_DIR
// The columns of tests/arma/data/<name>.csv: series of R's datasets and forecast packages
// (presidents, LakeHuron with its time, gold, Seatbelts' drivers, law and PetrolPrice) that tests
// compare with R's fits.
inline std::vector<std::vector<double>> PeerColumns(const std::string& name) {
  return LoadCsvColumns(std::string(VORDEX_ARMA_TEST_DATA_DIR) + "/" + name + ".csv");
}
#endif

// The monthly airline passenger totals 1949-1960 (Box and Jenkins, Series G).
inline std::vector<double> Airline() {
  return LoadDataset("airline");
}

}  // namespace vordex::testing

#endif  // VORDEX_TESTS_SUPPORT_DATASETS_H
