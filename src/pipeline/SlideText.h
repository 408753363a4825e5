#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class SlideReader;
struct LectureRecord;

// The slide-text file "extract.stml" (titles and body sentences of the slides) and the notes-text
// file "extract.ntml" (speaker notes) of the working directory. Lines end with CR LF and are
// single-byte Windows-1252 text; tags and texts are written without escaping. A slide's title is
// put on one line (oneLine), as its "<title>" line must be.

// Brings the server's copy of the file into the working directory under the same name. Returns
// false when the server holds no such file; throws Failure for any other failure of the fetch.
using FetchFn = std::function<bool()>;

// The sentence lines of a slide body: each paragraph (text between CRs) becomes one line
// "<sentence>...</sentence>"; LF is dropped, every other character (also code 11) kept; an empty
// paragraph gives an empty sentence; a CR at the very end gives no extra sentence.
QStringList slideSentences(const QString& body);

// The sentence lines of a notes text: CR and LF dropped, the whole text one sentence; an empty
// text gives none.
QStringList notesSentences(const QString& notes);

// The lines that slide `slide` puts into "extract.stml" and "extract.ntml", before encoding.
// The classic rule takes the title from the first shape, sentences only from a slide of exactly
// two shapes and notes from a notes page of exactly two; with `allText` the title is the title
// placeholder's (else the first shape's), the sentences are every paragraph of every other text
// (reading order, table cells, grouped shapes) and the notes the notes placeholder's whole text.
QStringList slideTextLines(SlideReader& reader, int slide, bool allText = false);

// Writes "extract.stml" for the slides sent (fields.slidesSent()), under the rule
// fields.allSlideText chooses. With
// appendSlides the server's file is fetched and merged first and the new slides follow its
// slides; otherwise (or when the server holds no file) the file is written new. A failing read of
// one slide leaves out the rest of that slide's text only. Throws Failure when the file cannot be
// written or the merge fails; nothing is then fit for upload.
void writeSlideText(SlideReader& reader, const LectureRecord& fields, bool appendSlides,
                    const FetchFn& fetchSlideText);

// The same for "extract.ntml" and the slides' notes.
void writeNotesText(SlideReader& reader, const LectureRecord& fields, bool appendSlides,
                    const FetchFn& fetchNotesText);

// Fetches the server's file and opens it up for appending: afterwards the working directory's
// file holds the server file's lines up to (without) its first closing-tag line, byte for byte.
// When the server holds no file, or its file holds no line before the closing tag, no local file
// is left and the writer starts the file new. Throws Failure when the merge fails.
void mergeSlideText(const LectureRecord& fields, const FetchFn& fetch);
void mergeNotesText(const LectureRecord& fields, const FetchFn& fetch);
