// The small interfaces through which the headless core reaches the outside world.
// The dialog implements them with wx; tests implement them with fakes and step
// the core deterministically (no display, no sockets, no timers).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brelvik {

// Controls of a dialog, addressed by their control ids.
class Controls {
public:
    virtual ~Controls() = default;
    virtual std::string text(int id) const = 0;
    virtual void setText(int id, const std::string& text) = 0;
    virtual bool isChecked(int id) const = 0;
    virtual void setChecked(int id, bool checked) = 0;
    virtual void enable(int id, bool enabled) = 0;
    virtual bool isEnabled(int id) const = 0;
    virtual void show(int id, bool visible) = 0;
    // Drop-down lists: their items, and the selected one (-1 for none).
    virtual void setItems(int id, const std::vector<std::string>& items) = 0;
    virtual void select(int id, int index) = 0;
    virtual int selection(int id) const = 0;
};

// Window timers 1-4; start() on a running timer restarts it with the new period.
class Timers {
public:
    virtual ~Timers() = default;
    virtual void start(int id, int periodMs) = 0;
    virtual void stop(int id) = 0;
};

// A modal box with an OK button.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void show(const std::string& text) = 0;
};

// Sends one datagram. Returns the byte count, 0 when the destination text could
// not be resolved, -1 on a socket error.
class DatagramSender {
public:
    virtual ~DatagramSender() = default;
    virtual int send(const std::string& text, const std::string& destination, int port) = 0;
};

// Persistent settings: values are texts; a missing key and an empty value differ.
// Writing std::nullopt deletes the key.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual std::optional<std::string> read(const std::string& section, const std::string& key) const = 0;
    virtual void write(const std::string& section, const std::string& key,
                       const std::optional<std::string>& value) = 0;
    // Why settings changed in this run will not be kept, in words for the
    // user; empty when they will be. Asked once, at start-up.
    virtual std::string problem() const { return {}; }
};

}  // namespace brelvik
