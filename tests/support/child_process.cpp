#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace brelvik::testing {

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::vector<std::string>& extraEnv) {
    int in[2];
    int out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        setpgid(0, 0);
        for (const auto& e : extraEnv) putenv(const_cast<char*>(strdup(e.c_str())));
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    stdinFd_ = in[1];
    stdoutFd_ = out[0];
    reader_ = std::thread([this] { readLoop(); });
}

ChildProcess::~ChildProcess() {
    terminate();
    if (stdinFd_ >= 0) close(stdinFd_);
    if (reader_.joinable()) reader_.join();
    if (stdoutFd_ >= 0) close(stdoutFd_);
}

void ChildProcess::readLoop() {
    std::string partial;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(stdoutFd_, buffer, sizeof buffer);
        if (n <= 0) break;
        partial.append(buffer, static_cast<std::size_t>(n));
        std::size_t nl;
        while ((nl = partial.find('\n')) != std::string::npos) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                lines_.push_back(partial.substr(0, nl));
            }
            changed_.notify_all();
            partial.erase(0, nl + 1);
        }
    }
}

void ChildProcess::sendLine(const std::string& line) {
    const std::string data = line + "\n";
    if (stdinFd_ >= 0) [[maybe_unused]] auto n = write(stdinFd_, data.data(), data.size());
}

int ChildProcess::waitForLine(const std::function<bool(const std::string&)>& match,
                              std::chrono::milliseconds timeout, std::size_t from) {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        for (std::size_t i = from; i < lines_.size(); ++i) {
            if (match(lines_[i])) return static_cast<int>(i);
        }
        from = lines_.size();
        if (changed_.wait_until(lock, deadline) == std::cv_status::timeout) {
            for (std::size_t i = from; i < lines_.size(); ++i) {
                if (match(lines_[i])) return static_cast<int>(i);
            }
            return -1;
        }
    }
}

int ChildProcess::waitForLine(const std::string& exact, std::chrono::milliseconds timeout, std::size_t from) {
    return waitForLine([&](const std::string& l) { return l == exact; }, timeout, from);
}

std::vector<std::string> ChildProcess::lines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}

std::size_t ChildProcess::lineCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_.size();
}

std::size_t ChildProcess::countOf(const std::string& exact, std::size_t from) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::size_t n = 0;
    for (std::size_t i = from; i < lines_.size(); ++i) n += lines_[i] == exact;
    return n;
}

bool ChildProcess::running() {
    if (pid_ <= 0) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

void ChildProcess::terminate() {
    if (!running()) return;
    kill(-pid_, SIGTERM);
    for (int i = 0; i < 50; ++i) {
        if (!running()) return;
        usleep(20000);
    }
    kill(-pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

std::string builtProgram(const std::string& relativePath) {
    const char* dir = std::getenv("BRELVIK_BINARY_DIR");
    return std::string(dir != nullptr ? dir : ".") + "/" + relativePath;
}

}  // namespace brelvik::testing
