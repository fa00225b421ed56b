#pragma once

#include "platform/documents/AlertPresenter.h"

#include <QFileDialog>

namespace platform {

// The dialog behind open and save panels: Qt's own file dialog (only it can hold an accessory
// view) taught what the panel asks beyond it: choosing files and folders at once, and package
// folders that are chosen as files and never entered. The panel's accessory is put below the
// file list. Main thread.
class FilePanelDialog final : public QFileDialog, public FilePanelHandle {
    Q_OBJECT

public:
    FilePanelDialog(const FilePanel& panel, QWidget* parent);

    bool isPackage(const QString& path) const;

    // Hands the accessory back unparented and answers what was chosen.
    FilePanelResponse takeResponse(int result);

    QStringList allowedFileTypes() const override { return m_panel.allowedFileTypes; }
    void setAllowedFileTypes(const QStringList& types) override;
    bool allowsOtherFileTypes() const override { return m_panel.allowsOtherFileTypes; }
    void setAllowsOtherFileTypes(bool allows) override;
    QString nameFieldStringValue() const override;
    void setNameFieldStringValue(const QString& name) override;

public slots:
    void accept() override;

private:
    void stepOutOfPackage(const QString& path);
    // The name filters and default suffix of the allowed types.
    void applyFileTypes();

    FilePanel m_panel;
};

} // namespace platform
