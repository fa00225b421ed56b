#include "app/BXPreferencesWindowController.h"

#include "app/BXAppAuthenticationService.h"
#include "app/BXDocumentController.h"
#include "app/BXUpdatesSymbol.h"
#include "app/BXVersionCheckDateValueTransformer.h"
#include "app/kVersionCheck.h"
#include "document/BXDefaults.h"
#include "platform/appkit/SymbolIcon.h"
#include "platform/foundation/Archiver.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/StringsTable.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/text/AttributedText.h"
#include "platform/text/Color.h"
#include "platform/text/TextArchiving.h"
#include "ui/BXSavePanelController.h"
#include "ui/EncodingsComboBox.h"
#include "ui/WindowAdditions.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDateTime>
#include <QEvent>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

const QString BXPreferencesWindowController::GeneralPane = QStringLiteral("GeneralPane");
const QString BXPreferencesWindowController::UpdatesPane = QStringLiteral("UpdatesPane");

namespace {

const QString kSampleText = QStringLiteral("The quick brown fox jumps over the lazy dog");

QFont systemFontAt(double size)
{
    return platform::TextArchiving::systemFont(size);
}

QString sizeText(double size)
{
    return platform::format(QStringLiteral("%.0f pt"), size);
}

} // namespace

BXPreferencesWindowController::BXPreferencesWindowController(
    platform::UserDefaults& defaults, std::function<void()> checkNow, QObject* parent)
    : QObject(parent), m_defaults(defaults), m_checkNow(std::move(checkNow))
{
    m_defaults.registerDefaults({ { SelectedPane, GeneralPane } });
    platform::TextArchiving::registerClasses();
    platform::NotificationCenter::defaultCenter().addObserver(this, kVersionCheck::Notification,
        nullptr, [this](const platform::Notification& note) { versionCheckDidRun(note.userInfo); });
}

BXPreferencesWindowController::~BXPreferencesWindowController()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    if (m_window)
        m_window->removeEventFilter(this);
    delete m_fontDialog.data();
}

void BXPreferencesWindowController::showWindow()
{
    if (!m_window)
        windowDidLoad();
    if (!m_window->isVisible())
        WindowAdditions::centerOnScreen(m_window.get());
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

QFontDialog* BXPreferencesWindowController::fontDialog() const
{
    return m_fontDialog;
}

std::optional<QFont> BXPreferencesWindowController::storedFont() const
{
    return platform::Archiver::unarchived<QFont>(
        m_defaults.dataForKey(DefaultFont), { QStringLiteral("NSFont") });
}

void BXPreferencesWindowController::windowDidLoad()
{
    m_window = std::make_unique<QWidget>(nullptr, Qt::Window);
    m_window->installEventFilter(this);
    // No menu bar carries Close here, so the window takes the key itself; Escape closes it too,
    // as it does a dialog.
    auto* close = new QAction(m_window.get());
    close->setShortcuts(
        QKeySequence::keyBindings(QKeySequence::Close) << QKeySequence(Qt::Key_Escape));
    connect(close, &QAction::triggered, m_window.get(), &QWidget::close);
    m_window->addAction(close);
    m_toolbar = new QToolBar(m_window.get());
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar->setIconSize(QSize(24, 24));
    auto* group = new QActionGroup(m_toolbar);
    const QPixmap updatesIcon = BXUpdatesSymbol::pixmap(
        24, m_window->palette().color(QPalette::WindowText), 1.0, m_window->devicePixelRatioF());
    const std::pair<QString, QString> items[] = { { GeneralPane, QStringLiteral("General") },
        { UpdatesPane, QStringLiteral("Updates") } };
    for (const auto& [identifier, label] : items) {
        QAction* action = m_toolbar->addAction(platform::localized(label));
        action->setCheckable(true);
        action->setData(identifier);
        action->setIcon(identifier == GeneralPane
                ? QIcon::fromTheme(QStringLiteral("preferences-system"),
                    m_window->style()->standardIcon(QStyle::SP_FileDialogDetailedView))
                : platform::SymbolIcon::templateImage(QIcon(updatesIcon)));
        group->addAction(action);
        m_paneActions.insert(identifier, action);
        connect(action, &QAction::triggered, this, [this, pane = identifier] { selectPane(pane); });
    }
    m_contentBox = new QWidget(m_window.get());
    auto* boxLayout = new QVBoxLayout(m_contentBox);
    boxLayout->setContentsMargins(0, 0, 0, 0);
    auto* layout = new QVBoxLayout(m_window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(m_toolbar);
    layout->addWidget(m_contentBox);

    m_panes.insert(GeneralPane, makeGeneralPane());
    m_panes.insert(UpdatesPane, makeUpdatesPane());
    for (QWidget* paneWidget : std::as_const(m_panes)) {
        paneWidget->setFixedSize(paneWidget->sizeHint());
        paneWidget->hide();
    }
    selectPane(m_defaults.stringForKey(SelectedPane));
}

QWidget* BXPreferencesWindowController::makeGeneralPane()
{
    auto* paneWidget = new QWidget(m_window.get());
    const std::optional<QFont> stored = storedFont();
    const QFont font = stored.value_or(systemFontAt(QApplication::font().pointSizeF()));

    m_preview = new QLabel(kSampleText, paneWidget);
    m_preview->setTextFormat(Qt::PlainText);
    m_preview->setFixedWidth(360);
    m_preview->setWordWrap(true);
    m_preview->setMinimumHeight(56);
    m_preview->setFrameShape(QFrame::StyledPanel);
    m_preview->setAlignment(Qt::AlignCenter);
    m_preview->setForegroundRole(QPalette::PlaceholderText);

    m_familyPopup = new QComboBox(paneWidget);
    QStringList families = QFontDatabase::families();
    std::sort(families.begin(), families.end(),
        [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    for (const QString& family : std::as_const(families)) {
        m_familyPopup->addItem(family, family);
        const QStringList styles = QFontDatabase::styles(family);
        if (!styles.isEmpty()) {
            m_familyPopup->setItemData(m_familyPopup->count() - 1,
                QFontDatabase::font(family, styles.first(), int(kDefaultFontSize)), Qt::FontRole);
        }
    }
    const QString family = stored ? QFontInfo(font).family() : QApplication::font().family();
    m_familyPopup->setCurrentIndex(m_familyPopup->findText(family));
    connect(m_familyPopup, &QComboBox::activated, this, [this] { fontFamilyAction(); });

    m_sizeSlider = new QSlider(Qt::Horizontal, paneWidget);
    m_sizeSlider->setRange(9, 36);
    m_sizeSlider->setValue(int(std::lround(font.pointSizeF())));
    m_sizeLabel = new QLabel(sizeText(font.pointSizeF()), paneWidget);
    connect(m_sizeSlider, &QSlider::valueChanged, this, [this] { fontSizeAction(); });

    m_fontsButton = new QPushButton(platform::localized(QStringLiteral("Fonts…")), paneWidget);
    connect(m_fontsButton, &QPushButton::clicked, this,
        [this] { fontsPanelAction(QApplication::keyboardModifiers() & Qt::AltModifier); });
    auto* colorButton = new QPushButton(platform::localized(QStringLiteral("Colour…")), paneWidget);
    connect(colorButton, &QPushButton::clicked, this, [this] {
        // Qt's font dialog has no colour: a colour dialog of its own, without blocking.
        auto* dialog
            = new QColorDialog(m_preview->palette().color(QPalette::WindowText), m_window.get());
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(dialog, &QColorDialog::colorSelected, this,
            [this](const QColor& color) { changeDefaultFontColor(color); });
        dialog->open();
    });
    auto* resetButton = new QPushButton(platform::localized(QStringLiteral("Reset")), paneWidget);
    connect(resetButton, &QPushButton::clicked, this, [this] { resetToDefaultFont(); });
    updateFontPreview(font);

    m_unitsPopup = new QComboBox(paneWidget);
    for (const char* unit : { "Inches", "Centimeters", "Points", "Picas" })
        m_unitsPopup->addItem(
            platform::localized(QString::fromLatin1(unit)), QString::fromLatin1(unit));
    m_unitsPopup->setCurrentIndex(
        std::max(0, m_unitsPopup->findData(m_defaults.stringForKey(RulerUnits))));
    connect(m_unitsPopup, &QComboBox::activated, this, [this] {
        const QString unit = m_unitsPopup->currentData().toString();
        m_defaults.setString(RulerUnits, unit);
        platform::NotificationCenter::defaultCenter().post(
            RulerUnitsChanged, this, { { RulerUnits, unit } });
    });

    m_formatsPopup = new QComboBox(paneWidget);
    for (const BXSavePanelController::ExportFormat& format : BXSavePanelController::exportFormats())
        m_formatsPopup->addItem(format.title, format.object);
    m_formatsPopup->setCurrentIndex(
        std::max(0, m_formatsPopup->findData(m_defaults.stringForKey(ExportFileType))));
    connect(m_formatsPopup, &QComboBox::activated, this,
        [this] { m_defaults.setString(ExportFileType, m_formatsPopup->currentData().toString()); });

    m_encodingPopup = new EncodingsComboBox(
        EncodingManager::Value(m_defaults.unsignedIntegerForKey(ExportFileEncoding)), false,
        paneWidget);
    connect(m_encodingPopup, &EncodingsComboBox::encodingSelected, this,
        [this](quint32 encoding) { m_defaults.setUnsignedInteger(ExportFileEncoding, encoding); });

    m_protectCheckbox = new QCheckBox(
        platform::localized(QStringLiteral("Protect Brindlex with your account password")),
        paneWidget);
    m_protectCheckbox->setChecked(BXAppAuthenticationService::isProtectionEnabled(m_defaults));
    connect(
        m_protectCheckbox, &QCheckBox::clicked, this, [this](bool on) { protectAppAction(on); });

    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(m_sizeSlider, 1);
    sizeRow->addWidget(m_sizeLabel);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(m_fontsButton);
    buttonRow->addWidget(colorButton);
    buttonRow->addStretch(1);
    buttonRow->addWidget(resetButton);
    auto* form = new QFormLayout(paneWidget);
    form->setContentsMargins(20, 16, 20, 20);
    form->addRow(platform::localized(QStringLiteral("Default font:")), m_preview);
    form->addRow(QString(), m_familyPopup);
    form->addRow(QString(), sizeRow);
    form->addRow(QString(), buttonRow);
    form->addRow(platform::localized(QStringLiteral("Ruler units:")), m_unitsPopup);
    form->addRow(platform::localized(QStringLiteral("Export format:")), m_formatsPopup);
    form->addRow(platform::localized(QStringLiteral("Text encoding:")), m_encodingPopup);
    form->addRow(platform::localized(QStringLiteral("Lock:")), m_protectCheckbox);
    return paneWidget;
}

QWidget* BXPreferencesWindowController::makeUpdatesPane()
{
    auto* paneWidget = new QWidget(m_window.get());
    auto* symbol = new QLabel(paneWidget);
    symbol->setPixmap(BXUpdatesSymbol::pixmap(72, paneWidget->palette().color(QPalette::WindowText),
        0.6, paneWidget->devicePixelRatioF()));
    m_updateDetailsLabel = new QLabel(paneWidget);
    m_updateDetailsLabel->setTextFormat(Qt::RichText);
    m_updateDetailsLabel->setWordWrap(true);
    m_updateDetailsLabel->setOpenExternalLinks(false);
    connect(m_updateDetailsLabel, &QLabel::linkActivated, this, [] {
        if (BXDocumentController* controller = BXDocumentController::shared())
            controller->openURL(3);
    });
    m_lastCheckLabel = new QLabel(paneWidget);
    m_lastCheckLabel->setTextFormat(Qt::PlainText);
    m_lastCheckLabel->setWordWrap(true);
    auto* checkNow = new QPushButton(platform::localized(QStringLiteral("Check Now")), paneWidget);
    checkNow->setObjectName(QStringLiteral("checkNow"));
    connect(checkNow, &QPushButton::clicked, this, [this] {
        if (m_checkNow)
            m_checkNow();
    });
    m_autoCheckBox = new QCheckBox(
        platform::localized(QStringLiteral("Check for updates automatically")), paneWidget);
    m_autoCheckBox->setChecked(m_defaults.boolForKey(AutoCheckForUpdates));
    connect(m_autoCheckBox, &QCheckBox::toggled, this,
        [this](bool on) { m_defaults.setBool(AutoCheckForUpdates, on); });
    connect(&m_defaults, &platform::UserDefaults::valueChanged, this, [this](const QString& key) {
        if (key == AutoCheckForUpdates)
            m_autoCheckBox->setChecked(m_defaults.boolForKey(AutoCheckForUpdates));
        else if (key == LastUpdatesCheck || key == LastFailedUpdatesCheck)
            showLastCheck();
    });
    showLastCheck();

    auto* texts = new QVBoxLayout;
    m_updateTexts = texts;
    texts->addWidget(m_updateDetailsLabel);
    texts->addWidget(m_lastCheckLabel);
    texts->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_autoCheckBox);
    buttons->addStretch(1);
    buttons->addWidget(checkNow);
    texts->addLayout(buttons);
    auto* layout = new QHBoxLayout(paneWidget);
    layout->setContentsMargins(20, 16, 20, 20);
    layout->addWidget(symbol, 0, Qt::AlignTop);
    layout->addSpacing(12);
    layout->addLayout(texts, 1);
    paneWidget->setMinimumWidth(440);
    return paneWidget;
}

void BXPreferencesWindowController::showLastCheck()
{
    const BXVersionCheckDateValueTransformer transformer;
    // The later of the last good and the last failed check: a check that failed has run.
    const QDateTime good = m_defaults.dateForKey(LastUpdatesCheck);
    const QDateTime failed = m_defaults.dateForKey(LastFailedUpdatesCheck);
    m_lastCheckLabel->setText(failed.isValid() && (!good.isValid() || failed > good)
            ? transformer.failedCheckText(failed)
            : transformer.transformedValue(m_defaults.objectForKey(LastUpdatesCheck)).toString());
    // A longer line may take another; the pane is measured once it exists.
    if (m_panes.contains(UpdatesPane))
        fitUpdatesPane();
}

QWidget* BXPreferencesWindowController::pane(const QString& identifier) const
{
    return m_panes.value(identifier);
}

void BXPreferencesWindowController::selectPane(const QString& identifier)
{
    QString chosen = identifier;
    if (!m_paneActions.contains(chosen))
        chosen = GeneralPane;
    // An editor that refuses to end its edit keeps the pane.
    if (auto* editor = qobject_cast<QLineEdit*>(m_window->focusWidget());
        editor && !editor->hasAcceptableInput()) {
        QApplication::beep();
        return;
    }
    m_window->setFocus();
    QWidget* next = m_panes.value(chosen);
    m_paneActions.value(chosen)->setChecked(true);
    m_defaults.setString(SelectedPane, chosen);
    m_window->setWindowTitle(m_paneActions.value(chosen)->text());
    if (m_selectedPane == chosen && next->isVisible())
        return;
    QWidget* previous = m_panes.value(m_selectedPane);
    const QSize before = previous ? previous->size() : QSize(0, 0);
    const QRect frame = m_window->geometry();
    if (previous) {
        m_contentBox->layout()->removeWidget(previous);
        previous->hide();
    }
    m_contentBox->layout()->addWidget(next);
    next->show();
    m_selectedPane = chosen;
    // The window grows or shrinks below its top edge, which stays where it is.
    if (previous && m_window->isVisible()) {
        const QSize change = next->size() - before;
        m_window->setGeometry(QRect(frame.topLeft(), frame.size() + change));
    }
    m_window->adjustSize();
}

void BXPreferencesWindowController::updateFontPreview(const QFont& font)
{
    m_preview->setFont(font);
    m_preview->setText(kSampleText);
    if (m_fontDialog)
        m_fontDialog->setCurrentFont(font);
}

void BXPreferencesWindowController::changeDefaultFont(const QFont& font)
{
    platform::Error error;
    const QByteArray data = platform::Archiver::archivedData(QVariant::fromValue(font), &error);
    if (!data.isEmpty())
        m_defaults.setData(DefaultFont, data);
    else
        platform::log(QStringLiteral("failed archiving font data: \"%@\""), error);
    if (m_preview)
        updateFontPreview(font);
    platform::NotificationCenter::defaultCenter().post(DefaultFontChanged, this,
        { { platform::AttributedText::FontAttributeName, QVariant::fromValue(font) } });
}

void BXPreferencesWindowController::changeDefaultFontColor(const QColor& color)
{
    if (!color.isValid())
        return;
    platform::Error error;
    const QByteArray data = platform::Archiver::archivedData(
        QVariant::fromValue(platform::Color { color, QString() }), &error);
    if (data.isEmpty()) {
        platform::log(QStringLiteral("failed archiving color data: \"%@\""), error);
        return;
    }
    m_defaults.setData(DefaultFontColor, data);
    if (m_preview) {
        QPalette palette = m_preview->palette();
        palette.setColor(QPalette::WindowText, color);
        m_preview->setPalette(palette);
        m_preview->setForegroundRole(QPalette::WindowText);
    }
    platform::NotificationCenter::defaultCenter().post(DefaultFontChanged, this,
        { { platform::AttributedText::ForegroundColorAttributeName, color } });
}

void BXPreferencesWindowController::resetToDefaultFont()
{
    resetFont();
    resetDefaultFontColor();
}

void BXPreferencesWindowController::resetFont()
{
    // 13 pt whatever the system's own size is.
    const QSignalBlocker blocker(m_sizeSlider);
    m_sizeSlider->setValue(int(kDefaultFontSize));
    m_sizeLabel->setText(sizeText(kDefaultFontSize));
    m_familyPopup->setCurrentIndex(m_familyPopup->findText(QApplication::font().family()));
    changeDefaultFont(systemFontAt(kDefaultFontSize));
}

void BXPreferencesWindowController::resetDefaultFontColor()
{
    // The registered default is the named text colour, which follows the theme; an invalid
    // colour in the announcement stands for it.
    m_defaults.removeObject(DefaultFontColor);
    if (m_preview) {
        m_preview->setPalette(QPalette());
        m_preview->setForegroundRole(QPalette::PlaceholderText);
    }
    platform::NotificationCenter::defaultCenter().post(DefaultFontChanged, this,
        { { platform::AttributedText::ForegroundColorAttributeName, QColor() } });
}

void BXPreferencesWindowController::fontsPanelAction(bool alternate)
{
    if (alternate) {
        // The font alone: the colour is the Reset button's.
        resetFont();
        return;
    }
    if (m_fontDialog && m_fontDialog->isVisible()) {
        m_fontDialog->hide();
        return;
    }
    if (!m_fontDialog) {
        m_fontDialog = new QFontDialog(m_preview->font(), m_window.get());
        m_fontDialog->setModal(false);
        m_fontDialog->setOption(QFontDialog::NoButtons);
    }
    m_fontDialog->show();
    updateFontDialogConnection();
}

void BXPreferencesWindowController::updateFontDialogConnection()
{
    // The dialog changes this window's font only while this window is the active one.
    const bool active = m_window
        && (m_window->isActiveWindow() || (m_fontDialog && m_fontDialog->isActiveWindow()));
    disconnect(m_fontDialogConnection);
    if (m_fontDialog && m_fontDialog->isVisible() && (active || !QApplication::activeWindow())) {
        m_fontDialogConnection = connect(
            m_fontDialog, &QFontDialog::currentFontChanged, this, [this](const QFont& font) {
                if (font != m_preview->font())
                    changeDefaultFont(font);
            });
    }
}

bool BXPreferencesWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window.get() && event->type() == QEvent::ActivationChange)
        updateFontDialogConnection();
    if (watched == m_window.get() && event->type() == QEvent::Close)
        emit controllerWillCloseWindow(this);
    return QObject::eventFilter(watched, event);
}

void BXPreferencesWindowController::fontFamilyAction()
{
    const QString family = m_familyPopup->currentText();
    if (family.isEmpty())
        return;
    const double size = m_sizeSlider->value();
    QFont font(family);
    font.setPointSizeF(size);
    if (QFontInfo(font).family().compare(family, Qt::CaseInsensitive) != 0) {
        // A family whose name is no font: its first member, else the system font.
        const QStringList styles = QFontDatabase::styles(family);
        font = styles.isEmpty() ? systemFontAt(size)
                                : QFontDatabase::font(family, styles.first(), int(size));
        font.setPointSizeF(size);
        if (QFontInfo(font).family().compare(family, Qt::CaseInsensitive) != 0)
            font = systemFontAt(size);
    }
    changeDefaultFont(font);
}

void BXPreferencesWindowController::fontSizeAction()
{
    const double size = m_sizeSlider->value();
    m_sizeLabel->setText(sizeText(size));
    QFont font = storedFont().value_or(systemFontAt(size));
    font.setPointSizeF(size);
    changeDefaultFont(font);
}

void BXPreferencesWindowController::protectAppAction(bool wanted)
{
    QPointer<QCheckBox> box = m_protectCheckbox;
    BXAppAuthenticationService::setProtectionEnabled(
        wanted, m_defaults, [box, wanted](bool success) {
            if (!success && box) {
                const QSignalBlocker blocker(box);
                box->setChecked(!wanted);
            }
        });
}

void BXPreferencesWindowController::versionCheckDidRun(const QVariantMap& result)
{
    const QString table = QStringLiteral("VersionCheck");
    QString html;
    if (result.contains(kVersionCheck::ErrorKey)) {
        const auto error = result.value(kVersionCheck::ErrorKey).value<kVersionCheckError>();
        // Escaped first, so only the link is markup.
        html = platform::format(QStringLiteral("%@\n%@"), error.localizedDescription(),
            error.localizedRecoverySuggestion())
                   .toHtmlEscaped()
                   .replace(QLatin1Char('\n'), QStringLiteral("<br>"));
        const QString words
            = platform::localizedFromTable(QStringLiteral("download page"), table).toHtmlEscaped();
        html.replace(words,
            QStringLiteral("<a href=\"%1\">%2</a>")
                .arg(BXDocumentController::kWebSiteBase + QStringLiteral("downloads/"), words));
    } else if (result.contains(kVersionCheck::LastVersionKey)) {
        html = platform::format(
            platform::localizedFromTable(QStringLiteral("New version %@ available."), table),
            result.value(kVersionCheck::LastVersionKey).toString())
                   .toHtmlEscaped();
    }
    m_updateDetails = html;
    if (m_updateDetailsLabel) {
        m_updateDetailsLabel->setText(html);
        fitUpdatesPane();
    }
}

void BXPreferencesWindowController::fitUpdatesPane()
{
    // The pane was measured with no details, and a window's size follows no height-for-width:
    // the details get the height their lines take in the room the pane leaves them.
    QWidget* updates = m_panes.value(UpdatesPane);
    const int otherWidth
        = updates->layout()->sizeHint().width() - m_updateTexts->sizeHint().width();
    const int textWidth = updates->width() - otherWidth;
    for (QLabel* label : { m_updateDetailsLabel, m_lastCheckLabel })
        label->setMinimumHeight(std::max(label->heightForWidth(textWidth), 0));
    // The column caches its own measure.
    m_updateTexts->invalidate();
    updates->setFixedHeight(updates->sizeHint().height());
    m_window->adjustSize();
}
