#include "RouteReport.h"

#include <algorithm>
#include <cstdio>

namespace {
// "1.234 s", or with several runs "median (min-max) s".
QString spread(const std::vector<double>& values) {
    if (values.size() == 1)
        return QStringLiteral("%1 s").arg(values.front(), 7, 'f', 3);
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    return QStringLiteral("%1 s  (%2-%3)")
        .arg(median(values), 7, 'f', 3)
        .arg(*low, 0, 'f', 3)
        .arg(*high, 0, 'f', 3);
}
} // namespace

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void printRoute(const std::vector<Route>& runs) {
    std::printf("\n%s:\n", qPrintable(runs.front().name));
    for (const Phase& p : runs.front().phases) {
        std::vector<double> values;
        for (const Route& r : runs)
            values.push_back(r.phase(p.name).value_or(0));
        std::printf("  %-34s %s\n", qPrintable(p.name), qPrintable(spread(values)));
    }
    std::vector<double> totals;
    QString wrong;
    for (const Route& r : runs) {
        totals.push_back(r.total());
        if (wrong.isEmpty())
            wrong = r.check;
    }
    std::printf("  %-34s %s\n", "total", qPrintable(spread(totals)));
    std::printf("  lecture on the server: %s\n",
                wrong.isEmpty() ? "complete" : qPrintable("WRONG: " + wrong));
}

std::vector<Row> sideBySide(const Route& steps, const Route& cli) {
    const auto sum = [](std::initializer_list<std::optional<double>> parts) {
        double s = 0;
        for (const auto& p : parts)
            s += p.value_or(0);
        return std::optional<double>(s);
    };
    return {
        {"office start, open, images",
         sum({steps.phase("office start + open"), steps.phase("export (slides + blank)")}),
         sum({cli.phase("office-pdf"), cli.phase("images")})},
        {"text files", steps.phase("text files"), cli.phase("text")},
        {"description", steps.phase("description"), cli.phase("description")},
        {"upload (with connect)",
         sum({steps.phase("connect + lecture lookup"), steps.phase("upload")}),
         cli.phase("upload")},
        {"close + clean-up", steps.phase("close + clean-up"), std::nullopt},
        {"total", steps.total(), cli.total() - cli.phase("profile-setup").value_or(0)},
    };
}

QString cell(const std::vector<std::optional<double>>& values) {
    std::vector<double> present;
    for (const auto& v : values)
        if (v)
            present.push_back(*v);
    return present.empty() ? QStringLiteral("-") : QString::number(median(present), 'f', 3);
}

QString cellOf(const std::vector<Route>& runs, double Route::*figure) {
    std::vector<std::optional<double>> values;
    for (const Route& r : runs)
        values.push_back(r.*figure);
    return cell(values);
}
