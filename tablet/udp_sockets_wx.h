// The tablet link's two UDP sockets, on wx's notification-driven sockets so
// every datagram is handled on the UI thread.
#pragma once

#include <wx/event.h>
#include <wx/socket.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/seams.h"

namespace brelvik {

// Receives on UDP 15683 and hands each datagram's text and sender to a handler.
class UdpReceiveSocket : public wxEvtHandler {
public:
    using Handler = std::function<void(const std::string& text, const std::string& sender)>;

    // Builds the broadcast table, then binds the port; a failure is reported
    // through boxes and the program runs on without receiving.
    UdpReceiveSocket(MessageBoxes& boxes, Handler handler, int port);
    ~UdpReceiveSocket() override;

    const std::vector<std::string>& broadcastTable() const { return broadcastTable_; }
    bool isOpen() const { return socket_ != nullptr; }

private:
    void onSocketEvent(wxSocketEvent& event);
    void close();

    MessageBoxes& boxes_;
    Handler handler_;
    std::vector<std::string> broadcastTable_;
    wxDatagramSocket* socket_ = nullptr;
};

// Every outgoing datagram goes through this one socket, broadcasting enabled.
class UdpSendSocket : public DatagramSender {
public:
    UdpSendSocket();
    ~UdpSendSocket() override;
    bool isOk() const { return socket_ != nullptr; }
    int send(const std::string& text, const std::string& destination, int port) override;

private:
    wxDatagramSocket* socket_ = nullptr;
};

}  // namespace brelvik
