// The node tree a version resource is made of. Every node is a header {u16 wLength (the whole
// node with its children), u16 wValueLength, u16 wType (1 text, 0 binary)}, a NUL-terminated
// UTF-16 key, padding to 32 bits, the value, padding to 32 bits and the children; offsets are
// aligned from the start of the resource.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vexa::pe {

struct VersionNode {
    std::u16string key;
    uint16_t type = 0;  // kVersionText or kVersionBinary (others are kept as binary)
    // As stored: UTF-16 units for a text node (its NUL included), bytes otherwise.
    std::vector<uint8_t> value;
    std::vector<VersionNode> children;

    bool IsText() const { return type == kVersionText; }
    static constexpr uint16_t kVersionBinary = 0;
    static constexpr uint16_t kVersionText = 1;
};

// Nodes nest no deeper than root, StringFileInfo, StringTable, String.
constexpr int kMaxVersionNodeDepth = 4;

// The tree whose root starts `resource` (bytes after the root's wLength are ignored). On a fault
// returns nothing and sets `fault`: a node longer than its parent or the resource, shorter than
// its header, a key without its NUL, a binary value past its node, nesting past
// kMaxVersionNodeDepth. A text value whose wValueLength reaches past the node (some compilers
// count bytes there) ends with the node.
std::optional<VersionNode> ParseVersionNode(std::span<const uint8_t> resource, std::string& fault);

// The canonical layout of `root`: no padding after a node's last value or child, and
// wValueLength counted in units for text. Nothing when a node would pass 65535 bytes.
std::optional<std::vector<uint8_t>> SerializeVersionNode(const VersionNode& root);

}  // namespace vexa::pe
