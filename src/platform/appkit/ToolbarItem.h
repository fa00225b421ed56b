#pragma once

#include <QPointer>
#include <QString>
#include <QWidgetAction>

namespace platform {

class Toolbar;

// One item of a Toolbar: an action named by its identifier, with a label, a palette label, the
// command it sends (action name, tag and optional target, kept as CommandRouter properties),
// an optional view in place of the button, and a menu form: the menu item that stands for it
// in menus. Triggering it sends its command through the shared router. Owned by its toolbar.
class ToolbarItem : public QWidgetAction {
    Q_OBJECT

public:
    explicit ToolbarItem(const QString& itemIdentifier, QObject* parent = nullptr);
    ~ToolbarItem() override;

    QString itemIdentifier() const { return objectName(); }
    Toolbar* toolbar() const;

    QString label() const { return text(); }
    void setLabel(const QString& label) { setText(label); }
    QString paletteLabel() const { return m_paletteLabel; }
    void setPaletteLabel(const QString& label) { m_paletteLabel = label; }

    QString action() const;
    void setAction(const QString& action);
    int tag() const;
    void setTag(int tag);
    // Not owned; null sends along the responder chain.
    QObject* target() const;
    void setTarget(QObject* target);

    // The item's view, owned by the item; null for a plain button.
    QWidget* view() const { return defaultWidget(); }
    void setView(QWidget* view);
    // Bounds of the view's size; an invalid size leaves the view's own bound.
    QSize minSize() const { return m_minSize; }
    void setMinSize(const QSize& size);
    QSize maxSize() const { return m_maxSize; }
    void setMaxSize(const QSize& size);

    // In a toolbar's text-only display a view item drops its maximum size, so that its text
    // fits, and a segmented view shows its labels.
    void setTextOnly(bool textOnly);

    // Navigational items (sidebar, back and forward) keep to the toolbar's leading edge.
    bool isNavigational() const { return m_navigational; }
    void setNavigational(bool navigational) { m_navigational = navigational; }

    // Owned by the item; null until set.
    QAction* menuFormRepresentation() const { return m_menuForm; }
    void setMenuFormRepresentation(QAction* menuItem);

    // Brings the enabled state up to date. A button item asks its target whether the command
    // could be sent now, keeping its label; an item with a view is left alone unless a
    // subclass knows better.
    virtual void validate();

private:
    void applySizes();

    QString m_paletteLabel;
    QSize m_minSize;
    QSize m_maxSize;
    bool m_navigational = false;
    bool m_textOnly = false;
    QPointer<QAction> m_menuForm;
};

} // namespace platform
