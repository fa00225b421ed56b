#include "BXAccessoryOwner.h"

#include "BXSavePanelController.h"
#include "EncodingsComboBox.h"

#include "document/BXDefaults.h"
#include "platform/documents/AlertPresenter.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/TypeIdentifier.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/text/TextFormatRegistry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QWidget>

using platform::TypeIdentifier;

BXAccessoryOwner::BXAccessoryOwner(QWidget* accessoryView, const QString& selectedFormat,
    const QString& preferredFormat, std::function<void(const QString&)> formatChanged,
    std::function<void(quint32)> encodingChanged)
    : QObject(accessoryView),
      m_accessoryView(accessoryView),
      m_selectedFormat(selectedFormat),
      m_preferredFormat(preferredFormat),
      m_formatChanged(std::move(formatChanged))
{
    auto* layout = new QFormLayout(accessoryView);
    layout->setFormAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_formatsPopup = new QComboBox(accessoryView);
    m_formatsPopup->setObjectName(QStringLiteral("formatsPopup"));
    const platform::UserDefaults& defaults = platform::UserDefaults::standard();
    m_encodingsPopup = new EncodingsComboBox(
        platform::TextEncoding::Value(defaults.unsignedIntegerForKey(ExportFileEncoding)), false,
        accessoryView);
    m_encodingsLabel = new QLabel(platform::localized(QStringLiteral("Encoding:")), accessoryView);
    m_addExtensionCheckbox = new QCheckBox(accessoryView);
    layout->addRow(platform::localized(QStringLiteral("Format:")), m_formatsPopup);
    layout->addRow(m_encodingsLabel, m_encodingsPopup);
    layout->addRow(m_addExtensionCheckbox);

    fillFormatsPopup();
    initAddExtensionCheckbox();
    m_addExtensionCheckbox->setHidden(true);
    connect(
        m_formatsPopup, &QComboBox::activated, this, &BXAccessoryOwner::fileFormatsPopupSelected);
    connect(m_encodingsPopup, &EncodingsComboBox::encodingSelected, this,
        [encodingChanged = std::move(encodingChanged)](quint32 encoding) {
            if (encodingChanged)
                encodingChanged(encoding);
        });
    connect(m_addExtensionCheckbox, &QCheckBox::toggled, this,
        &BXAccessoryOwner::addExtensionCheckboxChanged);
}

QString BXAccessoryOwner::selectedFormat() const
{
    return m_formatsPopup->currentData().toString();
}

void BXAccessoryOwner::showEncodingsPopupFor(const QString& format)
{
    const bool show = BXSavePanelController::isPlainTextType(format);
    m_showSaveEncodingsPopup = show;
    m_encodingsLabel->setVisible(show);
    m_encodingsPopup->setVisible(show);
    // A plain-text format with an encoding of its own (legacy plain text, Markdown) ignores the
    // choice, so it is not offered, and the pop-up shows the encoding the file is written in.
    const std::optional<platform::TextFormat> written
        = platform::TextFormatRegistry::formatForType(format);
    const bool chosen = !written || written->usesEncoding;
    m_encodingsLabel->setEnabled(chosen);
    m_encodingsPopup->setEnabled(chosen);
    const platform::TextEncoding::Value own = written && !chosen
        ? written->writtenEncoding
        : platform::TextEncoding::InvalidStringEncoding;
    if (own != platform::TextEncoding::InvalidStringEncoding) {
        if (!m_chosenEncoding)
            m_chosenEncoding = m_encodingsPopup->selectedEncoding();
        m_encodingsPopup->setSelectedEncoding(own);
    } else if (m_chosenEncoding) {
        m_encodingsPopup->setSelectedEncoding(*m_chosenEncoding);
        m_chosenEncoding.reset();
    }
}

void BXAccessoryOwner::fillFormatsPopup()
{
    m_formatsPopup->clear();
    int selected = 0;
    for (const BXSavePanelController::ExportFormat& format :
        BXSavePanelController::exportFormats()) {
        if (format.object == m_selectedFormat)
            selected = m_formatsPopup->count();
        m_formatsPopup->addItem(format.title, format.object);
    }
    m_formatsPopup->setCurrentIndex(selected);
    showEncodingsPopupFor(selectedFormat());
}

void BXAccessoryOwner::initAddExtensionCheckbox()
{
    if (!m_preferredFormat.isEmpty()) {
        m_showExtensionCheckBox = false;
        m_addExtensionCheckbox->setChecked(
            platform::UserDefaults::standard().boolForKey(ExportAddExtension));
        return;
    }
    // Hidden extensions mean nothing on this system; the box only keeps its title.
    m_addExtensionCheckbox->setText(platform::localized(QStringLiteral("Hide extension")));
    m_showExtensionCheckBox = true;
}

void BXAccessoryOwner::fileFormatsPopupSelected(int)
{
    const QString format = selectedFormat();
    if (m_formatChanged)
        m_formatChanged(format);
    const bool plainText = BXSavePanelController::isPlainTextType(format);
    showEncodingsPopupFor(format);
    m_showExtensionCheckBox = false;
    if (!m_panel)
        return;
    const bool onePanel = !m_preferredFormat.isEmpty();
    QString type;
    bool allowsOther = false;
    if (format == QLatin1String("Auto")) {
        type = m_preferredFormat;
    } else if (!onePanel || !plainText || m_addExtensionCheckbox->isChecked()) {
        type = format;
        allowsOther = onePanel && plainText;
    } else {
        // Plain text without an added extension: any name goes, so nothing is proposed. The
        // allowed types go too, or the previous format's extension would still be forced.
        m_panel->setAllowsOtherFileTypes(false);
        m_panel->setAllowedFileTypes({});
        return;
    }
    m_panel->setAllowsOtherFileTypes(allowsOther);
    if (type.isEmpty())
        return;
    const QString extension = type == TypeIdentifier::Markdown
        ? QStringLiteral("md")
        : TypeIdentifier::preferredExtension(type);
    m_panel->setAllowedFileTypes(extension.isEmpty() ? QStringList() : QStringList { extension });
    if (extension.isEmpty() || !onePanel)
        return;
    QString name = m_panel->nameFieldStringValue();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        name.truncate(dot);
    m_panel->setNameFieldStringValue(name + QLatin1Char('.') + extension);
}

void BXAccessoryOwner::addExtensionCheckboxChanged(bool checked)
{
    if (m_preferredFormat.isEmpty() || !m_panel)
        return;
    m_panel->setAllowsOtherFileTypes(checked);
    m_panel->setAllowedFileTypes(checked
            ? QStringList { TypeIdentifier::preferredExtension(TypeIdentifier::PlainText) }
            : QStringList());
}
