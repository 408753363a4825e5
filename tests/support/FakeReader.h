#pragma once

// Slides built in a test for the pipeline's slide-text writers, read as the office would.
#include "pipeline/SlideReader.h"
#include "platform/Failure.h"

#include <QList>
#include <QMap>
#include <QMetaType>
#include <QSet>
#include <QString>

struct FakeShape {
    bool frame = true;
    QString text;
};

struct FakeSlide {
    QList<FakeShape> shapes, notes;
    QSet<QString> failing; // reads that throw: "count", "title", "body", "notes"
};

// Slides built in the test; reading a missing slide or shape throws as the office does.
class FakeReader : public SlideReader {
public:
    QMap<int, FakeSlide> slides;

    int shapeCount(int i) override { return int(get(i, "count").shapes.size()); }
    bool hasTextFrame(int i, int k) override { return at(get(i, part(k)).shapes, k).frame; }
    QString shapeText(int i, int k) override { return at(get(i, part(k)).shapes, k).text; }
    int notesShapeCount(int i) override { return int(get(i, "").notes.size()); }
    bool notesHasText(int i, int k) override { return !at(get(i, "").notes, k).text.isEmpty(); }
    QString notesShapeText(int i, int k) override { return at(get(i, "notes").notes, k).text; }
    // All the text: the first shape is the title placeholder, the others follow in order.
    QString allTextTitle(int i) override {
        const FakeSlide& slide = get(i, "title");
        return slide.shapes.isEmpty() ? QString() : slide.shapes.first().text;
    }
    QStringList allTextBodies(int i) override {
        QStringList bodies;
        for (const FakeShape& shape : get(i, "body").shapes.mid(1))
            bodies << shape.text;
        return bodies;
    }

private:
    static const char* part(int k) { return k == 1 ? "title" : "body"; }
    const FakeSlide& get(int i, const char* read) const {
        if (!slides.contains(i) || slides[i].failing.contains(QLatin1String(read)))
            throw Failure(QStringLiteral("read failed"));
        return slides.find(i).value();
    }
    static const FakeShape& at(const QList<FakeShape>& shapes, int k) {
        if (k < 1 || k > shapes.size())
            throw Failure(QStringLiteral("Shape index out of range"));
        return shapes.at(k - 1);
    }
};

inline FakeSlide titled(const QString& title, const QString& body = {}, const QString& notes = {}) {
    return FakeSlide{{{true, title}, {true, body}}, {{}, {true, notes}}, {}};
}

Q_DECLARE_METATYPE(FakeSlide)
