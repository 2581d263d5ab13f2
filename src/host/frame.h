// The call frame shared by the three exports.
//
// RunFrame checks the host's two arrays, copies the options, lets the method check them, copies
// the lead value and the observations, lets the method run its engine and pack its results into
// a result buffer, and returns the packed cells as an array of doubles with lower bound 1 inside
// a VARIANT. Every failure also ends in a VARIANT: a VT_I2 status code or a VT_BSTR text. The
// host's arrays are only read: they stay the host's to release. Nothing thrown inside reaches
// the host.
//
// Element types. Options are expected as VT_I2 and data as VT_R8. Elements of another numeric
// type are converted when their value is represented exactly in the expected type (VT_I1, VT_UI1,
// VT_I2, VT_UI2, VT_I4, VT_UI4, VT_INT, VT_UINT, VT_R4 and VT_R8, also inside VT_VARIANT
// elements); any other element, or a value that does not fit, counts as an element that cannot
// be read (status 12 for options, 14 for the lead value, 15 for the observations).
#ifndef VORDEX_HOST_FRAME_H
#define VORDEX_HOST_FRAME_H

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "numerics/vectors.h"
#include "vordex/automation.h"
#include "vordex/outcome.hpp"
#include "vordex/status.hpp"

namespace vordex::host {

// Status codes of the frame; the method checkers use 31 and above.
enum FrameStatus : int {
  kNullArgument = 1,     // an argument pointer, or the array pointer behind it, is null
  kNotOneDimension = 2,  // either array does not have exactly one dimension
  kTooFewOptions = 3,    // fewer options than the method needs
  kTooFewData = 4,       // fewer than N + 1 data elements
  kOptionBounds = 11,    // the option array's bounds cannot be read
  kOptionRead = 12,      // an option element cannot be read
  kDataBounds = 13,      // the data array's bounds cannot be read
  kLeadRead = 14,        // the lead value cannot be read
  kDataRead = 15,        // an observation or a trailing value cannot be read
  kCreateResult = 16,    // the result array cannot be created
  kStoreResult = 17,     // a cell cannot be stored into the result array
  kBufferAlloc = 18,     // the result buffer (or other frame storage) cannot be obtained
  kNoResults = 19,       // the packing step produced no results
};

// How a method's frame differs from the others'.
struct FrameRules {
  int required_options;   // 11 or 12
  bool unit_on_empty;     // an empty option array returns the unit variant 1.0
  bool copy_all_options;  // copy every option, not only the first required_options
  bool lead_separate;     // the lead value is read on its own (status 14 when it cannot be)
  // The text returned instead of a result that holds a cell which is not a finite number (the
  // engine's arithmetic overflowed, or a perfect fit has an infinite likelihood).
  const char* failure_text = "Failure: the results are not finite numbers";
};

// Reads the k-th data element after the observations (k from 1); false when it cannot be read.
using TrailingReader = std::function<bool(long k, double* value)>;

// The result buffer: cells 1..capacity (cell 0 exists too), obtained by the method when it is
// ready to pack.
class ResultBuffer {
 public:
  // Obtains cells 0..capacity; false (after the allocator's fatal box) when they cannot be had or
  // capacity is below 1.
  bool Allocate(long capacity);
  double* cells() const { return cells_.get(); }
  long capacity() const { return capacity_; }

 private:
  numerics::Vector cells_;
  long capacity_ = 0;
};

// What a method's engine call and packing came to.
struct Packed {
  long count = 0;              // cells 1..count of the buffer hold the result
  int status = 0;              // a frame or method status code to return instead, when non-zero
  const char* text = nullptr;  // a failure text to return instead, when not null
};

// The export's status code of a status: the frame's codes unchanged, each checker rule's number
// from 31 on within its method (kArimaTooMuchData 31, kEtsTooFewForSeasonal 61,
// kArmaxInvalidPeriod 31, ...). The typed surfaces' own statuses have no code (-1).
int ExportCode(Status status);

// Shows the messages an engine recorded, in order, as the request would have raised them.
void ShowMessages(const std::vector<Message>& messages);

// The result variants.
VARIANT StatusVariant(int code);
VARIANT TextVariant(const char* text);  // a genuine BSTR widened from ASCII
VARIANT UnitVariant();

// One method's part of the frame. Implementations keep their request in their engine's
// module-level state.
class Method {
 public:
  virtual ~Method() = default;
  virtual FrameRules rules() const = 0;
  // Checks the copied options (options[0] is the element at the array's lower bound); returns 0
  // or the status code of the first failing rule, after its message box.
  virtual int Check(std::span<const int> options) = 0;
  // The number of observations N, valid after a successful Check.
  virtual long Observations() const = 0;
  // Reads values that follow the observations; `available` is how many there are. Returns 0 or
  // a status code. The default reads nothing.
  virtual int ReadTrailing(long available, const TrailingReader& read);
  // Runs the engine on data[0] = lead value and data[1..N] = observations, obtains the result
  // buffer through `buffer` and packs into its cells 1..count.
  virtual Packed Execute(std::span<const double> data, ResultBuffer& buffer) = 0;
};

// Steps 1 to 15 of a request. Never throws.
VARIANT RunFrame(Method& method, SAFEARRAY** options, SAFEARRAY** data) noexcept;

}  // namespace vordex::host

#endif  // VORDEX_HOST_FRAME_H
