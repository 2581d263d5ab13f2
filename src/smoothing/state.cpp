#include "smoothing/state.h"

namespace vordex::smoothing {

thread_local PegelsState pegels;

}  // namespace vordex::smoothing
