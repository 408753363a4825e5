#pragma once

#include <QList>
#include <QString>

// One lecture's values, whoever gathered them (the wizard from its pages, the batch command from
// its options): the server and its two accounts, the class and the lecture's date, session and
// title, the slide range and the images to make of it. The server session and the conversion
// pipeline read only this. Numbers are numbers (slides, pixels); the date's parts keep the form
// the lecture's directory name takes ("Mar" for a month), so that every front end gives the same
// lecture.
struct LectureRecord {
    // The server and its accounts.
    QString host;                   // server host as typed, optionally with ":port"
    QString lumoraId;               // Lumora user ID (checked against the server's account file)
    QString lumoraPassword;         // Lumora password
    QString corvaneId;              // Corvane (FTP) user ID
    QString corvanePassword;        // Corvane (FTP) password
    bool requireEncryption = false; // never log in without encryption

    // The class list's filters and the lecture.
    QString termFilter = QStringLiteral("All terms"); // "All terms", "Winter", ...
    QString yearFilter = QStringLiteral("All years"); // "All years", "1999", ...
    QString className;
    QString title;
    QString month = QStringLiteral("Jan"); // "Jan".."Dec"
    QString day = QStringLiteral("1");     // "1".."31"
    QString year = QStringLiteral("2026"); // four digits
    QString session = QStringLiteral("1"); // digits; the server session may raise it

    // The images and where they are made.
    QString workDir;                             // local working directory
    QString imageFormat = QStringLiteral("GIF"); // "GIF", "JPG", ...
    int firstSlide = 1; // the range of slides to send, 1-based, both included
    int lastSlide = 1;
    int width = 1000; // image size in pixels
    int height = 700;

    // What of the slides is sent.
    bool skipHiddenSlides = false; // the slides hidden in the presentation are left out
    bool allSlideText = false;     // the text files take all the slide text, not the classic rule
    // The slides of the range that are not sent (the hidden ones, when they are left out), set
    // when the transfer is settled (settleSlidesSent). The slides sent are numbered on the server
    // without a gap.
    QList<int> leftOut;

    // The slides sent, in order: the range without those left out.
    QList<int> slidesSent() const {
        QList<int> slides;
        for (int slide = firstSlide; slide <= lastSlide; ++slide)
            if (!leftOut.contains(slide))
                slides.append(slide);
        return slides;
    }
};
