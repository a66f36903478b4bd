#include "velmora-soak/InstrumentChild.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <thread>

namespace velmora::soak {

using namespace std::chrono_literals;

int indexOfJackPort(const std::vector<std::string>& names, const std::string& port)
{
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i].find(":" + port + " (JACK)") != std::string::npos)
            return static_cast<int>(i);
    return -1;
}

long statusKiB(const std::string& statusPath, const std::string& field)
{
    std::ifstream status(statusPath);
    const std::string key = field + ":";
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(key.size()));
    return 0;
}

InstrumentChild::InstrumentChild(const std::string& program,
                                 const std::vector<std::string>& arguments)
{
    int input[2];
    int output[2];
    if (pipe2(input, O_CLOEXEC) != 0)
        return;
    if (pipe2(output, O_CLOEXEC) != 0) {
        close(input[0]);
        close(input[1]);
        return;
    }
    std::vector<std::string> args{program, "--commands"};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(127);
        dup2(input[0], STDIN_FILENO);
        dup2(output[1], STDOUT_FILENO);
        // Nothing of the soak's own (its JACK clients' sockets) stays open in it.
        close_range(3, ~0u, 0);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(input[0]);
    close(output[1]);
    in_ = input[1];
    out_ = output[0];
    if (pid_ < 0)
        closeInput();
}

InstrumentChild::~InstrumentChild()
{
    stop();
    if (out_ >= 0)
        close(out_);
}

void InstrumentChild::closeInput()
{
    if (in_ >= 0)
        close(in_);
    in_ = -1;
}

std::optional<std::string> InstrumentChild::waitForLine(const std::string& text,
                                                        Clock::duration timeout)
{
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        for (std::size_t end; (end = buffer_.find('\n')) != std::string::npos;) {
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            if (line.find(text) != std::string::npos)
                return line;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (out_ < 0 || left.count() <= 0)
            return std::nullopt;
        pollfd pfd{out_, POLLIN, 0};
        if (poll(&pfd, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char chunk[512];
        const ssize_t n = read(out_, chunk, sizeof chunk);
        if (n <= 0)
            return std::nullopt;
        buffer_.append(chunk, static_cast<std::size_t>(n));
    }
}

bool InstrumentChild::command(const std::string& line)
{
    if (in_ < 0)
        return false;
    const std::string text = line + "\n";
    if (write(in_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        return false;
    const auto answer = waitForLine("velmora-instrument: ", 10s);
    if (!answer || answer->find("faults set") == std::string::npos)
        return false;
    // "faults set, N messages received"
    const std::size_t comma = answer->find(", ");
    if (comma != std::string::npos)
        receivedAtCommand_ = std::strtoull(answer->c_str() + comma + 2, nullptr, 10);
    return true;
}

long InstrumentChild::peakKiB() const
{
    return pid_ > 0 ? statusKiB("/proc/" + std::to_string(pid_) + "/status", "VmHWM") : 0;
}

void InstrumentChild::kill()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    closeInput();
}

int InstrumentChild::stop()
{
    if (pid_ <= 0)
        return -1;
    closeInput();
    ::kill(pid_, SIGTERM);
    int status = 0;
    const auto deadline = Clock::now() + 10s;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            kill();
            return -1;
        }
        std::this_thread::sleep_for(10ms);
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace velmora::soak
