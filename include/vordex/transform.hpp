// The transform applied to the observations before a model is fitted.
#ifndef VORDEX_TRANSFORM_HPP
#define VORDEX_TRANSFORM_HPP

#include <optional>

namespace vordex {

// Forecasts and limits are returned on the scale of the observations whatever the transform;
// residuals stay on the transformed scale, the model's.
enum class Transform : int { kNone = 0, kLog = 1, kSquareRoot = 2, kBoxCox = 3 };

// The Box-Cox transform (Box and Cox 1964) in the form of R's forecast::BoxCox: (y^lambda - 1) /
// lambda, log y for lambda = 0; for lambda > 0, sign(y) (|y|^lambda - 1) / lambda so that
// negative values are allowed. Used with Transform::kBoxCox.
struct BoxCox {
  // The parameter; none: chosen by Guerrero's method (1993) over [-1, 2] on subseries of one
  // season (two values without seasonality), as R's BoxCox.lambda(method = "guerrero").
  std::optional<double> lambda = {};
  // Point forecasts (and fitted values) back-transformed as means rather than medians, with the
  // variance of the transformed forecast (R's biasadj = TRUE).
  bool bias_adjusted = false;
};

}  // namespace vordex

#endif  // VORDEX_TRANSFORM_HPP
