// The Windows serial code's own decisions, under Wine: a read that goes
// pending is waited for within the port's time-outs rather than cancelled at
// once (on a named pipe, whose reads go pending as a driver's may); the maker
// put in front of a port's name; which device-change messages mean a serial
// port came or went, and the watcher window that takes them.
#include <gtest/gtest.h>

#include <windows.h>
#include <dbt.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "panels/port_watcher.h"
#include "panels/serial_win32.h"

namespace brelvik {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using Clock = std::chrono::steady_clock;

long msSince(Clock::time_point start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

class PendingRead : public ::testing::Test {
protected:
    void SetUp() override {
        static int count = 0;
        const std::wstring name = L"\\\\.\\pipe\\brelvik-pending-read-" + std::to_wstring(::GetCurrentProcessId()) +
                                  L"-" + std::to_wstring(++count);
        server_ = ::CreateNamedPipeW(name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED,
                                     PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
        ASSERT_NE(server_, INVALID_HANDLE_VALUE);
        client_ = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(client_, INVALID_HANDLE_VALUE);
        block_.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        ASSERT_NE(block_.hEvent, nullptr);
    }
    void TearDown() override {
        if (client_ != INVALID_HANDLE_VALUE) ::CloseHandle(client_);
        if (server_ != INVALID_HANDLE_VALUE) ::CloseHandle(server_);
        if (block_.hEvent != nullptr) ::CloseHandle(block_.hEvent);
    }

    // A read of four bytes before any has come: it goes pending.
    void startRead() {
        ASSERT_FALSE(::ReadFile(server_, buffer_, 4, nullptr, &block_));
        ASSERT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
    }
    void send(std::vector<std::uint8_t> bytes) {
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(client_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    }

    HANDLE server_ = INVALID_HANDLE_VALUE;
    HANDLE client_ = INVALID_HANDLE_VALUE;
    OVERLAPPED block_{};
    std::uint8_t buffer_[4] = {};
};

TEST_F(PendingRead, BytesThatComeWithinTheTimeOutAreDelivered) {
    startRead();
    std::thread late([this] {
        std::this_thread::sleep_for(40ms);
        send({0xFF, 0xFF, 0x13, 0x01});
    });
    EXPECT_EQ(finishPendingRead(server_, block_, 4), 4u);
    late.join();
    EXPECT_EQ(std::vector<std::uint8_t>(buffer_, buffer_ + 4), (std::vector<std::uint8_t>{0xFF, 0xFF, 0x13, 0x01}));
}

TEST_F(PendingRead, ReadThatNothingAnswersEndsAfterItsTimeOutAndTakesNothingLater) {
    startRead();
    const auto start = Clock::now();
    EXPECT_EQ(finishPendingRead(server_, block_, 4), 0u);
    const long ms = msSince(start);
    EXPECT_GE(ms, static_cast<long>(readTimeoutMs(4)) - 5);
    EXPECT_LT(ms, 2000);

    // The read is over: what comes now is the next read's, and the buffer
    // the caller has let go of stays untouched.
    send({0x05, 0x06, 0x07, 0x08});
    std::uint8_t next[4] = {};
    OVERLAPPED again{};
    again.hEvent = block_.hEvent;
    ::ResetEvent(again.hEvent);
    DWORD got = 0;
    if (!::ReadFile(server_, next, 4, nullptr, &again)) {
        ASSERT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_IO_PENDING));
    }
    ASSERT_TRUE(::GetOverlappedResult(server_, &again, &got, TRUE));
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(next[0], 0x05);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer_, buffer_ + 4), std::vector<std::uint8_t>(4, 0));
}

struct MakerCase {
    std::string ids;
    std::string name;
    std::string listed;
};

TEST(PortNameWithMaker, StMicroVendorIdPutsTheMakerInFrontOnce) {
    const MakerCase cases[] = {
        {"USB\\VID_0483&PID_5740&REV_0200\0USB\\VID_0483&PID_5740\0\0"s, "USB Serial Device (COM5)",
         "STMicroelectronics USB Serial Device (COM5)"},
        {"usb\\vid_0483&pid_5740\0\0"s, "USB Serial Device (COM5)", "STMicroelectronics USB Serial Device (COM5)"},
        {"USB\\COMPOSITE\0USB\\VID_0483&PID_5740&MI_00\0\0"s, "USB Serial Device (COM6)",
         "STMicroelectronics USB Serial Device (COM6)"},
        {"USB\\VID_0483&PID_5740\0\0"s, "STMicroelectronics Virtual COM Port (COM5)",
         "STMicroelectronics Virtual COM Port (COM5)"},
        {"FTDIBUS\\VID_0403+PID_6001+A12345\0\0"s, "USB Serial Port (COM3)", "USB Serial Port (COM3)"},
        {"USB\\VID_1234&PID_0483\0\0"s, "USB Serial Device (COM4)", "USB Serial Device (COM4)"},
        {"ACPI\\PNP0501\0*PNP0501\0\0"s, "Communications Port (COM1)", "Communications Port (COM1)"},
        {"", "USB Serial Device (COM7)", "USB Serial Device (COM7)"},
    };
    for (const MakerCase& c : cases) EXPECT_EQ(nameWithMaker(c.ids, c.name), c.listed) << c.name;
}

// A DEV_BROADCAST_PORT_W as Windows sends it: the name runs past the struct.
std::vector<std::uint64_t> portBroadcast(const std::wstring& name) {
    const std::size_t size = offsetof(DEV_BROADCAST_PORT_W, dbcp_name) + (name.size() + 1) * sizeof(wchar_t);
    std::vector<std::uint64_t> storage(size / sizeof(std::uint64_t) + 1, 0);
    DEV_BROADCAST_PORT_W header = {};
    header.dbcp_size = static_cast<DWORD>(size);
    header.dbcp_devicetype = DBT_DEVTYP_PORT;
    std::memcpy(storage.data(), &header, offsetof(DEV_BROADCAST_PORT_W, dbcp_name));
    std::memcpy(reinterpret_cast<char*>(storage.data()) + offsetof(DEV_BROADCAST_PORT_W, dbcp_name), name.c_str(),
                (name.size() + 1) * sizeof(wchar_t));
    return storage;
}

DEV_BROADCAST_DEVICEINTERFACE_W interfaceBroadcast(const GUID& interfaceClass) {
    DEV_BROADCAST_DEVICEINTERFACE_W broadcast = {};
    broadcast.dbcc_size = sizeof broadcast;
    broadcast.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    broadcast.dbcc_classguid = interfaceClass;
    return broadcast;
}

const GUID kComPort = {0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};
const GUID kHid = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

TEST(DeviceChange, OnlyASerialPortComingOrGoingCounts) {
    const auto comInterface = interfaceBroadcast(kComPort);
    const auto hidInterface = interfaceBroadcast(kHid);
    const auto com = portBroadcast(L"COM5");
    const auto lpt = portBroadcast(L"LPT1");
    const auto lowerLpt = portBroadcast(L"lpt2");
    DEV_BROADCAST_VOLUME volume = {};
    volume.dbcv_size = sizeof volume;
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = 1u << 4;
    const auto at = [](const auto& data) { return reinterpret_cast<LPARAM>(&data); };
    const auto atPort = [](const std::vector<std::uint64_t>& data) { return reinterpret_cast<LPARAM>(data.data()); };

    const struct {
        const char* what;
        WPARAM event;
        LPARAM data;
        bool counts;
    } cases[] = {
        {"COM interface arrives", DBT_DEVICEARRIVAL, at(comInterface), true},
        {"COM interface removed", DBT_DEVICEREMOVECOMPLETE, at(comInterface), true},
        {"COM port arrives", DBT_DEVICEARRIVAL, atPort(com), true},
        {"COM port removed", DBT_DEVICEREMOVECOMPLETE, atPort(com), true},
        {"printer port arrives", DBT_DEVICEARRIVAL, atPort(lpt), false},
        {"printer port, lower case", DBT_DEVICEREMOVECOMPLETE, atPort(lowerLpt), false},
        {"other interface class", DBT_DEVICEARRIVAL, at(hidInterface), false},
        {"volume", DBT_DEVICEARRIVAL, at(volume), false},
        {"query remove of a COM port", DBT_DEVICEQUERYREMOVE, atPort(com), false},
        {"device tree changed", DBT_DEVNODES_CHANGED, 0, false},
        {"arrival without data", DBT_DEVICEARRIVAL, 0, false},
    };
    for (const auto& c : cases) EXPECT_EQ(isSerialPortChange(c.event, c.data), c.counts) << c.what;
}

TEST(PortWatcherWindow, TopLevelWindowTellsOfPortsAndEndsPromptly) {
    std::atomic<int> changes{0};
    std::unique_ptr<PortWatcher> watcher = watchSerialPorts([&changes] { ++changes; });
    ASSERT_NE(watcher, nullptr);
    const HWND window = ::FindWindowExW(nullptr, nullptr, kPortWatcherWindowClass, nullptr);
    ASSERT_NE(window, nullptr);
    // Ports without the COM-port interface are broadcast to top-level windows
    // only; a message-only window would never hear of them.
    EXPECT_EQ(::GetAncestor(window, GA_PARENT), ::GetDesktopWindow());
    EXPECT_FALSE(::IsWindowVisible(window));

    const auto com = portBroadcast(L"COM9");
    const auto lpt = portBroadcast(L"LPT1");
    ::SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(com.data()));
    ::SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(lpt.data()));
    ::SendMessageW(window, WM_CLOSE, 0, 0);  // only its owner ends it
    ::SendMessageW(window, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, reinterpret_cast<LPARAM>(com.data()));
    EXPECT_EQ(changes.load(), 2);

    const auto start = Clock::now();
    watcher.reset();
    EXPECT_LT(msSince(start), 1000);
    EXPECT_FALSE(::IsWindow(window));
}

}  // namespace
}  // namespace brelvik
