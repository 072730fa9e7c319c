// The INI settings store beside other writers: a second instance, hand edits,
// writers killed mid-write; and where the file lives.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "base/control_ids.h"
#include "settings/ini_settings_store.h"
#include "settings/startup_settings.h"
#include "unit/settings_folder.h"


namespace {

namespace fs = std::filesystem;
using brelvik::IniSettingsStore;
using brelvik::testing::CheckBoxControls;
using brelvik::testing::SettingsFolder;

// ---------------------------------------------------------------- other writers

// Another instance of the program or a hand edit changes the file while this
// store is open. The changes keep the length of the values, and the in-place
// edit keeps the file's inode too.
struct OtherWriterCase {
    const char* name;
    void (*change)(const fs::path& file, const std::string& text);
};
void PrintTo(const OtherWriterCase& c, std::ostream* os) { *os << c.name; }

class IniOtherWriter : public SettingsFolder, public ::testing::WithParamInterface<OtherWriterCase> {};

// Waits for the clock the kernel stamps files with to start a new tick, so the
// next few steps most likely share one file time.
void waitForANewFileClockTick() {
    timespec start{};
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &start);
    do {
        ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    } while (now.tv_sec == start.tv_sec && now.tv_nsec == start.tv_nsec);
}

TEST_P(IniOtherWriter, IsSeenByTheNextReadAndKeptByTheNextWrite) {
    // The file, its first read and its change within one tick of the file
    // clock: all three carry the same file time.
    waitForANewFileClockTick();
    writeFileText("[B_keyCheck]\nAutoPanelConnFail=0\n[L_buttonEvent]\nbutton[3]Event=10042\n");
    IniSettingsStore store(file_);
    ASSERT_EQ(store.read("B_keyCheck", "AutoPanelConnFail"), "0");
    ASSERT_EQ(store.read("L_buttonEvent", "button[3]Event"), "10042");

    GetParam().change(file_, "[B_keyCheck]\nAutoPanelConnFail=1\n[L_buttonEvent]\nbutton[3]Event=10043\n");
    EXPECT_EQ(store.read("B_keyCheck", "AutoPanelConnFail"), "1");
    EXPECT_EQ(store.read("L_buttonEvent", "button[3]Event"), "10043");

    store.write("B_keyCheck", "SyncBaro", "1");
    EXPECT_EQ(fileText(), "[B_keyCheck]\nAutoPanelConnFail=1\nSyncBaro=1\n[L_buttonEvent]\nbutton[3]Event=10043\n");
    EXPECT_EQ(store.problem(), "") << "a changed file is no problem";
}

INSTANTIATE_TEST_SUITE_P(
    Changes, IniOtherWriter,
    ::testing::Values(OtherWriterCase{"SecondInstance",
                                      [](const fs::path& file, const std::string&) {
                                          IniSettingsStore other(file);
                                          other.write("B_keyCheck", "AutoPanelConnFail", "1");
                                          other.write("L_buttonEvent", "button[3]Event", "10043");
                                      }},
                      OtherWriterCase{"EditorWritingInPlace",
                                      [](const fs::path& file, const std::string& text) {
                                          std::ofstream(file, std::ios::binary | std::ios::in) << text;
                                      }},
                      OtherWriterCase{"EditorReplacingTheFile",
                                      [](const fs::path& file, const std::string& text) {
                                          const fs::path saved = file.string() + "~";
                                          std::ofstream(saved, std::ios::binary) << text;
                                          fs::rename(saved, file);
                                      }}),
    [](const ::testing::TestParamInfo<OtherWriterCase>& info) { return std::string(info.param.name); });

// Two running instances write keys of their own, new sections and a shared one.
TEST_F(SettingsFolder, TwoProcessesWritingDifferentKeysLoseNone) {
    constexpr int kWrites = 200;
    const std::vector<std::string> writers = {"a", "b"};
    const auto sectionOf = [](const std::string& writer, int i) {
        return i % 2 == 0 ? std::string("L_buttonEvent") : "S_" + writer + std::to_string(i % 7);
    };
    std::vector<pid_t> children;
    for (const auto& writer : writers) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            IniSettingsStore store(file_);
            for (int i = 0; i < kWrites; ++i) store.write(sectionOf(writer, i), writer + std::to_string(i), "v");
            ::_exit(0);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    IniSettingsStore reopened(file_);
    std::vector<std::string> lost;
    for (const auto& writer : writers) {
        for (int i = 0; i < kWrites; ++i) {
            const std::string key = writer + std::to_string(i);
            if (!reopened.read(sectionOf(writer, i), key)) lost.push_back(key);
        }
    }
    EXPECT_TRUE(lost.empty()) << lost.size() << " keys lost, the first " << lost.front();
}

// A writer that dies at any moment leaves a whole file with every key holding
// its old or its new value: the file is replaced by rename, never rewritten in place.
class KilledWriter : public SettingsFolder {
protected:
    static constexpr int kKeys = 40;
    static std::string key(int i) { return "button[" + std::to_string(i) + "]Event"; }
    // generation -1 is the value before the writer started. The padding makes the
    // file tens of kilobytes, so that writing it takes many write calls.
    static std::string value(int generation, std::size_t extra = 0) {
        return (generation < 0 ? std::string("old") : "new" + std::to_string(generation)) + ":" +
               std::string(extra, 'y') + std::string(1500, 'x');
    }

    void SetUp() override {
        SettingsFolder::SetUp();
        IniSettingsStore store(file_);
        for (int i = 0; i < kKeys; ++i) store.write("L_buttonEvent", key(i), value(-1));
    }

    // The generation of every key in a fresh store; fails on a torn file or value.
    std::vector<int> generationsOnDisk() const {
        std::vector<int> generations;
        const std::string text = fileText();
        EXPECT_TRUE(!text.empty() && text.back() == '\n') << "torn file";
        IniSettingsStore reopened(file_);
        for (int i = 0; i < kKeys; ++i) {
            const auto stored = reopened.read("L_buttonEvent", key(i));
            if (!stored) {
                ADD_FAILURE() << "key " << i << " lost";
                return {};
            }
            const std::size_t colon = stored->find(':');
            const int generation = stored->rfind("old:", 0) == 0 ? -1 : std::atoi(stored->c_str() + 3);
            const std::size_t rest = colon == std::string::npos ? 0 : stored->size() - colon - 1;
            if (rest < 1500 || *stored != value(generation, rest - 1500)) {
                ADD_FAILURE() << "key " << i << " torn";
                return {};
            }
            generations.push_back(generation);
        }
        return generations;
    }
};

// Deterministic: the file size limit kills the writer inside the write that
// would grow the file past it.
TEST_F(KilledWriter, DyingInsideAWriteKeepsTheWholeOldFile) {
    const auto limit = static_cast<rlim_t>(fs::file_size(file_) + 4500);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit noCore{0, 0};
        const rlimit fileSize{limit, limit};
        ::setrlimit(RLIMIT_CORE, &noCore);
        ::setrlimit(RLIMIT_FSIZE, &fileSize);
        IniSettingsStore store(file_);
        for (int i = 0; i < kKeys; ++i) store.write("L_buttonEvent", key(i), value(0, 1000));  // +1000 bytes each
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << "the writer was not stopped mid-write";

    const std::vector<int> expected = {0, 0, 0, 0, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                                       -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    EXPECT_EQ(generationsOnDisk(), expected);
}

// Killed from outside at whatever moment it has reached.
TEST_F(KilledWriter, KilledAtRandomMomentsLeavesOldOrNewValueOfEveryKey) {
    for (int round = 0; round < 3; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Writes generation after generation until killed (or 20 s, should the parent be gone).
            IniSettingsStore store(file_);
            const auto stop = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            for (int generation = 0; std::chrono::steady_clock::now() < stop; ++generation) {
                for (int i = 0; i < kKeys; ++i) store.write("L_buttonEvent", key(i), value(generation));
            }
            ::_exit(0);
        }
        // Kill once the child is visibly writing, at a different moment each round.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (IniSettingsStore(file_).read("L_buttonEvent", key(0)) == value(-1) &&
               std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2 + 7 * round));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended before it was killed";

        const std::vector<int> generations = generationsOnDisk();
        ASSERT_EQ(generations.size(), static_cast<std::size_t>(kKeys));
        // Writes land in order: a prefix of the keys is one generation ahead of the rest.
        for (int i = 1; i < kKeys; ++i) {
            EXPECT_LE(generations[i], generations[i - 1]);
            EXPECT_GE(generations[i], generations[0] - 1);
        }
    }
}

struct PathCase {
    const char* name;
    const char* xdgConfigHome;  // nullptr: unset
    const char* home;
    const char* expected;
};
void PrintTo(const PathCase& c, std::ostream* os) { *os << c.name; }


class DefaultSettingsFile : public ::testing::TestWithParam<PathCase> {
protected:
    void SetUp() override {
        for (const char* name : {"XDG_CONFIG_HOME", "HOME"}) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            if (value) ::setenv(name.c_str(), value->c_str(), 1);
            else ::unsetenv(name.c_str());
        }
    }
    static void set(const char* name, const char* value) {
        if (value) ::setenv(name, value, 1);
        else ::unsetenv(name);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_P(DefaultSettingsFile, FollowsTheConfigFolderRule) {
    set("XDG_CONFIG_HOME", GetParam().xdgConfigHome);
    set("HOME", GetParam().home);
    EXPECT_EQ(brelvik::defaultSettingsFile(), fs::path(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Environment, DefaultSettingsFile,
    ::testing::Values(PathCase{"XdgSet", "/cfg", "/home/u", "/cfg/Brelvik/Brelvik.ini"},
                      PathCase{"XdgUnset", nullptr, "/home/u", "/home/u/.config/Brelvik/Brelvik.ini"},
                      PathCase{"XdgEmpty", "", "/home/u", "/home/u/.config/Brelvik/Brelvik.ini"},
                      PathCase{"XdgRelativeIsInvalid", "cfg", "/home/u", "/home/u/.config/Brelvik/Brelvik.ini"}),
    [](const ::testing::TestParamInfo<PathCase>& info) { return std::string(info.param.name); });

}  // namespace
