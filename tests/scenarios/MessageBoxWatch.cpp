#include "MessageBoxWatch.h"

#include "ScenarioApp.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace scenario {

MessageBoxWatch::MessageBoxWatch()
{
    QObject::connect(&m_poll, &QTimer::timeout, [this] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            const QPointer<QMessageBox> box = qobject_cast<QMessageBox*>(window);
            if (!box || !box->isVisible() || box->buttons().isEmpty())
                continue;
            // Answered once: a box still closing is not read twice.
            if (box->property("scenario.answered").toBool())
                continue;
            box->setProperty("scenario.answered", true);
            m_texts << box->text();
            QAbstractButton* button = box->defaultButton();
            if (!button)
                button = box->buttons().first();
            ScenarioApp::click(button);
        }
    });
    m_poll.start(50);
}

QStringList MessageBoxWatch::takeTexts()
{
    return std::exchange(m_texts, {});
}

} // namespace scenario
