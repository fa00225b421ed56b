#pragma once

#include <QFont>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class EncodingsComboBox;
class QAbstractButton;
class QAction;
class QCheckBox;
class QColorDialog;
class QComboBox;
class QFontDialog;
class QLabel;
class QLayout;
class QPushButton;
class QSlider;
class QToolBar;
class QWidget;

namespace platform {
class UserDefaults;
}

// The preferences window: a General pane (default font and colour of new text, ruler units,
// export format and encoding, the application lock) and an Updates pane (the last update
// check), chosen on the toolbar; the chosen pane is remembered. Changes that open windows
// apply at once are announced as DefaultFontChanged and RulerUnitsChanged. Main thread.
class BXPreferencesWindowController final : public QObject {
    Q_OBJECT

public:
    static const QString GeneralPane;
    static const QString UpdatesPane;
    static constexpr double kDefaultFontSize = 13.0;

    // `checkNow` starts an update check the user asked for.
    BXPreferencesWindowController(platform::UserDefaults& defaults, std::function<void()> checkNow,
        QObject* parent = nullptr);
    ~BXPreferencesWindowController() override;

    // Shows the window, centred on the screen when it was not shown yet.
    void showWindow();
    QWidget* window() const { return m_window.get(); }

    // Unknown identifiers show the first pane (and store it).
    void selectPane(const QString& identifier);
    QString selectedPane() const { return m_selectedPane; }
    QWidget* pane(const QString& identifier) const;

    void changeDefaultFont(const QFont& font);
    void changeDefaultFontColor(const QColor& color);
    // The fonts button: with Alt held, the system font at 13 pt; otherwise the font dialog
    // opens or closes.
    void fontsPanelAction(bool alternate);
    // The system font at 13 pt, and the theme's text colour.
    void resetToDefaultFont();
    void fontFamilyAction();
    void fontSizeAction();
    void protectAppAction(bool wanted);
    // The result of an update check for the Updates pane.
    void versionCheckDidRun(const QVariantMap& result);
    // Rich text of the Updates pane: the feed's words escaped, "download page" a link.
    QString updateDetails() const { return m_updateDetails; }

    QLabel* fontPreview() const { return m_preview; }
    QComboBox* fontFamilyPopup() const { return m_familyPopup; }
    QSlider* fontSizeSlider() const { return m_sizeSlider; }
    QLabel* fontSizeLabel() const { return m_sizeLabel; }
    QComboBox* unitsPopup() const { return m_unitsPopup; }
    QComboBox* formatsPopup() const { return m_formatsPopup; }
    EncodingsComboBox* exportEncodingPopup() const { return m_encodingPopup; }
    QCheckBox* protectAppCheckbox() const { return m_protectCheckbox; }
    QLabel* updateDetailsLabel() const { return m_updateDetailsLabel; }
    QLabel* lastCheckLabel() const { return m_lastCheckLabel; }
    QFontDialog* fontDialog() const;

signals:
    // The window is closing (its close button, Ctrl+W); the owner may let the controller go.
    void controllerWillCloseWindow(BXPreferencesWindowController* controller);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void windowDidLoad();
    QWidget* makeGeneralPane();
    QWidget* makeUpdatesPane();
    void updateFontPreview(const QFont& font);
    void resetFont();
    void resetDefaultFontColor();
    void updateFontDialogConnection();
    void showLastCheck();
    void fitUpdatesPane();
    std::optional<QFont> storedFont() const;

    platform::UserDefaults& m_defaults;
    std::function<void()> m_checkNow;
    std::unique_ptr<QWidget> m_window;
    QToolBar* m_toolbar = nullptr;
    QWidget* m_contentBox = nullptr;
    QMap<QString, QWidget*> m_panes;
    QMap<QString, QAction*> m_paneActions;
    QString m_selectedPane;
    QLabel* m_preview = nullptr;
    QComboBox* m_familyPopup = nullptr;
    QSlider* m_sizeSlider = nullptr;
    QLabel* m_sizeLabel = nullptr;
    QPushButton* m_fontsButton = nullptr;
    QComboBox* m_unitsPopup = nullptr;
    QComboBox* m_formatsPopup = nullptr;
    EncodingsComboBox* m_encodingPopup = nullptr;
    QCheckBox* m_protectCheckbox = nullptr;
    QLabel* m_updateDetailsLabel = nullptr;
    QLayout* m_updateTexts = nullptr;
    QLabel* m_lastCheckLabel = nullptr;
    QCheckBox* m_autoCheckBox = nullptr;
    QPointer<QFontDialog> m_fontDialog;
    QMetaObject::Connection m_fontDialogConnection;
    QString m_updateDetails;
};
