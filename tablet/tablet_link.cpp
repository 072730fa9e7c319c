#include "tablet/tablet_link.h"

#include "base/control_ids.h"
#include "base/ipv4_text.h"
#include "base/text_numbers.h"

namespace brelvik {
namespace {

constexpr int kInvitationMs = 3000;
constexpr int kKeepAliveMs = 1000;
constexpr int kDiscoveryMs = 3000;
// Probes that may go unanswered; the next tick declares the tablet lost.
constexpr int kMaxUnansweredProbes = 10;
// The address field holds at most this many characters of what the user typed.
constexpr std::size_t kMaxAddressText = 19;
// The peer address is a dotted IPv4 text in a 16-byte slot.
constexpr std::size_t kMaxPeerText = 15;

}  // namespace

TabletLink::TabletLink(Controls& controls, Timers& timers, MessageBoxes& boxes, DatagramSender& sender,
                       const SimSession& sim)
    : controls_(controls), timers_(timers), boxes_(boxes), sender_(sender), sim_(sim) {}

int TabletLink::send(const std::string& text, const std::string& destination) {
    return sender_.send(text, destination, kTabletPort);
}

int TabletLink::sendToPeer(const std::string& text) { return send(text, peer_); }

bool TabletLink::autoConnect() const { return controls_.isChecked(ids::kTabletAutoConnect); }

void TabletLink::setButton(const char* text, bool enabled) {
    controls_.setText(ids::kStart, text);
    controls_.enable(ids::kStart, enabled);
}

void TabletLink::broadcastClientRequest() {
    for (const auto& address : broadcastTable_) {
        if (send("ClientRequest", address) == 0) boxes_.show("Failed send");
    }
}

void TabletLink::onDatagram(std::string_view text, const std::string& sender) {
    const SplitDatagram message = splitDatagram(text);
    const std::string_view word = message.word;

    if (word == "ServerHere" || word == "ServerStart") {
        if (connected_) return;
        controls_.setText(ids::kTabletAddress, sender);
        controls_.setText(ids::kTabletStatus, "IP detected");
        if (autoConnect()) startAction();
    } else if (word == "Request") {
        send("Answer", sender);
    } else if (word == "ServerStop") {
        connected_ = false;
        timers_.start(ids::kDiscoveryTimer, kDiscoveryMs);
        timers_.stop(ids::kKeepAliveTimer);
        controls_.setText(ids::kStart, "Start");
        controls_.setText(ids::kTabletStatus, "Stopped");
        sim_.setStickGroupPriority(SIMCONNECT_GROUP_PRIORITY_HIGHEST);
    } else if (word == "ServerReady") {
        connected_ = true;
        if (sink_ != nullptr) sink_->onTabletReady();
        timers_.stop(ids::kInvitationTimer);
        keepAliveCount_ = 0;
        timers_.start(ids::kKeepAliveTimer, kKeepAliveMs);
        setButton("Stop", true);
        controls_.setText(ids::kTabletStatus, "Connected");
        peer_ = sender.substr(0, kMaxPeerText);
        if (sim_.isNewGeneration()) sendToPeer("ClientData|FS2020=1");
    } else if (word == "Answer") {
        keepAliveCount_ = 0;
        for (const auto& field : message.fields) {
            if (field.key == "A") optionValue_ = leadingInt(field.value);
        }
    } else if (word == "ServerData") {
        if (sink_ != nullptr) sink_->onServerData(message);
    } else if (word == "ServerAv") {
        if (sink_ != nullptr) sink_->onServerAv(message);
    }
}

void TabletLink::startAction() {
    // Only a plain dotted address is sent to; anything else fails as an empty field does.
    const std::string address =
        dottedQuad(controls_.text(ids::kTabletAddress).substr(0, kMaxAddressText)).value_or(std::string());
    if (!connected_) {
        if (send("ClientComing", address) == 0) {
            boxes_.show("Failed send");
            return;
        }
        setButton("Waiting", false);
        controls_.setText(ids::kTabletStatus, "Waiting for connection");
        timers_.start(ids::kInvitationTimer, kInvitationMs);
    } else {
        if (send("ClientOut", address) == 0) {
            boxes_.show("Failed send");
            return;
        }
        connected_ = false;
        timers_.stop(ids::kKeepAliveTimer);
        controls_.setText(ids::kStart, "Start");
        controls_.setText(ids::kTabletStatus, "Not connected");
        sim_.setStickGroupPriority(SIMCONNECT_GROUP_PRIORITY_HIGHEST);
    }
}

void TabletLink::onStartButton() { startAction(); }

void TabletLink::dropToNotConnected() {
    controls_.setText(ids::kStart, "Start");
    controls_.setText(ids::kTabletStatus, "Lost connection");
    connected_ = false;
    timers_.start(ids::kDiscoveryTimer, kDiscoveryMs);
    timers_.stop(ids::kKeepAliveTimer);
    sim_.setStickGroupPriority(SIMCONNECT_GROUP_PRIORITY_HIGHEST);
    if (autoConnect()) {
        startAction();
        controls_.setText(ids::kTabletStatus, "Lost, reconnecting...");
    }
}

void TabletLink::onTimer(int id) {
    switch (id) {
    case ids::kInvitationTimer:
        setButton("Start", true);
        controls_.setText(ids::kTabletStatus, "Connection timed out");
        timers_.stop(ids::kInvitationTimer);
        if (autoConnect()) {
            startAction();
            controls_.setText(ids::kTabletStatus, "Timed out, reconnecting...");
        }
        break;
    case ids::kKeepAliveTimer:
        ++keepAliveCount_;
        if (keepAliveCount_ <= kMaxUnansweredProbes) {
            sendToPeer("Request");
        } else {
            dropToNotConnected();
        }
        break;
    case ids::kDiscoveryTimer:
        if (connected_ || !autoConnect()) {
            timers_.stop(ids::kDiscoveryTimer);
        } else {
            if (tableSource_) broadcastTable_ = tableSource_();
            broadcastClientRequest();
        }
        break;
    default:
        break;
    }
}

void TabletLink::onAutoConnectClicked() { syncDiscoveryWithAutoConnect(); }

void TabletLink::syncDiscoveryWithAutoConnect() {
    if (connected_) return;
    if (autoConnect()) {
        timers_.start(ids::kDiscoveryTimer, kDiscoveryMs);
    } else {
        timers_.stop(ids::kDiscoveryTimer);
    }
}

void TabletLink::onClose() {
    if (connected_) sendToPeer("ClientOut");
}

}  // namespace brelvik
