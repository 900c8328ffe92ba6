// Small PE images for the tests of the resource code: headers, a code section, the resource
// section laid out from a list, and a base relocation section after it, as the linker places
// them in the stubs.
#pragma once

#include <cstdint>
#include <vector>

#include "resource_tree.h"

namespace vexa::pe::testing {

constexpr uint32_t kTestSectionAlignment = 0x1000;
constexpr uint32_t kTestFileAlignment = 0x200;
constexpr uint32_t kTestResourceRva = 0x2000;

struct TestImageOptions {
    bool pe32Plus = false;
    bool checksum = true;             // write the header checksum (else leave it zero)
    bool relocations = true;          // a .reloc section after the resources
    bool codeAfterResources = false;  // a code section after the resources instead
    bool destinationField = false;    // the stub's empty initial-destination field in .text
};

std::vector<uint8_t> TestImage(const std::vector<Resource>& resources,
                               const TestImageOptions& options = {});

// The resources every test image starts from: an icon group with two images (32 and 16 pixels,
// 4 bits), a dialog that is no template, and a manifest, in US English.
std::vector<Resource> StubLikeResources();

}  // namespace vexa::pe::testing
