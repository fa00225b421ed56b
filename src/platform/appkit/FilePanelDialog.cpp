#include "FilePanelDialog.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QStandardPaths>
#include <QLineEdit>

namespace platform {

namespace {

// A save panel without a folder of its own starts in the user's documents folder.
QString startFolder(const FilePanel& panel)
{
    if (!panel.directory.isEmpty() || panel.mode != FilePanel::Mode::Save)
        return panel.directory;
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

} // namespace

FilePanelDialog::FilePanelDialog(const FilePanel& panel, QWidget* parent)
    : QFileDialog(parent, panel.title, startFolder(panel)), m_panel(panel)
{
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::ReadOnly, !panel.canCreateDirectories);
    const bool save = panel.mode == FilePanel::Mode::Save;
    setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (save)
        setFileMode(QFileDialog::AnyFile);
    else if (panel.canChooseDirectories && !panel.canChooseFiles)
        setFileMode(QFileDialog::Directory);
    else
        setFileMode(
            panel.allowsMultipleSelection ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    if (!panel.prompt.isEmpty())
        setLabelText(QFileDialog::Accept, panel.prompt);
    // Untitled, the dialog would name itself after its mode ("Find Directory"); the button
    // says what the panel is for.
    if (panel.title.isEmpty() && !panel.prompt.isEmpty())
        setWindowTitle(panel.prompt);
    applyFileTypes();
    if (save && !panel.nameFieldStringValue.isEmpty())
        selectFile(panel.nameFieldStringValue);
    auto* grid = qobject_cast<QGridLayout*>(layout());
    if (!panel.message.isEmpty() && grid) {
        auto* label = new QLabel(panel.message, this);
        label->setWordWrap(true);
        grid->addWidget(label, grid->rowCount(), 0, 1, grid->columnCount());
    }
    if (panel.accessoryView && grid)
        grid->addWidget(panel.accessoryView, grid->rowCount(), 0, 1, grid->columnCount());
    connect(this, &QFileDialog::directoryEntered, this, &FilePanelDialog::stepOutOfPackage);
    if (m_panel.handleChanged)
        m_panel.handleChanged(this);
}

void FilePanelDialog::applyFileTypes()
{
    QStringList filters;
    if (!m_panel.allowedFileTypes.isEmpty()) {
        QStringList patterns;
        for (const QString& type : std::as_const(m_panel.allowedFileTypes))
            patterns << QStringLiteral("*.") + type;
        filters << patterns.join(QLatin1Char(' '));
    }
    if (m_panel.allowsOtherFileTypes && !filters.isEmpty())
        filters << tr("All files (*)");
    if (filters.isEmpty())
        filters << tr("All files (*)");
    setNameFilters(filters);
    if (m_panel.mode == FilePanel::Mode::Save)
        setDefaultSuffix(m_panel.allowedFileTypes.value(0));
}

void FilePanelDialog::setAllowedFileTypes(const QStringList& types)
{
    // Changing the filters clears the typed name, which the user still wants.
    const QString name = nameFieldStringValue();
    m_panel.allowedFileTypes = types;
    applyFileTypes();
    setNameFieldStringValue(name);
}

void FilePanelDialog::setAllowsOtherFileTypes(bool allows)
{
    const QString name = nameFieldStringValue();
    m_panel.allowsOtherFileTypes = allows;
    applyFileTypes();
    setNameFieldStringValue(name);
}

QString FilePanelDialog::nameFieldStringValue() const
{
    if (const auto* field = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        return field->text();
    return m_panel.nameFieldStringValue;
}

void FilePanelDialog::setNameFieldStringValue(const QString& name)
{
    m_panel.nameFieldStringValue = name;
    if (auto* field = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        field->setText(name);
    else
        selectFile(name);
}

bool FilePanelDialog::isPackage(const QString& path) const
{
    const QFileInfo info(path);
    return info.isDir() && m_panel.packageExtensions.contains(info.suffix(), Qt::CaseInsensitive);
}

void FilePanelDialog::stepOutOfPackage(const QString& path)
{
    if (!isPackage(path))
        return;
    // Entering a package shows its parent with the package chosen instead.
    const QFileInfo package(path);
    setDirectory(package.absolutePath());
    selectFile(package.absoluteFilePath());
}

void FilePanelDialog::accept()
{
    if (m_panel.mode == FilePanel::Mode::Save) {
        QFileDialog::accept();
        return;
    }
    const QStringList chosen = selectedFiles();
    if (chosen.isEmpty())
        return;
    bool anyFolder = false;
    for (const QString& path : chosen) {
        const QFileInfo info(path);
        if (!info.exists())
            return;
        const bool asFile = !info.isDir() || isPackage(path);
        if (asFile ? !m_panel.canChooseFiles : !m_panel.canChooseDirectories)
            return;
        anyFolder = anyFolder || info.isDir();
    }
    // The base dialog would open a chosen folder instead of choosing it.
    if (anyFolder)
        QDialog::accept();
    else
        QFileDialog::accept();
}

FilePanelResponse FilePanelDialog::takeResponse(int result)
{
    if (m_panel.handleChanged)
        std::exchange(m_panel.handleChanged, {})(nullptr);
    if (m_panel.accessoryView && m_panel.accessoryView->parent() == this) {
        m_panel.accessoryView->hide();
        m_panel.accessoryView->setParent(nullptr);
    }
    FilePanelResponse response;
    response.accepted = result == QDialog::Accepted;
    if (response.accepted)
        response.urls = selectedUrls();
    return response;
}

} // namespace platform
