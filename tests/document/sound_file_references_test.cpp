#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "document/sound_file_references.h"
#include "platform/settings/settings_store.h"

namespace {

// Real directories on disk: a document folder, two search directories and a
// stand-in program directory, with files placed where each case needs them.
class SoundFileReferences : public ::testing::Test {
protected:
    std::filesystem::path root;
    std::string music, lib1, lib2, program;

    void SetUp() override {
        root = std::filesystem::temp_directory_path() /
               ("ondrafel_sfr_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        for (const char* d : {"Music/loops", "lib1/loops", "lib2/loops", "prog/loops"})
            std::filesystem::create_directories(root / d);
        music = (root / "Music").string() + "/";
        lib1 = (root / "lib1").string() + "/";
        lib2 = (root / "lib2").string() + "/";
        program = (root / "prog").string() + "/";
        saved_ = SoundFileSearch();
        TSoundFileSearch& s = SoundFileSearch();
        s.searchDirectories = {lib1, lib2};
        s.programDirectory = program;
        s.soundFileBase.reset();
        SetSoundFileBase(music + "song.odh");
    }
    void TearDown() override {
        SoundFileSearch() = saved_;
        std::filesystem::remove_all(root);
    }
    static void Touch(const std::string& path) { std::ofstream(path) << "x"; }

private:
    TSoundFileSearch saved_;
};

TEST_F(SoundFileReferences, ReferencesAreMadeRelativeToTheFirstMatchingDirectory) {
    struct Case {
        std::string path, expected;
    };
    const Case cases[] = {
        {music + "loops/a.wav", "loops/a.wav"},
        {lib2 + "kick.wav", "kick.wav"},
        {program + "loops/b.wav", "loops/b.wav"},
        {"/elsewhere/x.wav", "/elsewhere/x.wav"},
        {"", ""},
        {music, music}, // a directory is not shorter than itself
        // Case matters on this platform: another directory, kept whole.
        {(root / "MUSIC/loops/a.wav").string(), (root / "MUSIC/loops/a.wav").string()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MakeSoundFileReference(c.path), c.expected) << c.path;
}

TEST_F(SoundFileReferences, ResolutionTriesDocumentThenSearchThenProgramDirectory) {
    EXPECT_EQ(ResolveSoundFileReference("loops/a.wav"), "loops/a.wav") << "nowhere yet";
    EXPECT_FALSE(SoundFileReferenceExists("loops/a.wav"));

    Touch(program + "loops/a.wav");
    EXPECT_EQ(ResolveSoundFileReference("loops/a.wav"), program + "loops/a.wav");
    Touch(lib2 + "loops/a.wav");
    EXPECT_EQ(ResolveSoundFileReference("loops/a.wav"), lib2 + "loops/a.wav");
    Touch(lib1 + "loops/a.wav");
    EXPECT_EQ(ResolveSoundFileReference("loops/a.wav"), lib1 + "loops/a.wav");
    Touch(music + "loops/a.wav");
    EXPECT_EQ(ResolveSoundFileReference("loops/a.wav"), music + "loops/a.wav");
    EXPECT_TRUE(SoundFileReferenceExists("loops/a.wav"));

    // An absolute reference stays itself even where base + reference exists.
    std::filesystem::create_directories(music + "abs");
    Touch(music + "abs/z.wav");
    EXPECT_EQ(ResolveSoundFileReference("/abs/z.wav"), "/abs/z.wav");
    EXPECT_EQ(ResolveSoundFileReference(""), "");
}

TEST_F(SoundFileReferences, SearchDirectoriesPersistAndStaleValuesAreDeleted) {
    TMemorySettingsStore store;
    SoundFileSearch().searchDirectories = {"/a/", "/b/", "/c/"};
    SaveSearchDirectories(store);
    SoundFileSearch().searchDirectories = {"/a/", "/c/"};
    SaveSearchDirectories(store);
    EXPECT_EQ(store.ReadString("SFPaths", "Path_0"), "/a/");
    EXPECT_EQ(store.ReadString("SFPaths", "Path_1"), "/c/");
    EXPECT_FALSE(store.ValueExists("SFPaths", "Path_2"));

    // Reading stops at the first gap.
    store.WriteString("SFPaths", "Path_3", "/d/");
    LoadSearchDirectories(store);
    EXPECT_EQ(SoundFileSearch().searchDirectories, (std::vector<std::string>{"/a/", "/c/"}));
    EXPECT_FALSE(SoundFileSearch().soundFileBase.has_value());
    EXPECT_EQ(SoundFileSearch().programDirectory, ProgramDirectory());
    EXPECT_EQ(ProgramDirectory().back(), '/');
}

TEST(SoundFileBase, IsTheDocumentsDirectoryOrEmpty) {
    const TSoundFileSearch saved = SoundFileSearch();
    SetSoundFileBase("/home/u/song.odh");
    EXPECT_EQ(SoundFileSearch().soundFileBase, "/home/u/");
    SetSoundFileBase("song.odh");
    EXPECT_EQ(SoundFileSearch().soundFileBase, "");
    SoundFileSearch() = saved;
}

TEST(MemorySettingsStore, KeysAreOpenedWithoutCreatingThem) {
    TMemorySettingsStore store;
    EXPECT_FALSE(store.HasKey("OutStream"));
    EXPECT_FALSE(store.ReadInteger("OutStream", "DeviceID"));
    EXPECT_FALSE(store.HasKey("OutStream")) << "reading created nothing";
    store.WriteInteger("OutStream", "BufferSize", 16384);
    store.WriteString("OutStream", "Name", "x");
    EXPECT_TRUE(store.HasKey("OutStream"));
    EXPECT_EQ(store.ReadInteger("OutStream", "BufferSize"), 16384);
    EXPECT_FALSE(store.ReadInteger("OutStream", "Name")) << "a string is not an integer";
    EXPECT_TRUE(store.DeleteValue("OutStream", "Name"));
    EXPECT_FALSE(store.DeleteValue("OutStream", "Name"));
}

} // namespace
