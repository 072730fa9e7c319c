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

namespace {

namespace fs = std::filesystem;
using brelvik::IniSettingsStore;

class FakeControls : public brelvik::Controls {
public:
    std::string text(int) const override { return {}; }
    void setText(int, const std::string&) override {}
    bool isChecked(int id) const override {
        const auto it = checked.find(id);
        return it != checked.end() && it->second;
    }
    void setChecked(int id, bool state) override { checked[id] = state; }
    void enable(int, bool) override {}
    bool isEnabled(int) const override { return true; }
    void show(int, bool) override {}

    std::map<int, bool> checked;  // only the boxes that were set
};

// Every test gets its own empty folder.
class SettingsFolder : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::path(::testing::TempDir()) / "brelvik-settings-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        file_ = folder_ / "Brelvik" / "Brelvik.ini";
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }

    std::string fileText() const {
        std::ifstream in(file_, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void writeFileText(const std::string& text) const {
        fs::create_directories(file_.parent_path());
        std::ofstream(file_, std::ios::binary) << text;
    }

    fs::path folder_;
    fs::path file_;
};

// ---------------------------------------------------------------- INI store

struct RoundTripCase {
    const char* name;
    std::string section;
    std::string key;
    std::string value;
};
void PrintTo(const RoundTripCase& c, std::ostream* os) { *os << c.name; }


class IniRoundTrip : public SettingsFolder, public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(IniRoundTrip, FreshStoreReadsExactlyWhatWasWritten) {
    const auto& c = GetParam();
    {
        IniSettingsStore store(file_);
        store.write(c.section, c.key, c.value);
        store.write(c.section, "after", "sentinel");
        EXPECT_EQ(store.read(c.section, c.key), c.value);
    }
    IniSettingsStore reopened(file_);
    EXPECT_EQ(reopened.read(c.section, c.key), c.value);
    EXPECT_EQ(reopened.read(c.section, "after"), "sentinel") << "the entry broke the line after it:\n"
                                                               << fileText();
}

INSTANTIATE_TEST_SUITE_P(
    KeysAndValues, IniRoundTrip,
    ::testing::Values(RoundTripCase{"SlashInKey", "I_KONBVALUE", "sw/cbMinValue", "17"},
                      RoundTripCase{"BracketsInKey", "L_buttonEvent", "button[3]Event", "10042"},
                      RoundTripCase{"EmptyValue", "B_keyCheck", "SyncBaro", ""},
                      RoundTripCase{"EqualsInKeyAndValue", "S", "a=b", "c=d=e"},
                      RoundTripCase{"NewlinesInKeyAndValue", "S", "two\nlines", "x\ny\r\nz"},
                      RoundTripCase{"BackslashesLookingLikeEscapes", "S", "k\\n", "C:\\new\\\\dir\\"},
                      RoundTripCase{"KeyLooksLikeSectionHeader", "S", "[T]", "v"},
                      RoundTripCase{"KeyLooksLikeComment", "S", ";not a comment", "v"},
                      RoundTripCase{"KeyStartsWithHash", "S", "#k", "v"},
                      RoundTripCase{"SectionWithBracket", "odd]name[", "k", "v"},
                      RoundTripCase{"SectionWithNewline", "two\nlines", "k", "v"},
                      RoundTripCase{"EmptyKey", "S", "", "v"},
                      RoundTripCase{"SurroundingSpacesKept", "S", " k ", "  v  "},
                      RoundTripCase{"TrailingCarriageReturn", "S", "k", "v\r"}),
    [](const ::testing::TestParamInfo<RoundTripCase>& info) { return std::string(info.param.name); });

TEST_F(SettingsFolder, MissingAndEmptyDifferAndNulloptDeletes) {
    {
        IniSettingsStore store(file_);
        EXPECT_EQ(store.read("B_keyCheck", "SyncBaro"), std::nullopt);
        store.write("B_keyCheck", "SyncBaro", "");
        store.write("L_buttonEvent", "button[3]Event", "10042");
        store.write("L_buttonEvent", "button[4]Event", "10043");
        store.write("L_buttonEvent", "button[3]Event", std::nullopt);
        EXPECT_EQ(store.read("L_buttonEvent", "button[3]Event"), std::nullopt);
    }
    IniSettingsStore reopened(file_);
    EXPECT_EQ(reopened.read("B_keyCheck", "SyncBaro"), std::optional<std::string>(""));
    EXPECT_EQ(reopened.read("L_buttonEvent", "button[3]Event"), std::nullopt);
    EXPECT_EQ(reopened.read("L_buttonEvent", "button[4]Event"), "10043");
    EXPECT_EQ(reopened.read("B_keyCheck", "SendCtrlCheck"), std::nullopt);
}

TEST_F(SettingsFolder, WritesCreateTheFolderAndLeaveNoTemporaryFiles) {
    IniSettingsStore store(file_);
    store.write("S", "k1", "1");
    store.write("S", "k2", "2");
    store.write("S", "k1", std::nullopt);
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(file_.parent_path())) names.insert(entry.path().filename());
    EXPECT_EQ(names, (std::set<std::string>{"Brelvik.ini", "Brelvik.ini.lock"}));
    EXPECT_EQ(fileText(), "[S]\nk2=2\n");
}

TEST_F(SettingsFolder, DeletingAMissingKeyCreatesNoFile) {
    IniSettingsStore store(file_);
    store.write("L_buttonEvent", "button[0]Event", std::nullopt);
    EXPECT_FALSE(fs::exists(file_));
}

TEST_F(SettingsFolder, HandEditedFileReadsItsPairsAndSkipsTheRest) {
    writeFileText(
        "orphan=before any section\r\n"
        "; comment\r\n"
        "[CfgGauge]\r\n"
        "G_IAS=0\r\n"
        "garbage without equals\r\n"
        "G_HDG=1\r\n"
        "G_HDG=0\r\n"
        "[broken\n"
        "G_VS=1\n"
        "[CfgGauge]\n"
        "G_ALT=");
    IniSettingsStore store(file_);
    EXPECT_EQ(store.read("CfgGauge", "G_IAS"), "0");
    EXPECT_EQ(store.read("CfgGauge", "G_HDG"), "0");  // the later duplicate wins
    EXPECT_EQ(store.read("CfgGauge", "G_VS"), std::nullopt);  // under a garbled header
    EXPECT_EQ(store.read("CfgGauge", "G_ALT"), std::optional<std::string>(""));
    EXPECT_EQ(store.read("CfgGauge", "orphan"), std::nullopt);
    EXPECT_EQ(store.read("broken", "G_VS"), std::nullopt);
}

// Layout a text editor may add: a byte-order mark, blanks around names and '='.
struct LayoutCase {
    const char* name;
    std::string text;
    std::string section;
    std::string key;
    std::optional<std::string> expected;
};
void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class IniLayout : public SettingsFolder, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(IniLayout, ReadsThroughEditorLayout) {
    const auto& c = GetParam();
    writeFileText(c.text);
    EXPECT_EQ(IniSettingsStore(file_).read(c.section, c.key), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    EditorLayouts, IniLayout,
    ::testing::Values(
        LayoutCase{"ByteOrderMarkBeforeFirstSection", "\xEF\xBB\xBF[B_keyCheck]\nSendCtrlCheck=0\n", "B_keyCheck",
                   "SendCtrlCheck", "0"},
        LayoutCase{"ByteOrderMarkAndCrLf", "\xEF\xBB\xBF[S]\r\nk=v\r\n", "S", "k", "v"},
        LayoutCase{"TrailingBlankAfterSectionName", "[C_Compass] \ncompassValue=-12\n", "C_Compass",
                   "compassValue", "-12"},
        LayoutCase{"BlanksInsideBrackets", "[ C_Compass\t]\ncompassValue=-12\n", "C_Compass", "compassValue", "-12"},
        LayoutCase{"IndentedHeaderAndKey", "  [S]\n\tk=v\n", "S", "k", "v"},
        LayoutCase{"BlanksAroundEquals", "[S]\nk \t= \tv\n", "S", "k", "v"},
        LayoutCase{"ValueKeepsInnerAndTrailingBlanks", "[S]\nk= a  b \n", "S", "k", "a  b "},
        LayoutCase{"EscapedBlanksAreData", "[\\ S\\ ]\n\\ k\\ =\\ v\\ \n", " S ", " k ", " v "},
        LayoutCase{"BlankValueIsEmpty", "[S]\nk=   \n", "S", "k", ""},
        LayoutCase{"MarkInsideTheFileIsNoMark", "[S]\n\xEF\xBB\xBFk=v\n", "S", "\xEF\xBB\xBFk", "v"},
        LayoutCase{"TextAfterHeaderIsGarbled", "[S] x\nk=v\n", "S", "k", std::nullopt}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

// A write changes the line of its own key and nothing else of the file.
struct EditCase {
    const char* name;
    std::string before;
    std::string section;
    std::string key;
    std::optional<std::string> value;
    std::string after;
};
void PrintTo(const EditCase& c, std::ostream* os) { *os << c.name; }

class IniEdit : public SettingsFolder, public ::testing::WithParamInterface<EditCase> {};

TEST_P(IniEdit, TouchesOnlyTheLineOfTheKey) {
    const auto& c = GetParam();
    writeFileText(c.before);
    IniSettingsStore(file_).write(c.section, c.key, c.value);
    EXPECT_EQ(fileText(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    HandEditedFiles, IniEdit,
    ::testing::Values(
        EditCase{"CommentsAndGarbageSurvive", "; mine\n[S]\ngarbage\nk=1\n# also mine\n", "S", "k", "2",
                 "; mine\n[S]\ngarbage\nk=2\n# also mine\n"},
        EditCase{"LayoutOfTheChangedLineKept", "[S]\n  k = 1\n", "S", "k", "2", "[S]\n  k = 2\n"},
        EditCase{"ByteOrderMarkAndCrLfKept", "\xEF\xBB\xBF[S]\r\nk=1\r\n", "S", "j", "2",
                 "\xEF\xBB\xBF[S]\r\nk=1\r\nj=2\r\n"},
        EditCase{"SectionWithTrailingBlankKeepsItsKeys", "[C_Compass] \ncompassValue=5\n", "C_Compass",
                 "compassReverse", "1", "[C_Compass] \ncompassValue=5\ncompassReverse=1\n"},
        EditCase{"GarbledSectionLeftAsItIs", "[broken\nk=1\n", "broken", "k", "2", "[broken\nk=1\n[broken]\nk=2\n"},
        EditCase{"NewKeyFollowsTheSectionsLastKey", "[A]\na=1\n\n; about B\n[B]\nb=1\n", "A", "a2", "2",
                 "[A]\na=1\na2=2\n\n; about B\n[B]\nb=1\n"},
        EditCase{"NewSectionAtTheEnd", "[A]\na=1\n; end", "B", "b", "1", "[A]\na=1\n; end\n[B]\nb=1\n"},
        EditCase{"LaterDuplicateIsTheOneChanged", "[S]\nk=1\nk=2\n", "S", "k", "3", "[S]\nk=1\nk=3\n"},
        EditCase{"DeleteRemovesEveryDuplicate", "[S]\nk=1\nj=0\n[S]\nk=2\n", "S", "k", std::nullopt,
                 "[S]\nj=0\n"},
        EditCase{"DeletingTheLastKeyKeepsASectionWithComments", "[S]\n; note\nk=1\n[T]\nt=1\n", "S", "k",
                 std::nullopt, "[S]\n; note\n[T]\nt=1\n"},
        EditCase{"DeletingTheLastKeyRemovesABareHeader", "[S]\nk=1\n\n[T]\nt=1\n", "S", "k", std::nullopt,
                 "\n[T]\nt=1\n"},
        EditCase{"LeadingBlanksOfAValueEscaped", "[S]\n", "S", "k", " \tv ", "[S]\nk=\\ \\\tv\\ \n"}),
    [](const ::testing::TestParamInfo<EditCase>& info) { return std::string(info.param.name); });

// An editor's byte-order mark must not make the start-up load take the file
// for a first run and overwrite the user's choices.
TEST_F(SettingsFolder, ByteOrderMarkIsNoFirstRun) {
    writeFileText("\xEF\xBB\xBF[B_keyCheck]\r\nSendCtrlCheck=0\r\nSyncBaro=1\r\n");
    IniSettingsStore store(file_);
    FakeControls controls;
    brelvik::loadCheckBoxSettings(store, controls);
    EXPECT_FALSE(controls.checked[brelvik::ids::kSendSimOperations]);
    EXPECT_TRUE(controls.checked[brelvik::ids::kSyncBaro]);
    EXPECT_EQ(fileText(), "\xEF\xBB\xBF[B_keyCheck]\r\nSendCtrlCheck=0\r\nSyncBaro=1\r\n");
}

// Loading must stay linear in the number of keys: a quadratic load does not
// finish within the test time-out. Kept under the 1 MiB the store reads.
TEST_F(SettingsFolder, HundredThousandKeysLoadAndSurviveAWrite) {
    constexpr int kKeys = 100000;
    std::string text = "[L_buttonEvent]\n";
    for (int i = 0; i < kKeys; ++i) text += "k" + std::to_string(i) + "=" + std::to_string(i % 10) + "\n";
    writeFileText(text);
    {
        IniSettingsStore store(file_);
        for (int i = 0; i < kKeys; ++i) {
            ASSERT_EQ(store.read("L_buttonEvent", "k" + std::to_string(i)), std::to_string(i % 10)) << i;
        }
        store.write("L_buttonEvent", "k5", "x");
    }
    IniSettingsStore reopened(file_);
    for (int i = 0; i < kKeys; ++i) {
        ASSERT_EQ(reopened.read("L_buttonEvent", "k" + std::to_string(i)), i == 5 ? "x" : std::to_string(i % 10))
            << i;
    }
}

TEST_F(SettingsFolder, FailedWriteIsIgnoredButTheValueLivesOnInMemory) {
    std::ofstream(folder_ / "not-a-folder") << "x";
    const fs::path blocked = folder_ / "not-a-folder" / "Brelvik.ini";
    IniSettingsStore store(blocked);
    store.write("B_keyCheck", "AutoPanelConnFail", "1");
    EXPECT_EQ(store.read("B_keyCheck", "AutoPanelConnFail"), "1");
}

TEST_F(SettingsFolder, FailedWriteReachesTheFileWithTheNextWrite) {
    std::ofstream(folder_ / "Brelvik") << "x";  // where the settings folder belongs
    IniSettingsStore store(file_);
    store.write("B_keyCheck", "SyncBaro", "1");
    fs::remove(folder_ / "Brelvik");
    store.write("B_keyCheck", "MasterCheck", "0");
    EXPECT_EQ(fileText(), "[B_keyCheck]\nSyncBaro=1\nMasterCheck=0\n");
}

// A writer killed mid-write leaves its temporary file; the next start removes
// such leftovers, and only those.
TEST_F(SettingsFolder, StaleTemporariesOfOurOwnAreRemovedAtStart) {
    writeFileText("[S]\nk=1\n");
    const std::set<std::string> kept = {"Brelvik.ini",         "Brelvik.ini.tmpabc",  "Brelvik.ini.tmpabcdef.bak",
                                        "Brelvik.ini.tmp-bcdef", "Other.ini.tmpabcdef", "notes.txt"};
    for (const auto& name : kept) {
        if (name != "Brelvik.ini") std::ofstream(file_.parent_path() / name) << "x";
    }
    for (const char* name : {"Brelvik.ini.tmpAb12Z9", "Brelvik.ini.tmp000000"}) {
        std::ofstream(file_.parent_path() / name) << "[S]\nk=";
    }
    IniSettingsStore store(file_);
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(file_.parent_path())) names.insert(entry.path().filename());
    names.erase("Brelvik.ini.lock");
    EXPECT_EQ(names, kept);
    EXPECT_EQ(store.read("S", "k"), "1");
}

// Another instance holds the lock while it writes: its temporary file is no
// leftover, and the start-up clean-up waits for it.
TEST_F(SettingsFolder, TemporaryOfAWriterHoldingTheLockIsLeftToIt) {
    writeFileText("[S]\nk=1\n");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int lock = ::open((file_.string() + ".lock").c_str(), O_RDWR | O_CREAT, 0644);
        if (lock < 0 || ::flock(lock, LOCK_EX) != 0) ::_exit(2);
        const fs::path temporary = file_.string() + ".tmpWr1tng";
        std::ofstream(temporary) << "[S]\nk=2\n";
        [[maybe_unused]] const ssize_t signalled = ::write(ready[1], "x", 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::_exit(::rename(temporary.c_str(), file_.c_str()) == 0 ? 0 : 1);
    }
    char signal = 0;
    ASSERT_EQ(::read(ready[0], &signal, 1), 1);
    IniSettingsStore store(file_);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the writer's temporary file was taken away";
    EXPECT_EQ(store.read("S", "k"), "2");
    ::close(ready[0]);
    ::close(ready[1]);
}

// Runs `body` in a child process that a watchdog ends after ten seconds, and
// returns what it returned, or why it did not return.
std::string inWatchedChild(const std::function<std::string()>& body) {
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        ::alarm(10);
        const std::string result = body();
        [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], result.data(), result.size());
        ::_exit(0);
    }
    ::close(pipeEnds[1]);
    std::string result;
    char buffer[512];
    for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) result.append(buffer, got);
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) return "ended by signal " + std::to_string(WTERMSIG(status));
    return result;
}

// Something that is no readable settings file stands where the file belongs.
struct UnusableCase {
    const char* name;
    // Puts the thing in place; false when this system does not allow it.
    bool (*prepare)(const fs::path& file);
    bool dropRootPrivileges;
};
void PrintTo(const UnusableCase& c, std::ostream* os) { *os << c.name; }

class IniUnusableFile : public SettingsFolder, public ::testing::WithParamInterface<UnusableCase> {
protected:
    // Type and content of the file, and every name in its folder.
    std::string snapshot() const {
        std::string out = std::to_string(static_cast<int>(fs::symlink_status(file_).type()));
        if (fs::is_regular_file(file_)) out += ":" + std::to_string(std::hash<std::string>()(fileText()));
        for (const auto& entry : fs::directory_iterator(file_.parent_path())) {
            out += " " + entry.path().filename().string();
        }
        return out;
    }
};

TEST_P(IniUnusableFile, IsNeverReplacedAndTheUserIsTold) {
    const auto& c = GetParam();
    fs::create_directories(file_.parent_path());
    if (!c.prepare(file_)) GTEST_SKIP() << "not possible here";
    const bool asRoot = ::geteuid() == 0;
    if (asRoot && c.dropRootPrivileges) {
        // Folders anyone may write to: only the store's own rule keeps the file.
        fs::permissions(folder_, fs::perms::all);
        fs::permissions(file_.parent_path(), fs::perms::all);
    }
    const std::string before = snapshot();

    const std::string seen = inWatchedChild([&] {
        if (asRoot && c.dropRootPrivileges && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            return std::string("skip");
        }
        IniSettingsStore store(file_);
        const std::string first = store.read("S", "k").value_or("(missing)");
        store.write("S", "k", "2");
        return first + " then " + store.read("S", "k").value_or("(missing)") + "\n" + store.problem();
    });
    if (seen == "skip") GTEST_SKIP() << "cannot drop root privileges";
    const std::size_t lineEnd = std::min(seen.find('\n'), seen.size());
    const std::string values = seen.substr(0, lineEnd);
    const std::string problem = seen.substr(std::min(lineEnd + 1, seen.size()));
    EXPECT_EQ(values, "(missing) then 2");
    EXPECT_TRUE(problem.starts_with("The settings file " + file_.string() + " could not be read")) << problem;
    EXPECT_TRUE(problem.ends_with("settings changed in this run will not be saved.")) << problem;
    EXPECT_EQ(snapshot(), before);
}

INSTANTIATE_TEST_SUITE_P(
    InPlaceOfTheFile, IniUnusableFile,
    ::testing::Values(
        UnusableCase{"Fifo", [](const fs::path& file) { return ::mkfifo(file.c_str(), 0600) == 0; }, false},
        UnusableCase{"CharacterDevice",
                     [](const fs::path& file) { return ::mknod(file.c_str(), S_IFCHR | 0600, ::makedev(1, 3)) == 0; },
                     false},
        UnusableCase{"Directory", [](const fs::path& file) { return fs::create_directory(file); }, false},
        UnusableCase{"LargerThanOneMebibyte",
                     [](const fs::path& file) {
                         std::ofstream(file, std::ios::binary) << "[S]\nk=1\n;" << std::string(1 << 20, 'x') << "\n";
                         return true;
                     },
                     false},
        UnusableCase{"Unreadable",
                     [](const fs::path& file) {
                         std::ofstream(file, std::ios::binary) << "[S]\nk=1\n";
                         fs::permissions(file, ::geteuid() == 0 ? fs::perms::owner_read | fs::perms::owner_write
                                                                : fs::perms::none);
                         return true;
                     },
                     true}),
    [](const ::testing::TestParamInfo<UnusableCase>& info) { return std::string(info.param.name); });

TEST_F(SettingsFolder, ReadOnlyFileKeepsItsModeAfterAWrite) {
    writeFileText("[S]\nk=1\n");
    fs::permissions(file_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    IniSettingsStore(file_).write("S", "k", "2");
    EXPECT_EQ(fs::status(file_).permissions(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(IniSettingsStore(file_).read("S", "k"), "2");
}

TEST_F(SettingsFolder, SymbolicLinkedFileIsUpdatedThroughTheLink) {
    const fs::path real = folder_ / "dotfiles" / "Brelvik.ini";
    fs::create_directories(real.parent_path());
    std::ofstream(real) << "[S]\nk=old\n";
    fs::create_directories(file_.parent_path());
    fs::create_symlink(real, file_);

    IniSettingsStore(file_).write("S", "k", "new");
    EXPECT_TRUE(fs::is_symlink(file_));
    EXPECT_EQ(IniSettingsStore(real).read("S", "k"), "new");
}

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

// ---------------------------------------------------------------- numbers

class SettingNumber : public ::testing::TestWithParam<std::tuple<std::optional<std::string>, int, int>> {};

TEST_P(SettingNumber, ReadsLeadingDigitsAndClampsBytes) {
    const auto& [text, number, byte] = GetParam();
    EXPECT_EQ(brelvik::settingNumber(text), number);
    EXPECT_EQ(brelvik::settingByte(text), byte);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SettingNumber,
    ::testing::Values(std::make_tuple(std::optional<std::string>(), 0, 0), std::make_tuple(std::optional<std::string>(""), 0, 0),
                      std::make_tuple(std::optional<std::string>("abc"), 0, 0),
                      std::make_tuple(std::optional<std::string>("-5"), -5, 0),
                      std::make_tuple(std::optional<std::string>("+7"), 7, 7),
                      std::make_tuple(std::optional<std::string>(" 12x"), 12, 12),
                      std::make_tuple(std::optional<std::string>("255"), 255, 255),
                      std::make_tuple(std::optional<std::string>("256"), 256, 255),
                      std::make_tuple(std::optional<std::string>("99999999999"), INT_MAX, 255)));

// ---------------------------------------------------------------- start-up load

// Boxes 1004, 1005, 1006, 1007, 1239 after the load; -1: never set.
struct CheckBoxCase {
    const char* name;
    std::map<std::string, std::string> stored;
    std::vector<int> boxes;
    bool firstRunWrite;
};
void PrintTo(const CheckBoxCase& c, std::ostream* os) { *os << c.name; }


class CheckBoxLoad : public SettingsFolder, public ::testing::WithParamInterface<CheckBoxCase> {};

TEST_P(CheckBoxLoad, SetsTheBoxesFromTheStoredNumbers) {
    const auto& c = GetParam();
    {
        IniSettingsStore seed(file_);
        for (const auto& [key, value] : c.stored) seed.write("B_keyCheck", key, value);
    }
    IniSettingsStore store(file_);
    FakeControls controls;
    brelvik::loadCheckBoxSettings(store, controls);

    const int ids[] = {1004, 1005, 1006, 1007, 1239};
    for (int i = 0; i < 5; ++i) {
        const auto it = controls.checked.find(ids[i]);
        const int actual = it == controls.checked.end() ? -1 : it->second;
        EXPECT_EQ(actual, c.boxes[i]) << "box " << ids[i];
    }
    IniSettingsStore reopened(file_);
    for (const char* key : {"SendCtrlCheck", "ReconnectCheck", "MasterCheck"}) {
        const auto stored = c.stored.find(key);
        const auto expected = c.firstRunWrite ? std::optional<std::string>("1")
                              : stored == c.stored.end() ? std::nullopt
                                                         : std::optional<std::string>(stored->second);
        EXPECT_EQ(reopened.read("B_keyCheck", key), expected) << key;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, CheckBoxLoad,
    ::testing::Values(
        CheckBoxCase{"FirstRun", {}, {1, 1, 1, 0, -1}, true},
        CheckBoxCase{"FirstRunKeepsPanelAutoConnectAndReadsSyncBaro",
                     {{"SendCtrlCheck", ""}, {"ReconnectCheck", ""}, {"AutoPanelConn", "1"}, {"SyncBaro", "1"}},
                     {1, 1, 1, 1, -1},
                     true},
        CheckBoxCase{"SendCtrlZeroAloneIsNoFirstRun", {{"SendCtrlCheck", "0"}}, {0, 0, 0, 0, 0}, false},
        CheckBoxCase{"NonNumericIsNoFirstRun", {{"MasterCheck", "abc"}}, {0, 0, 0, 0, 0}, false},
        CheckBoxCase{"StoredStates",
                     {{"SendCtrlCheck", "1"},
                      {"ReconnectCheck", "0"},
                      {"MasterCheck", "2"},
                      {"AutoPanelConn", "1"},
                      {"SyncBaro", "0"}},
                     {1, 0, 1, 0, 1},
                     false}),
    [](const ::testing::TestParamInfo<CheckBoxCase>& info) { return std::string(info.param.name); });

TEST_F(SettingsFolder, StoreCheckBoxWritesZeroOrOne) {
    IniSettingsStore store(file_);
    brelvik::storeCheckBox(store, brelvik::setting::kSyncBaro, true);
    brelvik::storeCheckBox(store, brelvik::setting::kReconnectCheck, false);
    IniSettingsStore reopened(file_);
    EXPECT_EQ(reopened.read("B_keyCheck", "SyncBaro"), "1");
    EXPECT_EQ(reopened.read("B_keyCheck", "ReconnectCheck"), "0");
}

std::string describe(const brelvik::CalibrationValues& v) {
    std::ostringstream out;
    out << "lever " << int(v.flapsLeverMin) << "-" << int(v.flapsLeverMax) << ", indicator " << int(v.flapsIndUp)
        << "/" << int(v.flapsIndDown) << ", compass " << v.compassValue << (v.compassReverse ? " reversed" : "")
        << ", knobs " << int(v.switchPanelKnobMin) << "-" << int(v.switchPanelKnobMax) << " "
        << int(v.standbyKnobMin) << "-" << int(v.standbyKnobMax) << " " << int(v.pedestalKnobMin) << "-"
        << int(v.pedestalKnobMax) << " " << int(v.avionicsKnobMin) << "-" << int(v.avionicsKnobMax);
    return out.str();
}

struct CalibrationCase {
    const char* name;
    std::vector<std::tuple<std::string, std::string, std::string>> stored;  // section, key, value
    const char* expected;
};
void PrintTo(const CalibrationCase& c, std::ostream* os) { *os << c.name; }


class CalibrationLoad : public SettingsFolder, public ::testing::WithParamInterface<CalibrationCase> {};

TEST_P(CalibrationLoad, ReplacesStartValuesWithStoredOnes) {
    {
        IniSettingsStore seed(file_);
        for (const auto& [section, key, value] : GetParam().stored) seed.write(section, key, value);
    }
    EXPECT_EQ(describe(brelvik::loadCalibration(IniSettingsStore(file_))), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, CalibrationLoad,
    ::testing::Values(
        CalibrationCase{"FirstRun", {}, "lever 50-200, indicator 125/125, compass 0, knobs 0-0 0-0 0-0 0-0"},
        CalibrationCase{"IndicatorUpWithoutDown",
                        {{"C_FlapIndValue", "flapsInd_Up", "40"}},
                        "lever 50-200, indicator 40/0, compass 0, knobs 0-0 0-0 0-0 0-0"},
        CalibrationCase{"IndicatorDownWithEmptyUp",
                        {{"C_FlapIndValue", "flapsInd_Up", ""}, {"C_FlapIndValue", "flapsInd_Down", "30"}},
                        "lever 50-200, indicator 0/30, compass 0, knobs 0-0 0-0 0-0 0-0"},
        CalibrationCase{"IndicatorBothEmptyKeepsStart",
                        {{"C_FlapIndValue", "flapsInd_Up", ""}, {"C_FlapIndValue", "flapsInd_Down", ""}},
                        "lever 50-200, indicator 125/125, compass 0, knobs 0-0 0-0 0-0 0-0"},
        CalibrationCase{"LeverEmptyKeepsStartNonNumericReadsZero",
                        {{"C_FlapLeverValue", "flapsLeverMin", ""}, {"C_FlapLeverValue", "flapsLeverMax", "abc"}},
                        "lever 50-0, indicator 125/125, compass 0, knobs 0-0 0-0 0-0 0-0"},
        CalibrationCase{"BytesOutOfRangeAreClamped",
                        {{"C_FlapLeverValue", "flapsLeverMin", "-5"}, {"C_FlapLeverValue", "flapsLeverMax", "300"}},
                        "lever 0-255, indicator 125/125, compass 0, knobs 0-0 0-0 0-0 0-0"},
        CalibrationCase{"CompassNegativeAndReverseNonZero",
                        {{"C_Compass", "compassValue", "-123"}, {"C_Compass", "compassReverse", "2"}},
                        "lever 50-200, indicator 125/125, compass -123 reversed, knobs 0-0 0-0 0-0 0-0"},
        CalibrationCase{"CompassReverseZero",
                        {{"C_Compass", "compassReverse", "0"}},
                        "lever 50-200, indicator 125/125, compass 0, knobs 0-0 0-0 0-0 0-0"},
        CalibrationCase{"AllEightKnobKeys",
                        {{"I_KONBVALUE", "sw/cbMinValue", "1"},
                         {"I_KONBVALUE", "sw/cbMaxValue", "2"},
                         {"I_KONBVALUE", "stbyMinValue", "3"},
                         {"I_KONBVALUE", "stbyMaxValue", "4"},
                         {"I_KONBVALUE", "pedestalMinValue", "5"},
                         {"I_KONBVALUE", "pedestalMaxValue", "6"},
                         {"I_KONBVALUE", "avionicsMinValue", "7"},
                         {"I_KONBVALUE", "avionicsMaxValue", "8"}},
                        "lever 50-200, indicator 125/125, compass 0, knobs 1-2 3-4 5-6 7-8"}),
    [](const ::testing::TestParamInfo<CalibrationCase>& info) { return std::string(info.param.name); });

std::string onFlags(const brelvik::GaugeSelection& selection) {
    std::string out;
    for (const auto& gauge : brelvik::kGaugeKeys) {
        if (selection.*gauge.flag) out += std::string(out.empty() ? "" : " ") + gauge.key;
    }
    return out;
}

TEST_F(SettingsFolder, GaugeSelectionDefaultsToIasAttAlt) {
    EXPECT_EQ(onFlags(brelvik::loadGaugeSelection(IniSettingsStore(file_))), "G_IAS G_ATT G_ALT");
}

TEST_F(SettingsFolder, GaugeSelectionPresentKeysReadAsNumbersEvenWhenEmpty) {
    {
        IniSettingsStore seed(file_);
        seed.write("CfgGauge", "G_IAS", "");
        seed.write("CfgGauge", "G_ATT", "0");
        seed.write("CfgGauge", "G_RPME", "5");
        seed.write("CfgGauge", "G_WIND", "abc");
    }
    EXPECT_EQ(onFlags(brelvik::loadGaugeSelection(IniSettingsStore(file_))), "G_ALT G_RPME");
}

TEST_F(SettingsFolder, GaugeSelectionIsStoredInListedOrderAndReadBack) {
    brelvik::GaugeSelection selection;
    selection.ias = false;
    selection.slip = true;
    selection.oilTemp = true;
    selection.rpme = true;
    {
        IniSettingsStore store(file_);
        brelvik::storeGaugeSelection(store, selection);
    }
    EXPECT_EQ(onFlags(brelvik::loadGaugeSelection(IniSettingsStore(file_))), "G_ATT G_ALT G_SLIP G_OILTEMP G_RPME");
    EXPECT_EQ(fileText(),
              "[CfgGauge]\nG_IAS=0\nG_ATT=1\nG_ALT=1\nG_SLIP=1\nG_HDG=0\nG_VS=0\nG_RPM=0\nG_NAV1=0\nG_NAV2=0\n"
              "G_ADF=0\nG_FQTY=0\nG_FFLOW=0\nG_EGT=0\nG_AMP=0\nG_OILPRESS=0\nG_OILTEMP=1\nG_GPS=0\nG_TRK=0\n"
              "G_WIND=0\nG_MPR=0\nG_RPME=1\n");
}

}  // namespace
