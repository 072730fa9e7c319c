// Loading a SimConnect.dll a user put beside the program: one that cannot be
// used is named, and the program's own client answers instead, as it does
// when there is none.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <winsock2.h>
#include <windows.h>

#include "sim/dll/simconnect_dll.h"
#include "sim/simconnect.h"

namespace brelvik::simdll {
namespace {

// Unix paths from the build, as Wine maps them (Z: is the root).
std::string windowsPath(const char* variable) {
    const char* unixPath = std::getenv(variable);
    std::string path = std::string("Z:") + (unixPath != nullptr ? unixPath : "");
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

class Loader : public ::testing::Test {
protected:
    void TearDown() override { unload(); }
};

// No DLL is the usual case: not a word, and the calls reach the client linked
// into the program, which speaks the simulator's protocol itself.
TEST_F(Loader, WithoutALibraryTheOwnClientOpensWithoutAWord) {
    EXPECT_EQ(load("Z:\\nowhere\\at\\all"), "");
    for (std::size_t i = 0; i < kProcedureNames.size(); ++i) EXPECT_EQ(procedure(i), nullptr) << i;

    WSADATA wsa;
    ASSERT_EQ(::WSAStartup(MAKEWORD(2, 2), &wsa), 0);
    const SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const std::string target = "127.0.0.1:" + std::to_string(::ntohs(address.sin_port));
    _putenv_s("BRELVIK_SIM_ADDRESS", target.c_str());

    HANDLE handle = nullptr;
    EXPECT_LT(SimConnect_Open(&handle, "Brelvik", nullptr, 0, nullptr, SIMCONNECT_OPEN_CONFIGINDEX_LOCAL), 0);
    const SOCKET accepted = ::accept(listener, nullptr, nullptr);
    ASSERT_NE(accepted, INVALID_SOCKET);
    // Further steps send the open request: its header names the Open operation.
    unsigned char header[16] = {};
    int got = 0;
    for (int step = 0; step < 200 && got < 16; ++step) {
        SimConnect_Open(&handle, "Brelvik", nullptr, 0, nullptr, SIMCONNECT_OPEN_CONFIGINDEX_LOCAL);
        u_long queued = 0;
        ::ioctlsocket(accepted, FIONREAD, &queued);
        if (queued >= 16) got = ::recv(accepted, reinterpret_cast<char*>(header), 16, 0);
        else ::Sleep(5);
    }
    ASSERT_EQ(got, 16);
    EXPECT_EQ(header[8], 0x01);
    EXPECT_EQ(header[11], 0xF0);
    ::closesocket(accepted);
    ::closesocket(listener);
    _putenv_s("BRELVIK_SIM_ADDRESS", "");
}

TEST_F(Loader, UnusableLibrariesAreNamedAndTheOwnClientTakesOver) {
    std::string problem = load(windowsPath("BRELVIK_INCOMPLETE_DLL_DIR"));
    EXPECT_NE(problem.find("The SimConnect.dll beside brelvik.exe (Z:\\"), std::string::npos) << problem;
    EXPECT_NE(problem.find("lacks SimConnect_Close, SimConnect_CallDispatch"), std::string::npos) << problem;
    EXPECT_EQ(problem.find("lacks SimConnect_Open"), std::string::npos) << problem;
    EXPECT_NE(problem.find("its own SimConnect client instead"), std::string::npos) << problem;
    EXPECT_EQ(procedure(0), nullptr);  // not even the one it has is used
    unload();

    // What is no 64-bit library (a 32-bit one, or anything else under that name).
    char folder[MAX_PATH] = {};
    ASSERT_GT(::GetTempPathA(MAX_PATH, folder), 0u);
    const std::string dir = std::string(folder) + "brelvik-not-a-dll";
    ::CreateDirectoryA(dir.c_str(), nullptr);
    std::FILE* junk = std::fopen((dir + "\\SimConnect.dll").c_str(), "wb");
    ASSERT_NE(junk, nullptr);
    std::fputs("MZ but nothing a loader takes", junk);
    std::fclose(junk);
    problem = load(dir);
    EXPECT_NE(problem.find("cannot be used (error "), std::string::npos) << problem;
    EXPECT_NE(problem.find("its own SimConnect client instead"), std::string::npos) << problem;
    EXPECT_EQ(procedure(0), nullptr);
}

TEST_F(Loader, CompleteLibraryBesideTheProgramIsTaken) {
    EXPECT_EQ(load(windowsPath("BRELVIK_STANDIN_DLL_DIR")), "");
    for (std::size_t i = 0; i < kProcedureNames.size(); ++i) EXPECT_NE(procedure(i), nullptr) << kProcedureNames[i];
    // The stand-in refuses an address that is not loopback without trying it.
    HANDLE handle = nullptr;
    _putenv_s("BRELVIK_SIM_ADDRESS", "127.0.0.1:1");
    EXPECT_LT(SimConnect_Open(&handle, "Brelvik", nullptr, 0, nullptr, SIMCONNECT_OPEN_CONFIGINDEX_LOCAL), 0);
}

}  // namespace
}  // namespace brelvik::simdll
