#pragma once

#include <pybind11/pybind11.h>

#include <chrono>
#include <mutex>

#include "shot/shot_player.h"

// Ctrl-C while a call runs without the GIL. Python's signal handlers run only
// when the main thread looks for them with the GIL held, so long calls take
// the GIL every kSignalInterval of wall time, call PyErr_CheckSignals, and
// unwind with the handler's exception (KeyboardInterrupt) when it raised one.
// Looking costs a clock read a frame; taking the GIL 50 times a second costs
// nothing measurable.
namespace glidestone::python {

namespace py = pybind11;

inline constexpr std::chrono::milliseconds kSignalInterval{20};

// Takes the GIL and runs Python's signal handlers; throws
// py::error_already_set when one raised. Call without the GIL.
void CheckSignals();

// Looks for signals (CheckSignals) at most every kSignalInterval. For one
// thread, without the GIL.
class SignalWatch {
public:
    void Poll() {
        auto const now = std::chrono::steady_clock::now();
        if (now < next_) return;
        next_ = now + kSignalInterval;
        CheckSignals();
    }

private:
    std::chrono::steady_clock::time_point next_ = std::chrono::steady_clock::now() + kSignalInterval;
};

// A throw watched for signals after every frame; reads nothing, so the
// throw is the same with or without it.
class SignalObserver : public ThrowObserver {
public:
    void OnStart(ISimulator&) override { watch_.Poll(); }
    void OnFrame(int, ISimulator&) override { watch_.Poll(); }

private:
    SignalWatch watch_;
};

// Two observers of one throw.
class BothObservers : public ThrowObserver {
public:
    BothObservers(ThrowObserver& first, ThrowObserver& second) : first_(first), second_(second) {}
    void OnStart(ISimulator& simulator) override {
        first_.OnStart(simulator);
        second_.OnStart(simulator);
    }
    void OnFrame(int frame, ISimulator& simulator) override {
        first_.OnFrame(frame, simulator);
        second_.OnFrame(frame, simulator);
    }

private:
    ThrowObserver& first_;
    ThrowObserver& second_;
};

// The lock of an object that Python threads share: a call takes its turn.
// Called with the GIL held; when another thread has the object, waits with
// the GIL released (that thread may need the GIL to finish) and looks for
// signals while it waits, so Ctrl-C ends the wait.
class Turn {
public:
    explicit Turn(std::timed_mutex& mutex);
    Turn(const Turn&) = delete;
    Turn& operator=(const Turn&) = delete;

private:
    std::unique_lock<std::timed_mutex> lock_;
};

// The same for a call that has released the GIL already.
class TurnWithoutGil {
public:
    explicit TurnWithoutGil(std::timed_mutex& mutex);
    TurnWithoutGil(const TurnWithoutGil&) = delete;
    TurnWithoutGil& operator=(const TurnWithoutGil&) = delete;

private:
    std::unique_lock<std::timed_mutex> lock_;
};

}  // namespace glidestone::python
