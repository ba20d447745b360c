/* Preloaded into a program under test: kills it, as a power loss or a
 * SIGKILL would, just before its Nth call that changes or flushes the file
 * system (rename, unlink, fsync), N from VANTREL_KILL_AT_CALL. Counting calls
 * instead of waiting makes every kill point reachable on any machine. The
 * program's own children (the tools it runs) are not counted. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

static long countdown = -1;

__attribute__((constructor)) static void ReadCountdown(void)
{
    const char* at = getenv("VANTREL_KILL_AT_CALL");
    countdown = at ? atol(at) : -1;
    unsetenv("VANTREL_KILL_AT_CALL");
    unsetenv("LD_PRELOAD");
}

static void Step(void)
{
    if (countdown > 0 && --countdown == 0)
        raise(SIGKILL);
}

int rename(const char* from, const char* to)
{
    Step();
    int (*real)(const char*, const char*);
    *(void**)&real = dlsym(RTLD_NEXT, "rename");
    return real(from, to);
}

int unlink(const char* path)
{
    Step();
    int (*real)(const char*);
    *(void**)&real = dlsym(RTLD_NEXT, "unlink");
    return real(path);
}

int fsync(int fd)
{
    Step();
    int (*real)(int);
    *(void**)&real = dlsym(RTLD_NEXT, "fsync");
    return real(fd);
}
