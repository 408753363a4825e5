#include "batch/BatchOptions.h"

#include "lecture/ImageSizes.h"
#include "platform/NumberText.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <limits>
#include <map>

namespace {
// The options that take a value, by name.
const QStringList kValueOptions{
    QStringLiteral("server"), QStringLiteral("corvane-id"), QStringLiteral("lumora-id"),
    QStringLiteral("class"),  QStringLiteral("date"),       QStringLiteral("session"),
    QStringLiteral("title"),  QStringLiteral("range"),      QStringLiteral("format"),
    QStringLiteral("size"),   QStringLiteral("workdir"),    QStringLiteral("if-exists")};
const QStringList kSwitches{QStringLiteral("no-settings"), QStringLiteral("json"),
                            QStringLiteral("allow-empty"), QStringLiteral("help"),
                            QStringLiteral("version")};

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

// The wizard's remembered image size: a named one, or "Custom" with its two boxes (stored
// crossed: the width box under "CustomHeight", the height box under "CustomWidth").
void rememberedSize(const RememberedChoice& remembered, LectureRecord& lecture) {
    const QString name = remembered(QStringLiteral("Resolution"), QStringLiteral("XGA"));
    if (name.compare(QLatin1String("Custom"), Qt::CaseInsensitive) != 0) {
        if (!sizeByName(name, lecture))
            sizeByName(QStringLiteral("XGA"), lecture);
        return;
    }
    lecture.width = numberText::leadingInt16(remembered(QStringLiteral("CustomHeight"), {}));
    lecture.height = numberText::leadingInt16(remembered(QStringLiteral("CustomWidth"), {}));
    if (lecture.width < 1 || lecture.height < 1)
        refuse(QStringLiteral("The remembered custom image size is not valid: give --size"));
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

// Splits the arguments into option values and files; "--name value" and "--name=value" both
// work, "--" ends the options.
void splitArguments(const QStringList& arguments, std::map<QString, QString>& values,
                    QStringList& switches, QStringList& files) {
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (arg == QLatin1String("--")) {
            files += arguments.mid(i + 1);
            return;
        }
        if (arg == QLatin1String("-h")) {
            switches << QStringLiteral("help");
            continue;
        }
        if (arg.size() > 1 && arg.startsWith(QLatin1Char('-')) &&
            !arg.startsWith(QLatin1String("--")))
            refuse(QStringLiteral("unknown option %1").arg(arg));
        if (!arg.startsWith(QLatin1String("--"))) {
            files << arg;
            continue;
        }
        QString name = arg.mid(2);
        QString value;
        const qsizetype equals = name.indexOf(QLatin1Char('='));
        const bool inline_ = equals >= 0;
        if (inline_) {
            value = name.mid(equals + 1);
            name.truncate(equals);
        }
        if (name.contains(QLatin1String("password")))
            refuse(QStringLiteral("--%1: passwords are never taken from the command line; set "
                                  "SLIDE_FERRY_CORVANE_PASSWORD and SLIDE_FERRY_LUMORA_PASSWORD, "
                                  "or type them when asked")
                       .arg(name));
        if (kSwitches.contains(name)) {
            if (inline_)
                refuse(QStringLiteral("--%1 takes no value").arg(name));
            switches << name;
            continue;
        }
        if (!kValueOptions.contains(name))
            refuse(QStringLiteral("unknown option --%1").arg(name));
        if (!inline_) {
            if (i + 1 >= arguments.size())
                refuse(QStringLiteral("--%1 needs a value").arg(name));
            value = arguments[++i];
        }
        if (values.count(name))
            refuse(QStringLiteral("--%1 is given twice").arg(name));
        values[name] = value;
    }
}
} // namespace

BatchOptions parseBatchOptions(const QStringList& arguments, const RememberedChoice& remembered) {
    std::map<QString, QString> given;
    QStringList switches;
    BatchOptions options;
    QStringList files;
    splitArguments(arguments, given, switches, files);
    options.help = switches.contains(QLatin1String("help"));
    options.version = switches.contains(QLatin1String("version"));
    if (options.help || options.version)
        return options;
    options.json = switches.contains(QLatin1String("json"));
    options.allowEmpty = switches.contains(QLatin1String("allow-empty"));

    const bool useSettings = !switches.contains(QLatin1String("no-settings"));
    auto value = [&](const QString& option, const QString& key, const QString& defaultValue) {
        if (given.count(option))
            return given[option];
        return useSettings && !key.isEmpty() ? remembered(key, defaultValue) : defaultValue;
    };
    auto required = [&](const QString& option, const QString& key, const QString& what) {
        const QString text = value(option, key, QString()).trimmed();
        if (text.isEmpty())
            refuse(
                key.isEmpty() || !useSettings
                    ? QStringLiteral("--%1 is missing (%2)").arg(option, what)
                    : QStringLiteral("--%1 is missing (%2; none is remembered)").arg(option, what));
        return text;
    };

    LectureRecord& lecture = options.lecture;
    lecture.host = required(QStringLiteral("server"), QStringLiteral("System"),
                            QStringLiteral("the Lumora server's host"));
    lecture.corvaneId = required(QStringLiteral("corvane-id"), QStringLiteral("CorvaneID"),
                                 QStringLiteral("the Corvane user ID"));
    lecture.lumoraId = required(QStringLiteral("lumora-id"), QStringLiteral("UserID"),
                                QStringLiteral("the Lumora user ID"));
    lecture.className =
        required(QStringLiteral("class"), QString(), QStringLiteral("the lecture's class"));
    readDate(required(QStringLiteral("date"), QString(), QStringLiteral("the lecture's date")),
             lecture);
    if (given.count(QStringLiteral("session")))
        lecture.session = QString::number(
            positiveNumber(given[QStringLiteral("session")], QStringLiteral("session")));
    if (given.count(QStringLiteral("title"))) {
        lecture.title = given[QStringLiteral("title")];
        options.titleGiven = true;
        if (lecture.title.trimmed().isEmpty())
            refuse(QStringLiteral("--title is empty"));
    }
    if (given.count(QStringLiteral("range")))
        readRange(given[QStringLiteral("range")], options);
    if (given.count(QStringLiteral("format")))
        readFormat(given[QStringLiteral("format")], lecture);
    else
        lecture.imageFormat = value({}, QStringLiteral("ImageType"), QStringLiteral("GIF"));
    if (given.count(QStringLiteral("size"))) {
        if (!sizeByName(given[QStringLiteral("size")], lecture))
            refuse(QStringLiteral("--size takes vga, svga, xga, sxga or WIDTHxHEIGHT (800x600), "
                                  "not \"%1\"")
                       .arg(given[QStringLiteral("size")]));
    } else if (useSettings) {
        rememberedSize(remembered, lecture);
    } else {
        sizeByName(QStringLiteral("XGA"), lecture);
    }
    lecture.workDir =
        QDir(value(QStringLiteral("workdir"), QStringLiteral("ExportPath"), QDir::tempPath()))
            .absolutePath();

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
    if (given.count(QStringLiteral("if-exists")))
        options.ifExists = readIfExists(given[QStringLiteral("if-exists")]);
    if (several && options.ifExists == LectureExistsChoice::AppendSlides)
        refuse(QStringLiteral("--if-exists append is for one presentation; several go to "
                              "successive sessions"));
    return options;
}
