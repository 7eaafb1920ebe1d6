#pragma once

#include <QDir>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace qvestra::testing {

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

}  // namespace qvestra::testing
