#pragma once

#include <QKeyEvent>
#include <QString>

// What a key press on a wizard field means, for the pages' key rules.
namespace fieldKeys {

// Return and Escape belong to the window (default and cancel buttons), never to a field.
inline bool isWindowKey(const QString& text) {
    return text == QLatin1String("\r") || text == QLatin1String("\n") ||
           text == QLatin1String("\x1b");
}

// Tab and Shift+Tab move the cursor to the next or the previous field, never type.
inline bool isFocusKey(const QKeyEvent* key) {
    return key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
}

// A key press that types a character (as opposed to Delete, the arrows, Tab, Return or
// Escape).
inline bool typesCharacter(const QKeyEvent* key) {
    return !key->text().isEmpty() && !isWindowKey(key->text()) && !isFocusKey(key);
}

// The key press of `event` when it types a character, else null.
inline const QKeyEvent* typedKey(QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return nullptr;
    const auto* key = static_cast<const QKeyEvent*>(event);
    return typesCharacter(key) ? key : nullptr;
}

} // namespace fieldKeys
