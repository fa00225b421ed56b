#pragma once

#include <QFont>
#include <QObject>
#include <QPointer>

class QFontDialog;

namespace platform {

// The application's one font panel: a non-modal font dialog whose choice applies while it
// changes. Each change the user makes is emitted as fontChanged() and sent along the responder
// chain as "changeFont:" with the font as represented object, so the text view that is first
// responder in the main window takes it. Main thread only.
class FontPanel final : public QObject {
    Q_OBJECT

public:
    static inline const QString kChangeFontAction = QStringLiteral("changeFont:");

    static FontPanel& shared();
    ~FontPanel() override;

    // Shows the panel (made on first use) without taking the focus away for good.
    void orderFront();
    void close();
    bool isVisible() const;

    QFont panelFont() const;
    // Shows `font` in the panel without applying it anywhere.
    void setPanelFont(const QFont& font);

    QFontDialog* dialog();

signals:
    void fontChanged(const QFont& font);

private:
    FontPanel() = default;

    QPointer<QFontDialog> m_dialog;
    QFont m_font;
    bool m_settingFont = false;
};

} // namespace platform
