// The built program's own resources, read from its file as data.
#include <windows.h>

#include <mmsystem.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const kProgram = std::getenv("DOZEWELL_EXE");
const HMODULE program = LoadLibraryExA(kProgram, nullptr, LOAD_LIBRARY_AS_DATAFILE);

std::string Bytes(LPCSTR type, LPCSTR name) {
    const HRSRC found = FindResourceA(program, name, type);
    if (!found) return "";
    return std::string(static_cast<const char*>(LockResource(LoadResource(program, found))),
                       SizeofResource(program, found));
}
template <typename T>
T At(const std::string& bytes, size_t at) {
    T value{};
    if (at + sizeof value <= bytes.size()) std::memcpy(&value, &bytes[at], sizeof value);
    return value;
}
std::string NameOf(LPCSTR name) {
    return IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name)) : name;
}
// A zero-ended UTF-16 text from `at` on, or "#n" for an ordinal (0xFFFF, n); `at` moves past it.
std::string Text(const std::string& bytes, size_t& at) {
    if (At<WORD>(bytes, at) == 0xFFFF) return at += 4, "#" + std::to_string(At<WORD>(bytes, at - 2));
    std::string text;
    for (WORD c; at < bytes.size() && (c = At<WORD>(bytes, at)) != 0; at += 2) text += static_cast<char>(c);
    return at += 2, text;
}

// A classic dialog template as lines: the header, then one line per control in template order
// ("style exstyle x y cx cy id class text creation-bytes"). Classes may be stored by ordinal or by name, in
// any case.
std::vector<std::string> Describe(const std::string& bytes) {
    size_t at = 0;
    auto word = [&] { return at += 2, At<WORD>(bytes, at - 2); };
    auto dword = [&] { return at += 4, At<DWORD>(bytes, at - 4); };
    auto rect = [&] {
        std::ostringstream out;
        for (int i = 0; i < 4; ++i) out << ' ' << static_cast<short>(word());
        return out.str();
    };
    const std::map<std::string, std::string> classes = {
        {"#128", "BUTTON"}, {"#129", "EDIT"}, {"#130", "STATIC"}, {"#133", "COMBOBOX"}};
    std::ostringstream head;
    head << std::hex << dword() << ' ' << dword() << std::dec << ' ';
    const WORD count = word();
    head << count << rect() << " [" << Text(bytes, at) << "][" << Text(bytes, at) << "][" << Text(bytes, at)
         << "] " << word() << ' ' << Text(bytes, at);
    std::vector<std::string> lines{head.str()};
    for (WORD i = 0; i < count; ++i) {
        at = (at + 3) & ~size_t{3};
        std::ostringstream line;
        line << std::hex << dword() << ' ' << dword() << std::dec << rect() << ' ' << word() << ' ';
        std::string type = Text(bytes, at);
        CharUpperA(type.data());
        line << (classes.count(type) ? classes.at(type) : type) << " [" << Text(bytes, at) << "] " << word();
        lines.push_back(line.str());
    }
    return lines;
}

BOOL CALLBACK AddLanguage(HMODULE, LPCSTR type, LPCSTR name, WORD language, LONG_PTR found) {
    reinterpret_cast<std::set<std::string>*>(found)->insert(NameOf(type) + "/" + NameOf(name) + "/" +
                                                            std::to_string(language));
    return TRUE;
}
BOOL CALLBACK AddName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR found) {
    return EnumResourceLanguagesA(module, type, name, AddLanguage, found);
}
BOOL CALLBACK AddType(HMODULE module, LPSTR type, LONG_PTR found) {
    return EnumResourceNamesA(module, type, AddName, found);
}

TEST(ResourcesTest, EveryResourceIsRussianAndNoneIsMissingOrExtra) {
    ASSERT_NE(program, nullptr) << (kProgram ? kProgram : "DOZEWELL_EXE not set");
    std::set<std::string> found;
    EnumResourceTypesA(program, AddType, reinterpret_cast<LONG_PTR>(&found));
    EXPECT_EQ(found, (std::set<std::string>{"#2/#111/1049", "#3/#1/1049", "#4/#109/1049", "#4/#113/1049",
                                            "#5/DIALOG_DESCTOP_WND/1049", "#5/IDD_TMP/1049", "#14/ICON/1049",
                                            "#16/#1/1049", "#24/#1/1049", "WAVE/BEEP/1049", "WAVE/BUZZ/1049",
                                            "WAVE/CUCKOO/1049"}));
}

TEST(ResourcesTest, DialogTemplates) {
    EXPECT_EQ(
        Describe(Bytes(RT_DIALOG, "IDD_TMP")),
        (std::vector<std::string>{
            "80cb00c8 0 16 100 100 198 116 [][][Dozewell Timer] 8 MS Sans Serif",
            "5000000e 0 0 0 198 116 1011 STATIC [#111] 0", "40000007 0 9 5 112 28 1014 BUTTON [Set time] 0",
            "50812082 0 17 15 31 12 1000 EDIT [] 0", "50000036 0 37 15 10 12 1008 MSCTLS_UPDOWN32 [Spin1] 0",
            "50812082 0 51 15 31 12 1001 EDIT [] 0", "50000036 0 71 15 10 12 1009 MSCTLS_UPDOWN32 [Spin2] 0",
            "50812082 0 84 15 31 12 1002 EDIT [] 0", "50000036 0 104 15 10 12 1010 MSCTLS_UPDOWN32 [Spin3] 0",
            "40000007 0 128 5 59 28 1015 BUTTON [Select time] 0",
            "50210003 0 134 15 48 35 1003 COMBOBOX [] 0", "40000007 0 9 38 178 32 1013 BUTTON [Control] 0",
            "50010000 0 24 50 35 14 1004 BUTTON [Start] 0", "58010000 0 81 50 35 14 1005 BUTTON [Pause] 0",
            "58010000 0 136 50 35 14 1006 BUTTON [Stop] 0",
            "40000007 0 9 76 178 30 1012 BUTTON [Select signal] 0",
            "50210003 0 19 86 159 32 1007 COMBOBOX [] 0"}));
    EXPECT_EQ(Describe(Bytes(RT_DIALOG, "DIALOG_DESCTOP_WND")),
              std::vector<std::string>{"80000040 0 0 0 0 38 14 [][][] 8 MS Sans Serif"});
}

TEST(ResourcesTest, MenusHoldTheirItemsInOrder) {
    // "text=id", "-" for a separator, "#" after an item that is not enabled.
    const std::pair<int, const char*> menus[] = {
        {109,
         "00:00:00=40023 - Start=40014 Pause=40015 Stop=40016 - DisplayWind=40018 - About=40020 Exit=40021"},
        {113, "Reset timer=40024 - Load config=40025 Save config=40026 - Exit=40021"}};
    for (const auto& [id, expected] : menus) {
        const HMENU bar = LoadMenuA(program, MAKEINTRESOURCEA(id));
        ASSERT_NE(bar, nullptr) << id;
        EXPECT_EQ(GetMenuItemCount(bar), 1) << id;
        const HMENU popup = GetSubMenu(bar, 0);
        std::ostringstream items;
        for (int i = 0; i < GetMenuItemCount(popup); ++i) {
            char text[32] = {};
            GetMenuStringA(popup, i, text, sizeof text, MF_BYPOSITION);
            const UINT state = GetMenuState(popup, i, MF_BYPOSITION);
            if (i) items << ' ';
            if (state & MF_SEPARATOR)
                items << '-';
            else
                items << text << '=' << GetMenuItemID(popup, i)
                      << (state & (MF_GRAYED | MF_DISABLED) ? "#" : "");
        }
        EXPECT_EQ(items.str(), expected);
        DestroyMenu(bar);
    }
}

TEST(ResourcesTest, SoundsAreCompletePcmWaveFiles) {
    // Resource bytes, then "channels rate bits format-chunk-bytes data-bytes" of each RIFF chunk walk.
    const std::tuple<const char*, size_t, const char*> sounds[] = {{"BEEP", 194340, "2 44100 16 16 194296"},
                                                                   {"BUZZ", 15362, "1 8000 16 18 15288"},
                                                                   {"CUCKOO", 10300, "1 11025 8 16 10256"}};
    for (const auto& [name, size, expected] : sounds) {
        const std::string wave = Bytes("WAVE", name);
        EXPECT_EQ(wave.size(), size) << name;
        EXPECT_EQ(wave.substr(0, 4) + wave.substr(8, 4), "RIFFWAVE") << name;
        EXPECT_EQ(At<DWORD>(wave, 4), wave.size() - 8) << name;
        std::ostringstream seen;
        for (size_t at = 12; at + 8 <= wave.size(); at += 8 + ((At<DWORD>(wave, at + 4) + 1) & ~1u)) {
            const auto format = At<PCMWAVEFORMAT>(wave, at + 8);
            if (wave.compare(at, 4, "fmt ") == 0) {
                EXPECT_EQ(format.wf.wFormatTag, WAVE_FORMAT_PCM) << name;
                EXPECT_EQ(format.wf.nAvgBytesPerSec, format.wf.nSamplesPerSec * format.wf.nBlockAlign)
                    << name;
                EXPECT_EQ(format.wf.nBlockAlign, format.wf.nChannels * format.wBitsPerSample / 8) << name;
                // an 18-byte chunk: WAVEFORMATEX with no extra bytes
                EXPECT_EQ(At<DWORD>(wave, at + 4) == 18 ? At<WORD>(wave, at + 24) : 0, 0) << name;
                seen << format.wf.nChannels << ' ' << format.wf.nSamplesPerSec << ' ' << format.wBitsPerSample
                     << ' ' << At<DWORD>(wave, at + 4);
            }
            if (wave.compare(at, 4, "data") == 0) seen << ' ' << At<DWORD>(wave, at + 4);
        }
        EXPECT_EQ(seen.str(), expected) << name;
    }
}

TEST(ResourcesTest, PictureIconAndManifest) {
    // Header size, width, height (positive: bottom-up), planes, bits, compression, image bytes, resolution.
    const auto bmp = At<BITMAPINFOHEADER>(Bytes(RT_BITMAP, MAKEINTRESOURCEA(111)), 0);
    std::ostringstream picture;
    picture << bmp.biSize << ' ' << bmp.biWidth << ' ' << bmp.biHeight << ' ' << bmp.biPlanes << ' '
            << bmp.biBitCount << ' ' << bmp.biCompression << ' ' << bmp.biSizeImage << ' '
            << bmp.biXPelsPerMeter << ' ' << bmp.biYPelsPerMeter;
    EXPECT_EQ(picture.str(), "40 297 189 1 24 0 168590 2834 2834");

    // A 6-byte group header (reserved, type 1 = icon, count), then one 14-byte entry per image.
    const std::string group = Bytes(RT_GROUP_ICON, "ICON");
    ASSERT_EQ(group.size(), 6u + 14u);
    EXPECT_EQ(At<DWORD>(group, 2), 0x00010001u);  // an icon, one image
    EXPECT_EQ(At<WORD>(group, 6), 0x2020);        // 32 x 32
    EXPECT_EQ(At<WORD>(group, 12), 32);           // bits per pixel
    EXPECT_EQ(At<DWORD>(group, 14), 4264u);       // image bytes
    EXPECT_EQ(Bytes(RT_ICON, MAKEINTRESOURCEA(At<WORD>(group, 18))).size(), 4264u);

    const std::string manifest = Bytes(RT_MANIFEST, MAKEINTRESOURCEA(1));
    for (const char* part : {"\"Microsoft.Windows.Common-Controls\"", "\"6.0.0.0\"", "\"6595b64144ccf1df\""})
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
}

// The version block as "path=value" pairs; texts narrowed to single bytes, other values in hex words.
void Walk(const std::string& block, size_t at, const std::string& parent,
          std::map<std::string, std::string>& out) {
    const size_t end = at + At<WORD>(block, at);
    const WORD valueLength = At<WORD>(block, at + 2), isText = At<WORD>(block, at + 4);
    size_t next = at + 6;
    const std::string path = parent + "/" + Text(block, next);
    next = (next + 3) & ~size_t{3};
    std::ostringstream value;
    for (size_t i = 0; i < valueLength; i += isText ? 1 : 2) {
        const WORD word = At<WORD>(block, next + 2 * (isText ? i : i / 2));
        if (isText && word) value << static_cast<char>(word);
        if (!isText) value << std::hex << word << ' ';
    }
    out[path] = value.str();
    next = (next + (isText ? 2 * valueLength : valueLength) + 3) & ~size_t{3};
    for (; next < end && At<WORD>(block, next); next = (next + At<WORD>(block, next) + 3) & ~size_t{3})
        Walk(block, next, path, out);
}

TEST(ResourcesTest, VersionBlock) {
    std::map<std::string, std::string> found;
    Walk(Bytes(RT_VERSION, MAKEINTRESOURCEA(1)), 0, "", found);
    // VS_FIXEDFILEINFO: signature, structure version, file and product version 0.2.0.0, flags mask, flags
    // VS_FF_SPECIALBUILD, VOS_NT_WINDOWS32, VFT_APP, no subtype, no date.
    EXPECT_EQ(found["/VS_VERSION_INFO"], "4bd feef 0 1 2 0 0 0 2 0 0 0 3f 0 20 0 4 4 1 0 0 0 0 0 0 0 ");
    EXPECT_EQ(found["/VS_VERSION_INFO/VarFileInfo/Translation"], "419 4b0 ");
    const std::string strings = "/VS_VERSION_INFO/StringFileInfo/041904b0/";
    const std::pair<const char*, const char*> texts[] = {
        {"FileDescription", "Timer"},  {"InternalName", "Dozewell Timer"},
        {"FileVersion", "0, 2, 0, 0"}, {"ProductVersion", "0, 2, 0, 0"},
        {"ProductName", ""},           {"OriginalFilename", ""},
        {"PrivateBuild", ""},          {"LegalTrademarks", ""}};
    for (const auto& [key, expected] : texts) {
        ASSERT_TRUE(found.count(strings + key)) << key;
        EXPECT_EQ(found[strings + key], expected) << key;
    }
    // The maker's contact details: present, whatever they say.
    for (const char* key : {"Comments", "CompanyName", "LegalCopyright", "SpecialBuild"})
        EXPECT_NE(found[strings + key], "") << key;
}

}  // namespace
