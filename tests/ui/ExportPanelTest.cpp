#include "ui/BXAccessoryOwner.h"
#include "ui/BXSavePanelController.h"
#include "ui/EncodingsComboBox.h"
#include "ui/EncodingsPanel.h"

#include "document/BXDefaults.h"
#include "document/BXDocument.h"
#include "document/model/BXNote.h"
#include "document/transfer/EncodingManager.h"
#include "document/transfer/MarkdownExporter.h"
#include "platform/appkit/FilePanelDialog.h"
#include "platform/foundation/TypeIdentifier.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/testing/FakeAlertPresenter.h"
#include "platform/text/AttributedText.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>

using platform::TextEncoding;
using platform::TypeIdentifier;
using Value = EncodingManager::Value;

namespace {

QStringList itemTitles(const QComboBox& box)
{
    QStringList titles;
    for (int i = 0; i < box.count(); ++i)
        titles << (box.itemText(i).isEmpty() ? QStringLiteral("—") : box.itemText(i));
    return titles;
}

class ExportPanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BXDefaults::registerDefaults();
        MarkdownExporter::registerTextFormat();
        EncodingManager::sharedInstance().revertToDefault();
        defaults().setUnsignedInteger(ExportFileEncoding, TextEncoding::UTF8StringEncoding);
        defaults().setBool(ExportAddExtension, true);
    }

    static platform::UserDefaults& defaults() { return platform::UserDefaults::standard(); }

    static QString name(Value encoding) { return TextEncoding::localizedName(encoding); }
};

TEST_F(ExportPanelTest, BuiltInListLeadsWithUnicodeAndEndsWithTheLocalesEncoding)
{
    const QList<Value> builtIn = EncodingManager::builtInEncodings();
    const QList<Value> expected { TextEncoding::UTF16StringEncoding,
        TextEncoding::UTF8StringEncoding, TextEncoding::MacOSRomanStringEncoding,
        TextEncoding::WindowsCP1252StringEncoding };
    EXPECT_EQ(builtIn.mid(0, 4), expected);
    EXPECT_EQ(builtIn.size() == 10 ? builtIn.last() : builtIn.at(10),
        builtIn.size() == 10
            ? TextEncoding::fromCFStringEncoding(TextEncoding::CFStringEncodingGB_18030_2000)
            : TextEncoding::defaultCStringEncoding());
    EXPECT_EQ(builtIn.count(TextEncoding::defaultCStringEncoding()), 1);

    // Sorted: the Unicode encodings first.
    const QList<Value>& all = EncodingManager::allAvailableStringEncodings();
    ASSERT_GT(all.size(), 20);
    EXPECT_EQ(TextEncoding::mostCompatibleMacStringEncoding(
                  TextEncoding::toCFStringEncoding(all.first())),
        quint32(TextEncoding::CFStringEncodingUnicode));
}

TEST_F(ExportPanelTest, PopUpsShowTheirChoiceAndNeverSelectCustomize)
{
    EncodingManager& manager = EncodingManager::sharedInstance();
    const Value latin2 = TextEncoding::ISOLatin2StringEncoding;
    ASSERT_FALSE(manager.enabledEncodings().contains(latin2));

    EncodingsComboBox plain(latin2, false);
    EXPECT_EQ(plain.itemText(plain.count() - 3), name(latin2));
    EXPECT_EQ(plain.selectedEncoding(), latin2);
    EncodingsComboBox automatic(latin2, true);
    EXPECT_EQ(automatic.currentText(), QStringLiteral("Automatic"));
    EXPECT_EQ(automatic.selectedEncoding(), EncodingManager::NoEncoding);

    // Selecting the last item by index leaves the choice as it was.
    plain.setCurrentIndex(plain.count() - 1);
    EXPECT_EQ(plain.selectedEncoding(), latin2);

    manager.clearAll();
    EXPECT_EQ(itemTitles(plain),
        QStringList({ name(latin2), "—", QStringLiteral("Customize Encodings List…") }));
    EXPECT_EQ(itemTitles(automatic),
        QStringList({ "Automatic", "—", QStringLiteral("Customize Encodings List…") }));
    EncodingsComboBox none(EncodingManager::NoEncoding, false);
    EXPECT_EQ(itemTitles(none), QStringList({ QStringLiteral("Customize Encodings List…") }));
    EXPECT_EQ(none.currentIndex(), -1);

    // Choosing "Customize…" opens the panel and keeps the choice.
    plain.activated(plain.count() - 1);
    EXPECT_EQ(plain.selectedEncoding(), latin2);
    ASSERT_NE(plain.showPanel(), nullptr);
}

TEST_F(ExportPanelTest, PanelTicksKeepTheSortedOrderAndRevertForgetsThem)
{
    EncodingManager& manager = EncodingManager::sharedInstance();
    QWidget owner;
    EncodingsPanel panel(&owner);
    QListWidget* table = panel.encodingTable();
    const QList<Value>& all = EncodingManager::allAvailableStringEncodings();
    ASSERT_EQ(table->count(), all.size());

    panel.clearAllButton()->click();
    EXPECT_TRUE(manager.enabledEncodings().isEmpty());
    // Ticked in reverse, stored in the panel's order.
    table->item(5)->setCheckState(Qt::Checked);
    table->item(2)->setCheckState(Qt::Checked);
    EXPECT_EQ(manager.enabledEncodings(), QList<Value>({ all.at(2), all.at(5) }));
    EXPECT_EQ(defaults().arrayForKey(Encodings).size(), 2);

    panel.revertButton()->click();
    EXPECT_FALSE(defaults().objectForKey(Encodings).isValid());
    EXPECT_EQ(manager.enabledEncodings(), EncodingManager::builtInEncodings());
    EXPECT_EQ(table->item(0)->checkState(),
        manager.enabledEncodings().contains(all.at(0)) ? Qt::Checked : Qt::Unchecked);

    owner.resize(360, 200);
    panel.resize(380, 480);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    bxtest::saveScreenshot(panel.grab().toImage(), QStringLiteral("encodings-panel"));
}

TEST_F(ExportPanelTest, FormatsAreListedInTheirOrder)
{
    QStringList objects;
    for (const BXSavePanelController::ExportFormat& format : BXSavePanelController::exportFormats())
        objects << format.object;
    EXPECT_EQ(objects,
        QStringList({ TypeIdentifier::PlainText, TypeIdentifier::Markdown,
            TypeIdentifier::TraditionalPlainText, TypeIdentifier::Rtf, TypeIdentifier::Rtfd,
            TypeIdentifier::Html, TypeIdentifier::WebArchive, TypeIdentifier::WordDocument,
            TypeIdentifier::OfficeOpenXmlDocument, TypeIdentifier::WordXml,
            TypeIdentifier::OpenDocumentText, QStringLiteral("Auto") }));
    EXPECT_TRUE(BXSavePanelController::isPlainTextType(TypeIdentifier::TraditionalPlainText));
    EXPECT_FALSE(BXSavePanelController::isPlainTextType(TypeIdentifier::Markdown));
}

TEST_F(ExportPanelTest, AccessoryKeepsTheOpenPanelInLineWithTheFormat)
{
    QString chosenFormat;
    quint32 chosenEncoding = 0;
    platform::FilePanel panel;
    panel.mode = platform::FilePanel::Mode::Save;
    panel.nameFieldStringValue = QStringLiteral("Shopping.rtf");
    panel.allowedFileTypes = { QStringLiteral("rtf") };
    const std::shared_ptr<QWidget> view = BXSavePanelController::saveAccessoryView(
        QStringLiteral("Auto"), TypeIdentifier::Rtf,
        [&](const QString& format) { chosenFormat = format; },
        [&](quint32 encoding) { chosenEncoding = encoding; }, panel);
    auto* owner = view->findChild<BXAccessoryOwner*>();
    ASSERT_NE(owner, nullptr);
    EXPECT_EQ(owner->formatsPopup()->currentText(), QStringLiteral("Automatic (based on content)"));
    EXPECT_FALSE(owner->showSaveEncodingsPopup());

    platform::FakeAlertPresenter presenter;
    QWidget window;
    presenter.beginPanelSheet(panel, &window, {});
    platform::FakeAlertPresenter::PanelState* open = presenter.pendingPanel(&window);
    ASSERT_NE(open, nullptr);

    struct Step {
        QString format;
        bool addExtension;
        QStringList allowed;
        bool allowsOther;
        QString name;
    };
    const Step steps[] = {
        { TypeIdentifier::Markdown, true, { "md" }, false, "Shopping.md" },
        { TypeIdentifier::PlainText, true, { "txt" }, true, "Shopping.txt" },
        { TypeIdentifier::Html, true, { "html" }, false, "Shopping.html" },
        // Plain text without an added extension keeps the name and forces no type.
        { TypeIdentifier::PlainText, false, {}, false, "Shopping.html" },
        { QStringLiteral("Auto"), false, { "rtf" }, false, "Shopping.rtf" },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.format.toStdString());
        owner->addExtensionCheckbox()->blockSignals(true);
        owner->addExtensionCheckbox()->setChecked(step.addExtension);
        owner->addExtensionCheckbox()->blockSignals(false);
        const int index = owner->formatsPopup()->findData(step.format);
        owner->formatsPopup()->setCurrentIndex(index);
        owner->fileFormatsPopupSelected(index);
        EXPECT_EQ(chosenFormat, step.format);
        EXPECT_EQ(open->allowedFileTypes(), step.allowed);
        EXPECT_EQ(open->allowsOtherFileTypes(), step.allowsOther);
        EXPECT_EQ(open->nameFieldStringValue(), step.name);
        EXPECT_EQ(owner->showSaveEncodingsPopup(), step.format == TypeIdentifier::PlainText);
    }
    owner->encodingsPopup()->activated(1);
    const quint32 chosen = quint32(owner->encodingsPopup()->selectedEncoding());
    EXPECT_EQ(chosenEncoding, chosen);
    // Legacy plain text is written in Mac OS Roman whatever the pop-up says, so it offers none
    // and shows that one; the user's choice comes back with a format that takes it.
    for (const QString& format :
        { TypeIdentifier::TraditionalPlainText, TypeIdentifier::PlainText }) {
        SCOPED_TRACE(format.toStdString());
        const int index = owner->formatsPopup()->findData(format);
        owner->formatsPopup()->setCurrentIndex(index);
        owner->fileFormatsPopupSelected(index);
        const bool legacy = format == TypeIdentifier::TraditionalPlainText;
        EXPECT_TRUE(owner->showSaveEncodingsPopup());
        EXPECT_EQ(owner->encodingsPopup()->isEnabled(), !legacy);
        const quint32 shown = legacy ? TextEncoding::MacOSRomanStringEncoding : chosen;
        EXPECT_EQ(quint32(owner->encodingsPopup()->selectedEncoding()), shown);
        EXPECT_EQ(owner->encodingsPopup()->currentText(), TextEncoding::localizedName(shown));
        EXPECT_EQ(chosenEncoding, chosen);
    }
    presenter.answerPanelSheet(&window, {});
}

TEST_F(ExportPanelTest, EncodingOfTheDefaultsShowsEvenWhenNotEnabledAndUnknownFormatsPickTheFirst)
{
    defaults().setUnsignedInteger(ExportFileEncoding, TextEncoding::ISOLatin2StringEncoding);
    platform::FilePanel first;
    platform::FilePanel second;
    const std::shared_ptr<QWidget> one = BXSavePanelController::saveAccessoryView(
        QStringLiteral("org.example.unknown"), QString(), {}, {}, first);
    // Two panels at once: each accessory keeps its own owner.
    const std::shared_ptr<QWidget> two
        = BXSavePanelController::saveAccessoryView(TypeIdentifier::Rtf, QString(), {}, {}, second);
    auto* owner = one->findChild<BXAccessoryOwner*>();
    ASSERT_NE(owner, nullptr);
    ASSERT_NE(two->findChild<BXAccessoryOwner*>(), nullptr);
    EXPECT_EQ(owner->formatsPopup()->currentIndex(), 0);
    EXPECT_EQ(owner->encodingsPopup()->selectedEncoding(), TextEncoding::ISOLatin2StringEncoding);
    EXPECT_TRUE(owner->showExtensionCheckBox());
}

TEST_F(ExportPanelTest, SavePanelWithTheAccessoryExportsInTheChosenFormat)
{
    BXSavePanelController::install();
    platform::FakeAlertPresenter presenter;
    defaults().setString(ExportFileType, TypeIdentifier::Rtf);
    BXDocument document;
    auto note = BXNote::newNoteInManagedObjectContext(document.managedObjectContext(), {}, {});
    std::unique_ptr<QTextDocument> text = platform::AttributedText::makeDocument();
    text->setPlainText(QStringLiteral("Shopping\nmilk"));
    note->setAttributedString(*text);

    document.exportNotes(QList<platform::ManagedObjectPtr> { note });
    ASSERT_EQ(presenter.shownPanels().size(), 1u);
    const platform::FilePanel& shown = presenter.shownPanels().front().panel;
    EXPECT_EQ(shown.nameFieldStringValue, QStringLiteral("Shopping.rtf"));
    EXPECT_EQ(shown.allowedFileTypes, QStringList({ "rtf" }));
    ASSERT_NE(shown.accessoryView, nullptr);

    // The real panel with this accessory, for a person to look at.
    {
        platform::FilePanelDialog dialog(shown, nullptr);
        dialog.setDirectory(bxtest::makeTempFolder());
        dialog.resize(720, 520);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        bxtest::saveScreenshot(dialog.grab().toImage(), QStringLiteral("save-panel-accessory"));
        dialog.takeResponse(QDialog::Rejected);
    }
    auto* owner = shown.accessoryView->findChild<BXAccessoryOwner*>();
    ASSERT_NE(owner, nullptr);
    owner->setPanel(presenter.pendingPanel(nullptr));
    const int markdown = owner->formatsPopup()->findData(TypeIdentifier::Markdown);
    owner->formatsPopup()->setCurrentIndex(markdown);
    owner->fileFormatsPopupSelected(markdown);
    EXPECT_EQ(
        presenter.pendingPanel(nullptr)->nameFieldStringValue(), QStringLiteral("Shopping.md"));

    const QString target = bxtest::makeTempFolder() + QStringLiteral("/Shopping.md");
    ASSERT_TRUE(presenter.answerPanelSheet(nullptr, { true, { QUrl::fromLocalFile(target) } }));
    QFile written(target);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().startsWith("Shopping"));
    // The accessory's choice held for this export only.
    EXPECT_EQ(document.formatForExport(), TypeIdentifier::Rtf);
    document.close();
}

TEST_F(ExportPanelTest, ExportPanelsStartInTheLastExportFolder)
{
    platform::FakeAlertPresenter presenter;
    defaults().removeObject(LastExportFolder);
    defaults().setString(ExportFileType, TypeIdentifier::PlainText);
    BXDocument document;
    QList<platform::ManagedObjectPtr> notes;
    for (const QString& title : { QStringLiteral("Apples"), QStringLiteral("Pears") }) {
        auto note = BXNote::newNoteInManagedObjectContext(document.managedObjectContext(), {}, {});
        std::unique_ptr<QTextDocument> text = platform::AttributedText::makeDocument();
        text->setPlainText(title);
        note->setAttributedString(*text);
        notes << note;
    }
    const QString folder = bxtest::makeTempFolder();
    const QString other = bxtest::makeTempFolder();
    const struct {
        const char* name;
        QList<platform::ManagedObjectPtr> notes;
        QString startsIn;
        QUrl chosen;
    } steps[] = {
        { "first export, several notes", notes, QDir::homePath(), QUrl::fromLocalFile(folder) },
        { "then one note", { notes.first() }, folder,
            QUrl::fromLocalFile(other + QStringLiteral("/Apples.txt")) },
        { "then several again", notes, other, {} },
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        document.exportNotes(step.notes);
        ASSERT_FALSE(presenter.shownPanels().empty());
        const platform::FilePanel shown = presenter.shownPanels().back().panel;
        EXPECT_EQ(shown.directory, step.startsIn);
        if (step.notes.size() > 1) {
            // Named for what it does, not for the dialog's mode.
            platform::FilePanelDialog dialog(shown, nullptr);
            EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Export"));
            dialog.takeResponse(QDialog::Rejected);
        }
        presenter.answerPanelSheet(nullptr, { !step.chosen.isEmpty(), { step.chosen } });
    }
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/Pears.txt")));
    document.close();
}

} // namespace
