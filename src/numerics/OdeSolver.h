#pragma once
// The one adapter over CVODE (SUNDIALS 6). Gradient paths (three equations in arc
// length) and the nested basin and surface quadratures (one equation per integrated
// property) both run through it. The method is fixed: Adams with fixed-point
// iteration, scalar relative and vector absolute tolerance, normal output mode.
// SUNDIALS types stay in OdeSolver.cpp so that users need not see its headers.
//
// Not thread-safe: one instance per thread (each owns its own SUNDIALS context).

#include <functional>
#include <memory>
#include <string>

class COdeSolver {
public:
    // Right-hand side dy/dt at (t, y); y and dydt hold Size() values.
    // Return 0 on success, > 0 for a recoverable failure (CVODE retries with a
    // smaller step, so one that persists beyond some t usually ends in
    // TooMuchWork just short of it), < 0 to stop the integration (cancel, failed
    // evaluation). An exception thrown here stops the integration and is rethrown
    // from Solve.
    using Rhs = std::function<int(double t, const double* y, double* dydt)>;

    enum class Status {
        Success,      // reached tout
        TooMuchWork,  // maximum number of steps taken before tout; Solve may be called again
        RhsFailed,    // the right-hand side returned < 0, or failed recoverably beyond repair
        Failed,       // other solver failure (accuracy, convergence, error test)
        InvalidInput, // bad arguments, or Solve without a valid Init
    };

    // n equations, n >= 1. Allocates everything once; throws std::invalid_argument
    // for n < 1 and std::bad_alloc if SUNDIALS cannot allocate. A moved-from solver
    // may only be destroyed or assigned to.
    explicit COdeSolver(int n);
    ~COdeSolver();
    COdeSolver(COdeSolver&&) noexcept;
    COdeSolver& operator=(COdeSolver&&) noexcept;
    COdeSolver(const COdeSolver&) = delete;
    COdeSolver& operator=(const COdeSolver&) = delete;

    // Starts a problem at (t0, y0): relTol >= 0, absTol[Size()] >= 0 in the units
    // of y. Reuses the existing allocation (CVodeReInit), so restarting is cheap.
    // Resets the RHS count and the last message; the step limits below are kept.
    [[nodiscard]] Status Init(Rhs rhs, double t0, const double* y0, double relTol, const double* absTol);
    // The same with error weights of the caller's choosing: weights(y, w)
    // receives the solution at the start of each step and writes the Size()
    // weights, each the inverse of the error allowed in that value (> 0); a
    // nonzero return fails the step. Tolerances can thus follow the solution,
    // which the relative and absolute tolerances above cannot do.
    using Weights = std::function<int(const double* y, double* w)>;
    [[nodiscard]] Status Init(Rhs rhs, double t0, const double* y0, Weights weights);

    // Largest step size in t, > 0; 0 removes the limit (the default).
    Status SetMaxStep(double h);
    // The solver steps no further than t (it normally steps past tout and
    // interpolates back), so the right-hand side is never asked beyond it.
    // Meant for a Solve towards tout = t; set it again for every such call.
    Status SetStopTime(double t);
    // Steps allowed per call to Solve before it returns TooMuchWork; 0 restores
    // CVODE's default (500), < 0 removes the limit.
    Status SetMaxNumSteps(long n);

    // Integrates to tout (either direction from the current point). On Success
    // t == tout exactly; otherwise t and y are the last point the solver reached,
    // a valid point of the solution. y receives Size() values. tout equal to the
    // current t returns that point without evaluations. After RhsFailed or Failed
    // (or an exception from the right-hand side) Solve needs a new Init.
    [[nodiscard]] Status Solve(double tout, double& t, double* y);

    // Right-hand-side evaluations since the last Init, as counted by CVODE.
    long RhsEvaluations() const;
    // CVODE's own return code of the last Solve that called it (0 success,
    // CV_TOO_MUCH_WORK, CV_CONV_FAILURE, ...), for messages that show it; 0
    // after Init.
    int LastFlag() const;
    // Last diagnostic CVODE reported (empty if none since Init).
    const std::string& LastMessage() const;
    int Size() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
