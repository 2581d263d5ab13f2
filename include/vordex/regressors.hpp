// Named regressors: the explanatory series of a regression, column by column.
#ifndef VORDEX_REGRESSORS_HPP
#define VORDEX_REGRESSORS_HPP

#include <cstddef>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "vordex/export.hpp"

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

// Ready-made regressors: the columns at the series' times 1..n and their values at the horizon's
// times n+1..n+h, to put in a method's settings (arima::Settings::regressors and ::future, and
// auto_arima's). Each maker throws vordex::Error (kInvalidSettings) for arguments it cannot take,
// saying which.
struct Design {
  Regressors in_sample = {};  // n rows
  Regressors future = {};     // h rows, the same names in the same order
  // Appends other's columns (of the same n and h: the caller's to ensure).
  void Append(const Design& other) {
    for (std::size_t j = 0; j < other.in_sample.columns(); ++j)
      in_sample.Add(other.in_sample.names[j], other.in_sample.column(j));
    for (std::size_t j = 0; j < other.future.columns(); ++j)
      future.Add(other.future.names[j], other.future.column(j));
  }
};

// One seasonal period (any positive number: 7, 12, 52.18, 365.25) and its number of sine and
// cosine pairs K, 2 K <= period.
struct FourierPeriod {
  double period = 12.0;
  int order = 1;
};

// The Fourier terms of R's forecast::fourier(x, K) (rows 1..n) and fourier(x, K, h) (rows
// n+1..n+h): for each period m in order and k = 1..K, the columns "Sk-r" = sin(2 pi k t / m) and
// "Ck-r" = cos(2 pi k t / m), r being m rounded to the nearest integer ("S1-52", "C1-52" for
// 52.18). As R, a frequency k / m already taken for an earlier period is left out, and so is the
// sine of 2 k = m (zero at every integer time). Throws for an empty list, a period that is not a
// positive finite number, an order below 1 or above half its period, or a negative horizon.
VORDEX_CPP_API Design FourierTerms(std::size_t rows, int horizon,
                                   std::span<const FourierPeriod> periods);

// The linear trend "trend": t = 1..n in sample, n+1..n+h in the future (R's tslm trend). Throws
// for a negative horizon.
VORDEX_CPP_API Design Trend(std::size_t rows, int horizon);

// An event dummy `name`: 1 at the given 1-based positions, 0 elsewhere; positions n+1..n+h fall in
// the future rows, later ones are ignored. Throws for an empty name, a position below 1 or a
// negative horizon.
VORDEX_CPP_API Design EventDummy(const std::string& name, std::size_t rows, int horizon,
                                 std::span<const long> positions);

// An event dummy `name` on a time scale of the caller's (day numbers, decimal years, ...): the
// observations' times (increasing), the horizon's times after them, and the events' times. A row
// is 1 when an event falls in its interval, from its time up to (not including) the next row's
// time (the last row's interval as long as the one before it): an event on a Wednesday marks
// the week that contains it in weekly data. Events before the first time or after the last
// interval are ignored. Throws for an empty name, times that are not finite or not increasing,
// or an event time that is not finite.
VORDEX_CPP_API Design EventDummy(const std::string& name, std::span<const double> times,
                                 std::span<const double> future_times,
                                 std::span<const double> events);

}  // namespace vordex

#endif  // VORDEX_REGRESSORS_HPP
