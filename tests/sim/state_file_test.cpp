#include "sim/state_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "tests/sim/test_records.h"

TEST(StateFile, SavedStateLoadsBackAndForeignFilesAreRefused) {
    char name[] = "/tmp/tqm530r-sim-test-XXXXXX";
    const std::string dir = ::mkdtemp(name);
    const std::string path = dir + "/device.state";
    DeviceState saved;
    saved.version = "1.0.05";
    saved.macTail = "12AB";
    saved.erasedBlocks = {0x20000, 0xF0000};
    saved.flash = SmallImage("1.0.05");
    saved.flash.push_back("S20C020000370E85F7AAE9EE6649\n");  // a bare "\n" stays so
    std::string error;
    ASSERT_TRUE(SaveState(path, saved, error)) << error;
    ASSERT_TRUE(SaveState(path, saved, error)) << error;  // replacing leaves no temporary file
    EXPECT_EQ(std::system(("test $(ls -A '" + dir + "' | wc -l) -eq 1").c_str()), 0);

    DeviceState loaded;
    ASSERT_TRUE(LoadState(path, loaded, error)) << error;
    EXPECT_EQ(loaded.version, saved.version);
    EXPECT_EQ(loaded.macTail, saved.macTail);
    EXPECT_EQ(loaded.erasedBlocks, saved.erasedBlocks);
    EXPECT_EQ(loaded.flash, saved.flash);

    DeviceState untouched;
    std::ofstream(dir + "/foreign") << "version 9.9.99\nimage\n";
    EXPECT_FALSE(LoadState(dir + "/foreign", untouched, error));
    EXPECT_FALSE(ParseStateText(StateText(saved).substr(0, 40), untouched));  // cut before "image"
    EXPECT_EQ(untouched.version, "1.0.01");
    EXPECT_FALSE(SaveState(dir + "/no/such/dir/state", saved, error));
    EXPECT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
}
