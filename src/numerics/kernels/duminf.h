// Quasi-Newton minimisation of a smooth function of N variables from function values alone.
#ifndef VORDEX_NUMERICS_KERNELS_DUMINF_H
#define VORDEX_NUMERICS_KERNELS_DUMINF_H

namespace vordex::kernels {

// The objective: given the caller's context, N and the point X (N doubles, X[0] is the first
// variable; read only), stores the function value in F. Called many times per iteration. It may
// call other kernels: DUMINF's own outcome is recorded in the error state after its last call of
// the objective.
using DuminfFcn = void (*)(void* context, const int& n, const double* x, double& f);

// Minimises FCN by a BFGS quasi-Newton method with a factored Hessian approximation, a line
// search, and forward-difference gradients (central differences once a line search has failed
// or the scaled gradient is small).
//
// Arguments (arrays point to their first element, which is element 1):
//   FCN      the objective.
//   CONTEXT  handed to every call of FCN unchanged (the request the objective evaluates).
//   N        number of variables.
//   XGUESS   N doubles, the start point (read only; may be the same array as X).
//   XSCALE   N positive doubles, the diagonal scaling of the variables.
//   FSCALE   typical size of the function (positive).
//   IPARAM   7 ints: (1) 0 = take defaults, (2) FDIGIT, (3) MXITER, (4) MAXFCN, (5) MAXGRD,
//            (6) Hessian initialisation (0 identity, else diagonal), (7) MAXHES.
//   RPARAM   7 doubles: (1) GRADTL, (2) STEPTL, (3) RFTOL, (4) AFTOL, (5) FALSTL, (6) STEPMX
//            (<= 0: 1000 * max(||XSCALE*XGUESS||, ||XSCALE||)), (7) DELTA (not used).
//            When IPARAM[0] = 0 on entry both arrays are overwritten with the defaults
//            IPARAM = (1, 15, 100, 400, 400, 0, 100),
//            RPARAM = (eps^(1/3), eps^(2/3), eps^(2/3), 1e-20, 100 eps, -9999, -9999),
//            eps = 2^-52, and keep them afterwards. An invalid setting (FSCALE, XSCALE(j),
//            FDIGIT, GRADTL, STEPTL, MXITER, MAXFCN, MAXGRD, MAXHES: codes 9 to 17 in this
//            order) is replaced for this call only, with a type-3 warning that stays in the
//            error state unless a stopping outcome below replaces it.
//   X        N doubles (output): the best point found, whatever the outcome.
//   FVALUE   (output) the function value at X.
//   MAXEVL   (optional) the most calls of FCN of any kind (start, line search trials, difference
//            quotients). The limit in force is MAXFCN + 2 N MAXGRD (the most the limits on values
//            and gradients allow together), or MAXEVL when that is smaller and positive; at least
//            one call is always made.
//
// Function evaluations for values (start and line search) count against MAXFCN; each
// finite-difference gradient counts once against MAXGRD. Those two are tested after each
// iteration; the limit on all calls before each value and each whole gradient, so that it also
// bounds a single line search. Every loop of the minimiser calls FCN, so at most that many calls
// are made, in at most MXITER iterations, with O(N^2) arithmetic per call besides (an iteration's
// O(N^3) update follows a gradient of N calls or more). A non-finite trial value never counts as
// a decrease.
//
// Outcome through the kernel error state (error_state.h):
//   scaled gradient within GRADTL: type 0.
//   type 2, code 7: scaled step within STEPTL.
//   type 3, code 8: the last line search found no lower point.
//   type 4, codes 3/4/5: iteration / function-evaluation / gradient-evaluation limit reached;
//     code 4 also when the limit on all calls stops the minimiser, which then returns the last
//     iterate at once.
//   type 4, code 6: five consecutive steps of length STEPMX (unbounded below?).
//   type 5, code 1: N <= 0 (X and FVALUE untouched).
//   type 5, code 2: no workspace (X and FVALUE untouched).
// Never prints, never throws (an exception thrown by FCN is not caught), never stops the
// process.
void DUMINF(DuminfFcn fcn, void* context, const int& n, const double* xguess, const double* xscale,
            const double& fscale, int* iparam, double* rparam, double* x, double& fvalue,
            long maxevl = 0);

}  // namespace vordex::kernels

#endif  // VORDEX_NUMERICS_KERNELS_DUMINF_H
