// One client of the bench simulator, whatever carries its bytes: requests in,
// messages out, and what the client declared (definitions, event names,
// notification groups).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "simconnect/wire.h"
#include "tools/benchsim/data_packing.h"

namespace brelvik::benchsim {

namespace wire = standin::wire;

class BenchSimulator;

class ClientSession {
public:
    explicit ClientSession(BenchSimulator& simulator) : simulator_(&simulator) {}

    // Bytes from the client, in pieces of any size; every complete request is
    // answered at once (answers wait in the output), or, while the simulator
    // stalls, when it resumes and calls this with no bytes.
    void receive(const std::uint8_t* data, std::size_t size);
    // The messages for the client, taken out.
    std::vector<std::uint8_t> takeOutput();
    // Queues one message (as wire::openMessage and friends make them).
    void send(const std::vector<std::uint8_t>& message);

    // The simulator has finished with this client: its transport closes once the
    // output is delivered.
    bool ended() const { return ended_; }
    void end() { ended_ = true; }
    // The simulator is going away; nothing reaches it any more.
    void detach() {
        simulator_ = nullptr;
        ended_ = true;
    }
    BenchSimulator* simulator() const { return simulator_; }

    const std::string& name() const { return name_; }

    // The pilot's own key event: queues an event message for every group of this
    // client that holds an event mapped to that name. True when one of those
    // groups masks it (maskable, at a maskable priority).
    bool notifyPilotEvent(std::string_view upperName, std::uint32_t data);

private:
    struct Group {
        std::uint32_t priority = 2000000000;                 // the vendor's default priority
        std::vector<std::pair<std::uint32_t, bool>> events;  // client event, maskable
    };

    void handle(const std::vector<std::uint8_t>& payload);
    void open(const wire::RequestHeader& header, wire::ByteReader& in);
    void addToDefinition(wire::ByteReader& in, std::uint32_t packet);
    void requestData(wire::ByteReader& in, std::uint32_t packet);
    void setData(wire::ByteReader& in, std::uint32_t packet);
    void mapEvent(wire::ByteReader& in, std::uint32_t packet);
    void addToGroup(wire::ByteReader& in, std::uint32_t packet);
    void setGroupPriority(wire::ByteReader& in, std::uint32_t packet);
    void transmitEvent(wire::ByteReader& in, std::uint32_t packet);
    void refuse(std::uint32_t code, std::uint32_t packet, std::uint32_t index, const std::string& detail);

    BenchSimulator* simulator_;
    wire::PacketReader input_{wire::kRequestHeaderSize};
    bool opened_ = false;
    std::uint32_t protocol_ = 4;  // what the client offered
    std::vector<std::uint8_t> output_;
    bool ended_ = false;
    std::string name_;
    std::map<std::uint32_t, std::vector<Field>> definitions_;
    std::map<std::uint32_t, std::string> events_;  // client event -> simulator event name as mapped
    std::map<std::uint32_t, Group> groups_;
};

}  // namespace brelvik::benchsim
