// Runs a command and prints the peak resident memory of its whole process
// tree (the command and every process it starts) and its wall time:
//
//   PeakTree COMMAND [ARGUMENTS...]    prints "PEAK_KIB SECONDS STATUS"
//
// The command's own output goes to /dev/null.
// The tree's resident memory is summed every 5 ms from /proc; the largest
// single process's own peak (getrusage of the reaped children) is a floor
// for it, so a peak shorter than a sample still counts.
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

// Parent of every process, and its resident KiB.
void ReadProcesses(std::map<pid_t, pid_t>& parents, std::map<pid_t, long>& resident)
{
    DIR* proc = opendir("/proc");
    if (!proc)
        return;
    const long pageKib = sysconf(_SC_PAGESIZE) / 1024;
    while (dirent* entry = readdir(proc)) {
        const pid_t pid = static_cast<pid_t>(std::atol(entry->d_name));
        if (pid <= 0)
            continue;
        std::ifstream stat("/proc/" + std::string(entry->d_name) + "/stat");
        std::string text;
        if (!std::getline(stat, text))
            continue;
        // The command name may hold spaces and parentheses: fields start
        // after the last ')'.
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string state;
        pid_t parent = 0;
        fields >> state >> parent;
        std::ifstream statm("/proc/" + std::string(entry->d_name) + "/statm");
        long size = 0, pages = 0;
        statm >> size >> pages;
        parents[pid] = parent;
        resident[pid] = pages * pageKib;
    }
    closedir(proc);
}

long TreeResident(pid_t root)
{
    std::map<pid_t, pid_t> parents;
    std::map<pid_t, long> resident;
    ReadProcesses(parents, resident);
    long total = 0;
    for (const auto& [pid, kib] : resident) {
        for (pid_t at = pid; at > 1; at = parents.count(at) ? parents[at] : 0)
            if (at == root) {
                total += kib;
                break;
            }
    }
    return total;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    long peak = 0;
    int status = 0;
    for (;;) {
        peak = std::max(peak, TreeResident(child));
        if (waitpid(child, &status, WNOHANG) == child)
            break;
        usleep(5000);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    peak = std::max(peak, usage.ru_maxrss);
    std::printf("%ld %.3f %d\n", peak, seconds, WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    return 0;
}
