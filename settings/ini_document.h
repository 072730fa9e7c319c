// The text of an INI settings file, held line by line so that changing one key
// rewrites that key's line and nothing else: comments, blank lines, lines the
// reader does not understand and the layout of every other line stay byte for
// byte as the user or an editor left them.
//
// Reading rules, one line each:
//   [section]
//   key=value
// - A UTF-8 byte-order mark at the very start of the text is skipped (and kept).
// - A trailing carriage return is dropped (and kept), so a CRLF file reads.
// - Blanks (spaces, tabs) are layout, not data, where an editor puts them:
//   before a line, inside the brackets around a section name, after a key and
//   after the '='. The rest of a value is kept exactly, trailing blanks too: a
//   value is data the user typed, and a number reads by its leading digits anyway.
// - The first unescaped '=' ends the key. A backslash escapes the next
//   character: "\n" and "\r" stand for a line feed and a carriage return, any
//   other escaped character (an escaped blank too) stands for itself.
// - Lines starting with ';' or '#', blank lines, lines without '=', keys before
//   the first section and keys below a garbled header (anything but blanks
//   after the closing bracket) are not settings; they are kept as they are.
// - A key given twice reads as its later line; a section given twice is one
//   section.
// The writer escapes '\\', line breaks, '=' in keys, ']' in section names, a
// leading '[', ';' or '#' of a key and blanks at either end of a name or value,
// so any text round-trips.
//
// Lookups go through hash indexes, so loading and reading stay linear in the
// size of the file however many keys it holds.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace brelvik {

class IniDocument {
public:
    IniDocument() = default;
    explicit IniDocument(std::string_view text);

    std::optional<std::string> get(const std::string& section, const std::string& key) const;
    // Sets (or, given no value, deletes every line of) one key. A new key goes
    // after the last line of its section, a new section at the end of the text.
    // A header left without lines by a delete goes too. Returns whether the text changed.
    bool set(const std::string& section, const std::string& key, const std::optional<std::string>& value);

    std::string text() const;

private:
    struct Key {
        std::vector<std::size_t> lines;  // every line of the key, in file order
        std::string value;               // as the last of them reads
    };
    struct Section {
        std::vector<std::size_t> headers;
        std::size_t lastLine = 0;  // header or key line where a new key goes after
        std::unordered_map<std::string, Key> keys;
    };

    void index();
    void insertLine(std::size_t at, std::string line);
    void remove(const Section& section, const Key& key);
    std::string newLine(std::string text) const;

    std::vector<std::string> lines_;  // without their line feeds
    bool byteOrderMark_ = false;
    bool finalLineFeed_ = true;  // a text not ending in a line feed keeps it so until lines are added
    bool crlf_ = false;          // lines this document adds end like its first line
    std::unordered_map<std::string, Section> sections_;
};

}  // namespace brelvik
