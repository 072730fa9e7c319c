// Control and timer ids of the main dialog. Other parts of the program, the
// settings and the panel decoder address controls by these numbers.
#pragma once

namespace brelvik::ids {

inline constexpr int kStart = 1;            // "Start" / "Stop" / "Waiting", the default button
inline constexpr int kCancel = 2;           // Escape and the window-close shortcut
inline constexpr int kClose = 1000;
inline constexpr int kTabletAddress = 1001; // IP address field
inline constexpr int kSimStatus = 1002;
inline constexpr int kTabletStatus = 1003;
inline constexpr int kSendSimOperations = 1004;
inline constexpr int kTabletAutoConnect = 1005;
inline constexpr int kSyncAutopilotMaster = 1006;
inline constexpr int kSyncBaro = 1007;
inline constexpr int kRefreshPorts = 1008;
inline constexpr int kGaugesPort = 1009;
inline constexpr int kGaugesConnect = 1010;
inline constexpr int kPedestalConnect = 1011;
inline constexpr int kSwitchPanelConnect = 1012;
inline constexpr int kSwitchPanelPort = 1013;
inline constexpr int kFirstBreaker = 1014;
inline constexpr int kLastBreaker = 1055;
inline constexpr int kBreakerCount = kLastBreaker - kFirstBreaker + 1;  // 42
inline constexpr int kInputMapping = 1056;
inline constexpr int kPedestalPort = 1057;
inline constexpr int kGaugesStatus = 1116;
inline constexpr int kSwitchPanelStatus = 1118;
inline constexpr int kPedestalStatus = 1119;
inline constexpr int kCalibrationConfig = 1184;
inline constexpr int kPedestalInitialize = 1185;
inline constexpr int kPanelAutoConnect = 1239;
inline constexpr int kPanelAutoConnectStatus = 1240;
inline constexpr int kGaugesConfig = 1241;

// The eleven failure boxes, by id.
inline constexpr int kFailureBoxes[11] = {1242, 1243, 1245, 1246, 1247, 1248, 1249, 1250, 1251, 1252, 1253};
// The same boxes in the order their flags travel to the tablet (FGIA1, FGIA2,
// FADC, FGEA, FAHRS, FALT, FASI, FVVI, FMAG, FXPDR, FMFD).
inline constexpr int kFailureBoxesInFlagOrder[11] = {1242, 1243, 1245, 1249, 1246, 1252,
                                                     1251, 1253, 1247, 1250, 1248};

// Breaker boxes that exist (the decoder indexes all 42) but are not shown.
inline constexpr int kHiddenBreakers[12] = {1016, 1017, 1018, 1019, 1020, 1027, 1034, 1039, 1040, 1041, 1048, 1055};

inline constexpr int kSimTimer = 1;          // simulator service
inline constexpr int kInvitationTimer = 2;   // "ClientComing" timed out
inline constexpr int kKeepAliveTimer = 3;    // "Request" probes
inline constexpr int kDiscoveryTimer = 4;    // "ClientRequest" broadcasts

}  // namespace brelvik::ids
