// Data definitions as blocks of bytes: fields in declaration order, each as its
// declared type, no padding between them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/simconnect.h"
#include "tools/benchsim/units.h"
#include "tools/benchsim/variable_store.h"

namespace brelvik::benchsim {

struct Field {
    std::string name;
    std::optional<Unit> unit;  // none: the variable's own unit
    SIMCONNECT_DATATYPE type = SIMCONNECT_DATATYPE_FLOAT64;
};

// Bytes a field of that type takes; 0 for a type the bench does not serve.
std::size_t fieldSize(SIMCONNECT_DATATYPE type);
std::size_t blockSize(const std::vector<Field>& fields);
bool isTextType(SIMCONNECT_DATATYPE type);

// The current values of `fields`. Integer fields carry the value in the declared
// unit truncated toward zero (saturating); text fields are NUL-padded, and a text
// that fills the whole field carries no NUL at all.
std::vector<std::uint8_t> packFields(const std::vector<Field>& fields, VariableStore& store);

// Writes a block into the variables; `values` gets the decoded values, separated
// by spaces (integers as integers, texts in double quotes). False, writing
// nothing, when the block does not have the definition's size.
bool unpackFields(const std::vector<Field>& fields, const std::vector<std::uint8_t>& block, VariableStore& store,
                  std::string& values);

}  // namespace brelvik::benchsim
