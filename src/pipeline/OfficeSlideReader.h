#pragma once

#include "pipeline/SlideReader.h"

#include <QString>
#include <QStringList>
#include <exception>
#include <map>
#include <mutex>
#include <tuple>
#include <variant>

namespace office {
class Presentation;
} // namespace office

// The slide and notes reads over the presentation open in the program's first office. Every
// call on the office runs on the worker thread; each answer (or failure) is kept until the
// presentation closes, since its slides do not change while it is open. readAhead() makes all
// the reads a range's text lines need in one call on the worker, so that the main thread does
// not cross to it once per read.
class OfficeSlideReader : public SlideReader {
public:
    explicit OfficeSlideReader(office::Presentation& presentation) : p_(presentation) {}

    int shapeCount(int slide) override;
    bool hasTextFrame(int slide, int shape) override;
    QString shapeText(int slide, int shape) override;
    int notesShapeCount(int slide) override;
    bool notesHasText(int slide, int shape) override;
    QString notesShapeText(int slide, int shape) override;
    bool drawsMoreThanShapes(int slide) override;
    QString allTextTitle(int slide) override;
    QStringList allTextBodies(int slide) override;
    QString notesPlaceholderText(int slide) override;
    void readAhead(const QList<int>& slides, bool allText) override;

private:
    enum class Read {
        ShapeCount,
        HasTextFrame,
        ShapeText,
        NotesShapeCount,
        NotesHasText,
        NotesText,
        MoreThanShapes,
        AllText,
        NotesPlaceholder
    };
    using Key = std::tuple<Read, int, int>;
    using Value = std::variant<int, bool, QString, QStringList>;
    struct Answer {
        Value value;
        std::exception_ptr failure;
    };

    // The slide's title and its other texts under the rule that reads all the text.
    QStringList allTextOf(int slide);
    // The kept answer to `key`, or the office's, asked on the worker thread and kept.
    template <class T, class Ask> T answer(const Key& key, Ask&& ask);

    office::Presentation& p_;
    std::mutex mutex_; // the answers are kept from the worker thread and read on the main one
    std::map<Key, Answer> answers_;
};
