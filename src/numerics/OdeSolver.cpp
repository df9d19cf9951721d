#include "numerics/OdeSolver.h"

#include <cvode/cvode.h>
#include <nvector/nvector_serial.h>
#include <sundials/sundials_context.h>
#include <sunnonlinsol/sunnonlinsol_fixedpoint.h>

#include <algorithm>
#include <cmath>
#include <exception>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <vector>

static_assert(std::is_same_v<realtype, double>, "SUNDIALS must be built in double precision");

namespace {

struct ContextDeleter {
    void operator()(SUNContext ctx) const { SUNContext_Free(&ctx); }
};
struct VectorDeleter {
    void operator()(N_Vector v) const { N_VDestroy(v); }
};
struct NonlinSolDeleter {
    void operator()(SUNNonlinearSolver s) const { SUNNonlinSolFree(s); }
};
struct CvodeDeleter {
    void operator()(void* mem) const { CVodeFree(&mem); }
};

using ContextPtr = std::unique_ptr<std::remove_pointer_t<SUNContext>, ContextDeleter>;
using VectorPtr = std::unique_ptr<std::remove_pointer_t<N_Vector>, VectorDeleter>;
using NonlinSolPtr = std::unique_ptr<std::remove_pointer_t<SUNNonlinearSolver>, NonlinSolDeleter>;
using CvodePtr = std::unique_ptr<void, CvodeDeleter>;

template <class P> P Require(P p) {
    if (!p) throw std::bad_alloc();
    return p;
}

void RequireOk(int flag) {
    if (flag != CV_SUCCESS) throw std::bad_alloc();
}

} // namespace

// Member order is destruction order in reverse: CVODE memory goes first, the
// context it was created in last.
struct COdeSolver::Impl {
    int n = 0;
    ContextPtr ctx;
    VectorPtr y;
    VectorPtr absTol;
    NonlinSolPtr nls;
    CvodePtr mem;

    Rhs rhs;
    std::exception_ptr rhsException;
    bool stopped = false; // the right-hand side asked to stop
    double stopTime = 0.0;
    COdeSolver::Weights weights; // the caller's error weights, when Init was given them
    std::string lastMessage;
    double t = 0.0;
    int lastFlag = 0;
    bool initialised = false;

    static int RhsTrampoline(realtype t, N_Vector y, N_Vector ydot, void* userData) {
        auto* self = static_cast<Impl*>(userData);
        // CVODE 6 with fixed-point iteration takes even a negative return as a
        // convergence failure and retries with smaller steps; failing every later
        // call as well makes it give up within one step.
        if (self->stopped) return -1;
        int code = -1;
        try {
            code = self->rhs(t, N_VGetArrayPointer(y), N_VGetArrayPointer(ydot));
        } catch (...) {
            // Exceptions must not unwind through CVODE's C frames.
            self->rhsException = std::current_exception();
        }
        if (code < 0) {
            self->stopped = true;
            self->stopTime = t;
        }
        return code;
    }

    // The caller's error weights.
    static int WeightTrampoline(N_Vector y, N_Vector ewt, void* userData) {
        auto* self = static_cast<Impl*>(userData);
        if (!self->weights) return -1;
        const double* yy = N_VGetArrayPointer(y);
        double* w = N_VGetArrayPointer(ewt);
        int code = -1;
        try {
            code = self->weights(yy, w);
        } catch (...) {
            self->rhsException = std::current_exception();
            return -1;
        }
        if (code != 0) return -1;
        for (int i = 0; i < self->n; ++i)
            if (!(w[i] > 0.0) || !std::isfinite(w[i])) return -1;
        return 0;
    }

    static void ErrorHandler(int, const char* module, const char* function, char* msg, void* userData) {
        auto* self = static_cast<Impl*>(userData);
        try {
            self->lastMessage = std::string(module ? module : "") + " " + (function ? function : "") + ": " +
                                (msg ? msg : "");
        } catch (...) {
            self->lastMessage.clear();
        }
    }
};

COdeSolver::COdeSolver(int n) : m_impl(std::make_unique<Impl>()) {
    if (n < 1) throw std::invalid_argument("COdeSolver: at least one equation is required");
    Impl& d = *m_impl;
    d.n = n;

    SUNContext ctx = nullptr;
    if (SUNContext_Create(nullptr, &ctx) != 0 || !ctx) throw std::bad_alloc();
    d.ctx.reset(ctx);
    d.y.reset(Require(N_VNew_Serial(n, ctx)));
    d.absTol.reset(Require(N_VNew_Serial(n, ctx)));
    N_VConst(0.0, d.y.get());
    N_VConst(0.0, d.absTol.get());

    d.mem.reset(Require(CVodeCreate(CV_ADAMS, ctx)));
    void* mem = d.mem.get();
    // Silence first: every later diagnostic goes to LastMessage, never to stderr.
    RequireOk(CVodeSetErrHandlerFn(mem, &Impl::ErrorHandler, &d));
    RequireOk(CVodeSetUserData(mem, &d));
    // CVodeInit here, with a placeholder state, so that Init only ever needs the
    // cheap CVodeReInit.
    RequireOk(CVodeInit(mem, &Impl::RhsTrampoline, 0.0, d.y.get()));
    // CVodeInit attaches a Newton iteration, which needs a linear solver; Adams is
    // meant to run with plain functional iteration instead.
    d.nls.reset(Require(SUNNonlinSol_FixedPoint(d.y.get(), 0, ctx)));
    RequireOk(CVodeSetNonlinearSolver(mem, d.nls.get()));
}

COdeSolver::~COdeSolver() = default;
COdeSolver::COdeSolver(COdeSolver&&) noexcept = default;
COdeSolver& COdeSolver::operator=(COdeSolver&&) noexcept = default;

COdeSolver::Status COdeSolver::Init(Rhs rhs, double t0, const double* y0, double relTol,
                                    const double* absTol) {
    Impl& d = *m_impl;
    d.initialised = false;
    d.lastFlag = 0;
    d.lastMessage.clear();
    d.rhsException = nullptr;
    d.stopped = false;
    if (!rhs || !y0 || !absTol || !std::isfinite(t0) || !(relTol >= 0.0) || !std::isfinite(relTol))
        return Status::InvalidInput;
    if (!std::all_of(absTol, absTol + d.n, [](double a) { return a >= 0.0 && std::isfinite(a); }))
        return Status::InvalidInput;

    std::copy(y0, y0 + d.n, N_VGetArrayPointer(d.y.get()));
    std::copy(absTol, absTol + d.n, N_VGetArrayPointer(d.absTol.get()));
    if (CVodeReInit(d.mem.get(), t0, d.y.get()) != CV_SUCCESS) return Status::InvalidInput;
    if (CVodeSVtolerances(d.mem.get(), relTol, d.absTol.get()) != CV_SUCCESS) return Status::InvalidInput;

    d.rhs = std::move(rhs);
    d.weights = nullptr;
    d.t = t0;
    d.initialised = true;
    return Status::Success;
}

COdeSolver::Status COdeSolver::Init(Rhs rhs, double t0, const double* y0, Weights weights) {
    Impl& d = *m_impl;
    if (!weights) {
        d.initialised = false;
        return Status::InvalidInput;
    }
    // Tolerances of 1 stand in until the weights take over.
    const std::vector<double> ones(static_cast<std::size_t>(d.n), 1.0);
    const Status status = Init(std::move(rhs), t0, y0, 1.0, ones.data());
    if (status != Status::Success) return status;
    d.weights = std::move(weights);
    if (CVodeWFtolerances(d.mem.get(), &Impl::WeightTrampoline) != CV_SUCCESS) {
        d.initialised = false;
        return Status::InvalidInput;
    }
    return Status::Success;
}

COdeSolver::Status COdeSolver::SetMaxStep(double h) {
    if (!(h >= 0.0)) return Status::InvalidInput;
    return CVodeSetMaxStep(m_impl->mem.get(), h) == CV_SUCCESS ? Status::Success : Status::InvalidInput;
}

COdeSolver::Status COdeSolver::SetStopTime(double t) {
    if (!std::isfinite(t)) return Status::InvalidInput;
    return CVodeSetStopTime(m_impl->mem.get(), t) == CV_SUCCESS ? Status::Success : Status::InvalidInput;
}

COdeSolver::Status COdeSolver::SetMaxNumSteps(long n) {
    return CVodeSetMaxNumSteps(m_impl->mem.get(), n) == CV_SUCCESS ? Status::Success : Status::InvalidInput;
}

COdeSolver::Status COdeSolver::Solve(double tout, double& t, double* y) {
    Impl& d = *m_impl;
    if (!d.initialised || !y || !std::isfinite(tout)) return Status::InvalidInput;

    // CVODE refuses a first call with tout at t0; a zero-length interval is
    // legitimate for the quadratures.
    Status status = Status::Success;
    if (tout != d.t) {
        realtype tret = d.t;
        const int flag = CVode(d.mem.get(), tout, d.y.get(), &tret, CV_NORMAL);
        d.t = tret;
        d.lastFlag = flag;
        if (d.rhsException) {
            d.initialised = false;
            std::rethrow_exception(std::exchange(d.rhsException, nullptr));
        }
        if (d.stopped) {
            // Whatever CVODE made of the refusals, the caller asked to stop.
            status = Status::RhsFailed;
            d.lastMessage = "right-hand side stopped the integration at t = " + std::to_string(d.stopTime);
        } else {
            switch (flag) {
            case CV_SUCCESS:
            case CV_TSTOP_RETURN: // a stop time at tout
                break;
            case CV_TOO_MUCH_WORK:
                status = Status::TooMuchWork;
                break;
            case CV_RHSFUNC_FAIL:
            case CV_FIRST_RHSFUNC_ERR:
            case CV_REPTD_RHSFUNC_ERR:
            case CV_UNREC_RHSFUNC_ERR:
                status = Status::RhsFailed;
                break;
            case CV_ILL_INPUT:
            case CV_TOO_CLOSE:
            case CV_BAD_T:
                status = Status::InvalidInput;
                break;
            default:
                status = Status::Failed;
                break;
            }
        }
        if (status == Status::RhsFailed || status == Status::Failed) d.initialised = false;
    }
    t = d.t;
    const double* src = N_VGetArrayPointer(d.y.get());
    std::copy(src, src + d.n, y);
    return status;
}

long COdeSolver::RhsEvaluations() const {
    long count = 0;
    CVodeGetNumRhsEvals(m_impl->mem.get(), &count);
    return count;
}

const std::string& COdeSolver::LastMessage() const { return m_impl->lastMessage; }

int COdeSolver::LastFlag() const { return m_impl->lastFlag; }

int COdeSolver::Size() const { return m_impl->n; }
