// The rules of the input mapping dialog (`displayWidget`): which simulator
// events each category offers, in which order, and what pressing a key,
// choosing a category or an event, and "Clear" show and store. Every change is
// stored the moment it is made; the dialog has no OK or Cancel.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/seams.h"

namespace brelvik {

// The order of a sorted list box on Windows, used on every platform so that a
// stored list position means the same everywhere: symbols (the underscore)
// before digits before letters, letters regardless of case.
bool listOrderLess(std::string_view a, std::string_view b);

// A category's entries as the event list shows them: sorted, without the
// events that only make sense with a value (the mapped event is always sent
// with 0). Empty for an unknown category.
std::vector<std::string> offeredEvents(std::size_t category);

// Whether the entry at `position` within the category is offered.
bool isOffered(std::size_t category, std::size_t position);

// All of a category's entries in table order, nothing left out: what "Clear"
// shows for "Flight Controls".
std::vector<std::string> allEvents(std::size_t category);

// What outlives the window: the key pressed last, for the whole run of the
// program (0: no key pressed yet).
struct CurrentKey {
    int control = 0;
};

// The dialog's handlers, over its controls (ids in res/input_mapping_layout.h)
// and the settings store. One instance per opening; the current key is the
// caller's.
class InputMapping {
public:
    InputMapping(CurrentKey& current, SettingsStore& settings, Controls& controls)
        : current_(current), settings_(settings), controls_(controls) {}

    // The window is new: both lists are empty and no key is pushed. A key
    // remembered from an earlier opening is pressed again, so the key that
    // "Clear" and the event list act on is the one shown pushed.
    void onOpen();
    // A key button (1098-1114) was clicked.
    void onKeyButton(int control);
    // The category list's selection changed: show its events; nothing is stored.
    void onCategoryChanged();
    // The event list's selection changed: map the current key to that event.
    void onEventChosen();
    // Unmaps the current key and shows all "Flight Controls" entries in table order.
    void onClear();

private:
    void showEvents(const std::vector<std::string>& events);
    void restoreSelection(int slot);

    CurrentKey& current_;
    SettingsStore& settings_;
    Controls& controls_;
};

}  // namespace brelvik
