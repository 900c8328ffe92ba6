// Command-line option parsing.
#include "options.h"

#include <gtest/gtest.h>

namespace vexa::cli {
namespace {

const std::vector<OptionDef> kSpecs = {
    {"output", 'o', true}, {"overwrite", 'y', false}, {"quiet", 'q', false}};

TEST(Options, AcceptsTheUsualForms) {
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> operands;
        std::string output;  // "" when not given
        bool overwrite, quiet, help;
    };
    const Case cases[] = {
        {{"a.vexa", "-o", "dir"}, {"a.vexa"}, "dir", false, false, false},
        {{"-odir", "a.vexa"}, {"a.vexa"}, "dir", false, false, false},
        {{"--output=dir", "a.vexa"}, {"a.vexa"}, "dir", false, false, false},
        {{"--output", "dir", "a.vexa", "x"}, {"a.vexa", "x"}, "dir", false, false, false},
        {{"-qy", "a.vexa"}, {"a.vexa"}, "", true, true, false},
        {{"-yqodir", "a.vexa"}, {"a.vexa"}, "dir", true, true, false},
        {{"a.vexa", "--", "-o", "--help"}, {"a.vexa", "-o", "--help"}, "", false, false, false},
        {{"-", "--help"}, {"-"}, "", false, false, true},
        {{"-h"}, {}, "", false, false, true},
        {{"--output="}, {}, "", false, false, false},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto parsed = ParseOptions(c.args, kSpecs, error);
        ASSERT_TRUE(parsed) << c.args[0] << ": " << error;
        EXPECT_EQ(parsed->operands, c.operands) << c.args[0];
        EXPECT_EQ(parsed->Value("output").value_or(""), c.output) << c.args[0];
        EXPECT_EQ(parsed->Has("overwrite"), c.overwrite) << c.args[0];
        EXPECT_EQ(parsed->Has("quiet"), c.quiet) << c.args[0];
        EXPECT_EQ(parsed->help, c.help) << c.args[0];
    }
}

TEST(Options, RefusesWhatItDoesNotKnow) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"--force"}, "unknown option '--force'"},
        {{"-x"}, "unknown option '-x'"},
        {{"-qx"}, "unknown option '-x'"},
        {{"-o"}, "option '-o' needs a value"},
        {{"a", "--output"}, "option '--output' needs a value"},
        {{"--quiet=yes"}, "option '--quiet' takes no value"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseOptions(c.args, kSpecs, error)) << c.args[0];
        EXPECT_EQ(error, c.message);
    }
}

TEST(Options, ARepeatedOptionKeepsEveryValueInOrder) {
    std::string error;
    const auto parsed = ParseOptions({"-x", "*.tmp", "a", "--exclude=cache", "-xold", "b"},
                                     {{"exclude", 'x', true}}, error);
    ASSERT_TRUE(parsed) << error;
    EXPECT_EQ(parsed->Values("exclude"), (std::vector<std::string>{"*.tmp", "cache", "old"}));
    EXPECT_EQ(parsed->Value("exclude"), "old");
    EXPECT_EQ(parsed->operands, (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(parsed->Values("missing").empty());
}

}  // namespace
}  // namespace vexa::cli
