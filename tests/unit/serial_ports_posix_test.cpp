// The sysfs tree is read as it is found: a planted FIFO, a huge file or a
// name that climbs out of the tree must not stall or mislead the refresh.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "panels/serial_ports.h"

namespace brelvik {
namespace {

class UartTypeTree : public ::testing::Test {
protected:
    UartTypeTree() {
        char pattern[] = "/tmp/brelvik-tty-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        if (made != nullptr) root_ = made;
    }
    ~UartTypeTree() override {
        std::error_code ignored;
        if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
    }

    std::string tty(const std::string& name) {
        const std::string dir = root_ + "/" + name;
        ::mkdir(dir.c_str(), 0700);
        return dir;
    }
    void write(const std::string& file, const std::string& content) { std::ofstream(file) << content; }

    std::string root_;
};

TEST_F(UartTypeTree, ReadsTheAttributeAsWritten) {
    ASSERT_FALSE(root_.empty());
    write(tty("ttyS0") + "/type", "4\n");
    write(tty("ttyS1") + "/type", "0\n");
    EXPECT_EQ(readUartType(root_, "ttyS0"), "4\n");
    EXPECT_EQ(readUartType(root_, "ttyS1"), "0\n");
    EXPECT_EQ(readUartType(root_, "ttyS2"), "");
}

TEST_F(UartTypeTree, HostileEntriesGiveNothingOrLittle) {
    ASSERT_FALSE(root_.empty());
    ASSERT_EQ(::mkfifo((tty("fifo") + "/type").c_str(), 0600), 0);
    EXPECT_EQ(readUartType(root_, "fifo"), "");  // would block for ever if opened for a plain read
    ::mkdir((tty("dir") + "/type").c_str(), 0700);
    EXPECT_EQ(readUartType(root_, "dir"), "");
    write(tty("huge") + "/type", std::string(1 << 20, '7'));
    EXPECT_LE(readUartType(root_, "huge").size(), 16u);
    write(root_ + "/type", "0");
    EXPECT_EQ(readUartType(root_ + "/ttyS0", ".."), "");
    EXPECT_EQ(readUartType(root_, "../" + root_.substr(5)), "");
    EXPECT_EQ(readUartType(root_, ""), "");
}

}  // namespace
}  // namespace brelvik
