#pragma once

// The timed route of one transfer and the tables the bench prints of its runs.

#include <QString>

#include <optional>
#include <vector>

struct Phase {
    QString name;
    double seconds = 0;
};

struct Route {
    explicit Route(const QString& routeName) : name(routeName) {}
    QString name;
    std::vector<Phase> phases;
    QString check;              // "" when the lecture on the server is complete, else what is wrong
    double largestGapMs = 0;    // the longest the window went without taking events
    double warmOpenSeconds = 0; // opening again with the office already running
    double codePageCheckSeconds = 0; // the check of the slide texts that follows it in the wizard
    double helpersReadySeconds = 0;  // after the open, until the helper offices have it open too

    double total() const {
        double sum = 0;
        for (const Phase& p : phases)
            sum += p.seconds;
        return sum;
    }
    std::optional<double> phase(const QString& phaseName) const {
        for (const Phase& p : phases)
            if (p.name == phaseName)
                return p.seconds;
        return std::nullopt;
    }
};

// The median of the values.
double median(std::vector<double> values);
// One route over all its runs: each phase, the total and the check of every run's lecture.
void printRoute(const std::vector<Route>& runs);

// The program's steps and the command line, grouped into comparable rows; a row that one side
// does not have is empty there.
struct Row {
    const char* name;
    std::optional<double> program, commandLine;
};
std::vector<Row> sideBySide(const Route& steps, const Route& cli);

// The median of the values present, "-" when none is.
QString cell(const std::vector<std::optional<double>>& values);
// The median of one figure over a route's runs.
QString cellOf(const std::vector<Route>& runs, double Route::*figure);
