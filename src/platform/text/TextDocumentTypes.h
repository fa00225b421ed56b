#pragma once

#include <QString>

namespace platform {

// Names of the document types the text system reads and writes. Content sniffing reports them,
// export chooses writers by them, and logs show them.
inline const QString PlainTextDocumentType = QStringLiteral("NSPlainTextDocumentType");
inline const QString RTFTextDocumentType = QStringLiteral("NSRTFTextDocumentType");
inline const QString RTFDTextDocumentType = QStringLiteral("NSRTFDTextDocumentType");
inline const QString HTMLTextDocumentType = QStringLiteral("NSHTMLTextDocumentType");
inline const QString WebArchiveTextDocumentType = QStringLiteral("NSWebArchiveTextDocumentType");
inline const QString MacSimpleTextDocumentType = QStringLiteral("NSMacSimpleTextDocumentType");
inline const QString DocFormatTextDocumentType = QStringLiteral("NSDocFormatTextDocumentType");
inline const QString OfficeOpenXMLTextDocumentType
    = QStringLiteral("NSOfficeOpenXMLTextDocumentType");
inline const QString WordMLTextDocumentType = QStringLiteral("NSWordMLTextDocumentType");
inline const QString OpenDocumentTextDocumentType
    = QStringLiteral("NSOpenDocumentTextDocumentType");

} // namespace platform
