#include "server/ClassCatalogue.h"

#include "platform/Failure.h"
#include "platform/Messages.h"
#include "platform/ProgramEnd.h"
#include "platform/ftp/FtpOperation.h"
#include "server/ClassListing.h"
#include "server/ModuleFtp.h"

void ftpListClasses(ModuleFtp& m) {
    QString listing;
    try {
        m.ftpExecute(FtpOperation::ls(QStringLiteral("~/lumora/classes/*")));
        // Read the listing to its end: a server with many classes sends more than one chunk.
        for (;;) {
            const QString chunk = m.inet.GetChunk(1024);
            if (chunk.isEmpty())
                break;
            listing += chunk;
        }
    } catch (const Failure& failure) {
        messages::showError(failure.description(), m.fields.ftpMachine());
        if (m.cleanUp)
            m.cleanUp();
        programEnd::endProgram();
    }

    const QString term = m.fields.termText();
    const QString year = m.fields.yearFilterText();
    m.fields.clearClasses();
    for (const QString& name : parseClassListing(listing)) {
        if (termMatches(term, name) && yearMatches(year, name))
            m.fields.addClass(name);
    }
    m.fields.selectFirstClass();
}
