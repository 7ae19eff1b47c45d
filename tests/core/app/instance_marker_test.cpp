#include "app/instance_marker.h"
#include "app/settings_store.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <set>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace qova {
namespace {

int NumOpen(const SettingsStore& store) {
    return store.GetProfileInt("Settings", "NumOpen", -1);
}

// Each InstanceMarker opens the lock file anew, and file locks belong to the
// open file, so markers in one process stand for separate instances.
TEST(InstanceMarker, CountsInstancesUpAndDown) {
    test::TempDir dir;
    SettingsStore store(dir.File("settings.db"));

    auto first = std::make_unique<InstanceMarker>(store, dir.Path());
    EXPECT_FALSE(first->ExistedAlready());
    EXPECT_EQ(first->NumOpen(), 1);
    EXPECT_EQ(NumOpen(store), 1);

    auto second = std::make_unique<InstanceMarker>(store, dir.Path());
    EXPECT_TRUE(second->ExistedAlready());
    EXPECT_EQ(second->NumOpen(), 2);
    EXPECT_EQ(NumOpen(store), 2);

    second->Leave();
    second->Leave(); // only the first call counts
    second.reset();
    EXPECT_EQ(NumOpen(store), 1);

    InstanceMarker third(store, dir.Path());
    EXPECT_TRUE(third.ExistedAlready());
    EXPECT_EQ(third.NumOpen(), 2);
}

TEST(InstanceMarker, AnInstanceThatDiedLeavesTheMarkerFree) {
    test::TempDir dir;
    {
        SettingsStore store(dir.File("settings.db"));
        store.WriteProfileInt("Settings", "NumOpen", 4); // left high by instances that died
    }
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SettingsStore store(dir.File("settings.db"));
        InstanceMarker marker(store, dir.Path());
        char c = marker.ExistedAlready() ? 'y' : 'n';
        (void)!::write(ready[1], &c, 1);
        ::pause(); // killed without leaving
        ::_exit(0);
    }
    ::close(ready[1]);
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    EXPECT_EQ(c, 'n');
    SettingsStore store(dir.File("settings.db"));
    EXPECT_EQ(NumOpen(store), 1);
    {
        InstanceMarker whileAlive(store, dir.Path());
        EXPECT_TRUE(whileAlive.ExistedAlready());
        EXPECT_EQ(whileAlive.NumOpen(), 2);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);

    InstanceMarker next(store, dir.Path());
    EXPECT_FALSE(next.ExistedAlready());
    EXPECT_EQ(next.NumOpen(), 1);
}

TEST(InstanceMarker, SimultaneousStartsEachGetTheirOwnCount) {
    test::TempDir dir;
    SettingsStore store(dir.File("settings.db"));
    constexpr int kInstances = 8;
    std::vector<std::unique_ptr<InstanceMarker>> markers(kInstances);
    std::vector<std::thread> starts;
    for (int i = 0; i < kInstances; ++i) {
        starts.emplace_back(
            [&, i] { markers[i] = std::make_unique<InstanceMarker>(store, dir.Path()); });
    }
    for (std::thread& t : starts) {
        t.join();
    }
    std::set<int> counts;
    for (const auto& marker : markers) {
        counts.insert(marker->NumOpen());
    }
    EXPECT_EQ(counts.size(), static_cast<size_t>(kInstances));
    EXPECT_EQ(*counts.begin(), 1);
    EXPECT_EQ(*counts.rbegin(), kInstances);
    EXPECT_EQ(NumOpen(store), kInstances);
}

TEST(InstanceMarker, AMarkerThatCannotBeMadeCountsAsTheOnlyInstance) {
    test::TempDir dir;
    SettingsStore store(dir.File("settings.db"));
    store.WriteProfileInt("Settings", "NumOpen", 3);
    InstanceMarker marker(store, dir.File("no/such/folder"));
    EXPECT_FALSE(marker.ExistedAlready());
    EXPECT_EQ(NumOpen(store), 1);
}

} // namespace
} // namespace qova
