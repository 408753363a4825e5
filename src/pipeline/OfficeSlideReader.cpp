#include "pipeline/OfficeSlideReader.h"

#include "pipeline/SlideText.h"
#include "platform/Failure.h"
#include "platform/WorkerThread.h"
#include "platform/office/Office.h"

template <class T, class Ask> T OfficeSlideReader::answer(const Key& key, Ask&& ask) {
    {
        const std::lock_guard lock(mutex_);
        if (const auto kept = answers_.find(key); kept != answers_.end()) {
            if (kept->second.failure)
                std::rethrow_exception(kept->second.failure);
            return std::get<T>(kept->second.value);
        }
    }
    Answer answer;
    try {
        answer.value = workerThread::call(std::forward<Ask>(ask));
    } catch (const Failure&) {
        // A read that failed fails the same way when asked again; anything else is not kept.
        answer.failure = std::current_exception();
    }
    {
        const std::lock_guard lock(mutex_);
        answers_.emplace(key, answer);
    }
    if (answer.failure)
        std::rethrow_exception(answer.failure);
    return std::get<T>(answer.value);
}

int OfficeSlideReader::shapeCount(int slide) {
    return answer<int>({Read::ShapeCount, slide, 0}, [&] { return p_.shapeCount(slide); });
}

bool OfficeSlideReader::hasTextFrame(int slide, int shape) {
    return answer<bool>({Read::HasTextFrame, slide, shape},
                        [&] { return p_.hasTextFrame(slide, shape); });
}

QString OfficeSlideReader::shapeText(int slide, int shape) {
    return answer<QString>({Read::ShapeText, slide, shape},
                           [&] { return p_.shapeText(slide, shape); });
}

int OfficeSlideReader::notesShapeCount(int slide) {
    return answer<int>({Read::NotesShapeCount, slide, 0},
                       [&] { return p_.notesShapeCount(slide); });
}

bool OfficeSlideReader::notesHasText(int slide, int shape) {
    return answer<bool>({Read::NotesHasText, slide, shape},
                        [&] { return p_.notesHasText(slide, shape); });
}

QString OfficeSlideReader::notesShapeText(int slide, int shape) {
    return answer<QString>({Read::NotesText, slide, shape},
                           [&] { return p_.notesShapeText(slide, shape); });
}

bool OfficeSlideReader::drawsMoreThanShapes(int slide) {
    return answer<bool>({Read::MoreThanShapes, slide, 0},
                        [&] { return p_.drawsMoreThanShapes(slide); });
}

// The title first, then the other texts: the office reads a slide's texts in one walk.
QStringList OfficeSlideReader::allTextOf(int slide) {
    return answer<QStringList>({Read::AllText, slide, 0}, [&] {
        office::Presentation::AllText all = p_.allText(slide);
        all.texts.prepend(all.title);
        return all.texts;
    });
}

QString OfficeSlideReader::allTextTitle(int slide) {
    return allTextOf(slide).value(0);
}

QStringList OfficeSlideReader::allTextBodies(int slide) {
    return allTextOf(slide).mid(1);
}

QString OfficeSlideReader::notesPlaceholderText(int slide) {
    return answer<QString>({Read::NotesPlaceholder, slide, 0},
                           [&] { return p_.notesPlaceholderText(slide); });
}

void OfficeSlideReader::readAhead(const QList<int>& slides, bool allText) {
    // On the worker every read goes straight to the office, and its answer is kept.
    workerThread::run([&] {
        for (const int slide : slides)
            slideTextLines(*this, slide, allText);
    });
}
