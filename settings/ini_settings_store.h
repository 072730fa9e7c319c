// The settings store of the POSIX build: one INI-style text file in
// IniDocument's format; a write changes the line of its key and leaves every
// other line as it was.
//
// Other writers: a second running instance of the program or a hand edit may
// change the file at any time. A read therefore looks at the file first (one
// stat) and reads it again when it changed, so keys another process sets, such
// as "AutoPanelConnFail" and the "button[%d]Event" keys, are current when they
// are needed. A write takes an exclusive flock on "<file>.lock" beside the file
// (a file that is never replaced, so every writer locks the same one), reads
// the file as it is now, changes that one key and replaces the file: temporary
// file in the same folder, fsync, rename over the old file, fsync of the
// folder. No writer reverts what another wrote, and a crash at any moment
// leaves either the old or the new file, never a torn or empty one. The
// temporary file a crash leaves behind ("<file>.tmpXXXXXX") is removed when
// the next store for the file is made, under the same lock.
//
// Failures are not reported for single reads and writes (the program never
// reports them): a write that could not reach the file stays in memory, reads
// of this store return it, and the next write tries it again.
//
// An existing file that cannot be read is never overwritten: writes then stay
// in memory for the rest of the run, so a transient read error cannot wipe the
// user's settings. Only a regular file of at most 1 MiB is read; anything else
// in its place (a FIFO, a device, a folder) counts as unreadable and is never
// opened, so it cannot block start-up. problem() then says so, for the user.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/seams.h"
#include "settings/ini_document.h"

namespace brelvik {

class IniSettingsStore : public SettingsStore {
public:
    explicit IniSettingsStore(std::filesystem::path file);

    std::optional<std::string> read(const std::string& section, const std::string& key) const override;
    void write(const std::string& section, const std::string& key,
               const std::optional<std::string>& value) override;

    // Set once the file turned out unreadable: not a regular file, larger than
    // 1 MiB, or refused by the system.
    std::string problem() const override;

    const std::filesystem::path& file() const { return file_; }

    // What a stat tells of one version of the file's content.
    struct Stamp {
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t modifiedSeconds = 0;
        std::int64_t modifiedNanoseconds = 0;
        std::int64_t changedSeconds = 0;
        std::int64_t changedNanoseconds = 0;
        bool operator==(const Stamp&) const = default;
    };

private:
    struct PendingWrite {
        std::string section;
        std::string key;
        std::optional<std::string> value;
    };

    void refresh() const;
    // Takes `document`, read from `text`, as the file's content; pending writes go on top.
    void adopt(std::string text, IniDocument document, std::optional<Stamp> stamp, bool settled) const;
    // From now on the file is left alone; `why` goes into the text for the user.
    void giveUpOnTheFile(const std::string& why) const;
    // Writes every pending write into the file as it is now; they stay pending when that fails.
    void writePending();

    std::filesystem::path file_;
    // The file as last read, with the pending writes on top.
    mutable IniDocument document_;
    mutable std::string seenText_;
    // The file document_ was read from; none when there was no file.
    mutable std::optional<Stamp> seen_;
    // False when the file may have changed since without its stamp changing:
    // it was modified within the file system clock's current tick.
    mutable bool seenSettled_ = true;
    mutable bool readFailed_ = false;  // the file exists but could not be read: never replace it
    mutable std::string problem_;
    std::vector<PendingWrite> pending_;  // in the order they were made
};

// $XDG_CONFIG_HOME/Brelvik/Brelvik.ini, or $HOME/.config/Brelvik/Brelvik.ini when
// XDG_CONFIG_HOME is unset, empty or not an absolute path (relative values are
// invalid by the XDG base-directory rules). Without a usable HOME the user's
// home from the password database is used; an empty path when there is none.
std::filesystem::path defaultSettingsFile();

}  // namespace brelvik
