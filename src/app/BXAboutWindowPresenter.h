#pragma once

#include <QPointer>

class BXAboutWindow;

// Shows the one About window: brings an open one forward, else makes a new one (which reads
// the credits and version again).
class BXAboutWindowPresenter final {
public:
    static void present();
    static BXAboutWindow* currentWindow();
};
