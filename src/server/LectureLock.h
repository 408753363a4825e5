#pragma once

#include <QString>

class ModuleFtp;

// The lock that keeps two transfers from working on one lecture at once: a directory
// ".<lecture>.lock" that the transfer creates beside the lecture in its class (creating a
// directory is atomic on every FTP server), holding one directory named after the time it was
// taken (UTC), the program's process, a random tag and the machine. A transfer that finds the
// lock taken waits for it, up to m.lockWaitMs; a lock older than m.staleLockSeconds, one that
// never got its stamp, or one whose program on this machine has ended, was left by a transfer
// that did not finish and is broken, with a progress line that says so.

// Takes the lock of the lecture "classes/<class>/<lecture>/" (m.changes.lecturePath). Throws
// Failure when it cannot be had (taken for too long, or refused by the server); nothing else
// on the server has changed then.
void takeLectureLock(ModuleFtp& m);

// Gives the lock back; never fails (a lock that cannot be removed goes stale and is broken by
// a later transfer).
void releaseLectureLock(ModuleFtp& m);
