// Finding and filling the stub's initial-destination field, and refusing unsuitable stubs.
#include "sfx_stub.h"

#include <gtest/gtest.h>

#include <cstring>

#include "scratch_dir.h"
#include "writer.h"

namespace vexa::cli {
namespace {

using testing::FakeStub;

TEST(SfxStub, FindsTheOneEmptyField) {
    const auto stub = FakeStub();
    const FieldSearch search = FindDestinationField(stub);
    EXPECT_EQ(search.count, 1u);
    EXPECT_EQ(search.offset, 300u);

    struct Case {
        const char* what;
        size_t at;  // byte to change, relative to the field
        uint8_t value;
    };
    // Any byte that differs makes it not the field.
    for (const Case c : {Case{"first byte set", 0, 'C'}, Case{"a mark missing", 2, 0},
                         Case{"text after the marks", 4, 'x'}, Case{"last byte set", 255, 1}}) {
        auto changed = stub;
        changed[300 + c.at] = c.value;
        EXPECT_EQ(FindDestinationField(changed).count, 0u) << c.what;
    }
    EXPECT_EQ(FindDestinationField(std::vector<uint8_t>(stub.begin(), stub.begin() + 555)).count,
              0u);
}

TEST(SfxStub, WritesTheDestinationIntoTheField) {
    for (const std::string& destination : {std::string("C:\\Tarnwick"), std::string(255, 'd')}) {
        auto stub = FakeStub();
        ASSERT_EQ(PrepareStub(stub, destination), "");
        ASSERT_EQ(stub.size(), FakeStub().size());
        EXPECT_EQ(std::memcmp(stub.data() + 300, destination.data(), destination.size()), 0);
        for (size_t i = 300 + destination.size(); i < 556; ++i) ASSERT_EQ(stub[i], 0) << i;
        // Everything around the field is left alone.
        EXPECT_TRUE(std::equal(stub.begin(), stub.begin() + 300, FakeStub().begin()));
        EXPECT_TRUE(std::equal(stub.begin() + 556, stub.end(), FakeStub().begin() + 556));
        // A filled stub no longer offers the field.
        EXPECT_NE(PrepareStub(stub, std::nullopt), "");
    }
}

TEST(SfxStub, RefusesUnsuitableStubsAndDestinations) {
    auto withSignature = FakeStub();
    const auto header = pack::HeaderBytes(0);
    withSignature.insert(withSignature.end(), header.begin(), header.end());
    auto twice = FakeStub();
    const auto again = FakeStub();
    twice.insert(twice.end(), again.begin() + 300, again.begin() + 556);

    struct Case {
        const char* what;
        std::vector<uint8_t> stub;
        std::optional<std::string> destination;
        const char* message;  // a part of the expected message
    };
    const Case cases[] = {
        {"no field", std::vector<uint8_t>(1000, 0), std::nullopt, "no empty initial-destination"},
        {"signature", withSignature, std::nullopt, "already holds an archive signature"},
        {"two fields", twice, "C:\\x", "2 times"},
        {"too long", FakeStub(), std::string(256, 'd'), "256 bytes; at most 255"},
        {"empty", FakeStub(), std::string(), "empty"},
        {"NUL inside", FakeStub(), std::string("C:\\a\0b", 6), "NUL"},
    };
    for (Case c : cases) {
        const auto before = c.stub;
        const std::string error = PrepareStub(c.stub, c.destination);
        EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
        EXPECT_EQ(c.stub, before) << c.what;
    }
    EXPECT_EQ(FindSignature(withSignature), FakeStub().size());
}

}  // namespace
}  // namespace vexa::cli
