// Command line of panel-emu, and the lines it prints about its ports, kept
// apart from main() so they are testable without starting the program.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "tools/panel-emu/panel_emulator.h"

namespace brelvik::panelemu {

struct PanelChoice {
    bool wanted = false;
    std::optional<std::string> device;  // an existing device or unix:<socket> instead of a new pseudo-terminal
};

struct Options {
    std::array<PanelChoice, kPanelCount> panels{};
    bool stayAfterEof = false;
};

struct ParsedOptions {
    Options options;
    bool showHelp = false;
    std::string error;  // empty when the command line was accepted
};

// args excludes the program name.
ParsedOptions parseOptions(const std::vector<std::string>& args);

std::string helpText();

int baudRate(Panel panel);

// The name the port list shows, chosen so auto-connect's name tests pick the
// port as they would the real panel's: "STMicro" for the gauges, "USB" for all.
std::string friendlyName(Panel panel, const std::string& path);

// "BRELVIK_EXTRA_PORTS=name=path;name=path" for the panels with a path.
std::string extraPortsLine(const std::array<std::optional<std::string>, kPanelCount>& paths);

}  // namespace brelvik::panelemu
