#pragma once
// Waiting for another copy of the program to let go of a file. The wait blocks in
// flock(2) rather than polling: the kernel wakes every waiter the moment the holder
// lets go, so no copy sleeps through its turn while another, awake by chance, takes
// the lock again and again. flock() has no bound of its own; a timer of the waiting
// thread interrupts it with a signal whose handler does nothing.

#include <chrono>

#include "SystemCalls.h"

namespace cpuchat {

enum class LockWaitResult { Held, TimedOut, Failed };

/// Takes flock(fd, operation) with LOCK_SH or LOCK_EX, waiting at most `bound`.
/// Failed: the lock cannot be had at all (errno tells why).
LockWaitResult waitForLock(SystemCalls& sys, int fd, int operation, std::chrono::milliseconds bound);

}  // namespace cpuchat
