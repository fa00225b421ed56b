#include "ConversionDocument.h"

#include "UntrackedTextList.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QUrl>

#include <QSet>

namespace platform {

QTextObject* ConversionDocument::createObject(const QTextFormat& format)
{
    if (format.isListFormat())
        return new UntrackedTextList(this);
    return QTextDocument::createObject(format);
}

std::unique_ptr<ConversionDocument> ConversionDocument::make()
{
    auto document = std::make_unique<ConversionDocument>();
    document->setUndoRedoEnabled(false);
    return document;
}

std::unique_ptr<ConversionDocument> ConversionDocument::copyOf(const QTextDocument& source)
{
    std::unique_ptr<ConversionDocument> copy = make();
    if (!source.isEmpty()) {
        QTextCursor(copy.get()).insertFragment(QTextDocumentFragment(&source));
    } else {
        // An empty document's one paragraph still has its formats.
        QTextCursor from(const_cast<QTextDocument*>(&source));
        QTextCursor to(copy.get());
        to.setBlockFormat(from.blockFormat());
        to.setBlockCharFormat(from.blockCharFormat());
    }
    copy->rootFrame()->setFrameFormat(source.rootFrame()->frameFormat());
    copy->setDefaultFont(source.defaultFont());
    copy->setDefaultTextOption(source.defaultTextOption());
    copy->setDefaultStyleSheet(source.defaultStyleSheet());
    copy->setIndentWidth(source.indentWidth());
    copy->setPageSize(source.pageSize());
    copy->setUseDesignMetrics(source.useDesignMetrics());
    copy->setMetaInformation(
        QTextDocument::DocumentTitle, source.metaInformation(QTextDocument::DocumentTitle));
    copy->setMetaInformation(
        QTextDocument::DocumentUrl, source.metaInformation(QTextDocument::DocumentUrl));
    copy->setBaseUrl(source.baseUrl());
    // A fragment carries its images' names, not the bytes the document keeps under them.
    QSet<QString> copied;
    for (QTextBlock block = copy->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat())
                continue;
            const QString name = format.toImageFormat().name();
            if (name.isEmpty() || copied.contains(name))
                continue;
            copied.insert(name);
            const QVariant bytes = source.resource(QTextDocument::ImageResource, QUrl(name));
            if (bytes.isValid())
                copy->addResource(QTextDocument::ImageResource, QUrl(name), bytes);
        }
    }
    return copy;
}

} // namespace platform
