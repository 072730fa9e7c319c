#include "settings/ini_settings_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <system_error>

namespace brelvik {
namespace {

namespace fs = std::filesystem;

// Reads the whole file. Returns false when it exists but cannot be read.
bool readWholeFile(const fs::path& file, std::string& text, bool& exists) {
    exists = false;
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (in == nullptr) return errno == ENOENT || errno == ENOTDIR;  // no file: nothing to lose
    exists = true;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) text.append(buffer, got);
    const bool ok = std::ferror(in) == 0;
    std::fclose(in);
    return ok;
}

bool writeAll(int fd, const std::string& text) {
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// Makes the rename itself durable; the data is already in place if this fails.
void syncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

IniSettingsStore::IniSettingsStore(std::filesystem::path file) : file_(std::move(file)) { load(); }

void IniSettingsStore::load() {
    if (file_.empty()) return;
    std::string text;
    bool exists = false;
    if (!readWholeFile(file_, text, exists)) {
        readFailed_ = true;
        return;
    }
    document_ = IniDocument(text);
}

std::optional<std::string> IniSettingsStore::read(const std::string& section, const std::string& key) const {
    return document_.get(section, key);
}

void IniSettingsStore::write(const std::string& section, const std::string& key,
                             const std::optional<std::string>& value) {
    if (!document_.set(section, key, value) && !diskBehind_) return;  // the file already says so
    if (readFailed_) return;  // keep the unreadable file; this run goes on from memory
    diskBehind_ = !save();
}

bool IniSettingsStore::save() const {
    if (file_.empty()) return false;
    std::error_code ec;
    // Replace what a symbolic link points at, not the link itself.
    fs::path target = file_;
    if (fs::is_symlink(file_, ec)) {
        const fs::path resolved = fs::weakly_canonical(file_, ec);
        if (!ec) target = resolved;
    }
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    fs::create_directories(folder, ec);

    const std::string text = document_.text();
    std::string tempName = (folder / (target.filename().string() + ".tmpXXXXXX")).string();
    const int fd = ::mkostemp(tempName.data(), O_CLOEXEC);
    if (fd < 0) return false;
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 0777);
    bool ok = writeAll(fd, text) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = std::rename(tempName.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tempName.c_str());
        return false;
    }
    syncFolder(folder);
    return true;
}

std::filesystem::path defaultSettingsFile() {
    const fs::path relative = fs::path("Brelvik") / "Brelvik.ini";
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && *xdg != '\0' && fs::path(xdg).is_absolute()) return fs::path(xdg) / relative;
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') return fs::path(home) / ".config" / relative;

    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr && *found->pw_dir != '\0') {
        return fs::path(found->pw_dir) / ".config" / relative;
    }
    return {};
}

}  // namespace brelvik
