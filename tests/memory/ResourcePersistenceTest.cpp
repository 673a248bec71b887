#include "BlockTestSupport.h"
#include "support/TempFolder.h"

namespace {

const wchar_t dataType[] = L"TQDATA";

// Each test works on its own copy of the small executable built beside this test.
class ModuleResources : public TempFolder {
protected:
    void SetUp() override {
        TempFolder::SetUp();
        wchar_t self[MAX_PATH];
        ASSERT_NE(0u, GetModuleFileNameW(nullptr, self, MAX_PATH));
        std::wstring target(self);
        target.resize(target.rfind(L'\\') + 1);
        target += L"memory_resource_target.exe";
        module = Path(L"target.exe");
        ASSERT_TRUE(CopyFileW(target.c_str(), module.c_str(), FALSE));
    }

    std::wstring module;
};

TEST_F(ModuleResources, SavedBlocksLoadBackFromTheModule) {
    const MemoryPH<unsigned char, 0> bytes = ByteBlock(std::string("resource\0bytes", 14));
    MemoryPH<unsigned char, 0> saved(bytes);
    ASSERT_TRUE(
        saved.SaveToResource(module.c_str(), dataType, 7, LANG_NEUTRAL, SUBLANG_NEUTRAL, FALSE));
    MemoryPH<wchar_t, 0> wide = WideBlock(L"wide \x4E00 text");
    ASSERT_TRUE(wide.SaveToResource(module.c_str(), MAKEINTRESOURCEW(300), 8, LANG_ENGLISH,
                                    SUBLANG_ENGLISH_US, FALSE));

    MemoryPH<unsigned char, 0> loaded;
    loaded.LoadFromModuleResource(module.c_str(), dataType, 7);
    EXPECT_TRUE(loaded == bytes);
    MemoryPH<wchar_t, 0> loadedWide;
    loadedWide.LoadFromModuleResource(module.c_str(), MAKEINTRESOURCEW(300), 8);
    EXPECT_EQ(L"wide \x4E00 text", WideText(loadedWide));

    // The module is released again: the file can be replaced.
    EXPECT_TRUE(DeleteFileW(module.c_str()));
}

TEST_F(ModuleResources, MissingResourcesLeaveTheBlockEmpty) {
    MemoryPH<unsigned char, 0> odd = ByteBlock("odd");
    ASSERT_TRUE(
        odd.SaveToResource(module.c_str(), dataType, 9, LANG_NEUTRAL, SUBLANG_NEUTRAL, FALSE));
    struct Case {
        const char* name;
        std::wstring moduleFile;
        const wchar_t* type;
        WORD id;
    };
    const Case cases[] = {
        {"type the module lacks", module, L"TQOTHER", 7},
        {"identifier the module lacks", module, dataType, 70},
        {"module that does not exist", Path(L"absent.exe"), dataType, 9},
        {"odd byte count for wide text", module, dataType, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryPH<wchar_t, 0> block = WideBlock(L"old");
        block.LoadFromModuleResource(c.moduleFile.c_str(), c.type, c.id);
        EXPECT_TRUE(block.IsEmpty());
        EXPECT_NE(nullptr, block.data);
    }
    MemoryPH<unsigned char, 0> bytes;
    bytes.LoadFromModuleResource(module.c_str(), dataType, 9);
    EXPECT_EQ("odd", Text(bytes));
}

TEST_F(ModuleResources, Misuse) {
    MemoryPH<unsigned char, 0> block = ByteBlock("old");
    ExpectAtomError(0, 0, [&] { block.LoadFromModuleResource(module.c_str(), nullptr, 1); });
    ShellMemory<unsigned char> view(block);
    ExpectAtomError(5, 0, [&] { view.LoadFromModuleResource(module.c_str(), dataType, 1); });
    EXPECT_EQ("old", Text(block));

    block.LoadFromResource(nullptr, dataType, 1);
    EXPECT_TRUE(block.IsEmpty());

    EXPECT_FALSE(block.SaveToResource(Path(L"absent.exe").c_str(), dataType, 1, LANG_NEUTRAL,
                                      SUBLANG_NEUTRAL, FALSE));
}

// The program's own resources are those of the running executable.
TEST(OwnResources, ManifestOfTheRunningProgram) {
    const char* source = std::getenv("TORNQUILL_SOURCE_DIR");
    ASSERT_NE(nullptr, source);
    std::wstring manifestPath = L"Z:";
    for (const char* c = source; *c != '\0'; ++c) {
        manifestPath += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    }
    manifestPath += L"\\res\\Tornquill.manifest";

    MemoryPH<char, 0> manifest;
    manifest.LoadFromOwnResource(MAKEINTRESOURCEW(24), 1);
    MemoryPH<char, 0> file;
    file.LoadFile(manifestPath.c_str());
    EXPECT_FALSE(manifest.IsEmpty());
    EXPECT_TRUE(manifest == file);
}

} // namespace
