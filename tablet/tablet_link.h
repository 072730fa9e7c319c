// Discovery of, connection with and keep-alive of the tablet app.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/seams.h"
#include "sim/sim_session.h"
#include "tablet/datagram.h"

namespace brelvik {

// Receives the data messages that travel over the link.
class TabletMessageSink {
public:
    virtual ~TabletMessageSink() = default;
    virtual void onTabletReady() = 0;  // every "ServerReady"
    virtual void onServerAv(const SplitDatagram& message) = 0;
    virtual void onServerData(const SplitDatagram& message) = 0;
};

class TabletLink {
public:
    TabletLink(Controls& controls, Timers& timers, MessageBoxes& boxes, DatagramSender& sender,
               const SimSession& sim);

    void setBroadcastTable(std::vector<std::string> table) { broadcastTable_ = std::move(table); }
    // Where each discovery broadcast takes the table afresh: a laptop whose
    // network comes up after the program started still finds the tablet.
    void setBroadcastTableSource(std::function<std::vector<std::string>()> source) {
        tableSource_ = std::move(source);
    }
    const std::vector<std::string>& broadcastTable() const { return broadcastTable_; }
    void setMessageSink(TabletMessageSink* sink) { sink_ = sink; }

    // One received datagram's text (at most 4095 bytes are looked at) and its sender.
    void onDatagram(std::string_view text, const std::string& sender);
    void onStartButton();
    void onTimer(int id);  // timers 2, 3 and 4
    void onAutoConnectClicked();
    // Keeps looking for a tablet while Auto-Connect is on and none is connected.
    void syncDiscoveryWithAutoConnect();
    // "Close": says goodbye to a connected tablet.
    void onClose();

    void broadcastClientRequest();
    // Sends to the connected tablet; returns what the sender returned.
    int sendToPeer(const std::string& text);

    bool connected() const { return connected_; }
    const std::string& peerAddress() const { return peer_; }
    int optionValue() const { return optionValue_; }
    int keepAliveCount() const { return keepAliveCount_; }

private:
    void startAction();
    void dropToNotConnected();
    bool autoConnect() const;
    void setButton(const char* text, bool enabled);
    int send(const std::string& text, const std::string& destination);

    Controls& controls_;
    Timers& timers_;
    MessageBoxes& boxes_;
    DatagramSender& sender_;
    const SimSession& sim_;
    TabletMessageSink* sink_ = nullptr;

    std::vector<std::string> broadcastTable_;
    std::function<std::vector<std::string>()> tableSource_;
    bool connected_ = false;
    std::string peer_;
    int keepAliveCount_ = 0;
    int optionValue_ = 0;
};

}  // namespace brelvik
