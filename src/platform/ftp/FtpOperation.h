#pragma once

#include <QString>

// One operation of the transfer component, typed so that paths holding blanks survive intact.
// Server paths beginning "~/" (and bare relative paths such as "lumora") are taken from the FTP
// login directory; a path beginning "/" is absolute on the server.
struct FtpOperation {
    enum class Kind { List, ChangeDir, MakeDir, RemoveDir, Delete, Get, Put, Close };

    Kind kind = Kind::Close;
    QString remote;       // server path (List, ChangeDir, MakeDir, Get, Put)
    QString local;        // local file path (Get, Put)
    bool newName = false; // Put: the server holds no file of that name (see putNew)
    qint64 maxBytes = -1; // Get: a larger file fails the operation (see getAtMost)

    // Lists the names in the path's directory that match its last component: a pattern with
    // "*" and "?" or an exact name (an empty last component lists everything).
    static FtpOperation ls(const QString& remote);
    // Tests that a server directory exists.
    static FtpOperation cd(const QString& remote);
    // Creates a server directory; refused when it already exists.
    static FtpOperation mkdir(const QString& remote);
    // Removes an empty server directory.
    static FtpOperation rmdir(const QString& remote);
    // Deletes a server file.
    static FtpOperation remove(const QString& remote);
    // Copies a server file to a local file, byte for byte.
    static FtpOperation get(const QString& remote, const QString& local);
    // The same for a file of at most maxBytes bytes: a larger one ends the operation in error
    // as soon as more arrives, and no local file is left.
    static FtpOperation getAtMost(const QString& remote, const QString& local, qint64 maxBytes);
    // Copies a local file to a server file, byte for byte.
    static FtpOperation put(const QString& local, const QString& remote);
    // The same for a name the server does not hold (the caller made sure, and keeps others
    // away): with nothing there to replace, the file goes to its name directly, one exchange
    // fewer. Its size is checked all the same.
    static FtpOperation putNew(const QString& local, const QString& remote);
    // Ends the FTP session.
    static FtpOperation close();

    // The operation in the text form used in messages and tests: "LS path", "CD path",
    // "MKDIR path", "RMDIR path", "DELETE path", "GET remote local", "PUT local remote", "CLOSE".
    QString text() const;

    bool operator==(const FtpOperation&) const = default;
};
