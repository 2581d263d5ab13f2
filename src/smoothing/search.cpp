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

// What estimating one candidate came to: what the selection reads of the state it left, and the
// messages it raised.
struct CandidateRun {
  int ok = 0;
  bool ran = false;  // the estimation had a state (its copy could be made)
  int status = 0;
  double par[5] = {};
  double l0 = 0.0;
  double b0 = 0.0;
  double seasInit[MAXS] = {};
  double icValue = kHuge;
  std::vector<Message> messages;
};

// Bytes of the series arrays of one state record: y, l, b, S, F, e of n + 1 values.
constexpr std::size_t kStateBytesPerObservation = 6 * sizeof(double);
// Most bytes that the copies of the state may take together during a search on threads. Each
// worker thread estimates on a copy of its own (48 MB per million observations); with fewer than
// two copies affordable (beyond about 5.6 million observations), the search runs on the calling
// thread on the request's own state.
constexpr std::size_t kCopyBudget = std::size_t{512} << 20;

// The worker threads a search of `count` candidates may use on n observations.
int SearchWorkers(int threads, int count, int n) {
  const std::size_t copy = kStateBytesPerObservation * (static_cast<std::size_t>(n) + 1);
  const std::size_t affordable = std::max<std::size_t>(1, kCopyBudget / copy);
  return static_cast<int>(std::min<std::size_t>(
      affordable, static_cast<std::size_t>(std::max(1, std::min(threads, count)))));
}

// Estimates every candidate on a pool of `workers` threads (the caller's among them), each
// worker on one copy of P as it stands before the first candidate, reset from P for each of its
// candidates: an estimation reads nothing that an earlier candidate leaves in the state but the
// "Matrix too large" flag, which decides only whether its box is shown. Leaves in P the state as
// the last candidate left it, as after the sequential loop.
std::vector<CandidateRun> EstimateOnThreads(PegelsState& P, const Candidate* candidates, int count,
                                            int workers, int (*estimate)(PegelsState&)) {
  std::vector<CandidateRun> runs(static_cast<std::size_t>(count));
  std::vector<std::unique_ptr<PegelsState>> copies(static_cast<std::size_t>(workers));
  std::atomic<int> next{0};
  std::atomic<int> lastWorker{-1};
  const auto work = [&](int w) {
    // Messages are recorded here and shown on the caller's thread, in candidate order.
    platform::MessageRecorder recorder;
    std::unique_ptr<PegelsState>& copy = copies[static_cast<std::size_t>(w)];
    for (int c = next++; c < count; c = next++) {
      CandidateRun& run = runs[static_cast<std::size_t>(c)];
      try {
        if (!copy)
          copy = std::make_unique<PegelsState>(P);
        else
          *copy = P;  // the arrays keep their storage
        PegelsState& Q = *copy;
        run.ran = true;
        if (c == count - 1) lastWorker = w;
        Q.modelType = candidates[c].modelType;
        Q.trendType = candidates[c].trendType;
        Q.seasonalityType = candidates[c].seasonalityType;
        run.ok = estimate(Q);
        run.status = Q.status;
        for (int i = 1; i <= 4; ++i) run.par[i] = Q.par[i];
        run.l0 = Q.l[0];
        run.b0 = Q.b[0];
        for (int k = 0; k < Q.s; ++k) run.seasInit[k] = Q.seasInit[k];
        run.icValue = Q.icValue;
      } catch (...) {
        run.ok = 0;
      }
      run.messages = recorder.Take();
    }
  };
  {
#if VORDEX_SEARCH_THREADS
    std::vector<std::jthread> pool;  // joined at the end of this block
    for (int w = 1; w < workers; ++w) pool.emplace_back(work, w);
#endif
    work(0);
  }
  const int last = lastWorker;
  if (last >= 0 && copies[static_cast<std::size_t>(last)])
    P = std::move(*copies[static_cast<std::size_t>(last)]);
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
                                       P.nobs < static_cast<long>(P.minSeasons) * P.s);
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
  const auto consider = [&](int c, int ok, const double* par, double l0, double b0,
                            const double* seasInit, double icValue) {
    if (ok == 1 && icValue < best.icValue) {
      found = true;
      best.types = candidates[c];
      for (int i = 1; i <= 4; ++i) best.par[i] = par[i];
      best.l0 = l0;
      best.b0 = b0;
      for (int k = 0; k < P.s; ++k) best.seasInit[k] = seasInit[k];
      best.icValue = icValue;
    }
  };
  const int workers = SearchWorkers(P.threads, count, P.n);
  if (workers <= 1) {
    for (int c = 0; c < count; ++c) {
      P.modelType = candidates[c].modelType;
      P.trendType = candidates[c].trendType;
      P.seasonalityType = candidates[c].seasonalityType;
      const int ok = estimate(P);
      consider(c, ok, P.par, P.l[0], P.b[0], P.seasInit, P.icValue);
    }
  } else {
    const int tooLargeBefore = P.tooLargeShown;
    const int statusBefore = P.status;
    std::vector<CandidateRun> runs = EstimateOnThreads(P, candidates, count, workers, estimate);
    int tooLargeShown = tooLargeBefore;
    int status = statusBefore;
    for (int c = 0; c < count; ++c) {
      CandidateRun& run = runs[static_cast<std::size_t>(c)];
      for (const Message& m : run.messages) {
        const bool tooLarge = m.text == kMatrixTooLarge;
        if (tooLarge && tooLargeShown) continue;
        tooLargeShown |= tooLarge;
        platform::ShowMessage(m.title.c_str(), m.text.c_str(), m.style);
      }
      if (!run.ran) continue;
      status = std::max(status, run.status);
      consider(c, run.ok, run.par, run.l0, run.b0, run.seasInit, run.icValue);
    }
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
    // The winner's first stage, from fresh heuristic states, would repeat its search run step
    // for step; beyond the exports' lengths, where a pass is costly, it is not run again.
    P.firstStageDone = P.n > MAXN;
    const int ok = estimate(P);
    P.firstStageDone = false;
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
