#pragma once

// What every test here reaches for: QtTest, temporary folders, files, data
// rows, skips, menu pages and the scripted loopback server.
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>

#include "fakes/scripted_server.h"

namespace qvestra::testing {

// One data row. A call stays on one line where clang-format would put every
// string literal of a << chain on a line of its own.
template <typename... Values>
void Row(const char* name, const Values&... values) {
    (QTest::newRow(name) << ... << values);
}

// A column is named by its place: the fetch's bindings name it.
inline const char* ColumnName(std::size_t place) {
    static constexpr const char* kPlaces[] = {"0", "1", "2", "3", "4", "5", "6", "7"};
    return kPlaces[place];
}

// A table's columns in one call: Columns<bool, QString>().
template <typename... T>
void Columns() {
    std::size_t i = 0;
    (QTest::addColumn<T>(ColumnName(i++)), ...);
}

// The current row's values, in the order of the columns: a tuple to unpack.
template <typename... T>
std::tuple<T...> Fetch() {
    const auto at = []<std::size_t... I>(std::index_sequence<I...>) {
        return std::tuple<T...>{*static_cast<T*>(QTest::qData(ColumnName(I), qMetaTypeId<T>()))...};
    };
    return at(std::index_sequence_for<T...>{});
}

// Where a test cannot run at all it says why and ends with 77, which ctest
// counts as skipped (SKIP_RETURN_CODE), never as passed.
inline void SkipWholeUnless(bool canRun, const char* why) {
    if (canRun) return;
    std::printf("SKIPPED: %s\n", why);
    std::exit(77);
}

// The whole file as bytes; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

// The names of the files in folder, hidden ones included, sorted.
inline QStringList FilesIn(const std::filesystem::path& folder) {
    return QDir(QString::fromStdString(folder.string())).entryList(QDir::Files | QDir::Hidden);
}

// A menu page whose content list holds lines, the end marker on its own line
// unless told.
inline QString MenuPage(const QStringList& lines, bool endLine = true) {
    QString page = QStringLiteral("<html><!--\r\nContents_VALUE\r\n");
    for (const QString& line : lines) page += line + QStringLiteral("\r\n");
    if (endLine) page += QStringLiteral("Contents_End\r\n");
    return page + QStringLiteral("--></html>");
}

// Lines made from a pattern with %1 standing for 0, 1, ...
inline QStringList Repeat(const QString& pattern, int times) {
    QStringList lines;
    for (int i = 0; i < times; ++i) lines << pattern.arg(i);
    return lines;
}

}  // namespace qvestra::testing
