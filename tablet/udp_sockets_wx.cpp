#include "tablet/udp_sockets_wx.h"

#include "base/text_numbers.h"
#include "tablet/broadcast_table.h"
#include "tablet/datagram.h"
#include "tablet/pending_datagram.h"

namespace brelvik {

UdpReceiveSocket::UdpReceiveSocket(MessageBoxes& boxes, Handler handler, int port)
    : boxes_(boxes), handler_(std::move(handler)) {
    broadcastTable_ = buildBroadcastTable(queryAdapterAddresses());

    wxIPV4address local;
    local.AnyAddress();
    local.Service(static_cast<unsigned short>(port));
    auto* socket = new wxDatagramSocket(local, wxSOCKET_NOWAIT);
    const int error = lastSocketErrorNumber();
    if (!socket->IsOk()) {
        socket->Destroy();
        boxes_.show(formatText("Server Receive Socket Create() failed: %d", error));
        return;
    }
    socket_ = socket;
    socket_->SetEventHandler(*this);
    socket_->SetNotify(wxSOCKET_INPUT_FLAG | wxSOCKET_LOST_FLAG);
    socket_->Notify(true);
    Bind(wxEVT_SOCKET, &UdpReceiveSocket::onSocketEvent, this);
}

UdpReceiveSocket::~UdpReceiveSocket() { close(); }

void UdpReceiveSocket::close() {
    if (socket_ == nullptr) return;
    socket_->Notify(false);
    socket_->Destroy();
    socket_ = nullptr;
}

void UdpReceiveSocket::onSocketEvent(wxSocketEvent& event) {
    // wx may report an empty datagram as a lost connection, which a datagram
    // socket cannot have: both mean "look at what waits".
    if (socket_ == nullptr) return;
    if (event.GetSocketEvent() != wxSOCKET_INPUT && event.GetSocketEvent() != wxSOCKET_LOST) return;

    const auto native = static_cast<std::intptr_t>(socket_->GetSocket());
    const PendingDatagram pending = peekPendingDatagram(native);
    char buffer[kDatagramBufferSize];
    wxIPV4address from;
    if (pending == PendingDatagram::Nothing) return;
    if (pending == PendingDatagram::Oversized) {
        if (const auto received = receiveTruncated(native, buffer, kMaxDatagramText)) {
            handler_(std::string(buffer, received->count), received->sender);
        }
        return;
    }
    if (pending == PendingDatagram::Empty) {
        // Any host could otherwise silence the bridge for the rest of the run
        // with one empty packet: consume it and carry on.
        socket_->RecvFrom(from, buffer, sizeof buffer);
        return;
    }
    socket_->RecvFrom(from, buffer, sizeof buffer - 1);
    if (pending == PendingDatagram::Error || socket_->Error()) {
        if (socket_->LastError() == wxSOCKET_WOULDBLOCK) return;
        boxes_.show("Error occurred");
        close();
        return;
    }
    const std::size_t count = socket_->LastCount();
    // IPAddress(), not Hostname(): the latter does a reverse lookup and can
    // block the UI thread for seconds.
    handler_(std::string(buffer, count), from.IPAddress().ToStdString());
}

UdpSendSocket::UdpSendSocket() {
    wxIPV4address local;
    local.AnyAddress();
    local.Service(0);
    auto* socket = new wxDatagramSocket(local, wxSOCKET_NOWAIT | wxSOCKET_BROADCAST);
    if (!socket->IsOk()) {
        socket->Destroy();
        return;
    }
    socket_ = socket;
}

UdpSendSocket::~UdpSendSocket() {
    if (socket_ != nullptr) socket_->Destroy();
}

int UdpSendSocket::send(const std::string& text, const std::string& destination, int port) {
    if (socket_ == nullptr) return -1;
    wxIPV4address to;
    if (destination.empty() || !to.Hostname(wxString::FromUTF8(destination))) return 0;
    to.Service(static_cast<unsigned short>(port));
    socket_->SendTo(to, text.data(), static_cast<wxUint32>(text.size()));
    if (socket_->Error()) return -1;
    return static_cast<int>(socket_->LastCount());
}

}  // namespace brelvik
