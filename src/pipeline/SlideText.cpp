#include "pipeline/SlideText.h"

#include <QFile>

#include "lecture/LectureRecord.h"
#include "lecture/OneLine.h"
#include "pipeline/SlideReader.h"
#include "pipeline/TextMerge.h"
#include "platform/AnsiText.h"
#include "platform/Failure.h"
#include "platform/FileSystem.h"
#include "platform/NumberText.h"

namespace {

const QChar kCR(13);
const QChar kLF(10);

QString sentence(const QString& text) {
    return QStringLiteral("<sentence>") + text + QStringLiteral("</sentence>");
}

// The two markup files differ in their names, their tags and what each slide holds.
struct TextFile {
    QString fileName;
    QString tempName;
    QByteArray openingTag;
    QByteArray closingTag;
    // Appends the lines of one slide's content (between "<slide>" and "</slide>").
    std::function<void(SlideReader&, int, QStringList&)> slideContent;
};

void addLine(QByteArray& out, const QString& line) {
    out += ansiText::encode(line);
    out += "\r\n";
}

// Title and body of slide i. A failing read in the title leaves out the title line only; one in
// the body leaves out the rest of the body.
void slideTitleAndBody(SlideReader& reader, int i, QStringList& out) {
    try {
        // A slide without shapes has no first shape to read the title from.
        if (reader.shapeCount(i) < 1)
            throw Failure(QStringLiteral("Slide %1 has no shapes").arg(i));
        QString line = QStringLiteral("<title>");
        if (reader.hasTextFrame(i, 1))
            line += oneLine(reader.shapeText(i, 1));
        line += QStringLiteral("</title>");
        out.append(line);
    } catch (const Failure&) {
    }
    try {
        if (reader.shapeCount(i) == 2 && reader.hasTextFrame(i, 2)) {
            out += slideSentences(reader.shapeText(i, 2));
        }
    } catch (const Failure&) {
    }
}

// Notes of slide i; a failing read leaves out the slide's notes.
void slideNotes(SlideReader& reader, int i, QStringList& out) {
    try {
        if (reader.notesShapeCount(i) == 2 && reader.notesHasText(i, 2)) {
            out += notesSentences(reader.notesShapeText(i, 2));
        }
    } catch (const Failure&) {
    }
}

// Title and body of slide i under the rule that reads all the text: the title placeholder (else
// the first shape), then every paragraph of the other texts in reading order. A slide without
// shapes has no title line, as under the classic rule. A failing read leaves out the rest of the
// slide's text.
void slideAllText(SlideReader& reader, int i, QStringList& out) {
    try {
        if (reader.shapeCount(i) < 1)
            return;
        out.append(QStringLiteral("<title>") + oneLine(reader.allTextTitle(i)) +
                   QStringLiteral("</title>"));
        for (const QString& text : reader.allTextBodies(i))
            out += slideSentences(text);
    } catch (const Failure&) {
    }
}

// The whole text of slide i's notes placeholder; a failing read leaves out the slide's notes.
void slideAllNotes(SlideReader& reader, int i, QStringList& out) {
    try {
        out += notesSentences(reader.notesPlaceholderText(i));
    } catch (const Failure&) {
    }
}

[[noreturn]] void failWrite(const QString& path, const QString& why) {
    throw Failure(QStringLiteral("Cannot write the text file %1: %2").arg(path, why));
}

void writeBytes(QFile& file, const QByteArray& bytes) {
    if (file.write(bytes) != bytes.size())
        failWrite(file.fileName(), file.errorString());
}

void writeTextFile(const TextFile& kind, SlideReader& reader, const LectureRecord& fields,
                   bool appendSlides, const FetchFn& fetch) {
    const QString dir = fields.workDir;
    if (dir.isEmpty())
        throw Failure(QStringLiteral("No working directory is given"));
    const QString path = fileSystem::joinPath(dir, kind.fileName);

    bool appendToExisting = false;
    if (appendSlides)
        appendToExisting =
            textMerge::mergeFile(dir, kind.fileName, kind.tempName, kind.closingTag, fetch);

    QFile file(path);
    const QIODevice::OpenMode mode = appendToExisting ? QIODevice::WriteOnly | QIODevice::Append
                                                      : QIODevice::WriteOnly | QIODevice::Truncate;
    if (!file.open(mode))
        failWrite(path, file.errorString());
    if (!appendToExisting)
        writeBytes(file, kind.openingTag + "\r\n");

    const QList<int> slides = fields.slidesSent();
    reader.readAhead(slides, fields.allSlideText);
    for (const int i : slides) {
        QStringList lines;
        kind.slideContent(reader, i, lines);
        QByteArray slide("<slide>\r\n");
        for (const QString& line : lines)
            addLine(slide, line);
        slide += "</slide>\r\n";
        writeBytes(file, slide);
    }
    writeBytes(file, kind.closingTag + "\r\n");
    if (!file.flush())
        failWrite(path, file.errorString());
    file.close();
}

} // namespace

QStringList slideSentences(const QString& body) {
    QStringList lines;
    const QStringList paragraphs = body.split(kCR);
    // A CR at the very end closes the last paragraph; it does not open an empty one.
    const qsizetype count =
        body.endsWith(kCR) ? paragraphs.size() - 1 : (body.isEmpty() ? 0 : paragraphs.size());
    for (qsizetype k = 0; k < count; ++k) {
        QString text = paragraphs.at(k);
        text.remove(kLF);
        lines.append(sentence(text));
    }
    return lines;
}

QStringList notesSentences(const QString& notes) {
    if (notes.isEmpty())
        return {};
    QString text = notes;
    text.remove(kCR);
    text.remove(kLF);
    return {sentence(text)};
}

QStringList slideTextLines(SlideReader& reader, int slide, bool allText) {
    QStringList lines;
    (allText ? slideAllText : slideTitleAndBody)(reader, slide, lines);
    (allText ? slideAllNotes : slideNotes)(reader, slide, lines);
    return lines;
}

void writeSlideText(SlideReader& reader, const LectureRecord& fields, bool appendSlides,
                    const FetchFn& fetchSlideText) {
    const TextFile kind{QStringLiteral("extract.stml"), QStringLiteral("extract1.stml"),
                        QByteArray("<stml>"), QByteArray("</stml>"),
                        fields.allSlideText ? slideAllText : slideTitleAndBody};
    writeTextFile(kind, reader, fields, appendSlides, fetchSlideText);
}

void writeNotesText(SlideReader& reader, const LectureRecord& fields, bool appendSlides,
                    const FetchFn& fetchNotesText) {
    const TextFile kind{QStringLiteral("extract.ntml"), QStringLiteral("extract1.ntml"),
                        QByteArray("<ntml>"), QByteArray("</ntml>"),
                        fields.allSlideText ? slideAllNotes : slideNotes};
    writeTextFile(kind, reader, fields, appendSlides, fetchNotesText);
}

void mergeSlideText(const LectureRecord& fields, const FetchFn& fetch) {
    textMerge::mergeFile(fields.workDir, QStringLiteral("extract.stml"),
                         QStringLiteral("extract1.stml"), QByteArray("</stml>"), fetch);
}

void mergeNotesText(const LectureRecord& fields, const FetchFn& fetch) {
    textMerge::mergeFile(fields.workDir, QStringLiteral("extract.ntml"),
                         QStringLiteral("extract1.ntml"), QByteArray("</ntml>"), fetch);
}
