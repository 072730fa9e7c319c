// Serial ports without hardware: a scripted device per path, what was written
// to it, and answers it gives to what it receives.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <chrono>

#include "panels/panel_connections.h"
#include "panels/panel_ports.h"
#include "panels/serial_port.h"
#include "panels/serial_ports.h"

namespace brelvik::testing {

// One device; shared by every port opened on its path.
struct FakeDevice {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::uint8_t> incoming;  // what the device sent, not yet read
    std::vector<std::uint8_t> written;  // everything the bridge wrote
    std::vector<int> openedAtBaud;
    bool gone = false;
    bool stalled = false;  // plugged in, but takes no more bytes: writes time out
    bool open = false;
    int opensLeft = -1;    // opens that still succeed; -1 for any number
    // Given what was just written, returns the device's answer.
    std::function<std::vector<std::uint8_t>(const std::vector<std::uint8_t>&)> answer;

    void send(const std::vector<std::uint8_t>& bytes) {
        {
            std::lock_guard lock(mutex);
            incoming.insert(incoming.end(), bytes.begin(), bytes.end());
        }
        changed.notify_all();
    }
    void unplug() {
        {
            std::lock_guard lock(mutex);
            gone = true;
        }
        changed.notify_all();
    }
    std::vector<std::uint8_t> writtenBytes() {
        std::lock_guard lock(mutex);
        return written;
    }
};

class FakeSerialPort final : public SerialPort {
public:
    explicit FakeSerialPort(std::shared_ptr<FakeDevice> device) : device_(std::move(device)) {}
    ~FakeSerialPort() override {
        std::lock_guard lock(device_->mutex);
        device_->open = false;
    }
    std::size_t queued() override {
        std::lock_guard lock(device_->mutex);
        return device_->gone ? 0 : device_->incoming.size();
    }
    std::size_t read(std::span<std::uint8_t> bytes) override {
        std::lock_guard lock(device_->mutex);
        std::size_t n = 0;
        while (n < bytes.size() && !device_->incoming.empty()) {
            bytes[n++] = device_->incoming.front();
            device_->incoming.pop_front();
        }
        return n;
    }
    std::size_t write(std::span<const std::uint8_t> bytes) override {
        std::vector<std::uint8_t> chunk(bytes.begin(), bytes.end());
        std::function<std::vector<std::uint8_t>(const std::vector<std::uint8_t>&)> answer;
        {
            std::lock_guard lock(device_->mutex);
            if (device_->gone || device_->stalled) return 0;
            device_->written.insert(device_->written.end(), chunk.begin(), chunk.end());
            answer = device_->answer;
        }
        if (answer) device_->send(answer(chunk));
        return bytes.size();
    }
    PortWait waitForInput() override {
        std::unique_lock lock(device_->mutex);
        device_->changed.wait(lock, [&] { return woken_ || device_->gone || !device_->incoming.empty(); });
        if (woken_) return PortWait::Woken;
        return device_->gone ? PortWait::Gone : PortWait::Input;
    }
    void wake() override {
        {
            std::lock_guard lock(device_->mutex);
            woken_ = true;
        }
        device_->changed.notify_all();
    }

private:
    std::shared_ptr<FakeDevice> device_;
    bool woken_ = false;  // guarded by the device's mutex
};

class FakeSerialOpener final : public SerialOpener {
public:
    std::shared_ptr<FakeDevice> add(const std::string& path) {
        auto device = std::make_shared<FakeDevice>();
        devices[path] = device;
        return device;
    }
    OpenedPort open(const std::string& path, int baudRate) override {
        opens.push_back(path);
        const auto it = devices.find(path);
        if (it == devices.end()) return {nullptr, "no such device"};
        std::lock_guard lock(it->second->mutex);
        if (it->second->open || it->second->gone || it->second->opensLeft == 0) return {nullptr, "busy"};
        if (it->second->opensLeft > 0) --it->second->opensLeft;
        it->second->open = true;
        it->second->openedAtBaud.push_back(baudRate);
        return {std::make_unique<FakeSerialPort>(it->second), {}};
    }

    std::map<std::string, std::shared_ptr<FakeDevice>> devices;
    std::vector<std::string> opens;
};

class FakePortEnumerator final : public PortEnumerator {
public:
    PortEnumeration enumerate() override { return result; }
    PortEnumeration result;
};

class FakeSleeper final : public Sleeper {
public:
    void sleepMs(int milliseconds) override {
        if (onSleep) onSleep(milliseconds);
        total += milliseconds;
    }
    int total = 0;
    std::function<void(int)> onSleep;  // sees the state the bridge is in while it waits
};

// Notices are queued as the dialog's event queue would hold them.
class QueuedNotices final : public PanelNotifier {
public:
    struct Notice {
        Panel panel;
        std::uint32_t session;
        PanelNotice notice;
    };
    void post(Panel panel, std::uint32_t session, PanelNotice notice) override {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back({panel, session, notice});
        }
        changed_.notify_all();
    }
    // Waits up to a few seconds for the next notice.
    bool next(Notice& out, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, timeout, [&] { return !queue_.empty(); })) return false;
        out = queue_.front();
        queue_.pop_front();
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Notice> queue_;
};

}  // namespace brelvik::testing
