// The firmware of the three panels without any port: what each panel answers,
// what it sends when a control moves, what a typed command means and what to
// print. main() owns the pseudo-terminals and carries out what this decides.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "panels/frame_parser.h"

namespace brelvik::panelemu {

enum class Panel { Gauges = 0, Switch = 1, Pedestal = 2 };
inline constexpr std::size_t kPanelCount = 3;
inline constexpr std::array<Panel, kPanelCount> kAllPanels{Panel::Gauges, Panel::Switch, Panel::Pedestal};

std::string_view panelName(Panel panel);
std::optional<Panel> panelFromName(std::string_view name);

struct Control {
    std::uint8_t code;
    std::uint8_t initial;
    // A push button has no lasting state, so a greeting does not report it.
    bool reported;
    const char* what;
};

// The controls of the switch panel or the pedestal, in code order; empty for
// the standby gauges, which send letters instead of frames.
std::span<const Control> controlsOf(Panel panel);

// What the standby gauges answer to the query line "Q".
inline constexpr std::string_view kGaugesIdentity = "BRELVIK PANEL-EMU STANDBY GAUGES 1.0\r\n";

// A panel holds unterminated text no longer than this; the bridge's gauge
// line is far shorter, so more means garbage and it is printed as it stands.
inline constexpr std::size_t kMaxGaugesLine = 4096;

std::vector<std::uint8_t> frame(std::uint8_t code, std::uint8_t value);

// Bytes outside printable ASCII, and the backslash, as \xNN: one line stays one line.
std::string escapeText(std::string_view bytes);

struct Output {
    std::vector<std::uint8_t> bytes;  // to write to the panel's port
    std::vector<std::string> lines;   // to print, without newlines
};

struct CommandResult {
    enum class Action { None, Unplug, Exit };
    std::optional<Panel> panel;  // whose port `bytes` go to, or which to unplug
    std::vector<std::uint8_t> bytes;
    std::vector<std::string> lines;
    Action action = Action::None;
};

class PanelEmulator {
public:
    // `open` says which panels have a port; commands for the others are refused.
    explicit PanelEmulator(std::array<bool, kPanelCount> open);

    // Bytes the bridge wrote to `panel`'s port, in any split.
    Output onReceived(Panel panel, std::span<const std::uint8_t> bytes);

    // One line typed on stdin, without its newline.
    CommandResult onCommand(std::string_view line);

    // Every reported control as frames, in code order, as the firmware
    // answers a greeting.
    std::vector<std::uint8_t> stateReport(Panel panel) const;

    std::optional<std::uint8_t> value(Panel panel, std::uint8_t code) const;
    bool silent(Panel panel) const { return silent_[index(panel)]; }
    bool isOpen(Panel panel) const { return open_[index(panel)]; }

private:
    static std::size_t index(Panel panel) { return static_cast<std::size_t>(panel); }
    void receiveFrame(Panel panel, PanelFramePair pair, Output& out);
    void receiveText(std::span<const std::uint8_t> bytes, Output& out);
    void endGaugesLine(Output& out);

    std::array<bool, kPanelCount> open_;
    std::array<bool, kPanelCount> silent_{};
    std::array<FrameParser, kPanelCount> parsers_{};
    std::array<std::array<std::uint8_t, 256>, kPanelCount> values_{};
    std::string gaugesLine_;
};

std::string commandHelp();

}  // namespace brelvik::panelemu
