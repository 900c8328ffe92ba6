// POSIX interrupt handling: SIGINT, SIGTERM and SIGHUP remove the registered files, then the
// signal ends the process as it would have without the handler.
#include <signal.h>
#include <unistd.h>

#include "interrupt.h"

namespace vexa::cli::interrupt_detail {

namespace {

void OnSignal(int signal) {
    RemoveRegisteredFiles();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

}  // namespace

void RemoveFile(const char* path) {
    ::unlink(path);
}

void InstallPlatformHandlers() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction action = {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        // Only take over signals the user has not chosen to ignore (nohup).
        struct sigaction previous;
        if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        ::sigaction(signal, &action, nullptr);
    }
}

}  // namespace vexa::cli::interrupt_detail
