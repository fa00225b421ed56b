#include "platform/appkit/MessageBoxAlertPresenter.h"
#include "platform/testing/FakeAlertPresenter.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QPointer>

#include <optional>

using namespace platform;

namespace {

QString makeFile(const QDir& folder, const QString& name)
{
    QFile file(folder.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    return file.fileName();
}

} // namespace

TEST(MessageBoxAlertPresenter, OpenPanelSheetAnswersWithTheChosenFileAndReturnsTheAccessory)
{
    const QDir folder(bxtest::makeTempFolder());
    const QString text = makeFile(folder, QStringLiteral("a.txt"));
    makeFile(folder, QStringLiteral("b.md"));
    QWidget window;
    window.show();
    auto* accessory = new QCheckBox(QStringLiteral("Keep formatting"));
    QPointer<QCheckBox> watch = accessory;

    FilePanel panel;
    panel.directory = folder.path();
    panel.allowedFileTypes = { QStringLiteral("txt") };
    panel.prompt = QStringLiteral("Import");
    panel.accessoryView = accessory;
    MessageBoxAlertPresenter presenter;
    std::optional<FilePanelResponse> answer;
    presenter.beginPanelSheet(panel, &window, [&](const FilePanelResponse& r) { answer = r; });

    auto* dialog = window.findChild<QFileDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(dialog->labelText(QFileDialog::Accept), QStringLiteral("Import"));
    EXPECT_TRUE(dialog->isAncestorOf(accessory));
    dialog->selectFile(text);
    static_cast<QDialog*>(dialog)->accept(); // checks the choice as the button would

    ASSERT_TRUE(answer);
    EXPECT_TRUE(answer->accepted);
    EXPECT_EQ(answer->urls, QList<QUrl> { QUrl::fromLocalFile(text) });
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(watch.isNull());
    EXPECT_EQ(accessory->parent(), nullptr);
    delete accessory;
}

TEST(MessageBoxAlertPresenter, SavePanelSheetProposesTheNameAndCancelGivesNoUrl)
{
    const QDir folder(bxtest::makeTempFolder());
    QWidget window;
    window.show();
    FilePanel panel;
    panel.mode = FilePanel::Mode::Save;
    panel.directory = folder.path();
    panel.nameFieldStringValue = QStringLiteral("Export");
    panel.allowedFileTypes = { QStringLiteral("rtf") };
    MessageBoxAlertPresenter presenter;
    QList<FilePanelResponse> answers;
    for (int i = 0; i < 2; ++i)
        presenter.beginPanelSheet(
            panel, &window, [&](const FilePanelResponse& r) { answers << r; });

    const auto dialogs = window.findChildren<QFileDialog*>();
    ASSERT_EQ(dialogs.size(), 2);
    EXPECT_EQ(dialogs[0]->acceptMode(), QFileDialog::AcceptSave);
    static_cast<QDialog*>(dialogs[0])->accept();
    dialogs[1]->reject();
    ASSERT_EQ(answers.size(), 2);
    EXPECT_TRUE(answers[0].accepted);
    EXPECT_EQ(answers[0].urls,
        QList<QUrl> { QUrl::fromLocalFile(folder.filePath(QStringLiteral("Export.rtf"))) });
    EXPECT_FALSE(answers[1].accepted);
    EXPECT_TRUE(answers[1].urls.isEmpty());
}

TEST(FakeAlertPresenter, RecordsPanelsAndAnswersThem)
{
    FakeAlertPresenter fake;
    QWidget window;
    FilePanel panel;
    panel.mode = FilePanel::Mode::Save;
    panel.nameFieldStringValue = QStringLiteral("Notes");
    std::optional<FilePanelResponse> answer;
    fake.beginPanelSheet(panel, &window, [&](const FilePanelResponse& r) { answer = r; });
    const QUrl chosen = QUrl::fromLocalFile(QStringLiteral("/tmp/Notes.rtf"));
    EXPECT_TRUE(fake.answerPanelSheet(&window, { true, { chosen } }));
    EXPECT_FALSE(fake.answerPanelSheet(&window, {}));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->urls, QList<QUrl> { chosen });

    EXPECT_FALSE(fake.runPanelModal(FilePanel {}).accepted);
    fake.enqueuePanelAnswer({ true, { chosen } });
    EXPECT_TRUE(fake.runPanelModal(FilePanel {}).accepted);
    ASSERT_EQ(fake.shownPanels().size(), 3u);
    EXPECT_TRUE(fake.shownPanels()[0].isSheet);
    EXPECT_EQ(fake.shownPanels()[0].panel.nameFieldStringValue, QStringLiteral("Notes"));
    EXPECT_FALSE(fake.shownPanels()[2].isSheet);
}
