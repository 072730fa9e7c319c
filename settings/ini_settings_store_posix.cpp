#include "settings/ini_settings_store.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <utility>
#include <vector>

namespace brelvik {
namespace {

namespace fs = std::filesystem;
using Stamp = IniSettingsStore::Stamp;

Stamp stampOf(const struct stat& info) {
    return {static_cast<std::uint64_t>(info.st_dev),
            static_cast<std::uint64_t>(info.st_ino),
            static_cast<std::int64_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec),
            static_cast<std::int64_t>(info.st_mtim.tv_nsec),
            static_cast<std::int64_t>(info.st_ctim.tv_sec),
            static_cast<std::int64_t>(info.st_ctim.tv_nsec)};
}

// The clock the kernel stamps file times with. A file whose modification time
// is behind it cannot change again without its time changing; one modified
// within the current tick can, so it is read again next time.
timespec fileClockNow() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return now;
}

bool isBefore(const timespec& earlier, const timespec& later) {
    return earlier.tv_sec < later.tv_sec || (earlier.tv_sec == later.tv_sec && earlier.tv_nsec < later.tv_nsec);
}

// A settings file is a few kilobytes; anything this large is not one.
constexpr off_t kLargestFile = 1 << 20;

struct FileRead {
    enum Status { kAbsent, kRead, kFailed } status = kAbsent;
    std::string text;
    Stamp stamp;
    bool settled = false;
    std::string failure;  // why it could not be read, for the user
};

FileRead failed(std::string why) {
    FileRead result;
    result.status = FileRead::kFailed;
    result.failure = std::move(why);
    return result;
}

FileRead failedWithErrno() { return failed(std::generic_category().message(errno)); }

std::string notRegular() { return "it is not a regular file"; }
std::string tooLarge() { return "it is larger than 1 MiB"; }

// Reads the whole file. kFailed when it exists but cannot be read: it must not be replaced.
// Only a regular file is opened at all: a FIFO would block start-up for ever,
// a device may never end or may act on being opened (a serial port, say).
FileRead readFile(const fs::path& file) {
    const timespec before = fileClockNow();
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return {};  // no file: nothing to lose
        return failedWithErrno();
    }
    if (!S_ISREG(info.st_mode)) return failed(notRegular());
    if (info.st_size > kLargestFile) return failed(tooLarge());

    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return errno == ENOENT ? FileRead{} : failedWithErrno();
    FileRead result;
    // It may have been replaced since the stat: what counts is what was opened.
    if (::fstat(fd, &info) != 0) {
        result = failedWithErrno();
    } else if (!S_ISREG(info.st_mode)) {
        result = failed(notRegular());
    } else {
        result.status = FileRead::kRead;
        result.stamp = stampOf(info);
        result.settled = isBefore(info.st_mtim, before);
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                result = failedWithErrno();
                break;
            }
            if (got == 0) break;
            if (result.text.size() + static_cast<std::size_t>(got) > static_cast<std::size_t>(kLargestFile)) {
                result = failed(tooLarge());  // grew while being read
                break;
            }
            result.text.append(buffer, static_cast<std::size_t>(got));
        }
    }
    ::close(fd);
    return result;
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

// Replaces `target` by a file holding `text`, keeping the old file's mode.
// Returns the new file's stamp, or none when the old file is still in place.
std::optional<Stamp> replaceFile(const fs::path& target, const fs::path& folder, const std::string& text) {
    std::string tempName = (folder / (target.filename().string() + ".tmpXXXXXX")).string();
    const int fd = ::mkostemp(tempName.data(), O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 0777);
    struct stat written {};
    bool ok = writeAll(fd, text) && ::fsync(fd) == 0 && ::fstat(fd, &written) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = std::rename(tempName.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tempName.c_str());
        return std::nullopt;
    }
    syncFolder(folder);
    return stampOf(written);
}

// An exclusive flock held for the life of the object. The lock file is never
// replaced or removed, so every writer of the settings file locks the same inode.
class FileLock {
public:
    explicit FileLock(const fs::path& lockFile)
        : fd_(::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0644)) {
        while (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(fd_);
                fd_ = -1;
            }
        }
    }
    ~FileLock() {
        if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool held() const { return fd_ >= 0; }

private:
    int fd_;
};

fs::path lockFileFor(const fs::path& target) { return target.string() + ".lock"; }

// mkostemp's name for a temporary file of `target`: ".tmp" and six letters or digits.
bool isTemporaryOf(const std::string& name, const std::string& prefix) {
    if (name.size() != prefix.size() + 6 || !name.starts_with(prefix)) return false;
    return std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    });
}

std::vector<fs::path> temporariesOf(const fs::path& target) {
    const std::string prefix = target.filename().string() + ".tmp";
    std::vector<fs::path> found;
    std::error_code ec;
    for (fs::directory_iterator it(target.parent_path().empty() ? "." : target.parent_path(), ec), end;
         !ec && it != end; it.increment(ec)) {
        if (isTemporaryOf(it->path().filename().string(), prefix) && it->is_regular_file(ec)) {
            found.push_back(it->path());
        }
    }
    return found;
}

// Removes the temporary files writers left behind when they died mid-write.
// Under the lock: a writer running right now holds it, so its temporary file
// is finished and renamed by the time the lock is granted.
void removeStaleTemporaries(const fs::path& target) {
    if (temporariesOf(target).empty()) return;  // the usual case needs no lock
    const FileLock lock(lockFileFor(target));
    if (!lock.held()) return;
    for (const auto& temporary : temporariesOf(target)) {
        std::error_code ec;
        fs::remove(temporary, ec);
    }
}

// What a symbolic link points at, or the path itself: the link is kept and
// its target replaced.
fs::path resolved(const fs::path& file) {
    std::error_code ec;
    if (!fs::is_symlink(file, ec)) return file;
    const fs::path target = fs::weakly_canonical(file, ec);
    return ec ? file : target;
}

}  // namespace

IniSettingsStore::IniSettingsStore(std::filesystem::path file) : file_(std::move(file)) {
    if (!file_.empty()) removeStaleTemporaries(resolved(file_));
    refresh();
}

void IniSettingsStore::refresh() const {
    if (readFailed_ || file_.empty()) return;
    struct stat info {};
    const bool found = ::stat(file_.c_str(), &info) == 0;
    if (!found && (errno == ENOENT || errno == ENOTDIR)) {
        if (seen_) adopt({}, {}, std::nullopt, true);  // removed: nothing is set any more
        return;
    }
    if (found && seen_ && seenSettled_ && *seen_ == stampOf(info)) return;

    FileRead current = readFile(file_);
    switch (current.status) {
    case FileRead::kAbsent:
        adopt({}, {}, std::nullopt, true);
        break;
    case FileRead::kRead:
        if (seen_ && current.text == seenText_) {
            // Read again only because it might have changed: it did not.
            seen_ = current.stamp;
            seenSettled_ = current.settled;
        } else {
            IniDocument document(current.text);
            adopt(std::move(current.text), std::move(document), current.stamp, current.settled);
        }
        break;
    case FileRead::kFailed:
        giveUpOnTheFile(current.failure);  // keeps what was read before, if anything
        break;
    }
}

void IniSettingsStore::giveUpOnTheFile(const std::string& why) const {
    if (readFailed_) return;
    readFailed_ = true;
    problem_ = "The settings file " + file_.string() + " could not be read (" + why +
               "); settings changed in this run will not be saved.";
}

std::string IniSettingsStore::problem() const { return problem_; }

void IniSettingsStore::adopt(std::string text, IniDocument document, std::optional<Stamp> stamp,
                             bool settled) const {
    for (const auto& write : pending_) document.set(write.section, write.key, write.value);
    document_ = std::move(document);
    seenText_ = std::move(text);
    seen_ = stamp;
    seenSettled_ = settled;
}

std::optional<std::string> IniSettingsStore::read(const std::string& section, const std::string& key) const {
    refresh();
    return document_.get(section, key);
}

void IniSettingsStore::write(const std::string& section, const std::string& key,
                             const std::optional<std::string>& value) {
    refresh();
    if (document_.get(section, key) == value && pending_.empty()) return;  // the file already says so

    std::erase_if(pending_, [&](const PendingWrite& w) { return w.section == section && w.key == key; });
    pending_.push_back({section, key, value});
    document_.set(section, key, value);
    if (readFailed_ || file_.empty()) return;  // keep the unreadable file; this run goes on from memory
    writePending();
}

void IniSettingsStore::writePending() {
    const fs::path target = resolved(file_);
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    fs::create_directories(folder, ec);

    const FileLock lock(lockFileFor(target));
    if (!lock.held()) return;
    // Under the lock nobody else writes: this is the file to change.
    FileRead current = readFile(target);
    if (current.status == FileRead::kFailed) {
        giveUpOnTheFile(current.failure);
        return;
    }
    IniDocument merged(current.text);
    bool changed = false;
    for (const auto& write : pending_) changed = merged.set(write.section, write.key, write.value) || changed;
    if (!changed) {  // another writer got there first
        pending_.clear();
        const bool exists = current.status == FileRead::kRead;
        adopt(std::move(current.text), std::move(merged), exists ? std::optional(current.stamp) : std::nullopt,
              current.settled);
        return;
    }
    std::string text = merged.text();
    const std::optional<Stamp> stamp = replaceFile(target, folder, text);
    if (!stamp) return;
    pending_.clear();
    adopt(std::move(text), std::move(merged), stamp, false);  // written within the clock's current tick
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
