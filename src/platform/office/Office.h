#pragma once

#include "platform/Failure.h"

#include <QString>
#include <QStringList>
#include <memory>

// The presentation application: LibreOffice Impress, driven through its UNO API over a named
// pipe. This header carries no UNO types; everything UNO stays inside src/platform/office.
//
// The office runs headless and invisible in a process of its own. The program either attaches to
// an office that already listens on the program's pipe, or starts one with a private user profile.
// Every call is synchronous and runs in the calling thread (the pipeline calls them from its worker
// thread, so that the window stays alive meanwhile; see platform/WorkerThread.h). Every failure
// throws Failure with a description the user can read.
namespace office {

// The pipe on which the program's office listens: one of each process's own
// ("slideferry_office_<pid>", in test executables "slideferry_office_test_<pid>"), so that runs
// side by side never share, or quit, each other's office.
QString pipeName();
void setPipeName(const QString& name);

// How long start() waits for a freshly started office to accept connections.
constexpr int startTimeoutMs = 60000;

class Presentation;

// Thrown by Application::open() for a password-protected presentation: opened without a
// password, or with a wrong one.
class PasswordNeeded : public Failure {
public:
    PasswordNeeded(const QString& description, bool wrong)
        : Failure(description, 0, Kind::Input), wrongPassword(wrong) {}
    bool wrongPassword;
};

class Application {
public:
    // Connects to an office already listening on pipeName(); nullptr when none answers.
    static std::unique_ptr<Application> attach();
    // Starts an office listening on pipeName() and connects to it (bounded wait).
    static std::unique_ptr<Application> start();
    // The same on another pipe, for offices that work beside the first one.
    static std::unique_ptr<Application> attach(const QString& pipe);
    static std::unique_ptr<Application> start(const QString& pipe);
    // `running` while it still answers (a damaged file can take an office down); else the office
    // that listens on `pipe`; else one started on it (startedHere()). Throws Failure when an
    // office can be neither found nor started.
    static std::unique_ptr<Application> keepOrFind(std::unique_ptr<Application> running,
                                                   const QString& pipe);

    // Drops the connection; an office started here is ended as by quit().
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // True when this object started the office's process.
    bool startedHere() const;
    // True while the office answers on the connection.
    bool isAlive();

    // Opens a presentation hidden, without any window and without ever asking the user anything
    // (an encrypted file fails instead of asking for its password). Throws Failure when the file
    // is missing, damaged, encrypted or not a presentation.
    // With a password, a protected presentation is opened with it; the password goes to the
    // office only. Throws PasswordNeeded when the file is protected and no or a wrong password
    // was given.
    std::unique_ptr<Presentation> open(const QString& path, const QString& password = {});

    // Ends the office. A process started here is waited for and killed when it does not exit.
    // Never throws.
    void quit();

    struct Impl;

private:
    explicit Application(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d;
};

// One open presentation. Slides and shapes are 1-based; shapes are counted in z-order. Texts come
// in the program's convention: paragraphs separated by CR (13), a line break inside a paragraph
// as code 11.
class Presentation {
public:
    ~Presentation(); // closes the presentation when still open, never throws
    Presentation(const Presentation&) = delete;
    Presentation& operator=(const Presentation&) = delete;

    int slideCount();

    // Writes slide `slide` as fileName + "." + filterName, scaled to exactly width x height
    // pixels. filterName is compared case-insensitively: GIF, JPG (JPEG), PNG, BMP, TIF (TIFF).
    void exportSlide(int slide, const QString& fileName, const QString& filterName, int width,
                     int height);
    // True when exportSlide() knows the filter name.
    static bool isKnownFilter(const QString& filterName);

    // Inserts a new slide so that it becomes slide `index` (2 .. slideCount() + 1). `layout` is a
    // layout number of the presentation application: 12 blank, 11 title only, 1 title, 2 text.
    void addSlide(int index, int layout);
    void deleteSlide(int slide);

    // True when the office had to repair the file, or read only part of it, to open it: its
    // slides may be missing or wrong.
    bool repaired() const;

    // Stores a copy of the presentation at `path`, in the format the path's suffix names (.odp,
    // .pptx or .ppt), encrypted with `password` when one is given. The open presentation and its
    // own file stay as they are. Throws Failure when the copy cannot be written.
    void saveCopy(const QString& path, const QString& password = {});

    // Marks the presentation unchanged, so that closing it neither stores nor asks.
    void setSaved();
    // Closes the presentation without storing it. Never throws; later calls do nothing.
    void close();
    bool isOpen() const;

    // Reads of the slides and of their notes pages.
    int shapeCount(int slide);
    bool hasTextFrame(int slide, int shape);
    QString shapeText(int slide, int shape);
    int notesShapeCount(int slide);
    bool notesHasTextFrame(int slide, int shape);
    bool notesHasText(int slide, int shape);
    QString notesShapeText(int slide, int shape);
    // True when the slide is hidden in the presentation (left out of its slide show).
    bool isHidden(int slide);

    // All the text of a slide, for the rule that reads it all: the title is the text of the
    // slide's title placeholder, else of its first shape (when that holds text); the texts are
    // those of every other shape that holds text, grouped ones included, in reading order (top to
    // bottom, then left to right), a table giving its cells' texts row by row.
    struct AllText {
        QString title;
        QStringList texts;
    };
    AllText allText(int slide);
    // The whole text of the notes placeholder of the slide's notes page; "" when it has none.
    QString notesPlaceholderText(int slide);

    // True when the slide draws more than its own shapes: a background of its own, or a
    // background picture, gradient or shapes of its master page (placeholders aside).
    bool drawsMoreThanShapes(int slide);

    struct Impl;
    explicit Presentation(std::unique_ptr<Impl> impl);

private:
    std::unique_ptr<Impl> d;
};

} // namespace office
