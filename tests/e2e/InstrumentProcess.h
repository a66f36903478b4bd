// velmora-instrument as a child process for the end-to-end tests, and the
// check for a running JACK server that those tests need.
#pragma once

#include <jack/jack.h>

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace velmora::test {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Where the JACK port of that short name stands in a backend's port list.
inline int IndexOfJackPort(const std::vector<std::string>& names, const std::string& port)
{
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i].find(":" + port + " (JACK)") != std::string::npos)
            return static_cast<int>(i);
    return -1;
}

inline bool JackServerRuns()
{
    jack_set_error_function([](const char*) {});
    jack_set_info_function([](const char*) {});
    jack_status_t status{};
    jack_client_t* client = jack_client_open("velmora-test-probe", JackNoStartServer, &status);
    if (client == nullptr) {
        return false;
    }
    jack_client_close(client);
    return true;
}

// velmora-instrument as a child process, its stdout read through a pipe.
class InstrumentProcess
{
public:
    explicit InstrumentProcess(const std::vector<std::string>& arguments)
    {
        int fds[2];
        if (pipe(fds) != 0) {
            return;
        }
        std::vector<std::string> args{VELMORA_INSTRUMENT_PATH};
        args.insert(args.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            // The instrument goes when the test does, even when it crashes.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            dup2(fds[1], STDOUT_FILENO);
            close(fds[0]);
            close(fds[1]);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(fds[1]);
        out_ = fds[0];
    }

    InstrumentProcess(const InstrumentProcess&) = delete;
    InstrumentProcess& operator=(const InstrumentProcess&) = delete;

    ~InstrumentProcess()
    {
        Stop();
        if (out_ >= 0) {
            close(out_);
        }
    }

    // The first line of its output that contains `text`, or nothing when
    // none comes in time or the program ends.
    std::optional<std::string> WaitForLine(const std::string& text, Clock::duration timeout)
    {
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            for (std::size_t end; (end = buffer_.find('\n')) != std::string::npos;) {
                std::string line = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                if (line.find(text) != std::string::npos) {
                    return line;
                }
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (out_ < 0 || left.count() <= 0) {
                return std::nullopt;
            }
            pollfd pfd{out_, POLLIN, 0};
            if (poll(&pfd, 1, static_cast<int>(left.count())) <= 0) {
                continue;
            }
            char chunk[512];
            const ssize_t n = read(out_, chunk, sizeof chunk);
            if (n <= 0) {
                return std::nullopt;
            }
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

    // Asks the program to stop (SIGTERM) and waits for it; kills it after
    // 10 s. Its exit code, or -1 when it had to be killed or was not running.
    // (A JACK client that is killed outright leaves locks behind in the
    // server's shared metadata store, which later clients complain about.)
    int Stop()
    {
        if (pid_ <= 0) {
            return -1;
        }
        kill(pid_, SIGTERM);
        int status = 0;
        const auto deadline = Clock::now() + 10s;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (Clock::now() > deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                pid_ = -1;
                return -1;
            }
            std::this_thread::sleep_for(10ms);
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string buffer_;
};

} // namespace velmora::test
