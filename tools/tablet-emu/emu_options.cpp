#include "tools/tablet-emu/emu_options.h"

#include <limits>

#include "base/ipv4_text.h"

namespace brelvik::tabletemu {

bool parseWholeInt(const std::string& text, std::int64_t min, std::int64_t max, std::int64_t& out) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
        if (value > max + 1 && value > -min) return false;  // already out of every range we accept
    }
    if (negative) value = -value;
    if (value < min || value > max) return false;
    out = value;
    return true;
}

bool isDottedIpv4(const std::string& text) {
    // Leading zeros are refused too: some resolvers read them as octal.
    const auto address = dottedQuad(text);
    return address && *address == text;
}

namespace {

bool takeValue(const std::vector<std::string>& args, std::size_t& i, const std::string& name,
               std::optional<std::string> inlineValue, std::string& value, std::string& error) {
    if (inlineValue) {
        value = *inlineValue;
        return true;
    }
    if (i + 1 >= args.size()) {
        error = name + " needs a value";
        return false;
    }
    value = args[++i];
    return true;
}

bool takeInt(const std::string& name, const std::string& value, std::int64_t min, std::int64_t max,
             std::int64_t& out, std::string& error) {
    if (parseWholeInt(value, min, max, out)) return true;
    error = name + " wants a whole number from " + std::to_string(min) + " to " + std::to_string(max) + ", not \"" +
            value + "\"";
    return false;
}

}  // namespace

ParsedOptions parseOptions(const std::vector<std::string>& args) {
    ParsedOptions result;
    Options& o = result.options;
    bool exitOnEofGiven = false;
    for (std::size_t i = 0; i < args.size() && result.error.empty(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        const bool takesValue = name == "--port" || name == "--bridge-port" || name == "--answer-a" ||
                                name == "--probe-interval" || name == "--target";
        if (inlineValue && !takesValue) {
            result.error = name + " takes no value";
            break;
        }
        std::string value;
        std::int64_t number = 0;
        if (takesValue && !takeValue(args, i, name, inlineValue, value, result.error)) break;

        if (name == "--help" || name == "-h") {
            result.showHelp = true;
        } else if (name == "--port") {
            if (takeInt(name, value, 1, 65535, number, result.error)) o.port = static_cast<int>(number);
        } else if (name == "--bridge-port") {
            if (takeInt(name, value, 1, 65535, number, result.error)) o.bridgePort = static_cast<int>(number);
        } else if (name == "--answer-a") {
            if (takeInt(name, value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max(),
                        number, result.error)) {
                o.answerA = static_cast<std::int32_t>(number);
            }
        } else if (name == "--probe-interval") {
            if (takeInt(name, value, 0, 3600000, number, result.error)) o.probeIntervalMs = static_cast<int>(number);
        } else if (name == "--target") {
            if (isDottedIpv4(value)) o.target = value;
            else result.error = "--target wants a dotted IPv4 address, not \"" + value + "\"";
        } else if (name == "--silent") {
            o.silent = true;
        } else if (name == "--from") {
            o.showSender = true;
        } else if (name == "--stay") {
            o.stayAfterEof = true;
        } else if (name == "--exit-on-eof") {
            exitOnEofGiven = true;
        } else {
            result.error = "unknown option \"" + name + "\"";
        }
    }
    if (result.error.empty() && o.stayAfterEof && exitOnEofGiven) result.error = "--stay and --exit-on-eof contradict";
    return result;
}

std::string helpText() {
    return R"(Usage: tablet-emu [options]

Plays the tablet avionics app on the UDP text protocol so the bridge can be
tested without a tablet. Listens on UDP port 15684 (all local addresses) and
sends to the bridge's port 15683.

Every datagram received is printed on stdout as one line: its text, with each
byte that is not printable ASCII, and the backslash itself, written as \xNN
(two upper-case hex digits), so one datagram is always exactly one line. An
empty datagram prints an empty line. Nothing else is ever written to stdout;
notes and errors go to stderr, each line starting "tablet-emu: ". Once the
socket is bound, stderr gets "tablet-emu: listening on UDP port <port>".

Automatic replies, sent to the sender's address at the bridge port, chosen by
the first field of the datagram (text before the first "|"):
  ClientRequest  ->  ServerHere
  ClientComing   ->  ServerReady
  Request        ->  Answer|A=<n>      (n from --answer-a / !answer-a)
  anything else  ->  no reply (ClientOut, Answer, ClientData, ClientAv, ...)
Once any datagram has arrived, a "Request" keep-alive probe goes to the last
sender every --probe-interval milliseconds.

Options:
  --port N            UDP port to listen on (default 15684)
  --bridge-port N     UDP port replies and typed datagrams go to (default 15683)
  --answer-a N        the A value of the Answer reply (default 1)
  --probe-interval MS milliseconds between probes; 0 sends none (default 1000)
  --target ADDR       where typed datagrams go (dotted IPv4, e.g. 127.0.0.1);
                      default: the last sender, before any sender 127.0.0.1
  --silent            start silent (see !silent)
  --from              prefix each printed line with "<sender address> "
  --stay              keep running after end of input on stdin
  --exit-on-eof       exit at end of input on stdin (the default)
  -h, --help          show this text

Input on stdin, one line at a time (a trailing CR before the newline is dropped):
  !silent on|off      silent: no replies and no probes; received datagrams are
                      still printed and typed datagrams still sent
  !answer-a N         change the A value of the Answer reply
  !target ADDR        where typed datagrams go from now on (dotted IPv4)
  !send TEXT          send TEXT as it is (for a datagram that begins with "!")
  !quit               exit
  any other line      sent as one datagram, without its newline, to the target
                      at the bridge port; an empty line sends an empty datagram
Each command is acknowledged on stderr (e.g. "tablet-emu: silent on").

Ending: the program exits with status 0 on !quit, on SIGINT or SIGTERM, and at
end of input on stdin (Ctrl-D) unless --stay is given. A last line without a
newline is still handled before it exits. Tests that keep stdin open need no
option; run with --stay when stdin is empty or closed (e.g. </dev/null).
Exit status 1: the socket could not be opened or bound; 2: bad command line.

It only ever sends to addresses it received a datagram from, or was given with
--target or !target.
)";
}

}  // namespace brelvik::tabletemu
