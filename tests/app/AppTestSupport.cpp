#include "AppTestSupport.h"

#include "document/model/BXNote.h"
#include "platform/text/AttributedText.h"

#include <QDir>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace apptest {

QUrl makeNotesFile(const QString& path)
{
    const QUrl url = QUrl::fromLocalFile(path);
    BXDocument document;
    BXNote::NotePtr note
        = BXNote::newNoteInManagedObjectContext(document.managedObjectContext(), {}, {});
    std::unique_ptr<QTextDocument> text = platform::AttributedText::makeDocument();
    text->setPlainText(QStringLiteral("A note in %1").arg(QFileInfo(path).fileName()));
    note->setAttributedString(*text);
    platform::Error failure(platform::kCocoaErrorDomain, -1);
    document.saveToURL(url, BXDocument::NotesDocumentType, platform::SaveOperation::SaveAs,
        [&](const platform::Error& error) { failure = error; });
    EXPECT_TRUE(failure.isNull()) << failure.toString().toStdString();
    document.close();
    return url;
}

ControllerFixture::ControllerFixture()
{
    BXDefaults::registerDefaults(defaults);
    controller = std::make_unique<BXDocumentController>(defaults, memoryPressure);
}

ControllerFixture::~ControllerFixture()
{
    controller.reset();
}

bool ControllerFixture::launch()
{
    return controller->applicationWillFinishLaunching(
        QDir::homePath() + QStringLiteral("/.local/bin/brindlex"));
}

} // namespace apptest
