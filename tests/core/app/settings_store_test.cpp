#include "app/settings_store.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qova {
namespace {

TEST(SettingsStore, EmptyStoreGivesDefaults) {
    test::TempDir dir;
    SettingsStore store(dir.File("settings.db"));
    ASSERT_TRUE(store.IsOpen());
    EXPECT_EQ(store.GetProfileInt("Settings", "Interval", 15), 15);
    EXPECT_EQ(store.GetProfileString("Settings", "SMTPName", "QOVA"), "QOVA");
    EXPECT_EQ(store.GetProfileString("http://a/", "allTimeMin", "-99"), "-99");
}

TEST(SettingsStore, NamesCompareWithoutLetterCaseButAddressesStayApart) {
    test::TempDir dir;
    SettingsStore store(dir.File("settings.db"));
    EXPECT_TRUE(store.WriteProfileInt("Settings", "Interval", 7));
    EXPECT_EQ(store.GetProfileInt("settings", "INTERVAL", 15), 7);
    store.WriteProfileInt("SETTINGS", "interval", 9);
    EXPECT_EQ(store.GetProfileInt("Settings", "Interval", 15), 9);

    store.WriteProfileString("example.com", "allTimeMin", "250");
    EXPECT_EQ(store.GetProfileString("http://example.com", "allTimeMin", "-99"), "-99");
    EXPECT_EQ(store.GetProfileString("EXAMPLE.COM", "ALLTIMEMIN", "-99"), "250");
}

TEST(SettingsStore, ValueOfTheOtherKindReadsAsDefault) {
    test::TempDir dir;
    SettingsStore store(dir.File("settings.db"));
    store.WriteProfileString("Settings", "Interval", "20");
    EXPECT_EQ(store.GetProfileInt("Settings", "Interval", 15), 15);
    store.WriteProfileInt("Settings", "Interval", 20);
    EXPECT_EQ(store.GetProfileString("Settings", "Interval", "x"), "x");
    EXPECT_EQ(store.GetProfileInt("Settings", "Interval", 15), 20);
}

TEST(SettingsStore, TextsKeepEveryByteAndValuesSurviveReopening) {
    test::TempDir dir;
    const std::string odd("a\\b\0c\xff\r\n 'quote' \"dq\"", 19);
    {
        SettingsStore store(dir.File("settings.db"));
        store.WriteProfileString("Location", "0", odd);
        store.WriteProfileString("Location", "1", "");
        store.WriteProfileInt("Settings", "LocX", -2147483647 - 1);
    }
    SettingsStore again(dir.File("settings.db"));
    EXPECT_EQ(again.GetProfileString("Location", "0", ""), odd);
    EXPECT_EQ(again.GetProfileString("Location", "1", "missing"), "");
    EXPECT_EQ(again.GetProfileInt("Settings", "LocX", 0), -2147483647 - 1);
}

TEST(SettingsStore, FileIsPrivateAndFoldersAreCreated) {
    test::TempDir dir;
    std::string path = dir.File("a/b/settings.db");
    SettingsStore store(path);
    ASSERT_TRUE(store.IsOpen());
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(SettingsStore, AnotherProcessSeesEachWriteAtItsNextRead) {
    test::TempDir dir;
    std::string path = dir.File("settings.db");
    SettingsStore parent(path);
    int toChild[2], toParent[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(toParent), 0);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        SettingsStore child(path);
        char c;
        for (int round = 1; round <= 3; ++round) {
            if (::read(toChild[0], &c, 1) != 1) {
                ::_exit(10);
            }
            // The parent wrote `round`; answer with round * 10.
            if (child.GetProfileInt("Settings", "NumOpen", 0) != round) {
                ::_exit(20 + round);
            }
            child.WriteProfileInt("Settings", "NumOpen", round * 10);
            if (::write(toParent[1], "k", 1) != 1) {
                ::_exit(11);
            }
        }
        ::_exit(0);
    }
    char c;
    for (int round = 1; round <= 3; ++round) {
        parent.WriteProfileInt("Settings", "NumOpen", round);
        ASSERT_EQ(::write(toChild[1], "g", 1), 1);
        ASSERT_EQ(::read(toParent[0], &c, 1), 1);
        EXPECT_EQ(parent.GetProfileInt("Settings", "NumOpen", 0), round * 10);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(SettingsStore, DamagedFileIsMovedAsideNotDeleted) {
    test::TempDir dir;
    std::string path = dir.File("settings.db");
    {
        std::ofstream junk(path, std::ios::binary);
        junk << std::string(4096, 'x');
    }
    SettingsStore store(path);
    ASSERT_TRUE(store.IsOpen());
    ASSERT_TRUE(store.MovedAside().has_value());
    std::ifstream kept(*store.MovedAside(), std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(kept)), {});
    EXPECT_EQ(content, std::string(4096, 'x'));
    EXPECT_TRUE(store.WriteProfileInt("Settings", "Interval", 3));
    EXPECT_EQ(store.GetProfileInt("Settings", "Interval", 15), 3);
}

TEST(SettingsStore, UnopenableStoreWorksOnDefaults) {
    SettingsStore store("/proc/qova-cannot-be-here/settings.db");
    EXPECT_FALSE(store.IsOpen());
    EXPECT_FALSE(store.WriteProfileInt("Settings", "Interval", 3));
    EXPECT_EQ(store.GetProfileInt("Settings", "Interval", 15), 15);
    EXPECT_EQ(store.GetProfileString("Settings", "SMTP", "d"), "d");
}

} // namespace
} // namespace qova
