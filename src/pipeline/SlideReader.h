#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The reads of the open presentation that the slide text files need, in the presentation
// application's terms: slides and shapes are 1-based, shapes in z-order, paragraphs separated by
// CR (13) and a line break inside a paragraph given as code 11. Any read may throw Failure.
class SlideReader {
public:
    virtual ~SlideReader() = default;
    virtual int shapeCount(int slide) = 0;
    virtual bool hasTextFrame(int slide, int shape) = 0;
    virtual QString shapeText(int slide, int shape) = 0; // TextFrame.TextRange.Text
    virtual int notesShapeCount(int slide) = 0;          // shapes of the slide's notes page
    virtual bool notesHasText(int slide, int shape) = 0; // TextFrame.HasText of a notes shape
    virtual QString notesShapeText(int slide, int shape) = 0;
    // True when the slide's image shows more than its shapes (a background of its own, its
    // master page's content). False by default: only the shapes count.
    virtual bool drawsMoreThanShapes(int /*slide*/) { return false; }
    // For the rule that reads all the text: the slide's title (its title placeholder's text, else
    // its first shape's), and the texts of every other text shape, grouped ones and table cells
    // included, in reading order. Nothing by default.
    virtual QString allTextTitle(int /*slide*/) { return {}; }
    virtual QStringList allTextBodies(int /*slide*/) { return {}; }
    // The whole text of the slide's notes placeholder; "" when it has none or by default.
    virtual QString notesPlaceholderText(int /*slide*/) { return {}; }
    // Says that the text lines of `slides` under the given rule are wanted next (see
    // slideTextLines), so that a reader can fetch them in one go. Reads nothing by default.
    virtual void readAhead(const QList<int>& /*slides*/, bool /*allText*/) {}
};
