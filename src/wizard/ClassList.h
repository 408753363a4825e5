#pragma once

#include <QComboBox>

// The Classes box: it offers only the classes the server listed, and keeps its width whatever
// their names' length. A name longer than the box shows its beginning, with "…", both in the
// closed box and in the list; the whole name is the tooltip of each.
class ClassList : public QComboBox {
    Q_OBJECT
public:
    explicit ClassList(QWidget* parent = nullptr);

    // Puts `classes` in place of the listed ones, nothing chosen.
    void setClasses(const QStringList& classes);

protected:
    void paintEvent(QPaintEvent* event) override;
};
