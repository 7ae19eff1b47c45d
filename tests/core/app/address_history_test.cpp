#include "app/address_history.h"

#include "app/settings_store.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace qova {
namespace {

// The combo box's list as the calls leave it.
class ListView : public AddressListView {
  public:
    std::vector<std::string> entries;
    std::optional<int> selected;
    void AppendEntry(const std::string& text) override { entries.push_back(text); }
    void RemoveEntry(int index) override { entries.erase(entries.begin() + index); }
    void SelectEntry(int index) override { selected = index; }
};

using Texts = std::vector<std::string>;

class AddressHistoryTest : public ::testing::Test {
  protected:
    test::TempDir dir;
    SettingsStore store{dir.File("settings.db")};
    MonitorRecord record;
    ListView list;
    AddressHistory history{record, list};

    void StoreLocation(const Texts& values) {
        for (size_t i = 0; i < values.size(); ++i) {
            store.WriteProfileString("Location", std::to_string(i), values[i]);
        }
    }
    std::string Location(int i) {
        return store.GetProfileString("Location", std::to_string(i), "(absent)");
    }
};

TEST(TrimAddress, RemovesOuterWhiteSpaceOnly) {
    EXPECT_EQ(TrimAddress(" \t http://a b/ \r\n"), "http://a b/");
    EXPECT_EQ(TrimAddress(" \t "), "");
}

TEST_F(AddressHistoryTest, NewAddressGoesFirstInTheHistoryAndLastInTheBox) {
    StoreLocation({"b", "c"});
    history.Load(store);
    history.UpdateAddressHistory("a");
    EXPECT_EQ(record.addressHistory, (Texts{"a", "b", "c"}));
    EXPECT_EQ(list.entries, (Texts{"b", "c", "a"}));
    EXPECT_EQ(list.selected, 2);
    EXPECT_EQ(history.BoxList(), list.entries);

    history.UpdateAddressHistory("c"); // known address moves to the front
    EXPECT_EQ(record.addressHistory, (Texts{"c", "a", "b"}));
    EXPECT_EQ(list.entries, (Texts{"b", "a", "c"}));
}

TEST_F(AddressHistoryTest, EleventhAddressLeavesTheHistoryButNotTheBox) {
    for (int i = 1; i <= 11; ++i) {
        history.UpdateAddressHistory("site" + std::to_string(i));
    }
    EXPECT_EQ(record.addressHistory.size(), 10u);
    EXPECT_EQ(record.addressHistory.front(), "site11");
    EXPECT_EQ(record.addressHistory.back(), "site2");
    EXPECT_EQ(list.entries.size(), 11u);
}

TEST_F(AddressHistoryTest, CaseVariantsAreTwoHistoryEntriesButOneBoxEntry) {
    history.UpdateAddressHistory("http://Example.com");
    history.UpdateAddressHistory("http://example.com");
    EXPECT_EQ(record.addressHistory, (Texts{"http://example.com", "http://Example.com"}));
    EXPECT_EQ(list.entries, (Texts{"http://example.com"}));
}

TEST_F(AddressHistoryTest, RepeatedOrEmptyAddressChangesNothing) {
    history.UpdateAddressHistory("a");
    history.UpdateAddressHistory("b");
    history.UpdateAddressHistory("b");
    history.UpdateAddressHistory("");
    EXPECT_EQ(record.addressHistory, (Texts{"b", "a"}));
    EXPECT_EQ(list.entries, (Texts{"a", "b"}));
    EXPECT_EQ(record.lastHistoryAddress, "b");
}

TEST_F(AddressHistoryTest, StartSelectionSpreadsInstancesOverTheHistory) {
    struct Case {
        Texts stored;
        int numOpen;
        std::optional<int> selection;
    } cases[] = {
        {{"a", "b", "c"}, 1, 0}, {{"a", "b", "c"}, 3, 2},
        {{"a", "b"}, 3, 0}, // more instances than entries: the first
        {{"a", "b"}, 0, 0}, // a damaged count never asks for entry -1
        {{}, 1, std::nullopt},
    };
    for (const auto& c : cases) {
        MonitorRecord fresh;
        ListView box;
        AddressHistory h(fresh, box);
        fresh.addressHistory = c.stored;
        EXPECT_EQ(h.StartSelection(c.numOpen), c.selection)
            << c.numOpen << " of " << c.stored.size();
    }
}

TEST_F(AddressHistoryTest, GapInTheStoreEndsTheHistory) {
    store.WriteProfileString("Location", "0", "a");
    store.WriteProfileString("Location", "2", "c");
    history.Load(store);
    EXPECT_EQ(record.addressHistory, (Texts{"a"}));
    EXPECT_EQ(list.entries, (Texts{"a"}));

    history.Store(store);
    EXPECT_EQ(Location(0), "a");
    EXPECT_EQ(Location(1), "");
    EXPECT_EQ(Location(2), "c"); // stays, unread
}

TEST_F(AddressHistoryTest, StoreWritesWithoutGapsAndEndsWithAnEmptyValue) {
    StoreLocation({"x", "y", "z", "w"});
    history.Load(store);
    record.addressHistory = {"a", "", "b"};
    history.Store(store);
    EXPECT_EQ(Location(0), "a");
    EXPECT_EQ(Location(1), "b");
    EXPECT_EQ(Location(2), "");
    history.Load(store);
    EXPECT_EQ(record.addressHistory, (Texts{"a", "b"}));
}

TEST_F(AddressHistoryTest, EditKeepsTheLastNonEmptyText) {
    for (const char* text : {"h", "ht", " http://a ", "h", "", "   "}) {
        AddressHistory::AddressEdited(store, text);
    }
    EXPECT_EQ(store.GetProfileString("Settings", "LastURL", "(absent)"), "h");
}

} // namespace
} // namespace qova
