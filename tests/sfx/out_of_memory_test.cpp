// A self-extractor that runs out of memory stops with a clear box, never silently: the probe is
// built with the stub's flags and failure routines and makes each kind of failure happen.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "gui_session.h"
#include "runtime_failures.h"
#include "win_paths.h"

namespace sfxtest {
namespace {

constexpr char kOutOfMemoryText[] =
    "There is not enough memory to go on; the self-extractor has to stop.";

class OutOfMemory : public ::testing::TestWithParam<const char*> {};

TEST_P(OutOfMemory, EndsWithAnErrorBoxAndItsExitCode) {
    SfxProcess probe(WindowsPath(OUT_OF_MEMORY_PROBE_PATH), WindowsPath(SFX_UNIT_WORK_DIR),
                     GetParam());
    ASSERT_TRUE(probe.Started());
    const std::optional<MessageBoxView> box = probe.WaitForMessageBox("Error");
    ASSERT_TRUE(box.has_value()) << "no box; exit code " << probe.WaitForExit().value_or(~0u);
    EXPECT_EQ(box->text, kOutOfMemoryText);
    EXPECT_EQ(box->owner, nullptr);
    EXPECT_EQ(box->buttons, std::vector<int>{IDOK});
    EXPECT_TRUE(probe.Running()) << "the box must stay until the user closes it";
    EXPECT_TRUE(probe.Answer(*box, IDOK));
    EXPECT_EQ(probe.WaitForExit(), std::optional<DWORD>(sfx::kOutOfMemoryExitCode));
}

INSTANTIATE_TEST_SUITE_P(Stub, OutOfMemory, ::testing::Values("allocation", "length"));

// Without a failure the probe ends normally and shows nothing: the box above comes from the
// failure, not from the probe itself.
TEST(OutOfMemoryProbe, EndsQuietlyWhenNothingFails) {
    SfxProcess probe(WindowsPath(OUT_OF_MEMORY_PROBE_PATH), WindowsPath(SFX_UNIT_WORK_DIR), "none");
    ASSERT_TRUE(probe.Started());
    EXPECT_EQ(probe.WaitForExit(), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace sfxtest
