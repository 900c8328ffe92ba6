// The tool's own help: `vexa --version`, `vexa help [COMMAND]`.
#include <gtest/gtest.h>

#include "run_vexa.h"
#include "usage.h"

namespace vexa::cli {
namespace {

using testing::Outcome;
using testing::Vexa;

TEST(Help, VersionAndHelpForEachCommand) {
    const struct {
        std::vector<std::string> args;
        std::string out;
    } cases[] = {
        {{"--version"}, kVersionText},
        {{"-V"}, kVersionText},
        {{"help"}, kToolUsage},
        {{"help", "create"}, kCreateUsage},
        {{"help", "list"}, kListUsage},
        {{"help", "test"}, kTestUsage},
        {{"help", "extract"}, kExtractUsage},
        {{"help", "sfx"}, kSfxUsage},
        {{"help", "info"}, kInfoUsage},
    };
    for (const auto& c : cases) {
        const Outcome outcome = Vexa(c.args);
        EXPECT_EQ(outcome.status, 0) << c.args.back();
        EXPECT_EQ(outcome.out, c.out) << c.args.back();
        EXPECT_EQ(outcome.err, "") << c.args.back();
    }
    // help2man reads the name and version from the first line; the packages name the license.
    EXPECT_EQ(std::string(kVersionText).rfind("vexa (Tarnwick Archiver) 1.", 0), 0u);
    EXPECT_NE(std::string(kVersionText).find("\nLicense: MIT "), std::string::npos);
}

TEST(Help, RefusesWhatIsNotOneCommand) {
    const Outcome unknown = Vexa({"help", "pack"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("unknown command 'pack'"), std::string::npos) << unknown.err;
    const Outcome two = Vexa({"help", "list", "test"});
    EXPECT_EQ(two.status, 2);
    EXPECT_NE(two.err.find("takes one command name"), std::string::npos) << two.err;
}

}  // namespace
}  // namespace vexa::cli
