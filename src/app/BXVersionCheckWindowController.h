#pragma once

#include <QObject>
#include <QVariantMap>

#include <memory>

class QLabel;
class QPushButton;
class QWidget;

namespace platform {
class UserDefaults;
}

// The window that offers a newer version: its title and text from the feed, the version
// numbers, and buttons to download it, skip it, be reminded later, or switch automatic
// checking. Feed texts are shown as plain text. Main thread.
class BXVersionCheckWindowController final : public QObject {
    Q_OBJECT

public:
    class Delegate {
    public:
        virtual ~Delegate() = default;
        virtual const QVariantMap& versionDictionary() const = 0;
        virtual void downloadUpdate() = 0;
        virtual QString lastVersion() const = 0;
        virtual void controllerWillCloseWindow(BXVersionCheckWindowController* controller) = 0;
    };

    BXVersionCheckWindowController(Delegate& delegate, platform::UserDefaults& defaults);
    ~BXVersionCheckWindowController() override;

    // Builds the window on first use, then shows it and brings it forward.
    void showWindow();
    QWidget* window() const { return m_window.get(); }

    void toggleVersionCheck();
    void skipThisVersionAction();
    void laterAction();
    void downloadAction();

    QLabel* titleLabel() const { return m_titleLabel; }
    QLabel* detailsLabel() const { return m_detailsLabel; }
    QLabel* messageTextField() const { return m_messageTextField; }
    QLabel* updatesIconImageView() const { return m_iconView; }
    QPushButton* checkButton() const { return m_checkButton; }
    QPushButton* okButton() const { return m_okButton; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void windowDidLoad();
    void updateCheckButton(bool autoCheck);
    void closeWindow();

    Delegate& m_delegate;
    platform::UserDefaults& m_defaults;
    std::unique_ptr<QWidget> m_window;
    QLabel* m_titleLabel = nullptr;
    QLabel* m_detailsLabel = nullptr;
    QLabel* m_messageTextField = nullptr;
    QLabel* m_iconView = nullptr;
    QPushButton* m_checkButton = nullptr;
    QPushButton* m_okButton = nullptr;
};
