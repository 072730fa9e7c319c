#include "tools/benchsim/data_packing.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace brelvik::benchsim {
namespace {

template <typename Int>
Int saturate(double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<double>(std::numeric_limits<Int>::max())) return std::numeric_limits<Int>::max();
    if (value <= static_cast<double>(std::numeric_limits<Int>::min())) return std::numeric_limits<Int>::min();
    return static_cast<Int>(value);  // truncates toward zero
}

template <typename T>
void put(std::vector<std::uint8_t>& out, T value) {
    std::uint8_t bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.insert(out.end(), bytes, bytes + sizeof(T));
}

template <typename T>
T take(const std::uint8_t* at) {
    T value;
    std::memcpy(&value, at, sizeof(T));
    return value;
}

}  // namespace

std::size_t fieldSize(SIMCONNECT_DATATYPE type) {
    switch (type) {
        case SIMCONNECT_DATATYPE_INT32: return 4;
        case SIMCONNECT_DATATYPE_INT64: return 8;
        case SIMCONNECT_DATATYPE_FLOAT32: return 4;
        case SIMCONNECT_DATATYPE_FLOAT64: return 8;
        case SIMCONNECT_DATATYPE_STRING8: return 8;
        case SIMCONNECT_DATATYPE_STRING32: return 32;
        case SIMCONNECT_DATATYPE_STRING64: return 64;
        case SIMCONNECT_DATATYPE_STRING128: return 128;
        case SIMCONNECT_DATATYPE_STRING256: return 256;
        case SIMCONNECT_DATATYPE_INVALID: break;
    }
    return 0;
}

bool isTextType(SIMCONNECT_DATATYPE type) {
    return type >= SIMCONNECT_DATATYPE_STRING8 && type <= SIMCONNECT_DATATYPE_STRING256;
}

std::size_t blockSize(const std::vector<Field>& fields) {
    std::size_t size = 0;
    for (const auto& f : fields) size += fieldSize(f.type);
    return size;
}

std::vector<std::uint8_t> packFields(const std::vector<Field>& fields, VariableStore& store) {
    std::vector<std::uint8_t> out;
    out.reserve(blockSize(fields));
    for (const auto& f : fields) {
        const Variable& v = store.obtain(f.name, f.unit, isTextType(f.type));
        const Unit* unit = f.unit ? &*f.unit : nullptr;
        if (isTextType(f.type)) {
            const std::string text = v.isText ? v.text : numberText(v.number);
            std::vector<std::uint8_t> field(fieldSize(f.type), 0);
            std::memcpy(field.data(), text.data(), std::min(text.size(), field.size()));
            out.insert(out.end(), field.begin(), field.end());
            continue;
        }
        const double value = VariableStore::read(v, unit);
        switch (f.type) {
            case SIMCONNECT_DATATYPE_INT32: put(out, saturate<std::int32_t>(value)); break;
            case SIMCONNECT_DATATYPE_INT64: put(out, saturate<std::int64_t>(value)); break;
            case SIMCONNECT_DATATYPE_FLOAT32: put(out, static_cast<float>(value)); break;
            default: put(out, value); break;
        }
    }
    return out;
}

bool unpackFields(const std::vector<Field>& fields, const std::vector<std::uint8_t>& block, VariableStore& store,
                  std::string& values) {
    if (block.size() != blockSize(fields)) return false;
    values.clear();
    const std::uint8_t* at = block.data();
    for (const auto& f : fields) {
        Variable& v = store.obtain(f.name, f.unit, isTextType(f.type));
        const Unit* unit = f.unit ? &*f.unit : nullptr;
        if (!values.empty()) values += ' ';
        if (isTextType(f.type)) {
            const auto* text = reinterpret_cast<const char*>(at);
            const std::string s(text, strnlen(text, fieldSize(f.type)));
            if (v.isText) v.text = s;
            values += '"' + s + '"';
        } else if (f.type == SIMCONNECT_DATATYPE_INT32 || f.type == SIMCONNECT_DATATYPE_INT64) {
            const auto n = f.type == SIMCONNECT_DATATYPE_INT32 ? take<std::int32_t>(at) : take<std::int64_t>(at);
            VariableStore::write(v, unit, static_cast<double>(n));
            values += std::to_string(n);
        } else {
            const double d = f.type == SIMCONNECT_DATATYPE_FLOAT32 ? take<float>(at) : take<double>(at);
            VariableStore::write(v, unit, d);
            values += numberText(d);
        }
        at += fieldSize(f.type);
    }
    return true;
}

}  // namespace brelvik::benchsim
