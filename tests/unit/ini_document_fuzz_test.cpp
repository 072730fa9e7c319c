// Seeded, bounded fuzzing of the settings file's reader and editor: a
// hand-edited or damaged file may hold anything, and one write must change
// the value of its key and nothing else a reader can see.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "settings/ini_document.h"

namespace brelvik {
namespace {

// Mostly file-like lines, with every character the format treats specially.
std::string randomText(std::mt19937& random) {
    static const char* const kPieces[] = {"[", "]", "=", "\\", "\n", "\r\n", " ", "\t", ";", "#", "\xEF\xBB\xBF",
                                          "[S]", "[T] ", "k", "key", "sw/cbMinValue", "button[3]Event", "1", "abc", "\xe9"};
    std::string text;
    const int pieces = static_cast<int>(random() % 120);
    for (int i = 0; i < pieces; ++i) {
        if (random() % 10 == 0) {
            text += static_cast<char>(random() & 0xFF);
        } else {
            text += kPieces[random() % std::size(kPieces)];
        }
    }
    return text;
}

std::string randomName(std::mt19937& random) {
    static const char* const kNames[] = {"S", "T", " S ", "k", "key", "a=b", "[x]", "\\", "sw/cbMinValue", ";c", "", " "};
    return kNames[random() % std::size(kNames)];
}

TEST(IniDocumentFuzz, AWriteChangesItsKeyAndNothingElseThatReads) {
    std::mt19937 random(1208);
    const std::vector<std::string> names = {"S", "T", " S ", "k", "key", "a=b", "[x]", "\\", "sw/cbMinValue", ";c", "", " "};
    for (int round = 0; round < 2000; ++round) {
        IniDocument document(randomText(random));
        const std::string section = randomName(random);
        const std::string key = randomName(random);
        std::optional<std::string> value;
        if (random() % 4 != 0) value = randomText(random).substr(0, 20);

        std::vector<std::optional<std::string>> before;
        for (const auto& s : names)
            for (const auto& k : names) before.push_back(document.get(s, k));
        document.set(section, key, value);
        const IniDocument reread(document.text());

        std::size_t i = 0;
        for (const auto& s : names) {
            for (const auto& k : names) {
                const auto expected = (s == section && k == key) ? value : before[i];
                ASSERT_EQ(reread.get(s, k), expected) << "round " << round << " [" << s << "] " << k;
                ++i;
            }
        }
        ASSERT_EQ(reread.text(), document.text()) << "round " << round;
    }
}

}  // namespace
}  // namespace brelvik
