#include "settings/ini_document.h"

#include <algorithm>
#include <utility>

namespace brelvik {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::size_t skipBlanks(std::string_view text, std::size_t from) {
    while (from < text.size() && isBlank(text[from])) ++from;
    return from;
}

// The length of `text` without its trailing blanks; an escaped blank is data and stays.
std::size_t lengthWithoutBlanks(std::string_view text) {
    std::size_t length = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\') {
            i = std::min(i + 1, text.size() - 1);
            length = i + 1;
        } else if (!isBlank(text[i])) {
            length = i + 1;
        }
    }
    return length;
}

std::string_view trimmed(std::string_view text) {
    text.remove_prefix(skipBlanks(text, 0));
    return text.substr(0, lengthWithoutBlanks(text));
}

// Index of the first occurrence of `wanted` that is not escaped, or npos.
std::size_t findUnescaped(std::string_view text, char wanted, std::size_t from) {
    for (std::size_t i = from; i < text.size(); ++i) {
        if (text[i] == '\\') ++i;
        else if (text[i] == wanted) return i;
    }
    return std::string_view::npos;
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

// Backslash-escapes line breaks, backslashes, the given extra characters and
// blanks at either end (which the reader would take for layout).
std::string escaped(std::string_view text, std::string_view extra) {
    std::size_t first = 0;
    while (first < text.size() && isBlank(text[first])) ++first;
    std::size_t last = text.size();
    while (last > first && isBlank(text[last - 1])) --last;

    std::string out;
    out.reserve(text.size() + 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\\' || extra.find(c) != std::string_view::npos || (isBlank(c) && (i < first || i >= last))) {
            out += '\\';
            out += c;
        } else {
            out += c;
        }
    }
    return out;
}

std::string headerLine(std::string_view section) { return "[" + escaped(section, "]") + "]"; }

std::string entryLine(std::string_view key, std::string_view value) {
    std::string line = escaped(key, "=");
    // A key starting like a section header or a comment would not read back as a key.
    if (!key.empty() && (key[0] == '[' || key[0] == ';' || key[0] == '#')) line.insert(line.begin(), '\\');
    return line + "=" + escaped(value, "");
}

struct Meaning {
    enum Kind { kBlank, kOther, kHeader, kGarbledHeader, kEntry } kind = kOther;
    std::string name;  // of the section or the key
    std::string value;
    std::size_t valueStart = 0;  // where the value begins in the line
};

Meaning interpret(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t start = skipBlanks(line, 0);
    if (start == line.size()) return {Meaning::kBlank, {}, {}, 0};
    if (line[start] == ';' || line[start] == '#') return {};
    if (line[start] == '[') {
        const std::size_t close = findUnescaped(line, ']', start + 1);
        if (close == std::string_view::npos || skipBlanks(line, close + 1) != line.size()) {
            return {Meaning::kGarbledHeader, {}, {}, 0};
        }
        return {Meaning::kHeader, unescaped(trimmed(line.substr(start + 1, close - start - 1))), {}, 0};
    }
    const std::size_t equals = findUnescaped(line, '=', start);
    if (equals == std::string_view::npos) return {};
    const std::size_t valueStart = skipBlanks(line, equals + 1);
    return {Meaning::kEntry, unescaped(trimmed(line.substr(start, equals - start))),
            unescaped(line.substr(valueStart)), valueStart};
}

bool opensSection(std::string_view line) {
    const Meaning::Kind kind = interpret(line).kind;
    return kind == Meaning::kHeader || kind == Meaning::kGarbledHeader;
}

}  // namespace

IniDocument::IniDocument(std::string_view text) {
    if (text.starts_with(kByteOrderMark)) {
        byteOrderMark_ = true;
        text.remove_prefix(kByteOrderMark.size());
    }
    if (!text.empty()) {
        finalLineFeed_ = text.back() == '\n';
        if (finalLineFeed_) text.remove_suffix(1);
        for (std::size_t start = 0;;) {
            const std::size_t end = text.find('\n', start);
            lines_.emplace_back(text.substr(start, end == std::string_view::npos ? end : end - start));
            if (end == std::string_view::npos) break;
            start = end + 1;
        }
    }
    crlf_ = !lines_.empty() && lines_.front().ends_with('\r');
    index();
}

void IniDocument::index() {
    sections_.clear();
    Section* current = nullptr;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        Meaning meaning = interpret(lines_[i]);
        switch (meaning.kind) {
        case Meaning::kHeader:
            current = &sections_[std::move(meaning.name)];
            current->headers.push_back(i);
            current->lastLine = i;
            break;
        case Meaning::kGarbledHeader:
            // The keys below belong to a section nobody can name: they must
            // not land in the section before it.
            current = nullptr;
            break;
        case Meaning::kEntry:
            if (current != nullptr) {
                Key& key = current->keys[std::move(meaning.name)];
                key.lines.push_back(i);
                key.value = std::move(meaning.value);
                current->lastLine = i;
            }
            break;
        case Meaning::kBlank:
        case Meaning::kOther:
            break;
        }
    }
}

std::optional<std::string> IniDocument::get(const std::string& section, const std::string& key) const {
    const auto foundSection = sections_.find(section);
    if (foundSection == sections_.end()) return std::nullopt;
    const auto foundKey = foundSection->second.keys.find(key);
    if (foundKey == foundSection->second.keys.end()) return std::nullopt;
    return foundKey->second.value;
}

bool IniDocument::set(const std::string& section, const std::string& key, const std::optional<std::string>& value) {
    const auto foundSection = sections_.find(section);
    Key* found = nullptr;
    if (foundSection != sections_.end()) {
        const auto foundKey = foundSection->second.keys.find(key);
        if (foundKey != foundSection->second.keys.end()) found = &foundKey->second;
    }

    if (!value) {
        if (found == nullptr) return false;
        remove(foundSection->second, *found);
        index();
        return true;
    }
    if (found != nullptr) {
        if (found->value == *value) return false;
        // Only the value changes: the key and the blanks around '=' stay as laid out.
        std::string& line = lines_[found->lines.back()];
        const bool carriageReturn = line.ends_with('\r');
        line = line.substr(0, interpret(line).valueStart) + escaped(*value, "") + (carriageReturn ? "\r" : "");
        found->value = *value;
        return true;
    }
    if (foundSection != sections_.end()) {
        insertLine(foundSection->second.lastLine + 1, entryLine(key, *value));
    } else {
        insertLine(lines_.size(), headerLine(section));
        insertLine(lines_.size(), entryLine(key, *value));
    }
    index();
    return true;
}

void IniDocument::insertLine(std::size_t at, std::string line) {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), newLine(std::move(line)));
    if (at + 1 == lines_.size()) finalLineFeed_ = true;
}

void IniDocument::remove(const Section& section, const Key& key) {
    std::vector<bool> gone(lines_.size(), false);
    for (const std::size_t line : key.lines) gone[line] = true;
    // A header with nothing but blank lines up to the next header says nothing
    // any more; comments and unknown lines below it keep it.
    for (const std::size_t header : section.headers) {
        std::size_t next = header + 1;
        while (next < lines_.size() && (gone[next] || interpret(lines_[next]).kind == Meaning::kBlank)) ++next;
        if (next == lines_.size() || opensSection(lines_[next])) gone[header] = true;
    }
    if (!lines_.empty() && gone.back()) finalLineFeed_ = true;

    std::size_t kept = 0;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (gone[i]) continue;
        if (kept != i) lines_[kept] = std::move(lines_[i]);
        ++kept;
    }
    lines_.resize(kept);
}

std::string IniDocument::newLine(std::string text) const {
    if (crlf_) text += '\r';
    return text;
}

std::string IniDocument::text() const {
    std::size_t size = kByteOrderMark.size();
    for (const auto& line : lines_) size += line.size() + 1;
    std::string out;
    out.reserve(size);
    if (byteOrderMark_) out += kByteOrderMark;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        out += lines_[i];
        if (i + 1 < lines_.size() || finalLineFeed_) out += '\n';
    }
    return out;
}

}  // namespace brelvik
