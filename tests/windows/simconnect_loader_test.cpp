// Loading the simulator's library at run time: the program must say clearly
// what is missing and where it looked, and every call must then fail as an
// unreachable simulator does, never crash.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

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

TEST_F(Loader, MissingLibraryIsNamedWithWhereItWasLookedFor) {
    const std::string problem = load("Z:\\nowhere\\at\\all");
    EXPECT_NE(problem.find("SimConnect.dll could not be loaded"), std::string::npos) << problem;
    EXPECT_NE(problem.find("Z:\\nowhere\\at\\all\\SimConnect.dll"), std::string::npos) << problem;
    EXPECT_NE(problem.find("search path"), std::string::npos) << problem;
    EXPECT_NE(problem.find("\"Not connected\""), std::string::npos) << problem;
    EXPECT_EQ(load("Z:\\elsewhere"), problem);  // tried once: the same answer
    for (std::size_t i = 0; i < kProcedureNames.size(); ++i) EXPECT_EQ(procedure(i), nullptr) << i;

    HANDLE handle = nullptr;
    EXPECT_EQ(SimConnect_Open(&handle, "Brelvik", nullptr, 0, nullptr, SIMCONNECT_OPEN_CONFIGINDEX_LOCAL),
              E_FAIL_RESULT);
    EXPECT_EQ(SimConnect_CallDispatch(handle, nullptr, nullptr), E_FAIL_RESULT);
    EXPECT_EQ(SimConnect_TransmitClientEvent(handle, 0, 10001, 0, 1, 0), E_FAIL_RESULT);
}

TEST_F(Loader, LibraryWithoutSomeFunctionsIsRefusedAndTheyAreNamed) {
    const std::string problem = load(windowsPath("BRELVIK_INCOMPLETE_DLL_DIR"));
    EXPECT_NE(problem.find("SimConnect.dll found at"), std::string::npos) << problem;
    EXPECT_NE(problem.find("lacks SimConnect_Close, SimConnect_CallDispatch"), std::string::npos) << problem;
    EXPECT_EQ(problem.find("lacks SimConnect_Open"), std::string::npos) << problem;
    EXPECT_EQ(procedure(0), nullptr);  // not even the one it has is used
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
