#pragma once
// The names of the protocol's opcodes and TLV types, as the trace, the device
// simulator's journal and the capture dissector show them.

#include <cstdint>
#include <span>

namespace swp {

struct NamedCode {
    uint8_t code;
    const char* name;
};

// Every named TLV type and opcode, in code order.
std::span<const NamedCode> TlvCatalogue();
std::span<const NamedCode> OpcodeCatalogue();

// The name of a TLV type or opcode; null when it has none.
const char* TlvTypeName(uint8_t type);
const char* OpcodeName(uint8_t opcode);

} // namespace swp
