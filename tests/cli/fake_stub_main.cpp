// Writes the test stand-in for the self-extractor stub to the path given.
#include <cstdio>

#include "scratch_dir.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vexa_fake_stub OUTPUT\n");
        return 2;
    }
    vexa::cli::testing::WriteFile(argv[1], vexa::cli::testing::FakeStub());
    return 0;
}
