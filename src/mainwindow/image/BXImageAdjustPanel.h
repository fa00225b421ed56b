#pragma once

#include <QImage>
#include <QWidget>

class QSlider;

// The small non-modal window in which brightness, contrast and saturation of the picture in
// an image editor are changed, each from -100 to 100 around 0 (unchanged); Reset puts all
// three back. Owned by its editor; main thread; emits adjustmentChanged() for each change the
// user makes.
class BXImageAdjustPanel : public QWidget {
    Q_OBJECT

public:
    explicit BXImageAdjustPanel(QWidget* parent = nullptr);

    int brightness() const;
    int contrast() const;
    int saturation() const;
    // Sets the three values as the user would, one adjustmentChanged() for the lot.
    void setValues(int brightness, int contrast, int saturation);
    // Puts the sliders back at 0 without a signal: the picture they adjust changed elsewhere.
    void clearValues();
    void reset();

    // `image` with the three adjustments applied; all 0 gives it back unchanged.
    static QImage adjusted(const QImage& image, int brightness, int contrast, int saturation);

signals:
    void adjustmentChanged(int brightness, int contrast, int saturation);

private:
    QSlider* addSlider(const QString& title, class QFormLayout* layout);
    void emitChange();

    QSlider* m_brightness;
    QSlider* m_contrast;
    QSlider* m_saturation;
    bool m_settingValues = false;
};
