// The settings store of the POSIX build: one INI-style text file.
//
// The file's format is IniDocument's: a write changes the line of its key and
// leaves every other line as it was.
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

#include "base/seams.h"
#include "settings/ini_document.h"

namespace brelvik {

class IniSettingsStore : public SettingsStore {
public:
    explicit IniSettingsStore(std::filesystem::path file);

    std::optional<std::string> read(const std::string& section, const std::string& key) const override;
    void write(const std::string& section, const std::string& key,
               const std::optional<std::string>& value) override;

    const std::filesystem::path& file() const { return file_; }

private:
    void load();
    bool save() const;

    std::filesystem::path file_;
    IniDocument document_;
    bool readFailed_ = false;  // the file exists but could not be read: never replace it
    bool diskBehind_ = false;  // a write failed: the next write must rewrite even if unchanged
};

// $XDG_CONFIG_HOME/Brelvik/Brelvik.ini, or $HOME/.config/Brelvik/Brelvik.ini when
// XDG_CONFIG_HOME is unset, empty or not an absolute path (relative values are
// invalid by the XDG base-directory rules). Without a usable HOME the user's
// home from the password database is used; an empty path when there is none.
std::filesystem::path defaultSettingsFile();

}  // namespace brelvik
