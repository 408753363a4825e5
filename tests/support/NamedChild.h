#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QtGlobal>

// Tests reach a window's widgets as its user tells them apart, by the object name each one is
// given where the window is built, and never through the window's own members.
namespace testUi {

// The one child of `parent`, at any depth, of type T named `name`. None, or more than one, ends
// the test run at once with a message naming what was looked for: a renamed widget is a fault
// of the test's own set-up, and every check after it would only meet a null pointer.
template <typename T> T* named(const QObject* parent, const QString& name) {
    const QList<T*> found = parent->findChildren<T*>(name);
    if (found.size() != 1)
        qFatal("%lld children of %s \"%s\" are a %s named \"%s\"; the test needs exactly one",
               static_cast<long long>(found.size()), parent->metaObject()->className(),
               qPrintable(parent->objectName()), T::staticMetaObject.className(), qPrintable(name));
    return found.first();
}

} // namespace testUi
