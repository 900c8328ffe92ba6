// Environment variables in a destination: which text is a variable, what replaces it, and the
// two ways it fails.
#include "environment_variables.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace sfx {
namespace {

class EnvironmentVariables : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(::SetEnvironmentVariableA("VEXA_TEST_DIR", "C:\\base"));
        ASSERT_TRUE(::SetEnvironmentVariableA("VEXA_TEST_EMPTY", ""));
        ASSERT_TRUE(::SetEnvironmentVariableA("VEXA_TEST_UNSET", nullptr));
    }
    void TearDown() override {
        ::SetEnvironmentVariableA("VEXA_TEST_DIR", nullptr);
        ::SetEnvironmentVariableA("VEXA_TEST_EMPTY", nullptr);
    }
};

TEST_F(EnvironmentVariables, ReplaceEachNameAndLeaveOtherPercentSignsAlone) {
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        {"%VEXA_TEST_DIR%\\App", "C:\\base\\App"},
        {"x%VEXA_TEST_DIR%%VEXA_TEST_DIR%", "xC:\\baseC:\\base"},
        {"%vexa_test_dir%", "C:\\base"},  // names ignore case, as Windows does
        {"%VEXA_TEST_EMPTY%sub", "sub"},
        {"C:\\100%", "C:\\100%"},                      // no partner
        {"a%%b", "a%%b"},                              // empty name
        {"50%%VEXA_TEST_DIR%", "50%C:\\base"},         // the second sign opens a name
        {"C:\\50%\\Q3 20%\\x", "C:\\50%\\Q3 20%\\x"},  // a separator is no part of a name
        {"", ""},
    };
    for (const auto& c : cases) {
        char out[256] = "garbage";
        std::string unknown;
        EXPECT_EQ(ExpandEnvironmentVariables(c.text, out, sizeof out, unknown), Expansion::Done)
            << c.text;
        EXPECT_STREQ(out, c.expected) << c.text;
    }
}

TEST_F(EnvironmentVariables, NameTheFirstVariableThatIsNotSet) {
    for (const char* text : {"%VEXA_TEST_UNSET%\\App", "%VEXA_TEST_DIR%\\%VEXA_TEST_UNSET%\\x"}) {
        char out[256];
        std::string unknown;
        EXPECT_EQ(ExpandEnvironmentVariables(text, out, sizeof out, unknown),
                  Expansion::UnknownVariable)
            << text;
        EXPECT_EQ(unknown, "VEXA_TEST_UNSET") << text;
    }
}

TEST_F(EnvironmentVariables, RefuseAResultThatDoesNotFit) {
    ASSERT_TRUE(::SetEnvironmentVariableA("VEXA_TEST_DIR", std::string(250, 'd').c_str()));
    char out[256];
    std::string unknown;
    EXPECT_EQ(ExpandEnvironmentVariables("%VEXA_TEST_DIR%\\1234", out, sizeof out, unknown),
              Expansion::Done);
    EXPECT_EQ(ExpandEnvironmentVariables("%VEXA_TEST_DIR%\\12345", out, sizeof out, unknown),
              Expansion::TooLong);
}

}  // namespace
}  // namespace sfx
