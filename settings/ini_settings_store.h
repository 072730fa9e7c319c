// The settings store of the POSIX build: one INI-style text file.
//
// File format, one line each:
//   [section]
//   key=value
// Section and key names are kept verbatim: "sw/cbMinValue" and "button[3]Event"
// are plain key names, not sub-groups. The first unescaped '=' ends the key.
// A backslash escapes the next character: "\n" and "\r" stand for a line feed
// and a carriage return, any other escaped character stands for itself. The
// writer escapes '\\', line breaks, '=' in keys, ']' in section names and a
// leading '[', ';' or '#' of a key, so any text round-trips. Lines that are
// not a section header or a key=value pair (comments, garbage) are skipped, and
// a trailing carriage return is dropped so a file edited with CRLF still reads.
//
// The file is read once, when the store is made; reads come from memory. Every
// write that changes a value rewrites the whole file at once and atomically:
// temporary file in the same folder, fsync, rename over the old file, fsync of
// the folder. A crash at any moment leaves either the old or the new file,
// never a torn or empty one. Write failures are not reported (the program never
// reports settings failures) but the value stays in memory for this run.
//
// An existing file that cannot be read is never overwritten: writes then stay
// in memory only, so a transient read error cannot wipe the user's settings.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/seams.h"

namespace brelvik {

class IniSettingsStore : public SettingsStore {
public:
    explicit IniSettingsStore(std::filesystem::path file);

    std::optional<std::string> read(const std::string& section, const std::string& key) const override;
    void write(const std::string& section, const std::string& key,
               const std::optional<std::string>& value) override;

    const std::filesystem::path& file() const { return file_; }

private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> entries;  // in file order
    };

    void load();
    bool save() const;
    Section* findSection(const std::string& name);
    const Section* findSection(const std::string& name) const;

    std::filesystem::path file_;
    std::vector<Section> sections_;  // in file order; a few dozen keys, so a linear search is fine
    bool readFailed_ = false;        // the file exists but could not be read: never replace it
    bool diskBehind_ = false;        // a write failed: the next write must rewrite even if unchanged
};

// $XDG_CONFIG_HOME/Brelvik/Brelvik.ini, or $HOME/.config/Brelvik/Brelvik.ini when
// XDG_CONFIG_HOME is unset, empty or not an absolute path (relative values are
// invalid by the XDG base-directory rules). Without a usable HOME the user's
// home from the password database is used; an empty path when there is none.
std::filesystem::path defaultSettingsFile();

}  // namespace brelvik
