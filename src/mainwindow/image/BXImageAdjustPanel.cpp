#include "mainwindow/image/BXImageAdjustPanel.h"

#include "platform/foundation/Localized.h"

#include <QFormLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

using platform::localized;

BXImageAdjustPanel::BXImageAdjustPanel(QWidget* parent) : QWidget(parent, Qt::Tool)
{
    setWindowTitle(localized(QStringLiteral("Adjust Image")));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);
    m_brightness = addSlider(localized(QStringLiteral("Brightness")), form);
    m_contrast = addSlider(localized(QStringLiteral("Contrast")), form);
    m_saturation = addSlider(localized(QStringLiteral("Saturation")), form);
    auto* resetButton = new QPushButton(localized(QStringLiteral("Reset")), this);
    layout->addWidget(resetButton, 0, Qt::AlignRight);
    connect(resetButton, &QPushButton::clicked, this, &BXImageAdjustPanel::reset);
}

QSlider* BXImageAdjustPanel::addSlider(const QString& title, QFormLayout* layout)
{
    auto* slider = new QSlider(Qt::Horizontal, this);
    slider->setRange(-100, 100);
    slider->setMinimumWidth(180);
    // Dragging would make a step of every pixel moved: the change counts when let go.
    slider->setTracking(false);
    connect(slider, &QSlider::valueChanged, this, &BXImageAdjustPanel::emitChange);
    layout->addRow(title, slider);
    return slider;
}

int BXImageAdjustPanel::brightness() const
{
    return m_brightness->value();
}
int BXImageAdjustPanel::contrast() const
{
    return m_contrast->value();
}
int BXImageAdjustPanel::saturation() const
{
    return m_saturation->value();
}

void BXImageAdjustPanel::setValues(int brightness, int contrast, int saturation)
{
    m_settingValues = true;
    m_brightness->setValue(brightness);
    m_contrast->setValue(contrast);
    m_saturation->setValue(saturation);
    m_settingValues = false;
    emitChange();
}

void BXImageAdjustPanel::clearValues()
{
    for (QSlider* slider : { m_brightness, m_contrast, m_saturation }) {
        const QSignalBlocker blocker(slider);
        slider->setValue(0);
    }
}

void BXImageAdjustPanel::reset()
{
    if (brightness() != 0 || contrast() != 0 || saturation() != 0)
        setValues(0, 0, 0);
}

void BXImageAdjustPanel::emitChange()
{
    if (!m_settingValues)
        emit adjustmentChanged(brightness(), contrast(), saturation());
}

QImage BXImageAdjustPanel::adjusted(
    const QImage& image, int brightness, int contrast, int saturation)
{
    if (image.isNull() || (brightness == 0 && contrast == 0 && saturation == 0))
        return image;
    // Brightness shifts, contrast stretches around the middle grey; one table for both.
    const double shift = brightness * 255.0 / 200.0;
    const double stretch = contrast >= 0 ? 1.0 + contrast / 50.0 : 1.0 + contrast / 100.0;
    std::array<double, 256> table {};
    for (int v = 0; v < 256; ++v)
        table[v] = (v - 127.5) * stretch + 127.5 + shift;
    const double saturate = 1.0 + saturation / 100.0;

    QImage result = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < result.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            const QRgb pixel = line[x];
            const double r = table[qRed(pixel)];
            const double g = table[qGreen(pixel)];
            const double b = table[qBlue(pixel)];
            const double grey = 0.299 * r + 0.587 * g + 0.114 * b;
            const auto channel = [&](double value) {
                return std::clamp(int(std::lround(grey + (value - grey) * saturate)), 0, 255);
            };
            line[x] = qRgba(channel(r), channel(g), channel(b), qAlpha(pixel));
        }
    }
    return result;
}
