// Reading back the risultato.m that a section screen wrote: its lines, and the estimates of an
// L-domain script's "z2(k)=estimate;" lines.
#pragma once

#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <vector>

namespace nurlo::test {

// The lines of the file, without their line ends; empty for an empty file. A file that does not
// exist gives one line "<missing>".
inline QStringList fileLines(const std::filesystem::path& path) {
    QFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::ReadOnly)) {
        return {QStringLiteral("<missing>")};
    }
    const QString text = QString::fromUtf8(file.readAll());
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().isEmpty()) {
        lines.removeLast();  // after the last line end
    }
    return lines;
}

// One "z2(index)=estimate;" line.
struct NodeLine {
    int index;
    double estimate;
};

// The node lines of an L-domain script, in file order. A line that begins "z2(" but is not a
// well-formed node line gives the index -1.
inline std::vector<NodeLine> nodeLines(const QStringList& lines) {
    static const QRegularExpression pattern(QStringLiteral(R"(^z2\((\d+)\)=([^;]+);$)"));
    std::vector<NodeLine> nodes;
    for (const QString& line : lines) {
        if (!line.startsWith(QStringLiteral("z2("))) {
            continue;
        }
        const QRegularExpressionMatch match = pattern.match(line);
        bool ok = match.hasMatch();
        const double estimate = ok ? match.captured(2).toDouble(&ok) : 0.0;
        nodes.push_back({ok ? match.captured(1).toInt() : -1, estimate});
    }
    return nodes;
}

// The mean of `walks` copies of `value`: the estimate at a node where every walk ends at once, up
// to the rounding of the estimator's own order of additions.
inline double meanOfCopies(double value, int walks) {
    double sum = 0.0;
    for (int k = 0; k < walks; ++k) {
        sum += value;
    }
    return sum / walks;
}

}  // namespace nurlo::test
