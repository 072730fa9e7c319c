#include "tools/benchsim/variable_store.h"

#include <charconv>

namespace brelvik::benchsim {

VariableStore::VariableStore() {
    for (auto* entry = catalogueBegin(); entry != catalogueEnd(); ++entry) {
        if (entry->text != nullptr) {
            obtain(entry->name, std::nullopt, true).text = entry->text;
        } else {
            obtain(entry->name, findUnit(entry->unit), false).number = entry->value;
        }
    }
}

Variable* VariableStore::find(std::string_view name) {
    const auto it = variables_.find(upperCase(trimmed(name)));
    return it == variables_.end() ? nullptr : &it->second;
}

const Variable* VariableStore::find(std::string_view name) const {
    const auto it = variables_.find(upperCase(trimmed(name)));
    return it == variables_.end() ? nullptr : &it->second;
}

bool VariableStore::listed(std::string_view name) const {
    const std::string key = upperCase(trimmed(name));
    for (auto* entry = catalogueBegin(); entry != catalogueEnd(); ++entry) {
        if (upperCase(entry->name) == key) return true;
    }
    return false;
}

Variable& VariableStore::obtain(std::string_view name, const std::optional<Unit>& unit, bool text) {
    const std::string key = upperCase(trimmed(name));
    const auto it = variables_.find(key);
    if (it != variables_.end()) return it->second;
    Variable v;
    v.name = trimmed(name);
    v.unit = unit.value_or(plainNumber());
    v.isText = text;
    return variables_.emplace(key, std::move(v)).first->second;
}

double VariableStore::read(const Variable& variable, const Unit* unit) {
    if (variable.isText) return 0;
    return unit == nullptr ? variable.number : convert(variable.number, variable.unit, *unit);
}

void VariableStore::write(Variable& variable, const Unit* unit, double value) {
    if (variable.isText) {
        variable.text = numberText(value);
        return;
    }
    variable.number = unit == nullptr ? value : convert(value, *unit, variable.unit);
}

double VariableStore::get(std::string_view name) const {
    const Variable* v = find(name);
    return v == nullptr ? 0 : read(*v, nullptr);
}

void VariableStore::set(std::string_view name, double value) {
    write(obtain(name, std::nullopt, false), nullptr, value);
}

void VariableStore::setText(std::string_view name, std::string text) {
    Variable& v = obtain(name, std::nullopt, true);
    if (v.isText) v.text = std::move(text);
}

std::string numberText(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace brelvik::benchsim
