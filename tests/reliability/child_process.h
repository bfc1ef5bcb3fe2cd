#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace pellumir::test {

inline bool underAddressSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#else
    return false;
#endif
}

// How a piece of work ended in a child process.
struct ChildOutcome {
    bool exited = false;  // false: killed by a signal (a crash, an abort)
    int status = -1;      // the exit status when exited
    int signal = 0;
    uint64_t rssGrowthKb = 0;  // peak resident memory beyond the child's start
    double seconds = 0;        // wall time of the work alone
};

inline uint64_t addressSpaceBytes() {
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    unsigned long pages = 0;
    if (statm) {
        if (std::fscanf(statm, "%lu", &pages) != 1) pages = 0;
        std::fclose(statm);
    }
    return uint64_t{pages} * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
}

// Runs `work` in a forked child and reports how it ended; its result is the
// child's exit status. With `allowance` above 0 the child may map at most
// that many bytes beyond what it has at the start (RLIMIT_AS), so that an
// attempt to take more memory fails there instead of succeeding lazily.
// AddressSanitizer reserves terabytes of address space, so under it the
// allowance is left out and only the resident memory is measured.
template <typename Work>
ChildOutcome runInChild(Work work, uint64_t allowance = 0) {
    int channel[2];
    ChildOutcome outcome;
    if (pipe(channel) != 0) return outcome;
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        close(channel[0]);
        if (allowance > 0 && !underAddressSanitizer()) {
            rlimit limit{};
            limit.rlim_cur = limit.rlim_max = addressSpaceBytes() + allowance;
            setrlimit(RLIMIT_AS, &limit);
        }
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        auto start = std::chrono::steady_clock::now();
        int status = work();
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        uint64_t growth = after.ru_maxrss > before.ru_maxrss
                              ? static_cast<uint64_t>(after.ru_maxrss - before.ru_maxrss)
                              : 0;
        struct {
            uint64_t growth;
            double seconds;
        } report{growth, seconds};
        ssize_t ignored = write(channel[1], &report, sizeof report);
        (void)ignored;
        _exit(status);
    }
    close(channel[1]);
    if (pid < 0) {
        close(channel[0]);
        return outcome;
    }
    struct {
        uint64_t growth;
        double seconds;
    } report{};
    if (read(channel[0], &report, sizeof report) == static_cast<ssize_t>(sizeof report)) {
        outcome.rssGrowthKb = report.growth;
        outcome.seconds = report.seconds;
    }
    close(channel[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    outcome.exited = WIFEXITED(status);
    outcome.status = outcome.exited ? WEXITSTATUS(status) : -1;
    outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return outcome;
}

// What a program run with `arguments` printed and how it ended.
struct ProgramRun {
    int status = -1;  // exit status, or -1 when it did not exit normally
    int signal = 0;   // the signal that ended it, if one did
    std::string standardError;
    uint64_t maxRssKb = 0;  // the program's peak resident memory
    double seconds = 0;
};

// `inChild` runs in the child just before the program starts (limits,
// credentials, descriptors).
inline ProgramRun runProgram(const std::vector<std::string>& arguments,
                             const std::function<void()>& inChild = {}) {
    ProgramRun run;
    int errors[2];
    if (pipe(errors) != 0) return run;
    std::fflush(nullptr);
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        dup2(errors[1], STDERR_FILENO);
        close(errors[0]);
        close(errors[1]);
        std::FILE* devNull = std::fopen("/dev/null", "w");
        if (devNull) dup2(fileno(devNull), STDOUT_FILENO);
        if (inChild) inChild();
        std::vector<char*> argv;
        for (const auto& a : arguments)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(errors[1]);
    char buffer[4096];
    ssize_t got;
    while ((got = read(errors[0], buffer, sizeof buffer)) > 0)
        run.standardError.append(buffer, size_t(got));
    close(errors[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    run.maxRssKb = static_cast<uint64_t>(usage.ru_maxrss);
    return run;
}

}  // namespace pellumir::test
