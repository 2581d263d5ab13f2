#include "smoothing/state.h"

namespace vordex::smoothing {

namespace {

constinit thread_local PegelsState pegels;

}  // namespace

PegelsState& Pegels() {
  return pegels;
}

}  // namespace vordex::smoothing
