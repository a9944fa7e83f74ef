#pragma once

#include <QFile>
#include <QString>
#include <filesystem>

namespace vexmira::sources {

// A path from a name the user gave or saw, in the file system's encoding.
inline std::filesystem::path localPath(const QString& name) {
    return std::filesystem::path(QFile::encodeName(name).toStdString());
}

// The name of a path as the user sees it.
inline QString displayName(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

} // namespace vexmira::sources
