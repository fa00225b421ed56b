#pragma once

#include <QImage>
#include <QSizeF>
#include <QVariantMap>

class BXImageViewController;

// Who hears from an image editor: the edited picture with its size in points and the context
// given at opening, then the close. Both have empty defaults.
class BXImageViewControllerDelegate {
public:
    virtual ~BXImageViewControllerDelegate() = default;

    virtual void imageViewControllerEditedImage(BXImageViewController* controller,
        const QImage& image, const QSizeF& pointSize, const QVariantMap& contextInfo)
    {
        Q_UNUSED(controller);
        Q_UNUSED(image);
        Q_UNUSED(pointSize);
        Q_UNUSED(contextInfo);
    }
    virtual void imageViewControllerDidClose(BXImageViewController* controller)
    {
        Q_UNUSED(controller);
    }
};
