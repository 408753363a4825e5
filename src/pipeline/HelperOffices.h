#pragma once

#include <QString>
#include <memory>
#include <vector>

class SerialWorker;
namespace office {
class Application;
class Presentation;
} // namespace office

// Office processes that draw a share of the slides beside the program's first office, each with
// a pipe, a profile and a thread of its own. They start and open the presentation in the
// background (while the user fills in the lecture), so that the export finds them ready; one
// that cannot start or open the file is simply left out, and the export runs on the others.
class HelperOffices {
public:
    struct Helper {
        explicit Helper(int number);
        ~Helper();
        void end(); // on the helper's thread: closes the presentation and ends the office
        QString pipe;
        std::unique_ptr<SerialWorker> worker; // every call on this helper's office runs here
        std::unique_ptr<office::Application> app;
        std::unique_ptr<office::Presentation> presentation; // open when the helper is usable
    };

    HelperOffices();
    ~HelperOffices(); // quits every helper's office and ends its thread
    HelperOffices(const HelperOffices&) = delete;
    HelperOffices& operator=(const HelperOffices&) = delete;

    // The office processes to use in all, the first one included: by default the machine's
    // cores, at least 2 and at most 4; SLIDE_FERRY_OFFICE_PROCESSES sets another number (1: the
    // first office alone).
    static int defaultProcesses();
    void setProcesses(int processes);

    // Starts every helper's office in the background, before the presentation is known, so
    // that a transfer that follows at once finds them ready.
    void startInBackground();
    // Has every helper open `path` in the background, starting its office first when needed.
    // Presentations with few slides are drawn by the first office alone: starting another costs
    // more than it saves.
    void open(const QString& path, const QString& password, int slideCount);
    // Closes the helpers' presentations in the background; their offices stay.
    void closeDocuments();
    // Waits until every helper has done what it was handed (started, opened), and returns how
    // many have the presentation open.
    int ready() const;
    // Has every helper end its office, without waiting; quit() then waits.
    void endInBackground();
    // Ends the helpers' offices, waiting for them. Never throws.
    void quit();

    // The helpers, for the export to hand work to (a helper without an open presentation takes
    // none).
    const std::vector<std::unique_ptr<Helper>>& helpers() const { return helpers_; }

private:
    void addHelpers();
    int processes_;
    std::vector<std::unique_ptr<Helper>> helpers_;
};
