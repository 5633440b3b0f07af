#pragma once

// The text of a preference file, held in memory: group headers, comments and
// key lines in file order, a selected group, and the rules for reading and
// writing the file's bytes.
//
// Written form: UTF-8 with a byte-order mark followed by a line feed (so the
// first line is empty), then one line per entry, each ended by a line feed:
// "[name]" for a group, "; text" for a comment, "key = value" for a key
// (option kCompactKeys: "key=value"); option kBlankLineBeforeGroups puts an
// empty line before every group header but the first. A document read from an
// empty file is written without the mark and its empty line, unless it has
// come to hold non-ASCII bytes, which a file without the mark could not keep.
//
// Accepted form: a leading mark EF BB BF means UTF-8; otherwise the bytes are
// ISO 8859-1 and are converted. Lines end at any run of line feeds and
// carriage returns; empty lines vanish; blanks (space, tab) at a line's start
// are skipped. ";" starts a comment (its text follows the ";" and one space,
// if any); "[" starts a group header (its name runs to the first "]" or the
// line's end; the rest is ignored); any other line is a key line: the key runs
// to the first "=" with trailing blanks removed, the value starts after the
// "=" and its leading blanks and runs to the line's end (a line without "="
// is a key with an empty value). Keys and group names are compared ignoring
// the case of ASCII letters.

#include <cstddef>
#include <list>
#include <optional>
#include <string>
#include <string_view>

namespace sondrel::system {

class PreferenceDocument {
public:
    // Writing options.
    static constexpr int kCompactKeys = 1;
    static constexpr int kBlankLineBeforeGroups = 2;

    enum class Kind { Group, Comment, Key };
    struct Entry {
        Kind kind;
        std::string key;  // key lines only
        std::string text; // group name, comment text or value
        bool operator==(const Entry&) const = default;
    };

    // An empty document for a new file (written with the byte-order mark).
    PreferenceDocument() = default;
    // Moving keeps the selected group; copying is not offered (the selection
    // points into the entries).
    PreferenceDocument(PreferenceDocument&&) noexcept = default;
    PreferenceDocument& operator=(PreferenceDocument&&) noexcept = default;
    PreferenceDocument(const PreferenceDocument&) = delete;
    PreferenceDocument& operator=(const PreferenceDocument&) = delete;
    // The document a file's bytes hold.
    static PreferenceDocument parse(std::string_view bytes);

    // The file's bytes.
    std::string serialize(int options) const;

    // Selects the group `name` (empty: the keys before the first group).
    // A group that does not exist yet is remembered and made by the next
    // write; until then lookups find nothing. False when it does not exist.
    bool selectGroup(std::string_view name);
    // The value of `key` in the selected group, if there is one.
    std::optional<std::string_view> findValue(std::string_view key) const;
    // Sets `key` in the selected group to `value`, creating the group and the
    // key line as needed; an existing key takes the caller's spelling. False
    // (nothing changed) for a key, value or group name that the file could not
    // hold as given (line ends, "=" in a key, a "]" in a group name, blanks
    // where reading would strip them).
    bool writeValue(std::string_view key, std::string_view value);

    const std::list<Entry>& entries() const { return m_entries; }

private:
    using Iterator = std::list<Entry>::iterator;
    using ConstIterator = std::list<Entry>::const_iterator;

    // The selected group's key lines run from the first iterator to the second
    // (the next group header or the end).
    ConstIterator groupBegin() const;
    void parseLine(std::string_view line);

    std::list<Entry> m_entries;
    std::optional<Iterator> m_group; // none: the keys before the first group
    std::optional<std::string> m_pendingGroup;
    bool m_byteOrderMark = true;
};

// Compares ignoring the case of the ASCII letters A to Z only, byte for byte.
bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b);

} // namespace sondrel::system
