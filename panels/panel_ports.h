// The three panel ports: open and close them, carry their reader threads'
// news to the UI thread and hand what arrives, in order, to the panels'
// consumers. Everything but the reader threads runs on the UI thread.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>

#include "base/panel_output.h"
#include "panels/frame_parser.h"
#include "panels/serial_port.h"

namespace brelvik {

inline constexpr int kPanelCount = 3;
inline constexpr std::size_t kMaxBatchBytes = 1023;

inline constexpr int baudRateOf(Panel panel) { return panel == Panel::StandbyGauges ? 115200 : 9600; }
inline constexpr int indexOf(Panel panel) { return static_cast<int>(panel); }

enum class PanelNotice {
    Data,  // bytes are queued; the reader waits until the batch is consumed
    Gone,  // the device went away; the reader has ended
};

// Carries a reader thread's news to the UI thread. post() is called on the
// reader thread and must only queue; the UI thread answers with onNotice().
class PanelNotifier {
public:
    virtual ~PanelNotifier() = default;
    virtual void post(Panel panel, std::uint32_t session, PanelNotice notice) = 0;
};

// Where the panels' input goes: letters from the standby gauges, frames from
// the switch panel and the pedestal, in arrival order, on the UI thread.
class PanelInput {
public:
    virtual ~PanelInput() = default;
    virtual void onStandbyByte(std::uint8_t) {}
    virtual void onSwitchFrame(PanelFramePair) {}
    virtual void onPedestalFrame(PanelFramePair) {}
};

// Waits on one open port and posts a notice when bytes are queued, then
// waits for the batch to be consumed before it looks again, so at most one
// notice per port is ever outstanding.
class PanelReader {
public:
    PanelReader(SerialPort& port, std::function<void(PanelNotice)> post);
    // Returns promptly whether the thread waits for input or for consumed().
    ~PanelReader();
    PanelReader(const PanelReader&) = delete;
    PanelReader& operator=(const PanelReader&) = delete;

    void consumed();

private:
    void run();

    SerialPort& port_;
    std::function<void(PanelNotice)> post_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool consumed_ = true;
    bool stopping_ = false;
    std::thread thread_;  // last: starts once everything above exists
};

class PanelPorts final : public PanelOutput {
public:
    PanelPorts(SerialOpener& opener, PanelNotifier& notifier);
    ~PanelPorts() override;
    PanelPorts(const PanelPorts&) = delete;
    PanelPorts& operator=(const PanelPorts&) = delete;

    void setInput(PanelInput& input) { input_ = &input; }

    // False when the port could not be opened; the panel stays closed and
    // lastError() tells why.
    bool open(Panel panel, const std::string& devicePath);
    void close(Panel panel);
    const std::string& lastError() const { return lastError_; }

    enum class NoticeResult { Handled, Gone };
    // The UI thread's side of a posted notice. A notice from a session that
    // has since been closed reads nothing. Gone: the caller runs the
    // disconnect steps, which close the port.
    NoticeResult onNotice(Panel panel, std::uint32_t session, PanelNotice notice);

    // Reads one batch of what the panel has queued (at most kMaxBatchBytes)
    // and hands it to the panel's consumer; the notice handler and the read
    // that follows a compass update share it, and with it the frame state.
    void readQueued(Panel panel, std::size_t maxBytes = kMaxBatchBytes);
    void readQueuedInput(Panel panel, std::size_t maxBytes) override { readQueued(panel, maxBytes); }

    bool isConnected(Panel panel) const override { return slot(panel).port != nullptr; }
    void writePanel(Panel panel, std::span<const std::uint8_t> bytes) override { write(panel, bytes); }
    // The bytes written; 0 when the panel is not connected or the write failed.
    // A panel that stays plugged in but has stopped taking bytes would cost
    // every write its whole time-out, for ever: after three writes in a row
    // that time out it is posted as gone, as a pulled cable is, and nothing
    // more is written to it.
    std::size_t write(Panel panel, std::span<const std::uint8_t> bytes);
    static constexpr int kFailedWritesForGone = 3;

private:
    struct Slot {
        std::unique_ptr<SerialPort> port;
        std::unique_ptr<PanelReader> reader;  // destroyed before the port
        std::uint32_t session = 0;
        FrameParser parser;
        int failedWrites = 0;  // in a row
    };
    Slot& slot(Panel panel) { return slots_[static_cast<std::size_t>(indexOf(panel))]; }
    const Slot& slot(Panel panel) const { return slots_[static_cast<std::size_t>(indexOf(panel))]; }
    void deliver(Panel panel, std::span<const std::uint8_t> bytes);

    SerialOpener& opener_;
    PanelNotifier& notifier_;
    PanelInput noInput_;
    PanelInput* input_ = &noInput_;
    std::array<Slot, kPanelCount> slots_;
    std::uint32_t nextSession_ = 1;
    std::string lastError_;
};

}  // namespace brelvik
