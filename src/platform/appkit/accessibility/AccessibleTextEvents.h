#pragma once

#include <QAccessible>
#include <QString>

#include <functional>
#include <optional>

namespace platform {

// Tells assistive technology how a widget's text, caret and selection changed, as Qt's own
// text edits do: insert, remove and update events for the text, cursor and selection events
// for the caret. It keeps a copy of the text only while assistive technology listens (the
// removed text must be told, and is gone once the widget reports a change), so it costs
// nothing otherwise. The copy is taken as soon as assistive technology starts listening, so the
// first change is told whole. Owned by the widget it speaks for; main thread only.
class AccessibleTextEvents final : private QAccessible::ActivationObserver {
public:
    // `text` answers the widget's whole accessible text; it is first asked once the owner is
    // built.
    AccessibleTextEvents(QObject* target, std::function<QString()> text);
    ~AccessibleTextEvents() override;
    AccessibleTextEvents(const AccessibleTextEvents&) = delete;
    AccessibleTextEvents& operator=(const AccessibleTextEvents&) = delete;

    // Where events go: Qt's accessibility, which passes them on only while a reader listens
    // on a real display; tests read them instead. Answers the sink it replaced.
    using Sink = void (*)(QAccessibleEvent* event);
    static Sink setSink(Sink sink);

    // False, forgetting the copy, while nothing listens.
    bool isListening();
    // `removed` units at `from` were replaced by `inserted`, leaving `length` units in all.
    void textReplaced(int from, int removed, const QString& inserted, qsizetype length);
    // The text may have changed anywhere.
    void textChanged();
    void caretMoved(int caret, int selectionStart, int selectionEnd);

private:
    void accessibilityActiveChanged(bool active) override;
    void send(int from, const QString& removed, const QString& inserted);

    QObject* m_target;
    std::function<QString()> m_text;
    // Follows Qt's word on assistive technology from the start, then its activation reports.
    bool m_active = QAccessible::isActive();
    std::optional<QString> m_known;
    int m_caret = -1;
    int m_selectionStart = -1;
    int m_selectionEnd = -1;
};

} // namespace platform
