// What Windows reads from brelvik.exe before the program runs: its manifest.
// Wine treats every program as DPI-aware, so only the resource itself can
// show that Windows will draw the window sharp on a high-DPI screen.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

std::string manifestOf(const std::string& program) {
    HMODULE module = ::LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) return {};
    std::string text;
    if (HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {  // RT_MANIFEST
        const DWORD size = ::SizeofResource(module, found);
        if (HGLOBAL loaded = ::LoadResource(module, found)) {
            text.assign(static_cast<const char*>(::LockResource(loaded)), size);
        }
    }
    ::FreeLibrary(module);
    return text;
}

TEST(ProgramResources, ManifestDeclaresThemedControlsAndDpiAwareness) {
    const char* unixPath = std::getenv("BRELVIK_PROGRAM");
    ASSERT_NE(unixPath, nullptr);
    std::string path = std::string("Z:") + unixPath;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    const std::string manifest = manifestOf(path);
    ASSERT_FALSE(manifest.empty()) << path;
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos) << manifest;
}

}  // namespace
