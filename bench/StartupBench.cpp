// Whole-process start-up: Velmora started with --exit-after-start, which
// quits once the main window is shown and the initial patch is loaded. Prints
// the wall time from start to exit and the peak memory of each run.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

// Resident memory of a running process by kind, in kB: its own (anonymous)
// pages, mapped files (the libraries) and shared memory (a JACK server's
// segments, mapped by its client library).
struct Resident
{
    long anon = 0;
    long file = 0;
    long shmem = 0;
};

Resident readResident(pid_t pid)
{
    Resident r;
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        const auto field = [&line](const char* name, long& out) {
            if (line.rfind(name, 0) == 0)
                out = std::atol(line.c_str() + std::char_traits<char>::length(name));
        };
        field("RssAnon:", r.anon);
        field("RssFile:", r.file);
        field("RssShmem:", r.shmem);
    }
    return r;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string program = argc > 1 ? argv[1] : VELMORA_PATH;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 10;
    // A display is not needed; the window is drawn offscreen.
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::vector<double> times;
    long peakKb = 0;
    Resident last;
    for (int i = 0; i < runs; ++i) {
        std::string option = "--exit-after-start";
        char* args[] = {const_cast<char*>(program.c_str()), option.data(), nullptr};
        const auto start = std::chrono::steady_clock::now();
        pid_t pid = 0;
        if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, args, environ) != 0) {
            std::fprintf(stderr, "startup bench: cannot start %s\n", program.c_str());
            return 1;
        }
        int status = 0;
        rusage usage{};
        // Sample the memory until the process ends; the last full sample is
        // the state with the window shown.
        while (wait4(pid, &status, WNOHANG, &usage) == 0) {
            const Resident now = readResident(pid);
            if (now.anon + now.file + now.shmem > 0) {
                last.anon = std::max(last.anon, now.anon);
                last.file = std::max(last.file, now.file);
                last.shmem = std::max(last.shmem, now.shmem);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        const auto end = std::chrono::steady_clock::now();
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "startup bench: run %d ended with status %d\n", i, status);
            return 1;
        }
        times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        peakKb = std::max(peakKb, usage.ru_maxrss);
    }
    std::sort(times.begin(), times.end());
    std::printf("start-up to a shown window with the initial patch (%d runs): median %.1f ms, "
                "fastest %.1f ms, slowest %.1f ms (goal: under 300 ms)\n",
                runs, times[times.size() / 2], times.front(), times.back());
    std::printf("peak memory of the process: %.1f MB (goal: under 80 MB); at most %.1f MB of its "
                "own, %.1f MB of libraries, %.1f MB of shared memory (a JACK server's)\n",
                peakKb / 1024.0, last.anon / 1024.0, last.file / 1024.0, last.shmem / 1024.0);
    return 0;
}
