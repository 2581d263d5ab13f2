// The transform applied to the observations before a model is fitted.
#ifndef VORDEX_TRANSFORM_HPP
#define VORDEX_TRANSFORM_HPP

namespace vordex {

// Forecasts and limits are returned on the scale of the observations whatever the transform.
enum class Transform : int { kNone = 0, kLog = 1, kSquareRoot = 2 };

}  // namespace vordex

#endif  // VORDEX_TRANSFORM_HPP
