#include "AppTestSupport.h"

#include "document/model/BXNote.h"
#include "platform/text/AttributedText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextDocument>
#include <QTest>

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

Installation::Installation()
    : root(bxtest::makeTempFolder(QStringLiteral("e2e"))),
      environment(QProcessEnvironment::systemEnvironment())
{
    QDir(root).mkpath(QStringLiteral("run"));
    QFile(root + QStringLiteral("/run"))
        .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    environment.insert(QStringLiteral("HOME"), root);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), root + QStringLiteral("/.config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), root + QStringLiteral("/.local/share"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), root + QStringLiteral("/run"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("BRINDLEX_ANY_LOCATION"), QStringLiteral("1"));
}

QString Installation::settingsPath() const
{
    return root + QStringLiteral("/.config/Brindlex/Brindlex.conf");
}

void Installation::start(QProcess& process, const QStringList& arguments) const
{
    process.setProcessEnvironment(environment);
    process.start(
        QCoreApplication::applicationDirPath() + QStringLiteral("/../brindlex"), arguments);
}

bool Installation::open(QProcess& process, const QUrl& file) const
{
    start(process, { file.toLocalFile() });
    return process.waitForStarted()
        && QTest::qWaitFor([&] { return recentDocuments() == QList<QUrl> { file }; }, 15000);
}

QList<QUrl> Installation::recentDocuments() const
{
    platform::UserDefaults defaults(settingsPath());
    QList<QUrl> urls;
    for (const QVariant& entry :
        defaults.arrayForKey(platform::DocumentController::RecentDocumentsKey))
        urls.append(QUrl(entry.toString()));
    return urls;
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
