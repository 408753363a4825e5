// Fuzz target: appending to the server's slide-text or notes-text file. The server's copy holds
// the fuzzed bytes; the merge (or the whole writer with appendSlides) runs in a temporary working
// directory. The input: byte 0 chooses the situation, the rest is the server's file.
//   bit 0     notes-text file instead of slide-text file
//   bits 1-2  the fetch: 0 writes the file, 1 writes it but reports that the server holds none,
//             2 writes it and then fails, 3 writes nothing but reports success
//   bit 3     a working file of the same name is left from an earlier transfer
//   bit 4     the merge's temporary file is left from an earlier transfer
//   bit 5     a directory stands where the merge's temporary file goes
//   bit 6     the whole writer runs (merge, then one new slide), not only the merge
//   bit 7     the working directory is given with a trailing "/"
// Invariants: nothing but Failure is thrown; a merge that succeeds keeps every line of the old
// file before its closing tag, byte for byte, and loses nothing of them in the written file.
#include "FuzzCheck.h"
#include "FuzzTargets.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "lecture/LectureRecord.h"
#include "pipeline/SlideReader.h"
#include "pipeline/SlideText.h"
#include "pipeline/TextMerge.h"
#include "platform/Failure.h"

namespace fuzzing {
namespace {

// One slide with a title, one body paragraph and notes.
class OneSlide : public SlideReader {
public:
    int shapeCount(int slide) override { return check(slide, 2); }
    bool hasTextFrame(int slide, int) override { return check(slide, true); }
    QString shapeText(int slide, int shape) override {
        return check(slide, shape == 1 ? QStringLiteral("Title") : QStringLiteral("Body"));
    }
    int notesShapeCount(int slide) override { return check(slide, 2); }
    bool notesHasText(int slide, int) override { return check(slide, true); }
    QString notesShapeText(int slide, int) override {
        return check(slide, QStringLiteral("Notes"));
    }

private:
    template <typename T> static T check(int slide, T value) {
        if (slide != 1)
            throw Failure(QStringLiteral("No slide %1").arg(slide));
        return value;
    }
};

QByteArray readFile(const QString& path) {
    QFile in(path);
    FUZZ_CHECK(in.open(QIODevice::ReadOnly));
    return in.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile out(path);
    FUZZ_CHECK(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(out.write(bytes) == bytes.size());
}

// A fresh working directory for each input.
QString freshDir() {
    static QTemporaryDir base;
    FUZZ_CHECK(base.isValid());
    const QString dir = base.filePath(QStringLiteral("work"));
    QDir(dir).removeRecursively();
    FUZZ_CHECK(QDir().mkpath(dir));
    return dir;
}

// What a merge left of the old file: the lines before its closing-tag line.
void checkKept(const QByteArray& old, const QByteArray& kept, const QByteArray& tag) {
    FUZZ_CHECK((old + "\r\n").startsWith(kept));
    // Lines end with LF (CR LF as the program writes them, or a bare LF).
    FUZZ_CHECK(kept.isEmpty() || kept.endsWith('\n'));
    FUZZ_CHECK(!kept.startsWith(tag) && !kept.contains('\n' + tag));
    if (kept.size() < old.size())
        FUZZ_CHECK(old.mid(kept.size()).startsWith(tag));
}

} // namespace

void mergeText(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return;
    const unsigned mode = data[0];
    std::size_t pos = 1;
    const QByteArray old = take(data, size, pos, size);

    const bool notes = (mode & 1) != 0;
    const unsigned fetchKind = (mode >> 1) & 3;
    const bool leftoverFile = (mode & 8) != 0;
    const bool leftoverTemp = (mode & 16) != 0;
    const bool tempIsDirectory = (mode & 32) != 0;
    const bool wholeWriter = (mode & 64) != 0;

    const QString dir = freshDir();
    const QString fileName =
        notes ? QStringLiteral("extract.ntml") : QStringLiteral("extract.stml");
    const QString tempName =
        notes ? QStringLiteral("extract1.ntml") : QStringLiteral("extract1.stml");
    const QByteArray openingTag = notes ? "<ntml>" : "<stml>";
    const QByteArray closingTag = notes ? "</ntml>" : "</stml>";
    const QString path = dir + QLatin1Char('/') + fileName;
    const QString tempPath = dir + QLatin1Char('/') + tempName;

    if (leftoverFile)
        writeFile(path, "<stml>\r\nleft from an earlier transfer\r\n");
    if (tempIsDirectory)
        FUZZ_CHECK(QDir().mkpath(tempPath));
    else if (leftoverTemp)
        writeFile(tempPath, "<ntml>\r\nleft from an earlier merge\r\n");

    const FetchFn fetch = [&]() {
        if (fetchKind != 3)
            writeFile(path, old);
        if (fetchKind == 2)
            throw Failure(QStringLiteral("The fetch failed"), 12003);
        return fetchKind != 1;
    };

    LectureRecord fields;
    fields.workDir = (mode & 128) ? dir + QLatin1Char('/') : dir;
    OneSlide reader;
    bool failed = false;
    try {
        if (wholeWriter && notes)
            writeNotesText(reader, fields, true, fetch);
        else if (wholeWriter)
            writeSlideText(reader, fields, true, fetch);
        else if (notes)
            mergeNotesText(fields, fetch);
        else
            mergeSlideText(fields, fetch);
    } catch (const Failure&) {
        failed = true;
    } catch (const std::exception& e) {
        invariantBroken(e.what(), __FILE__, __LINE__);
    } catch (...) {
        invariantBroken("an exception that is not a Failure", __FILE__, __LINE__);
    }

    // A failing fetch and a fetch that brings no file are failures, never a new file.
    if (fetchKind == 2 || fetchKind == 3) {
        FUZZ_CHECK(failed);
        return;
    }
    // Only the directory in the way of the merge's temporary file, and a server file without
    // its closing-tag line (cut short or damaged), may stop a merge.
    const bool textCut = !old.isEmpty() && !textMerge::hasClosingLine(old, closingTag);
    if (failed) {
        FUZZ_CHECK(fetchKind == 0 && (tempIsDirectory || textCut));
        return;
    }
    FUZZ_CHECK(!(fetchKind == 0 && textCut));
    // The merge's temporary file is gone once a merge ran (one left from an earlier transfer stays
    // when the server holds no file: the clean-up removes it).
    if (!tempIsDirectory && !(leftoverTemp && fetchKind == 1))
        FUZZ_CHECK(!QFile::exists(tempPath));

    // What the merge keeps of the server's file (nothing when the server holds none).
    const bool serverHasFile = fetchKind == 0;
    if (!wholeWriter) {
        if (!serverHasFile) {
            FUZZ_CHECK(!QFile::exists(path));
            return;
        }
        const QByteArray kept = QFile::exists(path) ? readFile(path) : QByteArray();
        FUZZ_CHECK(!QFile::exists(path) || !kept.isEmpty());
        checkKept(old, kept, closingTag);
        return;
    }
    const QByteArray kept = serverHasFile ? textMerge::keptPart(old, closingTag) : QByteArray();
    checkKept(serverHasFile ? old : QByteArray(), kept, closingTag);
    const QByteArray written = readFile(path);
    const QByteArray start = kept.isEmpty() ? openingTag + "\r\n" : kept;
    FUZZ_CHECK(written.startsWith(start));
    FUZZ_CHECK(written.mid(start.size()).startsWith("<slide>\r\n"));
    FUZZ_CHECK(written.endsWith("</slide>\r\n" + closingTag + "\r\n"));
}

} // namespace fuzzing

#ifdef SF_FUZZ_ENTRY
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::mergeText(data, size);
    return 0;
}
#endif
