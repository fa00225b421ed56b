#include "ScenarioApp.h"

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QRandomGenerator>

#include <csignal>

using scenario::ScenarioApp;

namespace {

QString storeOf(const QString& path)
{
    return path + QStringLiteral("/StoreContent/persistentStore");
}

void emptyStore(const QString& path)
{
    QFile store(storeOf(path));
    ASSERT_TRUE(store.open(QIODevice::ReadWrite));
    ASSERT_TRUE(store.resize(0));
}

// Random bytes over every other page but the first, as a faulty disk or program leaves them.
void overwritePages(const QString& path)
{
    QFile store(storeOf(path));
    ASSERT_TRUE(store.open(QIODevice::ReadWrite));
    const qint64 pageSize = 4096;
    QRandomGenerator random(3);
    for (qint64 offset = pageSize; offset < store.size(); offset += 2 * pageSize) {
        QByteArray bytes(pageSize, Qt::Uninitialized);
        for (char& byte : bytes)
            byte = char(random.generate());
        store.seek(offset);
        store.write(bytes);
    }
}

} // namespace

TEST(DamagedStoreScenario, AStoreEmptiedUnderTheWindowIsToldAndItsNotesAreSavedElsewhere)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Plans.brindlex");
    const QString kept = app.folder() + QStringLiteral("/Plans kept.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Garden") });
    ScenarioApp::clickToTheEndOfTheText(app.openDocument(path));

    emptyStore(path);
    ASSERT_TRUE(
        ScenarioApp::chooseMenuItem({ QStringLiteral("Note"), QStringLiteral("New Page") }));
    ScenarioApp::type(QStringLiteral("Roses"));
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles().size() == 2
            && ScenarioApp::listTitles().contains(QStringLiteral("Roses"));
    })) << ScenarioApp::listTitles().join(u'|').toStdString();
    ScenarioApp::keys(QKeySequence::Save);

    QString said;
    QMessageBox* box = ScenarioApp::waitForMessageBox(&said);
    ASSERT_NE(box, nullptr) << "nothing was said";
    EXPECT_EQ(said, QStringLiteral("The notes store was emptied."));
    EXPECT_TRUE(box->informativeText().startsWith(
        QStringLiteral("Another program cut the store file down to nothing.")))
        << box->informativeText().toStdString();
    ScenarioApp::answerNextFilePanel(kept);
    ScenarioApp::clickButton(box, QStringLiteral("Save As…"));
    EXPECT_TRUE(ScenarioApp::waitUntil([&] { return QFileInfo::exists(kept); }));
    QStringList texts = scenario::storedTexts(kept);
    texts.sort();
    EXPECT_EQ(texts, QStringList({ QStringLiteral("Garden"), QStringLiteral("Roses") }));
}

TEST(DamagedStoreScenario, NotesOfAnOverwrittenStoreAtATerminationAreOfferedAtTheNextStart)
{
    {
        ScenarioApp app;
        const QString path = app.folder() + QStringLiteral("/Journal.brindlex");
        QStringList many;
        for (int i = 0; i < 60; ++i)
            many << QStringLiteral("Day %1\n").arg(i) + QString(200, QLatin1Char('x'));
        scenario::writeNotesFile(path, many);
        ScenarioApp::clickToTheEndOfTheText(app.openDocument(path));
        ScenarioApp::type(QStringLiteral(" rain"));
        ASSERT_TRUE(ScenarioApp::waitUntil(
            [&] { return !ScenarioApp::frontMainWindow()->mainWindow()->isWindowModified(); },
            10000));
        overwritePages(path);
        ScenarioApp::type(QStringLiteral(" and wind"));
        std::raise(SIGTERM);
        ScenarioApp::idle(1000);
    }
    ScenarioApp::endTheQuitAsked();

    QString said;
    ScenarioApp::acceptNextMessage(&said);
    ScenarioApp next;
    EXPECT_TRUE(said.contains(QStringLiteral("“Journal”"))) << said.toStdString();
    // The copy is named last in the message.
    const qsizetype opening = said.lastIndexOf(QStringLiteral("“"));
    const QString copy = said.mid(opening + 1, said.lastIndexOf(QStringLiteral("”")) - opening - 1);
    ASSERT_TRUE(QFileInfo::exists(copy)) << said.toStdString();
    const QStringList texts = scenario::storedTexts(copy);
    EXPECT_EQ(texts.size(), 60);
    EXPECT_EQ(texts.filter(QStringLiteral("x rain and wind")).size(), 1)
        << texts.join(u'|').toStdString();
}
