#pragma once

#include "mainwindow/editor/BXTextColorPopover.h"

#include "platform/appkit/TextView.h"
#include "platform/controllers/Responder.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QVariantMap>

#include <functional>
#include <optional>

class BXInfoBarView;
class BXTextView;
class QAbstractButton;
class QLineEdit;
class QPushButton;
class QSpacerItem;
class QToolButton;

namespace platform {
class PopUpButton;
class SegmentedControl;
class Stepper;
} // namespace platform

// The strip of formatting controls over a note text view: font family, size field and
// stepper, text colour with its palette, Default Style, the Format button and the Light/Dark
// switch of the editor. Every change goes through the text view as a named user edit ("Set
// Font", "Set Color", "Default Style"), so it is mirrored, written back and undoable; without
// a selection the typing style changes instead. The controls read the selection back whenever
// it changes. The main window and note windows each own one, differing by their Options.
// Main thread only; emits formatButtonClicked() and appearanceChanged().
class BXWriterBar final : public QObject, public platform::Responder {
    Q_OBJECT

public:
    static constexpr double kMinimumFontSize = 6;
    static constexpr double kMaximumFontSize = 144;
    static constexpr double kControlFontSize = 11;
    static constexpr double kFamilyFontSize = 13;
    static constexpr int kSwatchSize = 18;
    static inline const QString kSetDefaultStyleAction = QStringLiteral("setDefaultStyle:");

    // What differs between the windows that show a bar.
    struct Options {
        int barHeight = 40;
        QString initialSizeText = QStringLiteral("10 pt");
        // Titles and tool tips through the strings table, or as written.
        bool localizedTexts = true;
        QString colorButtonToolTip = QStringLiteral("textColorButtonTooltip");
        // Family and size reach only a selection; without one they change nothing.
        bool fontToSelectionOnly = false;
        // The palette's black stands for the default text colour, which follows the
        // appearance, rather than for black itself.
        bool paletteBlackIsTextColor = true;
        // Default Style: the new attributes of each run of the selection (attachments are
        // left alone), and whether the typing style becomes the default style.
        std::function<QVariantMap(const QVariantMap&)> convertAttributes;
        bool defaultStyleSetsTypingAttributes = true;

        // The main window's bar: 40 high, every attribute of the selection reset by Default
        // Style.
        static Options mainWindow();
        // A note window's bar: 32 high, "13 pt", texts as written, font and size only on the
        // selection, black stays black, Default Style replacing font and colour only.
        static Options noteWindow();
    };

    // Builds the bar (view()) for `textView`; `parent` becomes the view's parent.
    BXWriterBar(BXTextView* textView, const Options& options, QWidget* parent = nullptr);
    ~BXWriterBar() override;

    const Options& options() const { return m_options; }
    BXInfoBarView* view() const { return m_view; }
    BXTextView* textView() const { return m_textView; }
    platform::PopUpButton* fontPopupButton() const { return m_fontPopupButton; }
    QLineEdit* fontSizeTextField() const { return m_fontSizeTextField; }
    platform::Stepper* fontSizeStepper() const { return m_fontSizeStepper; }
    QToolButton* textColorButton() const { return m_textColorButton; }
    BXTextColorPopover* textColorPopover() const { return m_textColorPopover; }
    QPushButton* defaultStyleButton() const { return m_defaultStyleButton; }
    QToolButton* formatButton() const { return m_formatButton; }
    platform::SegmentedControl* appearanceControl() const { return m_appearanceControl; }

    // Actions.
    void fontPopupAction(const QString& family);
    void fontSizeStepperAction();
    void fontSizeTextFieldAction();
    void textColorButtonClicked();
    void colorCellClicked(const QColor& color);
    void showColorPanel();
    void colorPanelChanged(const QColor& color);
    void setDefaultStyle();
    void appearanceControlChanged(int segment);

    // Workers. A colour of nullopt is the default text colour, which follows the appearance.
    void applyFontSize(double size);
    void applyTextColor(const std::optional<QColor>& color);
    std::optional<QColor> currentTextColor() const;
    void setEditorAppearanceLight();
    void setEditorAppearanceDark();

    // Refreshers; refresh() runs the three that follow the selection.
    void updateFontPopupSelection();
    void updateFontSizeControl();
    void updateTextColorControl();
    void updateAppearanceControl();
    void refresh();

    // The size field's rule: "pt" dropped and spaces trimmed; no number or below 6 gives 6,
    // above 144 gives 144.
    static double fontSizeFromText(const QString& text);
    // "%.0f pt".
    static QString fontSizeText(double size);
    // The colour button's image: a ringed dot of `color`, black for the default colour.
    static QImage swatchImage(const std::optional<QColor>& color);

    bool respondsTo(const QString& action) const override;
    std::optional<bool> validate(platform::Command& command) const override;
    void perform(const platform::Command& command) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // The Format button was pressed; the window shows its Format menu under it.
    void formatButtonClicked(QAbstractButton* button);
    // The editor's appearance was set.
    void appearanceChanged();

private:
    QString text(const QString& literal) const;
    void applyEditorAppearance(platform::TextView::Appearance appearance);
    // Below the width every control needs, Default Style shows its symbol alone; narrower
    // still, the font pop-up gives up width down to a few letters, and then controls are left
    // out, those at the end first, so that no control is ever drawn over another.
    void fitToWidth();
    // Sizes the gaps before the leading controls to the controls shown.
    void updateGaps();
    // The width the bar's layout needs with the controls as they are now.
    int neededWidth() const;
    void buildControls();
    void buildFontMenu();
    // The attributes of the selection's first character, or the typing style without a
    // selection.
    QVariantMap selectionOrTypingAttributes() const;
    // Sets `attributes` over a non-empty selection as one user edit, or merges them into the
    // typing style when there is no selection (unless `selectionOnly`).
    void applyCharacterAttributes(
        const QVariantMap& attributes, const QString& actionName, bool selectionOnly);

    BXTextView* m_textView;
    Options m_options;
    BXInfoBarView* m_view;
    platform::PopUpButton* m_fontPopupButton = nullptr;
    QLineEdit* m_fontSizeTextField = nullptr;
    platform::Stepper* m_fontSizeStepper = nullptr;
    QToolButton* m_textColorButton = nullptr;
    QPushButton* m_defaultStyleButton = nullptr;
    QToolButton* m_formatButton = nullptr;
    platform::SegmentedControl* m_appearanceControl = nullptr;
    QPointer<BXTextColorPopover> m_textColorPopover;
    std::optional<std::optional<QColor>> m_swatchColor;
    QString m_defaultStyleTitle;
    int m_fullWidth = 0;
    bool m_closingPopover = false;
    // The controls from the pop-up to the Format button, each with the gap before it.
    struct LeadingControl {
        QWidget* control;
        QSpacerItem* gap;
        int gapWidth;
    };
    QList<LeadingControl> m_leadingControls;
};
