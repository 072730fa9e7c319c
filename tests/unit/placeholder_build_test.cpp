#include <gtest/gtest.h>
#include "sim/simconnect.h"

// With no simulator reachable every call on the zero handle must fail, never act.
TEST(SimulatorClientWithoutSimulator, OpenFailsAndZeroHandleCallsFail) {
    HANDLE h = reinterpret_cast<HANDLE>(1);
    EXPECT_LT(SimConnect_Open(&h, "Brelvik", nullptr, 0, nullptr, SIMCONNECT_OPEN_CONFIGINDEX_LOCAL), 0);
    EXPECT_EQ(h, nullptr);
    EXPECT_LT(SimConnect_TransmitClientEvent(nullptr, 0, 10, 0, 1, 16), 0);
    EXPECT_LT(SimConnect_SetNotificationGroupPriority(nullptr, 0, 1), 0);
}
