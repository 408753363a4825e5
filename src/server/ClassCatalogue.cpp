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
        // A refused listing gives an empty class list; a lost connection, a time-out or an
        // unreachable server is a failure, not a server without classes.
        const int code = m.inet.ResponseCode();
        if (code != TransferControl::NoError && code != TransferControl::ServerRefused) {
            const QString info = m.inet.ResponseInfo().trimmed();
            throw Failure(
                info.isEmpty() ? QStringLiteral("The class list could not be read") : info, code);
        }
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

    // The class the user chose (or the remembered one) stays chosen while the new list still
    // holds it; only a class that the filters now exclude gives way to the first one.
    const QString chosen = m.fields.classText();
    const QString term = m.fields.termText();
    const QString year = m.fields.yearFilterText();
    m.fields.clearClasses();
    for (const QString& name : parseClassListing(listing)) {
        if (termMatches(term, name) && yearMatches(year, name))
            m.fields.addClass(name);
    }
    m.fields.selectClass(chosen);
}
