#include "smoothing/search.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "platform/messages.h"
#include "smoothing/admissible.h"
#include "smoothing/estimate.h"
#include "smoothing/fit.h"
#include "smoothing/state.h"

// MinGW's win32 thread model has no std::thread: there (the 32-bit DLL, whose exports search
// one candidate after another anyway) a search runs on the calling thread only.
#if defined(__MINGW32__) && !defined(_GLIBCXX_HAS_GTHREADS)
#define VORDEX_SEARCH_THREADS 0
#else
#define VORDEX_SEARCH_THREADS 1
#endif

namespace vordex::smoothing {
namespace {

// The best candidate so far.
struct Best {
  Candidate types{ErrorForm::kAuto, Trend::kAuto, Season::kAuto};
  double par[5] = {};
  double l0 = 0.0;
  double b0 = 0.0;
  double seasInit[MAXS] = {};
  double icValue = kHuge;
};

// What estimating one candidate on its own copy of the state came to.
struct CandidateRun {
  int ok = 0;
  std::unique_ptr<PegelsState> state;
  std::vector<Message> messages;
};

// Estimates every candidate on a pool of threads. Each starts from a copy of P as it stands
// before the first candidate: an estimation reads nothing that an earlier candidate leaves in
// the state but the "Matrix too large" flag, which decides only whether its box is shown.
std::vector<CandidateRun> EstimateOnThreads(PegelsState& P, const Candidate* candidates, int count,
                                            int (*estimate)(PegelsState&)) {
  std::vector<CandidateRun> runs(static_cast<std::size_t>(count));
  std::atomic<int> next{0};
  const auto work = [&] {
    // Messages are recorded here and shown on the caller's thread, in candidate order.
    platform::MessageRecorder recorder;
    for (int c = next++; c < count; c = next++) {
      CandidateRun& run = runs[static_cast<std::size_t>(c)];
      try {
        run.state = std::make_unique<PegelsState>(P);
        PegelsState& Q = *run.state;
        Q.modelType = candidates[c].modelType;
        Q.trendType = candidates[c].trendType;
        Q.seasonalityType = candidates[c].seasonalityType;
        run.ok = estimate(Q);
      } catch (...) {
        run.ok = 0;
      }
      run.messages = recorder.Take();
    }
  };
  {
#if VORDEX_SEARCH_THREADS
    const int workers = std::min(P.threads, count);
    std::vector<std::jthread> pool;  // joined at the end of this block
    for (int w = 1; w < workers; ++w) pool.emplace_back(work);
#endif
    work();
  }
  return runs;
}

}  // namespace

int PegelsCandidates(PegelsState& P, Candidate* out) {
  // Every form of each component, in the order candidates are estimated.
  constexpr ErrorForm kErrorForms[] = {ErrorForm::kMultiplicative, ErrorForm::kAdditive};
  constexpr Season kSeasons[] = {Season::kNone, Season::kAdditive, Season::kMultiplicative};
  constexpr Trend kTrends[] = {Trend::kNone, Trend::kAdditive, Trend::kMultiplicative,
                               Trend::kDamped};
  const bool exclude = P.hasZeros || P.searchType == Search::kAdditiveOnly;
  // Non-seasonal data, and an open seasonality with too few seasons, allow no seasonality.
  const bool seasonless = P.s == 1 || (P.seasonalityType == Season::kAuto &&
                                       P.n < static_cast<long>(P.minSeasons) * P.s);
  const bool noMultiplicativeTrend = P.trendType == Trend::kAuto && P.multiplicativeTrend == 0;
  int count = 0;
  for (const ErrorForm e : kErrorForms) {
    if (P.modelType != ErrorForm::kAuto && e != P.modelType) continue;
    if (exclude && e == ErrorForm::kMultiplicative) continue;
    for (const Season season : kSeasons) {
      if (seasonless ? season != Season::kNone
                     : P.seasonalityType != Season::kAuto && season != P.seasonalityType)
        continue;
      if (exclude && season == Season::kMultiplicative) continue;
      for (const Trend trend : kTrends) {
        if (P.trendType != Trend::kAuto && trend != P.trendType) continue;
        if (exclude && trend == Trend::kMultiplicative) continue;
        if (noMultiplicativeTrend && trend == Trend::kMultiplicative) continue;
        if (P.restrictForms &&
            (e == ErrorForm::kAdditive
                 ? trend == Trend::kMultiplicative || season == Season::kMultiplicative
                 : trend == Trend::kMultiplicative && season == Season::kAdditive))
          continue;
        out[count++] = {e, trend, season};
      }
    }
  }
  return count;
}

int PegelssearchWith(PegelsState& P, int (*estimate)(PegelsState&)) {
  Candidate candidates[kMaxCandidates];
  const int count = PegelsCandidates(P, candidates);
  const Initialization method = P.initializationMethod;
  if (method == Initialization::kEstimatedForWinner)
    P.initializationMethod = Initialization::kHeuristic;

  Best best;
  bool found = false;
  const auto consider = [&](int c, const PegelsState& Q, int ok) {
    if (ok == 1 && Q.icValue < best.icValue) {
      found = true;
      best.types = candidates[c];
      for (int i = 1; i <= 4; ++i) best.par[i] = Q.par[i];
      best.l0 = Q.l[0];
      best.b0 = Q.b[0];
      for (int k = 0; k < Q.s; ++k) best.seasInit[k] = Q.seasInit[k];
      best.icValue = Q.icValue;
    }
  };
  if (P.threads <= 1 || count <= 1) {
    for (int c = 0; c < count; ++c) {
      P.modelType = candidates[c].modelType;
      P.trendType = candidates[c].trendType;
      P.seasonalityType = candidates[c].seasonalityType;
      consider(c, P, estimate(P));
    }
  } else {
    std::vector<CandidateRun> runs = EstimateOnThreads(P, candidates, count, estimate);
    int tooLargeShown = P.tooLargeShown;
    int status = P.status;
    for (int c = 0; c < count; ++c) {
      CandidateRun& run = runs[static_cast<std::size_t>(c)];
      for (const Message& m : run.messages) {
        const bool tooLarge = m.text == kMatrixTooLarge;
        if (tooLarge && tooLargeShown) continue;
        tooLargeShown |= tooLarge;
        platform::ShowMessage(m.title.c_str(), m.text.c_str(), m.style);
      }
      if (!run.state) continue;
      status = std::max(status, run.state->status);
      consider(c, *run.state, run.ok);
    }
    // The state as the last candidate left it, as after the sequential loop.
    if (runs.back().state) P = *runs.back().state;
    P.tooLargeShown = tooLargeShown;
    P.status = status;
  }
  if (!found) {
    P.initializationMethod = method;
    return 0;
  }

  P.modelType = best.types.modelType;
  P.trendType = best.types.trendType;
  P.seasonalityType = best.types.seasonalityType;
  for (int i = 1; i <= 4; ++i) P.par[i] = best.par[i];
  P.l[0] = best.l0;
  P.b[0] = best.b0;
  for (int k = 0; k < P.s; ++k) P.seasInit[k] = best.seasInit[k];
  Pegelsfit(P, 0);

  if (method == Initialization::kEstimatedForWinner) {
    P.initializationMethod = Initialization::kEstimated;
    const int ok = estimate(P);
    P.initializationMethod = method;
    if (ok == 0) return 0;
  } else {
    P.initializationMethod = method;
  }
  return 1;
}

int Pegelssearch(PegelsState& P) {
  return PegelssearchWith(P, &pegelsopt2);
}

}  // namespace vordex::smoothing
