/* Preloaded into a command by interrupt_session.sh (natively, and into Wine's loader for the
 * Windows program): after the first write of data to a file whose path matches the pattern in
 * VEXA_TEST_PAUSE_PATH, it writes one byte into the FIFO named by VEXA_TEST_PAUSE_FIFO and then
 * holds the writing thread until a signal ends the process. The test thus interrupts every
 * command part way through its output, however fast the machine is. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/types.h>
#include <unistd.h>

static int paused;

static void PauseAfterMatchingWrite(int fd, ssize_t written) {
    if (written <= 0 || paused) return;
    const char* pattern = getenv("VEXA_TEST_PAUSE_PATH");
    const char* fifo = getenv("VEXA_TEST_PAUSE_FIFO");
    if (!pattern || !fifo) return;
    char link[64], path[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t length = readlink(link, path, sizeof path - 1);
    if (length < 0) return;
    path[length] = '\0';
    if (fnmatch(pattern, path, 0) != 0) return;
    paused = 1;
    const int out = open(fifo, O_WRONLY);
    if (out >= 0) {
        const ssize_t ignored = write(out, "p", 1);
        (void)ignored;
        close(out);
    }
    for (;;) pause(); /* the program's own signal handling ends the process */
}

#define FORWARD(name, params, args)                                   \
    ssize_t name params {                                             \
        static ssize_t(*real) params;                                 \
        if (!real) real = (ssize_t(*) params)dlsym(RTLD_NEXT, #name); \
        const ssize_t written = real args;                            \
        PauseAfterMatchingWrite(fd, written);                         \
        return written;                                               \
    }

FORWARD(write, (int fd, const void* data, size_t size), (fd, data, size))
FORWARD(pwrite, (int fd, const void* data, size_t size, off_t offset), (fd, data, size, offset))
FORWARD(pwrite64, (int fd, const void* data, size_t size, off64_t offset),
        (fd, data, size, offset))
