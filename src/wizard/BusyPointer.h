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

// The normal pointer while a question is put to the user in the middle of a wait; the busy
// pointer (as many as were set) comes back at the end of its scope.
class NormalPointer {
public:
    NormalPointer() {
        while (QApplication::overrideCursor()) {
            QApplication::restoreOverrideCursor();
            ++restored_;
        }
    }
    ~NormalPointer() {
        for (int i = 0; i < restored_; ++i)
            QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    NormalPointer(const NormalPointer&) = delete;
    NormalPointer& operator=(const NormalPointer&) = delete;

private:
    int restored_ = 0;
};
