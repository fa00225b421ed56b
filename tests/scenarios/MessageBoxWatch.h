#pragma once

#include <QStringList>
#include <QTimer>

namespace scenario {

// While it lives, answers every message box that comes up of itself (a note kept twice, a
// file open elsewhere) with its default button, as a user who reads and closes it does, and
// keeps what each said. Main thread.
class MessageBoxWatch final {
public:
    MessageBoxWatch();

    // The texts of the boxes answered since the last call, in order.
    QStringList takeTexts();

private:
    QTimer m_poll;
    QStringList m_texts;
};

} // namespace scenario
