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

// Backslash-escapes line breaks, backslashes and the given extra characters.
std::string escaped(std::string_view text, std::string_view extra) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\\' || extra.find(c) != std::string_view::npos) {
            out += '\\';
            out += c;
        } else {
            out += c;
        }
    }
    return out;
}

std::string escapedKey(std::string_view key) {
    std::string out = escaped(key, "=");
    // A key starting like a section header or a comment would not read back as a key.
    if (!key.empty() && (key[0] == '[' || key[0] == ';' || key[0] == '#')) out.insert(out.begin(), '\\');
    return out;
}

std::string unescaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            c = text[++i];
            if (c == 'n') c = '\n';
            else if (c == 'r') c = '\r';
        }
        out += c;
    }
    return out;
}

// Index of the first occurrence of `wanted` that is not escaped, or npos.
std::size_t findUnescaped(std::string_view text, char wanted, std::size_t from) {
    for (std::size_t i = from; i < text.size(); ++i) {
        if (text[i] == '\\') ++i;
        else if (text[i] == wanted) return i;
    }
    return std::string_view::npos;
}

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
    sections_.clear();
    if (file_.empty()) return;
    std::string text;
    bool exists = false;
    if (!readWholeFile(file_, text, exists)) {
        readFailed_ = true;
        return;
    }
    Section* current = nullptr;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string_view line(text.data() + start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            // A garbled header leaves the keys after it without a section: they
            // must not land in the section before it.
            current = nullptr;
            if (findUnescaped(line, ']', 1) == line.size() - 1) {
                const std::string name = unescaped(line.substr(1, line.size() - 2));
                current = findSection(name);
                if (current == nullptr) current = &sections_.emplace_back(Section{name, {}});
            }
            continue;
        }
        const std::size_t equals = findUnescaped(line, '=', 0);
        if (current == nullptr || equals == std::string_view::npos) continue;
        const std::string key = unescaped(line.substr(0, equals));
        std::string value = unescaped(line.substr(equals + 1));
        bool replaced = false;
        for (auto& entry : current->entries) {
            if (entry.first == key) {  // a hand-edited duplicate: the later line wins
                entry.second = std::move(value);
                replaced = true;
                break;
            }
        }
        if (!replaced) current->entries.emplace_back(key, std::move(value));
    }
}

IniSettingsStore::Section* IniSettingsStore::findSection(const std::string& name) {
    for (auto& section : sections_) {
        if (section.name == name) return &section;
    }
    return nullptr;
}

const IniSettingsStore::Section* IniSettingsStore::findSection(const std::string& name) const {
    for (const auto& section : sections_) {
        if (section.name == name) return &section;
    }
    return nullptr;
}

std::optional<std::string> IniSettingsStore::read(const std::string& section, const std::string& key) const {
    const Section* found = findSection(section);
    if (found == nullptr) return std::nullopt;
    for (const auto& entry : found->entries) {
        if (entry.first == key) return entry.second;
    }
    return std::nullopt;
}

void IniSettingsStore::write(const std::string& section, const std::string& key,
                             const std::optional<std::string>& value) {
    if (read(section, key) == value && !diskBehind_) return;  // the file already says so

    Section* target = findSection(section);
    if (value) {
        if (target == nullptr) target = &sections_.emplace_back(Section{section, {}});
        bool replaced = false;
        for (auto& entry : target->entries) {
            if (entry.first == key) {
                entry.second = *value;
                replaced = true;
                break;
            }
        }
        if (!replaced) target->entries.emplace_back(key, *value);
    } else if (target != nullptr) {
        std::erase_if(target->entries, [&key](const auto& entry) { return entry.first == key; });
        if (target->entries.empty()) {
            std::erase_if(sections_, [&section](const Section& s) { return s.name == section; });
        }
    }

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

    std::string text;
    for (const auto& section : sections_) {
        text += '[';
        text += escaped(section.name, "]");
        text += "]\n";
        for (const auto& [key, value] : section.entries) {
            text += escapedKey(key);
            text += '=';
            text += escaped(value, "");
            text += '\n';
        }
    }

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
