// Any bytes as a Windows program, read and branded as `vexa info` and `vexa sfx --icon --title
// --version-info --switches --run --temp` do. Reading must survive anything. Branding may refuse,
// but when it succeeds the result must read back with the new title, version fields, icon and
// settings, its sections must end where the file ends, and branding it again must change nothing.
//
// Every input is also read as the stub's settings resource: the reader must survive it, and what
// it accepts must encode back to the very same bytes (one layout, no second spelling).
//
// The first byte also picks a lower-level reader for the bytes after it, so that each one gets
// inputs of its own shape and not only what a resource tree hands it: 'M' (a program image)
// none; otherwise its value modulo 4 picks 0 an .ico file, 1 an icon group resource, 2 a version
// resource, 3 a dialog template.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "dialog_template.h"
#include "resource_tree.h"
#include "vexa_pe.h"

namespace {

using Bytes = std::vector<uint8_t>;
using vexa::pe::Branding;
using vexa::pe::IconImage;

[[noreturn]] void Broken(const std::string& what) {
    std::fprintf(stderr, "fuzz_pe_image: %s\n", what.c_str());
    std::abort();
}

void Require(bool holds, const char* what) {
    if (!holds) Broken(what);
}

void PutLe(Bytes& out, size_t width, uint32_t value) {
    for (size_t i = 0; i < width; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

// A 4-bit DIB icon image as icon editors write it: header, 16-colour palette, colour rows and
// the transparency mask, each row padded to 4 bytes.
Bytes DibImage(uint32_t side) {
    Bytes dib;
    PutLe(dib, 4, 40);
    PutLe(dib, 4, side);
    PutLe(dib, 4, 2 * side);  // colour rows and mask rows
    PutLe(dib, 2, 1);
    PutLe(dib, 2, 4);
    PutLe(dib, 4, 0);
    for (int i = 0; i < 5; ++i) PutLe(dib, 4, 0);
    for (uint32_t c = 0; c < 16; ++c) PutLe(dib, 4, c * 0x00111111);
    const uint32_t colourRow = (side / 2 + 3) & ~3u;
    const uint32_t maskRow = (side / 8 + 3) & ~3u;
    for (uint32_t i = 0; i < side * colourRow; ++i) dib.push_back(uint8_t(i * 37));
    dib.resize(dib.size() + side * maskRow, 0);
    return dib;
}

// The .ico file of a 16 and a 32 pixel image, read as `--icon` reads it.
std::vector<IconImage> BrandingIcons() {
    const Bytes images[] = {DibImage(16), DibImage(32)};
    Bytes file;
    PutLe(file, 2, 0);
    PutLe(file, 2, 1);
    PutLe(file, 2, 2);
    uint32_t offset = 6 + 2 * 16;
    for (const Bytes& image : images) {
        const uint8_t side = image[4];
        file.insert(file.end(), {side, side, 16, 0});
        PutLe(file, 2, 1);
        PutLe(file, 2, 4);
        PutLe(file, 4, uint32_t(image.size()));
        PutLe(file, 4, offset);
        offset += uint32_t(image.size());
    }
    for (const Bytes& image : images) file.insert(file.end(), image.begin(), image.end());
    std::string fault;
    auto icons = vexa::pe::ParseIconFile(file, fault);
    if (!icons) Broken("the branding icon does not parse: " + fault);
    return *icons;
}

const Branding& TheBranding() {
    static const Branding branding{
        BrandingIcons(),
        u"Entpacken für Größe — 展開",
        {{"FileVersion", "2.1"}, {"ProductName", "Vexa Prüfstand ✓"}},
        vexa::pe::OwnedStubSettings{vexa::pe::kHonourSwitches | vexa::pe::kExtractToTemp,
                                    "\"Sub Dir\\setup.exe\" /quiet /log=\"a b.txt\""},
    };
    return branding;
}

// `summary` shows `branding`'s version fields, in the first string table and in the numbers.
void CheckVersion(const vexa::pe::BrandingSummary& summary, const Branding& branding) {
    Require(summary.version.has_value(), "the branded version resource does not read back");
    const vexa::pe::FourPartVersion expected{2, 1, 0, 0};
    Require(summary.version->fileVersion == expected, "FileVersion is not 2.1.0.0 in the numbers");
    for (const vexa::pe::VersionField& field : branding.versionFields) {
        bool shown = false;
        for (const vexa::pe::VersionField& string : summary.version->strings)
            shown = shown || string == field;
        Require(shown, "a branded version field is not in the first string table");
    }
}

// The icon group the branding puts in: its entries match the images, and each names an RT_ICON
// resource holding that image's bytes.
void CheckIcons(std::span<const uint8_t> image, const vexa::pe::BrandingSummary& summary,
                const std::vector<IconImage>& icons) {
    using namespace vexa::pe;
    std::string fault;
    const auto layout = ReadPeLayout(image, fault);
    const auto resources = ReadResources(image, *layout, fault);
    Require(resources.has_value(), "the branded resource tree does not read back");
    auto is = [](const Resource& r, uint16_t type) { return r.type == ResourceId::Number(type); };
    const Resource* group = nullptr;
    const Resource* firstGroup = nullptr;
    for (const Resource& r : *resources) {
        if (!is(r, kIconGroupType)) continue;
        if (!firstGroup) firstGroup = &r;
        if (r.name == ResourceId::Number(kStubIconGroup)) {
            Require(group == nullptr, "the branded image has icon group 107 twice");
            group = &r;
        }
    }
    Require(group != nullptr, "the branded image has no icon group 107");
    const auto entries = ParseIconGroup(group->data);
    Require(entries && entries->size() == icons.size(), "icon group 107 does not list the icon");
    for (size_t i = 0; i < icons.size(); ++i) {
        const IconGroupEntry& entry = (*entries)[i];
        Require(entry.width == icons[i].width && entry.height == icons[i].height &&
                    entry.bitCount == icons[i].bitCount && entry.bytes == icons[i].data.size(),
                "an icon group entry does not describe its image");
        size_t holders = 0;
        for (const Resource& r : *resources)
            if (is(r, kIconType) && r.name == ResourceId::Number(entry.id)) {
                Require(r.data == icons[i].data, "an icon group entry names other image bytes");
                ++holders;
            }
        Require(holders == 1, "an icon group entry names no image, or several");
    }
    // Explorer, and vexa info, show the first group: ours unless the program has others first.
    if (firstGroup != group) return;
    Require(summary.icons.size() == entries->size(), "vexa info does not show the new icon");
    for (size_t i = 0; i < entries->size(); ++i)
        Require(summary.icons[i].width == (*entries)[i].width &&
                    summary.icons[i].height == (*entries)[i].height &&
                    summary.icons[i].bytes == (*entries)[i].bytes,
                "vexa info shows other icon sizes");
}

// Whether any two sections share file bytes or addresses; sections without either take none.
bool SectionsOverlap(const vexa::pe::PeLayout& layout) {
    const uint64_t alignment = std::max<uint64_t>(layout.sectionAlignment, 1);
    auto mapped = [&](const vexa::pe::PeSection& s) {
        const uint64_t size = s.virtualSize != 0 ? s.virtualSize : s.rawSize;
        return (size + alignment - 1) / alignment * alignment;
    };
    auto cross = [](uint64_t a, uint64_t aSize, uint64_t b, uint64_t bSize) {
        return aSize != 0 && bSize != 0 && a < b + bSize && b < a + aSize;
    };
    for (size_t i = 0; i < layout.sections.size(); ++i)
        for (size_t j = i + 1; j < layout.sections.size(); ++j) {
            const vexa::pe::PeSection& a = layout.sections[i];
            const vexa::pe::PeSection& b = layout.sections[j];
            if (cross(a.rawPointer, a.rawSize, b.rawPointer, b.rawSize) ||
                cross(a.virtualAddress, mapped(a), b.virtualAddress, mapped(b)))
                return true;
        }
    return false;
}

void CheckBranded(const Bytes& original, const Bytes& branded, const Branding& branding) {
    std::string fault;
    const auto layout = vexa::pe::ReadPeLayout(branded, fault);
    Require(layout.has_value(), "the branded image has no PE layout");
    Require(layout->RawEnd() == branded.size(), "the branded image's sections end elsewhere");
    Require(!SectionsOverlap(*layout) || SectionsOverlap(*vexa::pe::ReadPeLayout(original, fault)),
            "branding made sections overlap");
    const auto summary = vexa::pe::ReadBranding(branded, fault);
    Require(summary.has_value(), "the branded image does not read back");
    Require(summary->machine == vexa::pe::ReadPeLayout(original, fault)->machine,
            "branding changed the machine");
    Require(summary->title == branding.title, "the branded image does not show the new title");
    CheckVersion(*summary, branding);
    CheckIcons(branded, *summary, *branding.icons);
    Require(summary->hasSettings && summary->settings == branding.settings,
            "the branded image does not read back its settings");
    Bytes again = branded;
    const std::string error = vexa::pe::ApplyBranding(again, branding);
    Require(error.empty(), "branding a branded image again is refused");
    Require(again == branded, "branding a branded image again changes it");
}

void FuzzImage(std::span<const uint8_t> data) {
    std::string fault;
    (void)vexa::pe::ReadBranding(data, fault);
    // The export table as vexa info lists it: bounded, within the image, never past a section.
    if (const auto layout = vexa::pe::ReadPeLayout(data, fault)) {
        if (const auto names = vexa::pe::ReadExportNames(data, *layout, fault)) {
            Require(names->size() <= vexa::pe::kMaxExportNames, "too many export names");
            for (const std::string& name : *names)
                Require(name.size() <= vexa::pe::kMaxExportNameLength, "an export name too long");
        }
    }
    const Bytes original(data.begin(), data.end());
    Bytes image = original;
    if (!vexa::pe::ApplyBranding(image, TheBranding()).empty()) {
        Require(image == original, "a refused branding changed the image");
        return;
    }
    CheckBranded(original, image, TheBranding());
}

void FuzzIconFile(std::span<const uint8_t> bytes) {
    std::string fault;
    const auto images = vexa::pe::ParseIconFile(bytes, fault);
    if (!images) {
        Require(!fault.empty(), "an icon file is refused without a fault");
        return;
    }
    std::vector<uint16_t> ids;
    for (size_t i = 0; i < images->size(); ++i) ids.push_back(uint16_t(i + 1));
    const auto entries = vexa::pe::ParseIconGroup(vexa::pe::BuildIconGroup(*images, ids));
    Require(entries && entries->size() == images->size(), "an icon file's group does not read");
    for (size_t i = 0; i < images->size(); ++i)
        Require(!(*images)[i].data.empty() && (*entries)[i].bytes == (*images)[i].data.size() &&
                    (*entries)[i].id == ids[i],
                "an icon file's group misdescribes an image");
}

void FuzzVersion(std::span<const uint8_t> bytes) {
    const bool readable = vexa::pe::ReadVersionInfo(bytes).has_value();
    // An empty resource stands for none, which gets a new one.
    if (!readable && !bytes.empty()) return;
    Bytes edited;
    if (!vexa::pe::ApplyVersionFields(bytes, TheBranding().versionFields, edited).empty()) return;
    vexa::pe::BrandingSummary summary;
    summary.version = vexa::pe::ReadVersionInfo(edited);
    CheckVersion(summary, TheBranding());
    Bytes again;
    Require(vexa::pe::ApplyVersionFields(edited, TheBranding().versionFields, again).empty() &&
                again == edited,
            "editing an edited version resource again changes it");
}

void FuzzDialog(std::span<const uint8_t> bytes) {
    const bool readable = vexa::pe::DialogCaption(bytes).has_value();
    const std::u16string& title = *TheBranding().title;
    const auto replaced = vexa::pe::WithDialogCaption(bytes, title);
    Require(readable == replaced.has_value(), "a caption reads but cannot be replaced, or not");
    if (!replaced) return;
    Require(vexa::pe::DialogCaption(*replaced) == title, "the new caption does not read back");
    Require(vexa::pe::WithDialogCaption(*replaced, title) == replaced,
            "giving the same caption again changes the template");
}

void FuzzSettings(std::span<const uint8_t> bytes) {
    vexa::pe::StubSettings settings;
    if (vexa::pe::ParseStubSettings(bytes, settings) != vexa::pe::StubSettingsFault::None) return;
    const Bytes again = vexa::pe::EncodeStubSettings(settings);
    Require(std::equal(again.begin(), again.end(), bytes.begin(), bytes.end()),
            "readable settings encode to other bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> input(data, size);
    FuzzImage(input);
    FuzzSettings(input);
    if (size == 0 || data[0] == 'M') return 0;
    const std::span<const uint8_t> rest = input.subspan(1);
    switch (data[0] % 4) {
        case 0:
            FuzzIconFile(rest);
            break;
        case 1:
            (void)vexa::pe::ParseIconGroup(rest);
            break;
        case 2:
            FuzzVersion(rest);
            break;
        case 3:
            FuzzDialog(rest);
            break;
    }
    return 0;
}
