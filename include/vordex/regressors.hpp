// Named regressors: the explanatory series of a regression, column by column.
#ifndef VORDEX_REGRESSORS_HPP
#define VORDEX_REGRESSORS_HPP

#include <cstddef>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace vordex {

// k named columns of the same number of rows, stored column after column: column j holds
// values[j * rows() .. (j + 1) * rows() - 1], row i being time i + 1 of the series the columns
// go with. Every value must be a finite number (a regressor has no missing values), and the
// names must be distinct and not empty; methods that take regressors refuse them otherwise, naming
// the column.
struct Regressors {
  std::vector<std::string> names = {};
  std::vector<double> values = {};

  std::size_t columns() const { return names.size(); }
  // values.size() / columns() (0 without columns).
  std::size_t rows() const { return names.empty() ? 0 : values.size() / names.size(); }
  bool empty() const { return names.empty(); }
  // The values of column j (rows() of them).
  std::span<const double> column(std::size_t j) const {
    return std::span<const double>(values).subspan(j * rows(), rows());
  }
  // Appends a column (of the same length as the others: the caller's to ensure).
  void Add(std::string name, std::span<const double> column_values) {
    names.push_back(std::move(name));
    values.insert(values.end(), column_values.begin(), column_values.end());
  }
};

}  // namespace vordex

#endif  // VORDEX_REGRESSORS_HPP
