#include "arima/state.h"

namespace vordex::arima {

thread_local ArimaStateRecord ArimaState;

}  // namespace vordex::arima
