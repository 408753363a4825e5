#pragma once

// Header only: for tests that link the transfer component (sf_ftp).
#include "platform/ftp/TransferControl.h"
#include "support/TestFtpServer.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

struct FtpOutcome {
    QList<int> states; // every state reported; -1 first: reported inside Execute
    int code = -1;
    QString info;
    QString text; // the whole listing, read with GetChunk(1024); -2 in states: a longer chunk
};

// Runs one operation on inet.URL to its end (hang guard: 60 s) and records what the reporting
// rules forbid: a report inside Execute, more than one end state, a chunk above 1024.
inline FtpOutcome runFtp(TransferControl& inet, const FtpOperation& op) {
    FtpOutcome out;
    QEventLoop loop;
    auto connection = QObject::connect(&inet, &TransferControl::StateChanged, [&](int state) {
        out.states.append(state);
        loop.quit();
    });
    inet.Execute(inet.URL, op);
    const bool reportedInside = !out.states.isEmpty();
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    if (!reportedInside)
        loop.exec();
    // Let any stray second report arrive before checking there is only one.
    QCoreApplication::processEvents();
    QObject::disconnect(connection);
    out.code = inet.ResponseCode();
    out.info = inet.ResponseInfo();
    if (reportedInside)
        out.states.prepend(-1);
    for (QString chunk = inet.GetChunk(1024); !chunk.isEmpty(); chunk = inet.GetChunk(1024)) {
        if (chunk.size() > 1024)
            out.states.append(-2);
        out.text += chunk;
    }
    return out;
}

inline void loginTo(TransferControl& inet, const TestFtpServer& server) {
    inet.URL = server.url();
    inet.UserName = server.user();
    inet.Password = server.password();
}
