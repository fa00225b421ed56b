#include "mainwindow/image/BXImageViewController.h"

#include "mainwindow/image/BXImageAdjustPanel.h"
#include "mainwindow/image/BXImageViewControllerDelegate.h"
#include "platform/appkit/PopupWidget.h"
#include "platform/appkit/UserInput.h"
#include "platform/foundation/Localized.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using platform::ImageEditView;
using platform::localized;

namespace {

// The margin around the picture's square; the popover's width is that square plus two of them.
constexpr int kMargin = 12;
// The square's side follows the picture as it shows at opening, within these bounds.
constexpr int kSmallestSide = 240;
constexpr int kLargestSide = 480;
constexpr int kSmallestPercent = 5;
constexpr int kLargestPercent = 800;

// 72 pixels per inch: the editor's pixels and the note's points are the same unit.
constexpr int kDotsPerMeter72 = 2835;

} // namespace

BXImageViewController::BXImageViewController(QWidget* parent)
    : QWidget(parent),
      m_imageView(new ImageEditView(this)),
      m_sizeSlider(new QSlider(Qt::Horizontal, this)),
      m_okButton(new QPushButton(localized(QStringLiteral("OK")), this)),
      m_undoCommands([this] { return &m_undoManager; })
{
    setFocusPolicy(Qt::StrongFocus);
    m_undoManager.setGroupsByEvent(false);
    m_imageView->setFocusPolicy(Qt::NoFocus);
    m_imageView->setToolMode(ImageEditView::ToolMode::Select);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    layout->setSpacing(kMargin);
    layout->addWidget(m_imageView, 1);

    auto* tools = new QHBoxLayout;
    const struct {
        int tag;
        const char* text;
        const char* toolTip;
    } toolButtons[] = {
        { RotateLeft, "\u21BA", "Rotate Left" },
        { RotateRight, "\u21BB", "Rotate Right" },
        { FlipHorizontal, "\u21C6", "Flip Horizontal" },
        { FlipVertical, "\u21C5", "Flip Vertical" },
    };
    for (const auto& tool : toolButtons) {
        QAbstractButton* button
            = addToolButton(QString::fromUtf8(tool.text), localized(QLatin1String(tool.toolTip)));
        button->setProperty("tag", tool.tag);
        connect(
            button, &QPushButton::clicked, this, [this, tag = tool.tag] { actionClicked(tag); });
        tools->addWidget(button);
    }
    QAbstractButton* crop = addToolButton(localized(QStringLiteral("Crop")), {});
    connect(crop, &QAbstractButton::clicked, this, &BXImageViewController::cropAction);
    tools->addWidget(crop);
    QAbstractButton* adjust = addToolButton(localized(QStringLiteral("Adjust…")), {});
    connect(adjust, &QAbstractButton::clicked, this, &BXImageViewController::showAdjustPanel);
    tools->addWidget(adjust);
    tools->addStretch();
    layout->addLayout(tools);

    auto* bottom = new QHBoxLayout;
    m_sizeSlider->setRange(kSmallestPercent, kLargestPercent);
    m_sizeSlider->setFocusPolicy(Qt::NoFocus);
    m_sizeSlider->setToolTip(localized(QStringLiteral("Size")));
    connect(m_sizeSlider, &QSlider::valueChanged, this, &BXImageViewController::sizeSliderAction);
    connect(m_imageView, &ImageEditView::zoomFactorChanged, this, [this](double factor) {
        const QSignalBlocker blocker(m_sizeSlider);
        m_sizeSlider->setValue(int(std::lround(factor * 100)));
    });
    bottom->addWidget(m_sizeSlider, 1);
    auto* cancel = new QPushButton(localized(QStringLiteral("Cancel")), this);
    cancel->setFocusPolicy(Qt::NoFocus);
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &BXImageViewController::cancelEdit);
    bottom->addWidget(cancel);
    m_okButton->setFocusPolicy(Qt::NoFocus);
    m_okButton->setDefault(true);
    connect(m_okButton, &QPushButton::clicked, this, &BXImageViewController::okAction);
    bottom->addWidget(m_okButton);
    layout->addLayout(bottom);
}

BXImageViewController::~BXImageViewController()
{
    m_delegate = nullptr;
    delete m_adjustPanel;
}

QAbstractButton* BXImageViewController::addToolButton(const QString& text, const QString& toolTip)
{
    auto* button = new QToolButton(this);
    button->setText(text);
    // The controller keeps the keyboard, so Return and Space always mean OK.
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(toolTip);
    return button;
}

void BXImageViewController::editImage(const QImage& image, const QSizeF& pointSize, QWidget* view,
    const QRect& rect, const QVariantMap& contextInfo)
{
    m_contextInfo = contextInfo;
    QImage bitmap = image.convertToFormat(QImage::Format_ARGB32);
    bitmap.setDotsPerMeterX(kDotsPerMeter72);
    bitmap.setDotsPerMeterY(kDotsPerMeter72);
    m_imageView->setState({ bitmap, 0, false, false });
    m_adjustBase = bitmap;
    m_zoomFactor = 0.5;
    if (pointSize.width() > 0 && bitmap.width() > 0)
        m_zoomFactor = pointSize.width() / bitmap.width();
    m_zoomFactor = std::clamp(m_zoomFactor, kSmallestPercent / 100.0, kLargestPercent / 100.0);

    const QSizeF shown = m_imageView->imageSize() * m_zoomFactor;
    const int side = std::clamp(
        int(std::ceil(std::max(shown.width(), shown.height()))), kSmallestSide, kLargestSide);
    m_imageView->setFixedSize(side, side);

    if (!m_popover) {
        m_popover = new platform::PopupWidget(
            view ? view->window() : nullptr, platform::PopupWidget::Behavior::SemiTransient);
        auto* popoverLayout = new QVBoxLayout(m_popover);
        popoverLayout->setContentsMargins(0, 0, 0, 0);
        popoverLayout->addWidget(this);
        connect(m_popover, &platform::PopupWidget::closed, this,
            &BXImageViewController::popoverDidClose);
    }
    m_popover->showRelativeTo(rect, view, platform::PopupWidget::Edge::Right);
    setFocus(Qt::PopupFocusReason);
    m_imageView->setImageZoomFactor(m_zoomFactor, QPointF(bitmap.width(), bitmap.height()) / 2);
    const QSignalBlocker blocker(m_sizeSlider);
    m_sizeSlider->setValue(int(std::lround(m_imageView->zoomFactor() * 100)));
    m_zoomFactor = m_imageView->zoomFactor();
}

bool BXImageViewController::popoverVisible() const
{
    return m_popover && m_popover->isVisible();
}

void BXImageViewController::cancelEdit()
{
    m_cancel = true;
    if (m_popover)
        m_popover->close();
}

void BXImageViewController::okAction()
{
    if (m_popover)
        m_popover->close();
}

void BXImageViewController::actionClicked(int tag)
{
    const State before = m_imageView->state();
    State after = before;
    switch (tag) {
    case RotateLeft:
        after.degrees = (before.degrees == 0 ? 360 : before.degrees) - 90;
        break;
    case RotateRight:
        after.degrees = (before.degrees + 90) % 360;
        break;
    case FlipHorizontal:
        after.flippedHorizontal = !before.flippedHorizontal;
        break;
    case FlipVertical:
        after.flippedVertical = !before.flippedVertical;
        break;
    default:
        return;
    }
    static const char* const names[]
        = { "Rotate Left", "Rotate Right", "Flip Horizontal", "Flip Vertical" };
    applyStep(before, after, localized(QLatin1String(names[tag - 1])));
}

void BXImageViewController::cropAction()
{
    const QRect selection = m_imageView->selection();
    if (selection.isEmpty()) {
        platform::UserInput::current().beep();
        return;
    }
    const State before = m_imageView->state();
    State after = before;
    after.image = before.image.copy(selection);
    applyStep(before, after, localized(QStringLiteral("Crop")));
}

void BXImageViewController::sizeSliderAction(int percent)
{
    const QSizeF size = m_imageView->imageSize();
    m_imageView->setImageZoomFactor(percent / 100.0, QPointF(size.width(), size.height()) / 2);
}

void BXImageViewController::showAdjustPanel()
{
    if (!m_adjustPanel) {
        m_adjustPanel = new BXImageAdjustPanel(window());
        connect(m_adjustPanel, &BXImageAdjustPanel::adjustmentChanged, this,
            &BXImageViewController::adjustmentChanged);
    }
    m_adjustBase = m_imageView->image();
    m_adjustPanel->clearValues();
    m_adjustPanel->show();
    m_adjustPanel->raise();
    m_editPanelWasOpened = true;
}

void BXImageViewController::adjustmentChanged(int brightness, int contrast, int saturation)
{
    const State before = m_imageView->state();
    State after = before;
    after.image = BXImageAdjustPanel::adjusted(m_adjustBase, brightness, contrast, saturation);
    applyStep(before, after, localized(QStringLiteral("Adjust")));
}

void BXImageViewController::applyStep(const State& before, const State& after, const QString& name)
{
    if (after == before)
        return;
    m_imageView->setState(after);
    registerStep(before, after, name);
}

void BXImageViewController::registerStep(
    const State& before, const State& after, const QString& name)
{
    // The step back records the step forward again, so redo lands on the exact state too.
    const bool replaying = m_undoManager.isUndoing() || m_undoManager.isRedoing();
    if (!replaying)
        m_undoManager.beginUndoGrouping();
    m_undoManager.registerUndo(this, [this, before, after, name] {
        showState(before);
        registerStep(after, before, name);
    });
    m_undoManager.setActionName(name);
    if (!replaying)
        m_undoManager.endUndoGrouping();
}

void BXImageViewController::showState(const State& state)
{
    m_imageView->setState(state);
    // The adjust window's values no longer describe the picture: they start again from it.
    m_adjustBase = state.image;
    if (m_adjustPanel)
        m_adjustPanel->clearValues();
}

void BXImageViewController::popoverDidClose()
{
    if (m_adjustPanel)
        m_adjustPanel->close();
    const bool changed = m_editPanelWasOpened || m_undoManager.canUndo()
        || m_zoomFactor != m_imageView->zoomFactor();
    if (!m_cancel && changed)
        applyChanges();
    QPointer<BXImageViewController> self(this);
    if (m_delegate)
        m_delegate->imageViewControllerDidClose(this);
    if (self && m_popover)
        m_popover->deleteLater();
}

void BXImageViewController::applyChanges()
{
    const State& state = m_imageView->state();
    if (state.image.isNull())
        return;
    const bool redraw = state.degrees != 0 || state.flippedHorizontal || state.flippedVertical;
    const QImage bitmap = redraw ? ImageEditView::render(state) : state.image;
    const QSizeF pointSize
        = m_imageView->convertImageRectToViewRect(QRectF(QPointF(0, 0), bitmap.size())).size();
    if (m_delegate)
        m_delegate->imageViewControllerEditedImage(this, bitmap, pointSize, m_contextInfo);
}

void BXImageViewController::keyPressEvent(QKeyEvent* event)
{
    const bool keypadEnter
        = event->key() == Qt::Key_Enter && event->modifiers().testFlag(Qt::KeypadModifier);
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Space || keypadEnter) {
        m_okButton->click();
        return;
    }
    if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)) {
        platform::Command command;
        command.action = event->matches(QKeySequence::Undo) ? platform::UndoCommands::UndoAction
                                                            : platform::UndoCommands::RedoAction;
        perform(command);
        return;
    }
    QWidget::keyPressEvent(event);
}

bool BXImageViewController::respondsTo(const QString& action) const
{
    return m_undoCommands.respondsTo(action);
}

std::optional<bool> BXImageViewController::validate(platform::Command& command) const
{
    return m_undoCommands.validate(command);
}

void BXImageViewController::perform(const platform::Command& command)
{
    m_undoCommands.perform(command);
}

std::optional<QString> BXImageViewController::titleFor(const platform::Command& command) const
{
    return m_undoCommands.titleFor(command);
}
