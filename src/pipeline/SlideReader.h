#pragma once

#include <QString>

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
    // Says that the text lines of slides first..last are wanted next (see slideTextLines), so
    // that a reader can fetch them in one go. Reads nothing by default.
    virtual void readAhead(int /*first*/, int /*last*/) {}
};
