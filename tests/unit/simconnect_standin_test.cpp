// The stand-in client library against a scriptable link: what reaches the
// dispatch callback, when, and what happens when the stream misbehaves.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sim/simconnect.h"
#include "simconnect/client_config.h"
#include "simconnect/standin.h"
#include "simconnect/wire.h"

namespace {

using brelvik::standin::SimulatorEndpoint;
using brelvik::standin::SimulatorLink;
namespace wire = brelvik::standin::wire;

// What the fake simulator has queued for the client and what it was sent; it
// outlives the link so tests can look after the library closed it. It answers
// an open request at once: an open message when it serves the protocol, else
// a version-mismatch exception.
struct Stream {
    std::vector<std::uint8_t> toClient;
    std::vector<std::uint8_t> fromClient;
    bool broken = false;
    bool answersOpen = true;
    std::uint32_t newestProtocol = 6;
    std::function<void()> onWrite;  // runs after every write that carried bytes
};

std::uint32_t le32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, bytes.data() + at, sizeof v);
    return v;
}

void append(std::vector<std::uint8_t>& to, const std::vector<std::uint8_t>& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

class FakeLink final : public SimulatorLink {
public:
    explicit FakeLink(std::shared_ptr<Stream> s) : stream_(std::move(s)) {}
    bool write(const std::uint8_t* data, std::size_t size) override {
        if (stream_->broken) return false;
        const std::vector<std::uint8_t> bytes(data, data + size);
        append(stream_->fromClient, bytes);
        if (size >= 16 && le32(bytes, 8) == 0xF0000001u && stream_->answersOpen) {
            if (le32(bytes, 4) <= stream_->newestProtocol) {
                wire::OpenInfo info;
                info.applicationName = "Bench";
                append(stream_->toClient, wire::openMessage(info));
            } else {
                append(stream_->toClient, wire::exceptionMessage(5, le32(bytes, 12), 0));
            }
        }
        if (size > 0 && stream_->onWrite) stream_->onWrite();
        return true;
    }
    bool readAvailable(std::vector<std::uint8_t>& into) override {
        append(into, stream_->toClient);
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
        stream->answersOpen = answersOpen;
        stream->newestProtocol = newestProtocol;
        ++connections;
        return std::make_unique<FakeLink>(stream);
    }
    bool answers = true;
    bool answersOpen = true;
    std::uint32_t newestProtocol = 6;
    int connections = 0;
    std::shared_ptr<Stream> stream;
};

struct Received {
    DWORD id;
    DWORD size;
    std::vector<std::uint8_t> bytes;
};

std::vector<Received>* gReceived = nullptr;
std::function<void(SIMCONNECT_RECV*)> gDuringCallback;

void SIMCONNECT_CALLBACK recordMessage(SIMCONNECT_RECV* message, DWORD size, void*) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(message);
    gReceived->push_back({message->dwID, size, std::vector<std::uint8_t>(bytes, bytes + size)});
    if (gDuringCallback) gDuringCallback(message);
}

// The requests the client sent, cut by their size fields.
std::vector<std::vector<std::uint8_t>> requestsSent(const Stream& stream) {
    wire::PacketReader reader(wire::kRequestHeaderSize);
    reader.append(stream.fromClient.data(), stream.fromClient.size());
    std::vector<std::vector<std::uint8_t>> out;
    std::vector<std::uint8_t> packet;
    while (reader.next(packet) == wire::PacketReader::Status::Packet) out.push_back(packet);
    return out;
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
        brelvik::standin::standinBehaveAsVendor(false);
        gDuringCallback = nullptr;
        gReceived = nullptr;
    }
    HRESULT tryOpen() {
        return SimConnect_Open(&handle, "Brelvik", nullptr, 0, nullptr, SIMCONNECT_OPEN_CONFIGINDEX_LOCAL);
    }
    // Opened, with the open message already handed over.
    void open() {
        ASSERT_EQ(tryOpen(), S_OK_RESULT);
        ASSERT_NE(handle, nullptr);
        dispatch();
        ASSERT_EQ(receivedIds(), std::vector<DWORD>{SIMCONNECT_RECV_ID_OPEN});
        received.clear();
    }
    void queue(const std::vector<std::uint8_t>& message) { append(endpoint.stream->toClient, message); }
    HRESULT dispatch() { return SimConnect_CallDispatch(handle, recordMessage, nullptr); }
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

TEST_F(StandinTest, OpenRequestCarriesTheNameAndTheNewestProtocol) {
    ASSERT_EQ(tryOpen(), S_OK_RESULT);
    const auto requests = requestsSent(*endpoint.stream);
    ASSERT_EQ(requests.size(), 1u);
    const auto& open = requests[0];
    ASSERT_EQ(open.size(), 296u);
    EXPECT_EQ(le32(open, 4), 6u);
    EXPECT_EQ(le32(open, 8), 0xF0000001u);
    EXPECT_EQ(le32(open, 12), 1u);
    EXPECT_STREQ(reinterpret_cast<const char*>(open.data() + 16), "Brelvik");
    EXPECT_EQ((std::vector<std::uint8_t>(open.begin() + 276, open.begin() + 280)),
              (std::vector<std::uint8_t>{0, 'R', 'S', 0}));
    EXPECT_EQ(le32(open, 280), 12u);
}

// An older simulator refuses a newer protocol: the library opens again, on a
// new connection, with the next older one, within the same call.
TEST_F(StandinTest, RefusedProtocolStepsDownOnANewConnection) {
    endpoint.newestProtocol = 4;
    ASSERT_EQ(tryOpen(), S_OK_RESULT);
    EXPECT_EQ(endpoint.connections, 3);
    const auto requests = requestsSent(*endpoint.stream);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(le32(requests[0], 4), 4u);
    EXPECT_EQ(requests[0][279], 'F');
    ASSERT_EQ(SimConnect_MapClientEventToSimEvent(handle, 1, "FLAPS_UP"), S_OK_RESULT);
    EXPECT_EQ(le32(requestsSent(*endpoint.stream).back(), 4), 4u);  // every request at the accepted protocol
}

TEST_F(StandinTest, OpenSucceedsOnlyOnceTheOpenMessageArrivedAndHandsItOverFirst) {
    endpoint.answersOpen = false;
    EXPECT_LT(tryOpen(), 0);
    EXPECT_EQ(handle, nullptr);
    queue(wire::exceptionMessage(7, 9, 2));
    wire::OpenInfo info;
    info.applicationName = "Late";
    queue(wire::openMessage(info));
    ASSERT_EQ(tryOpen(), S_OK_RESULT);
    EXPECT_EQ(endpoint.connections, 1);  // the same connection, not a new one
    ASSERT_EQ(dispatch(), S_OK_RESULT);
    EXPECT_EQ(receivedIds(), (std::vector<DWORD>{SIMCONNECT_RECV_ID_OPEN, SIMCONNECT_RECV_ID_EXCEPTION}));
}

TEST_F(StandinTest, DispatchDeliversEveryQueuedMessageOnceInOrder) {
    open();
    queue(wire::exceptionMessage(7, 5, 2));
    queue(wire::dataMessage(3, 1, 2, 1, {1, 2, 3, 4, 5, 6, 7, 8}));
    dispatch();
    ASSERT_EQ(receivedIds(),
              (std::vector<DWORD>{SIMCONNECT_RECV_ID_EXCEPTION, SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE}));
    EXPECT_EQ(received[1].size, 48u);
    EXPECT_EQ(received[1].bytes[40], 1);  // the block starts 40 bytes in
    EXPECT_EQ(received[1].bytes[47], 8);
    dispatch();
    EXPECT_EQ(received.size(), 2u);  // nothing twice
}

TEST_F(StandinTest, AsTheVendorsLibraryOneMessageEachCall) {
    open();
    brelvik::standin::standinBehaveAsVendor(true);
    queue(wire::dataMessage(0, 1, 0, 1, {}));
    queue(wire::dataMessage(1, 1, 0, 1, {}));
    dispatch();
    EXPECT_EQ(received.size(), 1u);
    dispatch();
    EXPECT_EQ(received.size(), 2u);
}

TEST_F(StandinTest, MessageSplitAtEveryByteArrivesOnceComplete) {
    open();
    auto bytes = wire::dataMessage(0, 1, 0, 1, std::vector<std::uint8_t>(16, 0xAB));
    append(bytes, wire::quitMessage());
    for (std::size_t i = 0; i + 1 < 56; ++i) {
        endpoint.stream->toClient.push_back(bytes[i]);
        dispatch();
        ASSERT_TRUE(received.empty()) << "delivered after " << i + 1 << " bytes";
    }
    endpoint.stream->toClient.insert(endpoint.stream->toClient.end(), bytes.begin() + 55, bytes.end());
    dispatch();
    ASSERT_EQ(receivedIds(), (std::vector<DWORD>{SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE, SIMCONNECT_RECV_ID_QUIT}));
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

// As the vendor's library: a stream that breaks without a quit message hands
// over what came before the break, then every dispatch fails.
TEST_F(StandinTest, BrokenStreamDeliversWhatCameFirstThenDispatchFails) {
    open();
    queue(wire::dataMessage(0, 1, 0, 1, {}));
    endpoint.stream->broken = true;
    EXPECT_EQ(dispatch(), S_OK_RESULT);
    EXPECT_EQ(receivedIds(), std::vector<DWORD>{SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE});
    EXPECT_LT(dispatch(), 0);
    EXPECT_LT(dispatch(), 0);
    EXPECT_EQ(received.size(), 1u);
    EXPECT_LT(SimConnect_TransmitClientEvent(handle, 0, 1, 0, 1, 16), 0);
}

// Bytes that are no message end the connection: nothing after a size that
// cannot be is read, and no message reaches the callback shorter than its kind.
class HostileStreamTest : public StandinTest, public ::testing::WithParamInterface<std::vector<std::uint8_t>> {};

TEST_P(HostileStreamTest, EndsTheConnectionWithoutDeliveringIt) {
    open();
    queue(GetParam());
    queue(wire::quitMessage());
    EXPECT_LT(dispatch(), 0);
    EXPECT_TRUE(received.empty());
}

std::vector<std::uint8_t> withSize(std::vector<std::uint8_t> bytes, std::uint32_t size) {
    std::memcpy(bytes.data(), &size, sizeof size);
    if (size >= 12 && size < bytes.size()) bytes.resize(size);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Streams, HostileStreamTest,
    ::testing::Values(withSize(wire::quitMessage(), 0), withSize(wire::quitMessage(), 8),
                      withSize(wire::quitMessage(), 0x80000000u),
                      withSize(wire::openMessage({}), 100),          // too short for an open message
                      withSize(wire::exceptionMessage(1, 1, 1), 16),  // too short for an exception
                      withSize(wire::dataMessage(0, 1, 0, 1, {}), 36)));

// Regression: the bridge used to close the connection from inside the callback.
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

TEST_F(StandinTest, RequestsHaveFixedWidthFieldsAndIncreasingSendIds) {
    open();
    const std::string longName(300, 'N');
    ASSERT_EQ(SimConnect_MapClientEventToSimEvent(handle, 10, longName.c_str()), S_OK_RESULT);
    ASSERT_EQ(SimConnect_TransmitClientEvent(handle, 0, 10, 0xFFFFFE0C, 1900000000, 16), S_OK_RESULT);
    ASSERT_EQ(SimConnect_AddToDataDefinition(handle, 7, "TITLE", nullptr, SIMCONNECT_DATATYPE_STRING256, 0,
                                             SIMCONNECT_UNUSED),
              S_OK_RESULT);
    const auto requests = requestsSent(*endpoint.stream);
    ASSERT_EQ(requests.size(), 4u);
    std::vector<std::uint32_t> ids;
    for (const auto& r : requests) ids.push_back(le32(r, 12));
    EXPECT_EQ(ids, (std::vector<std::uint32_t>{1, 2, 3, 4}));
    const auto& map = requests[1];
    ASSERT_EQ(map.size(), 276u);
    EXPECT_EQ(map[20 + 254], 'N');
    EXPECT_EQ(map[20 + 255], 0);  // cut to 255 bytes and a NUL
    ASSERT_EQ(requests[2].size(), 36u);
    EXPECT_EQ(le32(requests[2], 24), 0xFFFFFE0Cu);
    const auto& add = requests[3];
    ASSERT_EQ(add.size(), 544u);
    EXPECT_TRUE(std::all_of(add.begin() + 276, add.begin() + 532, [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(le32(add, 532), static_cast<std::uint32_t>(SIMCONNECT_DATATYPE_STRING256));
    EXPECT_EQ(le32(add, 540), SIMCONNECT_UNUSED);
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

TEST_F(TcpStandinTest, SimulatorThatDiesFailsTheDispatch) {
    EXPECT_LT(tryOpen(), 0);  // connected, the open request sent, no answer yet
    const int peer = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(peer, 0);
    std::uint8_t request[296];
    ASSERT_EQ(::recv(peer, request, sizeof request, MSG_WAITALL), 296);
    const auto open = wire::openMessage({});
    ASSERT_EQ(::send(peer, open.data(), open.size(), 0), static_cast<ssize_t>(open.size()));
    for (int i = 0; i < 200 && tryOpen() != S_OK_RESULT; ++i) ::usleep(5000);
    ASSERT_NE(handle, nullptr);
    ::close(peer);
    HRESULT result = S_OK_RESULT;
    for (int i = 0; i < 200 && result == S_OK_RESULT; ++i) {
        result = dispatch();
        ::usleep(5000);
    }
    EXPECT_LT(result, 0);
    EXPECT_EQ(receivedIds(), std::vector<DWORD>{SIMCONNECT_RECV_ID_OPEN});
}

TEST_F(TcpStandinTest, OpenFailsWhenNothingListens) {
    ::close(listener);
    listener = -1;
    HANDLE h = nullptr;
    EXPECT_LT(SimConnect_Open(&h, "Brelvik", nullptr, 0, nullptr, SIMCONNECT_OPEN_CONFIGINDEX_LOCAL), 0);
}

}  // namespace

namespace {

using brelvik::standin::SimulatorTarget;

// A hand-written SimConnect.cfg: the numbered section wins over the plain
// one, and a file naming nothing usable says why instead of guessing.
struct CfgCase {
    const char* name;
    const char* text;
    bool pipes;
    bool valid;
    SimulatorTarget::Transport transport;
    const char* address;
    const char* port;
};

class SimConnectCfgTest : public ::testing::TestWithParam<CfgCase> {};

TEST_P(SimConnectCfgTest, Parses) {
    const auto& c = GetParam();
    std::string problem;
    const auto target = brelvik::standin::parseSimConnectCfg(c.text, 0, c.pipes, problem);
    ASSERT_EQ(target.has_value(), c.valid) << problem;
    if (!c.valid) {
        EXPECT_FALSE(problem.empty());
        return;
    }
    EXPECT_EQ(target->transport, c.transport);
    EXPECT_EQ(target->address, c.address);
    EXPECT_EQ(target->port, c.port);
}

using T = SimulatorTarget::Transport;
INSTANTIATE_TEST_SUITE_P(
    Files, SimConnectCfgTest,
    ::testing::Values(
        CfgCase{"Ipv4", "[SimConnect]\r\nProtocol=Ipv4\r\nAddress=192.0.2.7\r\nPort=500\r\n", false, true, T::Ipv4,
                "192.0.2.7", "500"},
        CfgCase{"NumberedWins", "[SimConnect]\nAddress=a\nPort=1\n[SimConnect.0]\nprotocol = IPV6\nAddress = ::1\nPort = 2\n",
                false, true, T::Ipv6, "::1", "2"},
        CfgCase{"PipeOnWindows", "[SimConnect]\nProtocol=Pipe\nPort=Custom\\SimConnect\n", true, true, T::Pipe, "",
                "Custom\\SimConnect"},
        CfgCase{"PipeRefusedOnLinux", "[SimConnect]\nProtocol=Pipe\nPort=Custom\\SimConnect\n", false, false, T::Pipe,
                "", ""},
        CfgCase{"NoSection", "Protocol=Ipv4\nPort=500\n", false, false, T::Ipv4, "", ""},
        CfgCase{"NoPort", "[SimConnect]\nAddress=192.0.2.7\n", false, false, T::Ipv4, "", ""},
        CfgCase{"BadPort", "[SimConnect]\nPort=70000\n", false, false, T::Ipv4, "", ""},
        CfgCase{"UnknownProtocol", "[SimConnect]\nProtocol=Serial\nPort=1\n", false, false, T::Ipv4, "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
