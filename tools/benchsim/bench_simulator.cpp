#include "tools/benchsim/bench_simulator.h"

#include <algorithm>
#include <cctype>

#include "tools/benchsim/client_session.h"
#include "tools/benchsim/key_events.h"

namespace brelvik::benchsim {
namespace {


// A link that hands requests straight to a session on the caller's thread, so a
// test steps client and simulator deterministically.
class InProcessLink final : public standin::SimulatorLink {
public:
    explicit InProcessLink(std::shared_ptr<ClientSession> session) : session_(std::move(session)) {}
    ~InProcessLink() override {
        if (BenchSimulator* simulator = session_->simulator()) simulator->closeSession(*session_);
    }
    InProcessLink(const InProcessLink&) = delete;
    InProcessLink& operator=(const InProcessLink&) = delete;

    bool write(const std::uint8_t* data, std::size_t size) override {
        if (session_->ended()) return false;
        session_->receive(data, size);
        return true;
    }

    bool readAvailable(std::vector<std::uint8_t>& into) override {
        const auto bytes = session_->takeOutput();
        into.insert(into.end(), bytes.begin(), bytes.end());
        return !session_->ended();
    }

private:
    std::shared_ptr<ClientSession> session_;
};

bool isNameCharacter(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

// Letters, digits, blanks and underscores, then an optional ":index".
bool wellFormedVariableName(std::string_view name) {
    const auto colon = name.find(':');
    const std::string_view base = name.substr(0, colon);
    if (base.empty() || base.front() == ' ' || base.back() == ' ') return false;
    if (!std::all_of(base.begin(), base.end(), [](char c) { return isNameCharacter(c) || c == ' '; })) return false;
    if (colon == std::string_view::npos) return true;
    const std::string_view index = name.substr(colon + 1);
    return !index.empty() && std::all_of(index.begin(), index.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool wellFormedEventWord(std::string_view word) {
    return !word.empty() && std::isalpha(static_cast<unsigned char>(word.front())) != 0 &&
           std::all_of(word.begin(), word.end(), isNameCharacter);
}

}  // namespace

BenchSimulator::BenchSimulator(BenchOptions options) : options_(options) {}

BenchSimulator::~BenchSimulator() {
    // Links may outlive the simulator; they then read a closed stream.
    for (auto& session : sessions_) session->detach();
}

std::unique_ptr<standin::SimulatorLink> BenchSimulator::connect() {
    return std::make_unique<InProcessLink>(openSession());
}

std::shared_ptr<ClientSession> BenchSimulator::openSession() {
    sessions_.push_back(std::make_shared<ClientSession>(*this));
    return sessions_.back();
}

void BenchSimulator::closeSession(const ClientSession& session) {
    const auto it = std::find_if(sessions_.begin(), sessions_.end(),
                                 [&](const std::shared_ptr<ClientSession>& s) { return s.get() == &session; });
    if (it == sessions_.end()) return;
    const auto keep = *it;  // the caller may hold only a reference
    sessions_.erase(it);
    keep->detach();
    report("gone " + keep->name());
}

void BenchSimulator::setValue(std::string_view name, double value) {
    Variable& v = store_.obtain(name, std::nullopt, false);
    VariableStore::write(v, nullptr, value);
}

void BenchSimulator::setText(std::string_view name, std::string text) {
    Variable& v = store_.obtain(name, std::nullopt, true);
    if (v.isText) {
        v.text = std::move(text);
    } else {
        v.number = std::strtod(text.c_str(), nullptr);
    }
}

std::optional<double> BenchSimulator::value(std::string_view name) const {
    const Variable* v = store_.find(name);
    if (v == nullptr || v->isText) return std::nullopt;
    return v->number;
}

std::optional<std::string> BenchSimulator::text(std::string_view name) const {
    const Variable* v = store_.find(name);
    if (v == nullptr) return std::nullopt;
    return v->isText ? v->text : numberText(v->number);
}

void BenchSimulator::setVersion(std::uint32_t major, std::uint32_t minor) {
    options_.versionMajor = major;
    options_.versionMinor = minor;
}

void BenchSimulator::advance(double seconds) {
    if (!options_.frozen && seconds > 0) flight_.advance(store_, seconds);
}

void BenchSimulator::stall(bool stalled) {
    stalled_ = stalled;
    if (stalled) return;
    // Copied first: answering may end a session, and its end removes it.
    const auto sessions = sessions_;
    for (auto& session : sessions) session->receive(nullptr, 0);
}

void BenchSimulator::quitClients() {
    for (auto& session : sessions_) {
        session->send(wire::quitMessage(options_.highestProtocol));
        session->end();
    }
}

void BenchSimulator::dropClients() {
    for (auto& session : sessions_) session->end();
}

void BenchSimulator::refuseName(std::string_view name) { refused_.insert(upperCase(trimmed(name))); }

void BenchSimulator::pilotEvent(std::string_view name, std::int32_t data) {
    const std::string upper = upperCase(trimmed(name));
    bool masked = false;
    for (auto& session : sessions_) {
        if (session->notifyPilotEvent(upper, static_cast<std::uint32_t>(data))) masked = true;
    }
    report("pilot " + trimmed(name) + " " + std::to_string(data) + (masked ? " masked" : " applied"));
    if (!masked) applyKeyEvent(store_, upper, data);
}

std::vector<std::string> BenchSimulator::takeReports() {
    std::vector<std::string> out;
    out.swap(reports_);
    return out;
}

void BenchSimulator::report(const std::string& line) {
    if (sink_) {
        sink_(line);
    } else {
        reports_.push_back(line);
    }
}

wire::OpenInfo BenchSimulator::openInfo() const {
    wire::OpenInfo info;
    info.applicationName = options_.applicationName;
    info.versionMajor = options_.versionMajor;
    info.versionMinor = options_.versionMinor;
    info.buildMajor = options_.buildMajor;
    info.buildMinor = options_.buildMinor;
    info.libraryMajor = options_.libraryMajor != 0 ? options_.libraryMajor : options_.versionMajor;
    info.libraryMinor = options_.libraryMajor != 0 ? options_.libraryMinor : options_.versionMinor;
    info.libraryBuildMajor = options_.libraryBuildMajor;
    info.libraryBuildMinor = options_.libraryBuildMinor;
    return info;
}

// What each simulator reports in its open message and which protocols it
// serves. FSX SP2 / Acceleration serve protocols 2-4; MSFS 2020 also 5; MSFS
// 2024 also 6. Prepar3D's numbers are benchsim's choice (v4.5, serving FSX
// SP2 clients); its name is in Windows-1252, as that simulator writes it.
bool playSimulator(std::string_view kind, BenchOptions& o) {
    if (kind == "fsx") {
        o.applicationName = "Microsoft Flight Simulator X";
        o.versionMajor = 10, o.versionMinor = 0, o.buildMajor = 61637, o.buildMinor = 0;
        o.libraryMajor = 10, o.libraryMinor = 0, o.libraryBuildMajor = 61637, o.libraryBuildMinor = 0;
        o.highestProtocol = 4;
    } else if (kind == "p3d") {
        o.applicationName = "Lockheed Martin\xAE Prepar3D\xAE v4";
        o.versionMajor = 4, o.versionMinor = 5, o.buildMajor = 14, o.buildMinor = 34698;
        o.libraryMajor = 4, o.libraryMinor = 5, o.libraryBuildMajor = 0, o.libraryBuildMinor = 0;
        o.highestProtocol = 4;
    } else if (kind == "msfs2020") {
        o.applicationName = "KittyHawk";
        o.versionMajor = 11, o.versionMinor = 0, o.buildMajor = 282174, o.buildMinor = 999;
        o.libraryMajor = 11, o.libraryMinor = 0, o.libraryBuildMajor = 62651, o.libraryBuildMinor = 3;
        o.highestProtocol = 5;
    } else if (kind == "msfs2024") {
        o.applicationName = "SunRise";
        o.versionMajor = 12, o.versionMinor = 1, o.buildMajor = 282174, o.buildMinor = 999;
        o.libraryMajor = 12, o.libraryMinor = 1, o.libraryBuildMajor = 0, o.libraryBuildMinor = 0;
        o.highestProtocol = 6;
    } else {
        return false;
    }
    o.lowestProtocol = 2;
    return true;
}

bool BenchSimulator::variableKnown(std::string_view name) const {
    const std::string trimmedName = trimmed(name);
    if (refused_.count(upperCase(trimmedName)) != 0 || !wellFormedVariableName(trimmedName)) return false;
    return !options_.strict || store_.listed(trimmedName);
}

// Key event names are one word; an add-on's events are "Prefix.NAME" and known
// only while add-ons are installed.
bool BenchSimulator::eventKnown(std::string_view name) const {
    const std::string trimmedName = trimmed(name);
    if (refused_.count(upperCase(trimmedName)) != 0) return false;
    const auto dot = trimmedName.find('.');
    if (dot == std::string::npos) return wellFormedEventWord(trimmedName);
    const std::string_view prefix = std::string_view(trimmedName).substr(0, dot);
    const std::string_view rest = std::string_view(trimmedName).substr(dot + 1);
    return options_.addons && wellFormedEventWord(prefix) && wellFormedEventWord(rest);
}

}  // namespace brelvik::benchsim
