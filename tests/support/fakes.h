// Test doubles for the seams: record what the core asks for, let the test step time.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/panel_output.h"
#include "base/seams.h"

namespace brelvik::testing {

class FakeControls : public Controls {
public:
    struct State {
        std::string text;
        bool checked = false;
        bool enabled = true;
        bool visible = true;
        std::vector<std::string> items;  // drop-down lists
        int selection = -1;
    };
    std::string text(int id) const override { return get(id).text; }
    void setText(int id, const std::string& text) override { at(id).text = text; }
    bool isChecked(int id) const override { return get(id).checked; }
    void setChecked(int id, bool checked) override { at(id).checked = checked; }
    void enable(int id, bool enabled) override { at(id).enabled = enabled; }
    bool isEnabled(int id) const override { return get(id).enabled; }
    void show(int id, bool visible) override { at(id).visible = visible; }
    // Whether the control is shown; one never touched is as `startHidden` says.
    bool shown(int id) const { return get(id).visible; }
    void setItems(int id, const std::vector<std::string>& items) override {
        at(id).items = items;
        at(id).selection = -1;
    }
    void select(int id, int index) override {
        State& state = at(id);
        state.selection = index >= 0 && index < static_cast<int>(state.items.size()) ? index : -1;
    }
    int selection(int id) const override { return get(id).selection; }

    std::map<int, State> states;
    // A window whose controls start hidden, as a dialog's pages do, so that a
    // test sees a control shown only when the code shows it.
    bool startHidden = false;

private:
    State fresh() const {
        State state;
        state.visible = !startHidden;
        return state;
    }
    State& at(int id) { return states.try_emplace(id, fresh()).first->second; }
    State get(int id) const {
        const auto it = states.find(id);
        return it == states.end() ? fresh() : it->second;
    }
};

class FakeTimers : public Timers {
public:
    void start(int id, int periodMs) override { running[id] = periodMs; ++starts[id]; }
    void stop(int id) override { running.erase(id); }
    bool isRunning(int id) const { return running.count(id) != 0; }
    int period(int id) const { return isRunning(id) ? running.at(id) : 0; }

    std::map<int, int> running;  // id -> period
    std::map<int, int> starts;   // id -> how often started
};

class FakeMessageBoxes : public MessageBoxes {
public:
    void show(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

struct SentDatagram {
    std::string text;
    std::string destination;
    int port;
    bool operator==(const SentDatagram&) const = default;
};

class FakeDatagramSender : public DatagramSender {
public:
    int send(const std::string& text, const std::string& destination, int port) override {
        sent.push_back({text, destination, port});
        if (unresolvable.count(destination) != 0 || destination.empty()) return 0;
        return static_cast<int>(text.size());
    }
    std::vector<std::string> textsTo(const std::string& destination) const {
        std::vector<std::string> out;
        for (const auto& d : sent)
            if (d.destination == destination) out.push_back(d.text);
        return out;
    }
    std::vector<SentDatagram> sent;
    std::map<std::string, bool> unresolvable;
};

class MemorySettingsStore : public SettingsStore {
public:
    std::optional<std::string> read(const std::string& section, const std::string& key) const override {
        const auto it = values.find({section, key});
        if (it == values.end()) return std::nullopt;
        return it->second;
    }
    void write(const std::string& section, const std::string& key,
               const std::optional<std::string>& value) override {
        if (value) {
            values[{section, key}] = *value;
        } else {
            values.erase({section, key});
        }
    }
    std::map<std::pair<std::string, std::string>, std::string> values;
};

// Panels that are connected when the test says so, recording every frame.
class FakePanelOutput : public PanelOutput {
public:
    bool isConnected(Panel panel) const override { return connected[static_cast<int>(panel)]; }
    void writePanel(Panel panel, std::span<const std::uint8_t> bytes) override {
        written.push_back({panel, std::vector<std::uint8_t>(bytes.begin(), bytes.end())});
        if (onWrite) onWrite(panel);
    }
    void readQueuedInput(Panel panel, std::size_t maxBytes) override {
        inlineReads.push_back({panel, maxBytes});
        if (onInlineRead) onInlineRead(panel);
    }

    bool connected[3] = {false, false, false};
    std::vector<std::pair<Panel, std::size_t>> inlineReads;
    std::function<void(Panel)> onInlineRead;  // plays what the panel had queued
    std::vector<std::pair<Panel, std::vector<std::uint8_t>>> written;
    std::function<void(Panel)> onWrite;  // to see the order against other outputs
};

}  // namespace brelvik::testing
