#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

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

}  // namespace
