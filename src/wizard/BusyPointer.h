#pragma once

#include <QApplication>

// The busy pointer for the whole application while the wizard waits; cleared before a message
// is shown and at the end of its scope.
class BusyPointer {
public:
    BusyPointer() { set(); }
    ~BusyPointer() { clear(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

    void set() {
        if (!on_)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        on_ = true;
    }
    void clear() {
        if (on_)
            QApplication::restoreOverrideCursor();
        on_ = false;
    }

private:
    bool on_ = false;
};
