// The call frame through a small method defined here: it accepts 1..100 observations, returns
// the lead value followed by the doubled observations, and can be told to fail in each way.
#include "host/frame.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <limits>
#include <new>
#include <string>
#include <vector>

#include "support/automation.h"
#include "support/capture.h"

namespace vordex::host {
namespace {

class TestMethod : public Method {
 public:
  explicit TestMethod(FrameRules rules) : rules_(rules) {}
  FrameRules rules() const override { return rules_; }
  int Check(std::span<const int> options) override {
    seen_options.assign(options.begin(), options.end());
    N_ = options[0];
    mode_ = options[1];
    if (N_ < 1 || N_ > 100) {
      platform::ShowMessage("Test Error", "Bad number of observations", platform::kStyleWarning);
      return 31;
    }
    return 0;
  }
  long Observations() const override { return N_; }
  int ReadTrailing(long available, const TrailingReader& read) override {
    trailing.clear();
    for (long k = 1; k <= available; ++k) {
      double v = 0.0;
      if (!read(k, &v)) return kDataRead;
      trailing.push_back(v);
    }
    double beyond = 0.0;
    if (read(available + 1, &beyond)) return 99;  // reading past the array must fail
    return 0;
  }
  Packed Execute(std::span<const double> data, ResultBuffer& buffer) override {
    if (mode_ == 1) return {.text = "Failure in Testmain:\nModel could not be estimated"};
    if (mode_ == 2) return {.count = 0};
    if (mode_ == 3) throw std::bad_alloc();
    if (!buffer.Allocate(static_cast<long>(data.size()))) return {.status = kBufferAlloc};
    for (std::size_t t = 0; t < data.size(); ++t)
      buffer.cells()[t + 1] = t == 0 ? data[0] : 2.0 * data[t];
    if (mode_ == 4) buffer.cells()[data.size()] = std::numeric_limits<double>::infinity();
    return {.count = static_cast<long>(data.size())};
  }

  std::vector<int> seen_options;
  std::vector<double> trailing;

 private:
  FrameRules rules_;
  long N_ = 0;
  int mode_ = 0;
};

using testing::CellsOf;
using testing::DataArray;
using testing::HostArray;
using testing::OptionArray;
using testing::StatusOf;

constexpr FrameRules kArimaLike{11, true, false, true};
constexpr FrameRules kArmaxLike{11, false, false, false};
constexpr FrameRules kPegelsLike{12, true, true, true};

std::vector<short> Settings(short N, short mode = 0) {
  std::vector<short> s(11, 0);
  s[0] = N;
  s[1] = mode;
  return s;
}

VARIANT Call(FrameRules rules, SAFEARRAY* options, SAFEARRAY* data) {
  TestMethod method(rules);
  return RunFrame(method, &options, &data);
}

TEST(CallFrame, NullArgumentsAndWrongShapesGiveTheirCodes) {
  testing::MessageCapture capture;
  HostArray opt(OptionArray(Settings(2)));
  HostArray dat(DataArray({0.0, 1.0, 2.0}));
  TestMethod method(kArimaLike);
  SAFEARRAY* none = nullptr;
  EXPECT_EQ(StatusOf(RunFrame(method, nullptr, &dat.array)), kNullArgument);
  EXPECT_EQ(StatusOf(RunFrame(method, &opt.array, nullptr)), kNullArgument);
  EXPECT_EQ(StatusOf(RunFrame(method, &none, &dat.array)), kNullArgument);
  EXPECT_EQ(StatusOf(RunFrame(method, &opt.array, &none)), kNullArgument);

  SAFEARRAYBOUND two[2] = {{3, 0}, {4, 0}};
  HostArray matrix(SafeArrayCreate(VT_R8, 2, two));
  ASSERT_NE(matrix.array, nullptr);
  EXPECT_EQ(StatusOf(Call(kArimaLike, opt.array, matrix.array)), kNotOneDimension);
  EXPECT_EQ(StatusOf(Call(kArimaLike, matrix.array, dat.array)), kNotOneDimension);
  EXPECT_EQ(capture.size(), 0u);
}

TEST(CallFrame, EmptyOptionArrayGivesUnitOrTooFewOptions) {
  HostArray empty(SafeArrayCreateVector(VT_I2, 0, 0));
  HostArray dat(DataArray({0.0}));
  VARIANT unit = Call(kArimaLike, empty.array, dat.array);
  EXPECT_EQ(unit.vt, VT_R8);
  EXPECT_EQ(unit.dblVal, 1.0);
  EXPECT_EQ(StatusOf(Call(kArmaxLike, empty.array, dat.array)), kTooFewOptions);
}

TEST(CallFrame, OptionCountRules) {
  testing::MessageCapture capture;
  HostArray dat(DataArray({0.5, 1.0, 2.0}));
  HostArray ten(OptionArray(std::vector<short>(10, 2)));
  EXPECT_EQ(StatusOf(Call(kArimaLike, ten.array, dat.array)), kTooFewOptions);
  EXPECT_EQ(StatusOf(Call(kArmaxLike, ten.array, dat.array)), kTooFewOptions);

  auto twelve = Settings(2);
  twelve.push_back(1234);
  HostArray eleven(OptionArray(Settings(2)));
  HostArray more(OptionArray(twelve));
  EXPECT_EQ(CellsOf(Call(kArimaLike, eleven.array, dat.array)),
            CellsOf(Call(kArimaLike, more.array, dat.array)));

  TestMethod all(kPegelsLike);
  SAFEARRAY* o = more.array;
  SAFEARRAY* d = dat.array;
  CellsOf(RunFrame(all, &o, &d));
  ASSERT_EQ(all.seen_options.size(), 12u);
  EXPECT_EQ(all.seen_options[11], 1234);
  // Options are sign-extended.
  auto negative = Settings(2);
  negative[5] = -7;
  HostArray neg(OptionArray(negative));
  TestMethod m(kArimaLike);
  o = neg.array;
  CellsOf(RunFrame(m, &o, &d));
  EXPECT_EQ(m.seen_options[5], -7);
}

TEST(CallFrame, SuccessGivesDoublesWithLowerBoundOneWhateverTheHostsBounds) {
  const std::vector<double> expected = {0.25, 2.0, 4.0, 6.0};
  for (LONG lower : {0, 1, -3, INT_MIN, 1000000}) {
    SCOPED_TRACE(lower);
    HostArray opt(OptionArray(Settings(3), lower));
    HostArray dat(DataArray({0.25, 1.0, 2.0, 3.0}, lower));
    ASSERT_NE(opt.array, nullptr);
    ASSERT_NE(dat.array, nullptr);
    VARIANT v = Call(kArimaLike, opt.array, dat.array);
    EXPECT_EQ(v.vt, 0x2005);
    EXPECT_EQ(CellsOf(v), expected);
  }
}

TEST(CallFrame, DataLengthIsCheckedOnlyAfterTheOptions) {
  testing::MessageCapture capture;
  HostArray short_data(DataArray({0.0, 1.0, 2.0}));  // N + 1 = 4 needed
  HostArray ok(OptionArray(Settings(3)));
  EXPECT_EQ(StatusOf(Call(kArimaLike, ok.array, short_data.array)), kTooFewData);
  EXPECT_EQ(capture.size(), 0u);
  HostArray bad(OptionArray(Settings(0)));
  EXPECT_EQ(StatusOf(Call(kArimaLike, bad.array, short_data.array)), 31);
  ASSERT_EQ(capture.size(), 1u);
  EXPECT_EQ(capture.messages()[0].title, "Test Error");
  HostArray exact(OptionArray(Settings(2)));
  EXPECT_EQ(CellsOf(Call(kArimaLike, exact.array, short_data.array)).size(), 3u);
}

TEST(CallFrame, EngineFailureGivesAGenuineAutomationString) {
  HostArray opt(OptionArray(Settings(2, 1)));
  HostArray dat(DataArray({0.0, 1.0, 2.0}));
  VARIANT v = Call(kArimaLike, opt.array, dat.array);
  ASSERT_EQ(v.vt, VT_BSTR);
  const std::string text = "Failure in Testmain:\nModel could not be estimated";
  ASSERT_EQ(SysStringLen(v.bstrVal), text.size());
  std::uint32_t prefix = 0;
  std::memcpy(&prefix, reinterpret_cast<const char*>(v.bstrVal) - 4, 4);
  EXPECT_EQ(prefix, 2 * text.size());
  EXPECT_EQ(v.bstrVal[text.size()], u'\0');
  for (std::size_t i = 0; i < text.size(); ++i)
    EXPECT_EQ(v.bstrVal[i], static_cast<OLECHAR>(text[i]));
  EXPECT_EQ(VariantClear(&v), S_OK);

  HostArray none(OptionArray(Settings(2, 2)));
  EXPECT_EQ(StatusOf(Call(kArimaLike, none.array, dat.array)), kNoResults);
  HostArray thrown(OptionArray(Settings(2, 3)));
  EXPECT_EQ(StatusOf(Call(kArimaLike, thrown.array, dat.array)), kBufferAlloc);
}

TEST(CallFrame, ResultWithACellThatIsNotFiniteGivesTheMethodsFailureText) {
  HostArray opt(OptionArray(Settings(2, 4)));
  HostArray dat(DataArray({0.0, 1.0, 2.0}));
  FrameRules rules = kArimaLike;
  rules.failure_text = "Failure in Testmain:\nModel could not be estimated";
  EXPECT_EQ(testing::TextOf(Call(rules, opt.array, dat.array)), rules.failure_text);
  HostArray nan(DataArray({0.0, 1.0, std::numeric_limits<double>::quiet_NaN()}));
  HostArray fine(OptionArray(Settings(2)));
  EXPECT_EQ(testing::TextOf(Call(rules, fine.array, nan.array)), rules.failure_text);
}

TEST(CallFrame, OtherNumericElementTypesAreConvertedOnlyWhenExact) {
  testing::MessageCapture capture;
  HostArray dat(DataArray({0.0, 1.5, 2.5}));
  // Options as 32-bit integers whose values fit: accepted as if VT_I2.
  HostArray wide(SafeArrayCreateVector(VT_I4, 0, 11));
  for (LONG i = 0; i < 11; ++i) {
    LONG value = i == 0 ? 2 : 0;
    SafeArrayPutElement(wide.array, &i, &value);
  }
  EXPECT_EQ(CellsOf(Call(kArimaLike, wide.array, dat.array)), (std::vector<double>{0.0, 3.0, 5.0}));
  LONG at = 3;
  LONG too_big = 70000;
  SafeArrayPutElement(wide.array, &at, &too_big);
  EXPECT_EQ(StatusOf(Call(kArimaLike, wide.array, dat.array)), kOptionRead);
  // Options as doubles: integral values fit, fractions do not.
  HostArray real(DataArray({2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(CellsOf(Call(kArimaLike, real.array, dat.array)).size(), 3u);
  HostArray fraction(DataArray({2.5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(StatusOf(Call(kArimaLike, fraction.array, dat.array)), kOptionRead);

  // Data as single precision and as 16-bit integers are widened exactly.
  HostArray opt(OptionArray(Settings(2)));
  HostArray single(SafeArrayCreateVector(VT_R4, 0, 3));
  for (LONG i = 0; i < 3; ++i) {
    float value = 0.5f * static_cast<float>(i);
    SafeArrayPutElement(single.array, &i, &value);
  }
  EXPECT_EQ(CellsOf(Call(kArimaLike, opt.array, single.array)),
            (std::vector<double>{0.0, 1.0, 2.0}));
  // Strings are never numbers: the lead value (or, for a joint data vector, the data) fails.
  HostArray strings(SafeArrayCreateVector(VT_BSTR, 0, 3));
  EXPECT_EQ(StatusOf(Call(kArimaLike, opt.array, strings.array)), kLeadRead);
  EXPECT_EQ(StatusOf(Call(kArmaxLike, opt.array, strings.array)), kDataRead);
  HostArray string_options(SafeArrayCreateVector(VT_BSTR, 0, 11));
  EXPECT_EQ(StatusOf(Call(kArimaLike, string_options.array, dat.array)), kOptionRead);
}

TEST(CallFrame, VariantElementsHoldingNumbersAreRead) {
  HostArray opt(SafeArrayCreateVector(VT_VARIANT, 1, 11));
  for (LONG i = 1; i <= 11; ++i) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I2;
    v.iVal = i == 1 ? 2 : 0;
    SafeArrayPutElement(opt.array, &i, &v);
  }
  HostArray dat(SafeArrayCreateVector(VT_VARIANT, 1, 3));
  for (LONG i = 1; i <= 3; ++i) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_R8;
    v.dblVal = i;
    SafeArrayPutElement(dat.array, &i, &v);
  }
  EXPECT_EQ(CellsOf(Call(kArimaLike, opt.array, dat.array)), (std::vector<double>{1.0, 4.0, 6.0}));
}

TEST(CallFrame, HostArraysAreLeftIntactAndStillTheHosts) {
  HostArray opt(OptionArray(Settings(3)));
  HostArray dat(DataArray({1.0, 2.0, 3.0, 4.0}));
  for (int repeat = 0; repeat < 3; ++repeat) CellsOf(Call(kArimaLike, opt.array, dat.array));
  for (LONG i = 0; i < 4; ++i) {
    double x = 0.0;
    ASSERT_EQ(SafeArrayGetElement(dat.array, &i, &x), S_OK);
    EXPECT_EQ(x, static_cast<double>(i + 1));
  }
  // The destructors release both arrays and expect S_OK: the frame destroyed neither.
}

TEST(CallFrame, TrailingValuesAreReadWithinTheArrayOnly) {
  auto settings = Settings(2);
  settings.push_back(0);
  HostArray opt(OptionArray(settings));
  HostArray dat(DataArray({95.0, 1.0, 2.0, 0.1, 0.2, 0.9}, -3));
  TestMethod method(kPegelsLike);
  SAFEARRAY* o = opt.array;
  SAFEARRAY* d = dat.array;
  EXPECT_EQ(CellsOf(RunFrame(method, &o, &d)).size(), 3u);
  EXPECT_EQ(method.trailing, (std::vector<double>{0.1, 0.2, 0.9}));
}

}  // namespace
}  // namespace vordex::host
