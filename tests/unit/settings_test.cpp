// The INI settings store: round trips, editor layouts, hand edits, unusable files.
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
    CheckBoxControls controls;
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


}  // namespace
