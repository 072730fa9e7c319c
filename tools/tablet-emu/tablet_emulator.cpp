#include "tools/tablet-emu/tablet_emulator.h"

#include <limits>
#include <vector>

namespace brelvik::tabletemu {

std::string escapeDatagram(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string line;
    line.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F && b != '\\') {
            line += c;
        } else {
            line += "\\x";
            line += kHex[b >> 4];
            line += kHex[b & 0x0F];
        }
    }
    return line;
}

std::string_view messageWord(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() && text[start] == '|') ++start;
    const std::size_t end = text.find('|', start);
    return text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

TabletEmulator::TabletEmulator(const Options& options)
    : bridgePort_(options.bridgePort),
      probing_(options.probeIntervalMs > 0),
      showSender_(options.showSender),
      silent_(options.silent),
      answerA_(options.answerA),
      explicitTarget_(options.target) {}

std::string TabletEmulator::printedLine(std::string_view bytes, const std::string& sender) const {
    std::string line = showSender_ ? sender + " " : std::string();
    line += escapeDatagram(bytes);
    line += '\n';
    return line;
}

std::optional<Outgoing> TabletEmulator::onDatagram(std::string_view bytes, const std::string& sender) {
    // Learned even while silent, so probes and typed lines reach the bridge
    // that spoke last once the emulator talks again.
    lastBridge_ = sender;
    if (silent_) return std::nullopt;
    const std::string_view word = messageWord(bytes);
    std::string reply;
    if (word == "ClientRequest") reply = "ServerHere";
    else if (word == "ClientComing") reply = "ServerReady";
    else if (word == "Request") reply = "Answer|A=" + std::to_string(answerA_);
    else return std::nullopt;
    return Outgoing{reply, sender, bridgePort_};
}

std::optional<Outgoing> TabletEmulator::probe() const {
    if (silent_ || !probing_ || !lastBridge_) return std::nullopt;
    return Outgoing{"Request", *lastBridge_, bridgePort_};
}

std::string TabletEmulator::target() const {
    if (explicitTarget_) return *explicitTarget_;
    if (lastBridge_) return *lastBridge_;
    return kDefaultTarget;
}

namespace {

std::vector<std::string> splitWords(std::string_view text) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
        if (i > start) words.emplace_back(text.substr(start, i - start));
    }
    return words;
}

}  // namespace

TabletEmulator::LineResult TabletEmulator::onInputLine(std::string_view line) {
    LineResult result;
    if (line.empty() || line.front() != '!') {
        result.send = Outgoing{std::string(line), target(), bridgePort_};
        return result;
    }
    if (line.rfind("!send ", 0) == 0) {
        result.send = Outgoing{std::string(line.substr(6)), target(), bridgePort_};
        return result;
    }
    const std::vector<std::string> words = splitWords(line);
    const std::string command = words.empty() ? std::string() : words[0];
    const std::size_t argCount = words.size() - 1;
    std::int64_t number = 0;
    if (command == "!quit" && argCount == 0) {
        result.quit = true;
        result.note = "quit";
    } else if (command == "!silent" && argCount == 1 && (words[1] == "on" || words[1] == "off")) {
        silent_ = words[1] == "on";
        result.note = "silent " + words[1];
    } else if (command == "!answer-a" && argCount == 1 &&
               parseWholeInt(words[1], std::numeric_limits<std::int32_t>::min(),
                             std::numeric_limits<std::int32_t>::max(), number)) {
        answerA_ = static_cast<std::int32_t>(number);
        result.note = "answer-a " + std::to_string(answerA_);
    } else if (command == "!target" && argCount == 1 && isDottedIpv4(words[1])) {
        explicitTarget_ = words[1];
        result.note = "target " + words[1];
    } else {
        result.note = "not understood: \"" + escapeDatagram(line) +
                      "\" (commands: !silent on|off, !answer-a N, !target ADDR, !send TEXT, !quit)";
    }
    return result;
}

}  // namespace brelvik::tabletemu
