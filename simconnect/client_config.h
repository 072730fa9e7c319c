// Where the client library looks for the simulator, the way SimConnect users
// already configure it: a SimConnect.cfg in the vendor's format, else the
// simulator on this PC.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "simconnect/link.h"

namespace brelvik::standin {

// The connection a SimConnect.cfg names: its [SimConnect.N] section for
// configuration index N, else its [SimConnect] section. Protocol is Ipv4
// (the default), Ipv6 or Pipe (Windows only; Port then names the pipe under
// \\.\pipe\). Nothing, with `problem` set, for a file that names none the
// platform can use.
std::optional<SimulatorTarget> parseSimConnectCfg(std::string_view text, unsigned index, bool pipesAllowed,
                                                  std::string& problem);

// "host:port", "[v6 address]:port": the form of BRELVIK_SIM_ADDRESS.
std::optional<SimulatorTarget> parseAddress(std::string_view text);

// What SimConnect_Open tries, in order. `configIndex` is the open call's
// (0xFFFFFFFF: the local simulator, unless a SimConnect.cfg says otherwise).
// A problem with a SimConnect.cfg that was found is set in `problem`.
std::vector<SimulatorTarget> simulatorTargets(unsigned configIndex, std::string& problem);

// The first SimConnect.cfg of configFolders() that can be read; empty when none.
std::string findSimConnectCfg();

// The folders searched for SimConnect.cfg, in order (platform code).
std::vector<std::string> configFolders();
bool pipesSupported();
// The simulator on this PC when no SimConnect.cfg names one (platform code).
std::vector<SimulatorTarget> localTargets();

}  // namespace brelvik::standin
