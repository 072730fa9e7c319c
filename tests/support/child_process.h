// A peer program started by an end-to-end test: its stdout is collected line by
// line, its stdin takes commands, and it is killed when the object goes.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace brelvik::testing {

class ChildProcess {
public:
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::vector<std::string>& extraEnv = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void sendLine(const std::string& line);
    // Waits until some line printed since `from` satisfies the predicate;
    // returns its index, or -1 on time-out.
    int waitForLine(const std::function<bool(const std::string&)>& match, std::chrono::milliseconds timeout,
                    std::size_t from = 0);
    int waitForLine(const std::string& exact, std::chrono::milliseconds timeout, std::size_t from = 0);
    std::vector<std::string> lines() const;
    std::size_t lineCount() const;
    std::size_t countOf(const std::string& exact, std::size_t from = 0) const;
    void terminate();  // SIGTERM, then SIGKILL after a grace period
    bool running();
    pid_t pid() const { return pid_; }

private:
    void readLoop();

    pid_t pid_ = -1;
    int stdinFd_ = -1;
    int stdoutFd_ = -1;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;
};

// Path of a program built beside the tests (BRELVIK_BINARY_DIR is set by CMake).
std::string builtProgram(const std::string& relativePath);

}  // namespace brelvik::testing
