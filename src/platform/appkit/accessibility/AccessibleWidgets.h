#pragma once

namespace platform {

// Gives assistive technology our own views as Qt gives its own: the text view and token
// field as editable texts, the stepper as a spin box, and a plain top-level widget as the
// window it is. Qt's accessibility asks the installed factory for each widget first.
class AccessibleWidgets final {
public:
    // Installs the factory; more calls change nothing. Main thread, after QApplication.
    static void install();
};

} // namespace platform
