#include "panels/port_watcher.h"

#include <fcntl.h>
#include <libudev.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace brelvik {
namespace {

// The kernel's own events, not udev's: they also arrive where no udev daemon
// runs (a cockpit computer's minimal system, a test guest). A new node may
// still lack its group for a moment; the search tries such a port again.
class UdevPortWatcher final : public PortWatcher {
public:
    UdevPortWatcher(udev* context, udev_monitor* monitor, int wakeRead, int wakeWrite,
                    std::function<void()> changed)
        : udev_(context),
          monitor_(monitor),
          wakeRead_(wakeRead),
          wakeWrite_(wakeWrite),
          changed_(std::move(changed)),
          thread_([this] { run(); }) {}

    ~UdevPortWatcher() override {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakeWrite_, &byte, 1);
        thread_.join();
        udev_monitor_unref(monitor_);
        udev_unref(udev_);
        close(wakeRead_);
        close(wakeWrite_);
    }

private:
    void run() {
        const int fd = udev_monitor_get_fd(monitor_);
        for (;;) {
            pollfd fds[2] = {{wakeRead_, POLLIN, 0}, {fd, POLLIN, 0}};
            if (poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (fds[0].revents != 0) return;
            if ((fds[1].revents & (POLLERR | POLLNVAL)) != 0) return;
            if ((fds[1].revents & POLLIN) == 0) continue;
            udev_device* device = udev_monitor_receive_device(monitor_);
            if (device == nullptr) continue;
            const char* action = udev_device_get_action(device);
            const bool portChange =
                action != nullptr && (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0);
            udev_device_unref(device);
            if (portChange) changed_();
        }
    }

    udev* udev_;
    udev_monitor* monitor_;
    int wakeRead_;
    int wakeWrite_;
    std::function<void()> changed_;
    std::thread thread_;  // last: starts once everything above exists
};

}  // namespace

std::unique_ptr<PortWatcher> watchSerialPorts(std::function<void()> changed) {
    udev* context = udev_new();
    if (context == nullptr) return nullptr;
    udev_monitor* monitor = udev_monitor_new_from_netlink(context, "kernel");
    if (monitor == nullptr || udev_monitor_filter_add_match_subsystem_devtype(monitor, "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor) < 0) {
        if (monitor != nullptr) udev_monitor_unref(monitor);
        udev_unref(context);
        return nullptr;
    }
    int wake[2];
    if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        udev_monitor_unref(monitor);
        udev_unref(context);
        return nullptr;
    }
    return std::make_unique<UdevPortWatcher>(context, monitor, wake[0], wake[1], std::move(changed));
}

}  // namespace brelvik
