#pragma once

#include "mainwindow/image/BXImageAdjustPanel.h"
#include "platform/appkit/ImageEditView.h"
#include "platform/appkit/PopupWidget.h"
#include "platform/controllers/UndoCommands.h"
#include "platform/foundation/UndoManager.h"

#include <QPointer>
#include <QVariantMap>
#include <QWidget>

class BXImageViewControllerDelegate;
class QAbstractButton;
class QPushButton;
class QSlider;

// Edits one picture of a note in place, in a semi-transient popover on the picture's right:
// quarter turns, flips, crop, the shown size (a slider kept in step with the zoom) and an
// "Adjust…" window, every step undoable in the editor's own undo manager with the exact state
// before and after it. When the popover closes, unless cancelled or unchanged, the delegate
// gets the picture drawn as it shows and its size in points, then hears of the close. It
// knows nothing of notes: the context given at opening comes back unchanged. Deletes itself
// with its popover after the close; main thread.
class BXImageViewController : public QWidget, public platform::Responder {
    Q_OBJECT

public:
    enum Tool { RotateLeft = 1, RotateRight = 2, FlipHorizontal = 3, FlipVertical = 4 };

    explicit BXImageViewController(QWidget* parent = nullptr);
    ~BXImageViewController() override;

    BXImageViewControllerDelegate* delegate() const { return m_delegate; }
    void setDelegate(BXImageViewControllerDelegate* delegate) { m_delegate = delegate; }

    // Shows `image` (its size in the note `pointSize`) beside `rect` of `view`.
    void editImage(const QImage& image, const QSizeF& pointSize, QWidget* view, const QRect& rect,
        const QVariantMap& contextInfo);
    bool popoverVisible() const;
    platform::PopupWidget* popover() const { return m_popover; }
    void cancelEdit();

    platform::ImageEditView* imageView() const { return m_imageView; }
    QSlider* sizeSlider() const { return m_sizeSlider; }
    QPushButton* okButton() const { return m_okButton; }
    BXImageAdjustPanel* adjustPanel() const { return m_adjustPanel; }
    platform::UndoManager* undoManager() { return &m_undoManager; }

    int degrees() const { return m_imageView->state().degrees; }
    bool flippedHorizontal() const { return m_imageView->state().flippedHorizontal; }
    bool flippedVertical() const { return m_imageView->state().flippedVertical; }
    bool isCancelled() const { return m_cancel; }
    bool editPanelWasOpened() const { return m_editPanelWasOpened; }

    // The tool buttons' action, by tag; other tags change nothing.
    void actionClicked(int tag);
    void cropAction();
    void sizeSliderAction(int percent);
    void okAction();
    void showAdjustPanel();

    bool respondsTo(const QString& action) const override;
    std::optional<bool> validate(platform::Command& command) const override;
    void perform(const platform::Command& command) override;
    std::optional<QString> titleFor(const platform::Command& command) const override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    using State = platform::ImageEditView::State;

    // Shows `after` and records the step from `before` under `name`.
    void applyStep(const State& before, const State& after, const QString& name);
    void registerStep(const State& before, const State& after, const QString& name);
    void showState(const State& state);
    void adjustmentChanged(int brightness, int contrast, int saturation);
    void popoverDidClose();
    void applyChanges();
    QAbstractButton* addToolButton(const QString& text, const QString& toolTip);

    BXImageViewControllerDelegate* m_delegate = nullptr;
    QVariantMap m_contextInfo;
    QPointer<platform::PopupWidget> m_popover;
    platform::ImageEditView* m_imageView;
    QSlider* m_sizeSlider;
    QPushButton* m_okButton;
    QPointer<BXImageAdjustPanel> m_adjustPanel;
    // The picture the adjust window's values apply to.
    QImage m_adjustBase;
    platform::UndoManager m_undoManager;
    platform::UndoCommands m_undoCommands;
    double m_zoomFactor = 0.5;
    bool m_cancel = false;
    bool m_editPanelWasOpened = false;
};
