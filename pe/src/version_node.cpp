#include "version_node.h"

#include <algorithm>

#include "pe/byte_fields.h"

namespace vexa::pe {
namespace {

constexpr size_t kHeaderBytes = 6;

class NodeReader {
  public:
    NodeReader(std::span<const uint8_t> resource, std::string& fault)
        : resource_(resource), fault_(fault) {}

    // The node at `offset`, which must end by `limit`; `length` gets its wLength.
    std::optional<VersionNode> Read(size_t offset, size_t limit, int depth, size_t& length) {
        if (depth >= kMaxVersionNodeDepth) return Fail("nodes nested too deeply", offset);
        if (limit - offset < kHeaderBytes) return Fail("a node cut short", offset);
        length = uint16_t(LoadLe(resource_, offset, 2));
        if (length < kHeaderBytes) return Fail("a node shorter than its header", offset);
        if (length > limit - offset)
            return Fail(
                depth == 0 ? "a node longer than the resource" : "a node longer than its parent",
                offset);
        const size_t end = offset + length;
        const uint16_t valueLength = uint16_t(LoadLe(resource_, offset + 2, 2));
        VersionNode node;
        node.type = uint16_t(LoadLe(resource_, offset + 4, 2));

        size_t cursor = offset + kHeaderBytes;
        for (;; cursor += 2) {
            if (end - cursor < 2) return Fail("a key without its end", offset);
            const uint16_t unit = uint16_t(LoadLe(resource_, cursor, 2));
            if (unit == 0) break;
            node.key.push_back(char16_t(unit));
        }
        const size_t valueStart = std::min(size_t(AlignUp(cursor + 2, 4)), end);
        size_t valueBytes = valueLength;
        if (node.IsText()) {
            valueBytes = std::min(size_t(valueLength) * 2, end - valueStart);
        } else if (valueBytes > end - valueStart) {
            return Fail("a value longer than its node", offset);
        }
        node.value.assign(resource_.begin() + valueStart,
                          resource_.begin() + valueStart + valueBytes);

        for (size_t child = size_t(AlignUp(valueStart + valueBytes, 4)); child < end;) {
            size_t childLength = 0;
            auto parsed = Read(child, end, depth + 1, childLength);
            if (!parsed) return std::nullopt;
            node.children.push_back(std::move(*parsed));
            child = size_t(AlignUp(child + childLength, 4));
        }
        // UTF-16 text cannot fill an odd number of bytes, but a text node that holds children
        // may end with a binary one of odd size (nothing pads after a node's last part).
        if (node.IsText() && node.children.empty() && length % 2 != 0)
            return Fail("a text node of odd length", offset);
        return node;
    }

  private:
    std::nullopt_t Fail(const char* what, size_t offset) {
        fault_ = std::string(what) + " at offset " + std::to_string(offset);
        return std::nullopt;
    }

    std::span<const uint8_t> resource_;
    std::string& fault_;
};

bool WriteNode(const VersionNode& node, std::vector<uint8_t>& out) {
    if (node.IsText() && node.value.size() % 2 != 0) return false;
    const size_t start = out.size();
    out.resize(start + kHeaderBytes);
    for (const char16_t unit : node.key) {
        out.push_back(uint8_t(unit));
        out.push_back(uint8_t(unit >> 8));
    }
    out.push_back(0);
    out.push_back(0);
    // Padding leads only to something that follows.
    if (!node.value.empty() || !node.children.empty()) out.resize(size_t(AlignUp(out.size(), 4)));
    out.insert(out.end(), node.value.begin(), node.value.end());
    for (const VersionNode& child : node.children) {
        out.resize(size_t(AlignUp(out.size(), 4)));
        if (!WriteNode(child, out)) return false;
    }
    const size_t length = out.size() - start;
    const size_t valueLength = node.IsText() ? node.value.size() / 2 : node.value.size();
    if (length > 0xFFFF || valueLength > 0xFFFF) return false;
    StoreLe(out, start, 2, uint32_t(length));
    StoreLe(out, start + 2, 2, uint32_t(valueLength));
    StoreLe(out, start + 4, 2, uint32_t(node.type));
    return true;
}

}  // namespace

std::optional<VersionNode> ParseVersionNode(std::span<const uint8_t> resource, std::string& fault) {
    size_t length = 0;
    return NodeReader(resource, fault).Read(0, resource.size(), 0, length);
}

std::optional<std::vector<uint8_t>> SerializeVersionNode(const VersionNode& root) {
    std::vector<uint8_t> out;
    if (!WriteNode(root, out)) return std::nullopt;
    return out;
}

}  // namespace vexa::pe
