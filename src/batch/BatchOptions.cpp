#include "batch/BatchOptions.h"

#include "batch/BatchArguments.h"
#include "lecture/ImageSizes.h"
#include "platform/NumberText.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <limits>

namespace {
[[noreturn]] void refuse(const QString& message) {
    throw UsageError{message};
}

// A whole number 1..32767, as the lecture's numbers must fit the server's.
int positiveNumber(const QString& text, const QString& option) {
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < 1 || n > std::numeric_limits<int16_t>::max() ||
        !text.contains(QRegularExpression(QStringLiteral("^[0-9]+$"))))
        refuse(QStringLiteral("--%1 takes a number from 1 to 32767, not \"%2\"").arg(option, text));
    return n;
}

void readDate(const QString& text, LectureRecord& lecture) {
    const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid() || text.size() != 10)
        refuse(QStringLiteral("--date takes a date that exists, as YYYY-MM-DD (2026-03-05), not "
                              "\"%1\"")
                   .arg(text));
    lecture.month = QLocale::c().monthName(date.month(), QLocale::ShortFormat);
    lecture.day = QString::number(date.day());
    lecture.year = QString::number(date.year());
}

void readRange(const QString& text, BatchOptions& options) {
    const auto match = QRegularExpression(QStringLiteral("^([0-9]+)(?:-([0-9]+))?$")).match(text);
    if (!match.hasMatch())
        refuse(QStringLiteral("--range takes FIRST-LAST (3-5) or one slide (4), not \"%1\"")
                   .arg(text));
    options.firstSlide = positiveNumber(match.captured(1), QStringLiteral("range"));
    options.lastSlide = match.captured(2).isEmpty()
                            ? options.firstSlide
                            : positiveNumber(match.captured(2), QStringLiteral("range"));
    if (options.firstSlide > options.lastSlide)
        refuse(QStringLiteral("--range %1 ends before it begins").arg(text));
}

void readFormat(const QString& text, LectureRecord& lecture) {
    const QString upper = text.toUpper();
    if (upper != QLatin1String("GIF") && upper != QLatin1String("JPG") &&
        upper != QLatin1String("PNG"))
        refuse(QStringLiteral("--format takes gif, jpg or png, not \"%1\"").arg(text));
    lecture.imageFormat = upper;
}

// A size by its name in the wizard's list (xga, svga, ...) or as WIDTHxHEIGHT in pixels.
bool sizeByName(const QString& text, LectureRecord& lecture) {
    const ImageSizes sizes;
    for (size_t i = 1; i < ImageSizes::names.size(); ++i) {
        if (text.compare(QLatin1String(ImageSizes::names[i]), Qt::CaseInsensitive) == 0) {
            lecture.width = sizes.rows[i].width;
            lecture.height = sizes.rows[i].height;
            return true;
        }
    }
    const auto match =
        QRegularExpression(QStringLiteral("^([0-9]{1,5})[xX]([0-9]{1,5})$")).match(text);
    if (!match.hasMatch())
        return false;
    const int width = match.captured(1).toInt();
    const int height = match.captured(2).toInt();
    const int most = std::numeric_limits<int16_t>::max();
    if (width < 1 || height < 1 || width > most || height > most)
        return false;
    lecture.width = width;
    lecture.height = height;
    return true;
}

// The wizard's remembered image size: a named one (an unknown name gives the default), or
// "Custom" with the numbers of its two boxes.
void rememberedSize(const programSettings::ImageSize& size, LectureRecord& lecture) {
    if (size.name.compare(QLatin1String(ImageSizes::names[0]), Qt::CaseInsensitive) != 0) {
        if (!sizeByName(size.name, lecture))
            sizeByName(programSettings::imageSize.name.defaultValue(), lecture);
        return;
    }
    lecture.width = numberText::leadingInt16(size.width);
    lecture.height = numberText::leadingInt16(size.height);
    if (lecture.width < 1 || lecture.height < 1)
        refuse(QStringLiteral("The remembered custom image size is not valid: give --size"));
}

void readSize(const BatchArguments& given, const RememberedChoices* remembered,
              LectureRecord& lecture) {
    if (const auto size = given.value(QStringLiteral("size"))) {
        if (!sizeByName(*size, lecture))
            refuse(QStringLiteral("--size takes vga, svga, xga, sxga or WIDTHxHEIGHT (800x600), "
                                  "not \"%1\"")
                       .arg(*size));
    } else if (remembered) {
        rememberedSize(remembered->imageSize, lecture);
    } else {
        sizeByName(programSettings::imageSize.name.defaultValue(), lecture);
    }
}

LectureExistsChoice readIfExists(const QString& text) {
    if (text == QLatin1String("fail"))
        return LectureExistsChoice::ChangeLectureDate;
    if (text == QLatin1String("next-session"))
        return LectureExistsChoice::NextSession;
    if (text == QLatin1String("append"))
        return LectureExistsChoice::AppendSlides;
    refuse(QStringLiteral("--if-exists takes fail, next-session or append, not \"%1\"").arg(text));
}

// The value of an option the lecture cannot do without: given, else remembered (when the option
// has a remembered choice and settings are used); refused when blank.
QString required(const BatchArguments& given, const QString& option, const QString* remembered,
                 const QString& what) {
    const QString text = given.value(option).value_or(remembered ? *remembered : QString());
    if (text.trimmed().isEmpty())
        refuse(remembered == nullptr
                   ? QStringLiteral("--%1 is missing (%2)").arg(option, what)
                   : QStringLiteral("--%1 is missing (%2; none is remembered)").arg(option, what));
    return text.trimmed();
}

// Everything of the lecture but the files. `remembered` is null under --no-settings.
void readLecture(const BatchArguments& given, const RememberedChoices* remembered,
                 BatchOptions& options) {
    const auto choice = [remembered](const QString RememberedChoices::*field) {
        return remembered ? &(remembered->*field) : nullptr;
    };
    LectureRecord& lecture = options.lecture;
    lecture.host = required(given, QStringLiteral("server"), choice(&RememberedChoices::server),
                            QStringLiteral("the Lumora server's host"));
    lecture.corvaneId =
        required(given, QStringLiteral("corvane-id"), choice(&RememberedChoices::corvaneId),
                 QStringLiteral("the Corvane user ID"));
    lecture.lumoraId =
        required(given, QStringLiteral("lumora-id"), choice(&RememberedChoices::lumoraId),
                 QStringLiteral("the Lumora user ID"));
    lecture.className =
        required(given, QStringLiteral("class"), nullptr, QStringLiteral("the lecture's class"));
    readDate(required(given, QStringLiteral("date"), nullptr, QStringLiteral("the lecture's date")),
             lecture);
    if (const auto session = given.value(QStringLiteral("session")))
        lecture.session = QString::number(positiveNumber(*session, QStringLiteral("session")));
    if (const auto title = given.value(QStringLiteral("title"))) {
        lecture.title = *title;
        options.titleGiven = true;
        if (lecture.title.trimmed().isEmpty())
            refuse(QStringLiteral("--title is empty"));
    }
    if (const auto range = given.value(QStringLiteral("range")))
        readRange(*range, options);
    if (const auto format = given.value(QStringLiteral("format")))
        readFormat(*format, lecture);
    else
        lecture.imageFormat =
            remembered ? remembered->imageFormat : programSettings::imageFormat.defaultValue();
    readSize(given, remembered, lecture);
    const QString workDir = given.value(QStringLiteral("workdir"))
                                .value_or(remembered ? remembered->workDir
                                                     : programSettings::exportPath.defaultValue());
    lecture.workDir = QDir(workDir).absolutePath();
    lecture.requireEncryption = given.isSet(QStringLiteral("require-encryption")) ||
                                (remembered && remembered->requireEncryption);
}

// The presentations, and what the number of them allows.
void readFiles(const BatchArguments& given, BatchOptions& options) {
    const QStringList files = given.files();
    if (files.isEmpty())
        refuse(QStringLiteral("no presentation is given"));
    for (const QString& file : files) {
        const QFileInfo info(file);
        if (!info.isFile())
            refuse(QStringLiteral("%1: no such file").arg(file));
        options.files << info.absoluteFilePath();
    }
    const bool several = options.files.size() > 1;
    if (several && options.titleGiven)
        refuse(QStringLiteral("--title names one lecture: give one presentation, or leave it out "
                              "to take each presentation's first slide title"));
    if (several && options.firstSlide > 0)
        refuse(QStringLiteral("--range is for one presentation"));
    options.ifExists =
        several ? LectureExistsChoice::NextSession : LectureExistsChoice::ChangeLectureDate;
    if (const auto ifExists = given.value(QStringLiteral("if-exists")))
        options.ifExists = readIfExists(*ifExists);
    if (several && options.ifExists == LectureExistsChoice::AppendSlides)
        refuse(QStringLiteral("--if-exists append is for one presentation; several go to "
                              "successive sessions"));
}
} // namespace

RememberedChoices rememberedChoices() {
    // The wizard's own default server is not one the user chose: without a stored one the
    // batch command asks for --server.
    return {programSettings::serverHost.stored().value_or(QString()),
            programSettings::corvaneId.read(),
            programSettings::lumoraId.read(),
            programSettings::imageFormat.read(),
            programSettings::imageSize.read(),
            programSettings::exportPath.read(),
            programSettings::requireEncryption.read() == QLatin1String("1")};
}

BatchOptions parseBatchOptions(const QStringList& arguments, const RememberedChoices& remembered) {
    const BatchArguments given(arguments);
    BatchOptions options;
    options.help = given.isSet(QStringLiteral("help"));
    options.version = given.isSet(QStringLiteral("version"));
    if (options.help || options.version)
        return options;
    options.json = given.isSet(QStringLiteral("json"));
    options.allowEmpty = given.isSet(QStringLiteral("allow-empty"));
    readLecture(given, given.isSet(QStringLiteral("no-settings")) ? nullptr : &remembered, options);
    // Switches only: a remembered choice could not be turned off on the command line.
    options.lecture.skipHiddenSlides = given.isSet(QStringLiteral("skip-hidden"));
    options.lecture.allSlideText = given.isSet(QStringLiteral("full-text"));
    readFiles(given, options);
    return options;
}
