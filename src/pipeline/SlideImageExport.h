#pragma once

#include <QList>
#include <QString>
#include <functional>

class HelperOffices;
class ProgressSink;
class SerialWorker;
namespace office {
class Presentation;
}

// The slide images of one export: directory/Slide<i>.<format> for each i of `slides`, in order.
struct SlideImages {
    QList<int> slides;
    QString directory;
    QString format;
    int width = 0;
    int height = 0;
};

// Draws the slide images with the first office (on `firstWorker`) and every helper that has the
// presentation open, each taking the next slide not yet taken, so that all cores work. The
// "Converting slide" lines come in slide order as the slides are taken. A slide that a helper
// fails is drawn again by the first office, whose failure is the one reported (the lowest
// slide's, when several fail). Returns when every slide is written, or once the export stopped
// and no slide is being drawn any more; throws StoppedByUser after a Cancel, or the failure.
// `firstOfficeBefore` runs on the first office's thread before it draws, while the helpers do;
// what it throws is dropped.
void exportSlideImages(office::Presentation& first, SerialWorker& firstWorker,
                       const HelperOffices& helpers, const SlideImages& images,
                       ProgressSink& progress, const std::function<void()>& firstOfficeBefore = {});
