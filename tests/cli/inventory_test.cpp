// The inventory file as spreadsheets save it, good and bad, the MAC's spellings,
// the match by MAC, and the tables' columns by display width.
#include <gtest/gtest.h>

#include <cstdio>

#include "cli/device/inventory.h"
#include "cli/device/inventory_match.h"
#include "cli/output/summary_table.h"
#include "cli/output/display_width.h"

namespace {

struct GoodFile {
    const char* what;
    std::string bytes;
    std::vector<std::pair<std::string, std::string>> devices;  // name, mac
    std::vector<std::pair<std::string, std::string>> firstColumns;
};

struct BadFile {
    const char* what;
    std::string bytes;
    const char* says;  // the start of the one line
};

}  // namespace

TEST(InventoryTest, MacSpellingsReadAsTheSearchWritesThem) {
    std::string mac;
    for (const char* spelling : {"02:4c:1a:03:00:45", "02-4C-1A-03-00-45", "024c1a030045", "024C1A030045"}) {
        ASSERT_TRUE(NormalizedMac(spelling, mac)) << spelling;
        EXPECT_EQ(mac, "02-4c-1a-03-00-45") << spelling;
    }
    for (const char* bad : {"", "02:4c:1a:03:00", "02:4c-1a:03:00:45", "024c1a03004g", "02:4c:1a:03:00:45:00",
                            "0:24c:1a:03:00:45", "024c.1a03.0045"})
        EXPECT_FALSE(NormalizedMac(bad, mac)) << bad;
}

TEST(InventoryTest, FilesAsSpreadsheetsSaveThemAreRead) {
    const std::vector<GoodFile> files = {
        {"LF, name then mac", "name,mac\nA,02:4c:1a:03:00:45\nB,02-4c-1a-03-00-46\n",
         {{"A", "02-4c-1a-03-00-45"}, {"B", "02-4c-1a-03-00-46"}}, {}},
        {"CR LF, BOM, mac first, upper-case titles, no last line end",
         "\xEF\xBB\xBFMAC,Name\r\n024C1A030045,本社3F-東\r\n02-4C-1A-03-00-46,倉庫 A",
         {{"本社3F-東", "02-4c-1a-03-00-45"}, {"倉庫 A", "02-4c-1a-03-00-46"}}, {}},
        {"quoted fields: comma, \"\" and a line end inside; other columns kept in order",
         "site,name,notes,mac\r\nOsaka,\"Hall, west\",\"says \"\"hi\"\"\r\nsecond line\",02:4c:1a:03:00:45\r\n",
         {{"Hall, west", "02-4c-1a-03-00-45"}},
         {{"site", "Osaka"}, {"notes", "says \"hi\"\r\nsecond line"}}},
        {"blank rows and empty trailing columns a spreadsheet adds; spaces around a cell",
         "name,mac,,\n,,,\nA , 02:4c:1a:03:00:45 ,,\n\n,,,\n", {{"A", "02-4c-1a-03-00-45"}}, {}},
        {"a lone CR ends a line", "name,mac\rA,024c1a030045\r", {{"A", "02-4c-1a-03-00-45"}}, {}},
    };
    for (const GoodFile& f : files) {
        Inventory inventory;
        std::string error;
        ASSERT_TRUE(ParseInventory(f.bytes, inventory, error)) << f.what << ": " << error;
        ASSERT_EQ(inventory.devices.size(), f.devices.size()) << f.what;
        for (size_t k = 0; k < f.devices.size(); ++k) {
            EXPECT_EQ(inventory.devices[k].name, f.devices[k].first) << f.what;
            EXPECT_EQ(inventory.devices[k].mac, f.devices[k].second) << f.what;
        }
        EXPECT_EQ(inventory.devices[0].columns, f.firstColumns) << f.what;
    }
}

TEST(InventoryTest, BadFilesAreRefusedWithTheirLine) {
    // "本社" as a spreadsheet saves it in CP932 by default.
    const std::string cp932 = "\x96\x7B\x8E\xD0";
    const std::vector<BadFile> files = {
        {"no mac column", "name,site\nA,Osaka\n", "line 1: no column \"mac\""},
        {"no name column after blank lines", "\n\nmac\n024c1a030045\n", "line 3: no column \"name\""},
        {"a column named twice", "name,mac,Name\n", "line 1: the column \"Name\" is named twice"},
        {"a title with a line end, twice", "\"a\r\nb\",name,mac,\"a\r\nb\"\n",
         "line 1: the column \"a\\r\\nb\" is named twice"},
        {"a bad MAC", "name,mac\nA,024c1a030045\nB,02:4c:1a:03:00\n", "line 3: \"02:4c:1a:03:00\" is no MAC"},
        {"a MAC twice, spelt two ways", "name,mac\nA,024c1a030045\nB,02:4C:1A:03:00:45\n",
         "line 3: the MAC 02-4c-1a-03-00-45 is listed twice (line 2)"},
        {"a name twice, after a quoted line end", "name,notes,mac\nA,\"x\ny\",024c1a030045\nA,z,024c1a030046\n",
         "line 4: the name \"A\" is listed twice (line 2)"},
        {"a line end inside a name", "name,mac\n\"A\nB\",024c1a030045\n", "line 2: the name holds a control"},
        {"a name twice", "name,mac\r\nA,024c1a030045\r\nA,024c1a030046\r\n",
         "line 3: the name \"A\" is listed twice (line 2)"},
        {"CP932", "name,mac\r\nA,024c1a030045\r\n" + cp932 + ",024c1a030046\r\n",
         "line 3: not UTF-8 text; save the file as \"CSV UTF-8\""},
        {"an unterminated quote", "name,mac\nA,024c1a030045\n\"B,024c1a030046\nC,024c1a030047\n",
         "line 3: a quoted field does not end"},
        {"more fields than the header", "name,mac\nA,024c1a030045,x\n", "line 2: 3 fields"},
        {"no name", "name,mac\n,024c1a030045\n", "line 2: no name"},
        {"only a header", "name,mac\r\n", "the file lists no device"},
        {"empty", "", "the file is empty"},
    };
    for (const BadFile& f : files) {
        Inventory inventory;
        std::string error;
        EXPECT_FALSE(ParseInventory(f.bytes, inventory, error)) << f.what;
        EXPECT_EQ(error.rfind(f.says, 0), 0u) << f.what << ": " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << f.what;
    }
}

TEST(InventoryMatchTest, TheNameFollowsTheMacWhateverAddressAnswers) {
    Inventory inventory;
    std::string error;
    ASSERT_TRUE(ParseInventory("name,mac\nEast,024c1a030045\nWest,024c1a030046\nStore,024c1a030047\n", inventory,
                               error));
    const FoundDevice east1{"", "10.77.0.10", "02-4c-1a-03-00-45"}, west1{"", "10.77.0.11", "02-4c-1a-03-00-46"};
    const FoundDevice east2{"", "10.77.0.11", "02-4c-1a-03-00-45"}, west2{"", "10.77.0.10", "02-4c-1a-03-00-46"};
    const FoundDevice lab{"", "10.77.0.12", "02-4c-1a-03-00-99"};
    struct Case {
        std::vector<FoundDevice> found;
        std::vector<std::pair<std::string, std::string>> listed;  // name, address
        std::vector<std::string> missing, unlisted;
    };
    const std::vector<Case> cases = {
        {{east1, west1}, {{"East", "10.77.0.10"}, {"West", "10.77.0.11"}}, {"Store"}, {}},
        {{west2, east2, lab}, {{"West", "10.77.0.10"}, {"East", "10.77.0.11"}}, {"Store"}, {"10.77.0.12"}},
        {{lab}, {}, {"East", "West", "Store"}, {"10.77.0.12"}},
    };
    for (size_t k = 0; k < cases.size(); ++k) {
        const InventoryMatch m = MatchInventory(inventory, cases[k].found);
        std::vector<std::pair<std::string, std::string>> listed;
        for (const ListedFound& l : m.listed) listed.emplace_back(l.listed.name, l.found.ip);
        std::vector<std::string> missing, unlisted;
        for (const InventoryDevice& d : m.missing) missing.push_back(d.name);
        for (const FoundDevice& d : m.unlisted) unlisted.push_back(d.ip);
        EXPECT_EQ(listed, cases[k].listed) << k;
        EXPECT_EQ(missing, cases[k].missing) << k;
        EXPECT_EQ(unlisted, cases[k].unlisted) << k;
    }
    EXPECT_EQ(NamesText(inventory.devices, 2), "East, West and 1 more");
}

TEST(DisplayWidthTest, TheSummaryAlignsJapaneseNames) {
    std::vector<DeviceOutcome> outcomes(3);
    outcomes[0].name = "本社3F-東";
    outcomes[0].mac = "02-4c-1a-00-20-00";
    outcomes[1].name = "e\xCC\x81" "cole";
    outcomes[1].mac = "02-4c-1a-00-20-01";
    outcomes[2].mac = "02-4c-1a-00-20-02";
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    PrintSummaryTable(out, {"10.77.0.10", "10.77.0.11", "a-longer-host:2323"}, outcomes);
    std::rewind(out);
    std::vector<std::string> lines;
    for (char line[512]; std::fgets(line, sizeof line, out);) lines.emplace_back(line);
    std::fclose(out);
    ASSERT_EQ(lines.size(), 5u);
    const size_t mac = DisplayWidth(lines[0].substr(0, lines[0].find("MAC")));
    for (size_t k = 1; k <= 3; ++k)
        EXPECT_EQ(DisplayWidth(lines[k].substr(0, lines[k].find("02-4c"))), mac) << lines[k];
    EXPECT_EQ(lines[3].rfind("-  ", 0), 0u) << "a device without a name: " << lines[3];
}
