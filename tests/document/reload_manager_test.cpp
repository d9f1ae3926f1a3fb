#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "document/reload_manager.h"
#include "platform/settings/settings_store.h"

namespace {

using Captions = std::vector<std::string>;

TEST(ReloadManagerTest, MostRecentFirstAndNeverTwice) {
    TMemorySettingsStore store;
    VXReloadManager list(store, ODClosedFilesKey);
    EXPECT_TRUE(list.MenuCaptions().empty());
    list.Add("/a.odh");
    list.Add("/b.odh");
    list.Add("/c.odh");
    EXPECT_EQ(list.MenuCaptions(), (Captions{"&0 /c.odh", "&1 /b.odh", "&2 /a.odh"}));
    list.Add("/b.odh");
    EXPECT_EQ(list.MenuCaptions(), (Captions{"&0 /b.odh", "&1 /c.odh", "&2 /a.odh"}));
}

TEST(ReloadManagerTest, TheEleventhPathDropsTheOldest) {
    TMemorySettingsStore store;
    VXReloadManager list(store, ODClosedFilesKey);
    for (int i = 0; i < 11; ++i)
        list.Add("/doc" + std::to_string(i) + ".odh");
    ASSERT_EQ(list.entries.size(), 10u);
    EXPECT_EQ(list.entries.front(), "/doc10.odh");
    EXPECT_EQ(list.entries.back(), "/doc1.odh");
    // Moving an entry to the top of a full list drops nothing.
    list.Add("/doc5.odh");
    EXPECT_EQ(list.entries.size(), 10u);
    EXPECT_EQ(list.entries.back(), "/doc1.odh");
}

TEST(ReloadManagerTest, PersistsUnderItsKey) {
    TMemorySettingsStore store;
    for (int i = 0; i < 10; ++i)
        store.WriteString(ODClosedFilesKey, "File_" + std::to_string(i),
                          "/old" + std::to_string(i));
    store.DeleteValue(ODClosedFilesKey, "File_1");
    {
        VXReloadManager list(store, ODClosedFilesKey);
        // A missing value is skipped; the later ones are still read.
        ASSERT_EQ(list.entries.size(), 9u);
        EXPECT_EQ(list.entries[0], "/old0");
        EXPECT_EQ(list.entries[1], "/old2");
        list.entries.resize(3);
        list.Add("/new");
    }
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(store.ValueExists(ODClosedFilesKey, "File_" + std::to_string(i))) << i;
    for (int i = 4; i < 10; ++i)
        EXPECT_FALSE(store.ValueExists(ODClosedFilesKey, "File_" + std::to_string(i))) << i;
    EXPECT_EQ(store.ReadString(ODClosedFilesKey, "File_0"), "/new");
    EXPECT_EQ(store.ReadString(ODClosedFilesKey, "File_3"), "/old3");

    VXReloadManager again(store, ODClosedFilesKey);
    EXPECT_EQ(again.entries, (std::vector<std::string>{"/new", "/old0", "/old2", "/old3"}));
}

TEST(ReloadManagerTest, AMissingKeyIsNotCreatedByReading) {
    TMemorySettingsStore store;
    {
        VXReloadManager list(store, ODClosedFilesKey);
        EXPECT_TRUE(list.entries.empty());
        EXPECT_FALSE(store.HasKey(ODClosedFilesKey));
    }
}

// A document opened by a relative path, by its absolute path and through a
// symbolic link is one file: one entry, absolute, so Reopen finds it from
// any working directory.
TEST(ReloadManagerTest, OneAbsoluteEntryPerFile) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("reload_" + std::to_string(::getpid()));
    fs::create_directories(dir / "sub");
    std::ofstream(dir / "sub" / "song.odh") << ".odh 0.5\nend\n";
    fs::create_symlink(dir / "sub" / "song.odh", dir / "link.odh");
    const fs::path previous = fs::current_path();
    fs::current_path(dir);

    TMemorySettingsStore store;
    VXReloadManager list(store, ODClosedFilesKey);
    const std::string absolute = fs::canonical(dir / "sub" / "song.odh").string();
    for (const std::string& name : {std::string("sub/song.odh"), std::string("./sub/../sub/song.odh"),
                                    absolute, std::string("link.odh"), (dir / "link.odh").string()})
        list.Add(name);
    fs::current_path(previous);
    EXPECT_EQ(list.entries, (std::vector<std::string>{absolute}));
    fs::remove_all(dir);
}

} // namespace
