// The bench simulator: a variable store, the clients connected to it, key
// events with their effects, a small flight model, and reports of everything
// the clients send that a test wants to check. Single-threaded: the owner calls
// it from one thread (the TCP server's loop, or a test).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "simconnect/standin.h"
#include "simconnect/wire.h"
#include "tools/benchsim/flight_model.h"
#include "tools/benchsim/variable_store.h"

namespace brelvik::benchsim {

namespace wire = standin::wire;

class ClientSession;

struct BenchOptions {
    std::uint32_t versionMajor = 11;
    std::uint32_t versionMinor = 0;
    bool frozen = false;
    bool strict = false;  // only the variables the bench lists are known
    bool addons = true;   // add-on event names ("Prefix.NAME") are known
    // Sent as it is in the open message: a simulator may write it in its own
    // narrow code page rather than UTF-8.
    std::string applicationName = "Benchsim";
    std::uint32_t buildMajor = 1, buildMinor = 0;
    // The library version the open message reports; the application's when 0.
    std::uint32_t libraryMajor = 0, libraryMinor = 0, libraryBuildMajor = 1, libraryBuildMinor = 0;
    // The client protocols it accepts; an open at any other is refused with a
    // version-mismatch exception.
    std::uint32_t lowestProtocol = 2, highestProtocol = 6;
};

// What benchsim --simulator KIND plays: "fsx", "p3d", "msfs2020" or
// "msfs2024". False for any other name.
bool playSimulator(std::string_view kind, BenchOptions& options);

class BenchSimulator : public standin::SimulatorEndpoint {
public:
    explicit BenchSimulator(BenchOptions options = {});
    ~BenchSimulator() override;
    BenchSimulator(const BenchSimulator&) = delete;
    BenchSimulator& operator=(const BenchSimulator&) = delete;

    // In-process connection for the stand-in library (see standinUseInProcess).
    std::unique_ptr<standin::SimulatorLink> connect() override;

    // For transports: a new client, and its end when the transport closes.
    std::shared_ptr<ClientSession> openSession();
    void closeSession(const ClientSession& session);
    std::size_t clientCount() const { return sessions_.size(); }

    // Values in the variable's own unit. Setting an unknown name creates it as a
    // plain number; a text variable takes the value's text.
    void setValue(std::string_view name, double value);
    void setText(std::string_view name, std::string text);
    void setTitle(std::string text) { setText("TITLE", std::move(text)); }
    std::optional<double> value(std::string_view name) const;
    std::optional<std::string> text(std::string_view name) const;  // a number as text for numbers

    void setVersion(std::uint32_t major, std::uint32_t minor);  // for the next connections
    void freeze(bool frozen) { options_.frozen = frozen; }
    bool frozen() const { return options_.frozen; }
    void advance(double seconds);  // the flight model; nothing while frozen

    // A hung simulator: requests wait unanswered until it resumes, then are
    // all answered at once with the values of that moment.
    void stall(bool stalled);
    bool stalled() const { return stalled_; }

    void quitClients();                      // the quit message to every client, then their end
    void dropClients();                      // ends every client without a word, as a crash would
    void refuseName(std::string_view name);  // that variable or event name is unknown from now on
    // The pilot's own key event, held back when a client's group masks it.
    void pilotEvent(std::string_view name, std::int32_t data);

    // Report lines ("event ...", "setdata ...", ...). With a sink set they go to
    // the sink as they happen; otherwise they are kept until taken.
    void setReportSink(std::function<void(const std::string&)> sink) { sink_ = std::move(sink); }
    std::vector<std::string> takeReports();

    // For the sessions.
    VariableStore& store() { return store_; }
    void report(const std::string& line);
    wire::OpenInfo openInfo() const;
    bool acceptsProtocol(std::uint32_t protocol) const {
        return protocol >= options_.lowestProtocol && protocol <= options_.highestProtocol;
    }
    // What its messages carry as dwVersion: its own protocol.
    std::uint32_t serverProtocol(std::uint32_t /*client*/) const { return options_.highestProtocol; }
    bool variableKnown(std::string_view name) const;
    bool eventKnown(std::string_view name) const;

private:
    BenchOptions options_;
    VariableStore store_;
    FlightModel flight_;
    std::vector<std::shared_ptr<ClientSession>> sessions_;
    std::set<std::string> refused_;  // upper case
    bool stalled_ = false;
    std::function<void(const std::string&)> sink_;
    std::vector<std::string> reports_;
};

}  // namespace brelvik::benchsim
