#include "MessageBoxAlertPresenter.h"

#include "FilePanelDialog.h"
#include "Sheet.h"

#include "platform/foundation/Localized.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

namespace platform {

namespace {

QMessageBox::Icon iconFor(AlertStyle style)
{
    switch (style) {
    case AlertStyle::Informational:
        return QMessageBox::Information;
    case AlertStyle::Critical:
        return QMessageBox::Critical;
    case AlertStyle::Warning:
        break;
    }
    return QMessageBox::Warning;
}

// Keeps the space bar off an alert's buttons. An alert may come up under the user's typing
// (an edit of a locked file raises one), and the next word's space would press the focused
// button unseen; Return and Escape still answer, as they do on purpose.
class SpaceBarFilter final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
            return false;
        return static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space;
    }
};

QMessageBox* makeBox(const Alert& alert, QWidget* parent)
{
    auto* box = new QMessageBox(parent);
    auto* spaceBar = new SpaceBarFilter(box);
    box->setIcon(iconFor(alert.style));
    box->setText(alert.messageText);
    box->setInformativeText(alert.informativeText);
    box->setDetailedText(alert.detailedText);
    const QStringList titles = alert.buttonTitles.isEmpty()
        ? QStringList { localized(QStringLiteral("OK")) }
        : alert.buttonTitles;
    for (int i = 0; i < titles.size(); ++i) {
        const QMessageBox::ButtonRole role = i == alert.cancelButton ? QMessageBox::RejectRole
            : i == 0                                                 ? QMessageBox::AcceptRole
                                                                     : QMessageBox::ActionRole;
        QPushButton* button = box->addButton(titles.at(i), role);
        button->setProperty("alertButtonIndex", i);
        button->installEventFilter(spaceBar);
        if (i == 0)
            box->setDefaultButton(button);
        if (i == alert.cancelButton)
            box->setEscapeButton(button);
    }
    if (!alert.suppressionTitle.isEmpty())
        box->setCheckBox(new QCheckBox(alert.suppressionTitle, box));
    return box;
}

// A box closed without a button press (its window went away) answers with the button that
// Escape would press, else with the last one, which by convention is the safest.
AlertResponse responseOf(const Alert& alert, QMessageBox* box)
{
    AlertResponse response;
    const int buttonCount = std::max<int>(1, alert.buttonTitles.size());
    response.button = alert.cancelButton >= 0 ? alert.cancelButton : buttonCount - 1;
    if (QAbstractButton* clicked = box->clickedButton()) {
        const QVariant index = clicked->property("alertButtonIndex");
        if (index.isValid())
            response.button = index.toInt();
    }
    response.suppressed = box->checkBox() && box->checkBox()->isChecked();
    return response;
}

} // namespace

void MessageBoxAlertPresenter::beginSheet(
    const Alert& alert, QWidget* window, Completion completion)
{
    QMessageBox* box = makeBox(alert, window ? window->window() : nullptr);
    Sheet::begin(window, box, [alert, box, completion = std::move(completion)](int) {
        if (completion)
            completion(responseOf(alert, box));
    });
}

AlertResponse MessageBoxAlertPresenter::runModal(const Alert& alert)
{
    std::unique_ptr<QMessageBox> box(makeBox(alert, nullptr));
    box->setWindowModality(Qt::ApplicationModal);
    box->exec();
    return responseOf(alert, box.get());
}

void MessageBoxAlertPresenter::beginPanelSheet(
    const FilePanel& panel, QWidget* window, PanelCompletion completion)
{
    auto* dialog = new FilePanelDialog(panel, window ? window->window() : nullptr);
    Sheet::begin(window, dialog, [dialog, completion = std::move(completion)](int result) {
        const FilePanelResponse response = dialog->takeResponse(result);
        if (completion)
            completion(response);
    });
}

FilePanelResponse MessageBoxAlertPresenter::runPanelModal(const FilePanel& panel)
{
    FilePanelDialog dialog(panel, nullptr);
    dialog.setWindowModality(Qt::ApplicationModal);
    return dialog.takeResponse(dialog.exec());
}

} // namespace platform
