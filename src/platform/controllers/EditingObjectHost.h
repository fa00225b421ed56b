#pragma once

class QObject;

namespace platform {

// A window that remembers which of its views holds an open cell edit, so that it can give that
// view the focus back after the window itself took it. The main window implements it; list
// controllers find it through their table's window. Main thread only.
class EditingObjectHost {
public:
    virtual ~EditingObjectHost() = default;

    // Not owned; null clears it.
    virtual void setEditingObject(QObject* object) = 0;
    virtual QObject* editingObject() const = 0;
};

} // namespace platform
