#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class EncodingsComboBox;
class QCheckBox;
class QComboBox;
class QLabel;
class QWidget;

namespace platform {
class FilePanelHandle;
}

// The brains of one export accessory: fills the formats pop-up, keeps the open panel's allowed
// types, "other types" setting and proposed name in line with the chosen format, shows the
// encodings pop-up only for plain text (disabled for formats whose encoding is fixed), and
// reports both choices to the export in progress.
// A child of its accessory view, so it lives exactly as long as its panel. Main thread.
class BXAccessoryOwner final : public QObject {
    Q_OBJECT

public:
    BXAccessoryOwner(QWidget* accessoryView, const QString& selectedFormat,
        const QString& preferredFormat, std::function<void(const QString&)> formatChanged,
        std::function<void(quint32)> encodingChanged);

    QWidget* accessoryView() const { return m_accessoryView; }
    QComboBox* formatsPopup() const { return m_formatsPopup; }
    EncodingsComboBox* encodingsPopup() const { return m_encodingsPopup; }
    QCheckBox* addExtensionCheckbox() const { return m_addExtensionCheckbox; }
    bool showSaveEncodingsPopup() const { return m_showSaveEncodingsPopup; }
    bool showExtensionCheckBox() const { return m_showExtensionCheckBox; }
    QString selectedFormat() const;

    // The open panel this accessory changes; null while none is open.
    void setPanel(platform::FilePanelHandle* panel) { m_panel = panel; }

    void fileFormatsPopupSelected(int index);
    void addExtensionCheckboxChanged(bool checked);

private:
    void fillFormatsPopup();
    void initAddExtensionCheckbox();
    // Shows the encodings pop-up for a plain-text format, enabled when the format is written
    // in the encoding chosen there.
    void showEncodingsPopupFor(const QString& format);

    QWidget* m_accessoryView;
    QComboBox* m_formatsPopup = nullptr;
    QLabel* m_encodingsLabel = nullptr;
    EncodingsComboBox* m_encodingsPopup = nullptr;
    QCheckBox* m_addExtensionCheckbox = nullptr;
    QString m_selectedFormat;
    QString m_preferredFormat;
    std::function<void(const QString&)> m_formatChanged;
    platform::FilePanelHandle* m_panel = nullptr;
    bool m_showSaveEncodingsPopup = false;
    // The user's encoding while the pop-up shows the one a format always writes in.
    std::optional<quint32> m_chosenEncoding;
    bool m_showExtensionCheckBox = false;
};
