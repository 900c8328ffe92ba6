// Version resources: version numbers and field names, new and edited resources checked against
// the layout byte by byte, a resource from another compiler, and damaged resources.
#include "pe/version_info.h"

#include <gtest/gtest.h>

#include <functional>

#include "version_node.h"
#include "windres_version_resource.h"

namespace vexa::pe {

// Found by the test macros' printing through the type's namespace.
static void PrintTo(const VersionField& field, std::ostream* os) {
    *os << field.key << "=" << field.value;
}

namespace {

using Bytes = std::vector<uint8_t>;

const Bytes kWindres(std::begin(kWindresVersionResource), std::end(kWindresVersionResource));

uint16_t U16(const Bytes& bytes, size_t offset) {
    return uint16_t(bytes[offset] | bytes[offset + 1] << 8);
}

uint32_t U32(const Bytes& bytes, size_t offset) {
    return uint32_t(U16(bytes, offset)) | uint32_t(U16(bytes, offset + 2)) << 16;
}

void PutU16(Bytes& bytes, size_t offset, size_t value) {
    bytes[offset] = uint8_t(value);
    bytes[offset + 1] = uint8_t(value >> 8);
}

size_t Align4(size_t offset) {
    return (offset + 3) & ~size_t(3);
}

// One node as the layout places it, found by walking the bytes without the library's parser.
struct LaidOutNode {
    int depth = 0;
    size_t offset = 0;
    uint16_t length = 0;
    uint16_t valueLength = 0;
    uint16_t type = 0;
    std::u16string key;
    size_t valueOffset = 0;
};

// Walks the node at `offset` strictly as we lay nodes out: each node 32-bit aligned from the
// resource start, zero padding, the value right after the aligned key, the children one after
// another at aligned offsets, the last one ending exactly where the node's wLength ends (no
// padding after a node's last part).
void WalkLayout(const Bytes& bytes, size_t offset, size_t limit, int depth,
                std::vector<LaidOutNode>& nodes) {
    ASSERT_EQ(offset % 4, 0u) << "node at " << offset;
    ASSERT_LE(offset + 6, limit);
    LaidOutNode node{
        depth, offset, U16(bytes, offset), U16(bytes, offset + 2), U16(bytes, offset + 4), {}, 0};
    const size_t end = offset + node.length;
    ASSERT_LE(end, limit) << "node at " << offset;
    size_t cursor = offset + 6;
    for (;; cursor += 2) {
        ASSERT_LE(cursor + 2, end) << "key of the node at " << offset;
        if (U16(bytes, cursor) == 0) break;
        node.key.push_back(char16_t(U16(bytes, cursor)));
    }
    const size_t keyEnd = cursor + 2;
    node.valueOffset = Align4(keyEnd);
    const size_t valueBytes = node.type == 1 ? node.valueLength * 2u : node.valueLength;
    const size_t partsEnd = valueBytes ? node.valueOffset + valueBytes : keyEnd;
    for (size_t pad = keyEnd; pad < std::min(node.valueOffset, end); ++pad)
        EXPECT_EQ(bytes[pad], 0) << "padding at " << pad;
    nodes.push_back(node);
    size_t child = Align4(partsEnd);
    if (child >= end) {
        EXPECT_EQ(end, partsEnd) << "node at " << offset << " ends with padding or is cut";
        return;
    }
    size_t lastEnd = 0;
    while (child < end) {
        WalkLayout(bytes, child, end, depth + 1, nodes);
        lastEnd = child + U16(bytes, child);
        child = Align4(lastEnd);
    }
    EXPECT_EQ(lastEnd, end) << "children of the node at " << offset << " do not fill it";
}

std::vector<LaidOutNode> Layout(const Bytes& bytes) {
    std::vector<LaidOutNode> nodes;
    WalkLayout(bytes, 0, bytes.size(), 0, nodes);
    EXPECT_FALSE(nodes.empty());
    if (!nodes.empty()) {
        EXPECT_EQ(nodes[0].length, bytes.size()) << "root wLength";
    }
    return nodes;
}

LaidOutNode Find(const std::vector<LaidOutNode>& nodes, std::u16string_view key,
                 int occurrence = 0) {
    for (const LaidOutNode& node : nodes)
        if (node.key == key && occurrence-- == 0) return node;
    ADD_FAILURE() << "no node " << std::string(key.begin(), key.end());
    return {};
}

// The text a String node stores, NUL included.
std::u16string StoredText(const Bytes& bytes, const LaidOutNode& node) {
    std::u16string text;
    for (size_t i = 0; i < node.valueLength; ++i)
        text.push_back(char16_t(U16(bytes, node.valueOffset + 2 * i)));
    return text;
}

Bytes Apply(const Bytes& existing, const std::vector<VersionField>& fields) {
    Bytes out;
    EXPECT_EQ(ApplyVersionFields(existing, fields, out), "");
    return out;
}

// The String fields of a table, straight from the tree.
std::vector<VersionField> TableFields(const Bytes& resource, size_t tableIndex) {
    std::string fault;
    const auto root = ParseVersionNode(resource, fault);
    EXPECT_TRUE(root) << fault;
    std::vector<VersionField> fields;
    if (!root) return fields;
    for (const VersionNode& string : root->children.at(0).children.at(tableIndex).children) {
        std::u16string text;
        for (size_t i = 0; i + 1 < string.value.size(); i += 2)
            text.push_back(char16_t(string.value[i] | string.value[i + 1] << 8));
        while (!text.empty() && text.back() == 0) text.pop_back();
        fields.push_back({std::string(string.key.begin(), string.key.end()),
                          std::string(text.begin(), text.end())});
    }
    return fields;
}

TEST(VersionNumber, ParsesOneToFourDecimalParts) {
    const std::pair<const char*, FourPartVersion> good[] = {
        {"1", {1, 0, 0, 0}},
        {"1.2", {1, 2, 0, 0}},
        {"1.2.3", {1, 2, 3, 0}},
        {"1.2.3.4", {1, 2, 3, 4}},
        {"65535.0.65535.0", {65535, 0, 65535, 0}},
        {"007.010", {7, 10, 0, 0}},
    };
    for (const auto& [text, version] : good) EXPECT_EQ(ParseVersionNumber(text), version) << text;

    const char* bad[] = {"",
                         ".",
                         "1.",
                         ".1",
                         "1..2",
                         "1.2.3.4.5",
                         "65536",
                         "1.70000",
                         "-1",
                         "+1",
                         " 1",
                         "1 ",
                         "1.2a",
                         "a",
                         "1,2",
                         "0x10",
                         "99999999999999999999"};
    for (const char* text : bad) EXPECT_FALSE(ParseVersionNumber(text)) << '"' << text << '"';

    EXPECT_EQ(FormatVersionNumber({2, 1, 0, 0}), "2.1.0.0");
    EXPECT_EQ(FormatVersionNumber({65535, 10, 0, 7}), "65535.10.0.7");
}

TEST(VersionKeys, MatchWithoutRegardToCase) {
    const std::pair<const char*, const char*> known[] = {
        {"companyname", "CompanyName"},
        {"FILEVERSION", "FileVersion"},
        {"ProductVersion", "ProductVersion"},
        {"legalTrademarks", "LegalTrademarks"},
    };
    for (const auto& [key, canonical] : known) EXPECT_EQ(CanonicalVersionKey(key), canonical);
    for (const char* key : {"", "Company", "CompanyName ", "Version", "\xC3"})
        EXPECT_FALSE(CanonicalVersionKey(key)) << key;
    for (const std::string& key : VersionKeys()) EXPECT_EQ(CanonicalVersionKey(key), key);
}

TEST(NewVersionResource, FollowsTheLayoutByteByByte) {
    const Bytes resource = Apply({}, {{"ProductName", "Widget Pro"},
                                      {"FileVersion", "2.1"},
                                      {"CompanyName",
                                       "Acme \xC3\x9C"
                                       "ber"},
                                      {"Comments", ""}});
    const auto nodes = Layout(resource);
    const std::pair<std::u16string, int> expected[] = {
        {u"VS_VERSION_INFO", 0}, {u"StringFileInfo", 1}, {u"040904B0", 2},
        {u"Comments", 3},        {u"CompanyName", 3},    {u"FileVersion", 3},
        {u"ProductName", 3},     {u"VarFileInfo", 1},    {u"Translation", 2}};
    ASSERT_EQ(nodes.size(), std::size(expected));
    for (size_t i = 0; i < nodes.size(); ++i) {
        EXPECT_EQ(nodes[i].key, expected[i].first) << i;
        EXPECT_EQ(nodes[i].depth, expected[i].second) << i;
    }

    const LaidOutNode& root = nodes[0];
    EXPECT_EQ(root.type, 0);
    ASSERT_EQ(root.valueLength, 52);
    const uint32_t fixedInfo[13] = {0xFEEF04BD, 0x00010000, 0x00020001, 0, 0, 0, 0x3F,
                                    0,          0x00040004, 1,          0, 0, 0};
    for (size_t i = 0; i < 13; ++i)
        EXPECT_EQ(U32(resource, root.valueOffset + 4 * i), fixedInfo[i]) << "field " << i;

    for (const char16_t* group : {u"StringFileInfo", u"040904B0", u"VarFileInfo"}) {
        EXPECT_EQ(Find(nodes, group).type, 1);
        EXPECT_EQ(Find(nodes, group).valueLength, 0);
    }
    const std::pair<const char16_t*, std::u16string> strings[] = {
        {u"Comments", std::u16string(1, u'\0')},
        {u"CompanyName", std::u16string(u"Acme \x00DC"
                                        u"ber") +
                             u'\0'},
        {u"FileVersion", std::u16string(u"2.1") + u'\0'},
        {u"ProductName", std::u16string(u"Widget Pro") + u'\0'},
    };
    for (const auto& [key, text] : strings) {
        const LaidOutNode node = Find(nodes, key);
        EXPECT_EQ(node.type, 1);
        EXPECT_EQ(StoredText(resource, node), text);  // wValueLength counts units with the NUL
    }
    const LaidOutNode translation = Find(nodes, u"Translation");
    EXPECT_EQ(translation.type, 0);
    ASSERT_EQ(translation.valueLength, 4);
    EXPECT_EQ(U16(resource, translation.valueOffset), 0x0409);
    EXPECT_EQ(U16(resource, translation.valueOffset + 2), 1200);

    const auto summary = ReadVersionInfo(resource);
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->fileVersion, (FourPartVersion{2, 1, 0, 0}));
    EXPECT_EQ(summary->productVersion, (FourPartVersion{0, 0, 0, 0}));
    EXPECT_EQ(summary->strings, (std::vector<VersionField>{{"Comments", ""},
                                                           {"CompanyName",
                                                            "Acme \xC3\x9C"
                                                            "ber"},
                                                           {"FileVersion", "2.1"},
                                                           {"ProductName", "Widget Pro"}}));
}

TEST(NewVersionResource, VersionFieldsSetTheFixedBlockOnlyWhenTheyParse) {
    const struct {
        std::vector<VersionField> fields;
        FourPartVersion file;
        FourPartVersion product;
    } cases[] = {
        {{}, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {{{"FileVersion", "1.2.3.4"}, {"ProductVersion", "5.6"}}, {1, 2, 3, 4}, {5, 6, 0, 0}},
        {{{"ProductVersion", "2024 beta"}}, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {{{"FileVersion", "1.0"}, {"FileVersion", "3.0"}}, {3, 0, 0, 0}, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        const auto summary = ReadVersionInfo(Apply({}, c.fields));
        ASSERT_TRUE(summary);
        EXPECT_EQ(summary->fileVersion, c.file);
        EXPECT_EQ(summary->productVersion, c.product);
    }
    // The text stays as given even when it is no number; a repeated key keeps its last value.
    EXPECT_EQ(ReadVersionInfo(Apply({}, cases[2].fields))->strings, cases[2].fields);
    EXPECT_EQ(ReadVersionInfo(Apply({}, cases[3].fields))->strings,
              (std::vector<VersionField>{{"FileVersion", "3.0"}}));
}

TEST(WindresVersionResource, ReadsAndRoundTripsByteForByte) {
    Layout(kWindres);  // the other compiler lays nodes out as we do

    const auto summary = ReadVersionInfo(kWindres);
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->fileVersion, (FourPartVersion{1, 2, 3, 4}));
    EXPECT_EQ(summary->productVersion, (FourPartVersion{5, 6, 7, 8}));
    EXPECT_EQ(summary->strings,
              (std::vector<VersionField>{
                  {"CompanyName", "Acme"}, {"Comments", ""}, {"ProductName", "Widget"}}));

    std::string fault;
    const auto tree = ParseVersionNode(kWindres, fault);
    ASSERT_TRUE(tree) << fault;
    EXPECT_EQ(SerializeVersionNode(*tree), kWindres);
    EXPECT_EQ(Apply(kWindres, {}), kWindres);
}

TEST(EditedVersionResource, ReplacesInEveryTableAndKeepsTheRest) {
    Bytes existing = kWindres;
    // The second table spells its key in lower case, which still names the same field.
    const LaidOutNode german = Find(Layout(existing), u"CompanyName", 1);
    existing[german.offset + 6] = 'c';

    const Bytes edited = Apply(existing, {{"LegalCopyright", "(c) Tarnwick"},
                                          {"CompanyName", "Tarnwick"},
                                          {"FileVersion", "9.8.7.6"}});
    const auto nodes = Layout(edited);
    EXPECT_EQ(TableFields(edited, 0),
              (std::vector<VersionField>{{"CompanyName", "Tarnwick"},
                                         {"Comments", ""},
                                         {"ProductName", "Widget"},
                                         {"FileVersion", "9.8.7.6"},
                                         {"LegalCopyright", "(c) Tarnwick"}}));
    EXPECT_EQ(TableFields(edited, 1),
              (std::vector<VersionField>{{"CompanyName", "Tarnwick"},
                                         {"FileVersion", "9.8.7.6"},
                                         {"LegalCopyright", "(c) Tarnwick"}}));
    EXPECT_EQ(Find(nodes, u"040704B0").depth, 2);

    // The fixed block keeps its other fields; the product version was not given.
    const LaidOutNode& root = nodes[0];
    const auto summary = ReadVersionInfo(edited);
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->fileVersion, (FourPartVersion{9, 8, 7, 6}));
    EXPECT_EQ(summary->productVersion, (FourPartVersion{5, 6, 7, 8}));
    EXPECT_EQ(U32(edited, root.valueOffset + 28), 2u) << "dwFileFlags";

    // Both translations stay.
    const LaidOutNode translation = Find(nodes, u"Translation");
    ASSERT_EQ(translation.valueLength, 8);
    EXPECT_EQ(Bytes(edited.begin() + translation.valueOffset,
                    edited.begin() + translation.valueOffset + 8),
              (Bytes{0x09, 0x04, 0xB0, 0x04, 0x07, 0x04, 0xB0, 0x04}));

    // Applying the same fields again changes nothing.
    EXPECT_EQ(Apply(edited, {{"CompanyName", "Tarnwick"}}), edited);
}

// Pieces the resource lacks are added: a fixed block, StringFileInfo with a US English table,
// and VarFileInfo naming the tables there are.
TEST(EditedVersionResource, AddsWhatIsMissing) {
    auto group = [](std::u16string key, std::vector<VersionNode> children) {
        return VersionNode{std::move(key), VersionNode::kVersionText, {}, std::move(children)};
    };
    const VersionNode japanese{
        u"Translation", VersionNode::kVersionBinary, {0x11, 0x04, 0xB0, 0x04}, {}};
    const VersionNode onlyVarFileInfo{
        u"VS_VERSION_INFO", 0, {}, {group(u"VarFileInfo", {japanese})}};
    const VersionNode onlyGermanTable{
        u"VS_VERSION_INFO", 0, {}, {group(u"StringFileInfo", {group(u"040704E4", {})})}};

    const Bytes added = Apply(*SerializeVersionNode(onlyVarFileInfo), {{"ProductName", "Widget"}});
    auto nodes = Layout(added);
    EXPECT_EQ(nodes[0].valueLength, 52);
    EXPECT_EQ(U32(added, nodes[0].valueOffset), 0xFEEF04BDu);
    EXPECT_EQ(Find(nodes, u"040904B0").depth, 2);
    EXPECT_EQ(TableFields(added, 0), (std::vector<VersionField>{{"ProductName", "Widget"}}));
    EXPECT_EQ(U16(added, Find(nodes, u"Translation").valueOffset), 0x0411) << "kept as it was";

    const Bytes translated =
        Apply(*SerializeVersionNode(onlyGermanTable), {{"ProductName", "Widget"}});
    nodes = Layout(translated);
    const LaidOutNode translation = Find(nodes, u"Translation");
    ASSERT_EQ(translation.valueLength, 4);
    EXPECT_EQ(U16(translated, translation.valueOffset), 0x0407);
    EXPECT_EQ(U16(translated, translation.valueOffset + 2), 1252);
}

// A binary value of odd size ends VarFileInfo without padding, so that text node's length is
// odd; the edited resource must read back all the same.
TEST(EditedVersionResource, BinaryValueOfOddSizeLastInATextNodeReadsBack) {
    std::string fault;
    auto root = ParseVersionNode(kWindres, fault);
    ASSERT_TRUE(root) << fault;
    VersionNode& varFileInfo = root->children.back();
    ASSERT_EQ(varFileInfo.key, u"VarFileInfo");
    varFileInfo.children.back().value.resize(3);
    const Bytes odd = *SerializeVersionNode(*root);
    ASSERT_EQ(Find(Layout(odd), u"VarFileInfo").length % 2, 1);

    const Bytes edited = Apply(odd, {{"ProductName", "Gadget"}});
    Layout(edited);
    const auto summary = ReadVersionInfo(edited);
    ASSERT_TRUE(summary);
    EXPECT_NE(std::find(summary->strings.begin(), summary->strings.end(),
                        VersionField{"ProductName", "Gadget"}),
              summary->strings.end());
    EXPECT_EQ(Apply(edited, {{"ProductName", "Gadget"}}), edited);
}

TEST(EditedVersionResource, StringLengthsCountedInBytesAreReadAndMended) {
    Bytes existing = kWindres;
    const LaidOutNode product = Find(Layout(existing), u"ProductName");
    PutU16(existing, product.offset + 2, 14);  // "Widget" and its NUL in bytes
    EXPECT_EQ(ReadVersionInfo(existing)->strings.back(), (VersionField{"ProductName", "Widget"}));
    EXPECT_EQ(Apply(existing, {}), kWindres);

    // A String that ends the resource with its text and no NUL: the text ends with the node.
    const VersionNode last{
        u"VS_VERSION_INFO",
        0,
        {},
        {{u"StringFileInfo",
          1,
          {},
          {{u"040904B0",
            1,
            {},
            {{u"ProductName", 1, {'W', 0, 'i', 0, 'd', 0, 'g', 0, 'e', 0, 't', 0}, {}}}}}}}};
    Bytes unterminated = *SerializeVersionNode(last);
    PutU16(unterminated, Find(Layout(unterminated), u"ProductName").offset + 2, 12);
    const auto summary = ReadVersionInfo(unterminated);
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary->strings, (std::vector<VersionField>{{"ProductName", "Widget"}}));
}

TEST(EditedVersionResource, RefusesFieldsThatCannotBeStored) {
    const std::vector<VersionField> cases[] = {
        {{"CompanyName", "Acme\xC3"}}, {{"CompanyName", std::string("Ac\0me", 5)}}, {{"", "Acme"}},
        {{"Company\xFF", "Acme"}},     {{"Comments", std::string(33000, 'x')}},  // past the 64 KiB
                                                                                 // a node can hold
    };
    for (const auto& fields : cases) {
        Bytes out{0xAA};
        EXPECT_NE(ApplyVersionFields(kWindres, fields, out), "") << fields[0].key;
        EXPECT_EQ(out, Bytes{0xAA});
    }
}

TEST(DamagedVersionResource, IsRefusedWithAMessage) {
    const Bytes valid = Apply({}, {{"CompanyName", "Acme"}, {"ProductName", "Widget"}});
    const auto nodes = Layout(valid);
    const LaidOutNode table = Find(nodes, u"040904B0");
    const LaidOutNode company = Find(nodes, u"CompanyName");
    const LaidOutNode translation = Find(nodes, u"Translation");

    // Nodes nested past the four levels a version resource has.
    VersionNode bomb{u"VS_VERSION_INFO", 0, {}, {}};
    VersionNode* deepest = &bomb;
    for (int level = 0; level < 5; ++level) {
        deepest->children.push_back({u"StringFileInfo", 1, {}, {}});
        deepest = &deepest->children.back();
    }

    const std::pair<const char*, std::function<void(Bytes&)>> cases[] = {
        {"root longer than the resource", [](Bytes& b) { PutU16(b, 0, b.size() + 4); }},
        {"root shorter than its header", [](Bytes& b) { PutU16(b, 0, 4); }},
        {"zero length child",
         [&](Bytes& b) { PutU16(b, Find(nodes, u"StringFileInfo").offset, 0); }},
        {"child past its parent",
         [&](Bytes& b) {
             PutU16(b, company.offset, table.offset + table.length - company.offset + 4);
         }},
        {"text node of odd length",
         [&](Bytes& b) { PutU16(b, company.offset, company.length + 1); }},
        {"fixed block past the root", [](Bytes& b) { PutU16(b, 2, 0xFFFF); }},
        {"fixed block of odd size", [](Bytes& b) { PutU16(b, 2, 51); }},
        {"binary value past its node", [&](Bytes& b) { PutU16(b, translation.offset + 2, 40); }},
        {"key without its NUL", [](Bytes& b) { PutU16(b, 0, 20); }},
        {"wrong signature", [&](Bytes& b) { b[nodes[0].valueOffset] ^= 1; }},
        {"not a version resource", [](Bytes& b) { b[6] = 'X'; }},
        {"cut to an odd size", [](Bytes& b) { b.pop_back(); }},
        {"a few bytes", [](Bytes& b) { b.resize(5); }},
        {"depth bomb", [&](Bytes& b) { b = *SerializeVersionNode(bomb); }},
    };
    for (const auto& [name, damage] : cases) {
        Bytes damaged = valid;
        damage(damaged);
        Bytes out{0xAA};
        EXPECT_NE(ApplyVersionFields(damaged, {{"CompanyName", "Tarnwick"}}, out), "") << name;
        EXPECT_EQ(out, Bytes{0xAA}) << name;
        EXPECT_FALSE(ReadVersionInfo(damaged)) << name;
    }
    for (size_t size = 1; size < valid.size(); ++size)
        EXPECT_FALSE(ReadVersionInfo(std::span(valid).first(size))) << "cut to " << size;
}

// Whatever a single damaged byte does, an edit either refuses the resource or writes one that
// follows the layout and holds the field.
TEST(DamagedVersionResource, EditsOfAnyOneChangedByteAreWellFormed) {
    for (size_t offset = 0; offset < kWindres.size(); ++offset) {
        const uint8_t original = kWindres[offset];
        for (const uint8_t change :
             {uint8_t(0x00), uint8_t(0xFF), uint8_t(original ^ 0x01), uint8_t(original + 4)}) {
            Bytes damaged = kWindres;
            damaged[offset] = change;
            Bytes out;
            if (!ApplyVersionFields(damaged, {{"CompanyName", "Tarnwick"}}, out).empty()) continue;
            SCOPED_TRACE("byte " + std::to_string(offset) + " set to " + std::to_string(change));
            Layout(out);
            const auto summary = ReadVersionInfo(out);
            ASSERT_TRUE(summary);
            EXPECT_NE(std::find(summary->strings.begin(), summary->strings.end(),
                                VersionField{"CompanyName", "Tarnwick"}),
                      summary->strings.end());
        }
    }
}

}  // namespace
}  // namespace vexa::pe
