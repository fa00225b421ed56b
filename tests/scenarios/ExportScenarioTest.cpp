#include "ScenarioApp.h"

#include "document/model/BXNote.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "platform/text/AttributedText.h"
#include "platform/text/HtmlReader.h"
#include "platform/text/TextEncoding.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <memory>

using scenario::ScenarioApp;

namespace {

struct PanelSeen {
    QString title;
    QString directory;
};

// Opens Export Found Notes… and notes how its panel comes up; `folder` answers it, none
// cancels it. The panel is looked at by a watch of its own: an answer may close it at once.
PanelSeen exportFoundNotes(const QString& folder)
{
    PanelSeen seen;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&seen] {
        auto* panel = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (panel && seen.title.isEmpty()) {
            seen.title = panel->windowTitle();
            seen.directory = panel->directory().absolutePath();
        }
    });
    watch.start(5);
    if (folder.isEmpty())
        ScenarioApp::whenDialogShows([](QDialog*) { ScenarioApp::key(Qt::Key_Escape); });
    else
        ScenarioApp::answerNextFilePanel(folder);
    EXPECT_TRUE(ScenarioApp::chooseMenuItem({ QStringLiteral("File"), QStringLiteral("Export"),
        QStringLiteral("Export Found Notes…") }));
    EXPECT_TRUE(ScenarioApp::waitUntil(
        [&seen] { return !seen.title.isEmpty() && !QApplication::activeModalWidget(); }));
    ScenarioApp::idle(200);
    return seen;
}

// Names the file in an open save panel and saves, as answerNextFilePanel does.
void saveAs(QDialog* panel, const QString& path)
{
    auto* name = panel->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    ScenarioApp::click(name);
    ScenarioApp::key(Qt::Key_A, Qt::ControlModifier);
    ScenarioApp::type(path, 5);
    ScenarioApp::key(Qt::Key_Return);
}

// The texts of the next message box to show, which is then closed with Return; armed before
// the action that shows it, since it runs its own event loop.
std::shared_ptr<QString> watchForNextAlert()
{
    auto told = std::make_shared<QString>();
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, told] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        *told = box->text() + u'\n' + box->informativeText();
        ScenarioApp::idle(scenario::keyInterval());
        ScenarioApp::key(Qt::Key_Return);
    });
    poll->start(10);
    return told;
}

QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(ExportScenario, ExportFoundNotesIsTitledAndStartsInTheLastExportFolder)
{
    ScenarioApp app;
    ASSERT_NE(app.newDocument(), nullptr);
    for (const QString& text : { QStringLiteral("Apples"), QStringLiteral("Pears") }) {
        if (!ScenarioApp::listTitles().isEmpty())
            ScenarioApp::key(Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
        ScenarioApp::idle(300);
        ScenarioApp::click(ScenarioApp::frontMainWindow()->noteTextView()->viewport());
        ScenarioApp::type(text);
    }
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::listTitles().size() == 2; }))
        << ScenarioApp::listTitles().join(QStringLiteral(", ")).toStdString();

    const PanelSeen first = exportFoundNotes({});
    EXPECT_EQ(first.title, QStringLiteral("Export"));
    EXPECT_EQ(first.directory, QDir::homePath());

    const QString folder = app.folder() + QStringLiteral("/Exported");
    ASSERT_TRUE(QDir().mkpath(folder));
    exportFoundNotes(folder);
    EXPECT_TRUE(ScenarioApp::waitUntil([folder] { return QDir(folder).count() > 2; }));

    const PanelSeen again = exportFoundNotes({});
    EXPECT_EQ(again.directory, folder);
}

// A note exported as Plain Text in an encoding that cannot hold all of its characters is
// written with "?" for them, and the closing alert names the note and the characters. Legacy
// Plain Text is always written in Mac OS Roman, so the panel offers no encoding for it and
// shows that one.
TEST(ExportScenario, PlainTextThatLostCharactersIsNamedAndLegacyTextOffersNoEncoding)
{
    ScenarioApp app;
    ASSERT_NE(app.newDocument(), nullptr);
    ScenarioApp::click(ScenarioApp::frontMainWindow()->noteTextView()->viewport());
    ScenarioApp::type(QStringLiteral("Café ≠ 日本"));
    ASSERT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles() == QStringList { QStringLiteral("Café ≠ 日本") };
    })) << ScenarioApp::listTitles().join(u", ").toStdString();

    const QString path = app.folder() + QStringLiteral("/lossy.txt");
    std::shared_ptr<QString> told;
    bool legacyOffered = true;
    QString legacyShown;
    bool plainOffered = false;
    ScenarioApp::whenDialogShows([&](QDialog* panel) {
        auto* formats = panel->findChild<QComboBox*>(QStringLiteral("formatsPopup"));
        auto* encodings = panel->findChild<QComboBox*>(QStringLiteral("encodingsPopup"));
        ASSERT_TRUE(formats && encodings);
        ScenarioApp::choosePopUpItem(formats, QStringLiteral("Legacy Plain Text"));
        legacyOffered = encodings->isVisible() && encodings->isEnabled();
        legacyShown = encodings->currentText();
        ScenarioApp::choosePopUpItem(formats, QStringLiteral("Plain Text"));
        plainOffered = encodings->isVisible() && encodings->isEnabled();
        ScenarioApp::choosePopUpItem(encodings, QStringLiteral("Western (Windows Latin 1)"));
        told = watchForNextAlert();
        saveAs(panel, path);
    });
    ASSERT_TRUE(ScenarioApp::chooseMenuItem(
        { QStringLiteral("File"), QStringLiteral("Export"), QStringLiteral("Export Note…") }));
    ASSERT_TRUE(ScenarioApp::waitUntil([&] { return told && !told->isEmpty(); }, 10000));
    EXPECT_FALSE(legacyOffered);
    EXPECT_EQ(legacyShown,
        platform::TextEncoding::localizedName(platform::TextEncoding::MacOSRomanStringEncoding));
    EXPECT_TRUE(plainOffered);
    EXPECT_TRUE(told->contains(QStringLiteral("\u201CCafé ≠ 日本\u201D (3 characters: ≠ 日 本)")))
        << told->toStdString();
    EXPECT_EQ(contentsOf(path), QByteArray("Caf\xe9 ? ??"));
}

// A page whose picture lies beside it, imported from the File menu, shows the picture in its
// note and keeps it in the saved file; the note exported as HTML carries the picture inside
// its page.
TEST(ExportScenario, AnImportedPagesPictureShowsAndAnHtmlExportCarriesIt)
{
    ScenarioApp app;
    ASSERT_NE(app.newDocument(), nullptr);
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    ASSERT_TRUE(image.save(app.folder() + QStringLiteral("/pic.png")));
    const QString page = app.folder() + QStringLiteral("/Garden.html");
    {
        QFile file(page);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<html><body><p>Look: <img src=\"pic.png\"> the garden</p></body></html>");
    }
    ScenarioApp::answerNextFilePanel(page);
    ASSERT_TRUE(ScenarioApp::chooseMenuItem({ QStringLiteral("File"), QStringLiteral("Import…") }));
    ASSERT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::editorText().contains(QStringLiteral("the garden"));
    })) << ScenarioApp::editorText().toStdString();
    EXPECT_EQ(ScenarioApp::editorText().toStdU16String(), u"Look: \uFFFC the garden");
    const auto pictureSize = [](const QTextDocument& text) {
        QTextCursor cursor(const_cast<QTextDocument*>(&text));
        cursor.setPosition(int(text.toPlainText().indexOf(QChar::ObjectReplacementCharacter)) + 1);
        return QImage::fromData(
            platform::AttributedText::attachment(text, cursor.charFormat()).contents)
            .size();
    };
    EXPECT_EQ(
        pictureSize(*ScenarioApp::frontMainWindow()->noteTextView()->mirror()), QSize(40, 30));

    const QString exported = app.folder() + QStringLiteral("/Garden export.html");
    ScenarioApp::whenDialogShows([&](QDialog* panel) {
        auto* formats = panel->findChild<QComboBox*>(QStringLiteral("formatsPopup"));
        ASSERT_NE(formats, nullptr);
        ScenarioApp::choosePopUpItem(formats, QStringLiteral("HTML"));
        saveAs(panel, exported);
    });
    ASSERT_TRUE(ScenarioApp::chooseMenuItem(
        { QStringLiteral("File"), QStringLiteral("Export"), QStringLiteral("Export Note…") }));
    ASSERT_TRUE(ScenarioApp::waitUntil([&] { return QFileInfo(exported).size() > 0; }));
    const QByteArray html = contentsOf(exported);
    EXPECT_TRUE(html.contains("<img src=\"data:image/png;base64,")) << html.constData();
    const std::optional<platform::HtmlReader::Result> read = platform::HtmlReader::read(html, {});
    ASSERT_TRUE(read);
    EXPECT_EQ(pictureSize(*read->document), QSize(40, 30));

    const QString path = app.folder() + QStringLiteral("/Garden.brindlex");
    app.save(path);
    app.closeFrontDocument();
    int stored = 0;
    scenario::forEachStoredNote(path, [&](const BXNote& note) {
        ++stored;
        EXPECT_EQ(pictureSize(*note.attributedString()), QSize(40, 30));
    });
    EXPECT_EQ(stored, 1);
}
