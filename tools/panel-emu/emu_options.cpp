#include "tools/panel-emu/emu_options.h"

namespace brelvik::panelemu {

ParsedOptions parseOptions(const std::vector<std::string>& args) {
    ParsedOptions parsed;
    auto fail = [&](std::string text) {
        parsed.error = std::move(text);
        return parsed;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            parsed.showHelp = true;
        } else if (arg == "--stay") {
            parsed.options.stayAfterEof = true;
        } else if (arg.size() > 2 && arg.rfind("--", 0) == 0 && panelFromName(arg.substr(2))) {
            parsed.options.panels[static_cast<std::size_t>(*panelFromName(arg.substr(2)))].wanted = true;
        } else if (arg == "--device") {
            if (i + 1 == args.size()) return fail("--device needs <panel>=<path>");
            const std::string& value = args[++i];
            const std::size_t equals = value.find('=');
            const auto panel = equals == std::string::npos ? std::nullopt : panelFromName(value.substr(0, equals));
            if (!panel) return fail("--device needs <panel>=<path> with panel gauges, switch or pedestal");
            const std::string path = value.substr(equals + 1);
            // The path goes into BRELVIK_EXTRA_PORTS, where these two characters separate entries.
            if (path.empty() || path.find_first_of(";=") != std::string::npos) {
                return fail("--device path must be non-empty and free of ';' and '='");
            }
            auto& choice = parsed.options.panels[static_cast<std::size_t>(*panel)];
            if (choice.device) return fail("--device given twice for " + std::string(panelName(*panel)));
            choice.wanted = true;
            choice.device = path;
        } else {
            return fail("unknown option: " + arg);
        }
    }
    if (parsed.showHelp) return parsed;
    bool any = false;
    for (const auto& choice : parsed.options.panels) any = any || choice.wanted;
    if (!any) return fail("name at least one panel: --gauges, --switch, --pedestal");
    return parsed;
}

int baudRate(Panel panel) { return panel == Panel::Gauges ? 115200 : 9600; }

std::string friendlyName(Panel panel, const std::string& path) {
    const std::string shortPath = path.rfind("/dev/", 0) == 0 ? path.substr(5) : path;
    if (panel == Panel::Gauges) return "STMicroelectronics Virtual COM Port USB (" + shortPath + ")";
    return "USB Serial Port (" + shortPath + ")";
}

std::string extraPortsLine(const std::array<std::optional<std::string>, kPanelCount>& paths) {
    std::string line = "BRELVIK_EXTRA_PORTS=";
    bool first = true;
    for (Panel panel : kAllPanels) {
        const auto& path = paths[static_cast<std::size_t>(panel)];
        if (!path) continue;
        if (!first) line += ';';
        line += friendlyName(panel, *path) + "=" + *path;
        first = false;
    }
    return line;
}

std::string helpText() {
    std::string text =
        "usage: panel-emu [--gauges] [--switch] [--pedestal] [--device <panel>=<path>] [--stay]\n"
        "\n"
        "Plays the firmware of the standby gauges panel, the switch panel and the\n"
        "pedestal, each on a pseudo-terminal of its own (or on --device <panel>=<path>).\n"
        "A path unix:<socket> connects to a Unix socket instead and plays the panel\n"
        "over it: the host's end of a virtual machine's USB-serial adapter (QEMU's\n"
        "-chardev socket,server=on behind -device usb-serial). Such a panel is left\n"
        "out of the BRELVIK_EXTRA_PORTS line: the bridge opens the adapter's tty\n"
        "inside the machine.\n"
        "At least one panel. Prints first 'port <panel> <path>' per panel, then one\n"
        "'BRELVIK_EXTRA_PORTS=...' line to put in the bridge's environment.\n"
        "Then it prints 'rx <panel> <code> <value>' (hex) for every frame received,\n"
        "'rx gauges <line>' for every text line, and 'error <text>' for refused commands.\n"
        "Ends at 'exit' or at the end of stdin (--stay: keeps running after it).\n"
        "\n"
        "The switch panel and the pedestal answer the greeting FF FF FE 00 with a\n"
        "frame per control; the standby gauges answer the line Q with an identity line.\n"
        "Controls and their start values (code: value):\n";
    for (Panel panel : {Panel::Switch, Panel::Pedestal}) {
        text += "  " + std::string(panelName(panel)) + ":\n";
        int lastBreaker = -1;
        for (const Control& control : controlsOf(panel)) {
            if (control.code > 20 && control.code <= 61) {
                lastBreaker = control.code;
                continue;
            }
            if (lastBreaker >= 0) {
                text += "    ... up to " + std::to_string(lastBreaker) + "\n";
                lastBreaker = -1;
            }
            text += "    " + std::to_string(control.code) + ": " + std::to_string(control.initial) + "  " +
                    control.what + (control.reported ? "" : " (not reported on greeting)") + "\n";
        }
    }
    return text + "\n" + commandHelp() + "\n";
}

}  // namespace brelvik::panelemu
