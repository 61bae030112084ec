#include "LockWait.h"

#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <thread>

namespace cpuchat {

namespace {

using Clock = std::chrono::steady_clock;

// Once the bound has passed, the timer keeps ringing at this pace: a signal that came
// just before the thread entered flock() is then followed by one that finds it there.
constexpr auto kRepeat = std::chrono::milliseconds(20);

extern "C" void ignoreWakeSignal(int) {}

// A real-time signal nobody else handles, with a handler that does nothing, installed
// without SA_RESTART so that a blocked flock() returns EINTR. 0 when every one is
// taken: the wait then polls.
int wakeSignal() {
    static const int chosen = [] {
        for (int s = SIGRTMAX; s >= SIGRTMIN; --s) {
            struct sigaction old {};
            if (::sigaction(s, nullptr, &old) != 0 || (old.sa_flags & SA_SIGINFO) != 0 ||
                old.sa_handler != SIG_DFL)
                continue;
            struct sigaction wake {};
            wake.sa_handler = ignoreWakeSignal;
            sigemptyset(&wake.sa_mask);
            if (::sigaction(s, &wake, nullptr) == 0) return s;
        }
        return 0;
    }();
    return chosen;
}

timespec toTimespec(std::chrono::nanoseconds d) {
    const auto s = std::chrono::duration_cast<std::chrono::seconds>(d);
    return {static_cast<time_t>(s.count()), static_cast<long>((d - s).count())};
}

// A timer that signals this thread alone, so that the waits of several threads do
// not end each other. The signal is unblocked in this thread while the timer lives.
class ThreadTimer {
public:
    explicit ThreadTimer(int signal) {
        sigset_t wake;
        sigemptyset(&wake);
        sigaddset(&wake, signal);
        ::pthread_sigmask(SIG_UNBLOCK, &wake, &mask_);
        sigevent event{};
        event.sigev_notify = SIGEV_THREAD_ID;
        event.sigev_signo = signal;
        event._sigev_un._tid = ::gettid();
        ok_ = ::timer_create(CLOCK_MONOTONIC, &event, &id_) == 0;
    }
    ~ThreadTimer() {
        if (ok_) ::timer_delete(id_);
        ::pthread_sigmask(SIG_SETMASK, &mask_, nullptr);
    }
    ThreadTimer(const ThreadTimer&) = delete;
    ThreadTimer& operator=(const ThreadTimer&) = delete;
    bool ok() const { return ok_; }
    void arm(std::chrono::nanoseconds first) {
        const itimerspec spec{toTimespec(kRepeat), toTimespec(std::max(first, std::chrono::nanoseconds(1)))};
        ::timer_settime(id_, 0, &spec, nullptr);
    }
    void disarm() {
        const itimerspec stop{};
        ::timer_settime(id_, 0, &stop, nullptr);
    }

private:
    timer_t id_{};
    bool ok_ = false;
    sigset_t mask_{};
};

}  // namespace

LockWaitResult waitForLock(SystemCalls& sys, int fd, int operation, std::chrono::milliseconds bound) {
    if (sys.flock(fd, operation | LOCK_NB) == 0) return LockWaitResult::Held;
    if (errno != EWOULDBLOCK && errno != EINTR) return LockWaitResult::Failed;
    const auto deadline = Clock::now() + bound;
    const int signal = wakeSignal();
    std::optional<ThreadTimer> timer;
    if (signal != 0) timer.emplace(signal);
    if (!timer || !timer->ok()) {
        // No way to interrupt a blocked flock(): try again now and then.
        while (sys.flock(fd, operation | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR) return LockWaitResult::Failed;
            if (Clock::now() >= deadline) return LockWaitResult::TimedOut;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return LockWaitResult::Held;
    }
    for (;;) {
        const auto now = Clock::now();
        if (now >= deadline) return LockWaitResult::TimedOut;
        timer->arm(deadline - now);
        const int got = sys.flock(fd, operation);
        const int error = errno;
        timer->disarm();
        if (got == 0) return LockWaitResult::Held;
        if (error != EINTR) {
            errno = error;
            return LockWaitResult::Failed;
        }
    }
}

}  // namespace cpuchat
