// The built stub as a file: PE headers, imports and exports, resources, the initial
// destination field, and the rule that the image never spells out the archive signature.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "resource.h"
#include "sfx_maker.h"
#include "vexa.h"
#include "win_paths.h"

namespace sfxtest {
namespace {

std::string StubPath() {
    return WindowsPath(SFXSTUB_PATH);
}

const std::vector<uint8_t>& StubBytes() {
    static const std::vector<uint8_t> bytes = ReadFileBytes(StubPath());
    return bytes;
}

// Minimal reader of a PE image of this build's width (PE32 or PE32+) held in memory.
class PeFile {
  public:
    explicit PeFile(const std::vector<uint8_t>& bytes) : bytes_(bytes) {
        const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.data());
        nt_ = reinterpret_cast<const IMAGE_NT_HEADERS*>(bytes.data() + dos->e_lfanew);
        sections_ = IMAGE_FIRST_SECTION(nt_);
    }
    const IMAGE_NT_HEADERS& Nt() const { return *nt_; }
    const IMAGE_SECTION_HEADER* SectionOfRva(uint32_t rva) const {
        for (int i = 0; i < nt_->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& s = sections_[i];
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + s.Misc.VirtualSize) return &s;
        }
        return nullptr;
    }
    const IMAGE_SECTION_HEADER* SectionOfOffset(size_t offset) const {
        for (int i = 0; i < nt_->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER& s = sections_[i];
            if (offset >= s.PointerToRawData && offset < s.PointerToRawData + s.SizeOfRawData)
                return &s;
        }
        return nullptr;
    }
    template <class T>
    const T* At(uint32_t rva) const {
        const IMAGE_SECTION_HEADER* s = SectionOfRva(rva);
        if (!s) return nullptr;
        return reinterpret_cast<const T*>(bytes_.data() + s->PointerToRawData +
                                          (rva - s->VirtualAddress));
    }
    const char* String(uint32_t rva) const { return At<char>(rva); }
    const IMAGE_DATA_DIRECTORY& Directory(int index) const {
        return nt_->OptionalHeader.DataDirectory[index];
    }
    // End of the raw data of the last section: where an appended archive begins.
    size_t ImageEnd() const {
        size_t end = 0;
        for (int i = 0; i < nt_->FileHeader.NumberOfSections; ++i)
            end = std::max<size_t>(end, sections_[i].PointerToRawData + sections_[i].SizeOfRawData);
        return end;
    }

  private:
    const std::vector<uint8_t>& bytes_;
    const IMAGE_NT_HEADERS* nt_;
    const IMAGE_SECTION_HEADER* sections_;
};

bool Contains(const std::vector<uint8_t>& bytes, const std::string& text) {
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

#ifdef _WIN64
constexpr WORD kMachine = IMAGE_FILE_MACHINE_AMD64;
constexpr WORD kOptionalMagic = IMAGE_NT_OPTIONAL_HDR64_MAGIC;
constexpr const char* kManifestArchitecture = "processorArchitecture=\"amd64\"";
#else
constexpr WORD kMachine = IMAGE_FILE_MACHINE_I386;
constexpr WORD kOptionalMagic = IMAGE_NT_OPTIONAL_HDR32_MAGIC;
constexpr const char* kManifestArchitecture = "processorArchitecture=\"x86\"";
#endif

TEST(StubImage, IsAGuiProgramOfThisWidthImportingOnlySystemLibraries) {
    ASSERT_FALSE(StubBytes().empty()) << StubPath();
    const PeFile pe(StubBytes());
    EXPECT_EQ(pe.Nt().FileHeader.Machine, kMachine);
    EXPECT_EQ(pe.Nt().OptionalHeader.Magic, kOptionalMagic);
    EXPECT_EQ(pe.Nt().OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    const std::vector<std::string> system = {"kernel32.dll", "user32.dll",  "comctl32.dll",
                                             "shell32.dll",  "ole32.dll",   "msvcrt.dll",
                                             "gdi32.dll",    "advapi32.dll"};
    const auto* import =
        pe.At<IMAGE_IMPORT_DESCRIPTOR>(pe.Directory(IMAGE_DIRECTORY_ENTRY_IMPORT).VirtualAddress);
    ASSERT_NE(import, nullptr);
    int count = 0;
    for (; import->Name != 0; ++import, ++count) {
        std::string name = pe.String(import->Name);
        std::transform(name.begin(), name.end(), name.begin(), ::tolower);
        EXPECT_NE(std::find(system.begin(), system.end(), name), system.end()) << name;
    }
    EXPECT_GT(count, 0);
}

// Every byte of the stub is added to every self-extractor's download. 72 KiB: what wide paths
// and the checks of a safe extraction needed beyond the 64 KiB before them.
TEST(StubImage, FitsIn72KiB) {
    ASSERT_FALSE(StubBytes().empty()) << StubPath();
    EXPECT_LE(StubBytes().size(), 73728u);
}

TEST(StubImage, ExportsTheEightArchiveFunctionsUnderTheModuleName) {
    const PeFile pe(StubBytes());
    const auto* exports =
        pe.At<IMAGE_EXPORT_DIRECTORY>(pe.Directory(IMAGE_DIRECTORY_ENTRY_EXPORT).VirtualAddress);
    ASSERT_NE(exports, nullptr);
    EXPECT_STREQ(pe.String(exports->Name), "sfxstub.exe");
    const auto* names = pe.At<DWORD>(exports->AddressOfNames);
    std::vector<std::string> exported;
    for (DWORD i = 0; i < exports->NumberOfNames; ++i) exported.push_back(pe.String(names[i]));
    ASSERT_EQ(exported.size(), 8u);
    for (const char* function : {"vexa_OpenStream", "vexa_GetNumFiles", "vexa_EnumerateFiles",
                                 "vexa_GetFileInfo", "vexa_DecompressToFile", "vexa_CloseStream",
                                 "vexa_CancelOperation", "vexa_GetErrorString"}) {
        EXPECT_EQ(
            std::count_if(exported.begin(), exported.end(),
                          [&](const std::string& name) {
                              return name.find(std::string(function) + "P") != std::string::npos ||
                                     name.find(std::string(function) + "i") != std::string::npos;
                          }),
            1)
            << function;
    }
}

TEST(StubImage, NeverHoldsTheArchiveSignature) {
    const std::vector<uint8_t>& bytes = StubBytes();
    const uint8_t signature[8] = {'V', 'E', 'X', 'A', 0x01, 0x00, 0x00, 0x8F};
    EXPECT_EQ(std::search(bytes.begin(), bytes.end(), signature, signature + 8), bytes.end());
    // The four letters alone do occur (the decorated export names spell out VEXA_ENTRY), so
    // the reader has to pass over them.
    EXPECT_TRUE(Contains(bytes, "VEXA_ENTRY"));
}

TEST(StubImage, AppendedArchiveIsFoundRightAfterTheImage) {
    const std::string path = WindowsPath(SFX_UNIT_WORK_DIR) + "\\appended.exe";
    ASSERT_EQ(
        FormSelfExtractor(StubPath(), BuildArchive({{"one.txt", "1"}, {"two.txt", "22"}}), path),
        "");
    EXPECT_EQ(PeFile(StubBytes()).ImageEnd(), StubBytes().size());
    void* stream = nullptr;
    ASSERT_EQ(vexa_OpenStream(&stream, path.c_str(), VEXA_MODE_READ), 0u);
    EXPECT_EQ(vexa_GetNumFiles(stream), 2u);
    VEXA_ENTRY entry;
    uint64_t recordOffset = 0;
    EXPECT_EQ(vexa_GetFileInfo(stream, &entry, &recordOffset, "one.txt"), 0u);
    EXPECT_EQ(recordOffset, StubBytes().size() + sizeof(VEXA_HEADER));
    EXPECT_EQ(vexa_CloseStream(stream), 0u);
}

TEST(StubImage, InitialDestinationFieldIsUniqueAndInInitialisedData) {
    const std::optional<size_t> field = FindDefaultDestination(StubBytes());
    ASSERT_TRUE(field.has_value());
    const IMAGE_SECTION_HEADER* section = PeFile(StubBytes()).SectionOfOffset(*field);
    ASSERT_NE(section, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(section->Name), 5), ".data");
}

// Resources, read through the loader from the file mapped as data.
class StubResources : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        module_ = ::LoadLibraryExA(StubPath().c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    static void TearDownTestSuite() {
        if (module_) ::FreeLibrary(module_);
    }
    static std::vector<uint8_t> Resource(LPCSTR type, LPCSTR name) {
        const HRSRC found = ::FindResourceA(module_, name, type);
        if (!found) return {};
        const auto* data =
            static_cast<const uint8_t*>(::LockResource(::LoadResource(module_, found)));
        return std::vector<uint8_t>(data, data + ::SizeofResource(module_, found));
    }
    static HMODULE module_;
};
HMODULE StubResources::module_ = nullptr;

// Reads the fields of an extended dialog template in order.
class TemplateReader {
  public:
    explicit TemplateReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    template <class T>
    T Read() {
        T value{};
        if (position_ + sizeof(T) <= bytes_.size())
            std::memcpy(&value, bytes_.data() + position_, sizeof(T));
        position_ += sizeof(T);
        return value;
    }
    std::string Text() {  // a UTF-16 string, as ANSI
        std::string text;
        for (uint16_t c; (c = Read<uint16_t>()) != 0 && position_ <= bytes_.size();)
            text += char(c);
        return text;
    }
    // Name or ordinal: "#<n>" for an ordinal.
    std::string NameOrOrdinal() {
        const uint16_t first = Read<uint16_t>();
        if (first == 0) return "";
        if (first == 0xFFFF) {
            std::string ordinal(1, '#');
            ordinal.append(std::to_string(Read<uint16_t>()));
            return ordinal;
        }
        position_ -= 2;
        return Text();
    }
    void AlignTo(size_t alignment) {
        position_ = (position_ + alignment - 1) / alignment * alignment;
    }
    void Skip(size_t count) { position_ += count; }

  private:
    const std::vector<uint8_t>& bytes_;
    size_t position_ = 0;
};

struct ControlTemplate {
    int id;
    std::string windowClass;  // "#128" button, "#129" edit, "#130" static, "#131" list box
    std::string text;
    short x, y, cx, cy;
    DWORD style;
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), ::tolower);
    return text;
}

TEST_F(StubResources, DialogMatchesItsTemplateTable) {
    const std::vector<uint8_t> bytes = Resource(RT_DIALOG, MAKEINTRESOURCEA(IDD_EXTRACT));
    ASSERT_FALSE(bytes.empty());
    TemplateReader in(bytes);
    EXPECT_EQ(in.Read<uint16_t>(), 1);       // version
    EXPECT_EQ(in.Read<uint16_t>(), 0xFFFF);  // extended template
    in.Read<DWORD>();                        // help id
    EXPECT_EQ(in.Read<DWORD>(), DWORD(WS_EX_APPWINDOW));
    EXPECT_EQ(in.Read<DWORD>(),
              DWORD(DS_SETFONT | DS_FIXEDSYS | DS_MODALFRAME | DS_CENTER | DS_SETFOREGROUND |
                    WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU));
    const uint16_t count = in.Read<uint16_t>();
    EXPECT_EQ(in.Read<int16_t>(), 0);
    EXPECT_EQ(in.Read<int16_t>(), 0);
    EXPECT_EQ(in.Read<int16_t>(), 224);
    EXPECT_EQ(in.Read<int16_t>(), 210);
    EXPECT_EQ(in.NameOrOrdinal(), "");  // menu
    EXPECT_EQ(in.NameOrOrdinal(), "");  // class
    EXPECT_EQ(in.Text(), "Tarnwick Archiver self-extractor");
    EXPECT_EQ(in.Read<uint16_t>(), 8);    // points
    EXPECT_EQ(in.Read<uint16_t>(), 400);  // weight
    EXPECT_EQ(in.Read<uint8_t>(), 0);     // italic
    EXPECT_EQ(in.Read<uint8_t>(), DEFAULT_CHARSET);
    EXPECT_EQ(in.Text(), "MS Shell Dlg");

    constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
    const std::vector<ControlTemplate> expected = {
        {1, "#128", "Extract", 9, 188, 50, 14, kChild | WS_TABSTOP | BS_DEFPUSHBUTTON},
        {2, "#128", "Close", 61, 188, 50, 14, kChild | WS_TABSTOP | BS_PUSHBUTTON},
        {1000, "#129", "", 7, 33, 152, 14, kChild | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL},
        {1002, "#128", "Browse", 162, 33, 50, 14, kChild | WS_TABSTOP | BS_PUSHBUTTON},
        {1003, "#128", "Overwrite files automatically", 8, 52, 107, 10,
         kChild | WS_TABSTOP | BS_AUTOCHECKBOX},
        {-1, "#130", "Directory to extract files to:", 8, 22, 90, 8, kChild},
        {-1, "#130", "Select a directory below to extract files to, than push extract", 7, 7, 200,
         10, kChild},
        {-1, "#130", "", 123, 185, 84, 17, kChild},  // the maker's notice, checked below
        {1004, "msctls_progress32", "", 15, 85, 193, 9, kChild | WS_BORDER | WS_DISABLED},
        {1005, "#131", "", 15, 110, 194, 61,
         kChild | WS_BORDER | WS_VSCROLL | WS_TABSTOP | WS_DISABLED | LBS_SORT | LBS_NOTIFY |
             LBS_NOINTEGRALHEIGHT},
        {1006, "#130", "Current File:", 16, 75, 192, 8, kChild | WS_DISABLED},
        {1007, "#130", "Extracted files completed:", 16, 99, 192, 8, kChild | WS_DISABLED},
        {-1, "#128", "", 7, 65, 209, 113, kChild | BS_GROUPBOX},
    };
    ASSERT_EQ(count, expected.size());
    // Bits that must be exactly as listed; the rest (such as WS_GROUP) is free.
    constexpr DWORD kChecked =
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_DISABLED | WS_BORDER | WS_VSCROLL | 0xFFFF;
    for (const ControlTemplate& want : expected) {
        in.AlignTo(4);
        in.Read<DWORD>();  // help id
        in.Read<DWORD>();  // extended style
        const DWORD style = in.Read<DWORD>();
        const short x = in.Read<int16_t>(), y = in.Read<int16_t>();
        const short cx = in.Read<int16_t>(), cy = in.Read<int16_t>();
        const int id = int16_t(in.Read<DWORD>());
        const std::string windowClass = in.NameOrOrdinal();
        const std::string text = in.NameOrOrdinal();
        in.Skip(in.Read<uint16_t>());
        SCOPED_TRACE("control " + std::to_string(want.id) + " " + want.text);
        EXPECT_EQ(id, want.id);
        EXPECT_EQ(Lower(windowClass), want.windowClass);
        EXPECT_EQ(std::make_tuple(x, y, cx, cy), std::make_tuple(want.x, want.y, want.cx, want.cy));
        EXPECT_EQ(style & kChecked, want.style & kChecked);
        if (want.y == 185) {
            EXPECT_NE(text.find('\n'), std::string::npos) << "two lines: " << text;
        } else {
            EXPECT_EQ(text, want.text);
        }
    }
}

TEST_F(StubResources, IconGroupHoldsA32And16PixelImageIn16Colours) {
    const std::vector<uint8_t> group =
        Resource(RT_GROUP_ICON, MAKEINTRESOURCEA(IDI_APPLICATION_ICON));
    ASSERT_GE(group.size(), 6u);
    TemplateReader in(group);
    in.Skip(4);
    const uint16_t count = in.Read<uint16_t>();
    std::vector<std::pair<int, int>> images;  // size, colours
    for (int i = 0; i < count; ++i) {
        const int width = in.Read<uint8_t>();
        const int height = in.Read<uint8_t>();
        const int colours = in.Read<uint8_t>();
        in.Skip(1 + 2);
        EXPECT_EQ(in.Read<uint16_t>(), 4) << "bits per pixel";
        in.Skip(4 + 2);
        EXPECT_EQ(width, height);
        images.emplace_back(width, colours);
    }
    std::sort(images.begin(), images.end());
    EXPECT_EQ(images, (std::vector<std::pair<int, int>>{{16, 16}, {32, 16}}));
}

TEST_F(StubResources, ManifestRunsAsInvokerWithClassicControls) {
    const std::vector<uint8_t> bytes = Resource(RT_MANIFEST, MAKEINTRESOURCEA(1));
    ASSERT_FALSE(bytes.empty());
    const std::string manifest(bytes.begin(), bytes.end());
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    // An identity of another architecture makes Windows refuse to start the program.
    EXPECT_NE(manifest.find(kManifestArchitecture), std::string::npos);
    EXPECT_EQ(manifest.find("Common-Controls"), std::string::npos);
}

}  // namespace
}  // namespace sfxtest
