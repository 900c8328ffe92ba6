// The stub's bucket counts for its hash tables (sfx/hash_table_sizes.cpp, linked in here in
// place of libstdc++'s prime table): tables of names still find every name and only those, and
// stay within their load factor as they grow.
#include <gtest/gtest.h>

#include <string>
#include <unordered_map>
#include <unordered_set>

namespace {

TEST(HashTableSizes, BucketCountsComeFromTheStubsRule) {
    std::unordered_set<std::string> names;
    names.rehash(1000);
    EXPECT_EQ(names.bucket_count(), 1001u) << "libstdc++'s prime rule, not the stub's, was linked";
}

TEST(HashTableSizes, GrowingTablesFindEveryNameAndNoOther) {
    for (const float maxLoad : {1.0f, 0.5f, 3.0f}) {
        std::unordered_map<std::string, size_t> index;
        index.max_load_factor(maxLoad);
        for (size_t i = 0; i < 20000; ++i) {
            index.emplace("docs\\file" + std::to_string(i) + ".txt", i);
            ASSERT_LE(index.load_factor(), maxLoad) << i;
        }
        EXPECT_EQ(index.size(), 20000u);
        for (size_t i = 0; i < 20000; ++i) {
            const auto it = index.find("docs\\file" + std::to_string(i) + ".txt");
            ASSERT_NE(it, index.end()) << i;
            EXPECT_EQ(it->second, i);
        }
        EXPECT_EQ(index.count("docs\\file20000.txt"), 0u);
        EXPECT_EQ(index.count(""), 0u);
    }
}

TEST(HashTableSizes, ReserveAndRehashGiveRoomForAtLeastWhatWasAsked) {
    for (const size_t wanted : {0u, 1u, 2u, 11u, 12u, 4096u}) {
        std::unordered_set<std::string> names;
        names.reserve(wanted);
        EXPECT_GE(names.bucket_count() * names.max_load_factor(), float(wanted)) << wanted;
        for (size_t i = 0; i < wanted; ++i) names.insert(std::to_string(i));
        EXPECT_EQ(names.size(), wanted);
    }
}

}  // namespace
