#pragma once

#include <QFile>
#include <QString>
#include <QUrl>
#include <filesystem>
#include <optional>

namespace vexmira::sources {

// A path from a name the user gave or saw, in the file system's encoding.
inline std::filesystem::path localPath(const QString& name) {
    return std::filesystem::path(QFile::encodeName(name).toStdString());
}

// The local file a URL names, byte for byte as the URL's percent-encoding gives it (a name need
// not be UTF-8); nothing for a URL of another scheme or of another host.
inline std::optional<std::filesystem::path> localPathOfUrl(const QUrl& url) {
    if (url.scheme() != "file" || !(url.host().isEmpty() || url.host() == "localhost")) return std::nullopt;
    const QByteArray bytes = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (bytes.isEmpty()) return std::nullopt;
    return std::filesystem::path(bytes.toStdString());
}

// The name of a path as the user sees it.
inline QString displayName(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

} // namespace vexmira::sources
