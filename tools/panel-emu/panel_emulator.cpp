#include "tools/panel-emu/panel_emulator.h"

#include <charconv>
#include <cstdio>

namespace brelvik::panelemu {
namespace {

// A parked aircraft, cold and dark: switches off, breakers in, flaps up
// (200 is inside the bridge's default "up" band 161-255), knobs at half,
// trim neutral, fuel valve open on both tanks, parking brake set.
std::vector<Control> makeSwitchControls() {
    std::vector<Control> controls = {
        {0, 0, true, "standby battery switch"},   {1, 0, true, "standby battery test switch"},
        {2, 0, true, "master battery switch"},    {3, 0, true, "alternator switch"},
        {4, 0, true, "avionics bus 1 switch"},    {5, 0, true, "avionics bus 2 switch"},
        {6, 0, true, "beacon switch"},            {7, 0, true, "landing light switch"},
        {8, 0, true, "taxi light switch"},        {9, 0, true, "navigation light switch"},
        {10, 0, true, "strobe switch"},           {11, 0, true, "fuel pump switch"},
        {12, 0, true, "pitot heat switch"},       {14, 128, true, "panel backlight knob"},
        {15, 128, true, "standby gauges brightness knob"}, {16, 128, true, "pedestal backlight knob"},
        {17, 128, true, "avionics brightness knob"},       {18, 0, true, "magneto key (0 off .. 4 start)"},
        {19, 200, true, "flaps lever"},
    };
    for (int code = 20; code <= 61; ++code) {
        controls.push_back({static_cast<std::uint8_t>(code), 1, true, "circuit breaker (0 popped)"});
    }
    controls.push_back({80, 0, false, "go-around button"});
    controls.push_back({81, 0, true, "alternate static source"});
    controls.push_back({87, 0, true, "parking brake (0 set, 1 released)"});
    return controls;
}

const std::vector<Control> kSwitchControls = makeSwitchControls();
const std::vector<Control> kPedestalControls = {
    {94, 128, true, "elevator trim wheel"},
    {95, 0, true, "fuel shutoff valve (0 open, 1 closed)"},
    {96, 0, true, "fuel selector (0 both, 1 left, 2 right)"},
};

const Control* findControl(Panel panel, std::uint8_t code) {
    for (const Control& control : controlsOf(panel)) {
        if (control.code == code) return &control;
    }
    return nullptr;
}

std::string hex2(std::uint8_t byte) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(byte));
    return text;
}

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t start = line.find_first_not_of(" \t", at);
        if (start == std::string_view::npos) break;
        std::size_t end = line.find_first_of(" \t", start);
        if (end == std::string_view::npos) end = line.size();
        out.push_back(line.substr(start, end - start));
        at = end;
    }
    return out;
}

std::optional<std::uint8_t> parseByte(std::string_view text) {
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || value > 255) return std::nullopt;
    return static_cast<std::uint8_t>(value);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "FF FF 13 01", "ffff1301" and "F" alike; a token of odd length above one is refused
// rather than guessed at.
std::optional<std::vector<std::uint8_t>> parseHex(std::span<const std::string_view> tokens) {
    std::vector<std::uint8_t> bytes;
    for (std::string_view token : tokens) {
        if (token.size() > 2 && token.size() % 2 != 0) return std::nullopt;
        if (token.size() == 1) {
            const int digit = hexDigit(token[0]);
            if (digit < 0) return std::nullopt;
            bytes.push_back(static_cast<std::uint8_t>(digit));
            continue;
        }
        for (std::size_t i = 0; i < token.size(); i += 2) {
            const int high = hexDigit(token[i]);
            const int low = hexDigit(token[i + 1]);
            if (high < 0 || low < 0) return std::nullopt;
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        }
    }
    if (bytes.empty()) return std::nullopt;
    return bytes;
}

CommandResult sendTo(Panel panel, std::vector<std::uint8_t> bytes) {
    CommandResult result;
    result.panel = panel;
    result.bytes = std::move(bytes);
    return result;
}

CommandResult act(CommandResult::Action action, std::optional<Panel> panel = std::nullopt) {
    CommandResult result;
    result.panel = panel;
    result.action = action;
    return result;
}

CommandResult refused(std::string text) {
    CommandResult result;
    result.lines.push_back("error " + text);
    return result;
}

}  // namespace

std::string_view panelName(Panel panel) {
    switch (panel) {
    case Panel::Gauges: return "gauges";
    case Panel::Switch: return "switch";
    case Panel::Pedestal: return "pedestal";
    }
    return "?";
}

std::optional<Panel> panelFromName(std::string_view name) {
    for (Panel panel : kAllPanels) {
        if (panelName(panel) == name) return panel;
    }
    return std::nullopt;
}

std::span<const Control> controlsOf(Panel panel) {
    switch (panel) {
    case Panel::Switch: return kSwitchControls;
    case Panel::Pedestal: return kPedestalControls;
    case Panel::Gauges: break;
    }
    return {};
}

std::vector<std::uint8_t> frame(std::uint8_t code, std::uint8_t value) { return {0xFF, 0xFF, code, value}; }

std::string escapeText(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && c != '\\') {
            out += c;
        } else {
            out += "\\x" + hex2(byte);
        }
    }
    return out;
}

PanelEmulator::PanelEmulator(std::array<bool, kPanelCount> open) : open_(open) {
    for (Panel panel : kAllPanels) {
        for (const Control& control : controlsOf(panel)) values_[index(panel)][control.code] = control.initial;
    }
}

Output PanelEmulator::onReceived(Panel panel, std::span<const std::uint8_t> bytes) {
    Output out;
    if (panel == Panel::Gauges) {
        receiveText(bytes, out);
    } else {
        parsers_[index(panel)].feed(bytes, [&](PanelFramePair pair) { receiveFrame(panel, pair, out); });
    }
    return out;
}

void PanelEmulator::receiveFrame(Panel panel, PanelFramePair pair, Output& out) {
    out.lines.push_back("rx " + std::string(panelName(panel)) + " " + hex2(pair.code) + " " + hex2(pair.value));
    if (pair.code == 0xFE && pair.value == 0x00 && !silent(panel)) {
        const auto report = stateReport(panel);
        out.bytes.insert(out.bytes.end(), report.begin(), report.end());
    }
}

void PanelEmulator::receiveText(std::span<const std::uint8_t> bytes, Output& out) {
    for (const std::uint8_t byte : bytes) {
        if (byte == '\n') {
            endGaugesLine(out);
            continue;
        }
        gaugesLine_ += static_cast<char>(byte);
        if (gaugesLine_.size() >= kMaxGaugesLine) endGaugesLine(out);
    }
}

void PanelEmulator::endGaugesLine(Output& out) {
    if (!gaugesLine_.empty() && gaugesLine_.back() == '\r') gaugesLine_.pop_back();
    out.lines.push_back("rx gauges " + escapeText(gaugesLine_));
    if (gaugesLine_ == "Q" && !silent(Panel::Gauges)) {
        out.bytes.insert(out.bytes.end(), kGaugesIdentity.begin(), kGaugesIdentity.end());
    }
    gaugesLine_.clear();
}

std::vector<std::uint8_t> PanelEmulator::stateReport(Panel panel) const {
    std::vector<std::uint8_t> bytes;
    for (const Control& control : controlsOf(panel)) {
        if (!control.reported) continue;
        const auto one = frame(control.code, values_[index(panel)][control.code]);
        bytes.insert(bytes.end(), one.begin(), one.end());
    }
    return bytes;
}

std::optional<std::uint8_t> PanelEmulator::value(Panel panel, std::uint8_t code) const {
    if (findControl(panel, code) == nullptr) return std::nullopt;
    return values_[index(panel)][code];
}

CommandResult PanelEmulator::onCommand(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const auto w = words(line);
    if (w.empty()) return {};
    const std::string_view verb = w[0];
    if (verb == "exit" && w.size() == 1) return act(CommandResult::Action::Exit);
    if (verb == "help" && w.size() == 1) {
        CommandResult result;
        std::string text = commandHelp();
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t end = text.find('\n', at);
            result.lines.push_back(text.substr(at, end - at));
            if (end == std::string::npos) break;
            at = end + 1;
        }
        return result;
    }
    if (verb == "key") {
        if (w.size() != 2 || w[1].size() != 1 || w[1][0] < 'A' || w[1][0] > 'F') {
            return refused("usage: key A|B|C|D|E|F");
        }
        if (!isOpen(Panel::Gauges)) return refused("gauges is not open");
        return sendTo(Panel::Gauges, {static_cast<std::uint8_t>(w[1][0])});
    }
    const bool known = verb == "set" || verb == "raw" || verb == "unplug" || verb == "silent";
    if (!known) return refused("unknown command: " + escapeText(verb) + " (try help)");
    if (w.size() < 2) return refused("usage: " + std::string(verb) + " <panel> ... (try help)");
    const auto panel = panelFromName(w[1]);
    if (!panel) return refused("unknown panel: " + escapeText(w[1]) + " (gauges, switch, pedestal)");
    const std::string name(panelName(*panel));
    if (!isOpen(*panel)) return refused(name + " is not open");

    if (verb == "set") {
        if (w.size() != 4) return refused("usage: set <panel> <code> <value>");
        if (*panel == Panel::Gauges) return refused("gauges send letters: use key");
        const auto code = parseByte(w[2]);
        const auto value = parseByte(w[3]);
        if (!code || !findControl(*panel, *code)) {
            return refused("no control " + escapeText(w[2]) + " on " + name);
        }
        if (!value) return refused("value must be 0-255: " + escapeText(w[3]));
        values_[index(*panel)][*code] = *value;
        return sendTo(*panel, frame(*code, *value));
    }
    if (verb == "raw") {
        const auto bytes = parseHex(std::span(w).subspan(2));
        if (!bytes) return refused("usage: raw <panel> <hex bytes>, e.g. raw switch FF FF 13 01");
        return sendTo(*panel, *bytes);
    }
    if (verb == "silent") {
        if (w.size() != 3 || (w[2] != "on" && w[2] != "off")) return refused("usage: silent <panel> on|off");
        silent_[index(*panel)] = w[2] == "on";
        return {};
    }
    if (w.size() != 2) return refused("usage: unplug <panel>");
    open_[index(*panel)] = false;
    return act(CommandResult::Action::Unplug, panel);
}

std::string commandHelp() {
    return "commands, one per line:\n"
           "  set <switch|pedestal> <code> <value>  move a control (decimal) and send its frame\n"
           "  key <A-F>                  turn a standby gauges knob (A/B ADF card, C/D VOR1, E/F VOR2)\n"
           "  raw <panel> <hex bytes>    send bytes as they are, e.g. raw switch FF FF 13 01\n"
           "  unplug <panel>             close the port as a pulled cable would\n"
           "  silent <panel> on|off      stop or resume answering greetings and queries\n"
           "  help, exit";
}

}  // namespace brelvik::panelemu
