#include "platform/appkit/FilePromise.h"
#include "platform/appkit/FilePromiseMimeData.h"
#include "platform/foundation/Log.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

using namespace platform;

namespace {

FilePromise::Writer writing(const QByteArray& content, int* calls = nullptr)
{
    return [content, calls](const QString& path, Error*) {
        if (calls)
            ++*calls;
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
    };
}

// Leaves a partial file behind, then fails.
bool failing(const QString& path, Error* error)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write("half");
    Error::set(error, Error(kCocoaErrorDomain, 4, QStringLiteral("disk full")));
    return false;
}

QString contentOf(const QUrl& url)
{
    QFile file(url.toLocalFile());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

TEST(FilePromise, FulfilWritesRealFilesUnderUniqueNamesAndNeverReplacesOne)
{
    const QDir folder(bxtest::makeTempFolder());
    QFile existing(folder.filePath(QStringLiteral("Note.rtf")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();

    FilePromise promise;
    promise.addFile(QStringLiteral("Note.rtf"), writing("first"));
    promise.addFile(QStringLiteral("Note.rtf"), writing("second"));
    promise.addFile(QStringLiteral("Other.txt"), writing("other"));
    promise.addFile(QStringLiteral("../Escape.txt"), writing("inside"));
    promise.addFile(QStringLiteral("Broken.rtf"), failing);
    promise.addFile(QStringLiteral("README"), writing("plain"));

    LogCapture log;
    const QList<QUrl> urls = promise.fulfil(folder.path());
    const QStringList expectedNames = { QStringLiteral("Note 1.rtf"), QStringLiteral("Note 2.rtf"),
        QStringLiteral("Other.txt"), QStringLiteral("Escape.txt"), QStringLiteral("README") };
    const QStringList expectedContents = { QStringLiteral("first"), QStringLiteral("second"),
        QStringLiteral("other"), QStringLiteral("inside"), QStringLiteral("plain") };
    ASSERT_EQ(urls.size(), expectedNames.size());
    for (int i = 0; i < urls.size(); ++i) {
        SCOPED_TRACE(expectedNames.at(i).toStdString());
        EXPECT_EQ(urls.at(i), QUrl::fromLocalFile(folder.filePath(expectedNames.at(i))));
        EXPECT_EQ(contentOf(urls.at(i)), expectedContents.at(i));
    }
    EXPECT_EQ(contentOf(QUrl::fromLocalFile(existing.fileName())), QStringLiteral("keep me"));
    EXPECT_FALSE(QFileInfo::exists(folder.filePath(QStringLiteral("Broken.rtf"))));
    EXPECT_TRUE(log.contains(QStringLiteral("disk full")));

    // A second fulfilment into the same folder steps past the first one's files.
    FilePromise again;
    again.addFile(QStringLiteral("Note.rtf"), writing("fourth"));
    EXPECT_EQ(again.fulfil(folder.path()),
        QList<QUrl> { QUrl::fromLocalFile(folder.filePath(QStringLiteral("Note 3.rtf"))) });
}

TEST(FilePromiseMimeData, OtherApplicationsGetUrlsWrittenOnceIntoADragFolderUnderTheCache)
{
    int calls = 0;
    auto promise = std::make_shared<FilePromise>();
    promise->addFile(QStringLiteral("Note.rtf"), writing("text", &calls));
    FilePromiseMimeData data(promise);
    data.setText(QStringLiteral("Note"));

    EXPECT_TRUE(data.hasUrls());
    EXPECT_TRUE(data.formats().contains(QStringLiteral("text/plain")));
    EXPECT_EQ(calls, 0) << "nothing is written before it is asked for";
    EXPECT_EQ(data.promise(), promise);

    const QList<QUrl> urls = data.urls();
    ASSERT_EQ(urls.size(), 1);
    EXPECT_EQ(calls, 1);
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    EXPECT_TRUE(data.dragFolder().startsWith(cache + QStringLiteral("/Drags/")));
    EXPECT_EQ(QFileInfo(urls.first().toLocalFile()).absolutePath(), data.dragFolder());
    EXPECT_EQ(contentOf(urls.first()), QStringLiteral("text"));

    EXPECT_EQ(data.urls(), urls);
    EXPECT_EQ(data.data(QStringLiteral("text/uri-list")), urls.first().toEncoded() + "\r\n");
    EXPECT_EQ(calls, 1) << "made once per drag";

    FilePromiseMimeData other(promise);
    ASSERT_EQ(other.urls().size(), 1);
    EXPECT_NE(other.dragFolder(), data.dragFolder()) << "each drag has its own folder";

    FilePromiseMimeData::removeDragFolders(); // as at quit
    EXPECT_FALSE(QFileInfo::exists(data.dragFolder()));
    EXPECT_FALSE(QFileInfo::exists(other.dragFolder()));
}

TEST(FilePromiseMimeData, APromiseThatWroteNothingGivesNoUrlAndALogLine)
{
    auto promise = std::make_shared<FilePromise>();
    promise->addFile(QStringLiteral("Broken.rtf"), failing);
    FilePromiseMimeData data(promise);
    LogCapture log;
    EXPECT_TRUE(data.urls().isEmpty());
    EXPECT_TRUE(data.data(QStringLiteral("text/uri-list")).isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("could not be written")));
    EXPECT_TRUE(QDir(data.dragFolder()).isEmpty());

    FilePromiseMimeData empty(std::make_shared<FilePromise>());
    EXPECT_FALSE(empty.hasUrls());
}
