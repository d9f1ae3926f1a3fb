#include "platform/files/atomic_file.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void Put(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

class AtomicFileTest : public ::testing::Test {
protected:
    fs::path dir;

    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("ondrafel_atomic_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string At(const std::string& name) const { return (dir / name).string(); }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

// What replacing gives for each kind of target.
TEST_F(AtomicFileTest, TargetKinds) {
    struct Case {
        const char* name;
        void (*make)(const fs::path& dir);
        const char* target; // the name that is written
        bool replaced;
        const char* reason;             // when refused
        std::vector<std::string> names; // in the folder afterwards
    };
    const Case cases[] = {
        {"a new file", [](const fs::path&) {}, "f", true, "", {"f"}},
        {"a file that exists",
         [](const fs::path& dir) { Put((dir / "f").string(), "old"); },
         "f",
         true,
         "",
         {"f"}},
        {"a link: the file it names is replaced",
         [](const fs::path& dir) {
             Put((dir / "real").string(), "old");
             fs::create_symlink("real", (dir / "f").string());
         },
         "real",
         true,
         "",
         {"f", "real"}},
        {"a folder",
         [](const fs::path& dir) { fs::create_directory((dir / "f").string()); },
         "f",
         false,
         "not a regular file",
         {"f"}},
        {"a FIFO",
         [](const fs::path& dir) { ::mkfifo((dir / "f").string().c_str(), 0600); },
         "f",
         false,
         "not a regular file",
         {"f"}},
        {"in a missing folder",
         [](const fs::path&) {},
         "f",
         false,
         "No such file or directory",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.make(dir);
        const std::string path =
            c.reason == std::string("No such file or directory") ? At("missing/f") : At("f");
        VXAtomicFile file(path);
        EXPECT_EQ(file.IsOpen(), c.replaced);
        EXPECT_EQ(file.Write("new") && file.Commit(), c.replaced);
        EXPECT_EQ(file.ErrorText(), c.reason);
        if (c.replaced) {
            EXPECT_EQ(file.TargetPath(), At(c.target));
            EXPECT_EQ(Read(path), "new");
        }
        EXPECT_EQ(Names(), c.names);
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
}

// Until Commit the target is untouched, and a replacement given up leaves
// nothing behind, however much was written.
TEST_F(AtomicFileTest, AnAbandonedReplacementLeavesTheTarget) {
    Put(At("f"), "old");
    {
        VXAtomicFile file(At("f"));
        ASSERT_TRUE(file.Write(std::string(100000, 'x')));
        EXPECT_EQ(Read(At("f")), "old");
        const std::string temporary = fs::path(file.TemporaryPath()).filename().string();
        EXPECT_EQ(temporary.rfind(".f.saving" + std::to_string(::getpid()) + "_", 0), 0u)
            << temporary;
        EXPECT_EQ(Names(), (std::vector<std::string>{temporary, "f"}));
    }
    EXPECT_EQ(Names(), std::vector<std::string>{"f"});
    EXPECT_EQ(Read(At("f")), "old");
}

// A write that fails midway (a full disk; here a file-size limit, which
// works for root too) is reported with the system's reason, and the
// target stays as it was.
TEST_F(AtomicFileTest, AFailedWriteKeepsTheTarget) {
    Put(At("f"), "old");
    VXAtomicFile file(At("f"));
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1000;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const bool written = file.Write(std::string(5000, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(written);
    EXPECT_EQ(file.Error(), EFBIG);
    EXPECT_EQ(file.ErrorText(), std::strerror(EFBIG));
    file.Abandon();
    EXPECT_EQ(Names(), std::vector<std::string>{"f"});
    EXPECT_EQ(Read(At("f")), "old");
}

TEST_F(AtomicFileTest, TheBackupHoldsThePreviousVersion) {
    Put(At("f"), "first");
    Put(At("f.bak"), "older");
    {
        VXAtomicFile file(At("f"));
        ASSERT_TRUE(file.Write("second") && file.Commit(false));
    }
    EXPECT_EQ(Read(At("f.bak")), "older") << "no backup asked for";
    {
        VXAtomicFile file(At("f"));
        ASSERT_TRUE(file.Write("third") && file.Commit(true));
    }
    EXPECT_EQ(Read(At("f")), "third");
    EXPECT_EQ(Read(At("f.bak")), "second");
    EXPECT_EQ(Names(), (std::vector<std::string>{"f", "f.bak"}));
}

// Two replacements of one file in one process: the second does not take
// the first one's temporary for a dead process's.
TEST_F(AtomicFileTest, ATemporaryInUseIsNotStale) {
    VXAtomicFile first(At("f"));
    ASSERT_TRUE(first.Write("first"));
    VXAtomicFile second(At("f"));
    EXPECT_EQ(VXAtomicFile::RemoveStaleTemporaries(At("f")), 0);
    EXPECT_TRUE(fs::exists(first.TemporaryPath()));
    ASSERT_TRUE(second.Write("second") && second.Commit());
    ASSERT_TRUE(first.Commit());
    EXPECT_EQ(Read(At("f")), "first");
    EXPECT_EQ(Names(), std::vector<std::string>{"f"});
}

} // namespace
