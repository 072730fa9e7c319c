// Tells when serial ports come and go, so that a panel plugged in (again)
// while the program runs is found without a click. One per platform: the
// kernel's device events on Linux, the device-change notifications on
// Windows.
#pragma once

#include <functional>
#include <memory>

namespace brelvik {

class PortWatcher {
public:
    virtual ~PortWatcher() = default;  // returns promptly; no call follows it
};

// `changed` runs on the watcher's own thread, once or more for each port that
// appears or goes, and must only queue. Null when the platform cannot watch;
// the refresh button still works then.
std::unique_ptr<PortWatcher> watchSerialPorts(std::function<void()> changed);

}  // namespace brelvik
