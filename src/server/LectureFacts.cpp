#include "server/LectureFacts.h"

#include "platform/AnsiText.h"
#include "platform/ftp/FtpOperation.h"
#include "server/LectureListing.h"
#include "server/ModuleFtp.h"

#include <QFile>
#include <QList>
#include <QSet>
#include <QTemporaryDir>

namespace {
constexpr int kLongestPart = 200;

// One line of the description as shown, or "" when it cannot be shown as it is.
QString part(const QByteArray& line) {
    const QString text = ansiText::decode(line).trimmed();
    if (text.size() > kLongestPart)
        return {};
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            return {};
    return text;
}

// The slides a lecture's names hold: "Slide<n>.<ext>" in whatever image format.
int slidesIn(const QStringList& names) {
    QSet<int> numbers;
    for (const QString& name : names) {
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot < 0)
            continue;
        const QString ext = name.mid(dot + 1);
        if (const int n = slideNumberOf(name, ext.toLower()); n > 0 && ext == ext.toLower())
            numbers.insert(n);
    }
    return static_cast<int>(numbers.size());
}

// The description's bytes, or nothing when it is missing or larger than allowed.
QByteArray fetchDescription(ModuleFtp& m, const QString& lecturePath) {
    QTemporaryDir dir;
    if (!dir.isValid())
        return {};
    const QString local = dir.filePath(QStringLiteral("description"));
    m.ftpExecute(FtpOperation::getAtMost(QStringLiteral("~/lumora/") + lecturePath +
                                             QStringLiteral("/description"),
                                         local, maxDescriptionBytes));
    if (m.inet.ResponseCode() != 0)
        return {};
    QFile file(local);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(maxDescriptionBytes + 1);
}
} // namespace

ExistingLecture factsFromDescription(const QByteArray& bytes) {
    ExistingLecture facts;
    if (bytes.size() > maxDescriptionBytes)
        return facts;
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the end of the last line
    if (lines.size() != 3)
        return facts;
    if (lines[2].endsWith('\r'))
        lines[2].chop(1);
    facts.title = part(lines[0]);
    facts.author = part(lines[1]);
    facts.date = part(lines[2]);
    return facts;
}

ExistingLecture readExistingLecture(ModuleFtp& m, const QString& lecturePath,
                                    const LectureContents& contents) {
    ExistingLecture facts = factsFromDescription(fetchDescription(m, lecturePath));
    facts.slides = slidesIn(contents.names);
    return facts;
}

ExistingAnswer askAboutExistingLecture(ModuleFtp& m, const QString& lecturePath) {
    ExistingAnswer answer;
    if (!m.askLectureExists)
        return answer;
    answer.contents = readLectureContents(m, lecturePath, m.lecture.imageFormat.toLower());
    const ExistingLecture facts = readExistingLecture(m, lecturePath, answer.contents);
    answer.choice = m.askLectureExists(facts);
    if (answer.choice == LectureExistsChoice::AppendSlides && !facts.title.isEmpty())
        m.lecture.title = facts.title;
    return answer;
}
