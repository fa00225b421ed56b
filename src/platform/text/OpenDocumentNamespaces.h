#pragma once

#include <QString>

namespace platform {

// The XML namespaces of OpenDocument packages that its writer and reader share.
namespace OpenDocumentNamespaces {
inline const QString Office = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
inline const QString Style = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:style:1.0");
inline const QString Text = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
inline const QString Fo
    = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0");
inline const QString Xlink = QStringLiteral("http://www.w3.org/1999/xlink");
inline const QString Draw = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:drawing:1.0");
inline const QString Svg
    = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0");
inline const QString Dc = QStringLiteral("http://purl.org/dc/elements/1.1/");
inline const QString Meta = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:meta:1.0");
inline const QString Manifest
    = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:manifest:1.0");
} // namespace OpenDocumentNamespaces

} // namespace platform
