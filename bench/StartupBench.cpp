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
#include <string>
#include <vector>

extern char** environ;

int main(int argc, char** argv)
{
    const std::string program = argc > 1 ? argv[1] : VELMORA_PATH;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 10;
    // A display is not needed; the window is drawn offscreen.
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::vector<double> times;
    long peakKb = 0;
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
        wait4(pid, &status, 0, &usage);
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
    std::printf("peak memory of the process: %.1f MB (goal: under 80 MB)\n", peakKb / 1024.0);
    return 0;
}
