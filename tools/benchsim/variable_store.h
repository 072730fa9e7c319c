// The simulation variables of the bench simulator. One value per name (names
// compare without regard to case), kept in the variable's own unit: the unit the
// bench lists for it, or for a variable it does not list, the unit of its first
// declaration. A client reading it in another unit of the same quantity gets the
// value converted.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "tools/benchsim/units.h"

namespace brelvik::benchsim {

struct Variable {
    std::string name;  // as first seen
    Unit unit;         // the unit `number` is kept in
    bool isText = false;
    double number = 0;
    std::string text;
};

// A variable the bench simulates, with its own unit and starting value.
struct CatalogueEntry {
    const char* name;
    const char* unit;  // nullptr for text variables
    double value;
    const char* text;  // starting text of a text variable, else nullptr
};
const CatalogueEntry* catalogueBegin();
const CatalogueEntry* catalogueEnd();

class VariableStore {
public:
    VariableStore();  // every catalogue variable at its starting value

    Variable* find(std::string_view name);
    const Variable* find(std::string_view name) const;
    bool listed(std::string_view name) const;  // in the catalogue

    // The variable of that name, created on first use: as text or as a number
    // kept in `unit` (a plain number when none is given).
    Variable& obtain(std::string_view name, const std::optional<Unit>& unit, bool text);

    // The value in `unit` (nullptr: the variable's own unit).
    static double read(const Variable& variable, const Unit* unit);
    static void write(Variable& variable, const Unit* unit, double value);

    // Shorthands in the variable's own unit, for the flight model and the key
    // events: a missing variable reads 0 and is created as a plain number.
    double get(std::string_view name) const;
    void set(std::string_view name, double value);
    void setText(std::string_view name, std::string text);

    const std::map<std::string, Variable>& all() const { return variables_; }

private:
    std::map<std::string, Variable> variables_;  // by upper-case name
};

// Plain text of a number: the shortest decimal that reads back exactly.
std::string numberText(double value);

}  // namespace brelvik::benchsim
