// The stand-in client library against a scriptable link: what reaches the
// dispatch callback, when, and what happens when the stream misbehaves.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sim/simconnect.h"
#include "simconnect/standin.h"
#include "simconnect/wire.h"

namespace {

using brelvik::standin::SimulatorEndpoint;
using brelvik::standin::SimulatorLink;
namespace wire = brelvik::standin::wire;

// What the fake simulator has queued for the client and what it was sent; it
// outlives the link so tests can look after the library closed it.
struct Stream {
    std::vector<std::uint8_t> toClient;
    std::vector<std::uint8_t> fromClient;
    bool broken = false;
    std::function<void()> onWrite;  // runs after every write that carried bytes
};

class FakeLink final : public SimulatorLink {
public:
    explicit FakeLink(std::shared_ptr<Stream> s) : stream_(std::move(s)) {}
    bool write(const std::uint8_t* data, std::size_t size) override {
        if (stream_->broken) return false;
        stream_->fromClient.insert(stream_->fromClient.end(), data, data + size);
        if (size > 0 && stream_->onWrite) stream_->onWrite();
        return true;
    }
    bool readAvailable(std::vector<std::uint8_t>& into) override {
        into.insert(into.end(), stream_->toClient.begin(), stream_->toClient.end());
        stream_->toClient.clear();
        return !stream_->broken;
    }

private:
    std::shared_ptr<Stream> stream_;
};

class FakeEndpoint final : public SimulatorEndpoint {
public:
    std::unique_ptr<SimulatorLink> connect() override {
        if (!answers) return nullptr;
        stream = std::make_shared<Stream>();
        return std::make_unique<FakeLink>(stream);
    }
    bool answers = true;
    std::shared_ptr<Stream> stream;
};

struct Received {
    DWORD id;
    DWORD size;
    std::vector<std::uint8_t> bytes;
};

std::vector<Received>* gReceived = nullptr;
std::function<void(SIMCONNECT_RECV*)> gDuringCallback;

void recordMessage(SIMCONNECT_RECV* message, DWORD size, void*) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(message);
    gReceived->push_back({message->dwID, size, std::vector<std::uint8_t>(bytes, bytes + size)});
    if (gDuringCallback) gDuringCallback(message);
}

class StandinTest : public ::testing::Test {
protected:
    void SetUp() override {
        gReceived = &received;
        gDuringCallback = nullptr;
        brelvik::standin::standinUseInProcess(&endpoint);
    }
    void TearDown() override {
        if (handle != nullptr) SimConnect_Close(handle);
        brelvik::standin::standinUseInProcess(nullptr);
        gDuringCallback = nullptr;
        gReceived = nullptr;
    }
    void open() {
        ASSERT_EQ(SimConnect_Open(&handle, "Brelvik", nullptr, 0, nullptr, SIMCONNECT_OPEN_CONFIGINDEX_LOCAL),
                  S_OK_RESULT);
        ASSERT_NE(handle, nullptr);
    }
    void queue(const std::vector<std::uint8_t>& message) {
        const auto framed = wire::frame(message);
        endpoint.stream->toClient.insert(endpoint.stream->toClient.end(), framed.begin(), framed.end());
    }
    void dispatch() { EXPECT_EQ(SimConnect_CallDispatch(handle, recordMessage, nullptr), S_OK_RESULT); }
    std::vector<DWORD> receivedIds() const {
        std::vector<DWORD> ids;
        for (const auto& r : received) ids.push_back(r.id);
        return ids;
    }

    FakeEndpoint endpoint;
    HANDLE handle = nullptr;
    std::vector<Received> received;
};

TEST_F(StandinTest, OpenFailsWhileNoSimulatorAnswers) {
    endpoint.answers = false;
    HANDLE h = reinterpret_cast<HANDLE>(0x1234);
    EXPECT_LT(SimConnect_Open(&h, "Brelvik", nullptr, 0, nullptr, SIMCONNECT_OPEN_CONFIGINDEX_LOCAL), 0);
    EXPECT_EQ(h, nullptr);
}

TEST_F(StandinTest, OpenSendsTheClientNameFirst) {
    open();
    wire::FrameReader reader;
    reader.append(endpoint.stream->fromClient.data(), endpoint.stream->fromClient.size());
    std::vector<std::uint8_t> payload;
    ASSERT_EQ(reader.next(payload), wire::FrameReader::Status::Frame);
    wire::ByteReader in(payload.data(), payload.size());
    std::uint32_t op = 0, packet = 0;
    std::string name;
    ASSERT_TRUE(in.u32(op) && in.u32(packet) && in.text(name));
    EXPECT_EQ(op, static_cast<std::uint32_t>(wire::Op::Hello));
    EXPECT_EQ(packet, 1u);
    EXPECT_EQ(name, "Brelvik");
}

TEST_F(StandinTest, DispatchDeliversEveryQueuedMessageOnceInOrder) {
    open();
    wire::OpenInfo info;
    info.applicationName = "Bench";
    info.versionMajor = 11;
    info.libraryBuildMinor = 8;
    queue(wire::openMessage(info));
    queue(wire::exceptionMessage(7, 5, 2));
    queue(wire::dataMessage(3, 1, 2, 1, {1, 2, 3, 4, 5, 6, 7, 8}));
    dispatch();
    ASSERT_EQ(receivedIds(), (std::vector<DWORD>{SIMCONNECT_RECV_ID_OPEN, SIMCONNECT_RECV_ID_EXCEPTION,
                                                 SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE}));
    SIMCONNECT_RECV_OPEN openMessage;
    std::memcpy(&openMessage, received[0].bytes.data(), sizeof openMessage);
    EXPECT_STREQ(openMessage.szApplicationName, "Bench");
    EXPECT_EQ(openMessage.dwApplicationVersionMajor, 11u);
    EXPECT_EQ(openMessage.dwSimConnectBuildMinor, 8u);
    EXPECT_EQ(received[2].size, 48u);
    EXPECT_EQ(received[2].bytes[40], 1);  // the block starts 40 bytes in
    EXPECT_EQ(received[2].bytes[47], 8);
    dispatch();
    EXPECT_EQ(received.size(), 3u);  // nothing twice
}

TEST_F(StandinTest, MessageSplitAcrossReadsArrivesOnceComplete) {
    open();
    const auto framed = wire::frame(wire::dataMessage(0, 1, 0, 1, std::vector<std::uint8_t>(16, 0xAB)));
    for (std::size_t i = 0; i + 1 < framed.size(); ++i) {
        endpoint.stream->toClient.push_back(framed[i]);
        dispatch();
        ASSERT_TRUE(received.empty()) << "delivered after " << i + 1 << " bytes";
    }
    endpoint.stream->toClient.push_back(framed.back());
    dispatch();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].size, 56u);
}

TEST_F(StandinTest, MessagesArrivingDuringTheCallbackWaitForTheNextDispatch) {
    open();
    queue(wire::dataMessage(0, 1, 0, 1, {}));
    gDuringCallback = [this](SIMCONNECT_RECV*) {
        if (received.size() == 1) queue(wire::dataMessage(1, 1, 0, 1, {}));
    };
    dispatch();
    EXPECT_EQ(received.size(), 1u);
    dispatch();
    EXPECT_EQ(received.size(), 2u);
}

// Regression: a simulator that died without a quit message left the bridge
// "connected" forever.
TEST_F(StandinTest, BrokenStreamWithoutQuitDeliversOneMadeUpQuit) {
    open();
    queue(wire::dataMessage(0, 1, 0, 1, {}));
    endpoint.stream->broken = true;
    dispatch();
    EXPECT_EQ(receivedIds(), (std::vector<DWORD>{SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE, SIMCONNECT_RECV_ID_QUIT}));
    EXPECT_EQ(received[1].size, 12u);
    dispatch();
    EXPECT_EQ(received.size(), 2u);
    EXPECT_LT(SimConnect_TransmitClientEvent(handle, 0, 1, 0, 1, 16), 0);
}

TEST_F(StandinTest, QuitFollowedByClosedStreamIsDeliveredOnce) {
    open();
    queue(wire::quitMessage());
    endpoint.stream->broken = true;
    dispatch();
    EXPECT_EQ(receivedIds(), std::vector<DWORD>{SIMCONNECT_RECV_ID_QUIT});
}

TEST_F(StandinTest, ImpossibleFrameLengthEndsTheConnectionWithQuit) {
    open();
    endpoint.stream->toClient = {0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3};
    dispatch();
    EXPECT_EQ(receivedIds(), std::vector<DWORD>{SIMCONNECT_RECV_ID_QUIT});
}

TEST_F(StandinTest, MessageWithWrongSizeFieldIsDropped) {
    open();
    auto bad = wire::quitMessage();
    bad[0] = 99;  // dwSize no longer matches the frame
    queue(bad);
    auto shortOpen = wire::openMessage({});
    shortOpen.resize(100);
    shortOpen[0] = 100;  // consistent size, but too short to be an open message
    queue(shortOpen);
    queue(wire::exceptionMessage(1, 1, 1));
    dispatch();
    EXPECT_EQ(receivedIds(), std::vector<DWORD>{SIMCONNECT_RECV_ID_EXCEPTION});
}

// Regression: the bridge closes the connection from inside the callback when
// the quit message arrives.
TEST_F(StandinTest, CloseInsideTheCallbackStopsTheDispatch) {
    open();
    queue(wire::quitMessage());
    queue(wire::dataMessage(0, 1, 0, 1, {}));
    gDuringCallback = [this](SIMCONNECT_RECV*) { EXPECT_EQ(SimConnect_Close(handle), S_OK_RESULT); };
    dispatch();
    EXPECT_EQ(received.size(), 1u);
    EXPECT_LT(SimConnect_CallDispatch(handle, recordMessage, nullptr), 0);
    handle = nullptr;
}

TEST_F(StandinTest, RequestsCarryIncreasingPacketNumbers) {
    open();
    ASSERT_EQ(SimConnect_MapClientEventToSimEvent(handle, 10, "COM_RADIO_SET"), S_OK_RESULT);
    ASSERT_EQ(SimConnect_TransmitClientEvent(handle, 0, 10, 0xFFFFFE0C, 1900000000, 16), S_OK_RESULT);
    wire::FrameReader reader;
    reader.append(endpoint.stream->fromClient.data(), endpoint.stream->fromClient.size());
    std::vector<std::uint8_t> payload;
    std::vector<std::uint32_t> packets;
    std::uint32_t lastData = 0;
    while (reader.next(payload) == wire::FrameReader::Status::Frame) {
        wire::ByteReader in(payload.data(), payload.size());
        std::uint32_t op = 0, packet = 0, object = 0, event = 0;
        ASSERT_TRUE(in.u32(op) && in.u32(packet));
        packets.push_back(packet);
        if (op == static_cast<std::uint32_t>(wire::Op::TransmitEvent)) {
            ASSERT_TRUE(in.u32(object) && in.u32(event) && in.u32(lastData));
        }
    }
    EXPECT_EQ(packets, (std::vector<std::uint32_t>{1, 2, 3}));
    EXPECT_EQ(lastData, 0xFFFFFE0Cu);
}

// Every operation on a handle that is not open fails and sends nothing: the
// zero handle before the first connection, and a handle already closed (the
// bridge keeps its old handle after a quit).
using Operation = std::function<HRESULT(HANDLE)>;
class DeadHandleTest : public StandinTest, public ::testing::WithParamInterface<std::pair<const char*, Operation>> {};

TEST_P(DeadHandleTest, FailsWithoutEffect) {
    const Operation& operation = GetParam().second;
    EXPECT_LT(operation(nullptr), 0);
    open();
    const auto stream = endpoint.stream;
    const std::size_t sentBefore = stream->fromClient.size();
    ASSERT_EQ(SimConnect_Close(handle), S_OK_RESULT);
    EXPECT_LT(operation(handle), 0);
    EXPECT_EQ(stream->fromClient.size(), sentBefore);
    handle = nullptr;
}

double gBlock[2] = {0.5, -0.5};
INSTANTIATE_TEST_SUITE_P(
    AllOperations, DeadHandleTest,
    ::testing::Values(
        std::pair<const char*, Operation>{"Close", [](HANDLE h) { return SimConnect_Close(h); }},
        std::pair<const char*, Operation>{"CallDispatch",
                                          [](HANDLE h) { return SimConnect_CallDispatch(h, recordMessage, nullptr); }},
        std::pair<const char*, Operation>{"AddToDataDefinition",
                                          [](HANDLE h) {
                                              return SimConnect_AddToDataDefinition(h, 0, "Plane Altitude", "feet",
                                                                                    SIMCONNECT_DATATYPE_FLOAT64, 0,
                                                                                    SIMCONNECT_UNUSED);
                                          }},
        std::pair<const char*, Operation>{
            "RequestData",
            [](HANDLE h) { return SimConnect_RequestDataOnSimObjectType(h, 0, 0, 0, SIMCONNECT_SIMOBJECT_TYPE_USER); }},
        std::pair<const char*, Operation>{
            "SetData", [](HANDLE h) { return SimConnect_SetDataOnSimObject(h, 1, 0, 0, 0, 16, gBlock); }},
        std::pair<const char*, Operation>{
            "MapEvent", [](HANDLE h) { return SimConnect_MapClientEventToSimEvent(h, 1, "FLAPS_UP"); }},
        std::pair<const char*, Operation>{
            "AddToGroup", [](HANDLE h) { return SimConnect_AddClientEventToNotificationGroup(h, 0, 26, 1); }},
        std::pair<const char*, Operation>{"SetPriority",
                                          [](HANDLE h) { return SimConnect_SetNotificationGroupPriority(h, 0, 1); }},
        std::pair<const char*, Operation>{"Transmit",
                                          [](HANDLE h) { return SimConnect_TransmitClientEvent(h, 0, 1, 0, 1, 16); }}),
    [](const auto& info) { return std::string(info.param.first); });

struct AddressCase {
    const char* text;
    bool valid;
    std::uint32_t address;
    std::uint16_t port;
};

class LoopbackAddressTest : public ::testing::TestWithParam<AddressCase> {};

TEST_P(LoopbackAddressTest, Parses) {
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    EXPECT_EQ(wire::parseLoopbackAddress(GetParam().text, address, port), GetParam().valid);
    if (GetParam().valid) {
        EXPECT_EQ(address, GetParam().address);
        EXPECT_EQ(port, GetParam().port);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, LoopbackAddressTest,
    ::testing::Values(AddressCase{"127.0.0.1:15690", true, 0x7F000001, 15690},
                      AddressCase{"127.1.2.3:1", true, 0x7F010203, 1},
                      AddressCase{"127.0.0.1:65535", true, 0x7F000001, 65535}, AddressCase{"127.0.0.1:0", false, 0, 0},
                      AddressCase{"127.0.0.1:65536", false, 0, 0}, AddressCase{"127.0.0.1", false, 0, 0},
                      AddressCase{"127.0.0.256:80", false, 0, 0}, AddressCase{"0.0.0.0:15690", false, 0, 0},
                      AddressCase{"localhost:15690", false, 0, 0}, AddressCase{"127.0.0.1:15690x", false, 0, 0},
                      AddressCase{"127.0.0.1.5:80", false, 0, 0}, AddressCase{"", false, 0, 0}));

// Over real TCP: a simulator process that dies closes its socket without a quit
// message. Runs inside the private network namespace of the test run.
class TcpStandinTest : public StandinTest {
protected:
    void SetUp() override {
        StandinTest::SetUp();
        brelvik::standin::standinUseInProcess(nullptr);
        listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof local;
        if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
            ::listen(listener, 4) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
            GTEST_SKIP() << "no loopback socket here";
        }
        const std::string address = "127.0.0.1:" + std::to_string(ntohs(local.sin_port));
        ::setenv(brelvik::standin::kAddressVariable, address.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv(brelvik::standin::kAddressVariable);
        if (listener >= 0) ::close(listener);
        StandinTest::TearDown();
    }
    int listener = -1;
};

TEST_F(TcpStandinTest, SimulatorThatDiesYieldsQuit) {
    open();
    const int peer = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(peer, 0);
    const auto framed = wire::frame(wire::openMessage({}));
    ASSERT_EQ(::send(peer, framed.data(), framed.size(), 0), static_cast<ssize_t>(framed.size()));
    ::close(peer);
    for (int i = 0; i < 200 && received.size() < 2; ++i) {
        dispatch();
        ::usleep(5000);
    }
    EXPECT_EQ(receivedIds(), (std::vector<DWORD>{SIMCONNECT_RECV_ID_OPEN, SIMCONNECT_RECV_ID_QUIT}));
}

TEST_F(TcpStandinTest, OpenFailsWhenNothingListens) {
    ::close(listener);
    listener = -1;
    HANDLE h = nullptr;
    EXPECT_LT(SimConnect_Open(&h, "Brelvik", nullptr, 0, nullptr, SIMCONNECT_OPEN_CONFIGINDEX_LOCAL), 0);
}

}  // namespace
