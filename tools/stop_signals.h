// SIGINT and SIGTERM for the stand-ins' ppoll() loops: blocked except inside
// ppoll(), so a signal arriving between the flag check and the wait cannot be
// lost. Returns the mask to hand to ppoll().
#pragma once

#include <signal.h>

namespace brelvik::tools {

inline sigset_t blockStopSignals(void (*handler)(int)) {
    sigset_t stopSet;
    sigemptyset(&stopSet);
    sigaddset(&stopSet, SIGINT);
    sigaddset(&stopSet, SIGTERM);
    sigprocmask(SIG_BLOCK, &stopSet, nullptr);
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigset_t waitMask;
    sigprocmask(SIG_BLOCK, nullptr, &waitMask);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);
    return waitMask;
}

}  // namespace brelvik::tools
