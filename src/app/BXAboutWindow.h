#pragma once

#include <QWidget>

#include <memory>

class QTextDocument;
class QTextBrowser;

// The About window: icon, name, version, the credits shipped with the application, the rights
// notice and three links to the web site. Ctrl+W and Escape close it at once. Main thread.
class BXAboutWindow final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 500;
    static constexpr int kHeight = 600;

    struct Info {
        QString version; // empty: "1.0"
        QString build; // empty: "1"
        QString copyright; // empty: a fixed notice
        QString creditsPath; // an RTF file or resource
    };

    explicit BXAboutWindow(const Info& info, QWidget* parent = nullptr);

    // The credits with every colour of the file replaced by the text colour of `palette`, so
    // they follow the light or dark theme; null when the file is missing or unreadable.
    static std::unique_ptr<QTextDocument> creditsDocument(
        const QString& path, const QPalette& palette);
    QTextBrowser* creditsView() const { return m_credits; }

    // Closes without asking anyone.
    void performClose();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTextBrowser* m_credits = nullptr;
};
