#include "panels/panel_ports.h"

#include <algorithm>

namespace brelvik {

PanelReader::PanelReader(SerialPort& port, std::function<void(PanelNotice)> post)
    : port_(port), post_(std::move(post)), thread_([this] { run(); }) {}

PanelReader::~PanelReader() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    port_.wake();
    thread_.join();
}

void PanelReader::consumed() {
    {
        std::lock_guard lock(mutex_);
        consumed_ = true;
    }
    changed_.notify_all();
}

void PanelReader::run() {
    for (;;) {
        // The batch is consumed before the port is asked again: asked before,
        // it still reports the bytes the window is about to read, and the
        // next notice would find nothing.
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return consumed_ || stopping_; });
            if (stopping_) return;
        }
        const PortWait wait = port_.waitForInput();
        if (wait == PortWait::Woken) return;
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
            consumed_ = false;
        }
        // Posted outside the lock: the UI thread may be taking it in consumed().
        if (wait == PortWait::Gone) {
            post_(PanelNotice::Gone);
            return;
        }
        post_(PanelNotice::Data);
    }
}

PanelPorts::PanelPorts(SerialOpener& opener, PanelNotifier& notifier) : opener_(opener), notifier_(notifier) {}

PanelPorts::~PanelPorts() {
    for (int i = 0; i < kPanelCount; ++i) close(static_cast<Panel>(i));
}

bool PanelPorts::open(Panel panel, const std::string& devicePath) {
    close(panel);
    OpenedPort opened = opener_.open(devicePath, baudRateOf(panel));
    if (opened.port == nullptr) {
        lastError_ = devicePath + ": " + opened.error;
        return false;
    }
    Slot& s = slot(panel);
    s.port = std::move(opened.port);
    s.session = nextSession_++;
    s.parser.reset();
    s.failedWrites = 0;
    const std::uint32_t session = s.session;
    s.reader = std::make_unique<PanelReader>(
        *s.port, [this, panel, session](PanelNotice notice) { notifier_.post(panel, session, notice); });
    return true;
}

void PanelPorts::close(Panel panel) {
    Slot& s = slot(panel);
    s.reader.reset();
    s.port.reset();
}

PanelPorts::NoticeResult PanelPorts::onNotice(Panel panel, std::uint32_t session, PanelNotice notice) {
    Slot& s = slot(panel);
    if (s.port == nullptr || s.session != session) return NoticeResult::Handled;
    if (notice == PanelNotice::Gone) return NoticeResult::Gone;
    readQueued(panel);
    // The consumer may have closed the port (or closed and opened it again).
    Slot& after = slot(panel);
    if (after.port != nullptr && after.session == session) after.reader->consumed();
    return NoticeResult::Handled;
}

void PanelPorts::readQueued(Panel panel, std::size_t maxBytes) {
    Slot& s = slot(panel);
    if (s.port == nullptr) return;
    const std::size_t count = std::min({s.port->queued(), maxBytes, kMaxBatchBytes});
    if (count == 0) return;
    std::array<std::uint8_t, kMaxBatchBytes + 1> buffer{};
    const std::size_t got = s.port->read(std::span(buffer.data(), count));
    deliver(panel, std::span<const std::uint8_t>(buffer.data(), got));
}

void PanelPorts::deliver(Panel panel, std::span<const std::uint8_t> bytes) {
    switch (panel) {
    case Panel::StandbyGauges:
        for (const std::uint8_t byte : bytes) input_->onStandbyByte(byte);
        break;
    case Panel::SwitchPanel:
        slot(panel).parser.feed(bytes, [this](PanelFramePair pair) { input_->onSwitchFrame(pair); });
        break;
    case Panel::Pedestal:
        slot(panel).parser.feed(bytes, [this](PanelFramePair pair) { input_->onPedestalFrame(pair); });
        break;
    }
}

std::size_t PanelPorts::write(Panel panel, std::span<const std::uint8_t> bytes) {
    Slot& s = slot(panel);
    if (s.port == nullptr || s.failedWrites >= kFailedWritesForGone) return 0;
    const std::size_t written = s.port->write(bytes);
    if (written == bytes.size()) {
        s.failedWrites = 0;
    } else if (++s.failedWrites == kFailedWritesForGone) {
        // Handled as the reader's notice of a pulled cable; one for a session
        // closed by then is ignored.
        notifier_.post(panel, s.session, PanelNotice::Gone);
    }
    return written;
}

}  // namespace brelvik
