#include "platform/ProgramEnd.h"

#include <cstdio>
#include <cstdlib>

namespace programEnd {
namespace {
Handler& handler() {
    static Handler h;
    return h;
}
bool& ended() {
    static bool e = false;
    return e;
}
} // namespace

void endProgram() {
    ended() = true;
    if (handler()) {
        handler()();
        throw ProgramEnded();
    }
    std::fflush(nullptr);
    std::_Exit(0);
}

bool hasEnded() {
    return ended();
}

void setHandler(Handler h) {
    handler() = std::move(h);
    ended() = false;
}

void guardEvent(const std::function<void()>& body) {
    try {
        body();
    } catch (const ProgramEnded&) {
    }
}

} // namespace programEnd
