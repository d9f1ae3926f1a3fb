#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/reload_manager.h"
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

} // namespace
