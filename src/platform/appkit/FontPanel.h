#pragma once

#include "SharedPanel.h"

#include <QFont>

class QFontDialog;

namespace platform {

// The application's one font panel: a non-modal font dialog whose choice applies while it
// changes. Each change the user makes is emitted as fontChanged() and sent along the responder
// chain as "changeFont:" with the font as represented object, so the text view that is first
// responder in the main window takes it.
class FontPanel final : public SharedPanel {
    Q_OBJECT

public:
    static inline const QString kChangeFontAction = QStringLiteral("changeFont:");

    static FontPanel& shared();

    QFont panelFont() const { return m_font; }
    // Shows `font` in the panel without applying it anywhere.
    void setPanelFont(const QFont& font);

    QFontDialog* dialog();

signals:
    void fontChanged(const QFont& font);

private:
    FontPanel();
    QDialog* makeDialog() override;

    QFont m_font;
};

} // namespace platform
