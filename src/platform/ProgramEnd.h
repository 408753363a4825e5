#pragma once

#include <exception>
#include <functional>

// The one place where the program ends. In the running program endProgram() ends the process at
// once, without any window's close handling. Tests install a handler that records the end; the
// call then throws ProgramEnded so that nothing after the end runs, and the top of the event
// handler that led there (guardEvent) swallows it.
namespace programEnd {

struct ProgramEnded : std::exception {
    const char* what() const noexcept override { return "program ended"; }
};

[[noreturn]] void endProgram();

// True once endProgram() was called (only observable when a handler is installed).
bool hasEnded();

using Handler = std::function<void()>;
// Installs a handler that replaces the process exit; an empty handler restores it and clears
// the ended flag.
void setHandler(Handler handler);

// Runs one event handler's body; a ProgramEnded thrown inside ends the handler quietly.
void guardEvent(const std::function<void()>& body);

} // namespace programEnd
