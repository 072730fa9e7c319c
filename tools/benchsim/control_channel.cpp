#include "tools/benchsim/control_channel.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

namespace brelvik::benchsim {
namespace {

std::string_view withoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

// A whole word as a number: decimal, with a fraction or exponent, or 0x hex.
bool parseNumber(const std::string& word, double& value) {
    if (word.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(word.c_str(), &end);
    return end == word.c_str() + word.size() && errno == 0;
}

bool parseInteger(const std::string& word, long long& value) {
    if (word.empty()) return false;
    const bool hex = word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X');
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(word.c_str(), &end, hex ? 16 : 10);
    return end == word.c_str() + word.size() && errno == 0;
}

std::vector<std::string> words(std::string_view text) {
    std::istringstream in{std::string(text)};
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

}  // namespace

std::vector<std::string> ControlChannel::execute(std::string_view rawLine) {
    const std::string_view line = withoutLineEnd(rawLine);
    const std::string trimmedLine = trimmed(line);
    if (trimmedLine.empty() || trimmedLine.front() == '#') return {};
    const auto space = trimmedLine.find_first_of(" \t");
    const std::string command = trimmedLine.substr(0, space);
    const std::string rest = space == std::string::npos ? std::string() : trimmed(trimmedLine.substr(space + 1));
    const auto args = words(rest);

    if (command == "set") {
        // The value is the last word; everything before it is the name.
        const auto last = rest.find_last_of(" \t");
        if (last == std::string::npos) return {"error usage: set <variable name> <value>"};
        const std::string name = trimmed(rest.substr(0, last));
        const std::string word = rest.substr(last + 1);
        const Variable* existing = simulator_.store().find(name);
        if (existing != nullptr && existing->isText) {
            simulator_.setText(name, word);
            return {};
        }
        double value = 0;
        if (!parseNumber(word, value)) return {"error not a number: " + word};
        simulator_.setValue(name, value);
        return {};
    }
    if (command == "get") {
        const auto text = simulator_.text(rest);
        if (!text) return {"error unknown variable " + rest};
        return {"value " + rest + " " + *text};
    }
    if (command == "title") {
        // The rest of the line exactly, inner and trailing blanks included.
        const auto at = line.find("title") + 5;
        std::string_view title = line.substr(std::min(at, line.size()));
        if (!title.empty() && (title.front() == ' ' || title.front() == '\t')) title.remove_prefix(1);
        simulator_.setTitle(std::string(title));
        return {};
    }
    if (command == "version") {
        long long major = 0, minor = 0;
        if (args.empty() || args.size() > 2 || !parseInteger(args[0], major) ||
            (args.size() == 2 && !parseInteger(args[1], minor)) || major < 0 || minor < 0) {
            return {"error usage: version <major> <minor>"};
        }
        simulator_.setVersion(static_cast<std::uint32_t>(major), static_cast<std::uint32_t>(minor));
        return {};
    }
    if (command == "freeze") {
        if (args.size() != 1 || (args[0] != "on" && args[0] != "off")) return {"error usage: freeze on|off"};
        simulator_.freeze(args[0] == "on");
        return {};
    }
    if (command == "stall") {
        if (args.size() != 1 || (args[0] != "on" && args[0] != "off")) return {"error usage: stall on|off"};
        simulator_.stall(args[0] == "on");
        return {};
    }
    if (command == "step") {
        double seconds = 0;
        if (args.size() != 1 || !parseNumber(args[0], seconds) || seconds < 0 || seconds > 86400) {
            return {"error usage: step <seconds>"};
        }
        const bool wasFrozen = simulator_.frozen();
        simulator_.freeze(false);
        simulator_.advance(seconds);
        simulator_.freeze(wasFrozen);
        return {};
    }
    if (command == "pilot") {
        long long data = 0;
        if (args.empty() || args.size() > 2 || (args.size() == 2 && !parseInteger(args[1], data))) {
            return {"error usage: pilot <event name> [data]"};
        }
        simulator_.pilotEvent(args[0], static_cast<std::int32_t>(data));
        return {};
    }
    if (command == "refuse") {
        if (rest.empty()) return {"error usage: refuse <variable or event name>"};
        simulator_.refuseName(rest);
        return {};
    }
    if (command == "list") {
        std::vector<std::string> out;
        for (const auto& [key, v] : simulator_.store().all()) {
            out.push_back("var " + v.name + " = " +
                          (v.isText ? v.text : numberText(v.number) + " (" + v.unit.name + ")"));
        }
        return out;
    }
    if (command == "quit") {
        simulator_.quitClients();
        return {};
    }
    if (command == "drop") {
        simulator_.dropClients();
        return {};
    }
    if (command == "exit") {
        exit_ = true;
        return {};
    }
    if (command == "help") {
        std::vector<std::string> out;
        std::istringstream in(helpText());
        for (std::string l; std::getline(in, l);) out.push_back(l);
        return out;
    }
    return {"error unknown command " + command};
}

const char* helpText() {
    return R"HELP(usage: benchsim [options]
A stand-in simulator that speaks SimConnect's own protocol: any SimConnect
client using these operations (open, data definitions and data by type, data
writes, event mapping and transmission, notification groups) connects over
TCP on loopback. Commands are read from standard input, one per line, and
replies and reports are written to standard output, one per line.

options:
  --listen ADDRESS:PORT     address to listen on: 127.x.y.z or [::1] (default 127.0.0.1:15690)
  --simulator KIND          play fsx, p3d, msfs2020 or msfs2024: the protocols it
                            accepts and the name and versions its open message reports
  --version-major N         application major version in the open message (default 11)
  --version-minor M         application minor version (default 0)
  --frozen                  start with the flight model frozen
  --app-name TEXT           application name in the open message, bytes as given
  --strict                  only the variables benchsim lists are known
  --no-addons               add-on event names ("Prefix.NAME") are unknown
  --stay                    keep running when standard input ends
  --help                    this text

commands:
  set <variable name> <value>  value (the last word) in the variable's own unit;
                               a text variable takes the word as its text
  get <variable name>          replies "value <variable name> <value>"
  title <text>                 the aircraft title, the rest of the line exactly
                               (256 characters or more fill the field with no NUL)
  version <major> <minor>      version reported to the next connections
  freeze on|off                stop or run the flight model
  step <seconds>               run the flight model that long now, even frozen
  stall on|off                 hang: requests wait unanswered; off answers them all
  pilot <event name> [data]    the pilot's own key event: clients with it in a group
                               get an event message; it is held back when such a
                               group is maskable at priority 10000000 ... 1999999999
  refuse <name>                that variable or event name is unknown from now on
  list                         "var <name> = <value> (<unit>)" for every variable
  quit                         the quit message to every client, then disconnect
  drop                         disconnect every client without a word (a crash)
  exit                         end benchsim
  help                         this text

reports:
  client <name>                a client opened its connection
  gone <name>                  a client's connection closed
  map <client event> <name>    the client mapped an event name
  event <name> <data> <group>  the client transmitted a key event (data as signed
                               decimal, group as sent: a priority with flag 16)
  setdata <definition> <values...>  the client wrote a data definition
  priority <group> <value>     the client set a notification group's priority
  pilot <name> <data> masked|applied  result of a pilot command
  exception <kind> <detail>    an exception message sent to a client
  listening <address>          the address benchsim listens on (first line)
  value / var / error          replies to commands

values: a variable the bench lists keeps its listed unit (see "list"); any other
keeps the unit of its first declaration. Names compare without regard to case.)HELP";
}

}  // namespace brelvik::benchsim
