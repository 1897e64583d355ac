#include <gtest/gtest.h>

#include <filesystem>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ui/AtomicFileWriter.h"

namespace fs = std::filesystem;

namespace {

class AtomicFileWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zorvik-save-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
    }
    void TearDown() override {
        fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(m_dir);
    }
    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        return content.str();
    }
    // Nothing but the named files may be left in the folder (no temporary files).
    std::size_t FilesInFolder() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(m_dir), {}));
    }

    fs::path m_dir;
};

TEST_F(AtomicFileWriterTest, CreatesAndReplacesWithTheUsersUmask) {
    const fs::path path = m_dir / "report.log";
    std::string error;
    const mode_t old = umask(027);
    ASSERT_TRUE(WriteFileAtomically(path, "first\r\n", error)) << error;
    ASSERT_TRUE(WriteFileAtomically(path, "second", error)) << error;
    umask(old);
    EXPECT_EQ(Read(path), "second");
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(AtomicFileWriterTest, FailuresKeepTheExistingReport) {
    const fs::path path = m_dir / "report.log";
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, "precious", error));

    // A folder the user may not write to (root ignores permissions, so skip that part as root).
    if (geteuid() != 0) {
        fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(WriteFileAtomically(path, "lost?", error));
        EXPECT_FALSE(error.empty());
        fs::permissions(m_dir, fs::perms::owner_all);
        EXPECT_EQ(Read(path), "precious");
    }

    // A folder that does not exist, and a target that is a folder.
    EXPECT_FALSE(WriteFileAtomically((m_dir / "missing" / "r.log").string(), "x", error));
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
    fs::create_directory(m_dir / "folder.log");
    EXPECT_FALSE(WriteFileAtomically((m_dir / "folder.log").string(), "x", error));
    EXPECT_NE(error.find("directory"), std::string::npos) << error;
    EXPECT_EQ(Read(path), "precious");
    EXPECT_EQ(FilesInFolder(), 2u);

    // A device is never replaced by a rename.
    EXPECT_FALSE(WriteFileAtomically("/dev/null", "x", error));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST_F(AtomicFileWriterTest, SavingThroughALinkUpdatesItsTarget) {
    const fs::path real = m_dir / "real.log";
    const fs::path link = m_dir / "link.log";
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(real, "old", error));
    fs::create_symlink(real, link);
    ASSERT_TRUE(WriteFileAtomically(link, "new", error)) << error;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Read(real), "new");
}

// A small tmpfs of our own, in a private mount namespace so that nothing
// outside this test process sees it. Needs root; each test runs in its own
// process, so the namespace ends with it.
class SmallFileSystem : public AtomicFileWriterTest {
protected:
    void SetUp() override {
        AtomicFileWriterTest::SetUp();
        if (geteuid() != 0)
            GTEST_SKIP() << "mounting a small file system needs root";
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            GTEST_SKIP() << "no private mount namespace here: " << std::strerror(errno);
        ASSERT_EQ(mount("zorvik-test", m_dir.c_str(), "tmpfs", 0, "size=64k"), 0) << std::strerror(errno);
        m_mounted = true;
    }
    void TearDown() override {
        if (m_mounted)
            umount2(m_dir.c_str(), MNT_DETACH);
        AtomicFileWriterTest::TearDown();
    }

    bool m_mounted = false;
};

TEST_F(SmallFileSystem, DiskFullSaysSoAndKeepsTheExistingReport) {
    const fs::path path = m_dir / "report.log";
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, "precious", error)) << error;

    // Larger than the whole file system: the new copy cannot fit beside the old.
    const std::string huge(128 * 1024, 'x');
    EXPECT_FALSE(WriteFileAtomically(path, huge, error));
    EXPECT_NE(error.find("No space left"), std::string::npos) << error;
    EXPECT_EQ(Read(path), "precious");
    EXPECT_EQ(FilesInFolder(), 1u);  // the partial copy is gone again

    // Space freed, the same save succeeds.
    const std::string fits(16 * 1024, 'y');
    EXPECT_TRUE(WriteFileAtomically(path, fits, error)) << error;
    EXPECT_EQ(Read(path), fits);
}

TEST_F(SmallFileSystem, ReadOnlyFileSystemSaysSoAndKeepsTheExistingReport) {
    const fs::path path = m_dir / "report.log";
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(path, "precious", error)) << error;
    ASSERT_EQ(mount(nullptr, m_dir.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0) << std::strerror(errno);

    EXPECT_FALSE(WriteFileAtomically(path, "lost?", error));
    EXPECT_NE(error.find("Read-only file system"), std::string::npos) << error;
    EXPECT_FALSE(WriteFileAtomically(m_dir / "new.log", "lost?", error));
    EXPECT_EQ(Read(path), "precious");
    EXPECT_EQ(FilesInFolder(), 1u);
}

}  // namespace
