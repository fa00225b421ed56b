#include "MessageBoxAlertPresenter.h"

#include "Sheet.h"

#include "platform/foundation/Localized.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
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

QMessageBox* makeBox(const Alert& alert, QWidget* parent)
{
    auto* box = new QMessageBox(parent);
    box->setIcon(iconFor(alert.style));
    box->setText(alert.messageText);
    box->setInformativeText(alert.informativeText);
    const QStringList titles = alert.buttonTitles.isEmpty()
        ? QStringList { localized(QStringLiteral("OK")) }
        : alert.buttonTitles;
    for (int i = 0; i < titles.size(); ++i) {
        const QMessageBox::ButtonRole role = i == alert.cancelButton ? QMessageBox::RejectRole
            : i == 0                                                 ? QMessageBox::AcceptRole
                                                                     : QMessageBox::ActionRole;
        QPushButton* button = box->addButton(titles.at(i), role);
        button->setProperty("alertButtonIndex", i);
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

// Qt's own dialog rather than the desktop's, since only it can hold an accessory view.
QFileDialog* makeFileDialog(const FilePanel& panel, QWidget* parent)
{
    auto* dialog = new QFileDialog(parent, panel.title, panel.directory);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    const bool save = panel.mode == FilePanel::Mode::Save;
    dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (save)
        dialog->setFileMode(QFileDialog::AnyFile);
    else if (panel.canChooseDirectories && !panel.canChooseFiles)
        dialog->setFileMode(QFileDialog::Directory);
    else
        dialog->setFileMode(
            panel.allowsMultipleSelection ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    if (!panel.prompt.isEmpty())
        dialog->setLabelText(QFileDialog::Accept, panel.prompt);
    if (!panel.allowedFileTypes.isEmpty()) {
        QStringList patterns;
        for (const QString& type : panel.allowedFileTypes)
            patterns << QStringLiteral("*.") + type;
        dialog->setNameFilter(patterns.join(QLatin1Char(' ')));
        if (save)
            dialog->setDefaultSuffix(panel.allowedFileTypes.first());
    }
    if (save && !panel.nameFieldStringValue.isEmpty())
        dialog->selectFile(panel.nameFieldStringValue);
    auto* grid = qobject_cast<QGridLayout*>(dialog->layout());
    if (!panel.message.isEmpty() && grid) {
        auto* label = new QLabel(panel.message, dialog);
        label->setWordWrap(true);
        grid->addWidget(label, grid->rowCount(), 0, 1, grid->columnCount());
    }
    if (panel.accessoryView && grid)
        grid->addWidget(panel.accessoryView, grid->rowCount(), 0, 1, grid->columnCount());
    return dialog;
}

// Also hands the accessory back before the dialog, its parent for the while, goes.
FilePanelResponse panelResponse(const FilePanel& panel, QFileDialog* dialog, int result)
{
    if (panel.accessoryView && panel.accessoryView->parent() == dialog) {
        panel.accessoryView->hide();
        panel.accessoryView->setParent(nullptr);
    }
    FilePanelResponse response;
    response.accepted = result == QDialog::Accepted;
    if (response.accepted)
        response.urls = dialog->selectedUrls();
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
    QFileDialog* dialog = makeFileDialog(panel, window ? window->window() : nullptr);
    Sheet::begin(window, dialog, [panel, dialog, completion = std::move(completion)](int result) {
        const FilePanelResponse response = panelResponse(panel, dialog, result);
        if (completion)
            completion(response);
    });
}

FilePanelResponse MessageBoxAlertPresenter::runPanelModal(const FilePanel& panel)
{
    std::unique_ptr<QFileDialog> dialog(makeFileDialog(panel, nullptr));
    dialog->setWindowModality(Qt::ApplicationModal);
    const int result = dialog->exec();
    return panelResponse(panel, dialog.get(), result);
}

} // namespace platform
