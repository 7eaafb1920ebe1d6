#pragma once

#include <QString>
#include <array>
#include <optional>
#include <vector>

namespace qvestra::content {

// One "Main", "Sub" or "Cont" line of the content list.
struct ContentEntry {
    QString kind;   // EntryKind
    QString title;  // EntryTitle (as received; empty for a Main line)
    QString path;   // EntryPath (LF and blanks removed; empty for a Main line)
    // "/" + the document's file name, or nothing when the entry has no
    // document or its name cannot safely name a file in the data folder.
    std::optional<QString> documentFile;
};

// A group button and the entries it leads to.
struct ContentGroup {
    QString caption;
    int entry = 0;           // the group's own line
    std::vector<int> items;  // entries of its items; a Cont group's only item is itself
};

// What the menu page's content list gives: the entry tables, the groups and
// the item counts per group button slot.
struct ContentList {
    static constexpr int kMaxEntries = 51;
    static constexpr int kMaxGroups = 14;
    // One item button stays free for "閉じる".
    static constexpr int kMaxItemsPerGroup = 15;

    std::vector<ContentEntry> entries;
    std::vector<ContentGroup> groups;
};

// Cuts the list out of the page text after the marker "Contents_VALUE" and
// reads it up to the end line. A page without the marker has no list. Lines
// that lack the fields their kind needs make no entry; what does not fit the
// tables is left out.
ContentList ParseContentList(const QString& pageText);

// "/" + the name after the path's last "/", when that name is safe to use as
// a file name; nothing otherwise.
std::optional<QString> DocumentFileOf(const QString& entryPath);

}  // namespace qvestra::content
